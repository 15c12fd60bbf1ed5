#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/win32/app.h"
#include "platform/win32/filesystem.h"
#include "platform/win32/paths.h"
#include "platform/win32/registry.h"
#include "platform/win32/shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

using namespace win32;

namespace {

TEST(Registry, KeysLiveInTheConfigFolderAndReadBackCaseInsensitively) {
    EXPECT_TRUE(Registry::filePath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    RegWrite(QStringLiteral("HKCR\\ADODB.Connection\\CLSID\\"), QStringLiteral("{00000514-0000-0010-8000-00AA006D2EA4}"));
    EXPECT_EQ(RegRead(QStringLiteral("HKEY_CLASSES_ROOT\\adodb.connection\\CLSID\\")).toString(),
              QStringLiteral("{00000514-0000-0010-8000-00AA006D2EA4}"));
    Registry::setValue(QStringLiteral("HKCU\\Software\\Microsoft\\Office\\Excel\\Addins\\Quillmere.Connect"),
                       QStringLiteral("LoadBehavior"), 3);
    EXPECT_EQ(Registry::value(QStringLiteral("HKCU\\Software\\Microsoft\\Office\\Excel\\Addins\\Quillmere.Connect"),
                              QStringLiteral("loadbehavior"))->toInt(), 3);
    EXPECT_EQ(Registry::subKeys(QStringLiteral("HKCU\\Software\\Microsoft\\Office\\Excel\\Addins")),
              QStringList{QStringLiteral("Quillmere.Connect")});
    EXPECT_TRUE(Registry::deleteKey(QStringLiteral("HKCU\\Software\\Microsoft\\Office\\Excel\\Addins\\Quillmere.Connect")));
    EXPECT_TRUE(Registry::subKeys(QStringLiteral("HKCU\\Software\\Microsoft\\Office\\Excel\\Addins")).isEmpty());
}

TEST(Registry, ReadingWhatIsNotThereRaises) {
    EXPECT_THROW(RegRead(QStringLiteral("HKCR\\Nowhere\\CLSID\\")), vb::Error);
    EXPECT_THROW(RegRead(QStringLiteral("HKCR\\ADODB.Connection\\NoSuchValue")), vb::Error);
    EXPECT_THROW(RegRead(QStringLiteral("HKXX\\Bad\\")), vb::Error);
}

TEST(FileSystem, VersionsFromSidecarOrEmbeddedMarker) {
    QTemporaryDir dir;
    FileSystemObject fso;
    QString plain = dir.filePath(QStringLiteral("plain.so"));
    QString marked = dir.filePath(QStringLiteral("marked.so"));
    QString sidecar = dir.filePath(QStringLiteral("side.so"));
    { QFile f(plain); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); f.write("no version here"); }
    { QFile f(marked); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); f.write(QByteArray("xx QMFILEVERSION:\0 yy QMFILEVERSION:2.81.1117.0\0 zz", 52)); }
    { QFile f(sidecar); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); f.write("bin"); }
    { QFile f(sidecar + ".version"); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); f.write("10.0\n"); }
    EXPECT_EQ(fso.GetFileVersion(plain), QString());
    EXPECT_EQ(fso.GetFileVersion(marked), QStringLiteral("2.81.1117.0"));
    EXPECT_EQ(fso.GetFileVersion(sidecar), QStringLiteral("10.0"));
    EXPECT_THROW(fso.GetFileVersion(dir.filePath(QStringLiteral("missing.dll"))), vb::Error);
    EXPECT_TRUE(fso.FileExists(plain));
    EXPECT_FALSE(fso.FileExists(dir.path()));
    fso.DeleteFile(plain);
    EXPECT_FALSE(fso.FileExists(plain));
    EXPECT_THROW(fso.DeleteFile(plain), vb::Error);
}

TEST(FileSystem, AReadOnlyFileIsNotDeleted) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rapor.xls"));
    { QFile f(path); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); f.write("x"); }
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    FileSystemObject fso;
    try {
        fso.DeleteFile(path);
        ADD_FAILURE() << "a read-only file was deleted";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::errPermissionDenied);
    }
    EXPECT_TRUE(QFile::exists(path));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// Sets an environment variable for one test and gives the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value.toLocal8Bit());
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

struct PathCase {
    const char* windows;
    const char* local;   // below the drive folder; nullptr: unchanged
};

class WindowsPaths : public ::testing::TestWithParam<PathCase> {
protected:
    QTemporaryDir drive;
    ScopedEnv named{"QUILLMERE_WINDOWS_DRIVE", drive.path()};
};

TEST_P(WindowsPaths, LandInTheDriveFolder) {
    const QString windows = QString::fromUtf8(GetParam().windows);
    const QString expected = GetParam().local ? QDir(drive.path()).absolutePath() + QString::fromUtf8(GetParam().local)
                                              : windows;
    EXPECT_EQ(LocalPath(windows), expected);
    EXPECT_EQ(IsWindowsPath(windows), GetParam().local != nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, WindowsPaths,
    ::testing::Values(PathCase{"C:\\gitmeyen.xls", "/gitmeyen.xls"}, PathCase{"\\", ""}, PathCase{"d:", ""},
                      PathCase{"C:\\Raporlar\\Ocak Ayı.xls", "/Raporlar/Ocak Ayı.xls"},
                      PathCase{"c:rapor.xls", "/rapor.xls"}, PathCase{"C:/a/./b\\c.xls", "/a/b/c.xls"},
                      PathCase{"\\..\\..\\etc\\passwd", "/etc/passwd"},
                      PathCase{"C:\\a\\..\\..\\b.xls", "/b.xls"},
                      PathCase{"/tmp/rapor.xls", nullptr}, PathCase{"rapor.xls", nullptr},
                      PathCase{"1:\\x", nullptr}, PathCase{"", nullptr}));

TEST(WindowsDrive, IsTheDocumentsFolderUnlessNamedAndIsCreated) {
    QTemporaryDir dir;
    const QString named = dir.filePath(QStringLiteral("sürücü/C"));
    std::optional<ScopedEnv> drive(std::in_place, "QUILLMERE_WINDOWS_DRIVE", named);
    EXPECT_EQ(WindowsDriveFolder(), named);
    EXPECT_TRUE(QFileInfo(named).isDir());
    FileSystemObject fso;
    { QFile f(named + QStringLiteral("/gitmeyen.xls")); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); }
    EXPECT_TRUE(fso.FileExists(QStringLiteral("C:\\gitmeyen.xls")));
    fso.DeleteFile(QStringLiteral("C:\\gitmeyen.xls"));
    EXPECT_FALSE(QFile::exists(named + QStringLiteral("/gitmeyen.xls")));

    drive.emplace("QUILLMERE_WINDOWS_DRIVE", QString());
    const QString home = dir.filePath(QStringLiteral("home"));
    ScopedEnv homeEnv("HOME", home);
    EXPECT_EQ(WindowsDriveFolder(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    EXPECT_TRUE(WindowsDriveFolder().startsWith(home));
    EXPECT_TRUE(QFileInfo(WindowsDriveFolder()).isDir());
}

TEST(Shell, TestsRecordTheCalls) {
    auto rec = std::make_shared<RecordingShellService>();
    SetShellService(rec);
    EXPECT_GT(ShellExecute(nullptr, QStringLiteral("open"), QStringLiteral("/x/quillmere.chm"), QString(), QString(), SW_SHOWNORMAL), 32);
    ASSERT_EQ(rec->calls().size(), 1u);
    EXPECT_EQ(rec->calls()[0].verb, QStringLiteral("open"));
    EXPECT_EQ(rec->calls()[0].file, QStringLiteral("/x/quillmere.chm"));
    EXPECT_EQ(rec->calls()[0].show, 1);
    SetShellService(nullptr);
}

// The desktop's shell, with programs of the test's own in place of the
// desktop's: each writes what it was given into a log, and xdg-open a copy
// of the file it was given and that file's mode.
class DesktopShell : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        bin = dir.filePath(QStringLiteral("bin"));
        ASSERT_TRUE(QDir().mkpath(bin));
        savedPath = qgetenv("PATH");
        qputenv("PATH", bin.toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", dir.filePath(QStringLiteral("run")).toLocal8Bit());
        QDir().mkpath(dir.filePath(QStringLiteral("run")));
        QFile::setPermissions(dir.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        boxes = std::make_shared<vb::ScriptedMsgBoxService>();
        vb::SetMsgBoxService(boxes);
        help = dir.filePath(QStringLiteral("quillmere.chm"));
        QFile f(help);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ITSF");
    }
    void TearDown() override {
        // The programs started end here, and what they make the shell say
        // is said within this test.
        for (QProcess* p : QCoreApplication::instance()->findChildren<QProcess*>())
            p->waitForFinished(5000);
        QCoreApplication::processEvents();
        qputenv("PATH", savedPath);
        qunsetenv("XDG_RUNTIME_DIR");
        vb::SetMsgBoxService(nullptr);
    }

    // A program of the test's own, which exits with `exitCode` after
    // printing `printed`.
    void fake(const char* name, int exitCode = 0, const char* printed = "") {
        const QString path = bin + u'/' + QLatin1String(name);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\nm=''\n"
                               "if [ -f \"$1\" ]; then /bin/cat \"$1\" > '%3'; m=\" mode $(/usr/bin/stat -c %a \"$1\")\"; fi\n"
                               "echo \"%1 $*$m\" >> '%2'\nprintf '%4'\nexit %5\n")
                    .arg(QLatin1String(name), logFile(), copyFile(), QLatin1String(printed))
                    .arg(exitCode)
                    .toUtf8());
        f.close();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString logFile() const { return dir.filePath(QStringLiteral("log")); }
    QString copyFile() const { return dir.filePath(QStringLiteral("copy")); }
    static QString read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // The line of what a program was given, once it has run.
    QString logged(const QString& program) {
        QString line;
        // An empty line fails the test's expectations.
        (void)QTest::qWaitFor([&] {
            for (const QString& l : read(logFile()).split(u'\n'))
                if (l.startsWith(program + u' '))
                    line = l;
            return !line.isEmpty();
        }, 5000);
        return line;
    }
    QStringList told() const {
        QStringList out;
        for (const vb::MessageRecord& r : boxes->records())
            out << r.prompt;
        return out;
    }
    long open(const QString& file) {
        DesktopShellService shell;
        return shell.execute({QStringLiteral("open"), file, {}, {}, SW_SHOWNORMAL});
    }

    QTemporaryDir dir;
    QString bin, help;
    QByteArray savedPath;
    std::shared_ptr<vb::ScriptedMsgBoxService> boxes;
};

TEST_F(DesktopShell, AHelpFileOpensInAHelpViewerWhereTheDesktopNamesNone) {
    fake("xdg-open");
    fake("xchm");
    EXPECT_GT(open(help), 32);
    EXPECT_TRUE(logged(QStringLiteral("xchm")).startsWith(QStringLiteral("xchm ") + help + u' '));
    EXPECT_TRUE(told().isEmpty());
}

TEST_F(DesktopShell, AHelpFileOpensWithTheProgramTheDesktopNames) {
    fake("xdg-open");
    fake("xchm");
    fake("xdg-mime", 0, "okular.desktop\\n");
    EXPECT_GT(open(help), 32);
    EXPECT_TRUE(logged(QStringLiteral("xdg-open")).startsWith(QStringLiteral("xdg-open ") + help));
    EXPECT_FALSE(read(logFile()).contains(QStringLiteral("xchm ")));
}

TEST_F(DesktopShell, WhatCannotBeOpenedIsToldInTurkish) {
    // No program at all, a program that fails at once, a file that is not there.
    EXPECT_EQ(open(help), 31);
    fake("xdg-open", 3);
    EXPECT_GT(open(help), 32);
    EXPECT_TRUE(QTest::qWaitFor([&] { return boxes->records().size() == 2; }, 5000));
    EXPECT_EQ(open(dir.filePath(QStringLiteral("yok.chm"))), 2);
    const QString cannot = QStringLiteral("'%1' açılamadı: bu tür dosyaları açacak bir program bulunamadı.").arg(help);
    EXPECT_EQ(told(), (QStringList{cannot, cannot,
                                   QStringLiteral("'%1' dosyası bulunamadı.").arg(dir.filePath(QStringLiteral("yok.chm")))}));
}

TEST_F(DesktopShell, AWebAddressReachesTheBrowserThroughAPageOfTheUsersOwnNotOnACommandLine) {
    fake("xdg-open");
    const QString address =
        QStringLiteral("https://www.quillmere.example/sms/login.asp?username=demo&password=gizli%26%C5%9Fifre&company=DEMO");
    EXPECT_GT(open(address), 32);
    const QString log = logged(QStringLiteral("xdg-open"));
    EXPECT_TRUE(log.startsWith(QStringLiteral("xdg-open ") + dir.filePath(QStringLiteral("run")))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("gizli")));
    EXPECT_FALSE(log.contains(QStringLiteral("password")));
    EXPECT_TRUE(log.contains(QStringLiteral("mode 600"))) << "readable by its owner only";
    const QString page = read(copyFile());
    EXPECT_TRUE(page.contains(QStringLiteral("location.replace(\"%1\")").arg(address))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("url=") + QString(address).replace(u'&', QStringLiteral("&amp;"))));
    EXPECT_TRUE(told().isEmpty());
}

TEST_F(DesktopShell, WithoutABrowserThePersonIsToldWhichSiteCouldNotBeOpenedButNotTheAccount) {
    const QString address = QStringLiteral("https://www.quillmere.example/sms/login.asp?username=demo&password=gizli");
    EXPECT_EQ(open(address), 31);
    EXPECT_EQ(told(), QStringList{QStringLiteral("'https://www.quillmere.example/sms/login.asp' adresi açılamadı: "
                                                 "bu bilgisayarda bir web tarayıcısı bulunamadı.")});
    // $BROWSER is a browser too.
    fake("tarayici");
    qputenv("BROWSER", "tarayici");
    EXPECT_GT(open(address), 32);
    EXPECT_FALSE(logged(QStringLiteral("tarayici")).isEmpty());
    qunsetenv("BROWSER");
}

TEST(App, PathIsTheFolderOfTheModuleCompiledWithIt) {
    EXPECT_EQ(QDir(AppPath()).canonicalPath(), QDir(QCoreApplication::applicationDirPath()).canonicalPath());
}

} // namespace
