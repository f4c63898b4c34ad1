// A driver library with the interface of fiscport.h, loaded at run time from
// a file and resolved by the fifty names, so that another library (another
// model's, another release's) can answer the same calls as ours.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fiscport.h"

// The fifty functions of fiscport.h by name, in the header's order.
// clang-format off
#define FISCPORT_NAMES(X)                                                                         \
    X(ChangePort) X(ecfLineFeed) X(ecfStatusImp) X(ecfStatusCupom) X(ecfStatusAliquotas)          \
    X(ecfStatusPayTypes) X(ecfStatusDocsNFs) X(ecfStatusEquipo) X(ecfStatusUser)                  \
    X(ecfStatusTroco) X(ecfStatusVincs) X(ecfLeituraXSerial) X(ecfCGC_IE) X(ecfImpCab)            \
    X(ecfInicCupomNFiscal) X(ecfInicCNFVinculado) X(ecfFimTrans) X(ecfCancVenda) X(ecfCancDoc)    \
    X(ecfImpLinha) X(ecfLeituraX) X(ecfReducaoZ) X(ecfLXGerencial) X(ecfRZGerencial)              \
    X(ecfLeitMemFisc) X(ecfVenda_Item) X(ecfVendaItem78) X(ecfVendaItem) X(ecfDescItem)           \
    X(ecfCancItem) X(ecfCancItemDef) X(ecfSubTotal) X(ecfCancAcresDescSubTotal) X(ecfPagamento)   \
    X(ecfPagCancPag) X(ecfPrazoCancPrazo) X(ecfImpCheque) X(ecfImpChequeMarvik)                   \
    X(ecfChequeKolvex300) X(ecfAutentica) X(ecfAbreGaveta) X(ecfAcertaData) X(ecfCabLoja)         \
    X(ecfProgHeader30) X(ecfCargaTabAliq) X(ecfCargaAliqSelect) X(ecfPrgCod)                      \
    X(ecfCargaCodCripto) X(ecfPayPatterns) X(ecfProgNFComprov)
// clang-format on

class FiscportLibrary {
public:
    // Loads the library at `path` (a file name with a slash: the search path
    // is never asked); null and the loader's reason when it cannot be loaded.
    // A library that lacks some of the fifty functions loads: they are null
    // and named by missing().
    static std::unique_ptr<FiscportLibrary> open(const std::string& path, std::string* error);
    ~FiscportLibrary();
    FiscportLibrary(const FiscportLibrary&) = delete;
    FiscportLibrary& operator=(const FiscportLibrary&) = delete;

    const std::string& path() const { return path_; }
    const std::vector<std::string>& missing() const { return missing_; }

#define FISCPORT_LOADER_POINTER(name) decltype(&::name) name = nullptr;
    FISCPORT_NAMES(FISCPORT_LOADER_POINTER)
#undef FISCPORT_LOADER_POINTER

private:
    FiscportLibrary() = default;
    void* handle_ = nullptr;
    std::string path_;
    std::vector<std::string> missing_;
};
