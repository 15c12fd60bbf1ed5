// The second edition's login window, and its support window.
#include "edition2/mdlGenel.h"
#include "edition2/windows.h"
#include "platform/forms/controls.h"
#include "platform/forms/services.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/temp_database.h"

#include <gtest/gtest.h>

namespace {

class Edition2Login : public ::testing::Test {
protected:
    TempDatabase db;
    FakeGateway gateway;
    forms::ScriptedServices services;

    void SetUp() override { services = forms::InstallScriptedServices(); }
    void TearDown() override {
        for (forms::Form* f : forms::LoadedForms())
            forms::Unload(*f);
        forms::FlushUnloaded();
    }

    // What the gate does: show the login window, then hand it the target.
    edition2::frmGiris& open(const QString& type) {
        mdlGenel::GatewayType = type;
        mdlGenel::GatewayUrl = gateway.base() + QStringLiteral("/com.orventa");
        forms::Get<edition2::frmGiris>().Show();
        forms::Get<edition2::frmGiris>().TargetForm = forms::FormRef::To<frmHakkinda>();
        return forms::Get<edition2::frmGiris>();
    }
};

TEST_F(Edition2Login, TheClientCodeRowShowsOnlyForTheGatewayService) {
    struct Case {
        const char* type;
        bool shown;
    } cases[] = {{"Quillmere", true}, {"Palvori", false}, {"", false}, {"Başka", false}};
    for (const Case& c : cases) {
        auto& w = open(QString::fromUtf8(c.type));
        EXPECT_EQ(w.lblClientKodu->isVisibleTo(&w), c.shown) << c.type;
        EXPECT_EQ(w.txtClientKodu->isVisibleTo(&w), c.shown) << c.type;
        forms::Unload(w);
        forms::FlushUnloaded();
    }
}

TEST_F(Edition2Login, ALoginOpensTheTargetWithoutASecondRequest) {
    struct Case {
        const char* type;
        const char* identity;
    } cases[] = {{"Quillmere", "ali-K42"}, {"Palvori", "ali"}};
    gateway.answer("1000\nFIRMA\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const size_t before = gateway.bodies().size();
        auto& w = open(QString::fromUtf8(c.type));
        w.txtUserName->setText(QStringLiteral("ali"));
        w.txtPassWord->setText(QStringLiteral("pw"));
        w.txtClientKodu->setText(QStringLiteral("K42"));
        w.chkKaydet->setValue(1);
        w.btnOturumAc_Click();
        ASSERT_EQ(gateway.bodies().size(), before + 1);
        EXPECT_EQ(gateway.bodies().back(), QStringLiteral("<MainReportRoot><UserName>%1</UserName><PassWord>pw"
                                                          "</PassWord><Action>4</Action></MainReportRoot>")
                                               .arg(QLatin1String(c.identity)));
        EXPECT_TRUE(services.msgBoxes->records().empty());
        EXPECT_FALSE(forms::IsLoaded<edition2::frmGiris>());
        ASSERT_TRUE(forms::IsLoaded<frmHakkinda>());
        EXPECT_TRUE(forms::Get<frmHakkinda>().isVisible());
        EXPECT_EQ(forms::Get<frmHakkinda>().lblKullanici->Caption(), QStringLiteral("ali"));
        EXPECT_EQ(mdlGenel::UserName, QStringLiteral("ali"));
        EXPECT_EQ(mdlGenel::SaveLoginFlag, QStringLiteral("1"));
        forms::Unload(forms::Get<frmHakkinda>());
        forms::FlushUnloaded();

        // Kept: the next command passes the gate without asking anyone.
        edition2::mdlGenel::OpenFormWithLogin(forms::FormRef::To<frmHakkinda>());
        EXPECT_TRUE(forms::IsLoaded<frmHakkinda>());
        EXPECT_EQ(gateway.bodies().size(), before + 1);
        forms::Unload(forms::Get<frmHakkinda>());
        forms::FlushUnloaded();
    }
}

TEST_F(Edition2Login, TheSupportWindowOpensTheSitesHomePageForEveryAccount) {
    for (const char* type : {"Quillmere", "Palvori"}) {
        services.shell->clear();
        mdlGenel::GatewayType = QString::fromUtf8(type);
        mdlGenel::UserName = QStringLiteral("ali");
        mdlGenel::Password = QStringLiteral("a&b");
        mdlGenel::ClientCode = QStringLiteral("K42");
        forms::FormRef::To<frmDestek>().Show();
        EXPECT_FALSE(forms::IsLoaded<frmDestek>()) << type;
        forms::FlushUnloaded();
        ASSERT_EQ(services.shell->calls().size(), 1u) << type;
        EXPECT_EQ(services.shell->calls()[0].file, QStringLiteral("http://www.quillmere.example")) << type;
        EXPECT_EQ(services.shell->calls()[0].show, 5);
    }
}

} // namespace
