#pragma once

// The report window against a local gateway that records what it is sent,
// with the demo account of the gateway service, and a report on one of its
// tabs where a test asks for one.
#include "platform/excel/application.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"
#include "reports/frmRapor.h"
#include "sending/sendlog.h"
#include "state/mdlGenel.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/temp_database.h"

#include <QDateTime>
#include <gtest/gtest.h>

class ReportWindowFixture : public ::testing::Test {
protected:
    forms::ScriptedServices services = forms::InstallScriptedServices();
    TempDatabase db;
    FakeGateway gateway;

    void SetUp() override {
        SignInDemoAccount(gateway.url());
        excel::ForgetAutomationInstances();
    }
    void TearDown() override {
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
        excel::ForgetAutomationInstances();
    }

    frmRapor& open() {
        frmRapor& w = forms::Get<frmRapor>();
        w.Show();
        return w;
    }
    static void closeWindow() {
        forms::Form::RunEvent([] { forms::UnloadDefault<frmRapor>(); });
        forms::FlushUnloaded();
    }
    // The window with tab 1's report of a logged request, as the gateway
    // answers it.
    frmRapor& withRequestReport(const std::string& reply) {
        sending::WriteSendLog({QStringLiteral("100001"), QStringLiteral("GsmNo alanlarını kullan."),
                               QStringLiteral("Quillmere"), 3, QStringLiteral("İlk Kayıt :Merhaba"),
                               QStringLiteral("QUILLMERE"), QStringLiteral("01.07.2006 10:00:00"),
                               QStringLiteral("01.07.2006 10:00:00")},
                              QString());
        frmRapor& w = open();
        gateway.answer(reply);
        w.cmdRaporGoruntule_1->click();
        return w;
    }
    // The window on tab 2 with the report between two dates.
    frmRapor& withDateRangeReport(const std::string& reply) {
        frmRapor& w = open();
        w.SSTab1->setTab(1);
        gateway.answer(reply);
        w.cmdRaporGoruntule_2->click();
        return w;
    }
    // The window on tab 3 with the report of a number.
    frmRapor& withNumberReport(const std::string& reply, const QString& number = QStringLiteral("5321234567")) {
        frmRapor& w = open();
        w.SSTab1->setTab(2);
        w.txtGsmNo->setText(number);
        gateway.answer(reply);
        w.cmdRaporGoruntule_3->click();
        return w;
    }

    // A grid's rows, each its two cells joined by a blank.
    static QStringList rows(forms::DataGrid* grid) {
        QStringList out;
        for (int r = 0; r < grid->RowCount(); ++r) out << grid->CellText(r, 0) + u' ' + grid->CellText(r, 1);
        return out;
    }
    const std::vector<vb::MessageRecord>& boxes() const { return services.msgBoxes->records(); }
};
