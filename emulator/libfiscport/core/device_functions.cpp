// The driver's fifty functions by name, and which models answer which.
#include <set>

#include "core/device.h"

namespace fiscemu {

bool modelHasCommand(Model model, const std::string& fn) {
    static const std::set<std::string> kVersion3 = {
        "ecfStatusAliquotas",  "ecfStatusPayTypes", "ecfStatusDocsNFs", "ecfProgHeader30",
        "ecfCargaAliqSelect",  "ecfPayPatterns",    "ecfProgNFComprov", "ecfPagamento",
        "ecfInicCNFVinculado", "ecfChequeKolvex300"};
    static const std::set<std::string> kVersion301 = {"ecfStatusTroco", "ecfStatusVincs"};
    if (kVersion301.count(fn))
        return model == Model::V301;
    if (kVersion3.count(fn))
        return model != Model::V204;
    return true;
}

const std::vector<std::string>& driverFunctionNames() {
    static const std::vector<std::string> kNames = {
        "ChangePort",          "ecfLineFeed",        "ecfStatusImp",
        "ecfStatusCupom",      "ecfStatusAliquotas", "ecfStatusPayTypes",
        "ecfStatusDocsNFs",    "ecfStatusEquipo",    "ecfStatusUser",
        "ecfStatusTroco",      "ecfStatusVincs",     "ecfLeituraXSerial",
        "ecfCGC_IE",           "ecfImpCab",          "ecfInicCupomNFiscal",
        "ecfInicCNFVinculado", "ecfFimTrans",        "ecfCancVenda",
        "ecfCancDoc",          "ecfImpLinha",        "ecfLeituraX",
        "ecfReducaoZ",         "ecfLXGerencial",     "ecfRZGerencial",
        "ecfLeitMemFisc",      "ecfVenda_Item",      "ecfVendaItem78",
        "ecfVendaItem",        "ecfDescItem",        "ecfCancItem",
        "ecfCancItemDef",      "ecfSubTotal",        "ecfCancAcresDescSubTotal",
        "ecfPagamento",        "ecfPagCancPag",      "ecfPrazoCancPrazo",
        "ecfImpCheque",        "ecfImpChequeMarvik", "ecfChequeKolvex300",
        "ecfAutentica",        "ecfAbreGaveta",      "ecfAcertaData",
        "ecfCabLoja",          "ecfProgHeader30",    "ecfCargaTabAliq",
        "ecfCargaAliqSelect",  "ecfPrgCod",          "ecfCargaCodCripto",
        "ecfPayPatterns",      "ecfProgNFComprov"};
    return kNames;
}

bool isDriverFunction(const std::string& name) {
    static const std::set<std::string> kSet(driverFunctionNames().begin(),
                                            driverFunctionNames().end());
    return kSet.count(name) != 0;
}

}  // namespace fiscemu
