#include "ui/common/frmGiris.h"

#include "data/database.h"
#include "gateway/Gateway.h"
#include "platform/forms/controls.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/vb/timer.h"
#include "state/mdlGenel.h"
#include "ui/common/formtop.h"
#include "ui/common/pictures.h"

namespace {
constexpr int kWidth = 4755;
constexpr int kHeight = 2670;
const QString kTitle = QStringLiteral("Quillmere Kullanıcı girişi");

// Empty, or a single blank: what the window counts as not filled in.
bool blank(const QString& s) { return s.isEmpty() || s == u" "; }
} // namespace

frmGiris::frmGiris() : forms::Form(QStringLiteral("frmGiris")) {
    setCaption(QStringLiteral("Quillmere - Kullanıcı girişi"));
    forms::SetFont(this, QStringLiteral("Tahoma"), 8.25);
    // A dialog of its own size: only the close button.
    setBorderStyle(forms::vbSizable, /*minButton=*/false, /*maxButton=*/false);

    Frame1 = new forms::Frame(this, QStringLiteral("Frame1"));
    forms::Place(Frame1, 0, 0, 4755, 2670);
    Frame2 = new forms::Frame(Frame1, QStringLiteral("Frame2"));
    forms::Place(Frame2, 120, 120, 720, 780);
    imgInfo = new forms::Picture(Frame2, QStringLiteral("imgInfo"));
    imgInfo->setPixmap(pictures::Information(32));
    forms::Place(imgInfo, 60, 120, 600, 540);
    imgHour = new forms::Picture(Frame2, QStringLiteral("imgHour"));
    imgHour->setPixmap(pictures::Hourglass(32));
    forms::Place(imgHour, 60, 120, 600, 540);

    lblUserName = new forms::Label(Frame1, QStringLiteral("lblUserName"), QStringLiteral("Kullanıcı adı:"));
    forms::Place(lblUserName, 960, 180, 1200, 255);
    txtUserName = new forms::TextBox(Frame1, QStringLiteral("txtUserName"));
    forms::Place(txtUserName, 2220, 150, 2340, 315);
    lblPassWord = new forms::Label(Frame1, QStringLiteral("lblPassWord"), QStringLiteral("Parola:"));
    forms::Place(lblPassWord, 960, 570, 1200, 255);
    txtPassWord = new forms::TextBox(Frame1, QStringLiteral("txtPassWord"));
    txtPassWord->setPasswordChar(u'*');
    forms::Place(txtPassWord, 2220, 540, 2340, 315);
    lblClientKodu = new forms::Label(Frame1, QStringLiteral("lblClientKodu"), QStringLiteral("Client kodu:"));
    forms::Place(lblClientKodu, 960, 960, 1200, 255);
    txtClientKodu = new forms::TextBox(Frame1, QStringLiteral("txtClientKodu"));
    forms::Place(txtClientKodu, 2220, 930, 2340, 315);
    chkKaydet = new forms::CheckBox(Frame1, QStringLiteral("chkKaydet"), QStringLiteral("Kullanıcı bilgilerimi kaydet"));
    forms::Place(chkKaydet, 960, 1380, 3600, 255);
    btnOturumAc = new forms::CommandButton(Frame1, QStringLiteral("btnOturumAc"), QStringLiteral("Oturum Aç"));
    forms::Place(btnOturumAc, 2040, 1800, 1200, 375);
    btnVazgec = new forms::CommandButton(Frame1, QStringLiteral("btnVazgec"), QStringLiteral("Vazgeç"));
    forms::Place(btnVazgec, 3360, 1800, 1200, 375);
    btnOturumAc->setDefaultButton(true);
    btnVazgec->setCancelButton(true);

    setTabOrder(txtUserName, txtPassWord);
    setTabOrder(txtPassWord, txtClientKodu);
    setTabOrder(txtClientKodu, btnOturumAc);
    setTabOrder(btnOturumAc, btnVazgec);
    setTabOrder(btnVazgec, chkKaydet);

    btnOturumAc->Click = [this] { btnOturumAc_Click(); };
    btnVazgec->Click = [this] { btnVazgec_Click(); };

    resize(forms::ToPixels(kWidth), forms::ToPixels(kHeight));
}

void frmGiris::Form_Load() {
    mdlGenel::SetFormOnTop(*this);
    imgInfo->setVisible(true);
    imgHour->setVisible(false);
    if (mdlGenel::GatewayType == u"Quillmere") {
        lblClientKodu->setVisible(true);
        txtClientKodu->setVisible(true);
        txtClientKodu->setEnabled(true);
    } else if (mdlGenel::GatewayType == u"Palvori") {
        lblClientKodu->setVisible(false);
        txtClientKodu->setVisible(false);
        txtClientKodu->setEnabled(false);
    }
}

void frmGiris::Form_Activate() {
    try {
        forms::SetFocus(txtUserName);
    } catch (...) {
        vb::LogSwallowed();
        // The window may not be able to take the focus yet.
    }
}

void frmGiris::Form_Resize() { forms::HoldSize(*this, kWidth, kHeight); }

void frmGiris::showWaiting(bool waiting) {
    imgInfo->setVisible(!waiting);
    imgHour->setVisible(waiting);
    btnOturumAc->setEnabled(!waiting);
    btnVazgec->setEnabled(!waiting);
}

void frmGiris::btnVazgec_Click() { forms::Unload(*this); }

void frmGiris::OpenTarget() {
    Hide();
    if (TargetForm)
        TargetForm.Show();
    forms::Unload(*this);
}

void frmGiris::btnOturumAc_Click() {
    try {
        const QString user = txtUserName->Text();
        const QString password = txtPassWord->Text();
        if (blank(user) || blank(password)) {
            vb::MsgBox(QStringLiteral("Eksik bilgi girişi yaptınız.Lütfen bilgilerinizi kontrol ediniz."),
                       vb::vbCritical + vb::vbOKOnly, kTitle);
            forms::SetFocus(txtUserName);
            return;
        }

        showWaiting(true);
        vb::DoEvents();

        QString reply;
        {
            // One client per click, released when the click ends.
            std::unique_ptr<Gateway> gateway;
            if (mdlGenel::GatewayType == u"Quillmere") {
                gateway = std::make_unique<Gateway>();
                reply = gateway->GetInfo(user + u'-' + txtClientKodu->Text(), password);
            } else if (mdlGenel::GatewayType == u"Palvori") {
                gateway = std::make_unique<Gateway>();
                reply = gateway->GetInfo(user, password);
            }
        }

        // A web page (a proxy's or a captive portal's) is no account: the
        // gateway was not reached.
        if (reply.contains(QStringLiteral("<html"), Qt::CaseInsensitive))
            reply = QStringLiteral("-1");
        if (mdlGenel::InGatewayCodeList(reply)) {
            if (reply == u"-1") {
                vb::MsgBox(QStringLiteral("Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.") + vb::vbCrLf
                               + QStringLiteral("İnternet Bağlantınız kapalı olabilir ya da bir güvenlik uygulaması "
                                                "internet bağlantınızı kontrol ediyor olabilir."),
                           vb::vbCritical + vb::vbOKOnly, kTitle);
                showWaiting(false);
            } else if (reply == u"01" || reply == u"03") {
                vb::MsgBox(QStringLiteral("Girmiş olduğunuz kullanıcı bilgilerinde hata var.") + vb::vbCrLf
                               + QStringLiteral("Lütfen bilgilerinizi kontrol edip tekrar deneyiniz."),
                           vb::vbCritical + vb::vbOKOnly, kTitle);
                showWaiting(false);
                forms::SetFocus(txtUserName);
            } else if (reply == u"04" || reply == u"05") {
                vb::MsgBox(QStringLiteral("Kullanıcı bilgileri mesaj merkezine gönderilemiyor") + vb::vbCrLf
                               + QStringLiteral("Bilgisayarınızdaki güvenlik uygulamalarından biri internet "
                                                "bağlantınızı denetliyor olabilir."),
                           vb::vbCritical + vb::vbOKOnly, kTitle);
                showWaiting(false);
            } else {
                showWaiting(false);
            }
            return;
        }

        const bool keep = chkKaydet->Value() != 0;
        if (mdlGenel::GatewayType == u"Quillmere") {
            if (keep)
                mdlGenel::SaveLoginSettings(user, password, txtClientKodu->Text(), QStringLiteral("1"),
                                            mdlGenel::GatewayType, mdlGenel::GatewayUrl);
            else
                mdlGenel::SaveLoginSettings(QString(), QString(), QString(), QStringLiteral("0"),
                                            mdlGenel::GatewayType, mdlGenel::GatewayUrl);
        } else if (mdlGenel::GatewayType == u"Palvori") {
            if (keep)
                mdlGenel::SaveLoginSettings(user, password, QString(), QStringLiteral("1"), mdlGenel::GatewayType,
                                            mdlGenel::GatewayUrl);
            else
                mdlGenel::SaveLoginSettings(QString(), QString(), QString(), QStringLiteral("0"),
                                            mdlGenel::GatewayType, mdlGenel::GatewayUrl);
        }
        mdlGenel::SaveLoginFlag = keep ? QStringLiteral("1") : QStringLiteral("0");

        mdlGenel::UserName = user;
        if (mdlGenel::GatewayType == u"Quillmere")
            mdlGenel::ClientCode = txtClientKodu->Text();
        mdlGenel::Password = password;

        OpenTarget();
    } catch (const std::exception& e) {
        vb::MsgBox(vb::ErrorDescription(e), vb::vbOKOnly);
        // The login did not happen: the user may try again or leave.
        if (isLoaded())
            showWaiting(false);
    }
}
