#include "platform/vb/error.h"
#include "platform/win32/app.h"
#include "platform/win32/filesystem.h"
#include "platform/win32/registry.h"
#include "platform/win32/shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
