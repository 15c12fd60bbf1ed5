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
#include <QTimer>
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
class ClickActivation : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress && o->isWidgetType()) {
            QWidget* w = static_cast<QWidget*>(o)->window();
            for (Form* f : rt().loaded)
                if (f == w) {
                    Activate(*f);
                    break;
                }
        }
        return false;
    }
};

// Long loops yield to the event loop once per record, and each yield would
// repaint the window that shows their progress: tens of thousands of paints
// for one list. A window of the add-in is painted at most every
// kPaintInterval; a paint asked for sooner is put off until then, never lost.
class PaintPacing : public QObject {
public:
    static constexpr int kPaintInterval = 16;

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
    QCoreApplication::instance()->installEventFilter(new ClickActivation);
    paintPacing = new PaintPacing;
    QCoreApplication::instance()->installEventFilter(paintPacing);
}

QSize frameExtra(const QWidget* w) {
    QRect frame = w->frameGeometry(), inner = w->geometry();
    return {frame.width() - inner.width(), frame.height() - inner.height()};
}

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
    installClickActivation();
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

int Form::Left() const { return ToTwips(frameGeometry().x()); }
int Form::Top() const { return ToTwips(frameGeometry().y()); }
int Form::Width() const { return ToTwips(frameGeometry().width()); }
int Form::Height() const { return ToTwips(frameGeometry().height()); }

namespace {
// The language refuses to move or size a minimised or maximised window.
void requireNormal(const Form& f) {
    if (f.WindowState() != vbNormal)
        vb::Raise(384, QStringLiteral("A form can't be moved or sized while minimized or maximized"));
}
} // namespace

void Form::setLeft(int twips) {
    requireNormal(*this);
    move(ToPixels(twips), frameGeometry().y()); }
void Form::setTop(int twips) {
    requireNormal(*this);
    move(frameGeometry().x(), ToPixels(twips)); }

void Form::setWidth(int twips) {
    requireNormal(*this);
    int w = std::max(0, ToPixels(twips) - frameExtra(this).width());
    resize(w, height());
}

void Form::setHeight(int twips) {
    requireNormal(*this);
    int h = std::max(0, ToPixels(twips) - frameExtra(this).height());
    resize(width(), h);
}

void Form::Move(int left, int top, int w, int h) {
    requireNormal(*this);
    move(ToPixels(left), ToPixels(top));
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
    setLeft(ScreenWidth() - Width());
    if (!isVisible())
        flushRightOnShow_ = true;
}

void Form::centreOnScreen() {
    const QScreen* s = QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect screen = s->geometry(), frame = frameGeometry();
    move(screen.x() + (screen.width() - frame.width()) / 2, screen.y() + (screen.height() - frame.height()) / 2);
    if (!isVisible())
        centreOnShow_ = true;
}

void Form::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // The first showing adds the window manager's frame to the outer size;
    // a window holding its size gets to hold it again.
    if (!shownOnce_) {
        shownOnce_ = true;
        if (loaded_ && frameGeometry().size() != geometry().size() && !inResize_) {
            inResize_ = true;
            RunEvent([this] { Form_Resize(); });
            inResize_ = false;
        }
    }
    if (centreOnShow_) {
        centreOnShow_ = false;
        centreOnScreen();
    }
    if (flushRightOnShow_) {
        flushRightOnShow_ = false;
        try {
            if (WindowState() == vbNormal)
                setLeft(ScreenWidth() - Width());
        } catch (...) {
        }
    }
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
    // A handler that sets the size back resizes again; one level is enough.
    if (!loaded_ || inResize_)
        return;
    inResize_ = true;
    RunEvent([this] { Form_Resize(); });
    inResize_ = false;
}

void Form::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        // Enter presses the focused button, else the default button.
        if (auto* focused = dynamic_cast<CommandButton*>(focusWidget())) {
            if (focused->isEnabled())
                focused->click();
            return;
        }
        if (defaultButton_ && defaultButton_->isEnabled() && defaultButton_->isVisible()) {
            defaultButton_->click();
            return;
        }
    } else if (e->key() == Qt::Key_Escape) {
        if (cancelButton_ && cancelButton_->isEnabled() && cancelButton_->isVisible()) {
            cancelButton_->click();
            return;
        }
    }
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
            // Sizing errors are of no consequence to the user.
        }
    };
    holdOne(&Form::Width, widthTwips, &Form::setWidth);
    holdOne(&Form::Height, heightTwips, &Form::setHeight);
}

} // namespace forms
