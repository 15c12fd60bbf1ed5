// The second edition's binding: the add-in designer's events.
#include "edition2/Connect.h"
#include "edition2/modSharedCode.h"
#include "edition2/windows.h"
#include "platform/excel/application.h"
#include "platform/excel/commandbars.h"
#include "platform/forms/services.h"
#include "tests/support/temp_database.h"

#include <gtest/gtest.h>

namespace {

class Edition2Connect : public ::testing::Test {
protected:
    TempDatabase db;
    forms::ScriptedServices services = forms::InstallScriptedServices();
    std::shared_ptr<excel::Application> app = excel::Application::New();
    int quits = 0;

    void SetUp() override { app->setQuitHandler([this] { ++quits; }); }
    void TearDown() override {
        for (forms::Form* f : forms::LoadedForms())
            forms::Unload(*f);
        forms::FlushUnloaded();
    }

    std::shared_ptr<excel::CommandBar> menuBar() { return app->CommandBars().Item(QStringLiteral("Worksheet Menu Bar")); }
    bool hasToolbar() {
        for (int i = 1; i <= app->CommandBars().Count(); ++i)
            if (app->CommandBars().Item(i)->Name() == u"Quillmere")
                return true;
        return false;
    }
    static QStringList loadedWindows() {
        QStringList out;
        for (forms::Form* f : forms::LoadedForms())
            out << f->className();
        return out;
    }
};

TEST_F(Edition2Connect, TheToolbarAndTheMenuComeAtEveryConnection) {
    // However the host was started: for a person, for automation, or with
    // an array that has no element 1.
    excel::CustomArray arrays[] = {{1, {1}}, {1, {3}}, {0, {}}};
    for (excel::CustomArray& custom : arrays) {
        SCOPED_TRACE(custom.UBound());
        mdlGenel::ResetState();
        edition2::Connect addin;
        addin.OnConnection(app, excel::ext_cm_Startup, nullptr, custom);
        EXPECT_EQ(edition2::modSharedCode::ExcelApp, app);
        EXPECT_EQ(mdlGenel::StartFlag, QStringLiteral("1"));
        auto bar = app->CommandBars().Item(QStringLiteral("Quillmere"));
        EXPECT_TRUE(bar->Visible());
        ASSERT_EQ(bar->Controls().Count(), 5);
        EXPECT_EQ(bar->Controls().Item(1)->Caption(), QStringLiteral("SMS Gönder"));
        auto popup = menuBar()->Controls().Item(8);
        EXPECT_EQ(popup->Caption(), QStringLiteral("&Quillmere"));
        ASSERT_EQ(popup->Controls().Count(), 6);
        EXPECT_EQ(popup->Controls().Item(6)->Caption(), QStringLiteral("Quillmere Hakkında"));
        EXPECT_TRUE(services.msgBoxes->records().empty());
        addin.OnDisconnection(excel::ext_dm_UserClosed, custom);
        EXPECT_FALSE(hasToolbar());
        EXPECT_EQ(menuBar()->Controls().Count(), 9);
    }
}

TEST_F(Edition2Connect, AToolbarLeftFromAnEarlierRunIsCleanedUpForAnyHost) {
    excel::CustomArray automation{1, {3}};
    app->CommandBars().Add(QStringLiteral("Quillmere"));
    menuBar()->Controls().Add(10, 8)->setCaption(QStringLiteral("&Quillmere"));
    edition2::Connect addin;
    addin.OnConnection(app, excel::ext_cm_Startup, nullptr, automation);
    ASSERT_EQ(services.msgBoxes->records().size(), 1u);
    const auto& box = services.msgBoxes->records()[0];
    EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("Quillmere uygulaması bir hatayla karşılaştı.\r\n")));
    EXPECT_EQ(box.buttons, 64);
    EXPECT_EQ(box.title, QStringLiteral("Quillmere"));
    EXPECT_FALSE(hasToolbar());
    EXPECT_EQ(menuBar()->Controls().Count(), 9);
}

TEST_F(Edition2Connect, ACommandHandsItsWindowToTheSecondEditionsGate) {
    excel::CustomArray started{1, {1}};
    edition2::Connect addin;
    addin.OnConnection(app, excel::ext_cm_Startup, nullptr, started);
    db.query(QStringLiteral("DELETE FROM tbl_ayarlar"));
    app->CommandBars().Item(QStringLiteral("Quillmere"))->Controls().Item(2)->Execute();
    ASSERT_TRUE(forms::IsLoaded<edition2::frmGiris>());
    EXPECT_FALSE(forms::IsLoaded<::frmGiris>());
    EXPECT_EQ(forms::Get<edition2::frmGiris>().TargetForm, forms::FormRef::To<frmRapor>());
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
}

TEST_F(Edition2Connect, DisconnectionUnloadsTheWindowsButLeavesTheAboutBoxAndTheHost) {
    for (int mode : {excel::ext_dm_UserClosed, excel::ext_dm_HostShutdown}) {
        SCOPED_TRACE(mode);
        excel::CustomArray started{1, {1}};
        edition2::Connect addin;
        addin.OnConnection(app, excel::ext_cm_Startup, nullptr, started);
        edition2::Windows::ForEach([]<class W>() { forms::Get<W>(); });
        forms::Get<frmHakkinda>().Show();
        addin.OnDisconnection(mode, started);
        EXPECT_FALSE(hasToolbar());
        EXPECT_EQ(menuBar()->Controls().Count(), 9);
        forms::FlushUnloaded();
        QStringList left = loadedWindows();
        left.sort();
        EXPECT_EQ(left, (QStringList{"frmHakkinda", "frmPop"}));
        EXPECT_TRUE(forms::Get<frmHakkinda>().isVisible());
        // The host is neither asked to quit nor let go of.
        EXPECT_EQ(quits, 0);
        EXPECT_EQ(edition2::modSharedCode::ExcelApp, app);
        for (forms::Form* f : forms::LoadedForms())
            forms::Unload(*f);
        forms::FlushUnloaded();
    }
}

} // namespace
