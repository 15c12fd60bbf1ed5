#pragma once

#include "platform/vb/export.h"

#include <QString>
#include <deque>
#include <memory>
#include <vector>

namespace vb {

// MsgBox button and icon flags, and its results.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};

enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7,
};

// One message box as it was asked for.
struct QM_EXPORT MessageRecord {
    QString prompt;
    QString title;
    int buttons = 0;
    int answer = 0;
    bool unanswered = false;  // a question answered by default
};

// Where MsgBox goes: a real dialog for a person, a script for tests and for
// the host's automation mode.
class QM_EXPORT MsgBoxService {
public:
    virtual ~MsgBoxService();
    virtual int show(const QString& prompt, int buttons, const QString& title) = 0;
};

// Records every box and answers from a queue. With nothing queued an OK box
// is answered OK and a question with its "no" (or cancel) answer, recorded as
// unanswered.
class QM_EXPORT ScriptedMsgBoxService : public MsgBoxService {
public:
    int show(const QString& prompt, int buttons, const QString& title) override;

    void queueAnswer(int answer) { answers_.push_back(answer); }
    const std::vector<MessageRecord>& records() const { return records_; }
    void clearRecords() { records_.clear(); }
    void clearAnswers() { answers_.clear(); }
    size_t pendingAnswers() const { return answers_.size(); }

private:
    std::deque<int> answers_;
    std::vector<MessageRecord> records_;
};

// The service in force. Until one is installed a scripted one answers, so
// that nothing ever blocks without a person to answer it.
QM_EXPORT MsgBoxService& MsgBoxes();
QM_EXPORT void SetMsgBoxService(std::shared_ptr<MsgBoxService> service);

// The application's title, which an empty MsgBox title stands for.
QM_EXPORT QString AppTitle();
QM_EXPORT void SetAppTitle(const QString& title);

// How much of its prompt a message box shows: the first 1,024 characters
// (never half of a surrogate pair); the rest is not shown.
inline constexpr int kMsgBoxPromptLength = 1024;
QM_EXPORT QString ShownPrompt(const QString& prompt);

// MsgBox(prompt, buttons, title) through the service in force, which gets
// the prompt as the box shows it.
QM_EXPORT int MsgBox(const QString& prompt, int buttons = vbOKOnly, const QString& title = {});

} // namespace vb
