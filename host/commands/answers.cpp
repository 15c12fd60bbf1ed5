// What the scripted services answer next, and what they were asked: answer,
// save-dialog, popup, messages, shell.
#include "host/commands/commands.h"

#include "host/formsprobe.h"
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"
#include "platform/win32/shell.h"

#include <QJsonArray>

namespace host {

namespace {

// Message-box answers by name.
struct AnswerName {
    const char* name;
    int code;
};
constexpr AnswerName kAnswers[] = {
    {"ok", vb::vbOK},     {"cancel", vb::vbCancel}, {"abort", vb::vbAbort}, {"retry", vb::vbRetry},
    {"ignore", vb::vbIgnore}, {"yes", vb::vbYes},   {"no", vb::vbNo},
};

int answerCode(const QString& name) {
    for (const auto& a : kAnswers)
        if (name.compare(QLatin1String(a.name), Qt::CaseInsensitive) == 0)
            return a.code;
    throw CommandError(QStringLiteral("no such answer \"%1\" (yes, no, ok, cancel, abort, retry, ignore)").arg(name));
}

QString answerName(int code) {
    for (const auto& a : kAnswers)
        if (a.code == code)
            return QLatin1String(a.name);
    return QString::number(code);
}

} // namespace

void AddAnswerCommands(CommandTable& table, const forms::ScriptedServices& services) {
    table.add("answer", [msgBoxes = services.msgBoxes](const QJsonObject& c) {
        msgBoxes->queueAnswer(answerCode(TextField(c, "with")));
        return QJsonObject{};
    });
    table.add("save-dialog", [saveDialogs = services.saveDialogs](const QJsonObject& c) {
        if (c.value(QLatin1String("cancel")).toBool())
            saveDialogs->queueAnswer(std::nullopt);
        else
            saveDialogs->queueAnswer(TextField(c, "path"));
        return QJsonObject{};
    });
    table.add("popup", [popups = services.popups](const QJsonObject& c) {
        popups->queueChoice(TextField(c, "caption"));
        return QJsonObject{};
    });
    table.add("messages", [msgBoxes = services.msgBoxes](const QJsonObject& c) {
        QJsonArray out;
        for (const vb::MessageRecord& r : msgBoxes->records())
            out.append(QJsonObject{
                {QStringLiteral("text"), r.prompt},
                {QStringLiteral("title"), r.title},
                {QStringLiteral("buttons"), r.buttons},
                {QStringLiteral("answer"), answerName(r.answer)},
                {QStringLiteral("unanswered"), r.unanswered},
            });
        if (c.value(QLatin1String("clear")).toBool())
            msgBoxes->clearRecords();
        return QJsonObject{{QStringLiteral("messages"), out}};
    });
    table.add("shell", [shell = services.shell](const QJsonObject&) {
        QJsonArray out;
        for (const win32::ShellCall& call : shell->calls())
            out.append(QJsonObject{
                {QStringLiteral("verb"), call.verb},
                {QStringLiteral("file"), call.file},
                {QStringLiteral("parameters"), call.parameters},
                {QStringLiteral("directory"), call.directory},
                {QStringLiteral("show"), call.show},
            });
        return QJsonObject{{QStringLiteral("shell"), out}};
    });
}

} // namespace host
