// The fixed-position layouts of the driver's status replies, listed once:
// the bench's windows cut their fields by these positions, and ecfsim's
// replay compares replies field by field with them.
//
// Positions are 1-based characters of the reply, as the printer's manual
// counts them; names are the words an operator reads in a report.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// One field of a reply: its first position (1-based), its length and its name.
struct ReplyField {
    int position;
    int length;
    const char* name = "";
};

namespace PrinterStatusFields {
constexpr ReplyField Users{1, 2, "usuários"};
constexpr ReplyField StateCode{3, 3, "estado"};
constexpr ReplyField LowPaperSensor{6, 1, "pouco papel"};
constexpr ReplyField AuthenticationSensor{7, 1, "sensor de autenticação"};
constexpr ReplyField DrawerSensor{8, 1, "gaveta"};
constexpr std::array<ReplyField, 5> All = {Users, StateCode, LowPaperSensor, AuthenticationSensor,
                                           DrawerSensor};
}  // namespace PrinterStatusFields

namespace CouponStatusFields {
constexpr ReplyField PrinterNumber{1, 4, "número da impressora"};
constexpr ReplyField DocumentType{5, 1, "tipo de documento"};
constexpr ReplyField CouponNumber{6, 6, "COO"};
constexpr ReplyField Time{12, 6, "hora"};
constexpr ReplyField Date{18, 8, "data"};
constexpr ReplyField Subtotal{26, 21, "subtotal"};
constexpr ReplyField GrandTotal{47, 21, "grande total"};
constexpr std::array<ReplyField, 7> All = {PrinterNumber, DocumentType, CouponNumber, Time,
                                           Date,          Subtotal,     GrandTotal};
}  // namespace CouponStatusFields

// One tax-rate record (ecfStatusAliquotas).
namespace TaxRateFields {
constexpr ReplyField TaxType{2, 1, "tipo"};
constexpr ReplyField Rate{3, 5, "taxa"};
constexpr ReplyField Amount{8, 16, "montante"};
constexpr ReplyField Tax{24, 14, "imposto"};
constexpr std::array<ReplyField, 4> All = {TaxType, Rate, Amount, Tax};
}  // namespace TaxRateFields

// One payment-type record (ecfStatusPayTypes).
namespace PaymentTypeFields {
constexpr ReplyField Activated{2, 1, "ativado"};
constexpr ReplyField Linked{3, 1, "vinculado"};
constexpr ReplyField Title{4, 20, "título"};
constexpr ReplyField Total{25, 20, "total"};
constexpr std::array<ReplyField, 4> All = {Activated, Linked, Title, Total};
}  // namespace PaymentTypeFields

// One non-fiscal document record (ecfStatusDocsNFs).
namespace NonFiscalFields {
constexpr ReplyField Active{2, 1, "ativo"};
constexpr ReplyField Title{3, 20, "título"};
constexpr ReplyField DiscountAllowed{23, 1, "permite desconto"};
constexpr ReplyField SurchargeAllowed{24, 1, "permite acréscimo"};
constexpr ReplyField CancellationAllowed{25, 1, "permite cancelamento"};
constexpr ReplyField PaymentRequired{26, 1, "exige pagamento"};
constexpr ReplyField Linked{27, 1, "vinculado"};
constexpr ReplyField Link{28, 2, "vínculo"};
constexpr ReplyField Coupons{30, 6, "comprovantes"};
constexpr ReplyField CancelledCoupons{36, 6, "comprovantes cancelados"};
constexpr ReplyField Sales{42, 18, "vendas"};
constexpr ReplyField Surcharges{60, 18, "acréscimos"};
constexpr ReplyField Discounts{78, 18, "descontos"};
constexpr ReplyField Cancellations{96, 18, "cancelamentos"};
constexpr std::array<ReplyField, 14> All = {Active,
                                            Title,
                                            DiscountAllowed,
                                            SurchargeAllowed,
                                            CancellationAllowed,
                                            PaymentRequired,
                                            Linked,
                                            Link,
                                            Coupons,
                                            CancelledCoupons,
                                            Sales,
                                            Surcharges,
                                            Discounts,
                                            Cancellations};
}  // namespace NonFiscalFields

namespace EquipmentFields {
constexpr ReplyField Make{1, 10, "marca"};
constexpr ReplyField Model{11, 15, "modelo"};
constexpr ReplyField Version{26, 4, "versão"};
constexpr ReplyField SerialNumber{30, 9, "número de série"};
constexpr std::array<ReplyField, 4> All = {Make, Model, Version, SerialNumber};
}  // namespace EquipmentFields

namespace UserFields {
constexpr ReplyField Line1{1, 48, "linha 1"};
constexpr ReplyField Line2{49, 48, "linha 2"};
constexpr ReplyField Line3{97, 48, "linha 3"};
constexpr ReplyField Store{145, 4, "loja"};
constexpr ReplyField Equipment{149, 4, "equipamento"};
constexpr ReplyField Cgc{153, 18, "CGC"};
constexpr ReplyField Im{171, 15, "IM"};
constexpr ReplyField Ie{186, 16, "IE"};
constexpr ReplyField FirstDate{202, 8, "data do primeiro uso"};
constexpr ReplyField FirstTime{210, 6, "hora do primeiro uso"};
constexpr ReplyField LastDate{216, 8, "data do último uso"};
constexpr ReplyField LastTime{224, 6, "hora do último uso"};
constexpr ReplyField Restarts{230, 5, "reinícios"};
constexpr ReplyField GrandTotal{235, 22, "grande total"};
constexpr std::array<ReplyField, 14> All = {Line1,    Line2,    Line3,    Store,     Equipment,
                                            Cgc,      Im,       Ie,       FirstDate, FirstTime,
                                            LastDate, LastTime, Restarts, GrandTotal};
}  // namespace UserFields

namespace ChangeFields {
constexpr ReplyField Description{1, 21, "descrição"};
constexpr ReplyField Accumulated{22, 21, "acumulado"};
constexpr std::array<ReplyField, 2> All = {Description, Accumulated};
}  // namespace ChangeFields

// One linked-document record (ecfStatusVincs).
namespace LinkedFields {
constexpr ReplyField Pending{1, 1, "pendente"};
constexpr ReplyField Position{2, 2, "posição"};
constexpr ReplyField OperationValue{4, 20, "valor da operação"};
constexpr ReplyField TransactionValue{24, 20, "valor da transação"};
constexpr ReplyField CouponNumber{44, 6, "COO"};
constexpr ReplyField Issued{50, 2, "emitidos"};
constexpr ReplyField IssuedNumber{52, 6, "número emitido"};
constexpr std::array<ReplyField, 7> All = {Pending,      Position, OperationValue, TransactionValue,
                                           CouponNumber, Issued,   IssuedNumber};
}  // namespace LinkedFields

namespace CgcIeFields {
constexpr ReplyField Cgc{1, 18, "CGC"};
constexpr ReplyField Ie{19, 15, "IE"};
constexpr std::array<ReplyField, 2> All = {Cgc, Ie};
}  // namespace CgcIeFields

// The serial X reading: 55 fields back to back, ending at character 744.
// Counters and totalisers, then ten tax-rate rows of value, totaliser and
// tax debited, then the non-fiscal counters, totalisers and the two times.
namespace XReadingFields {
// One tax-rate row: value, totaliser and tax debited.
#define BANCADA_TAX_ROW(n, at)                                                     \
    {at, 5, "alíquota " n " valor"}, {at + 5, 18, "alíquota " n " totalizador"}, { \
        at + 23, 18, "alíquota " n " imposto"                                      \
    }
constexpr std::array<ReplyField, 55> All = {{
    {1, 4, "próxima redução"},
    {5, 8, "data da abertura"},
    {13, 4, "contador de reinício"},
    {17, 6, "NSQFI"},
    {23, 6, "NSQFF"},
    {29, 6, "CFCF"},
    {35, 21, "TFCF"},
    {56, 21, "TFDF"},
    {77, 21, "TFAF"},
    {98, 21, "TCF"},
    {119, 18, "TFF"},
    {137, 18, "TFI"},
    {155, 18, "TFN"},
    BANCADA_TAX_ROW("00", 173),
    BANCADA_TAX_ROW("01", 214),
    BANCADA_TAX_ROW("02", 255),
    BANCADA_TAX_ROW("03", 296),
    BANCADA_TAX_ROW("04", 337),
    BANCADA_TAX_ROW("05", 378),
    BANCADA_TAX_ROW("06", 419),
    BANCADA_TAX_ROW("07", 460),
    BANCADA_TAX_ROW("08", 501),
    BANCADA_TAX_ROW("09", 542),
    {583, 6, "NSQNFI"},
    {589, 6, "NSQNFF"},
    {595, 6, "CFCNF"},
    {601, 18, "TSA"},
    {619, 18, "TEN"},
    {637, 18, "TSE"},
    {655, 18, "TRE"},
    {673, 18, "TFCNF"},
    {691, 18, "TFDNF"},
    {709, 18, "TFANF"},
    {727, 9, "tempo de cupom"},
    {736, 9, "tempo total"},
}};
#undef BANCADA_TAX_ROW
constexpr int Length = 744;
}  // namespace XReadingFields

// The layout of a function's reply, by the function's name.
struct ReplyLayout {
    const ReplyField* fields = nullptr;
    std::size_t count = 0;
    explicit operator bool() const { return fields != nullptr; }
};

namespace reply_layouts_detail {
template <std::size_t N>
constexpr ReplyLayout of(const std::array<ReplyField, N>& fields) {
    return ReplyLayout{fields.data(), N};
}
}  // namespace reply_layouts_detail

// No layout (an empty one) for a function that answers a result code.
constexpr ReplyLayout replyLayout(std::string_view function) {
    using reply_layouts_detail::of;
    if (function == "ecfStatusImp")
        return of(PrinterStatusFields::All);
    if (function == "ecfStatusCupom")
        return of(CouponStatusFields::All);
    if (function == "ecfStatusAliquotas")
        return of(TaxRateFields::All);
    if (function == "ecfStatusPayTypes")
        return of(PaymentTypeFields::All);
    if (function == "ecfStatusDocsNFs")
        return of(NonFiscalFields::All);
    if (function == "ecfStatusEquipo")
        return of(EquipmentFields::All);
    if (function == "ecfStatusUser")
        return of(UserFields::All);
    if (function == "ecfStatusTroco")
        return of(ChangeFields::All);
    if (function == "ecfStatusVincs")
        return of(LinkedFields::All);
    if (function == "ecfLeituraXSerial")
        return of(XReadingFields::All);
    if (function == "ecfCGC_IE")
        return of(CgcIeFields::All);
    return {};
}
