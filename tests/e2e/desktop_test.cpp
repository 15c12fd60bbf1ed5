// The host program on a display of its own with a window manager, used as a
// person uses it: the title bar's close button, Alt+F4 and the keys of the
// grid go through the X server; what they did is read through the
// automation protocol and the host's exit.
#include "tests/support/automation.h"
#include "tests/support/x11session.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace automation;

namespace {

class Desktop : public ::testing::Test {
protected:
    explicit Desktop(QSize screen = QSize(1280, 1024)) : session(screen) {}

    void SetUp() override {
        X11_SESSION_OR_SKIP(session);
        ASSERT_TRUE(dir.isValid());
        env = hostEnvironment(dir, session.environment(QProcessEnvironment::systemEnvironment()));
        env.insert(QStringLiteral("QM_TEST_ADDIN_LOG"), dir.filePath(QStringLiteral("addins.log")));
    }

    // The host with the tests' add-in, its window shown and framed.
    std::unique_ptr<HostProcess> start(QStringList args = {}) {
        if (args.isEmpty())
            args = {QStringLiteral("--addin"), addin("hosttest_a")};
        auto host = std::make_unique<HostProcess>(args, env);
        EXPECT_TRUE(host->started());
        window = windowOf(*host, QStringLiteral("sheetHost"));
        EXPECT_NE(window, 0u) << "the host's window was not framed";
        // The window manager gives the keyboard to the window it framed, and
        // the window knows it.
        EXPECT_TRUE(x11::waitFor([&] {
            return session.activeWindow() == window &&
                   host->send(cmd("where", {{"control", "sheetHost"}})).value(QStringLiteral("active")).toBool();
        }));
        return host;
    }

    // The native window of a window of the host, once the window manager
    // has framed it; 0 when it never was.
    quint64 windowOf(HostProcess& host, const QString& name) {
        return session.whenManaged([&] { return nativeWindow(host, name); });
    }
    QJsonObject where(HostProcess& host, const QString& control, const QString& cell = {}) {
        QJsonObject c{{"control", control}};
        if (!cell.isEmpty())
            c.insert(QStringLiteral("cell"), cell);
        const QJsonObject r = host.send(cmd("where", c));
        EXPECT_OK(r);
        return r;
    }
    static QJsonValue cell(HostProcess& host, const char* address) {
        return host.send(cmd("cell", {{"address", address}})).value(QStringLiteral("value"));
    }
    QString log() const { return addinLog(dir.filePath(QStringLiteral("addins.log"))); }

    x11::Session session;
    QTemporaryDir dir;
    QProcessEnvironment env;
    quint64 window = 0;
};

TEST_F(Desktop, TheCloseButtonEndsAnUntouchedHostAndTheAddinsAreToldTheHostIsShuttingDown) {
    auto host = start();
    ASSERT_TRUE(session.click(session.closeButton(window)));
    EXPECT_EQ(host->waitForExit(), 0);
    EXPECT_EQ(log(), QStringLiteral("A connect mode=1 custom=1 count=1\nA disconnect mode=0"));
}

// Every road out asks about a changed workbook once; the answer decides.
struct Road {
    const char* name;
    std::function<bool(const x11::Session&, quint64)> take;
};
const Road kRoads[] = {
    {"close button", [](const x11::Session& s, quint64 w) { return s.click(s.closeButton(w)); }},
    {"Alt+F4", [](const x11::Session& s, quint64) { return s.key(QStringLiteral("alt+F4")); }},
    {"Ctrl+Q", [](const x11::Session& s, quint64) { return s.key(QStringLiteral("ctrl+q")); }},
    // Dosya is the first menu; its last item is Çıkış.
    {"Dosya > Çıkış", [](const x11::Session& s, quint64) {
         return s.key(QStringLiteral("alt+d")) && s.key({QStringLiteral("Up"), QStringLiteral("Return")});
     }},
};

TEST_F(Desktop, EveryRoadOutAsksOnceAboutAChangedWorkbookAndNoDiscardsIt) {
    for (const Road& road : kRoads) {
        SCOPED_TRACE(road.name);
        auto host = start();
        EXPECT_OK(host->send(cmd("new")));
        EXPECT_OK(host->send(cmd("answer", {{"with", "no"}})));
        ASSERT_TRUE(session.click(rect(where(*host, QStringLiteral("sheetHost.sheetGrid"), QStringLiteral("A1")))));
        ASSERT_TRUE(session.type(QStringLiteral("degisti")));
        ASSERT_TRUE(session.key(QStringLiteral("Return")));
        ASSERT_TRUE(x11::waitFor([&] { return cell(*host, "A1").toString() == u"degisti"; }));
        ASSERT_TRUE(road.take(session, window));
        // Asked twice, the second question would have had no answer queued
        // and kept the host.
        EXPECT_EQ(host->waitForExit(), 0);
        QFile::remove(dir.filePath(QStringLiteral("addins.log")));
    }
}

TEST_F(Desktop, YesSavesTheChangedWorkbookWithTheEditInProgressBeforeTheHostEnds) {
    auto host = start();
    EXPECT_OK(host->send(cmd("new")));
    const QString file = dir.filePath(QStringLiteral("kitap.xlsx"));
    EXPECT_OK(host->send(cmd("answer", {{"with", "yes"}})));
    EXPECT_OK(host->send(cmd("save-dialog", {{"path", file}})));
    ASSERT_TRUE(session.click(rect(where(*host, QStringLiteral("sheetHost.sheetGrid"), QStringLiteral("A1")))));
    // Still in the cell's editor when the window is closed.
    ASSERT_TRUE(session.type(QStringLiteral("5321234567")));
    QThread::msleep(300);
    ASSERT_TRUE(session.click(session.closeButton(window)));
    EXPECT_EQ(host->waitForExit(), 0);
    ASSERT_GT(QFileInfo(file).size(), 0) << "saved before the end";
    EXPECT_TRUE(log().endsWith(QStringLiteral("A disconnect mode=0")));

    // What the file holds, as the host reads it again.
    auto again = std::make_unique<HostProcess>(QStringList{file}, env);
    EXPECT_EQ(cell(*again, "A1").toDouble(), 5321234567.0);
}

TEST_F(Desktop, CancelKeepsTheHostAndItsWindowsAndALaterCloseAsksAgain) {
    auto host = start();
    EXPECT_OK(host->send(cmd("new")));
    EXPECT_OK(host->send(cmd("set-cell", {{"address", "A1"}, {"value", "kalsın"}})));
    EXPECT_OK(host->send(cmd("press", {{"bar", "DenemeA"}, {"caption", "Pencere"}})));
    EXPECT_OK(host->send(cmd("answer", {{"with", "cancel"}})));
    ASSERT_TRUE(session.click(session.closeButton(window)));
    // The question was asked and answered; nothing else changed.
    EXPECT_TRUE(x11::waitFor([&] {
        return !host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty();
    }));
    const QJsonArray asked = host->send(cmd("messages", {{"clear", true}})).value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("'Kitap1' dosyasında yaptığınız değişiklikleri kaydetmek istiyor musunuz?"));
    EXPECT_EQ(asked[0].toObject().value(QStringLiteral("answer")).toString(), QStringLiteral("cancel"));
    EXPECT_TRUE(session.mapped(window));
    EXPECT_TRUE(form(*host, QStringLiteral("frmDenemeA")).value(QStringLiteral("visible")).toBool());
    EXPECT_EQ(cell(*host, "A1").toString(), QStringLiteral("kalsın"));
    EXPECT_FALSE(log().contains(QStringLiteral("disconnect")));

    EXPECT_OK(host->send(cmd("answer", {{"with", "no"}})));
    ASSERT_TRUE(session.click(session.closeButton(window)));
    EXPECT_EQ(host->waitForExit(), 0);
    EXPECT_TRUE(log().endsWith(QStringLiteral("A disconnect mode=0")));
}

TEST_F(Desktop, TheExportsWindowClosesItsOwnWorkbooksOnly) {
    auto host = start();
    EXPECT_OK(host->send(cmd("new")));
    EXPECT_OK(host->send(cmd("set-cell", {{"address", "A1"}, {"value", "kalır"}})));
    EXPECT_OK(host->send(cmd("save-dialog", {{"path", dir.filePath(QStringLiteral("rapor.xls"))}})));
    EXPECT_OK(host->send(cmd("press", {{"bar", "DenemeA"}, {"caption", "Dışa Aktar"}})));
    const quint64 exported = windowOf(*host, QStringLiteral("sheetHostInstance"));
    ASSERT_NE(exported, 0u);
    ASSERT_TRUE(session.click(session.closeButton(exported)));
    ASSERT_TRUE(x11::waitFor([&] { return !session.mapped(exported); }));
    const QJsonObject instance =
        host->send(cmd("instances")).value(QStringLiteral("instances")).toArray().at(0).toObject();
    EXPECT_TRUE(instance.value(QStringLiteral("workbooks")).toArray().isEmpty());
    EXPECT_FALSE(instance.value(QStringLiteral("visible")).toBool());
    // The host and its changed workbook are as they were.
    EXPECT_TRUE(session.mapped(window));
    EXPECT_EQ(cell(*host, "A1").toString(), QStringLiteral("kalır"));
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());
}

TEST_F(Desktop, EnterTabAndTheEditKeysMoveAndWriteAsInASpreadsheet) {
    auto host = start();
    EXPECT_OK(host->send(cmd("new")));
    ASSERT_TRUE(session.click(rect(where(*host, QStringLiteral("sheetHost.sheetGrid"), QStringLiteral("A1")))));
    // A column typed with Enter keeps every entry.
    ASSERT_TRUE(session.type(QStringLiteral("abc")));
    ASSERT_TRUE(session.key(QStringLiteral("Return")));
    ASSERT_TRUE(session.type(QStringLiteral("5321234567")));
    ASSERT_TRUE(session.key(QStringLiteral("Return")));
    // Tab moves right, in an edit and between edits; Shift+Tab left,
    // Shift+Enter up.
    ASSERT_TRUE(session.type(QStringLiteral("ghi")));
    ASSERT_TRUE(session.key({QStringLiteral("Tab")}));
    ASSERT_TRUE(session.type(QStringLiteral("jkl")));
    ASSERT_TRUE(session.key({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("shift+Tab")}));
    ASSERT_TRUE(session.type(QStringLiteral("mno")));
    ASSERT_TRUE(session.key({QStringLiteral("shift+Return")}));
    // Esc leaves the cell as it was; F2 goes on with its text; Delete clears.
    ASSERT_TRUE(session.type(QStringLiteral("yok")));
    ASSERT_TRUE(session.key({QStringLiteral("Escape"), QStringLiteral("Left"), QStringLiteral("Left"),
                             QStringLiteral("Up"), QStringLiteral("F2")}));
    ASSERT_TRUE(session.type(QStringLiteral("z")));
    ASSERT_TRUE(session.key({QStringLiteral("Return"), QStringLiteral("Right"), QStringLiteral("Right"),
                             QStringLiteral("Right")}));
    ASSERT_TRUE(session.type(QStringLiteral("sil")));
    ASSERT_TRUE(session.key({QStringLiteral("Return"), QStringLiteral("Up"), QStringLiteral("Delete")}));

    EXPECT_TRUE(x11::waitFor([&] { return cell(*host, "A1").toString() == u"abcz"; }))
        << cell(*host, "A1").toString().toStdString();
    EXPECT_EQ(cell(*host, "A2").toDouble(), 5321234567.0);
    EXPECT_EQ(cell(*host, "A3").toString(), QStringLiteral("ghi"));
    EXPECT_EQ(cell(*host, "B3").toString(), QStringLiteral("jkl"));
    EXPECT_EQ(cell(*host, "C3").toString(), QStringLiteral("mno"));
    EXPECT_TRUE(cell(*host, "C2").isNull()) << "Esc kept the cell empty";
    EXPECT_TRUE(x11::waitFor([&] { return cell(*host, "D2").isNull(); })) << "cleared by Delete";
}

TEST_F(Desktop, AnEditIsWrittenBeforeAnAddinsCommandReadsTheCell) {
    auto host = start();
    EXPECT_OK(host->send(cmd("new")));
    ASSERT_TRUE(session.click(rect(where(*host, QStringLiteral("sheetHost.sheetGrid"), QStringLiteral("B2")))));
    ASSERT_TRUE(session.type(QStringLiteral("yaziliyor")));
    // Still in the editor when the add-in's button is clicked.
    QThread::msleep(300);
    EXPECT_TRUE(cell(*host, "B2").isNull());
    EXPECT_OK(host->send(cmd("press", {{"bar", "DenemeA"}, {"caption", "Pencere"}})));
    EXPECT_EQ(cell(*host, "B2").toString(), QStringLiteral("yaziliyor"));
}

TEST_F(Desktop, ALaterStartComesBackWhereThePersonLeftTheWindow) {
    QRect left;
    {
        auto host = start();
        ASSERT_TRUE(session.xdotool({QStringLiteral("windowsize"), QString::number(window), QStringLiteral("640"),
                                     QStringLiteral("480"), QStringLiteral("windowmove"), QString::number(window),
                                     QStringLiteral("120"), QStringLiteral("90")}));
        ASSERT_TRUE(x11::waitFor([&] {
            const QRect f = session.frame(window);
            return session.client(window).size() == QSize(640, 480) && f.left() < 200 && f.top() < 200;
        }));
        left = session.frame(window);
        ASSERT_TRUE(session.key(QStringLiteral("ctrl+q")));
        ASSERT_EQ(host->waitForExit(), 0);
    }
    auto host = start();
    EXPECT_TRUE(x11::waitFor([&] { return session.frame(window) == left; }))
        << "left at " << left.x() << "," << left.y() << " " << left.width() << "x" << left.height();
}

class SmallScreen : public Desktop {
protected:
    SmallScreen() : Desktop(QSize(800, 600)) {}
};

TEST_F(SmallScreen, TheWholeWindowIsOnTheScreenWithTheAddinsToolbar) {
    // The first edition, as a person has it registered.
    const QString folder = copyAddin(dir, QStringLiteral("edition1"));
    ASSERT_FALSE(folder.isEmpty());
    auto host = start({QStringLiteral("--addin"), folder + QStringLiteral("/quillmere.so")});
    EXPECT_OK(host->send(cmd("new")));
    const QRect screen(0, 0, 800, 600);
    EXPECT_TRUE(x11::waitFor([&] { return session.workArea().contains(session.frame(window)); }))
        << "frame " << session.frame(window).width() << "x" << session.frame(window).height();
    for (const char* part : {"sheetHost.Quillmere", "sheetHost.formulaBar", "sheetHost.sheetGrid",
                             "sheetHost.sheetTabs", "sheetHost.statusBar"}) {
        SCOPED_TRACE(part);
        const QJsonObject r = where(*host, QLatin1String(part));
        EXPECT_TRUE(r.value(QStringLiteral("visible")).toBool());
        EXPECT_TRUE(screen.contains(rect(r))) << rect(r).x() << "," << rect(r).y() << " " << rect(r).width() << "x"
                                             << rect(r).height();
    }
}

} // namespace
