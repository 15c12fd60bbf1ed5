#pragma once

// The template road of a benchmark, through its windows: a saved sheet of
// rows, the template page over it with its template typed, "İleri >>" into
// the final screen, and "Gönder" to a local gateway through to the report
// window. Each edition's benchmark gives its sheet, its template and what
// its list and its package must show.
#include "platform/excel/application.h"
#include "platform/excel/range.h"
#include "platform/excel/workbook.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"
#include "reports/frmRapor.h"
#include "sending/frmSMS.h"
#include "sending/frmSihirbaz.h"
#include "sending/frmSonEkran.h"
#include "state/mdlGenel.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/temp_database.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>

class TemplateRoad {
public:
    struct Setting {
        int rows;
        // Writes the rows (under their headers) into the new workbook's sheet.
        std::function<void(excel::Worksheet&)> fill;
        QString templateText;
        // The final screen's total once every row is listed.
        QString total;
        // The action of the package of one message a number.
        int action;
    };

    forms::ScriptedServices services = forms::InstallScriptedServices();
    TempDatabase db;
    FakeGateway gateway;
    QTemporaryDir dir;
    const Setting setting;

    explicit TemplateRoad(Setting s) : setting(std::move(s)) {
        ExcelApp = excel::Application::New();
        auto book = ExcelApp->Workbooks().Add();
        setting.fill(*book->ActiveSheet());
        book->SaveAs(dir.filePath(QStringLiteral("liste.xlsx")));
        SignInDemoAccount(gateway.url());
    }
    // The template page over the saved sheet, its template typed.
    frmSMS& templatePage() {
        gateway.answer("400000\nQUILLMERE\n");
        auto& welcome = forms::Get<frmSihirbaz>();
        welcome.Show();
        welcome.optTumu->setValue(true);
        welcome.cmdIleri->click();
        frmSMS& page = forms::Get<frmSMS>();
        page.txtMesaj->setText(setting.templateText);
        page.cbGsmNo->setText(QStringLiteral("GSM"));
        return page;
    }
    bool listed() const {
        const frmSonEkran* screen = forms::IfLoaded<frmSonEkran>();
        return screen && screen->DataGrid1->RowCount() == setting.rows && screen->lblToplam->Caption() == setting.total;
    }
    void closeAll() {
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
        services.msgBoxes->clearRecords();
        db.query(QStringLiteral("DELETE FROM tbl_giden"));
    }

    // The template page opened from the welcome page and "İleri >>" on it,
    // timed as the user waits for both: the page reads the workbook.
    void merge(benchmark::State& state) {
        for (auto _ : state) {
            frmSMS& page = templatePage();
            page.cmdIleri->click();
            state.PauseTiming();
            if (!listed() || !services.msgBoxes->records().empty())
                state.SkipWithError("the list is not complete");
            closeAll();
            state.ResumeTiming();
        }
        state.SetItemsProcessed(state.iterations() * setting.rows);
    }
    // "Gönder" on the listed rows, timed.
    void send(benchmark::State& state) {
        for (auto _ : state) {
            state.PauseTiming();
            templatePage().cmdIleri->click();
            frmSonEkran& screen = forms::Get<frmSonEkran>();
            if (!listed())
                state.SkipWithError("the list is not complete");
            gateway.answer("ID 1");
            services.msgBoxes->queueAnswer(vb::vbYes);
            state.ResumeTiming();
            screen.cmdGonder->click();
            state.PauseTiming();
            const QString body = gateway.lastBody();
            if (!forms::IsLoaded<frmRapor>() || !body.contains(QStringLiteral("<Action>%1</Action>").arg(setting.action))
                || body.count(QStringLiteral("<Message>")) != setting.rows)
                state.SkipWithError("the package did not go out");
            closeAll();
            state.ResumeTiming();
        }
        state.SetItemsProcessed(state.iterations() * setting.rows);
    }
};
