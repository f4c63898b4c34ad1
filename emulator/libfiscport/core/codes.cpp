#include "core/codes.h"

#include <algorithm>
#include <cstdio>

namespace fiscemu {

const std::vector<ResultCode>& resultCodes() {
    static const std::vector<ResultCode> kTable = {
        {kOk, "Sucesso", "aceito"},
        {kBadFormat, "Parametro invalido",
         "texto malformado: não numérico onde se esperam dígitos, vazio onde é obrigatório, mais "
         "longo que o campo, ponteiro nulo ou com byte de controle"},
        {kOutOfRange, "Valor fora da faixa",
         "número, índice ou posição fora da faixa (também descontos não menores que o item, "
         "valores zero, opções desconhecidas)"},
        {kTaxNotProgrammed, "Aliquota nao programada",
         "alíquota não programada, ou totalizador não fiscal num cupom fiscal"},
        {kPayTypeUnknown, "Forma de pagamento nao programada",
         "forma de pagamento não programada ou não encontrada; tabela de nomes do 2.04 cheia"},
        {kVoucherInvalid, "Comprovante nao fiscal invalido",
         "comprovante não fiscal não programado ou impróprio para o uso (vinculado numa venda, não "
         "vinculado num vínculo, desconto ou cancelamento não permitidos)"},
        {kOverflow, "Estouro de totalizador",
         "valor além da capacidade de um totalizador (999.999.999,99 por documento) ou do número "
         "de itens"},
        {kBadDate, "Data ou hora invalida",
         "data ou hora inválida, ou relógio acertado para antes do último documento"},
        {kBadFileName, "Nome de arquivo invalido",
         "nome de arquivo da leitura da memória fiscal vazio, com pasta, com bytes de controle, "
         "longo demais, ou um dos arquivos da memória"},
        {kFileError, "Erro ao gravar arquivo",
         "o arquivo da leitura não pôde ser gravado, ou o nome é de uma pasta, FIFO, dispositivo "
         "ou link"},
        {kWrongState, "Comando fora de sequencia",
         "comando fora de sequência para o estado da impressora (documento aberto, nenhum aberto, "
         "itens depois do pagamento, …)"},
        {kDayClosed, "Reducao Z ja emitida", "redução Z já feita hoje"},
        {kZDue, "Reducao Z pendente",
         "a data passou do dia aberto: redução Z pendente (estado 113)"},
        {kNotPaid, "Cupom nao totalmente pago",
         "ecfFimTrans antes de os pagamentos cobrirem o total"},
        {kNothingToDo, "Nada a processar",
         "nada a fazer: cabeçalho sem itens, nada a descontar ou a pagar, nenhum pagamento a "
         "cancelar"},
        {kAlreadyDone, "Operacao ja efetuada", "já feito: item já cancelado, item já com desconto"},
        {kCannotCancelDoc, "Documento nao pode ser cancelado",
         "ecfCancDoc: o último documento não é um cupom fiscal do dia aberto ainda não cancelado"},
        {kAdjustment, "Acrescimo ou desconto invalido",
         "acréscimo ou desconto no subtotal já dado, ou nenhum daquele tipo a cancelar"},
        {kIntervention, "Em intervencao tecnica", "impressora em intervenção técnica"},
        {kPaperOut, "Fim de papel", "sem papel"},
        {kNoAuthPaper, "Sem documento para autenticar",
         "nenhum documento na estação de autenticação"},
        {kPaperLow, "Pouco papel", "pouco papel: cabeçalho recusado pela opção 16"},
        {kUsersFull, "Tabela de usuarios cheia",
         "não há lugar para outro registro de usuário (20)"},
        {kInUse, "Totalizador com movimento no dia",
         "posição de tabela com movimento no dia não pode ser reprogramada"},
        {kNoPendingLink, "Sem pagamento vinculado pendente",
         "ecfInicCNFVinculado: nenhum pagamento pendente daquele cupom na forma do comprovante"},
        {kStorage, "Erro na memoria do ECF",
         "a memória falhou ou não pôde ser aberta ou gravada; nada mudou"},
        {kDamaged, "Memoria danificada",
         "memória danificada ou que não é de impressora: nunca é usada até que alguém aja (ecfsim "
         "verify, ecfsim reset)"},
        {kBusy, "Memoria ocupada", "outro processo reteve a memória por 2 s; nada mudou"},
        {kDiskFull, "Disco cheio", "disco cheio ou limite de tamanho de arquivo; nada mudou"},
        {kNoAnswer, "Impressora nao responde",
         "a impressora não respondeu (desligada, ou na outra porta), ou o modelo emulado não tem o "
         "comando"},
    };
    return kTable;
}

const ResultCode* findResultCode(int code) {
    const std::vector<ResultCode>& table = resultCodes();
    auto it = std::find_if(table.begin(), table.end(),
                           [code](const ResultCode& row) { return row.code == code; });
    return it == table.end() ? nullptr : &*it;
}

const char* codeDescription(int code) {
    const ResultCode* row = findResultCode(code);
    return row ? row->description : "Falha";
}

const char* const kUnsupportedDescription = "Comando inexistente neste modelo";

std::string failureReply(int code) {
    return failureReply(code, codeDescription(code));
}

std::string failureReply(int code, const std::string& description) {
    char buf[16];
    int c = code;
    if (c < 0)
        c = 0;
    if (c > 999)
        c = 999;
    std::snprintf(buf, sizeof buf, "Erro: %03d ", c);
    return std::string(buf) + description;
}

}  // namespace fiscemu
