#include "sending/frmSihirbaz.h"

#include "platform/forms/controls.h"
#include "platform/vb/error.h"
#include "sending/frmSMS.h"
#include "sending/frmSMS_1.h"
#include "state/mdlGenel.h"

namespace {
constexpr int kWidth = 6720;
constexpr int kHeight = 3555;
} // namespace

frmSihirbaz::frmSihirbaz() : forms::Form(QStringLiteral("frmSihirbaz")) {
    setCaption(QStringLiteral("Quillmere - İşlem sihirbazı"));
    // Its size is held: maximised, it would leave its controls in a corner.
    setBorderStyle(forms::vbSizable, /*minButton=*/true, /*maxButton=*/false);
    forms::SetFont(this, QStringLiteral("Tahoma"), 8.25);

    Frame1 = new forms::Frame(this, QStringLiteral("Frame1"));
    Frame1->setAutoFillBackground(true);
    QPalette banner = Frame1->palette();
    banner.setColor(QPalette::Window, QColor(255, 128, 0));
    banner.setColor(QPalette::WindowText, Qt::white);
    Frame1->setPalette(banner);
    Frame1->setStyleSheet(QStringLiteral("QGroupBox#Frame1 { background: rgb(255,128,0); border: none; margin: 0; }"
                                         "QLabel { color: white; background: transparent; }"));
    forms::Place(Frame1, 0, 0, 6600, 900);
    Label1 = new forms::Label(Frame1, QStringLiteral("Label1"),
                              QStringLiteral("Excel Eklentisi işlem sihirbazına hoş geldiniz."));
    forms::SetFont(Label1, QStringLiteral("Tahoma"), 9.75, true);
    forms::Place(Label1, 240, 120, 6200, 300);
    Label2 = new forms::Label(Frame1, QStringLiteral("Label2"),
                              QStringLiteral("Bu sihirbaz, Excel dosyası üzerinden SMS göndermenizde size yardımcı olacaktır."));
    // The banner's style sheet keeps its labels from inheriting the window's
    // font: each is given its own.
    forms::SetFont(Label2, QStringLiteral("Tahoma"), 8.25);
    forms::Place(Label2, 240, 480, 6200, 300);

    Frame2 = new forms::Frame(this, QStringLiteral("Frame2"), QStringLiteral("İşlem seçiniz"));
    forms::Place(Frame2, 120, 1020, 6360, 1380);
    optGSM = new forms::OptionButton(Frame2, QStringLiteral("optGSM"),
                                     QStringLiteral("Görüntülenen sayfa üzerinde seçtiğim GsmNo alanlarına mesaj gönder."));
    forms::Place(optGSM, 240, 360, 6000, 300);
    optTumu = new forms::OptionButton(Frame2, QStringLiteral("optTumu"),
                                      QStringLiteral("Sayfalarda bulunan alanları kullanarak mesaj gönder."));
    forms::Place(optTumu, 240, 840, 6000, 300);
    optGSM->setValue(true);

    cmdIleri = new forms::CommandButton(this, QStringLiteral("cmdIleri"), QStringLiteral("İleri >>"));
    forms::Place(cmdIleri, 3840, 2580, 1215, 375);
    cmdVazgec = new forms::CommandButton(this, QStringLiteral("cmdVazgec"), QStringLiteral("Vazgeç"));
    forms::Place(cmdVazgec, 5160, 2580, 1215, 375);
    cmdIleri->Click = [this] { cmdIleri_Click(); };
    cmdVazgec->Click = [this] { cmdVazgec_Click(); };

    resize(forms::ToPixels(kWidth), forms::ToPixels(kHeight));
}

void frmSihirbaz::Form_Activate() {
    try {
        forms::SetFocus(optGSM);
    } catch (...) {
        vb::LogSwallowed();
        // Nothing to do when the page cannot take the focus.
    }
}

void frmSihirbaz::Form_Resize() {
    forms::HoldSize(*this, kWidth, kHeight);
    // The banner runs to the window's right edge, however much of the
    // outer size the window manager's frame leaves to it.
    Frame1->setGeometry(0, 0, width(), Frame1->height());
}

void frmSihirbaz::cmdIleri_Click() {
    if (optTumu->Value()) {
        forms::Get<frmSMS>().OwnerForm = this;
        forms::Get<frmSMS>().Show();
    } else if (optGSM->Value()) {
        forms::Get<frmSMS_1>().CallerForm = this;
        mdlGenel::ListLoaded = false;
        forms::Get<frmSMS_1>().Show();
    }
}

void frmSihirbaz::cmdVazgec_Click() { forms::Unload(*this); }
