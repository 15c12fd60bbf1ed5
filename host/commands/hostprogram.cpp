// The host program itself: instances, addins, connect-addin, screenshot,
// wait, quit.
#include "host/commands/commands.h"

#include "host/formsprobe.h"
#include "host/host.h"
#include "platform/excel/application.h"
#include "platform/forms/form.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QTimer>
#include <algorithm>

namespace host {

namespace {

void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(std::max(ms, 0), &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

void AddHostCommands(CommandTable& table, Host& host) {
    table.add("instances", [](const QJsonObject&) {
        QJsonArray out;
        for (const auto& instance : excel::AutomationInstances()) {
            QJsonArray books;
            excel::Workbooks workbooks = instance->Workbooks();
            for (int i = 1; i <= workbooks.Count(); ++i) {
                const auto b = workbooks.Item(i);
                QJsonArray sheets;
                excel::Sheets list = b->Sheets();
                for (int s = 1; s <= list.Count(); ++s)
                    sheets.append(list.Item(s)->Name());
                books.append(QJsonObject{
                    {QStringLiteral("path"), b->Path()},
                    {QStringLiteral("name"), b->Name()},
                    {QStringLiteral("fullName"), b->FullName()},
                    {QStringLiteral("sheets"), sheets},
                });
            }
            out.append(QJsonObject{
                {QStringLiteral("visible"), instance->Visible()},
                {QStringLiteral("quit"), instance->HasQuit()},
                {QStringLiteral("workbooks"), books},
            });
        }
        return QJsonObject{{QStringLiteral("instances"), out}};
    });
    // The host's list of add-ins, as its Tools menu shows it, and switching
    // one on or off there (off: the add-in is told the user closed it).
    table.add("addins", [&host](const QJsonObject&) {
        QJsonArray out;
        for (const Host::AddinEntry& e : host.addinEntries())
            out.append(QJsonObject{{QStringLiteral("path"), e.path},
                                   {QStringLiteral("name"), e.name},
                                   {QStringLiteral("connected"), e.connected}});
        return QJsonObject{{QStringLiteral("addins"), out}};
    });
    table.add("connect-addin", [&host](const QJsonObject& c) {
        host.setAddinConnected(TextField(c, "path"), c.value(QLatin1String("connected")).toBool(true));
        return QJsonObject{};
    });
    // A picture of the screen or of one loaded window, saved as PNG.
    table.add("screenshot", [&host](const QJsonObject& c) {
        const QString path = TextField(c, "path");
        QWidget* window = nullptr;
        if (c.contains(QLatin1String("form"))) {
            const QString name = TextField(c, "form");
            window = LoadedForm(name);
            if (!window->isVisible())
                throw CommandError(QStringLiteral("the window \"%1\" is not shown").arg(name));
        }
        const QPixmap picture = host.picture(window);
        if (picture.isNull() || !picture.save(path, "PNG"))
            throw CommandError(QStringLiteral("the picture could not be saved to %1").arg(path));
        return QJsonObject{{QStringLiteral("width"), picture.width()}, {QStringLiteral("height"), picture.height()}};
    });
    table.add("wait", [](const QJsonObject& c) {
        runEventLoop(NumberField(c, "ms"));
        return QJsonObject{};
    });
    table.add("quit", [&host](const QJsonObject&) {
        // Disconnected before the reply, so that what the add-ins do on
        // leaving is done when the caller reads it.
        host.shutdown();
        return QJsonObject{};
    });
}

} // namespace host
