#include "platform/excel/application.h"
#include "platform/excel/workbook.h"
#include "platform/forms/controls.h"
#include "platform/forms/services.h"
#include "sending/frmSMS.h"
#include "sending/frmSMS_1.h"
#include "sending/frmSihirbaz.h"
#include "state/mdlGenel.h"
#include "tests/support/temp_database.h"

#include <QApplication>
#include <QFontInfo>
#include <gtest/gtest.h>

namespace {

class WelcomeTest : public ::testing::Test {
protected:
    forms::ScriptedServices services = forms::InstallScriptedServices();
    TempDatabase db;
    void SetUp() override {
        ExcelApp = excel::Application::New();
        ExcelApp->Workbooks().Add();
    }
    void TearDown() override {
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
    }
};

TEST_F(WelcomeTest, TheQuickSendRoadIsTheDefault) {
    auto& w = forms::Get<frmSihirbaz>();
    w.Show();
    EXPECT_EQ(w.Caption(), QStringLiteral("Quillmere - İşlem sihirbazı"));
    EXPECT_TRUE(w.optGSM->Value());
    EXPECT_EQ(w.focusWidget(), w.optGSM);
    mdlGenel::ListLoaded = true;
    w.cmdIleri->click();
    ASSERT_TRUE(forms::IsLoaded<frmSMS_1>());
    EXPECT_TRUE(forms::Get<frmSMS_1>().isVisible());
    EXPECT_EQ(forms::Get<frmSMS_1>().CallerForm, &w);
    // The list was built from the selection as the page came up.
    EXPECT_TRUE(mdlGenel::ListLoaded);
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
    // The page stays open behind the next one.
    EXPECT_TRUE(w.isVisible());
    // Choosing it again while it is open builds the list again.
    w.ZOrder();
    auto before = forms::Get<frmSMS_1>().ListRecordset;
    w.cmdIleri->click();
    EXPECT_NE(forms::Get<frmSMS_1>().ListRecordset, before);
}

TEST_F(WelcomeTest, TheOrangeBannerSpansTheWindowAndOpensInTahomaBold) {
    auto& w = forms::Get<frmSihirbaz>();
    w.Show();
    QApplication::processEvents();
    EXPECT_EQ(w.Frame1->geometry(), QRect(0, 0, w.width(), w.Frame1->height()));
    EXPECT_EQ(w.Frame1->palette().color(QPalette::Window), QColor(255, 128, 0));
    const QFontInfo first(w.Label1->font());
    EXPECT_EQ(first.family(), QStringLiteral("Tahoma"));
    EXPECT_TRUE(first.bold());
    EXPECT_EQ(QFontInfo(w.Label2->font()).family(), QStringLiteral("Tahoma"));
}

TEST_F(WelcomeTest, TheTemplateRoadOpensTheTemplatePageOnce) {
    // The template page reads a workbook saved on disk.
    ExcelApp->Workbooks().Open(QStringLiteral(QM_SENDING_FIXTURES "/musteriler.xls"));
    auto& w = forms::Get<frmSihirbaz>();
    w.Show();
    w.optTumu->setValue(true);
    w.cmdIleri->click();
    ASSERT_TRUE(forms::IsLoaded<frmSMS>());
    frmSMS* page = &forms::Get<frmSMS>();
    EXPECT_EQ(page->OwnerForm, &w);
    EXPECT_TRUE(page->isVisible());
    w.ZOrder();
    w.cmdIleri->click();
    EXPECT_EQ(&forms::Get<frmSMS>(), page);
    EXPECT_EQ(forms::ActiveForm(), page);
    // Activation puts the focus back on the first option, whichever is chosen.
    w.ZOrder();
    EXPECT_EQ(w.focusWidget(), w.optGSM);
    EXPECT_TRUE(w.optTumu->Value());
}

TEST_F(WelcomeTest, CancelUnloadsAndTheSizeIsPinned) {
    auto& w = forms::Get<frmSihirbaz>();
    w.Show();
    EXPECT_EQ(w.Width(), 6720);
    EXPECT_EQ(w.Height(), 3555);
    w.setWidth(5000);
    w.setHeight(9000);
    EXPECT_EQ(w.Width(), 6720);
    EXPECT_EQ(w.Height(), 3555);
    w.cmdVazgec->click();
    EXPECT_FALSE(forms::IsLoaded<frmSihirbaz>());
}

} // namespace
