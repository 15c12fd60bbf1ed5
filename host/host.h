#pragma once

#include "host/addins.h"

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace excel {
class Application;
class CommandBarControl;
}

namespace host {

class MainWindow;

// The spreadsheet host: its Application and window, the add-ins connected
// to it, and the instances add-ins create through "Excel.Application".
class Host : public QObject {
public:
    struct Options {
        bool automation = false;
        QStringList addins;   // --addin: loaded without registration
        QStringList files;    // opened at start
    };

    explicit Host(Options options);
    ~Host() override;

    // Shows the window, connects the add-ins (those registered with load
    // behaviour 3, then the --addin ones) and opens the files.
    void start();
    // Disconnects every add-in, the instances' included, and closes the
    // windows. Only the first call does anything.
    void shutdown();

    // The host is asked to close (Application.Quit, the window's close box,
    // File Exit, Ctrl+Q, the end of the desktop session). From the event
    // loop, each workbook with changes is offered for saving, once; a
    // cancel keeps everything as it was. Then the add-ins are disconnected
    // as at a shutdown and the event loop ends with 0. Asked again while it
    // asks, or during the shutdown itself, it does nothing more.
    void requestQuit();
    bool quitRequested() const { return quitRequested_; }
    // Offers each changed workbook of the host and of the instances' shown
    // windows for saving; false when the person cancelled.
    bool confirmQuit();
    // The desktop session is ending: the same question as a quit, when the
    // session manager lets the host ask; cancelled tells it to stay.
    void endOfSession(bool interactionAllowed, bool& cancelled);
    // What a confirmed quit does instead of ending the event loop: the
    // automation protocol finishes its command first.
    void setQuitAction(std::function<void()> action) { quitAction_ = std::move(action); }
    // The windows are closing for good: their close boxes no longer ask.
    bool closing() const { return shutDown_; }

    bool automation() const { return options_.automation; }
    const std::shared_ptr<excel::Application>& application() const { return app_; }
    MainWindow* mainWindow() const;
    // A picture of one window as the screen shows it, with the frame a
    // window manager gives it, or (null) of the whole screen; the window's
    // own drawing, or the host's window, where the screen cannot be read.
    QPixmap picture(QWidget* window = nullptr) const;

    // A click on a command-bar control: its add-in's handler runs. A failing
    // handler is reported; returns false with its error text.
    bool execute(const std::shared_ptr<excel::CommandBarControl>& control, QString* error = nullptr);

    // The add-ins of the host's Application, for the add-ins menu.
    struct AddinEntry {
        QString path;
        QString name;
        bool connected = false;
    };
    std::vector<AddinEntry> addinEntries() const;
    // Connects an add-in after start, or lets it go as the user removing it.
    void setAddinConnected(const QString& path, bool connected);

private:
    QStringList startupAddins() const;
    void instanceCreated(const std::shared_ptr<excel::Application>& app);
    void instanceShown(const std::shared_ptr<excel::Application>& app);
    void instanceQuit(const std::weak_ptr<excel::Application>& app);

    struct Instance {
        std::shared_ptr<excel::Application> app;
        std::unique_ptr<AddinSet> addins;
        QPointer<MainWindow> window;
    };
    Instance* findInstance(const excel::Application* app);
    // A change to a workbook after the session's end was answered makes
    // the next quit ask again.
    void watchChanges(excel::Application& app);

    Options options_;
    std::shared_ptr<excel::Application> app_;
    std::unique_ptr<AddinSet> addins_;
    QPointer<MainWindow> window_;
    std::vector<std::unique_ptr<Instance>> instances_;
    std::function<void()> quitAction_;
    bool quitRequested_ = false;
    bool quitAsked_ = false;       // a request waits for the event loop or is asking
    bool quitConfirmed_ = false;   // the session's end was answered: the quit that follows does not ask again
    std::vector<std::function<void()>> unwatch_;
    bool shutDown_ = false;
};

} // namespace host
