// Every refusal says why: for each result code a command family answers, a
// representative refusal is traced with a reason naming the argument or the
// state at fault and the value met; an accepted call is traced without one.
// The result codes themselves are the ones callers always got.
#include <string>

#include "core/codes.h"
#include "driver_support.h"

using namespace emutest;

namespace {

class Reasons : public DriverTest {
protected:
    // Checks the answer and the reason the trace gave it, and that the reason
    // names `part` (the argument or state and the value met).
    void expectRefusal(int answered, int code, const std::string& part) {
        EXPECT_EQ(answered, code) << part;
        std::vector<fiscemu::TraceRow> last = tool().store().trace(0, 1);
        ASSERT_EQ(last.size(), 1u);
        EXPECT_EQ(last[0].result, std::to_string(code)) << last[0].function;
        EXPECT_NE(last[0].reason.find(part), std::string::npos)
            << last[0].function << " answered " << code << " saying: " << last[0].reason;
    }

    // The same for a status reply that failed.
    void expectFailedReply(const std::string& reply, int code, const std::string& part) {
        EXPECT_EQ(reply.substr(0, 9), "Erro: " + fiscemu::zeroPad(code, 3)) << reply;
        std::vector<fiscemu::TraceRow> last = tool().store().trace(0, 1);
        ASSERT_EQ(last.size(), 1u);
        EXPECT_NE(last[0].reason.find(part), std::string::npos)
            << last[0].function << " saying: " << last[0].reason;
    }

    // Over the whole trace: a reason exactly where the call was refused.
    void expectReasonsOnlyOnRefusals() {
        int accepted = 0, refused = 0;
        for (const fiscemu::TraceRow& row : tool().store().trace(0, 0)) {
            const bool reply = !row.result.empty() && row.result[0] == '"';
            const bool failed = reply ? row.result.rfind("\"Erro:", 0) == 0 : row.result != "0";
            if (failed) {
                ++refused;
                EXPECT_FALSE(row.reason.empty()) << row.function << " = " << row.result;
            } else {
                ++accepted;
                EXPECT_EQ(row.reason, "") << row.function << " = " << row.result;
            }
        }
        EXPECT_GT(accepted, 0);
        EXPECT_GT(refused, 0);
    }

    void sellOne() {
        ASSERT_EQ(ecfImpCab(0), 0);
        ASSERT_EQ(ecfVendaItem("ARROZ", "450", 0), 0);
    }
};

}  // namespace

TEST_F(Reasons, CouponRefusalsNameTheArgumentOrStateAndTheValue) {
    expectRefusal(ecfVendaItem("ARROZ", "100", 0), 12,
                  "estado 000 (sem dia fiscal aberto): venda de item pede um cupom fiscal aberto");
    ASSERT_EQ(ecfCargaAliqSelect("15", "T", "    "), 0);  // position 15 out of use
    sellOne();
    expectRefusal(ecfVenda_Item("1", "X", "1a", "000", "100", 0), 1,
                  "quantidade inteira '1a': esperado de 1 a 4 dígitos");
    expectRefusal(ecfVendaItem("X", "100", 77), 2, "alíquota 77: esperado um índice de 00 a 15");
    expectRefusal(ecfVendaItem("X", "100", 15), 3, "alíquota 15: posição sem alíquota programada");
    expectRefusal(ecfVendaItem("X", "99999999999", 0), 6, "sobre o subtotal 4,50");
    ASSERT_EQ(ecfVendaItem("FEIJAO", "300", 0), 0);
    ASSERT_EQ(ecfCancItemDef("0002", ""), 0);
    expectRefusal(ecfCancItemDef("0002", ""), 17, "item 002 já está cancelado");
    expectRefusal(ecfCancAcresDescSubTotal(0, 1, "", "0"), 19,
                  "não há desconto no subtotal a cancelar");
    expectRefusal(ecfPagamento(0, "10", "100", 0), 4,
                  "forma de pagamento 10: posição não programada");
    expectRefusal(ecfFimTrans("OP"), 15, "ecfFimTrans antes de cobrir o total: faltam 4,50");
    ASSERT_EQ(ecfPagamento(0, "00", "200", 0), 0);
    expectRefusal(ecfPagamento(1, "00", "100", 0), 16,
                  "cancelamento de Dinheiro 1,00: o último pagamento é Dinheiro 2,00");
    expectRefusal(ecfVendaItem("X", "100", 0), 12,
                  "estado 123 (em pagamento, total ainda não coberto): cupom com pagamento");
    set([](fiscemu::Settings& s) { s.paper = fiscemu::kPaperOutLevel; });
    expectRefusal(ecfPagamento(0, "00", "250", 0), 21, "sem papel");
    set([](fiscemu::Settings& s) { s.intervention = true; });
    expectRefusal(ecfSubTotal(), 20, "intervenção técnica");
    set([](fiscemu::Settings& s) {
        s.intervention = false;
        s.model = fiscemu::Model::V204;
    });
    expectRefusal(ecfPagamento(0, "00", "250", 0), 79, "ecfPagamento não existe no modelo 2.04");
    expectReasonsOnlyOnRefusals();
}

TEST_F(Reasons, DocumentRefusalsNameTheArgumentOrStateAndTheValue) {
    expectRefusal(ecfInicCupomNFiscal(2), 2, "tipo 2: esperado 1");
    expectRefusal(ecfInicCupomNFiscal(1), 12, "estado 000");
    expectRefusal(ecfCancDoc("OP"), 18, "não há dia aberto");
    set([](fiscemu::Settings& s) { s.paper = fiscemu::kPaperLowLevel; });
    expectRefusal(ecfImpCab(16), 23, "opção 16");
    set([](fiscemu::Settings& s) { s.paper = fiscemu::kPaperOk; });
    ASSERT_EQ(ecfImpCab(0), 0);
    expectRefusal(ecfImpLinha(nullptr), 1, "linha NULL: esperado um texto");
    expectRefusal(ecfImpLinha("LIVRE"), 12, "linhas livres depois do cabeçalho pedem a opção 32");
    expectRefusal(ecfFimTrans("OP"), 16, "documento só com cabeçalho");
    expectRefusal(ecfInicCNFVinculado("000099", "04", "100"), 26,
                  "COO 000099: nenhum pagamento em Cartao pendente");
    ASSERT_EQ(ecfInicCupomNFiscal(1), 0);
    expectRefusal(ecfVendaItem78("CONTA", "100", 4), 5,
                  "comprovante 04 'Comprovante cartao': vinculado");
    ASSERT_EQ(ecfCancVenda("OP"), 0);
    set([](fiscemu::Settings& s) { s.authPaper = false; });
    expectRefusal(ecfAutentica("AUT"), 22, "nenhum documento na estação de autenticação");
    ASSERT_EQ(tool().nextDay(), true);
    expectRefusal(ecfImpCab(0), 14, "a data passou: a redução Z vem antes de novo documento");
    expectReasonsOnlyOnRefusals();
}

TEST_F(Reasons, ReportRefusalsAndFailedRepliesSayWhy) {
    expectRefusal(ecfLeituraX(nullptr), 1, "operador NULL");
    expectRefusal(ecfLeitMemFisc(3, "010126", "310126", 1, 1, "leitura.txt"), 2, "modo 3");
    expectRefusal(ecfLeitMemFisc(1, "320126", "310126", 1, 1, "leitura.txt"), 7,
                  "data inicial '320126'");
    expectRefusal(ecfLeitMemFisc(1, "010126", "310126", 1, 1, "pasta/leitura.txt"), 8,
                  "arquivo 'pasta/leitura.txt': só o nome");
    ASSERT_EQ(ecfImpCab(0), 0);
    expectRefusal(ecfLeituraX("OP"), 12,
                  "estado 090 (cabeçalho impresso, documento sem itens): o comando pede que "
                  "nenhum documento esteja aberto");
    ASSERT_EQ(ecfCancVenda("OP"), 0);
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    expectRefusal(ecfReducaoZ("OP"), 13, "redução Z já feita hoje");
    expectFailedReply(ecfStatusAliquotas(40), 2, "índice 40 fora da tabela de alíquotas");
    int32_t kind = 2;
    expectFailedReply(ecfStatusCupom(&kind), 2, "tipo 2: esperado um ponteiro para 1");
    ASSERT_EQ(ChangePort(1), 0);
    expectFailedReply(ecfStatusImp(), 79, "a impressora está na COM1 e o programa escolheu a COM2");
    ASSERT_EQ(ChangePort(0), 0);
    ASSERT_TRUE(tool().setFault("ecfLeituraX", 40));
    expectRefusal(ecfLeituraX("OP"), 40,
                  "falha simulada: ecfsim fault fez ecfLeituraX responder 40");
    set([](fiscemu::Settings& s) { s.power = false; });
    expectRefusal(ecfLeituraX("OP"), 79, "impressora desligada");
    expectReasonsOnlyOnRefusals();
}

TEST_F(Reasons, ProgrammingRefusalsNameTheArgumentOrStateAndTheValue) {
    expectRefusal(ecfAcertaData(31, 2, 26, 10, 0, 0), 7,
                  "data e hora 31/02/26 10:00:00: não existem");
    expectRefusal(ecfPrgCod(14), 2, "tamanho 14: esperado de 1 a 13");
    expectRefusal(ecfCargaCodCripto("ABC"), 1, "símbolos 'ABC': mínimo de 10 bytes");
    expectRefusal(ecfProgNFComprov("06", "VALE", "S", "S", "S", "S", "S", "09"), 4,
                  "forma de pagamento 09: posição não programada para o vínculo");
    // A store's owner changes (new registrations) until the user table is full.
    for (int n = 1; n < 20; ++n)
        ASSERT_EQ(ecfCabLoja("LOJA", "", "", 1, 1, std::to_string(n).c_str(), "IE"), 0) << n;
    expectRefusal(ecfCabLoja("LOJA", "", "", 1, 1, "NOVO", "IE"), 24, "a tabela já tem 20 de 20");
    sellOne();
    ASSERT_EQ(ecfPagamento(0, "00", "450", 0), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    expectRefusal(ecfCargaTabAliq(3, "1200"), 12, "a programação fiscal espera a redução Z");
    expectRefusal(ecfPayPatterns("00", "Outro"), 25,
                  "forma de pagamento 00 'Dinheiro' recebeu 4,50 hoje");
    expectReasonsOnlyOnRefusals();
}

TEST_F(Reasons, ChequeRefusalsNameTheArgumentOrStateAndTheValue) {
    expectRefusal(ecfImpCheque(0, "100", "ANA", "CAMPO", "100326", ""), 2,
                  "banco 0: esperado de 001 a 999");
    expectRefusal(ecfImpCheque(1, "100", "", "CAMPO", "100326", ""), 1, "favorecido vazio");
    expectRefusal(ecfImpChequeMarvik(1, "100", "ANA", "CAMPO", "320326", ""), 7,
                  "data '320326': não é uma data válida");
    ASSERT_EQ(ecfImpCheque(1, "100", "ANA", "CAMPO", "100326", ""), 0);
    ASSERT_EQ(ecfImpCab(0), 0);
    expectRefusal(ecfImpCheque(1, "100", "ANA", "CAMPO", "100326", ""), 12,
                  "estado 090 (cabeçalho impresso, documento sem itens): o cheque não se imprime");
    expectReasonsOnlyOnRefusals();
}
