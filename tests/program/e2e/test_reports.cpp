// The day's reports through the operator window, on the emulated printer.
#include "e2e/e2e_fixture.h"
#include "meu_pr/meu_pr.h"

class Reports : public EndToEnd {};

TEST_F(Reports, XReadingThenZReductionThenTheDayIsClosedForSales) {
    startApplication();
    EXPECT_EQ(PrinterStateCode, 0);

    trigger("LeituraX1");
    click("frmopera", "Button1");
    EXPECT_EQ(driver.callsOf("ecfLeituraX"), QStringList{"ecfLeituraX(\"OPERADOR\")"});
    EXPECT_TRUE(dialogs.boxes().isEmpty());

    trigger("ReduoZ1");
    click("frmopera", "Button1");
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    // Back in the main window, whose activation read the closed day.
    EXPECT_EQ(PrinterStateCode, 115);
    EXPECT_EQ(printerState(), 115);

    dialogs.acknowledge();
    driver.clearCalls();
    trigger("Cupomfiscal2");
    EXPECT_EQ(dialogs.texts(), QStringList{"O fechamento do dia corrente já foi realizado. A "
                                           "impressora não pode realizar vendas neste estado."});
    EXPECT_TRUE(driver.calls().isEmpty());

    const QString paper = paperText().join('\n');
    EXPECT_TRUE(paper.contains("LEITURA X")) << paper.toStdString();
    EXPECT_TRUE(paper.contains("REDU")) << paper.toStdString();
}
