// The driver library's fifty functions, listed once.
//
// Each entry names the function, its parameters as the program passes them
// (texts already in the printer's 8-bit code page) and the argument names.
// RESULT entries return a 32-bit result code, REPLY entries a status text.
// The FiscalDriver interface, the production driver and the recording test
// driver are all generated from this one list, so they cannot drift apart.
#pragma once

#include <QByteArray>
#include <cstdint>

// clang-format off
#define FISCPORT_FUNCTIONS(RESULT, REPLY)                                                          \
    RESULT(ChangePort, (int32_t port), (port))                                                     \
    RESULT(ecfLineFeed, (int32_t station, int32_t lines), (station, lines))                        \
    REPLY(ecfStatusImp, (), ())                                                                    \
    REPLY(ecfStatusCupom, (int32_t* kind), (kind))                                                 \
    REPLY(ecfStatusAliquotas, (int32_t index), (index))                                            \
    REPLY(ecfStatusPayTypes, (int32_t index), (index))                                             \
    REPLY(ecfStatusDocsNFs, (int32_t index), (index))                                              \
    REPLY(ecfStatusEquipo, (), ())                                                                 \
    REPLY(ecfStatusUser, (int32_t user), (user))                                                   \
    REPLY(ecfStatusTroco, (), ())                                                                  \
    REPLY(ecfStatusVincs, (int32_t index), (index))                                                \
    REPLY(ecfLeituraXSerial, (), ())                                                               \
    REPLY(ecfCGC_IE, (), ())                                                                       \
    RESULT(ecfImpCab, (int32_t flags), (flags))                                                    \
    RESULT(ecfInicCupomNFiscal, (int32_t kind), (kind))                                            \
    RESULT(ecfInicCNFVinculado, (const QByteArray& coo, const QByteArray& position,               \
                                 const QByteArray& value), (coo, position, value))                 \
    RESULT(ecfFimTrans, (const QByteArray& operatorName), (operatorName))                          \
    RESULT(ecfCancVenda, (const QByteArray& operatorName), (operatorName))                         \
    RESULT(ecfCancDoc, (const QByteArray& operatorName), (operatorName))                           \
    RESULT(ecfImpLinha, (const QByteArray& line), (line))                                          \
    RESULT(ecfLeituraX, (const QByteArray& operatorName), (operatorName))                          \
    RESULT(ecfReducaoZ, (const QByteArray& operatorName), (operatorName))                          \
    RESULT(ecfLXGerencial, (const QByteArray& operatorName), (operatorName))                       \
    RESULT(ecfRZGerencial, (const QByteArray& operatorName), (operatorName))                       \
    RESULT(ecfLeitMemFisc, (int32_t mode, const QByteArray& from, const QByteArray& to,           \
                            int32_t firstZ, int32_t lastZ, const QByteArray& fileName),            \
           (mode, from, to, firstZ, lastZ, fileName))                                              \
    RESULT(ecfVenda_Item, (const QByteArray& code, const QByteArray& description,                 \
                           const QByteArray& quantityInteger, const QByteArray& quantityDecimal,   \
                           const QByteArray& unitPrice, int32_t taxIndex),                         \
           (code, description, quantityInteger, quantityDecimal, unitPrice, taxIndex))             \
    RESULT(ecfVendaItem78, (const QByteArray& itemLine, const QByteArray& itemTotal,              \
                            int32_t taxIndex), (itemLine, itemTotal, taxIndex))                    \
    RESULT(ecfVendaItem, (const QByteArray& description, const QByteArray& value,                 \
                          int32_t taxIndex), (description, value, taxIndex))                       \
    RESULT(ecfDescItem, (int32_t operation, const QByteArray& description,                        \
                         const QByteArray& value), (operation, description, value))                \
    RESULT(ecfCancItem, (const QByteArray& description), (description))                           \
    RESULT(ecfCancItemDef, (const QByteArray& position, const QByteArray& description),           \
           (position, description))                                                                \
    RESULT(ecfSubTotal, (), ())                                                                    \
    RESULT(ecfCancAcresDescSubTotal, (int32_t kind, int32_t cancel,                                \
                                      const QByteArray& description, const QByteArray& amount),    \
           (kind, cancel, description, amount))                                                    \
    RESULT(ecfPagamento, (int32_t cancel, const QByteArray& position, const QByteArray& amount,   \
                          int32_t lines), (cancel, position, amount, lines))                       \
    RESULT(ecfPagCancPag, (int32_t cancel, const QByteArray& paymentType,                         \
                           const QByteArray& amount, int32_t omitCondition, int32_t lines),        \
           (cancel, paymentType, amount, omitCondition, lines))                                    \
    RESULT(ecfPrazoCancPrazo, (int32_t cancel, const QByteArray& paymentType,                     \
                               const QByteArray& amount, int32_t omitCondition, int32_t lines),    \
           (cancel, paymentType, amount, omitCondition, lines))                                    \
    RESULT(ecfImpCheque, (int32_t bank, const QByteArray& value, const QByteArray& payee,         \
                          const QByteArray& city, const QByteArray& date,                          \
                          const QByteArray& extra), (bank, value, payee, city, date, extra))       \
    RESULT(ecfImpChequeMarvik, (int32_t bank, const QByteArray& value, const QByteArray& payee,   \
                                const QByteArray& city, const QByteArray& date,                    \
                                const QByteArray& extra),                                          \
           (bank, value, payee, city, date, extra))                                                \
    RESULT(ecfChequeKolvex300, (int32_t bank, const QByteArray& value, const QByteArray& payee,   \
                                const QByteArray& city, const QByteArray& date,                    \
                                const QByteArray& extra, const QByteArray& currencySingular,       \
                                const QByteArray& currencyPlural),                                 \
           (bank, value, payee, city, date, extra, currencySingular, currencyPlural))              \
    RESULT(ecfAutentica, (const QByteArray& text), (text))                                         \
    RESULT(ecfAbreGaveta, (), ())                                                                  \
    RESULT(ecfAcertaData, (int32_t day, int32_t month, int32_t year, int32_t hour,                \
                           int32_t minute, int32_t second),                                        \
           (day, month, year, hour, minute, second))                                               \
    RESULT(ecfCabLoja, (const QByteArray& line1, const QByteArray& line2,                         \
                        const QByteArray& line3, int32_t store, int32_t equipment,                 \
                        const QByteArray& cgc, const QByteArray& ie),                              \
           (line1, line2, line3, store, equipment, cgc, ie))                                       \
    RESULT(ecfProgHeader30, (const QByteArray& line1, const QByteArray& line2,                    \
                             const QByteArray& line3, int32_t store, int32_t equipment,            \
                             const QByteArray& cgc, const QByteArray& ie, const QByteArray& im),   \
           (line1, line2, line3, store, equipment, cgc, ie, im))                                   \
    RESULT(ecfCargaTabAliq, (int32_t position, const QByteArray& rate), (position, rate))         \
    RESULT(ecfCargaAliqSelect, (const QByteArray& position, const QByteArray& taxType,            \
                                const QByteArray& rate), (position, taxType, rate))                \
    RESULT(ecfPrgCod, (int32_t size), (size))                                                      \
    RESULT(ecfCargaCodCripto, (const QByteArray& symbols), (symbols))                              \
    RESULT(ecfPayPatterns, (const QByteArray& position, const QByteArray& description),           \
           (position, description))                                                                \
    RESULT(ecfProgNFComprov, (const QByteArray& position, const QByteArray& description,          \
                              const QByteArray& allowsDiscount, const QByteArray& allowsSurcharge, \
                              const QByteArray& allowsCancellation,                                \
                              const QByteArray& paymentRequired, const QByteArray& linked,         \
                              const QByteArray& relatedPaymentType),                               \
           (position, description, allowsDiscount, allowsSurcharge, allowsCancellation,            \
            paymentRequired, linked, relatedPaymentType))
// clang-format on
