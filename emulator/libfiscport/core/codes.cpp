#include "core/codes.h"

#include <cstdio>

namespace fiscemu {

const char* codeDescription(int code) {
    switch (code) {
        case kOk:
            return "Sucesso";
        case kBadFormat:
            return "Parametro invalido";
        case kOutOfRange:
            return "Valor fora da faixa";
        case kTaxNotProgrammed:
            return "Aliquota nao programada";
        case kPayTypeUnknown:
            return "Forma de pagamento nao programada";
        case kVoucherInvalid:
            return "Comprovante nao fiscal invalido";
        case kOverflow:
            return "Estouro de totalizador";
        case kBadDate:
            return "Data ou hora invalida";
        case kBadFileName:
            return "Nome de arquivo invalido";
        case kFileError:
            return "Erro ao gravar arquivo";
        case kWrongState:
            return "Comando fora de sequencia";
        case kDayClosed:
            return "Reducao Z ja emitida";
        case kZDue:
            return "Reducao Z pendente";
        case kNotPaid:
            return "Cupom nao totalmente pago";
        case kNothingToDo:
            return "Nada a processar";
        case kAlreadyDone:
            return "Operacao ja efetuada";
        case kCannotCancelDoc:
            return "Documento nao pode ser cancelado";
        case kAdjustment:
            return "Acrescimo ou desconto invalido";
        case kIntervention:
            return "Em intervencao tecnica";
        case kPaperOut:
            return "Fim de papel";
        case kNoAuthPaper:
            return "Sem documento para autenticar";
        case kPaperLow:
            return "Pouco papel";
        case kUsersFull:
            return "Tabela de usuarios cheia";
        case kInUse:
            return "Totalizador com movimento no dia";
        case kNoPendingLink:
            return "Sem pagamento vinculado pendente";
        case kStorage:
            return "Erro na memoria do ECF";
        case kDamaged:
            return "Memoria danificada";
        case kBusy:
            return "Memoria ocupada";
        case kDiskFull:
            return "Disco cheio";
        case kNoAnswer:
            return "Impressora nao responde";
        default:
            return "Falha";
    }
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
