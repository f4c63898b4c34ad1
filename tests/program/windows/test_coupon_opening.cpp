// Coupon opening from the main window: the refused states, the header only
// when idle or in the sales period, the one-time sale-window question and
// the unlinked non-fiscal coupon.
#include "meu_pr/meu_pr.h"
#include "support/app_fixture.h"

#include <QCheckBox>

namespace {

const QString kSaleQuestion = "A impressora realiza venda de produto formatada?";
const QString kVersionQuestion = "A impressora é versão 3.00 ?";

QByteArray statusWithState(const char* code) {
    return QByteArray("01") + code + "011";
}

}  // namespace

class CouponOpening : public AppFixture {
protected:
    void startInState(const char* code) {
        driver.setReply("ecfStatusImp", statusWithState(code));
        startApplication();
    }
};

struct RefusedState {
    const char* code;
    const char* message;
};

class RefusedStates : public CouponOpening, public ::testing::WithParamInterface<RefusedState> {};

TEST_P(RefusedStates, BothCommandsShowTheMessageAndDoNothingElse) {
    startInState(GetParam().code);
    for (const char* item : {"Cupomfiscal2", "Novinculado1"}) {
        dialogs.acknowledge();
        log.clear();
        trigger(item);
        EXPECT_EQ(log.events(), QStringList{"message: " + QString::fromUtf8(GetParam().message)})
            << item;
        EXPECT_EQ(activeForm(), form("frmMain"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    FourStates, RefusedStates,
    ::testing::Values(
        RefusedState{"113",
                     "A impressora está aguardando fechamento e não pode realizar vendas "
                     "neste estado."},
        RefusedState{"115",
                     "O fechamento do dia corrente já foi realizado. A impressora não "
                     "pode realizar vendas neste estado."},
        RefusedState{"123",
                     "A impressora está em pagamento. Neste estado, não é possível vender "
                     "novos itens."},
        RefusedState{"124",
                     "A impressora está em linhas comerciais. Neste estado, não é "
                     "possível vender novos itens."}),
    [](const auto& info) { return std::string("state") + info.param.code; });

TEST_F(CouponOpening, IdlePrinterGetsTheHeaderWithTheConfirmedOptions) {
    startInState("000");
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);  // the item sale window's own question
    log.clear();
    trigger("Cupomfiscal2");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpCab(0)", "confirmation: " + kSaleQuestion,
                                         "confirmation: " + kVersionQuestion}));
    EXPECT_EQ(SaleWindowKind, 2);
    EXPECT_TRUE(form("frmitem4")->isVisible());
}

TEST_F(CouponOpening, OptionsConfirmedWithBoxes1And5SendFlags33) {
    startInState("100");
    control<QCheckBox>("frmMain", "CheckBox1")->setChecked(true);
    click("frmMain", "Button1");
    dialogs.answer(DialogAnswer::No);
    driver.clearCalls();
    trigger("Cupomfiscal2");
    EXPECT_EQ(driver.calls().first(), "ecfImpCab(33)");
    EXPECT_EQ(SaleWindowKind, 1);
    EXPECT_TRUE(form("s_venda")->isVisible());
}

TEST_F(CouponOpening, OpenDocumentStatesGoStraightToTheSale) {
    for (const char* code : {"090", "065", "099", "122", "050"}) {
        startInState(code);
        dialogs.answer(DialogAnswer::Yes);
        dialogs.answer(DialogAnswer::No);
        log.clear();
        trigger("Cupomfiscal2");
        EXPECT_EQ(log.events(), (QStringList{"confirmation: " + kSaleQuestion,
                                             "confirmation: " + kVersionQuestion}))
            << code;
        EXPECT_TRUE(form("frmitem4")->isVisible()) << code;
        TearDown();
        SetUp();
    }
}

TEST_F(CouponOpening, RefusedHeaderIsReportedAndTheSaleWindowStillOpens) {
    startInState("000");
    driver.setResult("ecfImpCab", 15);
    dialogs.acknowledge();
    dialogs.answer(DialogAnswer::No);
    log.clear();
    trigger("Cupomfiscal2");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpCab(0)", "message: Retorno: 15",
                                         "confirmation: " + kSaleQuestion}));
    EXPECT_TRUE(form("s_venda")->isVisible());
}

TEST_F(CouponOpening, SaleWindowQuestionIsAskedOncePerRun) {
    startInState("090");
    dialogs.answer(DialogAnswer::No);
    trigger("Cupomfiscal2");
    form("s_venda")->Close();
    dialogs.clear();
    trigger("Cupomfiscal2");
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_TRUE(form("s_venda")->isVisible());
    EXPECT_FALSE(form("frmitem4")->isVisible());
}

TEST_F(CouponOpening, DismissedSaleQuestionShowsNoWindowAndAsksAgain) {
    startInState("090");
    dialogs.answer(DialogAnswer::Closed);
    trigger("Cupomfiscal2");
    EXPECT_EQ(SaleWindowKind, 0);
    EXPECT_FALSE(form("s_venda")->isVisible());
    EXPECT_FALSE(form("frmitem4")->isVisible());
    EXPECT_EQ(activeForm(), form("frmMain"));
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    trigger("Cupomfiscal2");
    EXPECT_EQ(SaleWindowKind, 2);
}

TEST_F(CouponOpening, StateIsTheOneLastReadNotRefreshed) {
    startInState("000");
    driver.setReply("ecfStatusImp", statusWithState("115"));
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    driver.clearCalls();
    trigger("Cupomfiscal2");
    EXPECT_EQ(driver.calls().first(), "ecfImpCab(0)");
}

TEST_F(CouponOpening, UnlinkedNonFiscalCouponPrintsTheHeaderThenOpens) {
    startInState("100");
    log.clear();
    trigger("Novinculado1");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpCab(0)", "ecfInicCupomNFiscal(1)"}));
    EXPECT_TRUE(form("vendcnf")->isVisible());
}

TEST_F(CouponOpening, UnlinkedNonFiscalCouponWithTheHeaderRefused) {
    startInState("000");
    driver.setResult("ecfImpCab", 9);
    dialogs.acknowledge();
    log.clear();
    trigger("Novinculado1");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpCab(0)", "message: Retorno: 9"}));
    EXPECT_TRUE(form("vendcnf")->isVisible());
}

TEST_F(CouponOpening, UnlinkedNonFiscalCouponRefusedOpening) {
    startInState("000");
    driver.setResult("ecfInicCupomNFiscal", 4);
    dialogs.acknowledge();
    log.clear();
    trigger("Novinculado1");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfImpCab(0)", "ecfInicCupomNFiscal(1)", "message: Retorno: 4"}));
    EXPECT_TRUE(form("vendcnf")->isVisible());
}

TEST_F(CouponOpening, UnlinkedNonFiscalCouponInAReportGoesStraightToTheSale) {
    startInState("122");
    driver.clearCalls();
    trigger("Novinculado1");
    EXPECT_TRUE(driver.calls().isEmpty());
    EXPECT_TRUE(form("vendcnf")->isVisible());
}
