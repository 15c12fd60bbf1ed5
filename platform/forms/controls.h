#pragma once

#include "platform/vb/export.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <functional>

// Controls of the windows: Qt widgets named by their objectName, with the
// language's behaviour where the windows rely on it and Qt differs. Event
// handlers are the std::function members named after the event; they run
// through Form::RunEvent.
namespace forms {

class Form;

// Font of a window or control ("Tahoma", 8.25 points and so on).
QM_EXPORT void SetFont(QWidget* w, const QString& family, double points, bool bold = false);
// Place and size in twips, relative to the parent.
QM_EXPORT void Place(QWidget* w, int left, int top, int width, int height);

// SetFocus: raises "Invalid procedure call or argument" when the control
// cannot take the focus (hidden, disabled, or its window not shown).
QM_EXPORT void SetFocus(QWidget* w);

class QM_EXPORT Label : public QLabel {
public:
    Label(QWidget* parent, const QString& name, const QString& caption = {});
    QString Caption() const { return text(); }
    void setCaption(const QString& c) { setText(c); }
};

class QM_EXPORT Frame : public QGroupBox {
public:
    Frame(QWidget* parent, const QString& name, const QString& caption = {});
    QString Caption() const { return title(); }
    void setCaption(const QString& c) { setTitle(c); }
};

// Image and PictureBox.
class QM_EXPORT Picture : public QLabel {
public:
    Picture(QWidget* parent, const QString& name);
};

class QM_EXPORT CommandButton : public QPushButton {
public:
    CommandButton(QWidget* parent, const QString& name, const QString& caption = {});
    QString Caption() const { return text(); }
    void setCaption(const QString& c) { setText(c); }
    // The button Enter presses, and the one Esc presses, in its window.
    void setDefaultButton(bool on);
    void setCancelButton(bool on);

    std::function<void()> Click;
};

// Value 0 (clear), 1 (ticked) or 2 (grayed). Click runs whenever the value
// changes, also when code changes it.
class QM_EXPORT CheckBox : public QCheckBox {
public:
    CheckBox(QWidget* parent, const QString& name, const QString& caption = {});
    int Value() const;
    void setValue(int value);
    QString Caption() const { return text(); }

    std::function<void()> Click;
};

// An option button; buttons with the same parent exclude each other. Click
// runs when it becomes selected, also by code.
class QM_EXPORT OptionButton : public QRadioButton {
public:
    OptionButton(QWidget* parent, const QString& name, const QString& caption = {});
    bool Value() const { return isChecked(); }
    void setValue(bool value);
    QString Caption() const { return text(); }

    std::function<void()> Click;
};

// A text box, single- or multi-line. KeyPress sees every typed character as
// its code (13 Enter, 8 Backspace) and may set it to 0 to swallow it or to
// another code to replace it. Change runs when the text changes, by typing
// or by code.
class QM_EXPORT TextBox : public QWidget {
public:
    TextBox(QWidget* parent, const QString& name, bool multiLine = false);

    QString Text() const;
    void setText(const QString& text);
    int MaxLength() const { return maxLength_; }
    void setMaxLength(int length);   // 0: no limit
    void setPasswordChar(QChar c);   // a null QChar shows the text
    void setLocked(bool locked);
    bool isMultiLine() const { return multi_ != nullptr; }
    // The caret, or the start of the selection, and the selection's length,
    // counted as Text() is (a multi-line box's line break is two).
    // Setting SelStart clears the selection.
    int SelStart() const;
    void setSelStart(int position);
    int SelLength() const;
    void setSelLength(int length);

    // Types characters one by one through the key handling, as a person
    // would ("\r" is Enter).
    void typeText(const QString& text);

    QWidget* editor() const;

    std::function<void(int& keyAscii)> KeyPress;
    std::function<void()> Change;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void insertTyped(QChar c);

    QLineEdit* line_ = nullptr;
    QPlainTextEdit* multi_ = nullptr;
    int maxLength_ = 0;
    bool passThrough_ = false;
};

class QM_EXPORT ComboBox : public QComboBox {
public:
    ComboBox(QWidget* parent, const QString& name, bool editable = false);
    void AddItem(const QString& item) { addItem(item); }
    // Many items at once, in order, as that many AddItem calls give them.
    void AddItems(const QStringList& items);
    void Clear() { clear(); }
    int ListCount() const { return count(); }
    int ListIndex() const { return currentIndex(); }
    void setListIndex(int index);
    QString List(int index) const { return itemText(index); }
    QString Text() const { return currentText(); }
    void setText(const QString& text);

    std::function<void()> Click;
};

class QM_EXPORT ListBox : public QListWidget {
public:
    ListBox(QWidget* parent, const QString& name);
    void AddItem(const QString& item) { addItem(item); }
    void Clear() { clear(); }
    int ListCount() const { return count(); }
    int ListIndex() const { return currentRow(); }
    void setListIndex(int index);
    QString List(int index) const;
    QString Text() const;
    // Raises "Invalid procedure call or argument" for a position not there.
    void RemoveItem(int index);

    std::function<void()> Click;
};

// A progress bar that refuses a value outside its range: the old value is
// kept and "Invalid property value" raised.
class QM_EXPORT ProgressBar : public QProgressBar {
public:
    ProgressBar(QWidget* parent, const QString& name);
    int Value() const { return value(); }
    void setValue(int v);
    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    void setMin(int v) { setMinimum(v); }
    void setMax(int v) { setMaximum(v); }
};

// The date-time picker. As the Windows control does: a click selects the
// part (day, month, year, hour, minute) under the pointer, digits typed
// replace the selected part and go on to the next part once it is complete,
// and Tab and Shift+Tab leave the control instead of moving between parts.
class QM_EXPORT DatePicker : public QDateTimeEdit {
public:
    DatePicker(QWidget* parent, const QString& name, const QString& format = QStringLiteral("dd.MM.yyyy"));
    QDateTime Value() const { return dateTime(); }
    void setValue(const QDateTime& v) { setDateTime(v); }

    std::function<void()> Change;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    bool focusNextPrevChild(bool next) override;

private:
    void typeDigit(int digit);
    void selectSection(Section section);

    bool forwarding_ = false;
    // The digits typed into the selected part so far, and that part.
    QString typed_;
    Section typedInto_ = NoSection;
};

// The tabbed dialog: Tab is the current tab's index; Click runs after a tab
// change with the previous tab's index.
class QM_EXPORT TabControl : public QTabWidget {
public:
    TabControl(QWidget* parent, const QString& name);
    int Tab() const { return currentIndex(); }
    void setTab(int index);
    int Tabs() const { return count(); }
    QString TabCaption(int index) const { return tabText(index); }
    // Adds a tab with an empty page that holds that tab's controls.
    QWidget* addPage(const QString& caption);

    std::function<void(int previousTab)> Click;

private:
    int previous_ = -1;
};

// What a control is, for listings of a window's controls ("text", "label",
// "frame", "button", "check", "option", "combo", "list", "grid", "tab",
// "date", "progress", "timer", "browser", "picture"); empty for others.
QM_EXPORT QString ControlKind(const QObject* control);

} // namespace forms
