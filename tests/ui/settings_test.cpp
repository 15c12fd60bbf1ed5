#include "data/database.h"
#include "platform/ado/ado.h"
#include "platform/forms/controls.h"
#include "platform/forms/services.h"
#include "state/mdlGenel.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/temp_database.h"
#include "ui/common/frmAyarlar.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kAccounts = QStringLiteral("Quillmere Kullanıcı hesapları");
const QString kM1 = QStringLiteral("Girmiş olduğunuz kullanıcı bilgilerinde hata var.Lütfen kontrol ediniz.");
const QString kM2 = QStringLiteral("Kullanıcı bilgileriniz başarıyla kaydedildi.");
const QString kM3 = QStringLiteral(
    "internet bağlantınızdaki bir sorundan dolayı Mesaj merkezine ulaşılamıyor.\r\nİnternet bağlantınız, kapalı "
    "olabilir ya da bir güvenlik uygulaması denetiminde olabilir.\r\nLütfen internet bağlantınızı kontrol ediniz.");
const QString kM4 = QStringLiteral("Lütfen Palvori uygulamasının bulunduğu adresi belirtin.");

class SettingsTest : public ::testing::Test {
protected:
    TempDatabase db;
    // The gateway the module state was loaded with, and the gateway service
    // as the window reaches it.
    FakeGateway loaded;
    FakeGateway service;
    forms::ScriptedServices services;

    void SetUp() override {
        services = forms::InstallScriptedServices();
        qputenv("QUILLMERE_SERVICE_URL", service.base().toUtf8());
        mdlGenel::StartFlag = QStringLiteral("1");
    }
    void TearDown() override {
        for (forms::Form* f : forms::LoadedForms())
            forms::Unload(*f);
        forms::FlushUnloaded();
        qunsetenv("QUILLMERE_SERVICE_URL");
    }

    // The module state as the gate leaves it after reading the settings row.
    void loadedAs(const QString& type, const QString& user = QStringLiteral("ali"),
                  const QString& password = QStringLiteral("pw"), const QString& code = QStringLiteral("K42"),
                  const QString& flag = QStringLiteral("1")) {
        mdlGenel::GatewayType = type;
        mdlGenel::GatewayUrl = type == u"Quillmere" ? service.url() : loaded.base() + QStringLiteral("/palvori");
        mdlGenel::UserName = user;
        mdlGenel::Password = password;
        mdlGenel::ClientCode = code;
        mdlGenel::SaveLoginFlag = flag;
    }

    frmAyarlar& open() {
        auto& w = forms::Get<frmAyarlar>();
        w.Show();
        return w;
    }

    QString stored(const QString& column) {
        return vb::CStr(db.query(QStringLiteral("SELECT * FROM tbl_ayarlar"))->Fields(column).Value());
    }
    QString marking() { return mdlGenel::GetParam(QStringLiteral("flg_isaret")); }

    QStringList prompts() {
        QStringList out;
        for (const auto& r : services.msgBoxes->records())
            out << r.prompt;
        return out;
    }

    static bool enabled(const QWidget* w) { return w->isEnabled(); }

    // Ctrl+V as a keyboard sends it: the key with its control character.
    static void paste(forms::TextBox* box) {
        QGuiApplication::clipboard()->setText(QStringLiteral("-ek"));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
        QCoreApplication::sendEvent(box->editor(), &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
        QCoreApplication::sendEvent(box->editor(), &release);
    }
};

TEST_F(SettingsTest, TheWindowIsFilledFromTheModuleStateByGatewayType) {
    db.query(QStringLiteral("UPDATE tbl_param SET deger = '1' WHERE parametre = 'flg_isaret'"));
    loadedAs(QStringLiteral("Quillmere"), QStringLiteral("ali"), QStringLiteral("pw"), QStringLiteral("K42"),
             QStringLiteral("1"));
    auto& w = open();
    EXPECT_EQ(w.Caption(), QStringLiteral("Quillmere - Ayarlar"));
    EXPECT_EQ(w.Width(), 5520);
    EXPECT_EQ(w.Height(), 4080);
    EXPECT_EQ(w.SSTab1->TabCaption(0), QStringLiteral("Genel"));
    EXPECT_EQ(w.SSTab1->TabCaption(1), QStringLiteral("Kullanıcı hesapları"));
    EXPECT_EQ(w.SSTab1->Tab(), 0);
    EXPECT_TRUE(w.optAnaHesap->Value());
    EXPECT_FALSE(w.optPalvori->Value());
    EXPECT_EQ(w.txtUserName_m->Text(), QStringLiteral("ali"));
    EXPECT_EQ(w.txtPassWord_m->Text(), QStringLiteral("pw"));
    EXPECT_EQ(w.txtClientKodu_m->Text(), QStringLiteral("K42"));
    EXPECT_EQ(w.chkKaydet_m->Value(), 1);
    EXPECT_EQ(w.chkIsaretle->Value(), 1);
    // The other group starts empty: the module state holds one account.
    EXPECT_EQ(w.txtPalvoriYolu->Text(), QString());
    EXPECT_EQ(w.txtUserName_i->Text(), QString());
    for (QWidget* on : std::initializer_list<QWidget*>{w.txtUserName_m, w.txtPassWord_m, w.txtClientKodu_m, w.chkKaydet_m})
        EXPECT_TRUE(enabled(on)) << on->objectName().toStdString();
    for (QWidget* off : std::initializer_list<QWidget*>{w.txtPalvoriYolu, w.txtUserName_i, w.txtPassWord_i, w.chkKaydet_i})
        EXPECT_FALSE(enabled(off)) << off->objectName().toStdString();
    EXPECT_EQ(w.cmdVazgec->Caption(), QStringLiteral("Vazgeç"));
    forms::Unload(w);

    db.query(QStringLiteral("UPDATE tbl_param SET deger = '0' WHERE parametre = 'flg_isaret'"));
    loadedAs(QStringLiteral("Palvori"), QStringLiteral("veli"), QStringLiteral("pw2"), QStringLiteral("önceki"),
             QStringLiteral("0"));
    auto& p = open();
    EXPECT_TRUE(p.optPalvori->Value());
    EXPECT_EQ(p.txtPalvoriYolu->Text(), loaded.base() + QStringLiteral("/palvori"));
    EXPECT_EQ(p.txtUserName_i->Text(), QStringLiteral("veli"));
    EXPECT_EQ(p.txtPassWord_i->Text(), QStringLiteral("pw2"));
    EXPECT_EQ(p.chkKaydet_i->Value(), 0);
    EXPECT_EQ(p.chkIsaretle->Value(), 0);
    EXPECT_EQ(p.txtClientKodu_m->Text(), QString());
    for (QWidget* on : std::initializer_list<QWidget*>{p.txtPalvoriYolu, p.txtUserName_i, p.txtPassWord_i, p.chkKaydet_i})
        EXPECT_TRUE(enabled(on));
    for (QWidget* off : std::initializer_list<QWidget*>{p.txtUserName_m, p.txtPassWord_m, p.txtClientKodu_m, p.chkKaydet_m})
        EXPECT_FALSE(enabled(off));

    // The options switch the groups.
    p.optAnaHesap->setValue(true);
    EXPECT_TRUE(enabled(p.txtClientKodu_m));
    EXPECT_FALSE(enabled(p.txtPalvoriYolu));
    EXPECT_FALSE(enabled(p.chkKaydet_i));
    p.optPalvori->setValue(true);
    EXPECT_FALSE(enabled(p.txtUserName_m));
    EXPECT_TRUE(enabled(p.txtPassWord_i));
}

TEST_F(SettingsTest, WithoutAGatewayTypeNothingIsChosenAndSavingDoesNothing) {
    loadedAs(QString());
    auto& w = open();
    EXPECT_FALSE(w.optAnaHesap->Value());
    EXPECT_FALSE(w.optPalvori->Value());
    EXPECT_EQ(w.txtUserName_m->Text(), QString());
    EXPECT_EQ(w.txtUserName_i->Text(), QString());
    w.txtUserName_m->setText(QStringLiteral("ali"));
    w.txtPassWord_m->setText(QStringLiteral("pw"));
    w.txtClientKodu_m->setText(QStringLiteral("K42"));
    w.chkIsaretle->setValue(1);
    w.cmdKaydet->click();
    EXPECT_TRUE(services.msgBoxes->records().empty());
    EXPECT_TRUE(service.bodies().empty());
    EXPECT_EQ(marking(), QStringLiteral("0"));
    EXPECT_EQ(stored(QStringLiteral("kullanici_adi")), QString());
    // Once an option is chosen, the save goes ahead.
    service.answer("100\nFIRMA\n");
    w.optAnaHesap->setValue(true);
    w.cmdKaydet->click();
    EXPECT_EQ(prompts(), QStringList{kM2});
    EXPECT_EQ(marking(), QStringLiteral("1"));
}

TEST_F(SettingsTest, TheAccountBoxesTakeOnlyLettersAndDigits) {
    loadedAs(QStringLiteral("Quillmere"), QString(), QString(), QString());
    auto& w = open();
    w.SSTab1->setTab(1);
    for (forms::TextBox* box : {w.txtUserName_m, w.txtPassWord_m, w.txtClientKodu_m}) {
        box->typeText(QStringLiteral("a-ş b.Ç_9Z\b7"));
        EXPECT_EQ(box->Text(), QStringLiteral("ab97")) << box->objectName().toStdString();
        // The clipboard keys come as control characters, and are swallowed.
        paste(box);
        EXPECT_EQ(box->Text(), QStringLiteral("ab97"));
    }
    w.optPalvori->setValue(true);
    for (forms::TextBox* box : {w.txtUserName_i, w.txtPassWord_i}) {
        box->typeText(QStringLiteral("ş- x1"));
        EXPECT_EQ(box->Text(), QStringLiteral("x1")) << box->objectName().toStdString();
    }
    // The address box is not filtered.
    w.SSTab1->setTab(0);
    w.txtPalvoriYolu->typeText(QStringLiteral("http://sunucu-ş 1/palvori"));
    EXPECT_EQ(w.txtPalvoriYolu->Text(), QStringLiteral("http://sunucu-ş 1/palvori"));
    paste(w.txtPalvoriYolu);
    EXPECT_EQ(w.txtPalvoriYolu->Text(), QStringLiteral("http://sunucu-ş 1/palvori-ek"));
}

TEST_F(SettingsTest, ThePasswordsAreShownAsStars) {
    loadedAs(QStringLiteral("Quillmere"), QStringLiteral("ali"), QStringLiteral("pw42"));
    auto& w = open();
    w.SSTab1->setTab(1);
    auto shown = [](forms::TextBox* box) { return static_cast<QLineEdit*>(box->editor())->displayText(); };
    EXPECT_EQ(shown(w.txtPassWord_m), QStringLiteral("****"));
    EXPECT_EQ(shown(w.txtUserName_m), QStringLiteral("ali"));
    w.optPalvori->setValue(true);
    w.txtPassWord_i->typeText(QStringLiteral("gizli"));
    EXPECT_EQ(shown(w.txtPassWord_i), QStringLiteral("*****"));
}

TEST_F(SettingsTest, EnterInAnAccountBoxPressesKaydetAndEscVazgec) {
    loadedAs(QStringLiteral("Quillmere"));
    auto& w = open();
    w.SSTab1->setTab(1);
    int saves = 0;
    for (forms::TextBox* box : {w.txtUserName_m, w.txtPassWord_m, w.txtClientKodu_m}) {
        service.answer("100\n");
        box->typeText(QStringLiteral("\r"));
        EXPECT_EQ(prompts().size(), ++saves) << box->objectName().toStdString();
    }
    EXPECT_EQ(prompts(), (QStringList{kM2, kM2, kM2}));
    EXPECT_EQ(w.txtUserName_m->Text(), QStringLiteral("ali")) << "the key filter never saw the Enter";
    w.optPalvori->setValue(true);
    w.txtPalvoriYolu->setText(loaded.base() + QStringLiteral("/palvori"));
    w.chkKaydet_i->setValue(1);
    for (forms::TextBox* box : {w.txtUserName_i, w.txtPassWord_i}) {
        box->setText(QStringLiteral("veli"));
        loaded.answer("100\n");
        box->typeText(QStringLiteral("\r"));
        EXPECT_EQ(prompts().size(), ++saves) << box->objectName().toStdString();
    }
    EXPECT_EQ(stored(QStringLiteral("kullanici_adi_i")), QStringLiteral("veli"));
    QTest::keyClick(w.txtPassWord_i->editor(), Qt::Key_Escape);
    EXPECT_FALSE(forms::IsLoaded<frmAyarlar>());
}

TEST_F(SettingsTest, AMissingEntryIsRefusedBeforeAnyRequest) {
    struct Case { bool service; const char* address; const char* user; const char* password; const char* code;
                  const char* message; int tab; const char* focus; } cases[] = {
        {true, "", "ali", "pw", "", "M1", 1, "txtUserName_m"},
        {true, "", "ali", "pw", " ", "M1", 1, "txtUserName_m"},
        {true, "", " ", "pw", "K42", "M1", 1, "txtUserName_m"},
        {true, "", "ali", "", "K42", "M1", 1, "txtUserName_m"},
        {false, "", "ali", "pw", "", "M4", 0, "txtPalvoriYolu"},
        {false, " ", "ali", "pw", "", "M4", 0, "txtPalvoriYolu"},
        {false, "http://127.0.0.1:1/", " ", "pw", "", "M1", 1, "txtUserName_i"},
        {false, "http://127.0.0.1:1/", "ali", "", "", "M1", 1, "txtUserName_i"},
    };
    for (const auto& c : cases) {
        loadedAs(c.service ? QStringLiteral("Quillmere") : QStringLiteral("Palvori"));
        auto& w = open();
        w.SSTab1->setTab(c.tab == 1 ? 0 : 1);
        w.chkIsaretle->setValue(1);
        w.txtPalvoriYolu->setText(QString::fromUtf8(c.address));
        forms::TextBox* user = c.service ? w.txtUserName_m : w.txtUserName_i;
        forms::TextBox* password = c.service ? w.txtPassWord_m : w.txtPassWord_i;
        user->setText(QString::fromUtf8(c.user));
        password->setText(QString::fromUtf8(c.password));
        w.txtClientKodu_m->setText(QString::fromUtf8(c.code));
        services.msgBoxes->clearRecords();
        forms::SetFocus(w.cmdKaydet);
        w.cmdKaydet->click();
        const std::string what = std::string(c.user) + "/" + c.password + "/" + c.code + "/" + c.address;
        ASSERT_EQ(services.msgBoxes->records().size(), 1u) << what;
        const auto& box = services.msgBoxes->records()[0];
        const bool m4 = std::string(c.message) == "M4";
        EXPECT_EQ(box.prompt, m4 ? kM4 : kM1) << what;
        EXPECT_EQ(box.buttons, 16) << what;
        EXPECT_EQ(box.title, m4 ? QStringLiteral("Quillmere Genel ayarlar") : kAccounts) << what;
        EXPECT_EQ(w.SSTab1->Tab(), c.tab) << what;
        QWidget* focus = w.focusWidget();
        EXPECT_TRUE(focus && focus->parentWidget() && focus->parentWidget()->objectName() == QLatin1String(c.focus))
            << what;
        EXPECT_TRUE(service.bodies().empty()) << what;
        EXPECT_TRUE(loaded.bodies().empty()) << what;
        // Nothing is saved, not even the marking flag.
        EXPECT_EQ(marking(), QStringLiteral("0")) << what;
        EXPECT_EQ(stored(QStringLiteral("flg_gw")), QStringLiteral("0")) << what;
        forms::Unload(w);
        forms::FlushUnloaded();
    }
}

TEST_F(SettingsTest, TheGatewayServiceAccountIsSavedByItsReply) {
    struct Case { std::string reply; QStringList messages; bool saved; bool flagSaved; bool backToAccount; } cases[] = {
        {"100\nQUILLMERE\n", {kM2}, true, true, false},
        {"01", {kM1}, false, false, true},
        {"03", {}, false, true, false},
        {"04", {}, false, true, false},
        {"", {}, false, true, false},
        {"1", {}, false, true, false},
        {"-1", {kM3}, false, true, false},
        // A proxy's page is no account: the gateway was not reached.
        {"<html><body>Giriş</body></html>", {kM3}, false, true, false},
    };
    for (const auto& c : cases) {
        db.query(QStringLiteral("UPDATE tbl_param SET deger = '0'"));
        db.query(QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi = '', flg_gw = '1'"));
        loadedAs(QStringLiteral("Quillmere"));
        service.answer(c.reply);
        services.msgBoxes->clearRecords();
        auto& w = open();
        w.txtUserName_m->setText(QStringLiteral("ali"));
        w.txtPassWord_m->setText(QStringLiteral("p'w"));
        w.txtClientKodu_m->setText(QStringLiteral("K42"));
        w.chkKaydet_m->setValue(1);
        w.chkIsaretle->setValue(1);
        w.cmdKaydet->click();
        EXPECT_EQ(prompts(), c.messages) << c.reply;
        for (const auto& box : services.msgBoxes->records()) {
            EXPECT_EQ(box.title, kAccounts);
            EXPECT_EQ(box.buttons, box.prompt == kM2 ? 64 : 16);
        }
        EXPECT_TRUE(service.lastBody().startsWith(
            QStringLiteral("<MainReportRoot><UserName>ali-K42</UserName><PassWord>p'w</PassWord><Action>4</Action>")));
        EXPECT_EQ(stored(QStringLiteral("kullanici_adi")), c.saved ? QStringLiteral("ali") : QString()) << c.reply;
        EXPECT_EQ(stored(QStringLiteral("flg_gw")), c.saved ? QStringLiteral("0") : QStringLiteral("1")) << c.reply;
        if (c.saved) {
            EXPECT_EQ(stored(QStringLiteral("parola")), QStringLiteral("p'w"));
            EXPECT_EQ(stored(QStringLiteral("ckey")), QStringLiteral("K42"));
            EXPECT_EQ(stored(QStringLiteral("flg_kaydet")), QStringLiteral("1"));
        }
        EXPECT_EQ(marking(), c.flagSaved ? QStringLiteral("1") : QStringLiteral("0")) << c.reply;
        EXPECT_EQ(w.cmdVazgec->Caption(), c.saved ? QStringLiteral("Kapat") : QStringLiteral("Vazgeç")) << c.reply;
        EXPECT_EQ(w.SSTab1->Tab(), c.backToAccount ? 1 : 0) << c.reply;
        forms::Unload(w);
        forms::FlushUnloaded();
    }
    EXPECT_TRUE(loaded.bodies().empty());
}

TEST_F(SettingsTest, ThePalvoriAccountIsSavedByItsReply) {
    struct Case { std::string reply; bool keep; QStringList messages; bool saved; } cases[] = {
        {"100\nFIRMA\n", true, {kM2}, true},
        {"100\nFIRMA\n", false, {kM2}, true},
        // "01" gives its message, and the marking flag is still saved.
        {"01", true, {kM1}, false},
        {"03", true, {}, false},
        {"-1", true, {kM3}, false},
    };
    for (const auto& c : cases) {
        db.query(QStringLiteral("UPDATE tbl_param SET deger = '0'"));
        db.query(QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi_i = 'eski', flg_gw = '0', url_palvori = ''"));
        loadedAs(QStringLiteral("Palvori"));
        loaded.answer(c.reply);
        services.msgBoxes->clearRecords();
        auto& w = open();
        w.txtUserName_i->setText(QStringLiteral("veli"));
        w.txtPassWord_i->setText(QStringLiteral("pw2"));
        w.chkKaydet_i->setValue(c.keep ? 1 : 0);
        w.chkIsaretle->setValue(1);
        w.cmdKaydet->click();
        const std::string what = c.reply + (c.keep ? " kept" : " not kept");
        EXPECT_EQ(prompts(), c.messages) << what;
        EXPECT_TRUE(loaded.lastBody().startsWith(
            QStringLiteral("<MainReportRoot><UserName>veli</UserName><PassWord>pw2</PassWord><Action>4</Action>")))
            << what;
        EXPECT_EQ(marking(), QStringLiteral("1")) << what;
        EXPECT_EQ(w.SSTab1->Tab(), 0) << what;
        EXPECT_EQ(stored(QStringLiteral("flg_gw")), c.saved ? QStringLiteral("1") : QStringLiteral("0")) << what;
        if (c.saved) {
            // Not kept: the login is blanked, the gateway and its address
            // are still stored.
            EXPECT_EQ(stored(QStringLiteral("kullanici_adi_i")), c.keep ? QStringLiteral("veli") : QString());
            EXPECT_EQ(stored(QStringLiteral("flg_kaydet_i")), c.keep ? QStringLiteral("1") : QStringLiteral("0"));
            EXPECT_EQ(stored(QStringLiteral("url_palvori")), loaded.base() + QStringLiteral("/palvori"));
        } else {
            EXPECT_EQ(stored(QStringLiteral("kullanici_adi_i")), QStringLiteral("eski")) << what;
        }
        EXPECT_EQ(w.cmdVazgec->Caption(), c.saved ? QStringLiteral("Kapat") : QStringLiteral("Vazgeç"));
        forms::Unload(w);
        forms::FlushUnloaded();
    }
    EXPECT_TRUE(service.bodies().empty());
}

TEST_F(SettingsTest, ASwitchIsCheckedAtTheChosenGatewayAndTheModuleStateKeepsTheOldOne) {
    struct Case { const char* from; bool toService; } cases[] = {{"Quillmere", false}, {"Palvori", true}};
    for (const auto& c : cases) {
        loadedAs(QString::fromUtf8(c.from));
        const QString before[] = {mdlGenel::GatewayType, mdlGenel::GatewayUrl, mdlGenel::UserName,
                                  mdlGenel::Password,    mdlGenel::ClientCode, mdlGenel::SaveLoginFlag};
        FakeGateway chosen;
        chosen.answer("50\nYENI\n");
        service.answer("50\nYENI\n");
        loaded.answer("01");
        services.msgBoxes->clearRecords();
        auto& w = open();
        if (c.toService) {
            w.optAnaHesap->setValue(true);
            w.txtUserName_m->setText(QStringLiteral("yeni"));
            w.txtPassWord_m->setText(QStringLiteral("pw3"));
            w.txtClientKodu_m->setText(QStringLiteral("Y1"));
            w.chkKaydet_m->setValue(1);
        } else {
            w.optPalvori->setValue(true);
            w.txtPalvoriYolu->setText(chosen.base() + QStringLiteral("/palvori"));
            w.txtUserName_i->setText(QStringLiteral("yeni"));
            w.txtPassWord_i->setText(QStringLiteral("pw3"));
            w.chkKaydet_i->setValue(1);
        }
        const size_t serviceBefore = service.bodies().size();
        w.cmdKaydet->click();
        EXPECT_EQ(prompts(), QStringList{kM2}) << c.from;
        if (c.toService) {
            ASSERT_EQ(service.bodies().size(), serviceBefore + 1);
            EXPECT_TRUE(service.lastBody().contains(QStringLiteral("<UserName>yeni-Y1</UserName>")));
            EXPECT_EQ(stored(QStringLiteral("flg_gw")), QStringLiteral("0"));
        } else {
            ASSERT_EQ(chosen.bodies().size(), 1u);
            EXPECT_TRUE(chosen.lastBody().contains(QStringLiteral("<UserName>yeni</UserName>")));
            EXPECT_EQ(service.bodies().size(), serviceBefore);
            EXPECT_EQ(stored(QStringLiteral("flg_gw")), QStringLiteral("1"));
            EXPECT_EQ(stored(QStringLiteral("url_palvori")), chosen.base() + QStringLiteral("/palvori"));
        }
        EXPECT_TRUE(loaded.bodies().empty()) << c.from;
        // The next command reloads the module state; until then it is as
        // the gate left it.
        const QString after[] = {mdlGenel::GatewayType, mdlGenel::GatewayUrl, mdlGenel::UserName,
                                 mdlGenel::Password,    mdlGenel::ClientCode, mdlGenel::SaveLoginFlag};
        EXPECT_TRUE(std::equal(std::begin(before), std::end(before), std::begin(after))) << c.from;
        forms::Unload(w);
        forms::FlushUnloaded();
    }
}

TEST_F(SettingsTest, CloseWhateverTheCaptionAndHoldTheSize) {
    loadedAs(QStringLiteral("Quillmere"));
    auto& w = open();
    w.resize(600, 500);
    EXPECT_EQ(w.Width(), 5520);
    EXPECT_EQ(w.Height(), 4080);
    w.resize(100, 80);
    EXPECT_EQ(w.Width(), 5520);
    EXPECT_EQ(w.Height(), 4080);
    service.answer("100\n");
    w.cmdKaydet->click();
    EXPECT_EQ(w.cmdVazgec->Caption(), QStringLiteral("Kapat"));
    // It can save again while open.
    w.cmdKaydet->click();
    EXPECT_EQ(prompts(), (QStringList{kM2, kM2}));
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(forms::IsLoaded<frmAyarlar>());
    open().cmdVazgec->click();
    EXPECT_FALSE(forms::IsLoaded<frmAyarlar>());
}

TEST_F(SettingsTest, UnexpectedErrorsWhileLoadingAndSaving) {
    // A Null marking value fails the loading after the account was filled.
    db.query(QStringLiteral("UPDATE tbl_param SET deger = NULL"));
    loadedAs(QStringLiteral("Quillmere"));
    auto& w = open();
    ASSERT_EQ(services.msgBoxes->records().size(), 1u);
    EXPECT_EQ(services.msgBoxes->records()[0].prompt, QStringLiteral("Invalid use of Null1"));
    EXPECT_EQ(services.msgBoxes->records()[0].buttons, 16);
    EXPECT_EQ(services.msgBoxes->records()[0].title, QStringLiteral("Quillmere"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.txtUserName_m->Text(), QStringLiteral("ali"));
    EXPECT_EQ(w.chkIsaretle->Value(), 0);

    // A parameter table that cannot be written ends the save after the
    // login was stored.
    services.msgBoxes->clearRecords();
    db.query(QStringLiteral("DROP TABLE tbl_param"));
    service.answer("100\n");
    w.cmdKaydet->click();
    ASSERT_EQ(services.msgBoxes->records().size(), 2u);
    EXPECT_EQ(services.msgBoxes->records()[0].prompt, kM2);
    const auto& failure = services.msgBoxes->records()[1];
    EXPECT_TRUE(failure.prompt.endsWith(QStringLiteral(" 1"))) << failure.prompt.toStdString();
    EXPECT_GT(failure.prompt.size(), 2);
    EXPECT_EQ(failure.buttons, 0);
    EXPECT_EQ(failure.title, vb::AppTitle());
    EXPECT_EQ(stored(QStringLiteral("kullanici_adi")), QStringLiteral("ali"));
}

} // namespace
