// The demo without a display: drives sheet-host through its automation
// protocol the way a person would use the add-in — sign in with the demo
// account, quick-send a text to the sample workbook's numbers through the
// local gateway emulator, fetch the delivery report — and prints every step
// with its outcome.
#include "platform/ado/ado.h"
#include "platform/vb/error.h"
#include "platform/vb/variant.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>
#include <QThread>
#include <cstdio>

namespace {

QProcess host;
int failures = 0;

void say(const QString& text) {
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

QJsonObject send(const QJsonObject& command) {
    host.write(QJsonDocument(command).toJson(QJsonDocument::Compact) + '\n');
    while (!host.canReadLine()) {
        if (!host.waitForReadyRead(30000)) {
            say(QStringLiteral("  ! the host did not answer"));
            return {};
        }
    }
    return QJsonDocument::fromJson(host.readLine()).object();
}

QJsonObject step(const QString& title, const QJsonObject& command) {
    QJsonObject reply = send(command);
    const bool ok = reply.value(QStringLiteral("ok")).toBool();
    if (!ok)
        ++failures;
    say(QStringLiteral("%1 %2").arg(ok ? QStringLiteral("[ok]  ") : QStringLiteral("[fail]"), title)
        + (ok ? QString() : QStringLiteral(": ") + reply.value(QStringLiteral("error")).toString()));
    return reply;
}

QJsonObject cmd(const char* name, QJsonObject fields = {}) {
    fields.insert(QStringLiteral("cmd"), QLatin1String(name));
    return fields;
}

QJsonObject form(const QString& name) {
    for (const QJsonValue& f : send(cmd("forms")).value(QStringLiteral("forms")).toArray())
        if (f.toObject().value(QStringLiteral("name")).toString() == name)
            return f.toObject();
    return {};
}

void showMessages() {
    for (const QJsonValue& m : send(cmd("messages", {{"clear", true}})).value(QStringLiteral("messages")).toArray()) {
        QString text = m.toObject().value(QStringLiteral("text")).toString();
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
        say(QStringLiteral("        message box: \"%1\" -> %2").arg(text, m.toObject().value(QStringLiteral("answer")).toString()));
    }
}

void showGrid(const QJsonObject& window, const QString& grid) {
    const QJsonObject g = window.value(QStringLiteral("controls")).toObject().value(grid).toObject();
    for (const QJsonValue& row : g.value(QStringLiteral("rows")).toArray()) {
        QStringList cells;
        for (const QJsonValue& c : row.toArray()) cells << c.toString();
        say(QStringLiteral("        %1").arg(cells.join(QStringLiteral(" | "))));
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: demo-drive SHEET_HOST WORKBOOK GATEWAY_LOG ADDIN_FOLDER\n");
        return 2;
    }
    const QString workbook = args[2], gatewayLog = args[3], addinFolder = args[4];
    // What the host and its toolkit print (platform notes among them) would
    // drown the demo's own lines: it is kept aside and shown only when a step
    // failed.
    QTemporaryFile hostErrors;
    hostErrors.open();
    host.setStandardErrorFile(hostErrors.fileName());
    host.start(args[1], {QStringLiteral("--automation")});
    if (!host.waitForStarted(10000)) {
        std::fprintf(stderr, "demo-drive: cannot start %s\n", qPrintable(args[1]));
        return 1;
    }

    say(QStringLiteral("Quillmere demo, headless: the host program driven through its automation protocol"));
    step(QStringLiteral("open the sample workbook %1").arg(workbook), cmd("open", {{"path", workbook}}));
    step(QStringLiteral("select the mobile numbers B2:B12"), cmd("select", {{"range", "B2:B12"}}));
    step(QStringLiteral("press \"SMS Gönder\" on the Quillmere toolbar"),
         cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}}));
    if (form(QStringLiteral("frmGiris")).value(QStringLiteral("visible")).toBool()) {
        say(QStringLiteral("        the login window asks for the account"));
        step(QStringLiteral("type the user name \"demo\""), cmd("type", {{"control", "frmGiris.txtUserName"}, {"text", "demo"}}));
        step(QStringLiteral("type the password"), cmd("type", {{"control", "frmGiris.txtPassWord"}, {"text", "demo123"}}));
        if (form(QStringLiteral("frmGiris")).value(QStringLiteral("controls")).toObject()
                .value(QStringLiteral("txtClientKodu")).toObject().value(QStringLiteral("visible")).toBool())
            step(QStringLiteral("type the client code"), cmd("type", {{"control", "frmGiris.txtClientKodu"}, {"text", "DEMO"}}));
        step(QStringLiteral("press \"Oturum Aç\""), cmd("click", {{"control", "frmGiris.btnOturumAc"}}));
        showMessages();
    }
    const bool welcome = form(QStringLiteral("frmSihirbaz")).value(QStringLiteral("visible")).toBool();
    say(QStringLiteral("        welcome page open: %1").arg(welcome ? QStringLiteral("yes") : QStringLiteral("no")));
    if (!welcome)
        ++failures;
    step(QStringLiteral("press \"İleri >>\" (send to the selected numbers)"), cmd("click", {{"control", "frmSihirbaz.cmdIleri"}}));
    showMessages();
    const QJsonObject page = form(QStringLiteral("frmSMS_1"));
    const QJsonObject controls = page.value(QStringLiteral("controls")).toObject();
    say(QStringLiteral("        numbers listed:%1, credit:%2")
            .arg(controls.value(QStringLiteral("lblToplam")).toObject().value(QStringLiteral("caption")).toString(),
                 controls.value(QStringLiteral("lblKontor")).toObject().value(QStringLiteral("caption")).toString()));
    showGrid(page, QStringLiteral("DataGrid1"));
    step(QStringLiteral("type the message"),
         cmd("type", {{"control", "frmSMS_1.txtMesaj"}, {"text", "Sayın müşterimiz, ödemeniz için teşekkür ederiz."}}));
    send(cmd("answer", {{"with", "yes"}}));
    step(QStringLiteral("press \"SMS Gönder\" and confirm"), cmd("click", {{"control", "frmSMS_1.cmdIleri"}}));
    showMessages();

    const QJsonObject report = form(QStringLiteral("frmRapor"));
    say(QStringLiteral("        report window open: %1")
            .arg(report.value(QStringLiteral("visible")).toBool() ? QStringLiteral("yes") : QStringLiteral("no")));
    if (report.value(QStringLiteral("controls")).toObject().contains(QStringLiteral("cmdRaporGoruntule_1"))) {
        showGrid(report, QStringLiteral("DataGrid1"));
        send(cmd("wait", {{"ms", 200}}));
        step(QStringLiteral("press \"Rapor görüntüle\" for the request"), cmd("click", {{"control", "frmRapor.cmdRaporGoruntule_1"}}));
        send(cmd("wait", {{"ms", 500}}));
        showMessages();
        say(QStringLiteral("        delivery report:"));
        showGrid(form(QStringLiteral("frmRapor")), QStringLiteral("DataGrid2"));
    } else {
        say(QStringLiteral("        (fetching delivery reports is not part of this build yet)"));
    }
    step(QStringLiteral("quit the host"), cmd("quit"));
    host.waitForFinished(15000);

    say(QStringLiteral("Documents the gateway received, with its replies:"));
    QFile log(gatewayLog);
    if (log.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : log.readAll().split('\n')) {
            const QJsonObject entry = QJsonDocument::fromJson(line).object();
            if (entry.isEmpty() || entry.value(QStringLiteral("path")).toString() == u"/control")
                continue;
            say(QStringLiteral("  > %1").arg(entry.value(QStringLiteral("body")).toString()));
            say(QStringLiteral("  < %1").arg(entry.value(QStringLiteral("reply")).toString().replace(u'\n', QStringLiteral("\\n"))));
        }
    }
    say(QStringLiteral("The send log in %1/tervane.mdb:").arg(addinFolder));
    try {
        auto db = std::make_shared<ado::Connection>();
        db->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + addinFolder + QStringLiteral("/tervane.mdb"));
        auto rows = db->Execute(QStringLiteral("SELECT msgid, gateway, paket_boyut, originator, tarih, mesaj FROM tbl_giden ORDER BY tarih DESC"));
        for (; !rows->Eof(); rows->MoveNext()) {
            QStringList values;
            for (int i = 0; i < rows->Fields().Count(); ++i)
                values << (rows->Fields(i).Value().isNull() ? QString() : vb::CStr(rows->Fields(i).Value()));
            say(QStringLiteral("  ") + values.join(QStringLiteral(" | ")));
        }
    } catch (const vb::Error& e) {
        say(QStringLiteral("  ! %1").arg(e.description()));
        ++failures;
    }
    if (failures) {
        const QByteArray errors = hostErrors.readAll();
        if (!errors.isEmpty()) {
            say(QStringLiteral("What the host printed:"));
            for (const QByteArray& line : errors.split('\n'))
                if (!line.isEmpty())
                    say(QStringLiteral("  ") + QString::fromLocal8Bit(line));
        }
    }
    say(failures ? QStringLiteral("Demo finished with %1 failed step(s).").arg(failures)
                 : QStringLiteral("Demo finished: every step succeeded."));
    return failures ? 1 : 0;
}
