#pragma once

// A display of a test's own, as a person's desktop has it: Xvfb on a free
// display with openbox managing its windows, input through the X server
// (xdotool) and the windows' properties as the X server holds them (xprop,
// xwininfo). What headless tests cannot see is seen here: the window
// manager's frames and close requests, the first click on a window that was
// not active, keys as the keyboard sends them.
#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace x11 {

// Runs a program to its end and gives its standard output.
inline QByteArray run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                      bool* ok = nullptr, int timeoutMs = 10000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    const bool done = p.waitForStarted(5000) && p.waitForFinished(timeoutMs);
    if (!done)
        p.kill();
    if (ok)
        *ok = done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return p.readAllStandardOutput();
}

// Waits for a condition, sleeping between looks: the programs under test are
// other processes, nothing of this one needs to run meanwhile.
inline bool waitFor(const std::function<bool()>& condition, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    for (;;) {
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(25);
    }
}

class Session {
public:
    // Starts the server with one screen of the given size and the window
    // manager on it, and waits until the manager has taken the display.
    explicit Session(QSize screen = QSize(1280, 1024)) {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            unavailable_ = QStringLiteral("no X server can be started here: Xvfb is not installed (scripts/setup installs it)");
            return;
        }
        for (const char* tool : {"openbox", "xdotool", "xprop", "xwininfo"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                missing_ << QLatin1String(tool);
        if (!home_.isValid()) {
            unavailable_ = QStringLiteral("no temporary folder for the display's session");
            return;
        }
        // Xvfb picks a free display and writes its number on the descriptor.
        // Servers started side by side by other tests can reach for the same
        // display at once; the one that loses ends at once and is started
        // again.
        QByteArray number;
        QString failure;
        for (int attempt = 0; attempt < 3 && !number.contains('\n'); ++attempt) {
            number.clear();
            server_ = std::make_unique<QProcess>();
            server_->start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                  QStringLiteral("0"),
                                  QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                                  QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            if (server_->waitForStarted(5000))
                while (!number.contains('\n') && server_->waitForReadyRead(20000))
                    number += server_->readAllStandardOutput();
            if (!number.contains('\n')) {
                failure = QString::fromLocal8Bit(server_->readAllStandardError()).trimmed();
                server_->kill();
                server_->waitForFinished(3000);
            }
        }
        if (!number.contains('\n')) {
            unavailable_ = QStringLiteral("Xvfb could not be started: %1").arg(failure);
            return;
        }
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromLatin1(number.trimmed()));
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env_.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env_.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
        env_.remove(QStringLiteral("SESSION_MANAGER"));
        // The manager's own settings and state stay in the session.
        QProcessEnvironment wmEnv = env_;
        wmEnv.insert(QStringLiteral("HOME"), home_.path());
        wmEnv.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path());
        wmEnv.insert(QStringLiteral("XDG_CACHE_HOME"), home_.path());
        if (missing_.contains(QStringLiteral("openbox")))
            return;
        wm_ = std::make_unique<QProcess>();
        wm_->setProcessEnvironment(wmEnv);
        wm_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        wm_->start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        wm_->waitForStarted(5000);
        managing_ = waitFor([this] { return rootProperty("_NET_SUPPORTING_WM_CHECK").contains(QStringLiteral("window id")); },
                            20000);
    }

    ~Session() {
        for (auto* p : {wm_.get(), server_.get()}) {
            if (!p || p->state() == QProcess::NotRunning)
                continue;
            p->terminate();
            if (!p->waitForFinished(3000))
                p->kill();
            p->waitForFinished(3000);
        }
    }

    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Why the session does not run; empty when it does. Only a server that
    // cannot be started skips a test: the tools are installed by
    // scripts/setup, and missing one is a failure (see `missing`).
    const QString& unavailable() const { return unavailable_; }
    QStringList missing() const { return missing_; }
    // Whether the window manager took the display; a failure when not.
    bool managing() const { return managing_; }

    // The environment for a program on this display, from a test's own.
    QProcessEnvironment environment(QProcessEnvironment base) const {
        for (const char* name : {"DISPLAY", "QT_QPA_PLATFORM"})
            base.insert(QLatin1String(name), env_.value(QLatin1String(name)));
        for (const char* name : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORMTHEME", "SESSION_MANAGER"})
            base.remove(QLatin1String(name));
        return base;
    }

    // ---- input, as the keyboard and the mouse send it

    bool xdotool(const QStringList& args, QByteArray* out = nullptr) const {
        bool ok = false;
        const QByteArray o = run(QStringLiteral("xdotool"), args, env_, &ok);
        if (out)
            *out = o;
        return ok;
    }
    // A click of the left button (or another) at a point of the screen.
    bool click(QPoint at, int button = 1) const {
        return xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                        QStringLiteral("sleep"), QStringLiteral("0.05"), QStringLiteral("click"),
                        QString::number(button)});
    }
    bool click(const QRect& r, int button = 1) const { return click(r.center(), button); }
    // Keys by their X names, one after another: "Return", "shift+Tab", "alt+F4".
    bool key(const QStringList& keys) const {
        return xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30")} + keys);
    }
    bool key(const QString& keys) const { return key(QStringList{keys}); }
    // Text as typed on the keyboard: plain ASCII, since xdotool types any
    // other character through a key it maps for the moment, which can land
    // out of order.
    bool type(const QString& text) const {
        return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
    }

    // ---- what the X server holds

    QString property(quint64 window, const char* atom) const {
        return QString::fromUtf8(run(QStringLiteral("xprop"),
                                     {QStringLiteral("-id"), QString::number(window), QLatin1String(atom)}, env_))
            .trimmed();
    }
    QString rootProperty(const char* atom) const {
        return QString::fromUtf8(run(QStringLiteral("xprop"), {QStringLiteral("-root"), QLatin1String(atom)}, env_))
            .trimmed();
    }
    // The numbers of a property, as xprop writes them: in decimal for a
    // cardinal ("_NET_FRAME_EXTENTS(CARDINAL) = 1, 1, 20, 4"), in
    // hexadecimal for others ("_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x3, 0x2e, ...").
    QList<int> numbers(quint64 window, const char* atom) const {
        return numbersOf(window ? property(window, atom) : rootProperty(atom));
    }
    // Atoms of an atom-list property, such as _NET_WM_ALLOWED_ACTIONS.
    QStringList atoms(quint64 window, const char* atom) const {
        const QString p = property(window, atom);
        const qsizetype eq = p.indexOf(u'=');
        if (eq < 0)
            return {};
        QStringList out;
        for (const QString& a : p.mid(eq + 1).split(u',', Qt::SkipEmptyParts))
            out << a.trimmed();
        return out;
    }
    // A window's title as the window manager shows it (_NET_WM_NAME).
    QString title(quint64 window) const {
        const QString p = property(window, "_NET_WM_NAME");
        const qsizetype eq = p.indexOf(QStringLiteral(" = \""));
        return eq < 0 || !p.endsWith(u'"') ? QString() : p.mid(eq + 4).chopped(1).replace(QStringLiteral("\\\""), QStringLiteral("\""));
    }
    // The area the window manager gives windows: the screen less its panels.
    QRect workArea() const {
        const QList<int> n = numbers(0, "_NET_WORKAREA");
        return n.size() >= 4 ? QRect(n[0], n[1], n[2], n[3]) : QRect();
    }
    // A client window's rectangle on the screen, and with the frame the
    // window manager put around it.
    QRect client(quint64 window) const {
        const QString info = QString::fromUtf8(
            run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)}, env_));
        auto value = [&](const char* label) {
            const QRegularExpressionMatch m =
                QRegularExpression(QLatin1String(label) + QStringLiteral(":\\s*(-?\\d+)")).match(info);
            return m.hasMatch() ? m.captured(1).toInt() : 0;
        };
        return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height"));
    }
    QRect frame(quint64 window) const {
        const QList<int> e = numbers(window, "_NET_FRAME_EXTENTS");   // left, right, top, bottom
        const QRect c = client(window);
        return e.size() == 4 ? c.adjusted(-e[0], -e[2], e[1], e[3]) : c;
    }
    bool mapped(quint64 window) const {
        return QString::fromUtf8(run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)}, env_))
            .contains(QStringLiteral("Map State: IsViewable"));
    }
    // Framed and shown: the window manager has reparented and mapped it.
    bool managed(quint64 window) const { return mapped(window) && numbers(window, "_NET_FRAME_EXTENTS").size() == 4; }
    // A window once it is managed; `find` gives it as it is now, 0 while
    // there is none. 0 when none was managed in time.
    quint64 whenManaged(const std::function<quint64()>& find, int ms = 10000) const {
        quint64 w = 0;
        return waitFor([&] { w = find(); return w && managed(w); }, ms) ? w : 0;
    }
    // Where the close button of the title bar is: the right end of the
    // title bar, which openbox's layouts all end with.
    QPoint closeButton(quint64 window) const {
        const QList<int> e = numbers(window, "_NET_FRAME_EXTENTS");
        const QRect f = frame(window);
        const int title = e.size() == 4 ? e[2] : 20;
        return QPoint(f.right() - title / 2 - 1, f.top() + title / 2);
    }
    // The top-level windows whose title matches, shown ones only.
    QList<quint64> windowsNamed(const QString& pattern) const {
        QByteArray out;
        xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern}, &out);
        QList<quint64> ids;
        for (const QByteArray& line : out.split('\n'))
            if (!line.trimmed().isEmpty())
                ids << line.trimmed().toULongLong();
        return ids;
    }
    quint64 activeWindow() const {
        QByteArray out;
        return xdotool({QStringLiteral("getactivewindow")}, &out) ? out.trimmed().toULongLong() : 0;
    }

private:
    static QList<int> numbersOf(const QString& p) {
        const qsizetype eq = p.indexOf(u'=');
        QList<int> out;
        if (eq < 0)
            return out;
        for (const QString& n : p.mid(eq + 1).split(u',', Qt::SkipEmptyParts)) {
            bool ok = false;
            const int v = n.trimmed().toInt(&ok, 0);
            if (!ok)
                return {};
            out << v;
        }
        return out;
    }

    QTemporaryDir home_;
    std::unique_ptr<QProcess> server_, wm_;
    QProcessEnvironment env_;
    QString unavailable_;
    QStringList missing_;
    bool managing_ = false;
};

} // namespace x11

// The first lines of a test on a real display: skipped, with the reason,
// only where no X server can be started; a missing tool is a failure.
#define X11_SESSION_OR_SKIP(session)                                                             \
    do {                                                                                         \
        if (!(session).unavailable().isEmpty())                                                  \
            GTEST_SKIP() << (session).unavailable().toStdString();                               \
        ASSERT_TRUE((session).missing().isEmpty())                                               \
            << "not installed: " << (session).missing().join(u' ').toStdString()                 \
            << " (scripts/setup installs it)";                                                   \
        ASSERT_TRUE((session).managing()) << "openbox did not take the display";                 \
    } while (0)
