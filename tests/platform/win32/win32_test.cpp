#include "platform/vb/error.h"
#include "platform/win32/app.h"
#include "platform/win32/filesystem.h"
#include "platform/win32/paths.h"
#include "platform/win32/registry.h"
#include "platform/win32/shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
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

TEST(App, PathIsTheFolderOfTheModuleCompiledWithIt) {
    EXPECT_EQ(QDir(AppPath()).canonicalPath(), QDir(QCoreApplication::applicationDirPath()).canonicalPath());
}

} // namespace
