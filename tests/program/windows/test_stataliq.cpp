// The tax-rate status window: its legend, and one line per tax-rate record
// with every field as the printer sent it.
#include "support/app_fixture.h"
#include "toolkit/tform.h"
#include "toolkit/trichedit.h"
#include "toolkit/ttimer.h"

namespace {

const QString kForm = QStringLiteral("Form1");
const QString kMenuItem = QStringLiteral("Statusdasalquotas3001");

QString blanks(int count) {
    return QString(count, QLatin1Char(' '));
}

// Programmed, ICMS, 17,00 %, 1.234,56 accumulated and 209,88 of tax.
const QByteArray kIcms17 =
    QByteArray("1T17,00") + QByteArray(8, ' ') + "1.234,56" + QByteArray(8, ' ') + "209,88";

const QString kLegend = QStringLiteral(" Legenda para o Tipo:  (T = ICMS ou S = ISSQN)  ");

}  // namespace

class TaxRateStatus : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }
    TTimer* timer() const { return control<TTimer>(kForm, "Timer1"); }
    QStringList lines() const { return control<TRichEdit>(kForm, "RichEdit1")->lines(); }
};

TEST_F(TaxRateStatus, LegendThenOneLinePerRecord) {
    driver.queueReplies("ecfStatusAliquotas", {kIcms17, "0S02,50" + QByteArray(30, '0')});
    trigger(kMenuItem);
    timer()->fire();
    EXPECT_EQ(kLegend.size(), 48);
    EXPECT_EQ(lines(),
              (QStringList{
                  kLegend,
                  blanks(19),
                  "0) Tipo: T    Taxa: 17,00%  Montante: " + blanks(8) +
                      "1.234,56  Imposto: " + blanks(8) + "209,88",
                  "1) Tipo: S    Taxa: 02,50%  Montante: 0000000000000000  Imposto: 00000000000000",
              }));
}

TEST_F(TaxRateStatus, RecordNumbersAboveNineAndCharactersAfterTheTaxAreNotRead) {
    driver.setReply("ecfStatusAliquotas", kIcms17 + "XYZ 99");
    trigger(kMenuItem);
    for (int i = 0; i < 15; ++i) {
        timer()->fire();
    }
    const QStringList panel = lines();
    ASSERT_EQ(panel.size(), 2 + 16);
    EXPECT_EQ(panel.last(), "15) Tipo: T    Taxa: 17,00%  Montante: " + blanks(8) +
                                "1.234,56  Imposto: " + blanks(8) + "209,88");
    EXPECT_EQ(panel[12], "10) Tipo: T    Taxa: 17,00%  Montante: " + blanks(8) +
                             "1.234,56  Imposto: " + blanks(8) + "209,88");
}

struct ShortRecord {
    const char* name;
    QByteArray reply;
    QString line;

    friend void PrintTo(const ShortRecord& record, std::ostream* out) { *out << record.name; }
};

class TaxRateShortRecord : public TaxRateStatus,
                           public ::testing::WithParamInterface<ShortRecord> {};

TEST_P(TaxRateShortRecord, MissingFieldsComeOutShortOrEmpty) {
    driver.setReply("ecfStatusAliquotas", GetParam().reply);
    trigger(kMenuItem);
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_EQ(lines(), (QStringList{kLegend, blanks(19), GetParam().line}));
}

INSTANTIATE_TEST_SUITE_P(
    Records, TaxRateShortRecord,
    ::testing::Values(
        ShortRecord{"RateCut", "1S05", "0) Tipo: S    Taxa: 05%  Montante:   Imposto: "},
        ShortRecord{"TaxCut", kIcms17.left(30),
                    "0) Tipo: T    Taxa: 17,00%  Montante: " + blanks(8) +
                        "1.234,56  Imposto: " + blanks(7)},
        ShortRecord{"OnlyTheFirst", "1", "0) Tipo:     Taxa: %  Montante:   Imposto: "},
        ShortRecord{"Null", QByteArray(), "0) Tipo:     Taxa: %  Montante:   Imposto: "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TaxRateStatus, FailureLineTakesTheRecordsPlaceAndTheListingGoesOn) {
    driver.setReply("ecfStatusAliquotas", kIcms17);
    trigger(kMenuItem);
    driver.queueReplies("ecfStatusAliquotas", {"Erro: 002 Valor fora da faixa"});
    dialogs.acknowledge();
    timer()->fire();
    timer()->fire();
    const QStringList panel = lines();
    ASSERT_EQ(panel.size(), 5);
    EXPECT_EQ(panel[3], QString::fromUtf8("Ocorreu o erro de número 002"));
    EXPECT_TRUE(panel[4].startsWith("2) Tipo: T"));
}

TEST_F(TaxRateStatus, EnterPressesOkWhichOnlyHidesTheWindow) {
    driver.setReply("ecfStatusAliquotas", kIcms17);
    trigger(kMenuItem);
    log.clear();
    pressEnter(kForm);
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_TRUE(timer()->isEnabled());
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
}
