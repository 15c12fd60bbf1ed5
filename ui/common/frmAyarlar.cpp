#include "ui/common/frmAyarlar.h"

#include "data/database.h"
#include "gateway/Gateway.h"
#include "gateway/endpoints.h"
#include "platform/forms/controls.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "state/mdlGenel.h"

namespace {

constexpr int kWidth = 5520;
constexpr int kHeight = 4080;
const QString kAccountsTitle = QStringLiteral("Quillmere Kullanıcı hesapları");

// Empty, or a single blank: what the window counts as not filled in.
bool blank(const QString& s) { return s.isEmpty() || s == u" "; }

// "1" when the box is ticked, else "0" (a grayed box included).
QString saveFlag(const forms::CheckBox* box) { return box->Value() == 1 ? QStringLiteral("1") : QStringLiteral("0"); }

void wrongAccount() {
    vb::MsgBox(QStringLiteral("Girmiş olduğunuz kullanıcı bilgilerinde hata var.Lütfen kontrol ediniz."),
               vb::vbCritical + vb::vbOKOnly, kAccountsTitle);
}

void saved() {
    vb::MsgBox(QStringLiteral("Kullanıcı bilgileriniz başarıyla kaydedildi."), vb::vbInformation + vb::vbOKOnly,
               kAccountsTitle);
}

void noConnection() {
    vb::MsgBox(QStringLiteral("internet bağlantınızdaki bir sorundan dolayı Mesaj merkezine ulaşılamıyor.") + vb::vbCrLf
                   + QStringLiteral("İnternet bağlantınız, kapalı olabilir ya da bir güvenlik uygulaması "
                                    "denetiminde olabilir.")
                   + vb::vbCrLf + QStringLiteral("Lütfen internet bağlantınızı kontrol ediniz."),
               vb::vbCritical + vb::vbOKOnly, kAccountsTitle);
}

// The account-information reply of the gateway at `url`. A web page (a
// proxy's or a captive portal's) is no account: the gateway was not reached.
QString checkAccount(const QString& url, const QString& identity, const QString& password) {
    QString reply = Gateway(url).GetInfo(identity, password);
    if (reply.contains(QStringLiteral("<html"), Qt::CaseInsensitive))
        reply = QStringLiteral("-1");
    return reply;
}

} // namespace

frmAyarlar::frmAyarlar() : forms::Form(QStringLiteral("frmAyarlar")) {
    setCaption(QStringLiteral("Quillmere - Ayarlar"));
    forms::SetFont(this, QStringLiteral("Tahoma"), 8.25);
    // A dialog of its own size: only the close button.
    setBorderStyle(forms::vbSizable, /*minButton=*/false, /*maxButton=*/false);

    SSTab1 = new forms::TabControl(this, QStringLiteral("SSTab1"));
    // As wide as the window allows: the marking option's caption is long.
    forms::Place(SSTab1, 60, 120, 5280, 2880);
    QWidget* general = SSTab1->addPage(QStringLiteral("Genel"));
    QWidget* accounts = SSTab1->addPage(QStringLiteral("Kullanıcı hesapları"));

    optAnaHesap = new forms::OptionButton(general, QStringLiteral("optAnaHesap"),
                                          QStringLiteral("Mesajları Quillmere kullanıcı hesabıyla gönder"));
    forms::Place(optAnaHesap, 120, 120, 4920, 285);
    optPalvori = new forms::OptionButton(general, QStringLiteral("optPalvori"),
                                         QStringLiteral("Mesajları Palvori kullanıcı hesabıyla gönder"));
    forms::Place(optPalvori, 120, 450, 4920, 285);
    Label5 = new forms::Label(general, QStringLiteral("Label5"), QStringLiteral("Palvori adresi:"));
    forms::Place(Label5, 360, 855, 1200, 255);
    txtPalvoriYolu = new forms::TextBox(general, QStringLiteral("txtPalvoriYolu"));
    forms::Place(txtPalvoriYolu, 1560, 810, 3420, 300);
    Label7 = new forms::Label(general, QStringLiteral("Label7"),
                              QStringLiteral("Örnek: http://sunucu/palvori\nya da: http://192.168.1.20"));
    forms::Place(Label7, 1560, 1170, 3420, 480);
    chkIsaretle = new forms::CheckBox(general, QStringLiteral("chkIsaretle"),
                                      QStringLiteral("GsmNo alanlarından gönderimde hatalı Gsm numaralarını işaretle"));
    forms::Place(chkIsaretle, 60, 1860, 5160, 285);

    Frame1 = new forms::Frame(accounts, QStringLiteral("Frame1"), QStringLiteral("Quillmere kullanıcı hesabı"));
    forms::Place(Frame1, 120, 60, 4920, 1290);
    lblUserName = new forms::Label(Frame1, QStringLiteral("lblUserName"), QStringLiteral("Kullanıcı adı:"));
    forms::Place(lblUserName, 240, 315, 1200, 255);
    txtUserName_m = new forms::TextBox(Frame1, QStringLiteral("txtUserName_m"));
    forms::Place(txtUserName_m, 1440, 270, 1560, 300);
    lblPassWord = new forms::Label(Frame1, QStringLiteral("lblPassWord"), QStringLiteral("Parola:"));
    forms::Place(lblPassWord, 240, 645, 1200, 255);
    txtPassWord_m = new forms::TextBox(Frame1, QStringLiteral("txtPassWord_m"));
    txtPassWord_m->setPasswordChar(u'*');
    forms::Place(txtPassWord_m, 1440, 600, 1560, 300);
    Label1 = new forms::Label(Frame1, QStringLiteral("Label1"), QStringLiteral("Client kodu:"));
    forms::Place(Label1, 240, 975, 1200, 255);
    txtClientKodu_m = new forms::TextBox(Frame1, QStringLiteral("txtClientKodu_m"));
    forms::Place(txtClientKodu_m, 1440, 930, 1560, 300);
    chkKaydet_m = new forms::CheckBox(Frame1, QStringLiteral("chkKaydet_m"), QStringLiteral("Bilgilerimi kaydet"));
    forms::Place(chkKaydet_m, 3120, 945, 1740, 285);

    Frame2 = new forms::Frame(accounts, QStringLiteral("Frame2"), QStringLiteral("Palvori kullanıcı hesabı"));
    forms::Place(Frame2, 120, 1410, 4920, 960);
    Label2 = new forms::Label(Frame2, QStringLiteral("Label2"), QStringLiteral("Kullanıcı adı:"));
    forms::Place(Label2, 240, 315, 1200, 255);
    txtUserName_i = new forms::TextBox(Frame2, QStringLiteral("txtUserName_i"));
    forms::Place(txtUserName_i, 1440, 270, 1560, 300);
    Label3 = new forms::Label(Frame2, QStringLiteral("Label3"), QStringLiteral("Parola:"));
    forms::Place(Label3, 240, 645, 1200, 255);
    txtPassWord_i = new forms::TextBox(Frame2, QStringLiteral("txtPassWord_i"));
    txtPassWord_i->setPasswordChar(u'*');
    forms::Place(txtPassWord_i, 1440, 600, 1560, 300);
    chkKaydet_i = new forms::CheckBox(Frame2, QStringLiteral("chkKaydet_i"), QStringLiteral("Bilgilerimi kaydet"));
    forms::Place(chkKaydet_i, 3120, 615, 1740, 285);

    cmdKaydet = new forms::CommandButton(this, QStringLiteral("cmdKaydet"), QStringLiteral("Kaydet"));
    forms::Place(cmdKaydet, 2760, 3120, 1215, 375);
    cmdVazgec = new forms::CommandButton(this, QStringLiteral("cmdVazgec"), QStringLiteral("Vazgeç"));
    forms::Place(cmdVazgec, 4080, 3120, 1215, 375);
    cmdKaydet->setDefaultButton(true);
    cmdVazgec->setCancelButton(true);

    QWidget* order[] = {optAnaHesap,   optPalvori,      chkIsaretle,   txtPalvoriYolu, txtUserName_m,
                        txtPassWord_m, txtClientKodu_m, chkKaydet_m,   txtUserName_i,  txtPassWord_i,
                        chkKaydet_i,   cmdKaydet,       cmdVazgec};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    for (forms::TextBox* box : {txtClientKodu_m, txtPassWord_i, txtPassWord_m, txtUserName_i, txtUserName_m})
        box->KeyPress = &frmAyarlar::AccountKeyFilter;
    optAnaHesap->Click = [this] { optAnaHesap_Click(); };
    optPalvori->Click = [this] { optPalvori_Click(); };
    cmdKaydet->Click = [this] { cmdKaydet_Click(); };
    cmdVazgec->Click = [this] { cmdVazgec_Click(); };

    resize(forms::ToPixels(kWidth), forms::ToPixels(kHeight));
}

void frmAyarlar::useGroup(bool service) {
    txtPalvoriYolu->setEnabled(!service);
    txtUserName_i->setEnabled(!service);
    txtPassWord_i->setEnabled(!service);
    chkKaydet_i->setEnabled(!service);
    txtUserName_m->setEnabled(service);
    txtPassWord_m->setEnabled(service);
    txtClientKodu_m->setEnabled(service);
    chkKaydet_m->setEnabled(service);
}

void frmAyarlar::optAnaHesap_Click() {
    if (optAnaHesap->Value())
        useGroup(true);
}

void frmAyarlar::optPalvori_Click() {
    if (optPalvori->Value())
        useGroup(false);
}

void frmAyarlar::Form_Load() {
    try {
        if (mdlGenel::GatewayType == u"Quillmere") {
            optAnaHesap->setValue(true);
            useGroup(true);
            txtUserName_m->setText(mdlGenel::UserName);
            txtPassWord_m->setText(mdlGenel::Password);
            txtClientKodu_m->setText(mdlGenel::ClientCode);
            chkKaydet_m->setValue(mdlGenel::SaveLoginFlag == u"1" ? 1 : 0);
        } else if (mdlGenel::GatewayType == u"Palvori") {
            optPalvori->setValue(true);
            useGroup(false);
            txtPalvoriYolu->setText(mdlGenel::GatewayUrl);
            txtUserName_i->setText(mdlGenel::UserName);
            txtPassWord_i->setText(mdlGenel::Password);
            chkKaydet_i->setValue(mdlGenel::SaveLoginFlag == u"1" ? 1 : 0);
        }
        chkIsaretle->setValue(mdlGenel::GetParam(QStringLiteral("flg_isaret")) == u"1" ? 1 : 0);
    } catch (const std::exception& e) {
        // The window opens with what was filled so far.
        vb::MsgBox(vb::ErrorDescription(e) + mdlGenel::StartFlag, vb::vbCritical, QStringLiteral("Quillmere"));
    }
}

void frmAyarlar::Form_Resize() { forms::HoldSize(*this, kWidth, kHeight); }

void frmAyarlar::cmdVazgec_Click() { forms::Unload(*this); }

void frmAyarlar::AccountKeyFilter(int& KeyAscii) {
    if (KeyAscii == 13) {
        KeyAscii = 0;
        return;
    }
    const bool passes = KeyAscii == 8 || (KeyAscii >= '0' && KeyAscii <= '9') || (KeyAscii >= 'A' && KeyAscii <= 'Z')
                        || (KeyAscii >= 'a' && KeyAscii <= 'z');
    if (!passes)
        KeyAscii = 0;
}

void frmAyarlar::backToAccount(forms::TextBox* userBox) {
    SSTab1->setTab(1);
    forms::SetFocus(userBox);
}

void frmAyarlar::cmdKaydet_Click() {
    try {
        const QString flag = chkIsaretle->Value() != 0 ? QStringLiteral("1") : QStringLiteral("0");
        // Each account is checked at the gateway chosen here, not at the one
        // loaded when the window opened: the gateway service's endpoint, or
        // the Palvori address typed on the first tab.
        if (optAnaHesap->Value()) {
            const QString user = txtUserName_m->Text();
            const QString password = txtPassWord_m->Text();
            const QString code = txtClientKodu_m->Text();
            if (blank(user) || blank(password) || blank(code)) {
                wrongAccount();
                backToAccount(txtUserName_m);
                return;
            }
            const QString reply = checkAccount(quillmere::endpoints::ServiceUrl(), user + u'-' + code, password);
            if (!mdlGenel::InGatewayCodeList(reply)) {
                mdlGenel::SaveLoginSettings(user, password, code, saveFlag(chkKaydet_m), QStringLiteral("Quillmere"),
                                            QString());
                cmdVazgec->setCaption(QStringLiteral("Kapat"));
                saved();
            }
            if (reply == u"01") {
                wrongAccount();
                backToAccount(txtUserName_m);
                return;
            }
            if (reply == u"-1")
                noConnection();
            mdlGenel::SetParam(QStringLiteral("flg_isaret"), flag);
        } else if (optPalvori->Value()) {
            const QString address = txtPalvoriYolu->Text();
            if (blank(address)) {
                vb::MsgBox(QStringLiteral("Lütfen Palvori uygulamasının bulunduğu adresi belirtin."),
                           vb::vbCritical + vb::vbOKOnly, QStringLiteral("Quillmere Genel ayarlar"));
                SSTab1->setTab(0);
                forms::SetFocus(txtPalvoriYolu);
                return;
            }
            const QString user = txtUserName_i->Text();
            const QString password = txtPassWord_i->Text();
            if (blank(user) || blank(password)) {
                wrongAccount();
                backToAccount(txtUserName_i);
                return;
            }
            const QString reply = checkAccount(address, user, password);
            if (!mdlGenel::InGatewayCodeList(reply)) {
                mdlGenel::SaveLoginSettings(user, password, QString(), saveFlag(chkKaydet_i), QStringLiteral("Palvori"),
                                            address);
                saved();
                cmdVazgec->setCaption(QStringLiteral("Kapat"));
            }
            if (reply == u"01")
                wrongAccount();
            if (reply == u"-1")
                noConnection();
            mdlGenel::SetParam(QStringLiteral("flg_isaret"), flag);
        }
    } catch (const std::exception& e) {
        vb::MsgBox(vb::ErrorDescription(e) + u' ' + mdlGenel::StartFlag, vb::vbOKOnly);
    }
}
