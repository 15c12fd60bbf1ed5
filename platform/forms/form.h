#pragma once

#include "platform/vb/export.h"

#include <QMargins>
#include <QString>
#include <QWidget>
#include <functional>
#include <type_traits>
#include <typeinfo>
#include <vector>

class QKeyEvent;
class QTimer;

namespace forms {

class CommandButton;

inline constexpr int TwipsPerPixel = 15;
QM_EXPORT int ToPixels(int twips);
inline int ToTwips(int pixels) { return pixels * TwipsPerPixel; }

// The screen's size in twips.
QM_EXPORT int ScreenWidth();
QM_EXPORT int ScreenHeight();

enum WindowStateValue : int { vbNormal = 0, vbMinimized = 1, vbMaximized = 2 };
enum BorderStyleValue : int {
    vbBSNone = 0,
    vbFixedSingle = 1,
    vbSizable = 2,
    vbFixedDialog = 3,
    vbFixedToolWindow = 4,
    vbSizableToolWindow = 5,
};
enum UnloadMode : int { vbFormControlMenu = 0, vbFormCode = 1, vbAppWindows = 2, vbAppTaskManager = 3 };

// A window of the add-in. Each window class has one default instance (see
// Get<T>()); its events are the virtual Form_* members.
class QM_EXPORT Form : public QWidget {
public:
    explicit Form(const QString& className);
    ~Form() override;

    // TypeName of the window: its class name.
    const QString& className() const { return className_; }
    bool isLoaded() const { return loaded_; }

    // Events.
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_Deactivate() {}
    virtual void Form_Resize() {}
    virtual void Form_QueryUnload(int& /*cancel*/, int /*unloadMode*/) {}
    virtual void Form_Unload(int& /*cancel*/) {}

    // Show modeless; a window already shown comes to the front.
    void Show();
    void Hide();
    bool Visible() const { return isVisible(); }
    // Brings the window to the front and makes it the active one.
    void ZOrder();

    // An empty caption leaves the title bar empty. The window system is
    // given one blank for it: Qt puts the program's name in an empty title,
    // and window managers name a window without a title themselves.
    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);

    // The border and the buttons of the title bar, as the form's
    // BorderStyle, MinButton, MaxButton and ControlBox give them, told to
    // the window manager. A fixed border (none, single, dialog, tool
    // window) cannot be sized by the user, and offers no maximise button;
    // a dialog or tool window border offers neither minimise nor maximise;
    // without a control box there are no buttons at all. A new window has a
    // sizable border with both buttons.
    void setBorderStyle(int style, bool minButton = true, bool maxButton = true, bool controlBox = true);
    int BorderStyle() const { return borderStyle_; }
    // A window whose size only its code changes, as one whose resize
    // handler holds it: the window manager is told that its size is the
    // only one, and offers neither sizing nor maximising.
    void holdSize();
    bool sizeHeld() const { return sizeHeld_; }

    // Geometry of the outer window, in twips: the frame the window manager
    // draws around it included, as far as that frame is known. A window is
    // never placed with its top above the top of the screen's work area.
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    void Move(int left, int top, int width = -1, int height = -1);
    // The client area, in twips.
    int ScaleWidth() const;
    int ScaleHeight() const;

    int WindowState() const;
    void setWindowState(int state);

    void setTopmost(bool topmost);
    bool isTopmost() const;
    // Moves the window flush with the right edge of the screen's work area,
    // and again once the frame the window manager adds is known.
    void moveFlushRight();
    // Centres the window on the screen, now and again once its frame is
    // known.
    void centreOnScreen();

    // The buttons Enter and Esc press (set through CommandButton).
    CommandButton* defaultButton() const { return defaultButton_; }
    CommandButton* cancelButton() const { return cancelButton_; }
    void setDefaultButton(CommandButton* b) { defaultButton_ = b; }
    void setCancelButton(CommandButton* b) { cancelButton_ = b; }
    // Enter presses the default button and Esc the cancel button, when the
    // window has one that can be pressed; true when one was.
    bool pressDefaultOrCancel(const QKeyEvent* e);

    // Runs an event handler the way the language does: a run-time error that
    // the handler leaves unhandled is shown as a message box and ends it.
    static void RunEvent(const std::function<void()>& handler);

protected:
    // The frame around the shown window, as the window system reports it:
    // none until the window manager has framed it.
    virtual QMargins windowFrame() const;

    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    friend QM_EXPORT void Unload(Form& form, int mode);
    friend QM_EXPORT void LoadForm(Form* form, Form** slot);

    // Where code last asked the window to be; a rule is applied again once
    // the frame is known.
    enum class Placement { Automatic, Explicit, FlushRight, Centred };

    QRect outerRect() const;
    void placeOuter(QPoint topLeft);
    // Resizes the client area; a held size is held at the new one.
    void resizeClient(QSize size);
    void applyHeldSize();
    void placeFlushRight();
    void placeCentred();
    // Watches for the window manager's frame after a showing, fits the
    // window to it, and holds it there until the window manager has
    // answered every step of that.
    void watchFrame();
    void startFrameWatch();
    void fitFrame();
    bool answeredLate(const QEvent* e);
    bool settle();
    void runResize();

    QString className_;
    QString caption_;
    int borderStyle_ = vbSizable;
    bool sizeHeld_ = false;
    bool loaded_ = false;
    bool inResize_ = false;
    bool fitting_ = false;
    // The frame the geometry is reckoned with.
    QMargins frame_;
    Placement placement_ = Placement::Automatic;
    QPoint placedAt_;  // where the last placement put the window
    QTimer* frameWatch_ = nullptr;
    int frameWatchTicks_ = 0;
    // The client rectangle the last fitting ended with, while it settles.
    QRect fitTarget_;
    bool fitPlaced_ = false;  // whether the fitting placed it, or the window manager
    int settledTicks_ = 0;
    Form** slot_ = nullptr;
    CommandButton* defaultButton_ = nullptr;
    CommandButton* cancelButton_ = nullptr;
};

// Registers a new instance as loaded and runs its Form_Load.
QM_EXPORT void LoadForm(Form* form, Form** slot);

// An edition's variant of a window that both editions share stands in for
// it: the variant class derives from the shared one and declares
// `using StandsFor = SharedClass;`. The two names then reach one default
// instance, and once UseVariant<Variant>() chose the variant, touching the
// shared class loads the variant: the code both editions share (a page
// that opens the next one, a window that unloads another) reaches the
// edition's own window. Each deliverable makes its own choice: the add-in
// code is linked into each with hidden symbols.
template <class T, class = void>
struct DefaultClass {
    using type = T;
};
template <class T>
struct DefaultClass<T, std::void_t<typename T::StandsFor>> {
    using type = typename T::StandsFor;
};
// The class whose default instance a window class names.
template <class T>
using DefaultClassOf = typename DefaultClass<T>::type;

// How the default instance of a shared window class is made: empty, the
// class itself; after UseVariant, the variant.
template <class Shared>
Form* (*&DefaultMaker())() {
    static Form* (*make)() = nullptr;
    return make;
}

template <class Variant>
void UseVariant() {
    using Shared = DefaultClassOf<Variant>;
    static_assert(!std::is_same_v<Shared, Variant> && std::is_base_of_v<Shared, Variant>,
                  "a variant derives from the shared window it stands in for");
    DefaultMaker<Shared>() = []() -> Form* { return new Variant(); };
}

// Raised when a variant is asked for while its shared window is loaded as
// itself (the variant was not chosen before the window was loaded).
[[noreturn]] QM_EXPORT void VariantNotLoaded(const std::type_info& variant);

// The default instance of a window class: referring to it loads it (once),
// as the language does when code touches any member of an unloaded window.
template <class T>
Form*& DefaultSlot() {
    static Form* slot = nullptr;
    return slot;
}

template <class T>
T& Get() {
    using D = DefaultClassOf<T>;
    Form*& slot = DefaultSlot<D>();
    if (!slot) {
        Form* f = nullptr;
        if constexpr (std::is_same_v<D, T>)
            f = DefaultMaker<D>() ? DefaultMaker<D>()() : new T();
        else
            f = new T();
        LoadForm(f, &slot);
    }
    if constexpr (std::is_same_v<D, T>) {
        return *static_cast<T*>(slot);
    } else {
        T* variant = dynamic_cast<T*>(slot);
        if (!variant)
            VariantNotLoaded(typeid(T));
        return *variant;
    }
}

// The class name of a window class, known without creating the window: the
// type's own name, without its namespace.
QM_EXPORT QString ClassNameOf(const std::type_info& type);

// A form variable of the language: it names a window class's default
// instance. Holding, copying or passing one loads nothing; Show() or touching
// a member through it loads the window, and after the window was unloaded the
// next touch loads a fresh instance, as the language reloads an unloaded form
// that is used again. An empty reference is Nothing.
class QM_EXPORT FormRef {
public:
    FormRef() = default;
    // The default instance of the class of a window already at hand (null:
    // Nothing).
    template <class T>
    FormRef(T* form) {
        static_assert(std::is_base_of_v<Form, T> && !std::is_same_v<Form, T>,
                      "a form reference names one window class");
        if (form)
            *this = To<T>();
    }
    template <class T>
    static FormRef To();

    bool isNothing() const { return load_ == nullptr; }
    explicit operator bool() const { return !isNothing(); }
    // TypeName: the class name, or "Nothing"; loads nothing.
    QString TypeName() const;
    // The instance if it is loaded, else null; loads nothing.
    Form* ifLoaded() const { return peek_ ? peek_() : nullptr; }
    bool isLoaded() const { return ifLoaded() != nullptr; }

    // Touching the window: loads it when it is not loaded. Nothing raises
    // "Object variable or With block variable not set".
    Form& get() const;
    Form* operator->() const { return &get(); }
    Form& operator*() const { return get(); }
    void Show() const { get().Show(); }

    friend bool operator==(const FormRef& a, const FormRef& b) { return a.load_ == b.load_; }
    // Whether the reference names that loaded window (null: whether it is Nothing).
    friend bool operator==(const FormRef& a, const Form* f) {
        return f ? a.ifLoaded() == f : a.isNothing();
    }

private:
    Form& (*load_)() = nullptr;
    Form* (*peek_)() = nullptr;
    const std::type_info* type_ = nullptr;
};

// Whether the default instance is loaded, without loading it.
template <class T>
bool IsLoaded() {
    return DefaultSlot<DefaultClassOf<T>>() != nullptr;
}

// The default instance if loaded, else null (does not load it).
template <class T>
T* IfLoaded() {
    using D = DefaultClassOf<T>;
    if constexpr (std::is_same_v<D, T>)
        return static_cast<T*>(DefaultSlot<D>());
    else
        return dynamic_cast<T*>(DefaultSlot<D>());
}

// A reference to a variant is one to the shared window it stands in for:
// the same default instance, the same class name.
template <class T>
FormRef FormRef::To() {
    using D = DefaultClassOf<T>;
    if constexpr (!std::is_same_v<D, T>) {
        return To<D>();
    } else {
        FormRef r;
        r.load_ = [] () -> Form& { return Get<T>(); };
        r.peek_ = [] () -> Form* { return IfLoaded<T>(); };
        r.type_ = &typeid(T);
        return r;
    }
}

// Unload: Form_QueryUnload and Form_Unload (either may cancel), then the
// instance is destroyed; the next reference loads a fresh one.
QM_EXPORT void Unload(Form& form, int mode = vbFormCode);
template <class T>
void UnloadDefault() {
    if (T* f = IfLoaded<T>())
        Unload(*f);
}

// Every loaded window, in the order they were loaded.
QM_EXPORT std::vector<Form*> LoadedForms();
// The window that is active, or null.
QM_EXPORT Form* ActiveForm();
// Makes a window the active one (Deactivate of the previous, Activate).
QM_EXPORT void Activate(Form& form);

// Destroys unloaded windows now (tests, and the host between commands).
QM_EXPORT void FlushUnloaded();

// The size-holding rule: below the size a maximised window is first set to
// normal at 0, 0, then the size is set back; with hold set, a size above it
// is cut back too. Errors are ignored.
QM_EXPORT void HoldSize(Form& form, int widthTwips, int heightTwips, bool hold = true);

} // namespace forms
