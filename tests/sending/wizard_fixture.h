#pragma once

// The template road of the wizard over a workbook LibreOffice wrote, with a
// local gateway and a database of the test's own: the template page, its
// list builder and the final screen.
#include "data/database.h"
#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/excel/range.h"
#include "platform/excel/workbook.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "platform/vb/clock.h"
#include "platform/vb/msgbox.h"
#include "sending/frmSMS.h"
#include "sending/frmSihirbaz.h"
#include "sending/frmSonEkran.h"
#include "state/mdlGenel.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/temp_database.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

class WizardTest : public ::testing::Test {
protected:
    forms::ScriptedServices services = forms::InstallScriptedServices();
    TempDatabase db;
    FakeGateway gateway;
    QTemporaryDir dir;

    static constexpr const char* kAccount = "1500\nQUILLMERE\nDEMO FIRMA\n";

    void SetUp() override {
        ExcelApp = excel::Application::New();
        mdlGenel::GatewayType = QStringLiteral("Quillmere");
        mdlGenel::UserName = QStringLiteral("demo");
        mdlGenel::ClientCode = QStringLiteral("DEMO");
        mdlGenel::Password = QStringLiteral("demo123");
        mdlGenel::GatewayUrl = gateway.url();
        gateway.answer(kAccount);
    }
    void TearDown() override {
        vb::SetClock(std::nullopt);
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
    }

    // A copy of a fixture open in the host as the active workbook, and the
    // template page over it.
    frmSMS& templatePage(const char* fixture) {
        const QString path = dir.filePath(QLatin1String(fixture));
        QFile::copy(QStringLiteral(QM_SENDING_FIXTURES "/") + QLatin1String(fixture), path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        ExcelApp->Workbooks().Open(path)->Activate();
        return templatePageOfActiveWorkbook();
    }
    // A workbook of the rows given (texts, the first row the headers) saved
    // and active in the host, and the template page over it.
    frmSMS& templatePage(const std::vector<QStringList>& rows) {
        auto book = ExcelApp->Workbooks().Add();
        auto sheet = book->ActiveSheet();
        for (int r = 0; r < int(rows.size()); ++r)
            for (int c = 0; c < rows[r].size(); ++c) sheet->Cells(r + 1, c + 1).setValue(rows[r][c]);
        book->SaveAs(dir.filePath(QStringLiteral("liste.xls")));
        book->Activate();
        return templatePageOfActiveWorkbook();
    }
    frmSMS& templatePageOfActiveWorkbook() {
        auto& welcome = forms::Get<frmSihirbaz>();
        welcome.Show();
        welcome.optTumu->setValue(true);
        welcome.cmdIleri->click();
        EXPECT_TRUE(forms::IsLoaded<frmSMS>());
        return forms::Get<frmSMS>();
    }
    // "İleri >>" with a template and the number column.
    frmSonEkran& build(frmSMS& page, const QString& templateText, const QString& numbers = QStringLiteral("GSM")) {
        page.txtMesaj->setText(templateText);
        page.cbGsmNo->setText(numbers);
        page.cmdIleri->click();
        EXPECT_TRUE(forms::IsLoaded<frmSonEkran>());
        return forms::Get<frmSonEkran>();
    }

    // Two columns whose names are one name when letter case is ignored by
    // the Turkish pairs ("ADI" and "adı"), beside the numbers; the second
    // row's "adı" is 161 characters long.
    static std::vector<QStringList> namesAlike() {
        return {{"GSM", "ADI", "adı"},
                {"5321111111", "ALİ", "veli"},
                {"5322222222", "AYŞE", QStringLiteral("fatma") + QString(156, u'.')}};
    }

    using Row = std::pair<QString, QString>;
    // The final screen's list, number and message, in its order.
    static std::vector<Row> listed(const frmSonEkran& screen) {
        std::vector<Row> out;
        auto rs = screen.Adodc1->Recordset()->Clone();
        for (; !rs->Eof(); rs->MoveNext())
            out.emplace_back(mdlGenel::NullToEmpty(rs->Fields(0).Value()), mdlGenel::NullToEmpty(rs->Fields(1).Value()));
        return out;
    }
    // One column of a recordset, by name.
    static QStringList column(const ado::RecordsetPtr& source, const QString& name) {
        QStringList out;
        auto rs = source->Clone();
        for (; !rs->Eof(); rs->MoveNext())
            out << mdlGenel::NullToEmpty(rs->Fields(name).Value());
        return out;
    }
    QStringList prompts() const {
        QStringList out;
        for (const auto& r : services.msgBoxes->records()) out << r.prompt;
        return out;
    }
};

// Runs once the final screen's list holds a first row, from inside the
// list builder's yields.
inline void onceListed(std::function<void(frmSonEkran&)> act) {
    auto* poll = new QTimer;
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        frmSonEkran* screen = forms::IfLoaded<frmSonEkran>();
        if (!screen || !screen->Adodc1->Recordset() || screen->Adodc1->Recordset()->RecordCount() == 0)
            return;
        poll->stop();
        poll->deleteLater();
        act(*screen);
    });
    poll->start();
}
