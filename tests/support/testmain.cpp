// The main of every test binary: a headless QApplication, Turkish regional
// settings and Qt texts, scripted message boxes and dialogs, and a registry
// file of the run's own and a folder of its own for Windows paths, so that
// no test depends on the machine or on another test.
#include "platform/forms/browser.h"
#include "platform/forms/desktop.h"
#include "platform/forms/services.h"
#include "platform/vb/regional.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Without TZ every local date conversion asks the C library to look at
    // /etc/localtime again.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);

    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QDir(config.path()).absolutePath().toLocal8Bit());
    qunsetenv("QUILLMERE_REGISTRY");
    // What the add-in writes to Windows paths stays inside the run.
    QTemporaryDir drive;
    qputenv("QUILLMERE_WINDOWS_DRIVE", QDir(drive.path()).absolutePath().toLocal8Bit());

    forms::UseTurkishSystemLocale();
    QApplication app(argc, argv);
    vb::SetRegional(vb::RegionalSettings::turkish());
    forms::InstallTurkishTranslations();
    forms::InstallScriptedServices();
    forms::WebBrowser::setRemoteAllowed(false);
    return RUN_ALL_TESTS();
}
