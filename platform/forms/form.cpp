#include "platform/forms/form.h"

#include "platform/forms/controls.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/timer.h"
#include "platform/vb/variant.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>
#include <map>
#include <QShowEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <algorithm>
#include <cxxabi.h>
#include <cstdlib>
#include <stdexcept>
#include <memory>

namespace forms {

namespace {

struct Runtime {
    std::vector<Form*> loaded;          // load order
    std::vector<QPointer<Form>> dying;  // unloaded, not yet destroyed
    Form* active = nullptr;
};

Runtime& rt() {
    static Runtime r;
    return r;
}

// A person's click inside a window makes it the active one. Focus events are
// not used: they depend on a window manager, which tests do not have.
//
// The activation runs before the press reaches the control, and it may
// yield to the event loop (the sending pages disable their lists and fetch
// the account's information): the release of that same press, waiting in
// the queue, would then reach the control before its press, and the click
// would be lost. The press is held back while the window activates, with
// what follows it to the same control, and given to the control afterwards
// in its order: one press is one click, after the activation.
class ClickActivation : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (!o->isWidgetType() || !isMouse(e->type()))
            return false;
        auto* w = static_cast<QWidget*>(o);
        if (holding_) {
            if (w != held_.data())
                return false;
            heldBack_.emplace_back(static_cast<QMouseEvent*>(e)->clone());
            return true;
        }
        if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick)
            return false;
        Form* form = nullptr;
        for (Form* f : rt().loaded)
            if (f == w->window())
                form = f;
        if (!form || ActiveForm() == form)
            return false;
        holding_ = true;
        held_ = w;
        heldBack_.emplace_back(static_cast<QMouseEvent*>(e)->clone());
        QPointer<Form> activated(form);
        Activate(*form);
        holding_ = false;
        std::vector<std::unique_ptr<QMouseEvent>> replay = std::move(heldBack_);
        heldBack_.clear();
        // What the activation closed or hid takes no click.
        for (auto& event : replay)
            if (held_ && activated && activated->isLoaded() && held_->isVisible())
                QCoreApplication::sendEvent(held_.data(), event.get());
        held_.clear();
        return true;
    }

private:
    static bool isMouse(QEvent::Type t) {
        return t == QEvent::MouseButtonPress || t == QEvent::MouseButtonRelease || t == QEvent::MouseButtonDblClick
               || t == QEvent::MouseMove;
    }

    bool holding_ = false;
    QPointer<QWidget> held_;
    std::vector<std::unique_ptr<QMouseEvent>> heldBack_;
};

// Long loops yield to the event loop once per record, and each yield would
// repaint the window that shows their progress: tens of thousands of paints
// for one list. A window of the add-in is painted at most every
// vb::kPaintInterval; a paint asked for sooner is put off until then, never
// lost.
class PaintPacing : public QObject {
public:
    static constexpr qint64 kPaintInterval = vb::kPaintInterval.count();

    bool eventFilter(QObject* o, QEvent* e) override {
        // A wait on a request turns the event loop only once per interval,
        // and the timer a put-off paint needs does not run meanwhile.
        if (e->type() != QEvent::UpdateRequest || !o->isWidgetType() || vb::Waiting())
            return false;
        auto* form = dynamic_cast<Form*>(static_cast<QWidget*>(o));
        if (!form)
            return false;
        Pace& pace = paces_[form];
        if (pace.releasing) {
            pace.releasing = false;
            pace.last.start();
            return false;
        }
        if (!pace.last.isValid() || pace.last.elapsed() >= kPaintInterval) {
            pace.last.start();
            return false;
        }
        if (!pace.pending) {
            pace.pending = true;
            QPointer<Form> target(form);
            QTimer::singleShot(int(kPaintInterval - pace.last.elapsed()), this, [this, target] {
                if (!target)
                    return;
                Pace& p = paces_[target.data()];
                p.pending = false;
                p.releasing = true;
                QCoreApplication::postEvent(target.data(), new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
            });
        }
        return true;
    }

    void forget(Form* form) { paces_.erase(form); }

private:
    struct Pace {
        QElapsedTimer last;
        bool pending = false;
        bool releasing = false;
    };
    std::map<Form*, Pace> paces_;
};

PaintPacing* paintPacing = nullptr;

void installClickActivation() {
    static bool installed = false;
    if (installed || !QCoreApplication::instance())
        return;
    installed = true;
    // The application's own filters: they go with it.
    QCoreApplication* app = QCoreApplication::instance();
    auto* clicks = new ClickActivation;
    clicks->setParent(app);
    app->installEventFilter(clicks);
    paintPacing = new PaintPacing;
    paintPacing->setParent(app);
    app->installEventFilter(paintPacing);
}

// The part of the primary screen windows may take, without the panels.
QRect workArea() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect();
}

// A window manager frames a window some milliseconds after it was mapped
// and tells no widget event about it: the frame is looked for this often,
// for at most this many times after each showing.
constexpr int kFrameWatchInterval = 20;
constexpr int kFrameWatchTicks = 100;
// Fitted to its frame, a window has settled once the window manager has
// been quiet for this many looks in a row.
constexpr int kSettledTicks = 10;

} // namespace

int ToPixels(int twips) { return int(vb::RoundHalfEven(twips / double(TwipsPerPixel))); }

int ScreenWidth() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? ToTwips(s->geometry().width()) : 0;
}

int ScreenHeight() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? ToTwips(s->geometry().height()) : 0;
}

Form::Form(const QString& className) : QWidget(nullptr, Qt::Window), className_(className) {
    setObjectName(className);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setCaption(QString());
    installClickActivation();
}

void Form::setCaption(const QString& caption) {
    caption_ = caption;
    setWindowTitle(caption.isEmpty() ? QStringLiteral(" ") : caption);
}

void Form::setBorderStyle(int style, bool minButton, bool maxButton, bool controlBox) {
    if (style < vbBSNone || style > vbSizableToolWindow)
        vb::Raise(vb::errInvalidProperty);
    const bool sizable = style == vbSizable || style == vbSizableToolWindow;
    Qt::WindowFlags flags = windowFlags() & Qt::WindowStaysOnTopHint;
    if (style == vbBSNone) {
        flags |= Qt::Window | Qt::FramelessWindowHint;
    } else {
        flags |= style == vbFixedDialog ? Qt::Dialog
                 : style >= vbFixedToolWindow ? Qt::Tool
                                              : Qt::Window;
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (controlBox) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (style == vbSizable || style == vbFixedSingle) {
                if (minButton)
                    flags |= Qt::WindowMinimizeButtonHint;
                if (maxButton && sizable)
                    flags |= Qt::WindowMaximizeButtonHint;
            }
        }
    }
    borderStyle_ = style;
    const bool wasVisible = isVisible();
    setWindowFlags(flags);
    if (!sizable)
        holdSize();
    // Changing window flags hides a shown window; put it back.
    if (wasVisible)
        QWidget::show();
}

void Form::holdSize() {
    sizeHeld_ = true;
    applyHeldSize();
}

void Form::applyHeldSize() {
    if (sizeHeld_ && (minimumSize() != size() || maximumSize() != size()))
        setFixedSize(size());
}

void Form::resizeClient(QSize size) {
    if (sizeHeld_)
        setFixedSize(size);
    else
        resize(size);
}

Form::~Form() {
    if (paintPacing)
        paintPacing->forget(this);
    auto& r = rt();
    r.loaded.erase(std::remove(r.loaded.begin(), r.loaded.end(), this), r.loaded.end());
    if (r.active == this)
        r.active = nullptr;
    if (slot_ && *slot_ == this)
        *slot_ = nullptr;
}

void LoadForm(Form* form, Form** slot) {
    form->slot_ = slot;
    *slot = form;
    form->loaded_ = true;
    rt().loaded.push_back(form);
    form->Form_Load();
}

void Form::Show() {
    if (!loaded_)
        return;
    if (!isVisible())
        QWidget::show();
    Activate(*this);
}

void Form::Hide() {
    QWidget::hide();
    if (rt().active == this)
        rt().active = nullptr;
}

void Form::ZOrder() {
    if (isVisible())
        Activate(*this);
}

QRect Form::outerRect() const { return geometry().marginsAdded(frame_); }

int Form::Left() const { return ToTwips(outerRect().x()); }
int Form::Top() const { return ToTwips(outerRect().y()); }
int Form::Width() const { return ToTwips(outerRect().width()); }
int Form::Height() const { return ToTwips(outerRect().height()); }

namespace {
// The language refuses to move or size a minimised or maximised window.
void requireNormal(const Form& f) {
    if (f.WindowState() != vbNormal)
        vb::Raise(384, QStringLiteral("A form can't be moved or sized while minimized or maximized"));
}
} // namespace

void Form::placeOuter(QPoint topLeft) {
    // A title bar above the work area could not be reached to move the
    // window back.
    const QRect area = workArea();
    if (area.isValid() && topLeft.y() < area.top())
        topLeft.setY(area.top());
    // The client rectangle: with it the window manager keeps the client
    // where it is told and draws the frame around it.
    placedAt_ = topLeft + QPoint(frame_.left(), frame_.top());
    setGeometry(QRect(placedAt_, size()));
}

void Form::setLeft(int twips) {
    requireNormal(*this);
    placeOuter({ToPixels(twips), outerRect().y()});
    placement_ = Placement::Explicit;
}

void Form::setTop(int twips) {
    requireNormal(*this);
    placeOuter({outerRect().x(), ToPixels(twips)});
    placement_ = Placement::Explicit;
}

void Form::setWidth(int twips) {
    requireNormal(*this);
    resizeClient({std::max(0, ToPixels(twips) - frame_.left() - frame_.right()), height()});
}

void Form::setHeight(int twips) {
    requireNormal(*this);
    resizeClient({width(), std::max(0, ToPixels(twips) - frame_.top() - frame_.bottom())});
}

void Form::Move(int left, int top, int w, int h) {
    requireNormal(*this);
    placeOuter({ToPixels(left), ToPixels(top)});
    placement_ = Placement::Explicit;
    if (w >= 0)
        setWidth(w);
    if (h >= 0)
        setHeight(h);
}

int Form::ScaleWidth() const { return ToTwips(width()); }
int Form::ScaleHeight() const { return ToTwips(height()); }

int Form::WindowState() const {
    Qt::WindowStates s = windowState();
    if (s & Qt::WindowMinimized) return vbMinimized;
    if (s & Qt::WindowMaximized) return vbMaximized;
    return vbNormal;
}

void Form::setWindowState(int state) {
    switch (state) {
    case vbNormal: QWidget::setWindowState(Qt::WindowNoState); break;
    case vbMinimized: QWidget::setWindowState(Qt::WindowMinimized); break;
    case vbMaximized: QWidget::setWindowState(Qt::WindowMaximized); break;
    default: vb::Raise(vb::errInvalidProperty);
    }
}

void Form::setTopmost(bool topmost) {
    bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    // Changing window flags hides a shown window; put it back.
    if (wasVisible)
        QWidget::show();
}

void Form::moveFlushRight() {
    requireNormal(*this);
    placeFlushRight();
    if (frame_.isNull())
        placement_ = Placement::FlushRight;
}

void Form::placeFlushRight() {
    const QRect area = workArea();
    if (area.isValid())
        placeOuter({area.x() + area.width() - outerRect().width(), outerRect().y()});
}

void Form::centreOnScreen() {
    placeCentred();
    if (frame_.isNull())
        placement_ = Placement::Centred;
}

void Form::placeCentred() {
    const QScreen* s = QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect screen = s->geometry(), outer = outerRect();
    placeOuter({screen.x() + (screen.width() - outer.width()) / 2, screen.y() + (screen.height() - outer.height()) / 2});
}

QMargins Form::windowFrame() const {
    const QWindow* w = windowHandle();
    return w ? w->frameMargins() : QMargins();
}

void Form::runResize() {
    if (!loaded_ || inResize_)
        return;
    inResize_ = true;
    RunEvent([this] { Form_Resize(); });
    inResize_ = false;
}

void Form::fitFrame() {
    if (fitting_ || !isVisible())
        return;
    const QMargins frame = windowFrame();
    // Mapped again, a window is without a frame until the window manager
    // has drawn it anew; the last one known stands meanwhile.
    if (frame.isNull() || frame == frame_)
        return;
    fitting_ = true;
    fitTarget_ = QRect();
    const QRect outer = outerRect();
    frame_ = frame;
    // The outer window stays where code put it, the size a window holds is
    // held for the outer window, and the rule that placed it is applied
    // once more.
    const bool normal = WindowState() == vbNormal;
    if (normal && testAttribute(Qt::WA_Moved))
        placeOuter(outer.topLeft());
    runResize();
    if (normal && placement_ == Placement::FlushRight)
        placeFlushRight();
    else if (normal && placement_ == Placement::Centred)
        placeCentred();
    if (placement_ != Placement::Automatic)
        placement_ = Placement::Explicit;
    fitting_ = false;
    fitTarget_ = geometry();
    fitPlaced_ = testAttribute(Qt::WA_Moved);
    settledTicks_ = 0;
    startFrameWatch();
}

bool Form::answeredLate(const QEvent* e) {
    // The window manager answers each step of the fitting in its own time,
    // and an answer to an earlier step arriving late takes the window back
    // there (a window manager that has only just mapped it takes a tenth of
    // a second and more): such a change holds no size, and the window is
    // put back where the fitting left it once the answers stop. What code
    // changes meanwhile is where the window is to be.
    if (fitTarget_.isNull())
        return false;
    // Maximised or minimised meanwhile, it is no longer where it was fitted.
    if (WindowState() != vbNormal) {
        fitTarget_ = QRect();
        return false;
    }
    if (!e->spontaneous()) {
        fitTarget_ = geometry();
        return false;
    }
    // A window the window manager placed is where it puts it.
    if (!fitPlaced_)
        fitTarget_.moveTopLeft(geometry().topLeft());
    settledTicks_ = 0;
    return geometry() != fitTarget_;
}

bool Form::settle() {
    if (WindowState() != vbNormal)
        return true;
    if (geometry() == fitTarget_)
        return ++settledTicks_ >= kSettledTicks;
    resizeClient(fitTarget_.size());
    if (fitPlaced_)
        setGeometry(fitTarget_);
    settledTicks_ = 0;
    return false;
}

void Form::startFrameWatch() {
    if (!frameWatch_) {
        frameWatch_ = new QTimer(this);
        frameWatch_->setInterval(kFrameWatchInterval);
        QObject::connect(frameWatch_, &QTimer::timeout, this, [this] {
            if (!fitTarget_.isNull() && settle())
                fitTarget_ = QRect();
            if (fitTarget_.isNull())
                fitFrame();
            const bool done = fitTarget_.isNull() && !frame_.isNull();
            if (done || ++frameWatchTicks_ >= kFrameWatchTicks || !isVisible()) {
                frameWatch_->stop();
                fitTarget_ = QRect();
            }
        });
    }
    frameWatchTicks_ = 0;
    frameWatch_->start();
}

void Form::watchFrame() {
    fitFrame();
    if (frame_.isNull())
        startFrameWatch();
}

void Form::showEvent(QShowEvent* e) {
    // Before the window manager maps it: it is told the size held.
    applyHeldSize();
    QWidget::showEvent(e);
    watchFrame();
}

void Form::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    if (answeredLate(e))
        return;
    // Moved elsewhere by code before its frame was known, the window is no
    // longer where its rule would put it. The window manager's own moves
    // meanwhile are answers to what it was asked.
    if (!e->spontaneous() && geometry().topLeft() != placedAt_ && placement_ != Placement::Automatic)
        placement_ = Placement::Explicit;
}

void Form::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    // Window managers activate the window they have just framed.
    if (e->type() == QEvent::ActivationChange)
        fitFrame();
}

bool Form::isTopmost() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

void Form::RunEvent(const std::function<void()>& handler) {
    if (!handler)
        return;
    try {
        handler();
    } catch (const std::exception& e) {
        vb::MsgBox(vb::ErrorDescription(e), vb::vbCritical);
    }
}

void Form::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (answeredLate(e))
        return;
    // A handler that sets the size back resizes again; one level is enough.
    runResize();
}

bool Form::pressDefaultOrCancel(const QKeyEvent* e) {
    CommandButton* button = nullptr;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        button = defaultButton_;
    else if (e->key() == Qt::Key_Escape)
        button = cancelButton_;
    if (!button || !button->isEnabled() || !button->isVisible())
        return false;
    button->click();
    return true;
}

void Form::keyPressEvent(QKeyEvent* e) {
    // Enter presses the focused button, else the default button.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (auto* focused = dynamic_cast<CommandButton*>(focusWidget())) {
            if (focused->isEnabled())
                focused->click();
            return;
        }
    }
    if (pressDefaultOrCancel(e))
        return;
    QWidget::keyPressEvent(e);
}

void Form::closeEvent(QCloseEvent* e) {
    // The close box unloads the window, which may refuse.
    e->ignore();
    if (loaded_)
        Unload(*this, vbFormControlMenu);
}

void Unload(Form& form, int mode) {
    if (!form.loaded_)
        return;
    int cancel = 0;
    form.Form_QueryUnload(cancel, mode);
    if (cancel)
        return;
    form.Form_Unload(cancel);
    if (cancel)
        return;
    if (!form.loaded_)
        return;  // unloaded again from inside its own handlers
    form.loaded_ = false;
    auto& r = rt();
    r.loaded.erase(std::remove(r.loaded.begin(), r.loaded.end(), &form), r.loaded.end());
    if (r.active == &form)
        r.active = nullptr;
    if (form.slot_ && *form.slot_ == &form)
        *form.slot_ = nullptr;
    form.slot_ = nullptr;
    form.QWidget::hide();
    // The handler that unloaded the window may still be running inside it.
    r.dying.push_back(&form);
    form.deleteLater();
}

QString ClassNameOf(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                std::free);
    QString full = QString::fromLatin1(status == 0 && name ? name.get() : type.name());
    const qsizetype colon = full.lastIndexOf(QStringLiteral("::"));
    return colon >= 0 ? full.mid(colon + 2) : full;
}

void VariantNotLoaded(const std::type_info& variant) {
    throw std::logic_error("the window " + ClassNameOf(variant).toStdString()
                           + " is loaded as the shared window, not as this variant: choose the variant before it loads");
}

QString FormRef::TypeName() const {
    if (isNothing())
        return QStringLiteral("Nothing");
    if (Form* f = ifLoaded())
        return f->className();
    return ClassNameOf(*type_);
}

Form& FormRef::get() const {
    if (isNothing())
        vb::Raise(vb::errObjectNotSet);
    return load_();
}

std::vector<Form*> LoadedForms() { return rt().loaded; }

Form* ActiveForm() { return rt().active; }

void Activate(Form& form) {
    auto& r = rt();
    if (!form.isLoaded() || r.active == &form)
        return;
    Form* previous = r.active;
    r.active = &form;
    form.raise();
    form.activateWindow();
    if (previous && previous->isLoaded())
        Form::RunEvent([previous] { previous->Form_Deactivate(); });
    Form::RunEvent([&form] { form.Form_Activate(); });
}

void FlushUnloaded() {
    auto& r = rt();
    auto dying = std::move(r.dying);
    r.dying.clear();
    for (auto& f : dying)
        delete f.data();
}

void HoldSize(Form& form, int widthTwips, int heightTwips, bool hold) {
    // One dimension at a time, width first, as the windows' own handlers do.
    auto holdOne = [&](int (Form::*get)() const, int wanted, void (Form::*set)(int)) {
        // A failing step is skipped and the next one still runs.
        try {
            int current = (form.*get)();
            if (current < wanted) {
                if (form.WindowState() == vbMaximized) {
                    form.setWindowState(vbNormal);
                    form.Move(0, 0);
                }
                (form.*set)(wanted);
            } else if (hold && current > wanted) {
                (form.*set)(wanted);
            }
        } catch (...) {
            vb::LogSwallowed();
            // Sizing errors are of no consequence to the user.
        }
    };
    holdOne(&Form::Width, widthTwips, &Form::setWidth);
    holdOne(&Form::Height, heightTwips, &Form::setHeight);
    if (hold)
        form.holdSize();
}

} // namespace forms
