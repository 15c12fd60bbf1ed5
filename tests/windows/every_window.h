#pragma once

// Every window of the add-in, opened as its command opens it: with a
// signed-in account, a customer workbook (tests/sending/fixtures/
// musteriler.xls, a copy opened from its file) with its numbers selected and
// a gateway that answers the account's information.
#include "edition2/frmGiris.h"
#include "edition2/frmSMS.h"
#include "edition2/frmSMS_1.h"
#include "edition2/frmSonEkran.h"
#include "platform/excel/application.h"
#include "platform/excel/range.h"
#include "platform/excel/workbook.h"
#include "platform/forms/form.h"
#include "platform/forms/services.h"
#include "reports/frmRapor.h"
#include "sending/frmPop.h"
#include "sending/frmSMS.h"
#include "sending/frmSMS_1.h"
#include "sending/frmSihirbaz.h"
#include "sending/frmSonEkran.h"
#include "state/mdlGenel.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/temp_database.h"
#include "ui/common/frmAyarlar.h"
#include "ui/common/frmBekle.h"
#include "ui/common/frmDestek.h"
#include "ui/common/frmGiris.h"
#include "ui/common/frmHakkinda.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct WindowCase {
    const char* name;
    forms::Form& (*open)();
    // What the window's opener sets before it shows the window, if anything.
    void (*prepare)() = nullptr;
    // A window whose activation does its work and closes it again (the
    // support window) is looked at as it is drawn, before it is activated.
    bool closesOnActivation = false;
};

void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.name; }

template <class T>
WindowCase window(const char* name, void (*prepare)() = nullptr, bool closesOnActivation = false) {
    return {name, [] () -> forms::Form& { return forms::Get<T>(); }, prepare, closesOnActivation};
}

// Every window class of the add-in. A new window is covered by adding it
// here.
const WindowCase kWindows[] = {
    window<frmGiris>("frmGiris"),
    window<frmBekle>("frmBekle"),
    window<frmSihirbaz>("frmSihirbaz"),
    window<frmSMS_1>("frmSMS_1", [] { forms::Get<frmSMS_1>().CallerForm = forms::FormRef::To<frmSihirbaz>(); }),
    window<frmSMS>("frmSMS"),
    window<frmPop>("frmPop"),
    window<frmSonEkran>("frmSonEkran"),
    window<frmRapor>("frmRapor"),
    window<frmAyarlar>("frmAyarlar"),
    window<frmHakkinda>("frmHakkinda"),
    window<frmDestek>("frmDestek", nullptr, /*closesOnActivation=*/true),
};

// The second edition's own windows (edition2/windows.h); the windows it
// shares with the first edition are those above.
const WindowCase kSecondEditionWindows[] = {
    window<edition2::frmGiris>("frmGiris"),
    window<edition2::frmSMS_1>("frmSMS_1",
                               [] { forms::Get<edition2::frmSMS_1>().CallerForm = forms::FormRef::To<frmSihirbaz>(); }),
    window<edition2::frmSMS>("frmSMS"),
    window<edition2::frmSonEkran>("frmSonEkran"),
};

const std::string kAccount = "1500\nQUILLMERE\nDEMO FIRMA\n";

class OpenedWindow : public ::testing::TestWithParam<WindowCase> {
protected:
    forms::ScriptedServices services = forms::InstallScriptedServices();
    TempDatabase db;
    FakeGateway gateway;
    QTemporaryDir folder;

    void SetUp() override {
        ExcelApp = excel::Application::New();
        const QString book = folder.filePath(QStringLiteral("musteriler.xls"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(QM_SENDING_FIXTURES "/musteriler.xls"), book));
        QFile::setPermissions(book, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        ExcelApp->Workbooks().Open(book)->Activate();
        ExcelApp->ActiveSheet()->Range(QStringLiteral("C2:C10")).Select();
        SignInDemoAccount(gateway.url());
        gateway.answer(kAccount);
    }
    void TearDown() override {
        for (forms::Form* f : forms::LoadedForms())
            forms::Unload(*f);
        forms::FlushUnloaded();
    }

    // The window, prepared and shown as its opener shows it.
    forms::Form& openWindow() {
        if (GetParam().prepare)
            GetParam().prepare();
        forms::Form& form = GetParam().open();
        EXPECT_EQ(form.className(), QString::fromLatin1(GetParam().name));
        if (GetParam().closesOnActivation)
            form.QWidget::show();
        else
            form.Show();
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        return form;
    }
};

inline std::string windowName(const ::testing::TestParamInfo<WindowCase>& info) { return info.param.name; }


} // namespace
