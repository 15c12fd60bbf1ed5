// The host program end to end: build/bin/sheet-host started with the tests'
// own add-ins and driven through its automation protocol.
#include "platform/win32/registry.h"
#include "tests/support/automation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
using namespace automation;


class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        env_ = hostEnvironment(dir_);
        env_.insert(QStringLiteral("QM_TEST_ADDIN_LOG"), logFile());
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // This process reads and writes the same registry file as the host.
        qputenv("QUILLMERE_REGISTRY", registryFile().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("QUILLMERE_REGISTRY"); }

    std::unique_ptr<HostProcess> start(const QStringList& args = {QStringLiteral("--addin"), addin("hosttest_a")}) {
        auto host = std::make_unique<HostProcess>(args, env_);
        EXPECT_TRUE(host->started());
        return host;
    }

    QString registryFile() const { return dir_.filePath(QStringLiteral("registry.json")); }
    QString logFile() const { return dir_.filePath(QStringLiteral("addins.log")); }
    QString path(const QString& name) const { return dir_.filePath(name); }
    // The add-ins' log, one event a line.
    std::string log() const { return addinLog(logFile()).toStdString(); }

    // The run of sheet-host with --register or --unregister; its exit code.
    int registration(const char* option, const QString& library) {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.start(hostProgram(), {QLatin1String(option), library});
        if (!p.waitForFinished(15000))
            return -1;
        return p.exitCode();
    }

    static QString caption(HostProcess& host, const QString& formName, const QString& controlName) {
        return control(host, formName, controlName).value(QStringLiteral("caption")).toString();
    }
    static QJsonObject press(HostProcess& host, const char* bar, const char* caption) {
        return host.send(cmd("press", {{"bar", QLatin1String(bar)}, {"caption", QString::fromUtf8(caption)}}));
    }

    QTemporaryDir dir_;
    QProcessEnvironment env_;
};

TEST_F(HostTest, ForeignWorkbooksOpenAndASaveThatWouldLoseFormulasAsksFirst) {
    auto host = start();
    EXPECT_OK(host->send(cmd("open", {{"path", QStringLiteral(QM_CORPUS_DIR "/lo-ornek.xlsx")}})));
    // Sheet names under Turkish letter case.
    EXPECT_EQ(host->send(cmd("sheet", {{"name", "MÜŞTERİLER"}})).value(QStringLiteral("sheet")).toString(),
              QStringLiteral("Müşteriler"));
    QJsonObject sum = host->send(cmd("cell", {{"address", "C4"}, {"sheet", "müşteriler"}}));
    EXPECT_EQ(sum.value(QStringLiteral("formula")).toString(), QStringLiteral("=SUM(C2:C3)"));
    EXPECT_EQ(sum.value(QStringLiteral("value")).toDouble(), 1234.06);
    QJsonObject error = host->send(cmd("cell", {{"address", "F4"}}));
    EXPECT_EQ(error.value(QStringLiteral("value")).toString(), QStringLiteral("#DIV/0!"));
    EXPECT_TRUE(error.value(QStringLiteral("error")).toBool());

    // .xls keeps the values only: the question comes, and "no" writes nothing.
    const QString xls = path(QStringLiteral("kopya.xls"));
    QJsonObject refused = host->send(cmd("save-as", {{"path", xls}}));
    EXPECT_OK(refused);
    EXPECT_FALSE(refused.value(QStringLiteral("saved")).toBool());
    EXPECT_FALSE(QFile::exists(xls));
    const QJsonArray asked = host->send(cmd("messages", {{"clear", true}})).value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].toObject().value(QStringLiteral("text")).toString().contains(QStringLiteral("4 hücrenin formülü")))
        << asked[0].toObject().value(QStringLiteral("text")).toString().toStdString();
    EXPECT_EQ(asked[0].toObject().value(QStringLiteral("title")).toString(), QStringLiteral("Sheet Host"));
    EXPECT_OK(host->send(cmd("answer", {{"with", "yes"}})));
    EXPECT_TRUE(host->send(cmd("save-as", {{"path", xls}})).value(QStringLiteral("saved")).toBool());
    EXPECT_TRUE(QFile::exists(xls));

    // .xlsx keeps everything: no question, and the formula comes back.
    const QString xlsx = path(QStringLiteral("kopya.xlsx"));
    EXPECT_OK(host->send(cmd("open", {{"path", QStringLiteral(QM_CORPUS_DIR "/lo-ornek.xlsx")}})));
    host->send(cmd("messages", {{"clear", true}}));
    EXPECT_TRUE(host->send(cmd("save-as", {{"path", xlsx}})).value(QStringLiteral("saved")).toBool());
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());
    EXPECT_OK(host->send(cmd("open", {{"path", xlsx}})));
    EXPECT_EQ(host->send(cmd("cell", {{"address", "D4"}, {"sheet", "Müşteriler"}})).value(QStringLiteral("formula")).toString(),
              QStringLiteral("=A2&\"!\""));
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(HostTest, ToolbarButtonOpensAWindowThatAnswersTypingClicksAndMessageBoxes) {
    auto host = start();
    EXPECT_OK(host->send(cmd("new")));

    const QJsonArray bars = host->send(cmd("bars")).value(QStringLiteral("bars")).toArray();
    const QJsonObject toolbar = findByName(bars, QStringLiteral("DenemeA"));
    EXPECT_TRUE(toolbar.value(QStringLiteral("visible")).toBool());
    EXPECT_EQ(toolbar.value(QStringLiteral("position")).toInt(), 1);
    const QJsonObject first = toolbar.value(QStringLiteral("controls")).toArray().at(0).toObject();
    EXPECT_EQ(first.value(QStringLiteral("caption")).toString(), QStringLiteral("Pencere"));
    EXPECT_EQ(first.value(QStringLiteral("faceId")).toInt(), 24);
    EXPECT_EQ(first.value(QStringLiteral("style")).toInt(), 3);
    EXPECT_EQ(first.value(QStringLiteral("tooltip")).toString(), QStringLiteral("Pencereyi aç"));
    const QJsonArray menu = findByName(bars, QStringLiteral("Worksheet Menu Bar")).value(QStringLiteral("controls")).toArray();
    const QJsonObject popup = menu.at(7).toObject();
    EXPECT_EQ(popup.value(QStringLiteral("caption")).toString(), QStringLiteral("&DenemeA"));
    EXPECT_EQ(popup.value(QStringLiteral("type")).toInt(), 10);
    EXPECT_EQ(popup.value(QStringLiteral("controls")).toArray().at(0).toObject().value(QStringLiteral("caption")).toString(),
              QStringLiteral("Pencere"));

    EXPECT_OK(press(*host, "DenemeA", "Pencere"));
    const QJsonObject window = form(*host, QStringLiteral("frmDenemeA"));
    EXPECT_TRUE(window.value(QStringLiteral("visible")).toBool());
    EXPECT_TRUE(window.value(QStringLiteral("active")).toBool());
    EXPECT_EQ(window.value(QStringLiteral("caption")).toString(), QStringLiteral("Deneme A"));
    EXPECT_GT(window.value(QStringLiteral("width")).toInt(), 0);
    const QJsonObject controls = window.value(QStringLiteral("controls")).toObject();
    EXPECT_EQ(controls.value(QStringLiteral("txtAd")).toObject().value(QStringLiteral("kind")).toString(), QStringLiteral("text"));
    EXPECT_EQ(controls.value(QStringLiteral("cmdSor")).toObject().value(QStringLiteral("caption")).toString(), QStringLiteral("&Sor"));
    EXPECT_EQ(controls.value(QStringLiteral("tmrSayac")).toObject().value(QStringLiteral("kind")).toString(), QStringLiteral("timer"));
    EXPECT_FALSE(controls.value(QStringLiteral("cmdKapali")).toObject().value(QStringLiteral("enabled")).toBool());

    // Typing goes through the key filter, which refuses digits.
    EXPECT_OK(host->send(cmd("type", {{"control", "frmDenemeA.txtAd"}, {"text", "ab12c"}})));
    const QJsonObject box = control(*host, QStringLiteral("frmDenemeA"), QStringLiteral("txtAd"));
    EXPECT_EQ(box.value(QStringLiteral("text")).toString(), QStringLiteral("abc"));
    EXPECT_TRUE(box.value(QStringLiteral("focused")).toBool());

    EXPECT_OK(host->send(cmd("answer", {{"with", "yes"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmDenemeA.cmdSor"}})));
    EXPECT_EQ(caption(*host, QStringLiteral("frmDenemeA"), QStringLiteral("lblCevap")), QStringLiteral("Evet"));
    EXPECT_TRUE(control(*host, QStringLiteral("frmDenemeA"), QStringLiteral("cmdSor")).value(QStringLiteral("focused")).toBool());
    EXPECT_EQ(host->send(cmd("cell", {{"address", "A1"}})).value(QStringLiteral("value")).toString(), QStringLiteral("abc"));

    // Nothing queued: the question is answered "no" and recorded so.
    EXPECT_OK(host->send(cmd("click", {{"control", "frmDenemeA.cmdSor"}})));
    EXPECT_EQ(caption(*host, QStringLiteral("frmDenemeA"), QStringLiteral("lblCevap")), QStringLiteral("Hayır"));

    const QJsonArray messages = host->send(cmd("messages", {{"clear", true}})).value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(messages.size(), 2);
    const QJsonObject answered = messages.at(0).toObject();
    EXPECT_EQ(answered.value(QStringLiteral("text")).toString(), QStringLiteral("Kaydedilsin mi?"));
    EXPECT_EQ(answered.value(QStringLiteral("title")).toString(), QStringLiteral("Deneme"));
    EXPECT_EQ(answered.value(QStringLiteral("buttons")).toInt(), 36);
    EXPECT_EQ(answered.value(QStringLiteral("answer")).toString(), QStringLiteral("yes"));
    EXPECT_FALSE(answered.value(QStringLiteral("unanswered")).toBool());
    EXPECT_EQ(messages.at(1).toObject().value(QStringLiteral("answer")).toString(), QStringLiteral("no"));
    EXPECT_TRUE(messages.at(1).toObject().value(QStringLiteral("unanswered")).toBool());
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());

    EXPECT_EQ(host->finish(), 0);
}

TEST_F(HostTest, EnterPressesTheDefaultButtonAndEscapeTheCancelButton) {
    auto host = start();
    EXPECT_OK(host->send(cmd("press", {{"bar", "Worksheet Menu Bar"}, {"path", QJsonArray{"&DenemeA", "Pencere"}}})));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmDenemeA.txtAd"}, {"text", "x\r"}})));
    EXPECT_EQ(caption(*host, QStringLiteral("frmDenemeA"), QStringLiteral("lblCevap")), QStringLiteral("Tamam"));

    EXPECT_OK(host->send(cmd("key", {{"control", "frmDenemeA.txtAd"}, {"key", "Escape"}})));
    EXPECT_TRUE(form(*host, QStringLiteral("frmDenemeA")).isEmpty()) << "the cancel button unloads the window";
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(HostTest, SetAssignsAsAProgramDoesAndTimersRunWhileWaiting) {
    auto host = start();
    EXPECT_OK(press(*host, "DenemeA", "Pencere"));
    EXPECT_OK(host->send(cmd("set", {{"control", "frmDenemeA.txtAd"}, {"value", "12 ab"}})));
    EXPECT_EQ(control(*host, QStringLiteral("frmDenemeA"), QStringLiteral("txtAd")).value(QStringLiteral("text")).toString(),
              QStringLiteral("12 ab")) << "an assignment passes no key filter";

    // The check box's click handler runs on the change and starts the timer.
    EXPECT_OK(host->send(cmd("set", {{"control", "frmDenemeA.chkSayac"}, {"value", 1}})));
    EXPECT_EQ(caption(*host, QStringLiteral("frmDenemeA"), QStringLiteral("lblCevap")), QStringLiteral("say=1"));
    const QJsonObject timer = control(*host, QStringLiteral("frmDenemeA"), QStringLiteral("tmrSayac"));
    EXPECT_TRUE(timer.value(QStringLiteral("enabled")).toBool());
    EXPECT_EQ(timer.value(QStringLiteral("interval")).toInt(), 50);
    EXPECT_OK(host->send(cmd("wait", {{"ms", 400}})));
    EXPECT_GE(caption(*host, QStringLiteral("frmDenemeA"), QStringLiteral("lblSayac")).toInt(), 2);

    // A disabled button cannot be clicked by a person.
    const QJsonObject refused = host->send(cmd("click", {{"control", "frmDenemeA.cmdKapali"}}));
    EXPECT_FALSE(refused.value(QStringLiteral("ok")).toBool());
    EXPECT_TRUE(refused.value(QStringLiteral("error")).toString().contains(QStringLiteral("disabled")));
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(HostTest, GridRowsAndHeaderClicksReachTheGrid) {
    auto host = start();
    EXPECT_OK(press(*host, "DenemeA", "Pencere"));
    QJsonObject grid = control(*host, QStringLiteral("frmDenemeA"), QStringLiteral("grdListe"));
    EXPECT_EQ(grid.value(QStringLiteral("kind")).toString(), QStringLiteral("grid"));
    EXPECT_EQ(grid.value(QStringLiteral("columns")).toArray(), (QJsonArray{"GsmNo", "Durum"}));
    ASSERT_EQ(grid.value(QStringLiteral("rows")).toArray().size(), 3);
    EXPECT_EQ(grid.value(QStringLiteral("rows")).toArray().at(1).toArray(), (QJsonArray{"5442223344", "Beklemede"}));

    EXPECT_OK(host->send(cmd("row", {{"control", "frmDenemeA.grdListe"}, {"row", 2}})));
    EXPECT_EQ(control(*host, QStringLiteral("frmDenemeA"), QStringLiteral("grdListe")).value(QStringLiteral("row")).toInt(), 2);
    EXPECT_OK(host->send(cmd("header", {{"control", "frmDenemeA.grdListe"}, {"column", 1}})));
    EXPECT_EQ(caption(*host, QStringLiteral("frmDenemeA"), QStringLiteral("lblCevap")), QStringLiteral("başlık=1"));
    EXPECT_FALSE(host->send(cmd("row", {{"control", "frmDenemeA.grdListe"}, {"row", 3}})).value(QStringLiteral("ok")).toBool());
    EXPECT_FALSE(host->send(cmd("row", {{"control", "frmDenemeA.txtAd"}, {"row", 0}})).value(QStringLiteral("ok")).toBool());

    // One control alone, a grid with as many rows as asked for and its count.
    const QJsonObject one = host->send(cmd("control", {{"control", "frmDenemeA.grdListe"}, {"rows", 1}}));
    EXPECT_OK(one);
    grid = one.value(QStringLiteral("control")).toObject();
    EXPECT_EQ(grid.value(QStringLiteral("rowCount")).toInt(), 3);
    ASSERT_EQ(grid.value(QStringLiteral("rows")).toArray().size(), 1);
    EXPECT_EQ(grid.value(QStringLiteral("rows")).toArray().at(0).toArray().size(), 2);
    EXPECT_EQ(host->send(cmd("control", {{"control", "frmDenemeA.lblCevap"}}))
                  .value(QStringLiteral("control")).toObject().value(QStringLiteral("caption")).toString(),
              QStringLiteral("başlık=1"));
    EXPECT_FALSE(host->send(cmd("control", {{"control", "frmDenemeA.yok"}})).value(QStringLiteral("ok")).toBool());
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(HostTest, PicturesOfAWindowAndOfTheScreen) {
    auto host = start();
    EXPECT_OK(press(*host, "DenemeA", "Pencere"));
    const QJsonObject window = form(*host, QStringLiteral("frmDenemeA"));
    const QString one = path(QStringLiteral("pencere.png")), all = path(QStringLiteral("ekran.png"));
    const QJsonObject shot = host->send(cmd("screenshot", {{"path", one}, {"form", "frmDenemeA"}}));
    EXPECT_OK(shot);
    QImage picture(one);
    ASSERT_FALSE(picture.isNull());
    // Twips of the outer window, 15 to a pixel.
    EXPECT_EQ(picture.width(), window.value(QStringLiteral("width")).toInt() / 15);
    EXPECT_EQ(picture.height(), window.value(QStringLiteral("height")).toInt() / 15);
    EXPECT_EQ(shot.value(QStringLiteral("width")).toInt(), picture.width());
    // Not a blank: the window's controls are drawn in it.
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 2)
        for (int x = 0; x < picture.width(); x += 2)
            colours.insert(picture.pixel(x, y));
    EXPECT_GT(colours.size(), 2);
    EXPECT_OK(host->send(cmd("screenshot", {{"path", all}})));
    EXPECT_GE(QImage(all).width(), picture.width());

    for (const QJsonObject& wrong : {cmd("screenshot", {{"path", one}, {"form", "frmYok"}}),
                                     cmd("screenshot", {{"path", path(QStringLiteral("yok/yok.png"))}}),
                                     cmd("screenshot", {})}) {
        const QJsonObject reply = host->send(wrong);
        EXPECT_FALSE(reply.value(QStringLiteral("ok")).toBool()) << QJsonDocument(wrong).toJson().toStdString();
    }
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(HostTest, WorkbookCommandsReadAndWriteWhatTheAddinSees) {
    {
        QFile csv(path(QStringLiteral("liste.csv")));
        ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
        csv.write("Ad Soyad,GSM,Tutar\nAyşe Yılmaz,0532 123 45 67,150.5\nMehmet Öz,05441234567,20\n");
    }
    auto host = start();
    QJsonObject opened = host->send(cmd("open", {{"path", path(QStringLiteral("liste.csv"))}}));
    EXPECT_OK(opened);
    EXPECT_EQ(opened.value(QStringLiteral("workbook")).toString(), QStringLiteral("liste.csv"));

    QJsonObject gsm = host->send(cmd("cell", {{"address", "B3"}}));
    EXPECT_EQ(gsm.value(QStringLiteral("value")).toString(), QStringLiteral("05441234567"));
    QJsonObject amount = host->send(cmd("cell", {{"address", "C2"}}));
    EXPECT_EQ(amount.value(QStringLiteral("value")).toDouble(), 150.5);
    EXPECT_EQ(amount.value(QStringLiteral("text")).toString(), QStringLiteral("150,5"));

    EXPECT_OK(host->send(cmd("set-cell", {{"address", "D2"}, {"value", 7}})));
    EXPECT_OK(host->send(cmd("set-cell", {{"address", "B2"}, {"value", QJsonValue::Null}})));
    EXPECT_TRUE(host->send(cmd("cell", {{"address", "B2"}})).value(QStringLiteral("value")).isNull());
    EXPECT_EQ(host->send(cmd("cell", {{"address", "D2"}})).value(QStringLiteral("value")).toDouble(), 7);

    // The add-in reads the selection the protocol set, every area of it.
    QJsonObject selected = host->send(cmd("select", {{"range", "A2:A3,C2"}}));
    EXPECT_EQ(selected.value(QStringLiteral("address")).toString(), QStringLiteral("$A$2:$A$3,$C$2"));
    EXPECT_OK(press(*host, "DenemeA", "Pencere"));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmDenemeA.cmdSecim"}})));
    EXPECT_EQ(caption(*host, QStringLiteral("frmDenemeA"), QStringLiteral("lblCevap")), QStringLiteral("$A$2:$A$3,$C$2 2"));

    const QString saved = path(QStringLiteral("kopya.xlsx"));
    EXPECT_EQ(host->send(cmd("save-as", {{"path", saved}})).value(QStringLiteral("workbook")).toString(),
              QStringLiteral("kopya.xlsx"));
    EXPECT_EQ(host->send(cmd("new")).value(QStringLiteral("workbook")).toString(), QStringLiteral("Kitap1"));
    EXPECT_TRUE(host->send(cmd("cell", {{"address", "A2"}})).value(QStringLiteral("value")).isNull());
    EXPECT_OK(host->send(cmd("sheet", {{"name", "Sayfa2"}})));
    EXPECT_OK(host->send(cmd("set-cell", {{"address", "A1"}, {"value", "ikinci"}, {"sheet", "Sayfa3"}})));
    EXPECT_EQ(host->send(cmd("cell", {{"address", "A1"}, {"sheet", "Sayfa3"}})).value(QStringLiteral("value")).toString(),
              QStringLiteral("ikinci"));
    EXPECT_TRUE(host->send(cmd("cell", {{"address", "A1"}})).value(QStringLiteral("value")).isNull())
        << "Sayfa2 stays the active sheet";
    EXPECT_FALSE(host->send(cmd("sheet", {{"name", "Yok"}})).value(QStringLiteral("ok")).toBool());

    EXPECT_OK(host->send(cmd("open", {{"path", saved}})));
    EXPECT_EQ(host->send(cmd("cell", {{"address", "A2"}})).value(QStringLiteral("value")).toString(), QStringLiteral("Ayşe Yılmaz"));
    EXPECT_EQ(host->send(cmd("cell", {{"address", "D2"}})).value(QStringLiteral("value")).toDouble(), 7);
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(HostTest, ExportInstanceGetsTheAddinsWithCustomThreeAndModuleStateOfItsOwn) {
    auto host = start();
    const QString target = path(QStringLiteral("rapor.xls"));
    EXPECT_OK(host->send(cmd("save-dialog", {{"path", target}})));
    EXPECT_OK(press(*host, "DenemeA", "Dışa Aktar"));

    const QJsonArray instances = host->send(cmd("instances")).value(QStringLiteral("instances")).toArray();
    ASSERT_EQ(instances.size(), 1);
    const QJsonObject instance = instances.at(0).toObject();
    EXPECT_TRUE(instance.value(QStringLiteral("visible")).toBool());
    const QJsonObject book = instance.value(QStringLiteral("workbooks")).toArray().at(0).toObject();
    EXPECT_EQ(book.value(QStringLiteral("name")).toString(), QStringLiteral("rapor.xls"));
    EXPECT_EQ(QDir(book.value(QStringLiteral("path")).toString()).canonicalPath(), QDir(dir_.path()).canonicalPath());
    EXPECT_EQ(book.value(QStringLiteral("sheets")).toArray(), (QJsonArray{"Sayfa1", "Sayfa2", "Sayfa3"}));
    EXPECT_TRUE(QFile::exists(target));

    // A cancelled dialog makes no instance.
    EXPECT_OK(host->send(cmd("save-dialog", {{"cancel", true}})));
    EXPECT_OK(press(*host, "DenemeA", "Dışa Aktar"));
    EXPECT_EQ(host->send(cmd("instances")).value(QStringLiteral("instances")).toArray().size(), 1);

    EXPECT_OK(host->send(cmd("quit")));
    EXPECT_EQ(host->waitForExit(), 0);
    // The instance's copy of the add-in counts its own connections: on
    // Windows it lives in a process of its own.
    EXPECT_EQ(log(), "A connect mode=1 custom=1 count=1\n"
              "A connect mode=1 custom=3 count=1\n"
              "A disconnect mode=0\n"
              "A disconnect mode=0");
}

TEST_F(HostTest, PopupMenusAndTheShellAreAnsweredAndRecorded) {
    auto host = start();
    EXPECT_OK(press(*host, "DenemeA", "Pencere"));
    EXPECT_OK(host->send(cmd("popup", {{"caption", "İkinci"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmDenemeA.cmdMenu"}})));
    EXPECT_EQ(caption(*host, QStringLiteral("frmDenemeA"), QStringLiteral("lblCevap")), QStringLiteral("menü=1"));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmDenemeA.cmdMenu"}})));
    EXPECT_EQ(caption(*host, QStringLiteral("frmDenemeA"), QStringLiteral("lblCevap")), QStringLiteral("menü=-1"));

    EXPECT_OK(press(*host, "DenemeA", "Yardım"));
    const QJsonArray calls = host->send(cmd("shell")).value(QStringLiteral("shell")).toArray();
    ASSERT_EQ(calls.size(), 1);
    const QJsonObject call = calls.at(0).toObject();
    EXPECT_EQ(call.value(QStringLiteral("verb")).toString(), QStringLiteral("open"));
    EXPECT_EQ(QFileInfo(call.value(QStringLiteral("file")).toString()).absolutePath(),
              QFileInfo(addin("hosttest_a")).absolutePath()) << "the add-in's own folder";
    EXPECT_EQ(call.value(QStringLiteral("show")).toInt(), 5);
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(HostTest, BadInputGetsOkFalseAndTheHostGoesOn) {
    auto host = start();
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"this is not json", "malformed"},
        {"[1, 2]", "malformed"},
        {R"({"nocmd": 1})", "cmd"},
        {R"({"cmd": "fly"})", "unknown command"},
        {R"({"cmd": "cell", "address": "A1"})", "no workbook"},
        {R"({"cmd": "open"})", "path"},
        {R"({"cmd": "open", "path": "/no/such/book.xls"})", ""},
        {R"({"cmd": "press", "bar": "DenemeA", "caption": "Yok"})", "Yok"},
        {R"({"cmd": "press", "bar": "Yok", "caption": "Pencere"})", "Yok"},
        {R"({"cmd": "press", "bar": "DenemeA", "caption": "Hata"})", "deneme hatası"},
        {R"({"cmd": "click", "control": "frmYok.cmdSor"})", "frmYok"},
        {R"({"cmd": "click", "control": "cmdSor"})", "form.control"},
        {R"({"cmd": "answer", "with": "belki"})", "belki"},
        {R"({"cmd": "wait", "ms": "uzun"})", "number"},
    };
    for (const auto& c : cases) {
        const QJsonObject reply = host->sendLine(c.line);
        EXPECT_FALSE(reply.value(QStringLiteral("ok")).toBool(true)) << c.line;
        EXPECT_TRUE(reply.value(QStringLiteral("error")).toString().contains(QString::fromUtf8(c.error)))
            << c.line << " gave " << reply.value(QStringLiteral("error")).toString().toStdString();
    }
    EXPECT_OK(press(*host, "DenemeA", "Pencere"));
    EXPECT_FALSE(host->send(cmd("click", {{"control", "frmDenemeA.cmdYok"}})).value(QStringLiteral("ok")).toBool());
    EXPECT_FALSE(host->send(cmd("set", {{"control", "frmDenemeA.lblCevap"}, {"value", "x"}})).value(QStringLiteral("ok")).toBool());
    // An id is handed back, so that a caller can pair the replies.
    EXPECT_EQ(host->send(cmd("forms", {{"id", 42}})).value(QStringLiteral("id")).toInt(), 42);
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(HostTest, FailingAddinsAreReportedAndTheOthersWork) {
    auto host = start({QStringLiteral("--addin"), addin("hosttest_failing"), QStringLiteral("--addin"),
                       addin("hosttest_noentry"), QStringLiteral("--addin"), path(QStringLiteral("yok.so")),
                       QStringLiteral("--addin"), addin("hosttest_a")});
    EXPECT_OK(press(*host, "DenemeA", "Pencere"));
    EXPECT_FALSE(form(*host, QStringLiteral("frmDenemeA")).isEmpty());
    EXPECT_EQ(host->finish(), 0);
    const QString errors = host->errors();
    EXPECT_TRUE(errors.contains(QStringLiteral("bağlantı kurulamadı"))) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("lacks the entry point"))) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("yok.so"))) << errors.toStdString();
}

TEST_F(HostTest, TwoBuildsOfOneAddinKeepTheirOwnClasses) {
    auto host = start({QStringLiteral("--addin"), addin("hosttest_a"), QStringLiteral("--addin"), addin("hosttest_b")});
    EXPECT_OK(press(*host, "DenemeA", "Pencere"));
    EXPECT_OK(press(*host, "DenemeB", "Pencere"));
    const QJsonArray windows = host->send(cmd("forms")).value(QStringLiteral("forms")).toArray();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows.at(0).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("frmDenemeA"));
    EXPECT_EQ(windows.at(1).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("frmDenemeB"));
    EXPECT_EQ(host->finish(), 0);
    EXPECT_EQ(log(), "A connect mode=1 custom=1 count=1\n"
              "B connect mode=1 custom=1 count=1\n"
              "A disconnect mode=0\n"
              "B disconnect mode=0");
}

TEST_F(HostTest, AnAddinAskingToQuitEndsTheRunAfterItsReply) {
    auto host = start();
    EXPECT_OK(press(*host, "DenemeA", "Kapat"));
    EXPECT_EQ(host->waitForExit(), 0);
    // Its disconnection asks to quit again; the host does not start over.
    EXPECT_EQ(log(), "A connect mode=1 custom=1 count=1\n"
              "A disconnect mode=0");
}

TEST_F(HostTest, EndOfInputDisconnectsTheAddinsAndExits) {
    auto host = start();
    EXPECT_OK(press(*host, "DenemeA", "Pencere"));
    EXPECT_EQ(host->finish(), 0);
    EXPECT_EQ(log(), "A connect mode=1 custom=1 count=1\n"
              "A disconnect mode=0");
}

TEST_F(HostTest, RegisteredAddinLoadsAtStartUntilUnregistered) {
    const QString library = QFileInfo(addin("hosttest_a")).canonicalFilePath();
    ASSERT_EQ(registration("--register", library), 0);

    using win32::Registry;
    const QString key = QStringLiteral("HKCU\\Software\\Microsoft\\Office\\Excel\\Addins\\HostTestA.Connect");
    EXPECT_EQ(Registry::value(key, QStringLiteral("FriendlyName")).value_or(QVariant()).toString(), QStringLiteral("Deneme"));
    EXPECT_EQ(Registry::value(key, QStringLiteral("Description")).value_or(QVariant()).toString(), QStringLiteral("Deneme eklentisi"));
    EXPECT_EQ(Registry::value(key, QStringLiteral("LoadBehavior")).value_or(QVariant()).toInt(), 3);
    const QString classId = win32::RegRead(QStringLiteral("HKCR\\HostTestA.Connect\\CLSID\\")).toString();
    EXPECT_TRUE(classId.startsWith(u'{') && classId.endsWith(u'}')) << classId.toStdString();
    EXPECT_EQ(win32::RegRead(QStringLiteral("HKCR\\CLSID\\%1\\InprocServer32\\").arg(classId)).toString(), library);
    // The data-access layer is registered where the add-in's probe looks.
    const QString adoClass = win32::RegRead(QStringLiteral("HKCR\\ADODB.Connection\\CLSID\\")).toString();
    EXPECT_EQ(adoClass, QStringLiteral("{00000514-0000-0010-8000-00AA006D2EA4}"));
    const QString adoPath = win32::RegRead(QStringLiteral("HKCR\\CLSID\\%1\\InprocServer32\\").arg(adoClass)).toString();
    EXPECT_EQ(adoPath, QDir(buildPath(QStringLiteral("lib/libqm_ado.so"))).absolutePath());
    EXPECT_TRUE(QFile::exists(adoPath));

    {
        auto host = start({});
        const QJsonArray bars = host->send(cmd("bars")).value(QStringLiteral("bars")).toArray();
        EXPECT_FALSE(findByName(bars, QStringLiteral("DenemeA")).isEmpty());
        EXPECT_EQ(host->finish(), 0);
    }
    EXPECT_EQ(log(), "A connect mode=1 custom=1 count=1\n"
                     "A disconnect mode=0");

    ASSERT_EQ(registration("--unregister", library), 0);
    EXPECT_FALSE(Registry::keyExists(key));
    EXPECT_FALSE(Registry::keyExists(QStringLiteral("HKCR\\HostTestA.Connect")));
    EXPECT_FALSE(Registry::keyExists(QStringLiteral("HKCR\\CLSID\\") + classId));
    EXPECT_TRUE(Registry::keyExists(QStringLiteral("HKCR\\ADODB.Connection\\CLSID")));
    EXPECT_NE(registration("--unregister", library), 0) << "nothing left to remove";

    auto host = start({});
    EXPECT_TRUE(findByName(host->send(cmd("bars")).value(QStringLiteral("bars")).toArray(), QStringLiteral("DenemeA")).isEmpty());
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(HostTest, OnlyLoadBehaviourThreeLoadsAtStart) {
    ASSERT_EQ(registration("--register", addin("hosttest_a")), 0);
    ASSERT_EQ(registration("--register", addin("hosttest_b")), 0);
    win32::Registry::setValue(QStringLiteral("HKCU\\Software\\Microsoft\\Office\\Excel\\Addins\\HostTestB.Connect"),
                              QStringLiteral("LoadBehavior"), 2);
    auto host = start({});
    const QJsonArray bars = host->send(cmd("bars")).value(QStringLiteral("bars")).toArray();
    EXPECT_FALSE(findByName(bars, QStringLiteral("DenemeA")).isEmpty());
    EXPECT_TRUE(findByName(bars, QStringLiteral("DenemeB")).isEmpty());
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(HostTest, RegisteringWhatIsNoAddinFails) {
    EXPECT_NE(registration("--register", addin("hosttest_noentry")), 0);
    EXPECT_NE(registration("--register", path(QStringLiteral("yok.so"))), 0);
    EXPECT_FALSE(win32::Registry::keyExists(QStringLiteral("HKCU\\Software\\Microsoft\\Office\\Excel\\Addins")));
}

} // namespace
