// Command bars: bars, press.
#include "host/commands/commands.h"

#include "host/formsprobe.h"
#include "host/host.h"
#include "platform/excel/application.h"

#include <QJsonArray>
#include <QStringList>

namespace host {

namespace {

QJsonArray describeAll(const excel::CommandBarControls& controls);

QJsonObject describe(const std::shared_ptr<excel::CommandBarControl>& c) {
    QJsonObject out{
        {QStringLiteral("type"), c->Type()},
        {QStringLiteral("caption"), c->Caption()},
        {QStringLiteral("tooltip"), c->TooltipText()},
        {QStringLiteral("visible"), c->Visible()},
        {QStringLiteral("enabled"), c->Enabled()},
        {QStringLiteral("beginGroup"), c->BeginGroup()},
        {QStringLiteral("builtIn"), c->BuiltIn()},
    };
    if (c->Type() == excel::msoControlPopup) {
        out.insert(QStringLiteral("controls"), describeAll(c->Controls()));
    } else {
        out.insert(QStringLiteral("faceId"), c->FaceId());
        out.insert(QStringLiteral("style"), c->Style());
    }
    return out;
}

QJsonArray describeAll(const excel::CommandBarControls& controls) {
    QJsonArray out;
    for (int i = 1; i <= controls.Count(); ++i)
        out.append(describe(controls.Item(i)));
    return out;
}

QJsonArray describeBars(excel::Application& app) {
    QJsonArray out;
    excel::CommandBars bars = app.CommandBars();
    for (int i = 1; i <= bars.Count(); ++i) {
        const auto bar = bars.Item(i);
        out.append(QJsonObject{
            {QStringLiteral("name"), bar->Name()},
            {QStringLiteral("visible"), bar->Visible()},
            {QStringLiteral("enabled"), bar->Enabled()},
            {QStringLiteral("position"), bar->Position()},
            {QStringLiteral("type"), bar->Type()},
            {QStringLiteral("controls"), describeAll(bar->Controls())},
        });
    }
    return out;
}

std::shared_ptr<excel::CommandBarControl> findControl(const excel::CommandBarControls& controls,
                                                      const QString& caption) {
    for (int i = 1; i <= controls.Count(); ++i) {
        const auto c = controls.Item(i);
        if (QString(c->Caption()).remove(u'&').compare(QString(caption).remove(u'&'), Qt::CaseInsensitive) == 0)
            return c;
    }
    throw CommandError(QStringLiteral("no control \"%1\"").arg(caption));
}

} // namespace

void AddCommandBarCommands(CommandTable& table, Host& host) {
    table.add("bars", [&host](const QJsonObject&) {
        return QJsonObject{{QStringLiteral("bars"), describeBars(*host.application())}};
    });
    table.add("press", [&host](const QJsonObject& c) {
        const QString barName = TextField(c, "bar");
        std::shared_ptr<excel::CommandBar> bar;
        excel::CommandBars bars = host.application()->CommandBars();
        for (int i = 1; i <= bars.Count() && !bar; ++i)
            if (bars.Item(i)->Name().compare(barName, Qt::CaseInsensitive) == 0)
                bar = bars.Item(i);
        if (!bar)
            throw CommandError(QStringLiteral("no command bar \"%1\"").arg(barName));
        QStringList path;
        if (c.contains(QLatin1String("path"))) {
            const QJsonValue p = c.value(QLatin1String("path"));
            if (!p.isArray() || p.toArray().isEmpty())
                throw CommandError(QStringLiteral("\"path\" must be a list of captions"));
            for (const QJsonValue& v : p.toArray())
                path << v.toString();
        } else {
            path << TextField(c, "caption");
        }
        if (!bar->Visible() || !bar->Enabled())
            throw CommandError(QStringLiteral("the command bar \"%1\" is not shown").arg(bar->Name()));
        excel::CommandBarControls controls = bar->Controls();
        std::shared_ptr<excel::CommandBarControl> control;
        for (int i = 0; i < path.size(); ++i) {
            control = findControl(controls, path[i]);
            if (!control->Visible() || !control->Enabled())
                throw CommandError(QStringLiteral("the control \"%1\" is not shown or disabled").arg(path[i]));
            if (i + 1 < path.size()) {
                if (control->Type() != excel::msoControlPopup)
                    throw CommandError(QStringLiteral("\"%1\" is no popup").arg(path[i]));
                controls = control->Controls();
            }
        }
        if (control->Type() != excel::msoControlButton)
            throw CommandError(QStringLiteral("\"%1\" is a popup, not a button").arg(path.last()));
        QString error;
        if (!host.execute(control, &error))
            throw CommandError(error);
        return QJsonObject{};
    });
}

} // namespace host
