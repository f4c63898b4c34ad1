// Text on its way to the emulated printer: typed in composed or decomposed
// form it is sent as the same Windows Latin bytes; a text the code page cannot
// hold, or bytes with a zero in them, never reach the printer.
#include "driver/codepage.h"
#include "e2e/e2e_fixture.h"

#include <QComboBox>
#include <QLineEdit>

class DriverText : public EndToEnd {
protected:
    void openItemSale() {
        dialogs.answer(DialogAnswer::Yes);  // the printer formats the item line
        dialogs.answer(DialogAnswer::Yes);  // version 3.00
        trigger("Cupomfiscal2");
        setText("frmitem4", "Edit5", "350");
        auto* taxes = control<QComboBox>("frmitem4", "ComboBox1");
        taxes->setCurrentIndex(1);
        emit taxes->activated(1);
    }
    // The roll's bytes as they were printed (the printer prints what it is
    // sent, so the program's Windows Latin letters are there as those bytes).
    QByteArray paper() const {
        QByteArray bytes;
        for (const fiscemu::PaperRow& row : paperRoll()) {
            bytes += QByteArray::fromStdString(row.bytes) + '\n';
        }
        return bytes;
    }
};

TEST_F(DriverText, ADecomposedDescriptionIsSentComposed) {
    startApplication();
    openItemSale();
    auto* description = control<QLineEdit>("frmitem4", "Edit4");
    description->clear();
    description->insert(QStringLiteral("Cafe\u0301 pa\u0303o"));
    ASSERT_EQ(description->text(), QStringLiteral("Café pão"));
    click("frmitem4", "BitBtn1");
    ASSERT_EQ(driver.callsOf("ecfVenda_Item").size(), 1);
    EXPECT_TRUE(paper().contains("001 12230.256 Caf\xE9 p\xE3o\n")) << paper().toStdString();
}

TEST_F(DriverText, ATextThePrinterCannotHoldIsNotSentAtAll) {
    startApplication();
    openItemSale();
    dialogs.clear();
    const QByteArray before = paper();
    // Only the program can put it there: the edit refuses it from the keyboard.
    setText("frmitem4", "Edit4", QStringLiteral("Café 😀 中文"));
    dialogs.acknowledge();
    click("frmitem4", "BitBtn1");
    EXPECT_TRUE(driver.callsOf("ecfVenda_Item").isEmpty());
    ASSERT_EQ(dialogs.boxes().size(), 1) << dialogs.texts().join(u'|').toStdString();
    EXPECT_TRUE(dialogs.boxes().first().text.startsWith(QStringLiteral("O texto \"Café 😀 中文\"")));
    EXPECT_EQ(paper(), before);
    EXPECT_FALSE(paper().contains('?'));
}

TEST_F(DriverText, BytesWithAZeroStopBeforeTheLibrary) {
    startApplication();
    const int rows = int(paperRoll().size());
    EXPECT_THROW(driver.ecfCancDoc(QByteArray("OPER\0ADOR", 9)), DriverTextError);
    EXPECT_EQ(int(paperRoll().size()), rows);
    // The same call without the zero reaches the printer (which refuses it:
    // there is no coupon to cancel) and returns its result.
    EXPECT_NO_THROW(driver.ecfCancDoc(QByteArrayLiteral("OPERADOR")));
}
