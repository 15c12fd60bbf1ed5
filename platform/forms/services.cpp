#include "platform/forms/services.h"

#include "platform/vb/error.h"
#include "platform/vb/strings.h"
#include "platform/win32/paths.h"

#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QRegularExpression>
#include <QTreeView>
#include <QLayout>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <memory>

namespace forms {

namespace {

// Room kept for the window's frame and title bar, which the box does not
// know before a window manager has framed it.
constexpr int kFrameHeight = 64;
constexpr int kFrameWidth = 16;

// A message box that keeps to the screen: no wider than it (a long word is
// wrapped), and the lines that would make it taller are left out, so that
// its button stays in reach. Its size is known only once it is shown.
class FittingMessageBox : public QMessageBox {
protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        fit();
    }

private:
    void fit() {
        const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
        if (!where)
            return;
        const QRect area = where->availableGeometry();
        const int roomWide = area.width() - std::max(kFrameWidth, frameGeometry().width() - width());
        const int roomHigh = area.height() - std::max(kFrameHeight, frameGeometry().height() - height());
        // Each text sets the box's size afresh.
        auto fits = [&](const QString& shown) {
            setText(shown);
            if (width() > roomWide)
                setFixedSize(roomWide, layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(roomWide)
                                                                     : height());
            return height() <= roomHigh;
        };
        const QString full = text();
        if (!fits(full)) {
            // The most lines that fit, found by halving; one line always stays.
            const QStringList lines = full.split(u'\n');
            qsizetype fitting = 1, tooMany = lines.size();
            while (tooMany - fitting > 1) {
                const qsizetype middle = fitting + (tooMany - fitting) / 2;
                (fits(lines.first(middle).join(u'\n')) ? fitting : tooMany) = middle;
            }
            fits(lines.first(fitting).join(u'\n'));
        }
        move(area.x() + (area.width() - frameGeometry().width()) / 2,
             area.y() + (area.height() - frameGeometry().height()) / 2);
    }
};

} // namespace

int DialogMsgBoxService::show(const QString& prompt, int buttons, const QString& title) {
    FittingMessageBox box;
    box.setText(prompt);
    box.setWindowTitle(title);
    switch (buttons & 0x70) {
    case vb::vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vb::vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vb::vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vb::vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Choice { QMessageBox::StandardButton button; int result; };
    std::vector<Choice> choices;
    switch (buttons & 7) {
    case vb::vbOKCancel: choices = {{QMessageBox::Ok, vb::vbOK}, {QMessageBox::Cancel, vb::vbCancel}}; break;
    case vb::vbAbortRetryIgnore:
        choices = {{QMessageBox::Abort, vb::vbAbort}, {QMessageBox::Retry, vb::vbRetry}, {QMessageBox::Ignore, vb::vbIgnore}};
        break;
    case vb::vbYesNoCancel:
        choices = {{QMessageBox::Yes, vb::vbYes}, {QMessageBox::No, vb::vbNo}, {QMessageBox::Cancel, vb::vbCancel}};
        break;
    case vb::vbYesNo: choices = {{QMessageBox::Yes, vb::vbYes}, {QMessageBox::No, vb::vbNo}}; break;
    case vb::vbRetryCancel: choices = {{QMessageBox::Retry, vb::vbRetry}, {QMessageBox::Cancel, vb::vbCancel}}; break;
    default: choices = {{QMessageBox::Ok, vb::vbOK}}; break;
    }
    QMessageBox::StandardButtons set;
    for (const Choice& c : choices) set |= c.button;
    box.setStandardButtons(set);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    int pressed = box.exec();
    for (const Choice& c : choices)
        if (c.button == pressed)
            return c.result;
    return choices.size() > 1 ? choices.back().result : vb::vbOK;
}

PopupMenuService::~PopupMenuService() = default;
SaveDialogService::~SaveDialogService() = default;

int ScriptedPopupMenuService::choose(QWidget*, const QStringList& captions) {
    Record r{captions, -1};
    if (!choices_.empty()) {
        QString want = choices_.front();
        choices_.pop_front();
        r.chosen = int(captions.indexOf(want));
    }
    records_.push_back(r);
    return r.chosen;
}

int InteractivePopupMenuService::choose(QWidget* owner, const QStringList& captions) {
    QMenu menu(owner);
    std::vector<QAction*> actions;
    for (const QString& c : captions) actions.push_back(menu.addAction(c));
    QAction* chosen = menu.exec(QCursor::pos());
    for (size_t i = 0; i < actions.size(); ++i)
        if (actions[i] == chosen)
            return int(i);
    return -1;
}

namespace {
std::shared_ptr<PopupMenuService>& popupService() {
    static std::shared_ptr<PopupMenuService> s = std::make_shared<ScriptedPopupMenuService>();
    return s;
}
std::shared_ptr<SaveDialogService>& saveService() {
    static std::shared_ptr<SaveDialogService> s = std::make_shared<ScriptedSaveDialogService>();
    return s;
}
} // namespace

PopupMenuService& PopupMenus() { return *popupService(); }
void SetPopupMenuService(std::shared_ptr<PopupMenuService> service) {
    popupService() = service ? std::move(service) : std::make_shared<ScriptedPopupMenuService>();
}
int PopupMenu(QWidget* owner, const QStringList& captions) { return PopupMenus().choose(owner, captions); }

std::optional<QString> ScriptedSaveDialogService::askSave(QWidget*, const SaveDialogRequest& request) {
    records_.push_back(request);
    if (answers_.empty())
        return std::nullopt;
    Answer answer = answers_.front();
    answers_.pop_front();
    if (!answer.chosen)
        return std::nullopt;
    return answer.path;
}

QString WithDefaultExtension(const QString& chosen, const QString& defaultExt) {
    if (defaultExt.isEmpty() || QFileInfo(chosen).fileName().contains(u'.'))
        return chosen;
    return chosen + u'.' + defaultExt;
}

QStringList QtNameFilters(const QString& filter) {
    QStringList parts = filter.split(u'|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts[i + 1].replace(u';', u' ').trimmed();
        // Qt takes the patterns from the parentheses at the end of a
        // filter's name; a name that already ends with them keeps its own.
        const QString named = parts[i].trimmed();
        filters << (named.endsWith(u'(' + patterns + u')') ? named : named + QStringLiteral(" (") + patterns + u')');
    }
    return filters;
}

QString FilterExtension(const QString& nameFilter) {
    static const QRegularExpression single(QStringLiteral("\\(\\*\\.([A-Za-z0-9]+)\\)$"));
    const QRegularExpressionMatch m = single.match(nameFilter.trimmed());
    return m.hasMatch() ? m.captured(1) : QString();
}

QFileDialog* NewFileDialog(QWidget* owner, const QString& title, const QString& start, const QStringList& filters) {
    auto* dialog = new QFileDialog(owner, title, start, filters.join(QStringLiteral(";;")));
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    // Wide enough for the names of the columns and what they hold, within
    // the screen.
    const QScreen* where = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    QSize size(820, 500);
    if (where)
        size = size.boundedTo(where->availableGeometry().size() - QSize(kFrameWidth, kFrameHeight));
    dialog->resize(size);
    if (auto* model = dialog->findChild<QFileSystemModel*>()) {
        QObject::connect(model, &QFileSystemModel::directoryLoaded, dialog, [dialog] {
            auto* view = dialog->findChild<QTreeView*>();
            if (!view)
                return;
            // The size, the type and the date whole; the name takes the rest.
            for (int c = 1; c < view->model()->columnCount(view->rootIndex()); ++c)
                view->resizeColumnToContents(c);
        });
    }
    return dialog;
}

std::optional<QString> InteractiveSaveDialogService::askSave(QWidget* owner, const SaveDialogRequest& request) {
    const QStringList filters = QtNameFilters(request.filter);
    QString start = request.fileName;
    if (!request.initDir.isEmpty())
        start = request.fileName.isEmpty() ? request.initDir : QDir(request.initDir).filePath(request.fileName);
    QString type = request.filterIndex >= 1 && request.filterIndex <= filters.size() ? filters[request.filterIndex - 1]
                                                                                   : QString();
    for (;;) {
        const std::unique_ptr<QFileDialog> dialog(NewFileDialog(owner, request.title, start, filters));
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        // Qt's dialog would ask about the name as typed, before the default
        // extension makes it the name of another file: the questions are
        // asked here, about the file that is written.
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
        if (!type.isEmpty())
            dialog->selectNameFilter(type);
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return std::nullopt;
        type = dialog->selectedNameFilter();
        const QString typed = dialog->selectedFiles().constFirst();
        if (typed.isEmpty())
            return std::nullopt;
        // The type chosen in the dialog gives its extension to a name typed
        // without one, as the Windows dialog does; the default one stands
        // for a type of many.
        const QString chosenType = FilterExtension(type);
        const QString chosen = WithDefaultExtension(typed, chosenType.isEmpty() ? request.defaultExt : chosenType);
        const QString name = QFileInfo(chosen).fileName();
        // Declining goes back to the dialog, as the Windows dialog stays
        // open.
        start = chosen;
        if (QFileInfo::exists(chosen)) {
            if (request.overwritePrompt
                && vb::MsgBox(name + QStringLiteral(" zaten var.") + vb::vbCrLf
                                  + QStringLiteral("Değiştirmek istiyor musunuz?"),
                              vb::vbYesNo + vb::vbExclamation, request.title)
                       != vb::vbYes)
                continue;
        } else if (request.createPrompt
                   && vb::MsgBox(name + QStringLiteral(" dosyası yok.") + vb::vbCrLf + QStringLiteral("Oluşturulsun mu?"),
                                 vb::vbYesNo + vb::vbQuestion, request.title)
                          != vb::vbYes) {
            continue;
        }
        return chosen;
    }
}

SaveDialogService& SaveDialogs() { return *saveService(); }
void SetSaveDialogService(std::shared_ptr<SaveDialogService> service) {
    saveService() = service ? std::move(service) : std::make_shared<ScriptedSaveDialogService>();
}

void CommonDialog::ShowSave() {
    SaveDialogRequest request;
    request.title = DialogTitle;
    request.filter = Filter;
    request.fileName = FileName;
    request.defaultExt = DefaultExt;
    if (!InitDir.isEmpty())
        request.initDir = win32::LocalPath(InitDir);
    request.overwritePrompt = (Flags & cdlOFNOverwritePrompt) != 0;
    request.createPrompt = (Flags & cdlOFNCreatePrompt) != 0;
    auto answer = SaveDialogs().askSave(owner, request);
    if (!answer) {
        FileName.clear();
        if (CancelError)
            vb::Raise(cdlCancel, QStringLiteral("Cancel was selected."));
        return;
    }
    FileName = *answer;
}

ScriptedServices InstallScriptedServices() {
    ScriptedServices s{std::make_shared<vb::ScriptedMsgBoxService>(), std::make_shared<ScriptedPopupMenuService>(),
                       std::make_shared<ScriptedSaveDialogService>(), std::make_shared<win32::RecordingShellService>()};
    vb::SetMsgBoxService(s.msgBoxes);
    SetPopupMenuService(s.popups);
    SetSaveDialogService(s.saveDialogs);
    win32::SetShellService(s.shell);
    return s;
}

void InstallInteractiveServices() {
    vb::SetMsgBoxService(std::make_shared<DialogMsgBoxService>());
    SetPopupMenuService(std::make_shared<InteractivePopupMenuService>());
    SetSaveDialogService(std::make_shared<InteractiveSaveDialogService>());
    win32::SetShellService(std::make_shared<win32::DesktopShellService>());
}

} // namespace forms
