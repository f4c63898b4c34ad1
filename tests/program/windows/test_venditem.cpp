// The item sale window: its tax list chosen once by the printer generation,
// the six fields of the sale as typed, the fallback to index 0, the result
// and the closing.
#include "meu_pr/meu_pr.h"
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QComboBox>
#include <QLineEdit>
#include <ostream>

namespace {

const QString kSaleKindQuestion =
    QStringLiteral("A impressora realiza venda de produto formatada?");
const QString kVersionQuestion = QStringLiteral("A impressora é versão 3.00 ?");
const QString kNoTaxMessage =
    QStringLiteral("Nenhuma alíquota foi selecionada. Será usada taxa 0.");

// The defaults of the five fields, in the order the driver receives them.
const QString kDefaultFields =
    QStringLiteral("\"12230.256\", \"Campo para descricao\", \"001\", \"000\", \"100\"");

QStringList taxRates(int count) {
    QStringList rates;
    for (int i = 0; i < count; ++i) {
        rates.append(QStringLiteral("Alíquota %1").arg(i));
    }
    return rates;
}

const QStringList kVersion30List =
    taxRates(16) + QStringList{"Substituição tributária", "Isento", "Não incidente"};
const QStringList kEarlierList = taxRates(10) + QStringList{"Sangria (não fiscal)",
                                                            "Entrada de numerário (não fiscal)",
                                                            "Substituição tributária",
                                                            "Isento",
                                                            "Não incidente",
                                                            "Serviços",
                                                            "Recebimentos diversos (não fiscal)"};

}  // namespace

class ItemSaleWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }

    // Insert on the idle printer, the printer forming the item line itself,
    // answering the version question with `version`.
    void openThroughMenu(DialogAnswer version) {
        dialogs.answer(DialogAnswer::Yes);
        dialogs.answer(version);
        trigger("Cupomfiscal2");
        ASSERT_EQ(activeForm(), form("frmitem4"));
        log.clear();
        dialogs.clear();
    }

    QComboBox* taxList() const { return control<QComboBox>("frmitem4", "ComboBox1"); }
    QStringList taxEntries() const {
        QStringList entries;
        for (int i = 0; i < taxList()->count(); ++i) {
            entries.append(taxList()->itemText(i));
        }
        return entries;
    }
    void chooseTax(const QString& entry) {
        const int index = taxList()->findText(entry);
        ASSERT_GE(index, 0) << entry.toStdString();
        taxList()->setCurrentIndex(index);
    }
};

TEST_F(ItemSaleWindow, MenuAsksTheSaleKindThenTheVersionAtFirstActivation) {
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::No);
    trigger("Cupomfiscal2");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpCab(0)", "confirmation: " + kSaleKindQuestion,
                                         "confirmation: " + kVersionQuestion}));
    EXPECT_EQ(SaleWindowKind, SaleWindow::Item);
    EXPECT_TRUE(form("frmitem4")->isVisible());
    EXPECT_EQ(activeForm(), form("frmitem4"));
    EXPECT_EQ(dialogs.boxes().last().caption, QStringLiteral("Confirmação"));
}

struct GenerationRow {
    const char* name;
    DialogAnswer answer;
    const QStringList* entries;
    int isentoIndex;
    friend void PrintTo(const GenerationRow& row, std::ostream* out) { *out << row.name; }
};

class EachGeneration : public ItemSaleWindow,
                       public ::testing::WithParamInterface<GenerationRow> {};

TEST_P(EachGeneration, ListIsFilledOnceAndStartsWithNothingChosen) {
    const GenerationRow row = GetParam();
    openThroughMenu(row.answer);
    EXPECT_EQ(taxEntries(), *row.entries);
    EXPECT_EQ(taxList()->currentIndex(), -1);

    // Closed and shown again, and activated again by a return from the main
    // window: no second question, no second filling.
    click("frmitem4", "BitBtn2");
    trigger("Cupomfiscal2");
    static_cast<TForm*>(form("frmMain"))->Show();
    static_cast<TForm*>(form("frmitem4"))->Show();
    EXPECT_EQ(dialogs.texts().count(kVersionQuestion), 0);
    EXPECT_EQ(taxEntries(), *row.entries);
}

TEST_P(EachGeneration, IsentoSendsItsIndexInThatList) {
    const GenerationRow row = GetParam();
    openThroughMenu(row.answer);
    chooseTax("Isento");
    click("frmitem4", "BitBtn1");
    EXPECT_EQ(log.events(),
              (QStringList{
                  QStringLiteral("ecfVenda_Item(%1, %2)").arg(kDefaultFields).arg(row.isentoIndex),
                  "ecfStatusImp()"}));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, EachGeneration,
    ::testing::Values(GenerationRow{"Version30", DialogAnswer::Yes, &kVersion30List, 17},
                      GenerationRow{"Earlier", DialogAnswer::No, &kEarlierList, 13}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ItemSaleWindow, DismissedVersionQuestionLeavesTheListEmptyAndComesBack) {
    openThroughMenu(DialogAnswer::Closed);
    EXPECT_EQ(taxList()->count(), 0);
    click("frmitem4", "BitBtn2");

    dialogs.answer(DialogAnswer::Yes);
    trigger("Cupomfiscal2");
    EXPECT_EQ(dialogs.texts().count(kVersionQuestion), 1);
    EXPECT_EQ(taxEntries(), kVersion30List);
}

TEST_F(ItemSaleWindow, NoTaxChosenShowsTheMessageThenSellsWithIndexZero) {
    openThroughMenu(DialogAnswer::Yes);
    dialogs.acknowledge();
    click("frmitem4", "BitBtn1");
    EXPECT_EQ(log.events(), (QStringList{"message: " + kNoTaxMessage,
                                         QStringLiteral("ecfVenda_Item(%1, 0)").arg(kDefaultFields),
                                         "ecfStatusImp()"}));
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes().first().caption, QStringLiteral("WIN_ECF"));
    EXPECT_FALSE(form("frmitem4")->isVisible());
}

TEST_F(ItemSaleWindow, NoTaxChosenWithAnEmptyListStillSellsWithIndexZero) {
    openThroughMenu(DialogAnswer::Closed);
    dialogs.acknowledge();
    click("frmitem4", "BitBtn1");
    EXPECT_EQ(driver.callsOf("ecfVenda_Item"),
              QStringList{QStringLiteral("ecfVenda_Item(%1, 0)").arg(kDefaultFields)});
}

TEST_F(ItemSaleWindow, FieldsGoExactlyAsTypedAndStayForTheNextSale) {
    openThroughMenu(DialogAnswer::No);
    setText("frmitem4", "Edit3", " 789 ");
    setText("frmitem4", "Edit4", "Açúcar refinado  ");
    setText("frmitem4", "Edit1", "2");
    setText("frmitem4", "Edit2", "");
    setText("frmitem4", "Edit5", "1,99x");
    chooseTax("Alíquota 3");
    click("frmitem4", "BitBtn1");
    EXPECT_EQ(
        driver.callsOf("ecfVenda_Item"),
        QStringList{"ecfVenda_Item(\" 789 \", \"Açúcar refinado  \", \"2\", \"\", \"1,99x\", 3)"});

    trigger("Cupomfiscal2");
    EXPECT_EQ(control<QLineEdit>("frmitem4", "Edit4")->text(), "Açúcar refinado  ");
    EXPECT_EQ(taxList()->currentText(), "Alíquota 3");
}

TEST_F(ItemSaleWindow, RefusedSaleShowsTheResultAndClosesAnyway) {
    openThroughMenu(DialogAnswer::Yes);
    chooseTax("Alíquota 1");
    driver.setResult("ecfVenda_Item", -23);
    dialogs.acknowledge();
    click("frmitem4", "BitBtn1");
    EXPECT_EQ(log.events(), (QStringList{QStringLiteral("ecfVenda_Item(%1, 1)").arg(kDefaultFields),
                                         "message: Retorno da venda 1: -23", "ecfStatusImp()"}));
    EXPECT_FALSE(form("frmitem4")->isVisible());
    EXPECT_EQ(activeForm(), form("frmMain"));
}

TEST_F(ItemSaleWindow, EnterPressesOk) {
    openThroughMenu(DialogAnswer::Yes);
    chooseTax("Não incidente");
    pressEnter("frmitem4");
    EXPECT_EQ(driver.callsOf("ecfVenda_Item"),
              QStringList{QStringLiteral("ecfVenda_Item(%1, 18)").arg(kDefaultFields)});
    EXPECT_FALSE(form("frmitem4")->isVisible());
}

TEST_F(ItemSaleWindow, CancelaSendsNothing) {
    openThroughMenu(DialogAnswer::Yes);
    click("frmitem4", "BitBtn2");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form("frmitem4")->isVisible());
}

TEST_F(ItemSaleWindow, LayoutTabOrderBorderAndList) {
    TForm* window = form("frmitem4");
    EXPECT_EQ(window->windowTitle(), "Venda de item");
    EXPECT_EQ(window->border(), TForm::Border::SingleDialog);
    EXPECT_EQ(window->defaultButton(), control<QAbstractButton>("frmitem4", "BitBtn1"));
    EXPECT_FALSE(taxList()->isEditable());

    const QStringList order{"Edit3", "Edit5",     "Edit4",   "Edit1",
                            "Edit2", "ComboBox1", "BitBtn1", "BitBtn2"};
    QStringList chain;
    QWidget* widget = control("frmitem4", "Edit3");
    do {
        if (order.contains(widget->objectName()) && !chain.contains(widget->objectName())) {
            chain.append(widget->objectName());
        }
        widget = widget->nextInFocusChain();
    } while (widget && widget != control("frmitem4", "Edit3"));
    EXPECT_EQ(chain, order);
}
