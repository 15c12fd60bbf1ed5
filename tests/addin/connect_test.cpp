#include "addin/Connect.h"
#include "data/database.h"
#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/excel/commandbars.h"
#include "platform/forms/services.h"
#include "platform/win32/app.h"
#include "reports/frmRapor.h"
#include "sending/frmSihirbaz.h"
#include "sending/frmSonEkran.h"
#include "state/mdlGenel.h"
#include "ui/common/frmGiris.h"

#include "tests/support/temp_database.h"

#include <gtest/gtest.h>

namespace {

class ConnectTest : public ::testing::Test {
protected:
    TempDatabase db;
    forms::ScriptedServices services = forms::InstallScriptedServices();
    std::shared_ptr<excel::Application> app = excel::Application::New();
    Connect connect;
    excel::CustomArray started{1, {1}};
    int quits = 0;

    void SetUp() override {
        app->setQuitHandler([this] { ++quits; });
    }
    void TearDown() override {
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
        mdlGenel::ResetState();
    }

    std::shared_ptr<excel::CommandBar> menuBar() { return app->CommandBars().Item(QStringLiteral("Worksheet Menu Bar")); }
    bool hasToolbar() {
        for (int i = 1; i <= app->CommandBars().Count(); ++i)
            if (app->CommandBars().Item(i)->Name() == u"Quillmere") return true;
        return false;
    }
};

TEST_F(ConnectTest, BuildsTheToolbarAndThePopup) {
    connect.OnConnection(app, excel::ext_cm_Startup, nullptr, started);
    EXPECT_EQ(ExcelApp, app);
    EXPECT_EQ(mdlGenel::StartFlag, QStringLiteral("1"));
    auto bar = app->CommandBars().Item(QStringLiteral("Quillmere"));
    EXPECT_TRUE(bar->Visible());
    EXPECT_EQ(bar->Position(), 1);
    struct Expect { const char* caption; int face; } buttons[] = {
        {"SMS Gönder", 24}, {"Raporlar", 17}, {"Ayarlar", 548}, {"Yardım", 984}, {"Web", 1445}};
    ASSERT_EQ(bar->Controls().Count(), 5);
    for (int i = 0; i < 5; ++i) {
        auto c = bar->Controls().Item(i + 1);
        EXPECT_EQ(c->Caption(), QString::fromUtf8(buttons[i].caption));
        EXPECT_EQ(c->FaceId(), buttons[i].face);
        EXPECT_EQ(c->Style(), 3);
    }
    EXPECT_EQ(bar->Controls().Item(5)->TooltipText(), QStringLiteral("www.quillmere.example"));

    auto popup = menuBar()->Controls().Item(8);
    EXPECT_EQ(popup->Caption(), QStringLiteral("&Quillmere"));
    EXPECT_EQ(popup->Type(), 10);
    EXPECT_EQ(menuBar()->Controls().Item(7)->Caption(), QStringLiteral("&Veri"));
    EXPECT_EQ(menuBar()->Controls().Item(9)->Caption(), QStringLiteral("&Pencere"));
    const char* items[] = {"SMS Gönder", "Raporlar", "Ayarlar", "Quillmere Yardımı", "Web", "Quillmere Hakkında"};
    ASSERT_EQ(popup->Controls().Count(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(popup->Controls().Item(i + 1)->Caption(), QString::fromUtf8(items[i]));
    EXPECT_EQ(popup->Controls().Item(5)->TooltipText(), QStringLiteral("www.quillmere.example"));
}

TEST_F(ConnectTest, AHostStartedForAutomationGetsNothing) {
    excel::CustomArray automation{1, {3}};
    connect.OnConnection(app, excel::ext_cm_Startup, nullptr, automation);
    EXPECT_FALSE(hasToolbar());
    EXPECT_EQ(menuBar()->Controls().Count(), 9);
    EXPECT_EQ(ExcelApp, nullptr);
    // Disconnecting then asks nobody to quit.
    connect.OnDisconnection(excel::ext_dm_HostShutdown, automation);
    EXPECT_EQ(quits, 0);
}

TEST_F(ConnectTest, ACustomArrayWithoutSubscriptOneReachesTheHost) {
    excel::CustomArray empty{0, {}};
    EXPECT_THROW(connect.OnConnection(app, excel::ext_cm_Startup, nullptr, empty), vb::Error);
}

TEST_F(ConnectTest, AToolbarLeftFromAnEarlierRunIsCleanedUp) {
    app->CommandBars().Add(QStringLiteral("Quillmere"));
    menuBar()->Controls().Add(10, 8)->setCaption(QStringLiteral("&Quillmere"));
    connect.OnConnection(app, excel::ext_cm_Startup, nullptr, started);
    ASSERT_EQ(services.msgBoxes->records().size(), 1u);
    const auto& box = services.msgBoxes->records()[0];
    EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("Quillmere uygulaması bir hatayla karşılaştı.\r\nSistemin ürettiği hata mesajı : ")));
    EXPECT_TRUE(box.prompt.endsWith(QStringLiteral("\r\nŞimdi Excel uygulamanızın varsayılan ayarları yüklenecek...")));
    EXPECT_EQ(box.buttons, 64);
    EXPECT_EQ(box.title, QStringLiteral("Quillmere"));
    EXPECT_FALSE(hasToolbar());
    EXPECT_EQ(menuBar()->Controls().Count(), 9);
    // The next start builds both again.
    Connect again;
    again.OnConnection(app, excel::ext_cm_Startup, nullptr, started);
    EXPECT_TRUE(hasToolbar());
}

TEST_F(ConnectTest, HelpOpensTheFileBesideTheAddin) {
    connect.OnConnection(app, excel::ext_cm_Startup, nullptr, started);
    app->CommandBars().Item(QStringLiteral("Quillmere"))->Controls().Item(4)->Execute();
    menuBar()->Controls().Item(8)->Controls().Item(4)->Execute();
    ASSERT_EQ(services.shell->calls().size(), 2u);
    for (const auto& call : services.shell->calls()) {
        EXPECT_EQ(call.verb, QStringLiteral("open"));
        EXPECT_EQ(call.file, win32::AppPath() + QStringLiteral("/quillmere.chm"));
        EXPECT_EQ(call.parameters, QString());
        EXPECT_EQ(call.show, 5);
    }
    EXPECT_FALSE(forms::IsLoaded<frmGiris>());
}

TEST_F(ConnectTest, ACommandPassesTheGate) {
    connect.OnConnection(app, excel::ext_cm_Startup, nullptr, started);
    mdlGenel::DbConnection->Execute(QStringLiteral("DELETE FROM tbl_ayarlar"));
    app->CommandBars().Item(QStringLiteral("Quillmere"))->Controls().Item(2)->Execute();
    ASSERT_TRUE(forms::IsLoaded<frmGiris>());
    EXPECT_EQ(forms::Get<frmGiris>().TargetForm, forms::FormRef::To<frmRapor>());
    // Handed over, not loaded: the report window loads when the login shows it.
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
}

TEST_F(ConnectTest, DisconnectionRemovesEverythingAndQuitsOnlyAHostThatShutsDown) {
    for (auto [mode, expectedQuits] : {std::pair{excel::ext_dm_UserClosed, 0}, std::pair{excel::ext_dm_HostShutdown, 1}}) {
        SCOPED_TRACE(mode);
        quits = 0;
        Connect addin;
        addin.OnConnection(app, excel::ext_cm_Startup, nullptr, started);
        forms::Get<frmRapor>().Show();
        addin.OnDisconnection(mode, started);
        EXPECT_FALSE(hasToolbar());
        EXPECT_EQ(menuBar()->Controls().Count(), 9);
        EXPECT_FALSE(forms::IsLoaded<frmRapor>());
        EXPECT_EQ(quits, expectedQuits);
        EXPECT_EQ(ExcelApp, nullptr);
    }
}

TEST_F(ConnectTest, ARemovalWithTheFinalScreenOpenLeavesNoWindow) {
    // The final screen shows the welcome page as it goes, after the welcome
    // page's own turn to be unloaded has passed.
    connect.OnConnection(app, excel::ext_cm_Startup, nullptr, started);
    forms::Get<frmSonEkran>().Show();
    connect.OnDisconnection(excel::ext_dm_UserClosed, started);
    forms::FlushUnloaded();
    EXPECT_TRUE(forms::LoadedForms().empty());
    EXPECT_FALSE(forms::IsLoaded<frmSihirbaz>());
}

} // namespace
