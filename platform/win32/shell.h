#pragma once

#include "platform/vb/export.h"

#include <QString>
#include <memory>
#include <vector>

namespace win32 {

enum ShowCommand : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3 };

struct QM_EXPORT ShellCall {
    QString verb, file, parameters, directory;
    int show = 0;
};

// What opens documents and web pages: the desktop's opener for a person,
// a recorder for tests and the host's automation mode.
class QM_EXPORT ShellService {
public:
    virtual ~ShellService();
    // Returns a value above 32 on success, as the system call does.
    virtual long execute(const ShellCall& call) = 0;
};

class QM_EXPORT RecordingShellService : public ShellService {
public:
    long execute(const ShellCall& call) override;
    const std::vector<ShellCall>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

private:
    std::vector<ShellCall> calls_;
};

// Opens through the desktop: a file with the program the desktop names for
// its type (xdg-open), a help file in a help viewer where the desktop names
// none, a web address in the browser. A web address reaches the browser
// through a page of the user's own that forwards it there, never on a
// command line, which every local user can read while the browser runs.
// When no program can open it, or the one that should fails at once, the
// person is told so in a message box, as the Windows shell does.
class QM_EXPORT DesktopShellService : public ShellService {
public:
    long execute(const ShellCall& call) override;
};

// The service in force; a recorder until one is installed.
QM_EXPORT ShellService& Shell();
QM_EXPORT void SetShellService(std::shared_ptr<ShellService> service);

// ShellExecute(owner, verb, file, parameters, directory, show).
QM_EXPORT long ShellExecute(void* owner, const QString& verb, const QString& file,
                            const QString& parameters, const QString& directory, int show);

} // namespace win32
