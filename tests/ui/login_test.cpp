#include "data/database.h"
#include "platform/ado/ado.h"
#include "platform/forms/controls.h"
#include "platform/forms/services.h"
#include "platform/vb/timer.h"
#include "state/mdlGenel.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/fault_server.h"
#include "tests/support/placeholder_form.h"
#include "ui/common/frmBekle.h"
#include "ui/common/frmGiris.h"

#include "tests/support/temp_database.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QThread>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <thread>

namespace {

class frmHedef : public PlaceholderForm {
public:
    frmHedef() : PlaceholderForm(QStringLiteral("frmHedef"), QStringLiteral("Hedef")) {}
};

const QString kTitle = QStringLiteral("Quillmere Kullanıcı girişi");

class LoginTest : public ::testing::Test {
protected:
    TempDatabase db;
    FakeGateway gateway;
    forms::ScriptedServices services;

    void SetUp() override {
        services = forms::InstallScriptedServices();
        useGateway(QStringLiteral("Quillmere"));
    }
    void TearDown() override {
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
        mdlGenel::ResetState();
    }

    void useGateway(const QString& type) {
        mdlGenel::GatewayType = type;
        mdlGenel::GatewayUrl = gateway.base() + QStringLiteral("/sms/com.orventa");
    }

    // What the gate does: show the login window, then hand it the target.
    frmGiris& open() {
        forms::Get<frmGiris>().Show();
        forms::Get<frmGiris>().TargetForm = forms::FormRef::To<frmHedef>();
        return forms::Get<frmGiris>();
    }

    void fill(const QString& user, const QString& password, const QString& code = QStringLiteral("K42"),
              bool keep = false) {
        auto& w = forms::Get<frmGiris>();
        w.txtUserName->setText(user);
        w.txtPassWord->setText(password);
        w.txtClientKodu->setText(code);
        w.chkKaydet->setValue(keep ? 1 : 0);
    }

    QString stored(const QString& column) {
        return vb::CStr(mdlGenel::DbConnection->Execute(QStringLiteral("SELECT * FROM tbl_ayarlar"))->Fields(column).Value());
    }

    bool restored() {
        auto& w = forms::Get<frmGiris>();
        return w.imgInfo->isVisibleTo(&w) && !w.imgHour->isVisibleTo(&w) && w.btnOturumAc->isEnabled() &&
               w.btnVazgec->isEnabled();
    }
};

TEST_F(LoginTest, TheWindowStartsEmptyAndShowsTheClientCodeForTheGatewayService) {
    mdlGenel::UserName = QStringLiteral("eski");
    auto& w = open();
    EXPECT_EQ(w.Caption(), QStringLiteral("Quillmere - Kullanıcı girişi"));
    EXPECT_EQ(w.txtUserName->Text(), QString());
    EXPECT_EQ(w.chkKaydet->Value(), 0);
    EXPECT_TRUE(w.txtClientKodu->isVisibleTo(&w));
    EXPECT_EQ(w.Width(), 4755);
    EXPECT_EQ(w.Height(), 2670);
    EXPECT_TRUE(w.isTopmost());
    EXPECT_EQ(w.Left() + w.Width(), forms::ScreenWidth());
    EXPECT_EQ(w.focusWidget(), w.txtUserName->editor());
    forms::Unload(w);
    useGateway(QStringLiteral("Palvori"));
    auto& p = open();
    EXPECT_FALSE(p.txtClientKodu->isVisibleTo(&p));
    EXPECT_FALSE(p.lblClientKodu->isVisibleTo(&p));
    EXPECT_FALSE(p.txtClientKodu->isEnabled());
}

TEST_F(LoginTest, ThePasswordIsShownAsStars) {
    auto& w = open();
    w.txtPassWord->typeText(QStringLiteral("demo123"));
    EXPECT_EQ(w.txtPassWord->Text(), QStringLiteral("demo123"));
    EXPECT_EQ(static_cast<QLineEdit*>(w.txtPassWord->editor())->displayText(), QStringLiteral("*******"));
    w.txtUserName->typeText(QStringLiteral("demo"));
    EXPECT_EQ(static_cast<QLineEdit*>(w.txtUserName->editor())->displayText(), QStringLiteral("demo"));
}

TEST_F(LoginTest, OneBlankIsMissingInputTwoBlanksAreSent) {
    auto& w = open();
    fill(QStringLiteral(" "), QStringLiteral("pw"));
    w.btnOturumAc->click();
    ASSERT_EQ(services.msgBoxes->records().size(), 1u);
    EXPECT_EQ(services.msgBoxes->records()[0].prompt,
              QStringLiteral("Eksik bilgi girişi yaptınız.Lütfen bilgilerinizi kontrol ediniz."));
    EXPECT_EQ(services.msgBoxes->records()[0].buttons, 16);
    EXPECT_EQ(services.msgBoxes->records()[0].title, kTitle);
    EXPECT_TRUE(gateway.bodies().empty());
    fill(QStringLiteral("ali"), QString());
    w.btnOturumAc->click();
    EXPECT_TRUE(gateway.bodies().empty());
    gateway.answer("01");
    fill(QStringLiteral("  "), QStringLiteral("  "), QString());
    w.btnOturumAc->click();
    ASSERT_EQ(gateway.bodies().size(), 1u);
    // An empty client code leaves the trailing "-".
    EXPECT_TRUE(gateway.bodies()[0].startsWith(
        QStringLiteral("<MainReportRoot><UserName>  -</UserName><PassWord>  </PassWord><Action>4</Action>")));
}

TEST_F(LoginTest, EveryRefusalRestoresTheWindow) {
    static const char* const kNoConnection =
        "Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.\r\nİnternet Bağlantınız kapalı olabilir ya "
        "da bir güvenlik uygulaması internet bağlantınızı kontrol ediyor olabilir.";
    struct Case { std::string reply; const char* message; int status = 200; } cases[] = {
        {"-1", kNoConnection},
        // A server's error page, whatever it holds, is no answer of the gateway.
        {"1500\nFIRMA\n", kNoConnection, 500},
        {"<html><body>Bad gateway</body></html>", kNoConnection, 502},
        {"", kNoConnection, 404},
        {"01", "Girmiş olduğunuz kullanıcı bilgilerinde hata var.\r\nLütfen bilgilerinizi kontrol edip tekrar deneyiniz."},
        {"03", "Girmiş olduğunuz kullanıcı bilgilerinde hata var.\r\nLütfen bilgilerinizi kontrol edip tekrar deneyiniz."},
        {"04", "Kullanıcı bilgileri mesaj merkezine gönderilemiyor\r\nBilgisayarınızdaki güvenlik uygulamalarından biri "
               "internet bağlantınızı denetliyor olabilir."},
        {"05", "Kullanıcı bilgileri mesaj merkezine gönderilemiyor\r\nBilgisayarınızdaki güvenlik uygulamalarından biri "
               "internet bağlantınızı denetliyor olabilir."},
        {"02", nullptr}, {"06", nullptr}, {"13", nullptr}, {"", nullptr}, {"1", nullptr}, {"3,0", nullptr},
        // A proxy's or a captive portal's page is no login: the gateway was
        // not reached.
        {"<HTML><body>Proxy</body></HTML>", kNoConnection},
        {"<!DOCTYPE html>\n<html lang=\"tr\"><body>Giriş</body></html>", kNoConnection},
        {"100\n<Html>\n", kNoConnection},
    };
    auto& w = open();
    for (const auto& c : cases) {
        gateway.answer(c.reply, c.status);
        services.msgBoxes->clearRecords();
        fill(QStringLiteral("ali"), QStringLiteral("pw"), QStringLiteral("K42"), true);
        w.btnOturumAc->click();
        if (c.message) {
            ASSERT_EQ(services.msgBoxes->records().size(), 1u) << c.reply;
            EXPECT_EQ(services.msgBoxes->records()[0].prompt, QString::fromUtf8(c.message)) << c.reply;
            EXPECT_EQ(services.msgBoxes->records()[0].buttons, 16);
        } else {
            EXPECT_TRUE(services.msgBoxes->records().empty()) << c.reply;
        }
        EXPECT_TRUE(forms::IsLoaded<frmGiris>()) << c.reply;
        EXPECT_TRUE(restored()) << c.reply;
        EXPECT_EQ(w.txtUserName->Text(), QStringLiteral("ali"));
        EXPECT_FALSE(forms::Get<frmHedef>().isVisible()) << c.reply;
        EXPECT_EQ(mdlGenel::UserName, QString()) << c.reply;
        EXPECT_EQ(stored(QStringLiteral("kullanici_adi")), QString()) << c.reply;
    }
    // "01" and "03" put the focus back into the user name.
    gateway.answer("03");
    SetFocus(w.txtPassWord);
    w.btnOturumAc->click();
    EXPECT_EQ(w.focusWidget(), w.txtUserName->editor());
}

TEST_F(LoginTest, ASuccessSavesByGatewayTypeAndBoxAndShowsTheTarget) {
    struct Case { const char* type; bool keep; const char* user; const char* code; const char* flag; } cases[] = {
        {"Quillmere", true, "ali", "K42", "1"},
        {"Quillmere", false, "", "", "0"},
        {"Palvori", true, "ali", "", "1"},
        {"Palvori", false, "", "", "0"},
    };
    for (const auto& c : cases) {
        const QString type = QString::fromUtf8(c.type);
        useGateway(type);
        mdlGenel::ClientCode = QStringLiteral("önceki");
        // Anything outside the code list that is no web page is the account.
        gateway.answer("100\nFIRMA\n");
        open();
        fill(QStringLiteral("ali"), QStringLiteral("p'w"), QStringLiteral("K42"), c.keep);
        forms::Get<frmGiris>().btnOturumAc->click();
        EXPECT_FALSE(forms::IsLoaded<frmGiris>()) << c.type << c.keep;
        EXPECT_TRUE(forms::Get<frmHedef>().isVisible()) << c.type << c.keep;
        EXPECT_EQ(mdlGenel::UserName, QStringLiteral("ali"));
        EXPECT_EQ(mdlGenel::Password, QStringLiteral("p'w"));
        EXPECT_EQ(mdlGenel::ClientCode, type == u"Quillmere" ? QStringLiteral("K42") : QStringLiteral("önceki"));
        EXPECT_EQ(mdlGenel::SaveLoginFlag, QString::fromUtf8(c.flag));
        const bool service = type == u"Quillmere";
        EXPECT_EQ(stored(service ? QStringLiteral("kullanici_adi") : QStringLiteral("kullanici_adi_i")), QString::fromUtf8(c.user));
        EXPECT_EQ(stored(service ? QStringLiteral("flg_kaydet") : QStringLiteral("flg_kaydet_i")), QString::fromUtf8(c.flag));
        if (service) {
            EXPECT_EQ(stored(QStringLiteral("ckey")), QString::fromUtf8(c.code));
        } else {
            EXPECT_EQ(stored(QStringLiteral("url_palvori")), mdlGenel::GatewayUrl);
        }
        if (c.keep) {
            EXPECT_EQ(stored(service ? QStringLiteral("parola") : QStringLiteral("parola_i")), QStringLiteral("p'w"));
        }
        forms::UnloadDefault<frmHedef>();
        forms::FlushUnloaded();
    }
}

TEST_F(LoginTest, AGatewayTypeThatIsNeitherSendsNothing) {
    useGateway(QString());
    auto& w = open();
    fill(QStringLiteral("ali"), QStringLiteral("pw"));
    w.btnOturumAc->click();
    EXPECT_TRUE(gateway.bodies().empty());
    EXPECT_TRUE(services.msgBoxes->records().empty());
    EXPECT_TRUE(restored());
    EXPECT_FALSE(forms::Get<frmHedef>().isVisible());
}

TEST_F(LoginTest, CancelUnloadsWithoutShowingTheTarget) {
    auto& w = open();
    w.btnVazgec->click();
    EXPECT_FALSE(forms::IsLoaded<frmGiris>());
    EXPECT_FALSE(forms::Get<frmHedef>().isVisible());
}

TEST_F(LoginTest, ADatabaseFailureShowsTheBareDescription) {
    gateway.answer("1000\nFIRMA\n");
    mdlGenel::DbConnection->Execute(QStringLiteral("DROP TABLE tbl_ayarlar"));
    auto& w = open();
    fill(QStringLiteral("ali"), QStringLiteral("pw"), QStringLiteral("K"), true);
    w.btnOturumAc->click();
    ASSERT_EQ(services.msgBoxes->records().size(), 1u);
    EXPECT_TRUE(services.msgBoxes->records()[0].prompt.contains(QStringLiteral("tbl_ayarlar")));
    EXPECT_EQ(services.msgBoxes->records()[0].buttons, 0);
    EXPECT_EQ(services.msgBoxes->records()[0].title, QStringLiteral("Quillmere"));
    EXPECT_TRUE(forms::IsLoaded<frmGiris>());
    // Not left on the hourglass: the user can try again or leave.
    EXPECT_TRUE(restored());
    EXPECT_FALSE(forms::IsLoaded<frmHedef>());
}

TEST_F(LoginTest, ADatabaseThatCannotBeWrittenIsSaidSoInTurkish) {
    gateway.answer("1000\nFIRMA\n");
    mdlGenel::DbConnection->Execute(QStringLiteral("PRAGMA query_only = 1"));
    open();
    fill(QStringLiteral("ali"), QStringLiteral("pw"), QStringLiteral("K"), true);
    forms::Get<frmGiris>().btnOturumAc->click();
    ASSERT_EQ(services.msgBoxes->records().size(), 1u);
    EXPECT_TRUE(services.msgBoxes->records()[0].prompt.startsWith(QStringLiteral("Veri tabanı salt okunur: '")))
        << services.msgBoxes->records()[0].prompt.toStdString();
    EXPECT_FALSE(forms::IsLoaded<frmHedef>());
}

// While the login waits on a gateway that answers slowly, the windows go on
// repainting and the wait window's timer ticks; nothing else of the program
// runs: no other timer, no input, no close. What was held back comes once
// the wait is over.
TEST_F(LoginTest, WhileTheRequestWaitsTheWindowsRepaintAndNothingElseRuns) {
    FaultServer slow(FaultServer::trickle("01", 250, 12));
    mdlGenel::GatewayUrl = slow.url();
    auto& w = open();
    fill(QStringLiteral("ali"), QStringLiteral("pw"));

    auto& wait = forms::Get<frmBekle>();
    wait.Show();
    mdlGenel::ProgressTotal = 4;
    mdlGenel::ProgressDone = 1;
    wait.Timer1->setInterval(50);
    wait.Timer1->setEnabled(true);
    // Paints of the wait window's bar, with the value they showed.
    struct PaintLog : QObject {
        QWidget* bar = nullptr;
        std::vector<int> shown;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (o == bar && e->type() == QEvent::Paint)
                shown.push_back(static_cast<forms::ProgressBar*>(bar)->Value());
            return false;
        }
    } paints;
    paints.bar = wait.ProgressBar1;
    qApp->installEventFilter(&paints);

    // A timer of the program that does more than show progress.
    vb::Timer other;
    int otherTicks = 0;
    other.onTimer = [&] { ++otherTicks; };
    other.setInterval(300);
    QPushButton elsewhere(QStringLiteral("Başka"));
    elsewhere.show();
    int clicks = 0;
    QObject::connect(&elsewhere, &QPushButton::clicked, [&] { ++clicks; });
    // What a person does meanwhile, arriving while the request waits. The
    // events are made here: making one needs the main thread.
    auto click = [&] {
        const QPointF at(5, 5);
        return std::vector<QEvent*>{
            new QMouseEvent(QEvent::MouseButtonPress, at, elsewhere.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier),
            new QMouseEvent(QEvent::MouseButtonRelease, at, elsewhere.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier)};
    };
    std::vector<QEvent*> meanwhile = click();
    auto* key = new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    auto* close = new QCloseEvent;
    std::thread person([&] {
        QThread::msleep(400);
        for (QEvent* e : meanwhile) QCoreApplication::postEvent(&elsewhere, e);
        QCoreApplication::postEvent(w.txtUserName->editor(), key);
        QCoreApplication::postEvent(&w, close);
    });

    other.setEnabled(true);
    QElapsedTimer clock;
    clock.start();
    w.btnOturumAc->click();
    const qint64 waited = clock.elapsed();
    person.join();
    qApp->removeEventFilter(&paints);

    EXPECT_GT(waited, 1000);
    EXPECT_EQ(services.msgBoxes->records().size(), 1u);  // the refusal "01", after the wait
    EXPECT_GE(wait.TickCount, 5);
    EXPECT_EQ(wait.Caption(), QStringLiteral("1/4 (%25)"));
    EXPECT_NE(std::find(paints.shown.begin(), paints.shown.end(), 25), paints.shown.end());
    EXPECT_EQ(otherTicks, 0);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(w.txtUserName->Text(), QStringLiteral("ali"));
    EXPECT_TRUE(forms::IsLoaded<frmGiris>());

    // Held back, not lost: the input and the close come after the wait, as a
    // blocked window's queued messages do, and the other timer ticks again.
    QApplication::processEvents();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(w.txtUserName->Text(), QStringLiteral("alix"));
    EXPECT_FALSE(forms::IsLoaded<frmGiris>());
    while (otherTicks == 0 && clock.elapsed() < waited + 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_GE(otherTicks, 1);
    wait.Timer1->setEnabled(false);
}

} // namespace
