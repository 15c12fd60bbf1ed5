#include "host/host.h"

#include "host/mainwindow.h"
#include "host/registration.h"
#include "platform/excel/application.h"
#include "platform/excel/commandbars.h"
#include "platform/excel/range.h"
#include "platform/forms/form.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSessionManager>
#include <QWidget>
#include <QPoint>
#include <algorithm>
#include <QTimer>
#include <utility>

namespace host {

namespace {

// The custom array's element 1 for the host started from the command line
// and for an instance started through "Excel.Application".
constexpr int kStartedFromCommandLine = 1;
constexpr int kStartedForAutomation = 3;

QString canonical(const QString& path) {
    QFileInfo f(path);
    return f.exists() ? f.canonicalFilePath() : f.absoluteFilePath();
}

} // namespace

Host::Host(Options options)
    : options_(std::move(options)), app_(excel::Application::New()),
      addins_(std::make_unique<AddinSet>(app_, kStartedFromCommandLine)) {
    excel::SetHostApplication(app_);
    app_->setQuitHandler([this] { requestQuit(); });
    excel::SetInstanceCreatedHandler([this](std::shared_ptr<excel::Application> app) { instanceCreated(app); });
    excel::SetInstanceShownHandler([this](std::shared_ptr<excel::Application> app) { instanceShown(app); });
    watchChanges(*app_);
}

void Host::watchChanges(excel::Application& app) {
    // The session manager may call the logout off after asking; what was
    // typed since then has not been offered for saving.
    excel::Events& ev = app.events();
    const int cells = ev.cellsChanged.connect(
        [this](const std::shared_ptr<excel::Worksheet>&, excel::Area) { quitConfirmed_ = false; });
    const int books = ev.workbookChanged.connect([this](const std::shared_ptr<excel::Workbook>& book) {
        if (book && !book->Saved())
            quitConfirmed_ = false;
    });
    unwatch_.push_back([&ev, cells, books] {
        ev.cellsChanged.disconnect(cells);
        ev.workbookChanged.disconnect(books);
    });
}

QPixmap Host::picture(QWidget* window) const {
    QPixmap out;
    QScreen* screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        if (!window) {
            out = screen->grabWindow(0);
        } else {
            const QRect frame = window->frameGeometry().translated(-screen->geometry().topLeft());
            out = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        }
    }
    if (out.isNull() || out.size().isEmpty()) {
        QWidget* drawn = window ? window : static_cast<QWidget*>(mainWindow());
        if (drawn)
            out = drawn->grab();
    }
    return out;
}

Host::~Host() {
    shutdown();
    for (auto& unwatch : unwatch_)
        unwatch();
    excel::SetTextWidthMeasure({});
    excel::SetInstanceCreatedHandler(nullptr);
    excel::SetInstanceShownHandler(nullptr);
    delete window_.data();
    for (auto& i : instances_)
        delete i->window.data();
    excel::SetHostApplication(nullptr);
}

MainWindow* Host::mainWindow() const {
    return window_.data();
}

QStringList Host::startupAddins() const {
    QStringList paths;
    for (const RegisteredAddin& r : RegisteredAddins()) {
        if (r.loadBehavior != 3)
            continue;
        if (r.path.isEmpty()) {
            Report(QStringLiteral("%1: registered without a library path; not loaded").arg(r.progId));
            continue;
        }
        paths << canonical(r.path);
    }
    for (const QString& p : options_.addins)
        paths << canonical(p);
    paths.removeDuplicates();
    return paths;
}

void Host::start() {
#ifndef QT_NO_SESSIONMANAGER
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
            bool cancelled = false;
            endOfSession(manager.allowsInteraction(), cancelled);
            if (cancelled)
                manager.cancel();
            manager.release();
        });
    }
#endif
    window_ = new MainWindow(*this, app_, true);
    MeasureCellsIn(window_->grid()->font());
    window_->placeOnScreen();
    window_->show();
    for (const QString& path : startupAddins()) {
        QString error;
        if (auto library = AddinLibrary::Load(path, &error))
            addins_->connect(library, excel::ext_cm_Startup);
        else
            Report(error);
    }
    addins_->startupComplete();
    for (const QString& file : options_.files)
        Guarded(QStringLiteral("opening %1").arg(file), [&] { app_->Workbooks().Open(file); });
    // A person starting Excel gets an empty workbook; one started for
    // automation gets none.
    if (!options_.automation && options_.files.isEmpty() && !app_->ActiveWorkbook())
        Guarded(QStringLiteral("a new workbook"), [&] { app_->Workbooks().Add(); });
}

void Host::shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    quitRequested_ = true;
    if (window_ && window_->isVisible())
        window_->rememberPlace();
    addins_->disconnectAll(excel::ext_dm_HostShutdown);
    for (auto& i : instances_)
        i->addins->disconnectAll(excel::ext_dm_HostShutdown);
    // Windows the add-ins unloaded go now, while their code is loaded.
    forms::FlushUnloaded();
    if (window_)
        window_->hide();
    for (auto& i : instances_)
        if (i->window)
            i->window->hide();
}

void Host::requestQuit() {
    if (quitRequested_ || quitAsked_)
        return;
    quitAsked_ = true;
    // Not from inside the handler that asked: it may be an add-in's
    // disconnection, or a menu that is still open.
    QTimer::singleShot(0, this, [this] {
        const bool confirmed = std::exchange(quitConfirmed_, false) || confirmQuit();
        quitAsked_ = false;
        if (!confirmed || shutDown_)
            return;
        quitRequested_ = true;
        if (quitAction_) {
            quitAction_();
            return;
        }
        shutdown();
        // exit, not quit: quit would ask every window to close once more, and
        // give up at the first that refuses.
        QCoreApplication::exit(0);
    });
}

bool Host::confirmQuit() {
    if (window_ && !window_->confirmClose())
        return false;
    for (auto& i : instances_)
        if (i->window && i->window->isVisible() && !i->window->confirmClose())
            return false;
    return true;
}

void Host::endOfSession(bool interactionAllowed, bool& cancelled) {
    // Asked before the desktop session ends; the quit that the session
    // manager then asks for does not ask again.
    cancelled = interactionAllowed && !confirmQuit();
    quitConfirmed_ = !cancelled;
}

bool Host::execute(const std::shared_ptr<excel::CommandBarControl>& control, QString* error) {
    if (!control || control->isDeleted()) {
        if (error)
            *error = QStringLiteral("the control was deleted");
        return false;
    }
    // What a person was typing into a cell is in the cell before the
    // command reads it.
    if (window_)
        window_->commitEdit();
    for (auto& i : instances_)
        if (i->window)
            i->window->commitEdit();
    const QString caption = control->Caption();
    return Guarded(QStringLiteral("clicking \"%1\"").arg(caption), [&] { control->Execute(); }, error);
}

std::vector<Host::AddinEntry> Host::addinEntries() const {
    std::vector<AddinEntry> entries;
    for (const QString& path : startupAddins()) {
        AddinEntry e;
        e.path = path;
        e.name = QFileInfo(path).fileName();
        for (const auto& a : addins_->addins())
            if (a->library->path() == path) {
                e.connected = true;
                if (!a->info.friendlyName.isEmpty())
                    e.name = a->info.friendlyName;
            }
        entries.push_back(e);
    }
    return entries;
}

void Host::setAddinConnected(const QString& path, bool connected) {
    if (connected) {
        if (addins_->has(path))
            return;
        QString error;
        if (auto library = AddinLibrary::Load(path, &error))
            addins_->connect(library, excel::ext_cm_AfterStartup);
        else
            Report(error);
        return;
    }
    for (const auto& a : addins_->addins())
        if (a->library->path() == canonical(path)) {
            addins_->disconnect(a.get(), excel::ext_dm_UserClosed);
            return;
        }
}

Host::Instance* Host::findInstance(const excel::Application* app) {
    for (auto& i : instances_)
        if (i->app.get() == app)
            return i.get();
    return nullptr;
}

void Host::instanceCreated(const std::shared_ptr<excel::Application>& app) {
    auto instance = std::make_unique<Instance>();
    instance->app = app;
    instance->addins = std::make_unique<AddinSet>(app, kStartedForAutomation);
    std::weak_ptr<excel::Application> weak = app;
    app->setQuitHandler([this, weak] { instanceQuit(weak); });
    Instance* added = instance.get();
    instances_.push_back(std::move(instance));
    watchChanges(*app);
    for (const QString& path : startupAddins()) {
        QString error;
        if (auto library = AddinLibrary::LoadPrivateCopy(path, &error))
            added->addins->connect(library, excel::ext_cm_Startup);
        else
            Report(error);
    }
    added->addins->startupComplete();
}

void Host::instanceShown(const std::shared_ptr<excel::Application>& app) {
    Instance* instance = findInstance(app.get());
    if (!instance)
        return;
    if (!instance->window) {
        instance->window = new MainWindow(*this, app, false);
        // Cascaded from the host's window, as a new Excel window opens.
        const int shown = int(std::count_if(instances_.begin(), instances_.end(),
                                             [](const auto& i) { return i->window != nullptr; }));
        if (window_)
            instance->window->move(window_->pos() + QPoint(40, 40) * shown);
    }
    instance->window->show();
    instance->window->raise();
}

void Host::instanceQuit(const std::weak_ptr<excel::Application>& weak) {
    const auto app = weak.lock();
    Instance* instance = app ? findInstance(app.get()) : nullptr;
    if (!instance)
        return;
    instance->addins->disconnectAll(excel::ext_dm_HostShutdown);
    // What an instance without add-ins does on Quit: its workbooks close
    // unsaved and it goes out of sight.
    Guarded(QStringLiteral("closing an instance's workbooks"), [&] { app->Workbooks().Close(); });
    app->setVisible(false);
    if (instance->window)
        instance->window->hide();
}

} // namespace host
