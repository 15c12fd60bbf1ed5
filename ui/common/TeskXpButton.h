#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QVariantMap>
#include <QWidget>
#include <functional>

// The add-in's own push button: it draws itself in the style of the XP
// theme (light gradient face, dark blue rounded border, orange hover frame,
// blue focus frame, flat pale disabled look) whatever style the desktop
// runs, and raises the mouse, key and click events a window expects, plus
// MouseOver and MouseOut.
//
// Everything is drawn on a persistent surface of the button's size, which
// the screen shows; the window region leaves out the four corner pixels.
//
// Hover: the button learns that the cursor left from the toolkit's leave
// event, and from any mouse event that arrives while the cursor is elsewhere
// (during a drag the toolkit holds the leave back until the release), so
// MouseOut comes as soon as the cursor is outside, as it would from a timer
// polling the cursor every millisecond, without one running.
class TeskXpButton : public QWidget {
    Q_OBJECT
    // The caption as the host's window probe reads it.
    Q_PROPERTY(QString text READ Caption)

public:
    // A new instance placed on a container: the container's font, its name
    // as the caption, enabled (nothing drawn and no access key yet).
    TeskXpButton(QWidget* container, const QString& name);
    ~TeskXpButton() override;

    // Properties. Enabled and Font are the widget's own (setEnabled,
    // setFont); the button follows their changes.
    bool Enabled() const { return enabled_; }
    QFont Font() const { return font(); }
    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    QColor ForeColor() const { return foreColor_; }
    void setForeColor(const QColor& color);
    // The caption's colour while the cursor hovers; black until set.
    QColor ForeHover() const { return foreHover_; }
    void setForeHover(const QColor& color);

    // The access key the caption gives, in lower case ("&Kapat" gives "k"),
    // or empty.
    QString AccessKey() const { return accessKey_; }

    // The properties a window's design keeps for the control, by key
    // ("Enabled", "Font", "Caption", "ForeColor", "ForeHover"). Reading takes
    // the defaults for missing keys (ForeHover: the ForeColor just read);
    // writing leaves out a value equal to its default, except ForeColor,
    // which is always written.
    using PropertyBag = QVariantMap;
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // Events. Button: 1 left, 2 right, 4 middle; Shift: 1 Shift, 2 Ctrl, 4
    // Alt; X and Y in pixels; KeyCode a virtual-key code (13 Enter, 32
    // Space, 37 to 40 the arrows).
    std::function<void()> Click;
    std::function<void(int& Button, int& Shift, float& X, float& Y)> MouseDown;
    std::function<void(int& Button, int& Shift, float& X, float& Y)> MouseMove;
    std::function<void(int& Button, int& Shift, float& X, float& Y)> MouseUp;
    std::function<void(int& KeyAscii)> KeyPress;
    std::function<void(int& KeyCode, int& Shift)> KeyDown;
    std::function<void(int& KeyCode, int& Shift)> KeyUp;
    std::function<void()> MouseOver;
    std::function<void()> MouseOut;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    enum DrawState { Normal = 0, Pressed = 1 };

    void Redraw(DrawState state);
    void DrawFace();
    void DrawPressedFace();
    void DrawHoverFrame();
    void DrawFocusFrame();
    void DrawBorder();
    void DrawDisabled();
    void DrawCaption();
    void SetRoundRegion();
    void SetAccessKey();
    void beginFullPaint();
    void refresh();

    bool IsMouseOver(const QPointF& globalPos) const;
    // What the hover timer's tick does: once the cursor is elsewhere, the
    // hover ends and MouseOut is raised.
    void hoverTick(bool cursorOver);
    void mouseDownHandler(int button, int shift, float x, float y);
    void clickHandler();
    // The keystroke that moves the focus to the next control, or with
    // back to the previous one; it arrives after the key's own events.
    void sendTab(bool back);
    QColor containerForeColor() const;

    // The client size at the last resize: every drawing coordinate is taken
    // from it.
    int ButtonWidth = 0, ButtonHeight = 0;
    // HoverTimerRunning: the hover is being tracked (the original's timer
    // ran); IsHovering: the hover look and caption colour are due.
    bool HoverTimerRunning = false;
    bool IsHovering = false;
    int IsInside = 0;
    bool HasFocus = false;
    int LastButton = 0;
    int LastKeyCode = 0;

    bool enabled_ = true;
    QString caption_;
    QColor foreColor_ = QColor(0, 0, 0);
    QColor foreHover_ = QColor(0, 0, 0);
    QString accessKey_;
    int shortcutId_ = 0;
    QImage surface_;
    // A press that began on the button, so that its release is a click; the
    // release after a double click is a mouse up only.
    bool pressedHere_ = false;
};
