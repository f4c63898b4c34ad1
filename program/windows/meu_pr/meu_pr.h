// The main window and the values that pass between windows.
#pragma once

#include "toolkit/dialogs.h"
#include "toolkit/tform.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>

namespace Ui {
class TfrmMain;
}

// Values shared between windows. They start at zero or empty when the
// process starts and are never saved.
extern int32_t OperationCode;       // the operation the operator window performs
extern int32_t HeaderFlags;         // header option bits for ecfImpCab
extern int32_t PrinterStateCode;    // the state last read by the main window
extern QString PrinterStateText;    // its three characters
extern QByteArray LastStatusReply;  // the last printer status reply, as copied
extern int32_t SaleWindowKind;      // 0 not asked, 1 formatted sale, 2 item sale
extern int32_t PortChoiceMarker;    // PortChosen once the port question is answered
extern QString PanelStatusLine;     // third line of the information panel

// The value of PortChoiceMarker once the operator has chosen a port.
constexpr int32_t PortChosen = 314;

// Which item-sale window a coupon opening shows.
namespace SaleWindow {
constexpr int32_t Formatted = 1;  // s_venda
constexpr int32_t Item = 2;       // frmitem4
}  // namespace SaleWindow

// Back to the values of a new process (tests start each case afresh).
void resetSharedValues();

class TfrmMain : public TForm {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    void FormCreate() override;
    void FormActivate() override;

    // The six version-3.00 commands, disabled for the whole run when the
    // printer is not a model 3.0.
    void DisableVersion30Commands();

    // Header-style options.
    void Button1Click();
    void Button2Click();
    void Estilodocabealho1Click();
    void DrawHeaderPreview();

    // Coupon opening.
    void Cupomfiscal2Click();
    void Novinculado1Click();

    // Peripherals: line feed, cash drawer, authentication line.
    void Avanodelinha1Click();
    void Aberturadagaveta1Click();
    void Autenticao1Click();
    void Button3Click();

    // Fiscal memory reading into "tavrel.txt".
    void LeituradaMEF1Click();

    // Appearance colours, through the one colour dialog.
    void Fundodoaplicativo1Click();
    void Fundodatela1Click();
    void Letrasdopainel1Click();

private:
    // The three lines of the information panel that depend on who refreshes it.
    enum class PanelLines { Activation, Help };

    void ChoosePort();
    void UsePort(int32_t port, const QString& portLine);
    void RefreshInfoPanel(PanelLines lines);
    void ShowOperatorWindow(int32_t operationCode);
    bool RefuseSaleInCurrentState();
    bool PrintHeaderWhenIdle();
    void SetHeaderOptionsVisible(bool visible);
    void ConnectMenu();
    void NameSeparators();

    std::unique_ptr<Ui::TfrmMain> ui_;
    // Shared by the three colour commands; it keeps the colour last chosen
    // in it and starts at black.
    ColorDialogBox ColorDialog1{Qt::black};
};

extern QPointer<TfrmMain> frmMain;
