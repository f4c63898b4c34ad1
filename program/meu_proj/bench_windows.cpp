#include "meu_proj/bench_windows.h"

#include "MStatusCup/MStatusCup.h"
#include "MStatusImp/MStatusImp.h"
#include "MXserial/MXserial.h"
#include "cancitem/cancitem.h"
#include "compronf/compronf.h"
#include "cupom_nf/cupom_nf.h"
#include "demos/demos.h"
#include "descitem/descitem.h"
#include "fprog/fprog.h"
#include "fprog30/fprog30.h"
#include "frcheque/frcheque.h"
#include "frpoprdor/frpoprdor.h"
#include "linescom/linescom.h"
#include "meu_pr/meu_pr.h"
#include "payment/payment.h"
#include "paytable/paytable.h"
#include "spr_item/spr_item.h"
#include "stataliq/stataliq.h"
#include "statpayf/statpayf.h"
#include "statsnfs/statsnfs.h"
#include "statuser/statuser.h"
#include "stequip/stequip.h"
#include "stroco/stroco.h"
#include "stvinc/stvinc.h"
#include "subtotal/subtotal.h"
#include "toolkit/app_environment.h"
#include "toolkit/form_registry.h"
#include "vendcnfs/vendcnfs.h"
#include "venditem/venditem.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>

namespace {

const int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The icon's pictures are decoded when one is first drawn, not at start-up:
// on the offscreen platform none ever is, and on a desktop the first window
// shown asks for them.
class PicturesOnDemand : public QIconEngine {
public:
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return pictures().pixmap(size, mode, state);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        pictures().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return pictures().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        QList<QSize> sizes;
        if (mode == QIcon::Normal && state == QIcon::Off) {
            for (int size : kIconSizes)
                sizes.append(QSize(size, size));
        }
        return sizes;
    }
    QIconEngine* clone() const override { return new PicturesOnDemand(*this); }
    QString key() const override { return QStringLiteral("bancada-ecf-icon"); }

private:
    QIcon& pictures() {
        if (pictures_.isNull()) {
            for (int size : kIconSizes)
                pictures_.addFile(QStringLiteral(":/icons/bancada-ecf-%1.png").arg(size),
                                  QSize(size, size));
        }
        return pictures_;
    }
    QIcon pictures_;
};

}  // namespace

QIcon applicationIcon() {
    return QIcon(new PicturesOnDemand);
}

void createApplicationForms() {
    setApplicationTitle(QStringLiteral("WIN_ECF"));
    // Windows and boxes without an icon of their own take the application's.
    QApplication::setWindowIcon(applicationIcon());
    FormRegistry& registry = FormRegistry::instance();
    // The main form is visible from its creation, so its first activation
    // (the port question and the first status query) runs here, before any
    // other window exists.
    frmMain = registry.create<TfrmMain>();
    FormStatusCup = registry.create<TFormStatusCup>();
    frmopera = registry.create<Tfrmopera>();
    FormStatusImp = registry.create<TFormStatusImp>();
    xserial = registry.create<Txserial>();
    fdemos = registry.create<Tfdemos>();
    frmprog = registry.create<Tfrmprog>();
    frmitem4 = registry.create<Tfrmitem4>();
    s_venda = registry.create<Ts_venda>();
    frmtopay = registry.create<Tfrmtopay>();
    frmadsub = registry.create<Tfrmadsub>();
    linecom = registry.create<Tlinecom>();
    frmcheck = registry.create<Tfrmcheck>();
    tablepay = registry.create<Ttablepay>();
    progcnf = registry.create<Tprogcnf>();
    cupomnf = registry.create<Tcupomnf>();
    cancitm = registry.create<Tcancitm>();
    descitm = registry.create<Tdescitm>();
    frmprog30 = registry.create<Tfrmprog30>();
    Form1 = registry.create<TForm1>();
    statpay = registry.create<Tstatpay>();
    statnfs = registry.create<Tstatnfs>();
    stequipo = registry.create<Tstequipo>();
    statusr = registry.create<Tstatusr>();
    vendcnf = registry.create<Tvendcnf>();
    troco = registry.create<Ttroco>();
    stvincs = registry.create<Tstvincs>();
}

void destroyApplicationForms() {
    // Each form object is a QPointer: it reads null once its form is gone.
    FormRegistry::instance().destroyAll();
    resetSharedValues();
}
