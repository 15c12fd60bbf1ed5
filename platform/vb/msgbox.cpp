#include "platform/vb/msgbox.h"

#include "platform/vb/strings.h"

namespace vb {

MsgBoxService::~MsgBoxService() = default;

namespace {

int defaultAnswer(int buttons) {
    switch (buttons & 7) {
    case vbOKCancel: return vbCancel;
    case vbAbortRetryIgnore: return vbAbort;
    case vbYesNoCancel: return vbCancel;
    case vbYesNo: return vbNo;
    case vbRetryCancel: return vbCancel;
    default: return vbOK;
    }
}

std::shared_ptr<MsgBoxService>& current() {
    static std::shared_ptr<MsgBoxService> service = std::make_shared<ScriptedMsgBoxService>();
    return service;
}

QString& title() {
    static QString t = QStringLiteral("Quillmere");
    return t;
}

} // namespace

int ScriptedMsgBoxService::show(const QString& prompt, int buttons, const QString& title) {
    MessageRecord r{prompt, title, buttons, 0, false};
    if (!answers_.empty()) {
        r.answer = answers_.front();
        answers_.pop_front();
    } else {
        r.answer = defaultAnswer(buttons);
        r.unanswered = (buttons & 7) != vbOKOnly;
    }
    records_.push_back(r);
    return r.answer;
}

MsgBoxService& MsgBoxes() { return *current(); }

void SetMsgBoxService(std::shared_ptr<MsgBoxService> service) {
    current() = service ? std::move(service) : std::make_shared<ScriptedMsgBoxService>();
}

QString AppTitle() { return title(); }
void SetAppTitle(const QString& t) { title() = t; }

QString ShownPrompt(const QString& prompt) { return LeftWhole(prompt, kMsgBoxPromptLength); }

int MsgBox(const QString& prompt, int buttons, const QString& t) {
    return MsgBoxes().show(ShownPrompt(prompt), buttons, t.isEmpty() ? AppTitle() : t);
}

} // namespace vb
