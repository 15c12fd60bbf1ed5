#pragma once

#include "platform/vb/export.h"
#include "platform/vb/msgbox.h"
#include "platform/win32/shell.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class QFileDialog;
class QWidget;

namespace forms {

// MsgBox for a person: a real message box with the icon and buttons asked
// for, no taller than the screen (the lines beyond are left out).
class QM_EXPORT DialogMsgBoxService : public vb::MsgBoxService {
public:
    int show(const QString& prompt, int buttons, const QString& title) override;
};

// Popup menus (PopupMenu): the index of the chosen item, or -1 for none.
class QM_EXPORT PopupMenuService {
public:
    virtual ~PopupMenuService();
    virtual int choose(QWidget* owner, const QStringList& captions) = 0;
};

// Answers from a queue of captions; a menu with nothing queued, or whose
// queued caption it does not hold, is dismissed. Every menu is recorded.
class QM_EXPORT ScriptedPopupMenuService : public PopupMenuService {
public:
    struct Record {
        QStringList captions;
        int chosen = -1;
    };
    int choose(QWidget* owner, const QStringList& captions) override;
    void queueChoice(const QString& caption) { choices_.push_back(caption); }
    const std::vector<Record>& records() const { return records_; }

private:
    std::deque<QString> choices_;
    std::vector<Record> records_;
};

class QM_EXPORT InteractivePopupMenuService : public PopupMenuService {
public:
    int choose(QWidget* owner, const QStringList& captions) override;
};

QM_EXPORT PopupMenuService& PopupMenus();
QM_EXPORT void SetPopupMenuService(std::shared_ptr<PopupMenuService> service);
QM_EXPORT int PopupMenu(QWidget* owner, const QStringList& captions);

// The Save As dialog: a file name, or nothing when cancelled.
struct QM_EXPORT SaveDialogRequest {
    QString title, filter, fileName, defaultExt;
    // The folder it starts in, a path on this machine (empty: the dialog's
    // own choice).
    QString initDir;
    // Ask before replacing a file that exists; ask before naming one that
    // does not exist yet.
    bool overwritePrompt = true;
    bool createPrompt = false;
    // The filter shown first, counted from 1 (0: the first).
    int filterIndex = 0;
};

class QM_EXPORT SaveDialogService {
public:
    virtual ~SaveDialogService();
    virtual std::optional<QString> askSave(QWidget* owner, const SaveDialogRequest& request) = 0;
};

class QM_EXPORT ScriptedSaveDialogService : public SaveDialogService {
public:
    std::optional<QString> askSave(QWidget* owner, const SaveDialogRequest& request) override;
    // A path to answer with, or std::nullopt for "cancel".
    void queueAnswer(const std::optional<QString>& answer) {
        answers_.push_back({answer.has_value(), answer.value_or(QString())});
    }
    const std::vector<SaveDialogRequest>& records() const { return records_; }

private:
    struct Answer {
        bool chosen;
        QString path;
    };
    std::deque<Answer> answers_;
    std::vector<SaveDialogRequest> records_;
};

// The file a Save As writes for a name chosen in its dialog: the default
// extension added when the file's own name has none (a dot in the name of a
// folder on its path is no extension).
QM_EXPORT QString WithDefaultExtension(const QString& chosen, const QString& defaultExt);

// A common dialog's filter ("Name|*.xls|Other|*.a;*.b") as Qt's name
// filters ("Name (*.xls)"); a name that ends with its patterns keeps them
// once.
QM_EXPORT QStringList QtNameFilters(const QString& filter);
// The extension of a name filter of one pattern ("Name (*.xlsx)": "xlsx");
// empty for one of several patterns or of every file.
QM_EXPORT QString FilterExtension(const QString& nameFilter);

// Qt's file dialog as the windows open it: at a size that shows its columns
// whole, within the screen, the columns fitted to what they hold once a
// folder is read.
QM_EXPORT QFileDialog* NewFileDialog(QWidget* owner, const QString& title, const QString& start,
                                     const QStringList& filters);

// Qt's file dialog; the questions before a file is replaced or created are
// message boxes of the service in force, about the file that is written,
// default extension included.
class QM_EXPORT InteractiveSaveDialogService : public SaveDialogService {
public:
    std::optional<QString> askSave(QWidget* owner, const SaveDialogRequest& request) override;
};

QM_EXPORT SaveDialogService& SaveDialogs();
QM_EXPORT void SetSaveDialogService(std::shared_ptr<SaveDialogService> service);

// Flags of the common dialog's Save As.
inline constexpr long cdlOFNOverwritePrompt = 0x2;
inline constexpr long cdlOFNCreatePrompt = 0x2000;

// The common dialog control's Save As: with CancelError set a cancelled
// dialog raises error 32755 "Cancel was selected."; otherwise FileName
// becomes empty. InitDir is a Windows path ("\" the root folder) or one of
// this machine; Flags holds the cdlOFN flags above.
class QM_EXPORT CommonDialog {
public:
    QString DialogTitle, Filter, FileName, DefaultExt, InitDir;
    long Flags = 0;
    bool CancelError = false;
    QWidget* owner = nullptr;
    void ShowSave();
};

inline constexpr int cdlCancel = 32755;

// Puts the scripted services in place of every interactive one (tests, the
// host's automation mode) and returns them.
struct QM_EXPORT ScriptedServices {
    std::shared_ptr<vb::ScriptedMsgBoxService> msgBoxes;
    std::shared_ptr<ScriptedPopupMenuService> popups;
    std::shared_ptr<ScriptedSaveDialogService> saveDialogs;
    std::shared_ptr<win32::RecordingShellService> shell;
};
QM_EXPORT ScriptedServices InstallScriptedServices();
QM_EXPORT void InstallInteractiveServices();

} // namespace forms
