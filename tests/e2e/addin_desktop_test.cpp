// The add-in's windows on a display of their own with a window manager
// (Xvfb with openbox), both editions, used as a person uses them: every
// click, key and typed digit goes through the X server; what they did is
// read through the automation protocol, and what the window manager shows
// through the X server's window properties.
#include "tests/support/automation.h"
#include "tests/support/fault_server.h"
#include "tests/support/window_borders.h"
#include "tests/support/x11session.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>

using namespace automation;

namespace {

// The account every request of these tests is answered with where the
// gateway is not the emulator.
const std::string kAccount = "1000\nQUILLMERE\nDEMO FIRMA\n";

class AddinDesktop : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        X11_SESSION_OR_SKIP(session);
        ASSERT_TRUE(dir.isValid());
        ASSERT_GT(emulator.port(), 0);
        folder = copyAddin(dir, QStringLiteral("edition%1").arg(GetParam()));
        ASSERT_FALSE(folder.isEmpty());
        // A customer workbook saved on disk, as the template page needs.
        book = dir.filePath(QStringLiteral("musteriler.xls"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(QM_SENDING_FIXTURES "/musteriler.xls"), book));
        QFile::setPermissions(book, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        env = hostEnvironment(dir, session.environment(QProcessEnvironment::systemEnvironment()));
        env.insert(QStringLiteral("QUILLMERE_SERVICE_URL"), emulator.base());
    }

    // The host with the edition, the workbook open and its numbers selected.
    std::unique_ptr<HostProcess> start() {
        auto host = std::make_unique<HostProcess>(
            QStringList{QStringLiteral("--addin"), folder + QStringLiteral("/quillmere.so")}, env);
        EXPECT_TRUE(host->started());
        EXPECT_NE(windowOf(*host, QStringLiteral("sheetHost")), 0u) << "the host's window was not framed";
        EXPECT_OK(host->send(cmd("open", {{"path", book}})));
        EXPECT_OK(host->send(cmd("select", {{"range", "C2:C11"}})));
        return host;
    }

    // The native window of a window of the add-in (or of the host), once
    // the window manager has framed it; 0 when it never was.
    quint64 windowOf(HostProcess& host, const QString& name) {
        return session.whenManaged([&] { return nativeWindow(host, name); });
    }
    // Framed, and where it stays: a window placed by a rule (flush right,
    // centred) is placed again once its frame is known.
    quint64 framed(HostProcess& host, const QString& form) {
        const quint64 w = windowOf(host, form);
        EXPECT_NE(w, 0u) << form.toStdString() << " was not framed";
        if (!w)
            return 0;
        QRect last;
        int same = 0;
        EXPECT_TRUE(x11::waitFor([&] {
            const QRect now = session.client(w);
            same = now == last ? same + 1 : 0;
            last = now;
            QThread::msleep(50);
            return same >= 3;
        })) << form.toStdString() << " did not come to rest";
        return w;
    }
    QRect where(HostProcess& host, const QString& control) {
        auto ask = [&] {
            const QJsonObject r = host.send(cmd("where", {{"control", control}}));
            EXPECT_OK(r);
            return rect(r);
        };
        // Where it is once its window has stopped moving.
        QRect at = ask();
        x11::waitFor([&] {
            QThread::msleep(50);
            const QRect again = ask();
            const bool still = again == at;
            at = again;
            return still;
        }, 3000);
        return at;
    }
    // One click of a person in the middle of a control.
    void click(HostProcess& host, const QString& control) {
        const QRect r = where(host, control);
        ASSERT_TRUE(r.isValid()) << control.toStdString();
        ASSERT_TRUE(session.click(r.center())) << control.toStdString();
    }
    // A person's click on a part of a window that does nothing of itself,
    // which makes the window the active one; whether it has become so.
    bool comeBackTo(HostProcess& host, const QString& part) {
        const QRect r = where(host, part);
        return session.click(r.topLeft() + QPoint(r.width() - 4, r.height() / 2))
               && x11::waitFor([&] { return form(host, part.section(u'.', 0, 0)).value("active").toBool(); });
    }

    static bool shown(HostProcess& host, const QString& name) {
        return form(host, name).value(QStringLiteral("visible")).toBool();
    }
    static QStringList prompts(HostProcess& host) {
        QStringList out;
        for (const QJsonValue& m : host.send(cmd("messages")).value(QStringLiteral("messages")).toArray())
            out << m.toObject().value(QStringLiteral("text")).toString();
        return out;
    }
    // The messages shown, once the program has had time to show more.
    static QStringList promptsSettled(HostProcess& host, int wanted) {
        x11::waitFor([&] { return prompts(host).size() >= wanted; });
        QThread::msleep(400);
        return prompts(host);
    }
    static void set(HostProcess& host, const char* control, const QJsonValue& value) {
        EXPECT_OK(host.send(cmd("set", {{"control", control}, {"value", value}})));
    }
    // The demo account in the login window, through the protocol.
    static void fillLogin(HostProcess& host, bool keep) {
        set(host, "frmGiris.txtUserName", QStringLiteral("demo"));
        set(host, "frmGiris.txtPassWord", QStringLiteral("demo123"));
        set(host, "frmGiris.txtClientKodu", QStringLiteral("DEMO"));
        set(host, "frmGiris.chkKaydet", keep ? 1 : 0);
    }
    static void signIn(HostProcess& host, bool keep) {
        fillLogin(host, keep);
        EXPECT_OK(host.send(cmd("click", {{"control", "frmGiris.btnOturumAc"}})));
    }
    static void press(HostProcess& host, const char* caption) {
        EXPECT_OK(host.send(cmd("press", {{"bar", "Quillmere"}, {"caption", caption}})));
    }
    static void pressMenu(HostProcess& host, const char* caption) {
        EXPECT_OK(host.send(cmd("press", {{"bar", "Worksheet Menu Bar"}, {"path", QJsonArray{"&Quillmere", caption}}})));
    }
    // The quick-send page with its list built from the selection.
    void openQuickSend(HostProcess& host) {
        EXPECT_OK(host.send(cmd("click", {{"control", "frmSihirbaz.cmdIleri"}})));
        framed(host, QStringLiteral("frmSMS_1"));
        EXPECT_TRUE(x11::waitFor([&] { return control(host, "frmSMS_1", "cmdIleri").value("enabled").toBool(); }));
    }
    // The final screen with its list built from the template page; what to
    // look at on the template page before it is left.
    void openFinalScreen(HostProcess& host, const std::function<void(quint64)>& onTemplatePage = {}) {
        set(host, "frmSihirbaz.optTumu", true);
        EXPECT_OK(host.send(cmd("click", {{"control", "frmSihirbaz.cmdIleri"}})));
        const quint64 page = framed(host, QStringLiteral("frmSMS"));
        if (onTemplatePage)
            onTemplatePage(page);
        set(host, "frmSMS.cbGsmNo", QStringLiteral("GSM"));
        set(host, "frmSMS.txtMesaj", QStringLiteral("Sayın müşterimiz, borcunuzu hatırlatırız."));
        EXPECT_OK(host.send(cmd("click", {{"control", "frmSMS.cmdIleri"}})));
        framed(host, QStringLiteral("frmSonEkran"));
        EXPECT_TRUE(x11::waitFor([&] { return !form(host, "frmBekle").value("visible").toBool(); }));
    }

    // A sending page's button, clicked once as the page has just opened and
    // once after the welcome page beside it was clicked: one confirmation
    // question each time (answered No).
    void asksOncePerClick(HostProcess& host, const QString& button) {
        const QString page = button.section(u'.', 0, 0);
        auto ready = [&] { return control(host, page, button.section(u'.', 1)).value("enabled").toBool(); };
        for (int round = 1; round <= 2; ++round) {
            SCOPED_TRACE(round == 1 ? "just opened" : "come back to");
            // A page that builds its list again as it comes back (the second
            // edition's quick-send page) enables the button once it is done.
            ASSERT_TRUE(x11::waitFor(ready));
            EXPECT_OK(host.send(cmd("answer", {{"with", "no"}})));
            click(host, button);
            const QStringList asked = promptsSettled(host, round);
            ASSERT_EQ(asked.size(), round) << asked.join(u'|').toStdString();
            EXPECT_TRUE(asked.last().endsWith(QStringLiteral("Devam etmek istiyor musunuz?"))) << asked.last().toStdString();
            ASSERT_TRUE(comeBackTo(host, QStringLiteral("frmSihirbaz.Frame2")));
        }
    }

    x11::Session session;
    QTemporaryDir dir;
    EmulatorProcess emulator{{QStringLiteral("--settle-ms"), QStringLiteral("0")}};
    QProcessEnvironment env;
    QString folder, book;
};

// A person's one click on the main button of each window, both as the
// window has just opened and after another window of the add-in was
// clicked: one click is one press of the button, the activation having
// run before it.
TEST_P(AddinDesktop, EveryButtonTakesTheFirstClickOfAWindowJustOpenedOrComeBackTo) {
    auto host = start();
    press(*host, "SMS Gönder");
    {
        SCOPED_TRACE("login window, just opened");
        framed(*host, QStringLiteral("frmGiris"));
        fillLogin(*host, false);
        click(*host, QStringLiteral("frmGiris.btnOturumAc"));
        EXPECT_TRUE(x11::waitFor([&] { return shown(*host, "frmSihirbaz"); }));
        EXPECT_FALSE(shown(*host, "frmGiris"));
    }
    {
        SCOPED_TRACE("welcome page, just opened");
        framed(*host, QStringLiteral("frmSihirbaz"));
        click(*host, QStringLiteral("frmSihirbaz.cmdIleri"));
        EXPECT_TRUE(x11::waitFor([&] { return shown(*host, "frmSMS_1"); }));
    }
    {
        SCOPED_TRACE("quick-send page, just opened and after the welcome page was clicked");
        framed(*host, QStringLiteral("frmSMS_1"));
        ASSERT_TRUE(x11::waitFor([&] { return control(*host, "frmSMS_1", "cmdIleri").value("enabled").toBool(); }));
        set(*host, "frmSMS_1.txtMesaj", QStringLiteral("Merhaba"));
        asksOncePerClick(*host, QStringLiteral("frmSMS_1.cmdIleri"));
    }
    {
        SCOPED_TRACE("welcome page, after the quick-send page was clicked");
        ASSERT_TRUE(comeBackTo(*host, QStringLiteral("frmSMS_1.Frame2")));
        set(*host, "frmSihirbaz.optTumu", true);
        click(*host, QStringLiteral("frmSihirbaz.cmdIleri"));
        EXPECT_TRUE(x11::waitFor([&] { return shown(*host, "frmSMS"); }));
    }
    {
        SCOPED_TRACE("template page, just opened");
        framed(*host, QStringLiteral("frmSMS"));
        set(*host, "frmSMS.cbGsmNo", QStringLiteral("GSM"));
        set(*host, "frmSMS.txtMesaj", QStringLiteral("Sayın müşterimiz, borcunuzu hatırlatırız."));
        click(*host, QStringLiteral("frmSMS.cmdIleri"));
        EXPECT_TRUE(x11::waitFor([&] { return shown(*host, "frmSonEkran"); }));
        EXPECT_TRUE(x11::waitFor([&] { return !shown(*host, "frmBekle"); }));
    }
    {
        SCOPED_TRACE("final screen, just opened and after the welcome page was clicked");
        framed(*host, QStringLiteral("frmSonEkran"));
        EXPECT_OK(host->send(cmd("messages", {{"clear", true}})));
        asksOncePerClick(*host, QStringLiteral("frmSonEkran.cmdGonder"));
    }
    {
        SCOPED_TRACE("report window, just opened and after the final screen was clicked");
        press(*host, "Raporlar");
        signIn(*host, /*keep=*/true);
        framed(*host, QStringLiteral("frmRapor"));
        click(*host, QStringLiteral("frmRapor.cmdVazgec_1"));
        EXPECT_TRUE(x11::waitFor([&] { return control(*host, "frmRapor", "cmdVazgec_1").value("caption").toString() == u"Kapat"; }));
        EXPECT_TRUE(shown(*host, "frmRapor")) << "one click, not two";
        ASSERT_TRUE(comeBackTo(*host, QStringLiteral("frmSonEkran.Frame1")));
        click(*host, QStringLiteral("frmRapor.cmdVazgec_1"));
        EXPECT_TRUE(x11::waitFor([&] { return form(*host, "frmRapor").isEmpty(); }));
    }
    {
        SCOPED_TRACE("settings window, just opened and after the final screen was clicked");
        press(*host, "Ayarlar");
        framed(*host, QStringLiteral("frmAyarlar"));
        EXPECT_OK(host->send(cmd("messages", {{"clear", true}})));
        const QString saved = QStringLiteral("Kullanıcı bilgileriniz başarıyla kaydedildi.");
        click(*host, QStringLiteral("frmAyarlar.cmdKaydet"));
        EXPECT_EQ(promptsSettled(*host, 1), QStringList{saved});
        ASSERT_TRUE(comeBackTo(*host, QStringLiteral("frmSonEkran.Frame1")));
        click(*host, QStringLiteral("frmAyarlar.cmdKaydet"));
        EXPECT_EQ(promptsSettled(*host, 2), (QStringList{saved, saved}));
    }
    {
        SCOPED_TRACE("about box, just opened and after the settings window was clicked");
        for (bool comeBack : {false, true}) {
            pressMenu(*host, "Quillmere Hakkında");
            framed(*host, QStringLiteral("frmHakkinda"));
            if (comeBack) {
                ASSERT_TRUE(comeBackTo(*host, QStringLiteral("frmAyarlar.SSTab1")));
            }
            click(*host, QStringLiteral("frmHakkinda.TeskXpButton1"));
            EXPECT_TRUE(x11::waitFor([&] { return form(*host, "frmHakkinda").isEmpty(); })) << comeBack;
        }
    }
}

// Enter presses the default button and Esc the cancel button from the
// boxes of the windows that have them, keys as the keyboard sends them.
TEST_P(AddinDesktop, EnterAndEscPressTheDefaultAndCancelButtons) {
    auto host = start();
    {
        SCOPED_TRACE("login window: Esc");
        press(*host, "Raporlar");
        framed(*host, QStringLiteral("frmGiris"));
        click(*host, QStringLiteral("frmGiris.txtUserName"));
        ASSERT_TRUE(session.key(QStringLiteral("Escape")));
        EXPECT_TRUE(x11::waitFor([&] { return form(*host, "frmGiris").isEmpty(); }));
        EXPECT_TRUE(form(*host, "frmRapor").isEmpty());
    }
    {
        SCOPED_TRACE("login window: Enter");
        press(*host, "Raporlar");
        framed(*host, QStringLiteral("frmGiris"));
        click(*host, QStringLiteral("frmGiris.txtUserName"));
        ASSERT_TRUE(session.type(QStringLiteral("demo")));
        ASSERT_TRUE(session.key(QStringLiteral("Tab")));
        ASSERT_TRUE(session.type(QStringLiteral("demo123")));
        ASSERT_TRUE(session.key(QStringLiteral("Tab")));
        ASSERT_TRUE(session.type(QStringLiteral("DEMO")));
        set(*host, "frmGiris.chkKaydet", 1);
        ASSERT_TRUE(session.key(QStringLiteral("Return")));
        EXPECT_TRUE(x11::waitFor([&] { return shown(*host, "frmRapor"); }));
        EXPECT_TRUE(form(*host, "frmGiris").isEmpty());
    }
    {
        SCOPED_TRACE("settings window: Enter in each account box, then Esc");
        press(*host, "Ayarlar");
        framed(*host, QStringLiteral("frmAyarlar"));
        set(*host, "frmAyarlar.SSTab1", 1);
        EXPECT_OK(host->send(cmd("messages", {{"clear", true}})));
        int saves = 0;
        for (const char* box : {"txtUserName_m", "txtPassWord_m", "txtClientKodu_m"}) {
            SCOPED_TRACE(box);
            click(*host, QStringLiteral("frmAyarlar.") + QLatin1String(box));
            ASSERT_TRUE(session.key(QStringLiteral("End")));
            ASSERT_TRUE(session.key(QStringLiteral("Return")));
            const QStringList said = promptsSettled(*host, ++saves);
            ASSERT_EQ(said.size(), saves);
            EXPECT_EQ(said.last(), QStringLiteral("Kullanıcı bilgileriniz başarıyla kaydedildi."));
        }
        EXPECT_EQ(control(*host, "frmAyarlar", "txtUserName_m").value("text"), QStringLiteral("demo"));
        ASSERT_TRUE(session.key(QStringLiteral("Escape")));
        EXPECT_TRUE(x11::waitFor([&] { return form(*host, "frmAyarlar").isEmpty(); }));
    }
}

// A click into the first part of a picker selects it; digits typed fill
// it and go on to the next part; Tab leaves the picker.
TEST_P(AddinDesktop, DigitsTypedAfterAClickFillThePickersPartByPart) {
    auto host = start();
    press(*host, "SMS Gönder");
    signIn(*host, /*keep=*/true);
    struct Picker {
        const char* form;
        const char* control;
        const char* digits;
        const char* wanted;  // ISO, the date's part or the time's
        int tab = -1;        // the report window's tab that shows it
    };
    auto check = [&](const Picker& p) {
        SCOPED_TRACE(std::string(p.form) + "." + p.control);
        const QString name = QLatin1String(p.form) + u'.' + QLatin1String(p.control);
        if (p.tab >= 0)
            set(*host, "frmRapor.SSTab1", p.tab);
        const QRect r = where(*host, name);
        // The first part of its text, just inside the frame.
        ASSERT_TRUE(session.click(QPoint(r.left() + 6, r.center().y())));
        ASSERT_TRUE(x11::waitFor([&] { return control(*host, p.form, p.control).value("focused").toBool(); }));
        ASSERT_TRUE(session.type(QLatin1String(p.digits)));
        EXPECT_TRUE(x11::waitFor([&] {
            return control(*host, p.form, p.control).value("value").toString().contains(QLatin1String(p.wanted));
        })) << control(*host, p.form, p.control).value("value").toString().toStdString();
        ASSERT_TRUE(session.key(QStringLiteral("Tab")));
        EXPECT_TRUE(x11::waitFor([&] { return !control(*host, p.form, p.control).value("focused").toBool(); }))
            << "Tab leaves the picker";
    };
    const QString year = QString::number(QDate::currentDate().year() + 1);
    const QByteArray date = ("1712" + year).toLatin1(), iso = (year + "-12-17").toLatin1();

    framed(*host, QStringLiteral("frmSihirbaz"));
    openQuickSend(*host);
    check({"frmSMS_1", "DTPicker1", date.constData(), iso.constData()});
    check({"frmSMS_1", "DTPicker2", "0945", "T09:45"});

    openFinalScreen(*host);
    check({"frmSonEkran", "DTPicker1", date.constData(), iso.constData()});
    check({"frmSonEkran", "DTPicker2", "2305", "T23:05"});

    press(*host, "Raporlar");
    framed(*host, QStringLiteral("frmRapor"));
    check({"frmRapor", "DTPicker1", "01032007", "2007-03-01", 1});
    check({"frmRapor", "DTPicker2", "31032007", "2007-03-31", 1});
    check({"frmRapor", "DTPicker3", "15012008", "2008-01-15", 2});
    check({"frmRapor", "DTPicker4", "30112008", "2008-11-30", 2});
}

// The title and the actions the window manager offers for each window of
// the edition, as the X server holds them: an empty caption is an empty
// title, never the program's name; a window whose size is fixed or held is
// neither sized nor maximised.
TEST_P(AddinDesktop, EachWindowHasItsTitleAndTheActionsOfItsBorder) {
    // One gateway for all requests, which can be made to take its time.
    FaultServer gateway(FaultServer::answer(200, kAccount));
    env.insert(QStringLiteral("QUILLMERE_SERVICE_URL"), gateway.base());
    auto host = start();
    QStringList seen;
    auto check = [&](quint64 window, const QString& name) {
        SCOPED_TRACE(name.toStdString());
        const borders::Border* b = borders::Of(name);
        ASSERT_NE(b, nullptr);
        ASSERT_NE(window, 0u);
        seen << name;
        const QString title = session.title(window);
        EXPECT_NE(title, QStringLiteral("sheet-host"));
        if (name == u"frmBekle")
            // Its caption is the progress once the first second is over.
            EXPECT_TRUE(title.trimmed().isEmpty() || QRegularExpression(QStringLiteral("^\\d+/\\d+ \\(%\\d+\\)$")).match(title).hasMatch())
                << title.toStdString();
        else
            EXPECT_EQ(title.trimmed(), QString::fromUtf8(b->caption));
        const QStringList actions = session.atoms(window, "_NET_WM_ALLOWED_ACTIONS");
        EXPECT_TRUE(actions.contains(QStringLiteral("_NET_WM_ACTION_MOVE")));
        for (const char* action : {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT"})
            EXPECT_EQ(actions.contains(QLatin1String(action)), !b->held) << action << ": " << actions.join(u' ').toStdString();
        // What other window managers take the buttons from (openbox keeps
        // its minimise button, and its close button, whatever it is told).
        const QList<int> motif = session.numbers(window, "_MOTIF_WM_HINTS");
        ASSERT_GE(motif.size(), 3) << session.property(window, "_MOTIF_WM_HINTS").toStdString();
        const bool decorated = motif[0] & 0x2;
        if (b->style != forms::vbBSNone) {
            EXPECT_EQ(decorated && (motif[2] & 0x20), b->minimise) << "minimise button";
            EXPECT_EQ(decorated && (motif[2] & 0x40), b->maximise) << "maximise button";
        }
    };
    press(*host, "SMS Gönder");
    check(framed(*host, QStringLiteral("frmGiris")), QStringLiteral("frmGiris"));
    signIn(*host, /*keep=*/true);
    check(framed(*host, QStringLiteral("frmSihirbaz")), QStringLiteral("frmSihirbaz"));
    openQuickSend(*host);
    check(framed(*host, QStringLiteral("frmSMS_1")), QStringLiteral("frmSMS_1"));
    openFinalScreen(*host, [&](quint64 page) { check(page, QStringLiteral("frmSMS")); });
    check(framed(*host, QStringLiteral("frmSonEkran")), QStringLiteral("frmSonEkran"));
    press(*host, "Ayarlar");
    check(framed(*host, QStringLiteral("frmAyarlar")), QStringLiteral("frmAyarlar"));
    pressMenu(*host, "Quillmere Hakkında");
    check(framed(*host, QStringLiteral("frmHakkinda")), QStringLiteral("frmHakkinda"));
    press(*host, "Raporlar");
    check(framed(*host, QStringLiteral("frmRapor")), QStringLiteral("frmRapor"));

    // The wait window, while a report between two dates takes its time:
    // the host answers nothing meanwhile, the X server does.
    set(*host, "frmRapor.SSTab1", 1);
    const QRect fetch = where(*host, QStringLiteral("frmRapor.cmdRaporGoruntule_2"));
    QList<quint64> before = session.windowsNamed(QStringLiteral(".*"));
    gateway.act(FaultServer::trickle("18", 4000, 60));
    ASSERT_TRUE(session.click(fetch.center()));
    quint64 wait = 0;
    ASSERT_TRUE(x11::waitFor([&] {
        for (quint64 w : session.windowsNamed(QStringLiteral(".*")))
            if (!before.contains(w) && session.managed(w)
                && session.property(w, "_NET_WM_WINDOW_TYPE").contains(QStringLiteral("_NET_WM_WINDOW_TYPE_DIALOG")))
                wait = w;
        return wait != 0;
    }, 3500)) << "the wait window was not framed";
    check(wait, QStringLiteral("frmBekle"));
    gateway.act(FaultServer::answer(200, kAccount));
    EXPECT_TRUE(x11::waitFor([&] { return !session.mapped(wait); }));

    // The support window closes itself as it opens, and the hidden window of
    // the column menu is never shown: their borders are checked headless.
    QStringList all;
    for (const borders::Border& b : borders::kBorders)
        if (QLatin1String(b.name) != QLatin1String("frmDestek") && QLatin1String(b.name) != QLatin1String("frmPop"))
            all << QLatin1String(b.name);
    seen.sort();
    all.sort();
    EXPECT_EQ(seen, all);
}

INSTANTIATE_TEST_SUITE_P(Editions, AddinDesktop, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& test) {
                             return "Edition" + std::to_string(test.param);
                         });

} // namespace
