#pragma once

// The quick-send page over a new workbook's cells, with a local gateway that
// answers the demo account's information and a database of the test's own.
#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/excel/range.h"
#include "platform/excel/workbook.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "platform/vb/clock.h"
#include "platform/vb/msgbox.h"
#include "sending/frmSMS_1.h"
#include "sending/frmSihirbaz.h"
#include "state/mdlGenel.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/temp_database.h"

#include <gtest/gtest.h>

inline const std::string kAccount = "1500\nQUILLMERE\nDEMO FIRMA\n";

class QuickSendTest : public ::testing::Test {
protected:
    forms::ScriptedServices services = forms::InstallScriptedServices();
    TempDatabase db;
    FakeGateway gateway;
    std::shared_ptr<excel::Worksheet> sheet;

    void SetUp() override {
        ExcelApp = excel::Application::New();
        sheet = ExcelApp->Workbooks().Add()->ActiveSheet();
        SignInDemoAccount(gateway.url());
        gateway.answer(kAccount);
    }
    void TearDown() override {
        vb::SetClock(std::nullopt);
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
    }

    void cells(const std::vector<std::pair<const char*, vb::Variant>>& values) {
        for (const auto& [address, value] : values)
            sheet->Range(QString::fromLatin1(address)).setValue(value);
    }
    void select(const char* address) { sheet->Range(QString::fromLatin1(address)).Select(); }

    // What the welcome page does for the quick-send road.
    frmSMS_1& open() {
        forms::Get<frmSihirbaz>().Show();
        forms::Get<frmSMS_1>().CallerForm = &forms::Get<frmSihirbaz>();
        mdlGenel::ListLoaded = false;
        frmSMS_1& page = forms::Get<frmSMS_1>();
        page.Show();
        return page;
    }

    static QStringList listed(frmSMS_1& page) {
        QStringList out;
        for (int r = 0; r < page.DataGrid1->RowCount(); ++r) out << page.DataGrid1->CellText(r, 0);
        return out;
    }
    QStringList prompts() const {
        QStringList out;
        for (const auto& r : services.msgBoxes->records()) out << r.prompt;
        return out;
    }
    bool boldRed(const char* address) const {
        excel::Range c = sheet->Range(QString::fromLatin1(address));
        return c.Font().Bold() && c.Font().Color() == 255;
    }
};
