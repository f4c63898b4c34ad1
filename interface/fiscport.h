/*
 * fiscport.h - C interface of the fiscal printer driver library.
 *
 * Fifty functions: ChangePort and forty-nine whose names begin with "ecf".
 * Integers are 32-bit signed, texts are zero-terminated 8-bit strings in the
 * Windows Latin code page (a few demonstration lines carry code page 850
 * bytes). The eleven status functions return a pointer to a text owned by
 * the library, valid until the next call; every other function returns a
 * result code, 0 for success.
 *
 * The library never keeps a caller's pointer. On 32-bit Windows the
 * functions use the standard call convention, as the original driver does;
 * elsewhere the platform's default.
 */
#ifndef FISCPORT_H
#define FISCPORT_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define FISCPORT_CALL __stdcall
#else
#define FISCPORT_CALL
#endif

#if defined(_WIN32)
#if defined(FISCPORT_BUILDING)
#define FISCPORT_API __declspec(dllexport)
#else
#define FISCPORT_API __declspec(dllimport)
#endif
#else
#define FISCPORT_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Port and line feed */
FISCPORT_API int32_t FISCPORT_CALL ChangePort(int32_t port);
FISCPORT_API int32_t FISCPORT_CALL ecfLineFeed(int32_t station, int32_t lines);

/* Status replies (the text belongs to the library) */
FISCPORT_API const char* FISCPORT_CALL ecfStatusImp(void);
FISCPORT_API const char* FISCPORT_CALL ecfStatusCupom(int32_t* kind);
FISCPORT_API const char* FISCPORT_CALL ecfStatusAliquotas(int32_t index);
FISCPORT_API const char* FISCPORT_CALL ecfStatusPayTypes(int32_t index);
FISCPORT_API const char* FISCPORT_CALL ecfStatusDocsNFs(int32_t index);
FISCPORT_API const char* FISCPORT_CALL ecfStatusEquipo(void);
FISCPORT_API const char* FISCPORT_CALL ecfStatusUser(int32_t user);
FISCPORT_API const char* FISCPORT_CALL ecfStatusTroco(void);
FISCPORT_API const char* FISCPORT_CALL ecfStatusVincs(int32_t index);
FISCPORT_API const char* FISCPORT_CALL ecfLeituraXSerial(void);
FISCPORT_API const char* FISCPORT_CALL ecfCGC_IE(void);

/* Documents */
FISCPORT_API int32_t FISCPORT_CALL ecfImpCab(int32_t flags);
FISCPORT_API int32_t FISCPORT_CALL ecfInicCupomNFiscal(int32_t kind);
FISCPORT_API int32_t FISCPORT_CALL ecfInicCNFVinculado(const char* coo, const char* position,
                                                       const char* value);
FISCPORT_API int32_t FISCPORT_CALL ecfFimTrans(const char* operatorName);
FISCPORT_API int32_t FISCPORT_CALL ecfCancVenda(const char* operatorName);
FISCPORT_API int32_t FISCPORT_CALL ecfCancDoc(const char* operatorName);
FISCPORT_API int32_t FISCPORT_CALL ecfImpLinha(const char* line);

/* Reports */
FISCPORT_API int32_t FISCPORT_CALL ecfLeituraX(const char* operatorName);
FISCPORT_API int32_t FISCPORT_CALL ecfReducaoZ(const char* operatorName);
FISCPORT_API int32_t FISCPORT_CALL ecfLXGerencial(const char* operatorName);
FISCPORT_API int32_t FISCPORT_CALL ecfRZGerencial(const char* operatorName);
FISCPORT_API int32_t FISCPORT_CALL ecfLeitMemFisc(int32_t mode, const char* from, const char* to,
                                                  int32_t firstZ, int32_t lastZ,
                                                  const char* fileName);

/* Items */
FISCPORT_API int32_t FISCPORT_CALL ecfVenda_Item(const char* code, const char* description,
                                                 const char* quantityInteger,
                                                 const char* quantityDecimal, const char* unitPrice,
                                                 int32_t taxIndex);
FISCPORT_API int32_t FISCPORT_CALL ecfVendaItem78(const char* itemLine, const char* itemTotal,
                                                  int32_t taxIndex);
FISCPORT_API int32_t FISCPORT_CALL ecfVendaItem(const char* description, const char* value,
                                                int32_t taxIndex);
FISCPORT_API int32_t FISCPORT_CALL ecfDescItem(int32_t operation, const char* description,
                                               const char* value);
FISCPORT_API int32_t FISCPORT_CALL ecfCancItem(const char* description);
FISCPORT_API int32_t FISCPORT_CALL ecfCancItemDef(const char* position, const char* description);

/* Subtotal and payments */
FISCPORT_API int32_t FISCPORT_CALL ecfSubTotal(void);
FISCPORT_API int32_t FISCPORT_CALL ecfCancAcresDescSubTotal(int32_t kind, int32_t cancel,
                                                            const char* description,
                                                            const char* amount);
FISCPORT_API int32_t FISCPORT_CALL ecfPagamento(int32_t cancel, const char* position,
                                                const char* amount, int32_t lines);
FISCPORT_API int32_t FISCPORT_CALL ecfPagCancPag(int32_t cancel, const char* paymentType,
                                                 const char* amount, int32_t omitCondition,
                                                 int32_t lines);
FISCPORT_API int32_t FISCPORT_CALL ecfPrazoCancPrazo(int32_t cancel, const char* paymentType,
                                                     const char* amount, int32_t omitCondition,
                                                     int32_t lines);

/* Cheques, authentication, drawer */
FISCPORT_API int32_t FISCPORT_CALL ecfImpCheque(int32_t bank, const char* value, const char* payee,
                                                const char* city, const char* date,
                                                const char* extra);
FISCPORT_API int32_t FISCPORT_CALL ecfImpChequeMarvik(int32_t bank, const char* value,
                                                      const char* payee, const char* city,
                                                      const char* date, const char* extra);
FISCPORT_API int32_t FISCPORT_CALL ecfChequeKolvex300(int32_t bank, const char* value,
                                                      const char* payee, const char* city,
                                                      const char* date, const char* extra,
                                                      const char* currencySingular,
                                                      const char* currencyPlural);
FISCPORT_API int32_t FISCPORT_CALL ecfAutentica(const char* text);
FISCPORT_API int32_t FISCPORT_CALL ecfAbreGaveta(void);

/* Programming */
FISCPORT_API int32_t FISCPORT_CALL ecfAcertaData(int32_t day, int32_t month, int32_t year,
                                                 int32_t hour, int32_t minute, int32_t second);
FISCPORT_API int32_t FISCPORT_CALL ecfCabLoja(const char* line1, const char* line2,
                                              const char* line3, int32_t store, int32_t equipment,
                                              const char* cgc, const char* ie);
FISCPORT_API int32_t FISCPORT_CALL ecfProgHeader30(const char* line1, const char* line2,
                                                   const char* line3, int32_t store,
                                                   int32_t equipment, const char* cgc,
                                                   const char* ie, const char* im);
FISCPORT_API int32_t FISCPORT_CALL ecfCargaTabAliq(int32_t position, const char* rate);
FISCPORT_API int32_t FISCPORT_CALL ecfCargaAliqSelect(const char* position, const char* taxType,
                                                      const char* rate);
FISCPORT_API int32_t FISCPORT_CALL ecfPrgCod(int32_t size);
FISCPORT_API int32_t FISCPORT_CALL ecfCargaCodCripto(const char* symbols);
FISCPORT_API int32_t FISCPORT_CALL ecfPayPatterns(const char* position, const char* description);
FISCPORT_API int32_t FISCPORT_CALL ecfProgNFComprov(const char* position, const char* description,
                                                    const char* allowsDiscount,
                                                    const char* allowsSurcharge,
                                                    const char* allowsCancellation,
                                                    const char* paymentRequired, const char* linked,
                                                    const char* relatedPaymentType);

#ifdef __cplusplus
}
#endif

#endif /* FISCPORT_H */
