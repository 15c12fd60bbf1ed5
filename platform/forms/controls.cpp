#include "platform/forms/controls.h"

#include "platform/forms/desktop.h"
#include "platform/forms/form.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"
#include "platform/vb/timer.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QVBoxLayout>

namespace forms {

namespace {
const char* const kKind = "qmKind";

template <class W>
void init(W* w, const QString& name, const char* kind) {
    w->setObjectName(name);
    w->setProperty(kKind, QString::fromLatin1(kind));
}
} // namespace

void SetFont(QWidget* w, const QString& family, double points, bool bold) {
    EnsureFontFamily(family);
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    w->setFont(f);
}

void Place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

void SetFocus(QWidget* w) {
    if (!w || !w->isVisible() || !w->isEnabled())
        vb::Raise(vb::errInvalidCall);
    if (auto* t = dynamic_cast<TextBox*>(w)) {
        t->editor()->setFocus(Qt::OtherFocusReason);
        return;
    }
    w->setFocus(Qt::OtherFocusReason);
}

Label::Label(QWidget* parent, const QString& name, const QString& caption) : QLabel(caption, parent) {
    init(this, name, "label");
}

Frame::Frame(QWidget* parent, const QString& name, const QString& caption) : QGroupBox(caption, parent) {
    init(this, name, "frame");
}

Picture::Picture(QWidget* parent, const QString& name) : QLabel(parent) {
    init(this, name, "picture");
    setAlignment(Qt::AlignCenter);
}

CommandButton::CommandButton(QWidget* parent, const QString& name, const QString& caption)
    : QPushButton(caption, parent) {
    init(this, name, "button");
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { Form::RunEvent(Click); });
}

void CommandButton::setDefaultButton(bool on) {
    if (auto* f = dynamic_cast<Form*>(window())) {
        if (on)
            f->setDefaultButton(this);
        else if (f->defaultButton() == this)
            f->setDefaultButton(nullptr);
    }
    setDefault(on);
}

void CommandButton::setCancelButton(bool on) {
    if (auto* f = dynamic_cast<Form*>(window())) {
        if (on)
            f->setCancelButton(this);
        else if (f->cancelButton() == this)
            f->setCancelButton(nullptr);
    }
}

CheckBox::CheckBox(QWidget* parent, const QString& name, const QString& caption) : QCheckBox(caption, parent) {
    init(this, name, "check");
    connect(this, &QCheckBox::stateChanged, this, [this](int) { Form::RunEvent(Click); });
}

int CheckBox::Value() const {
    switch (checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

void CheckBox::setValue(int value) {
    if (value < 0 || value > 2)
        vb::Raise(vb::errInvalidProperty);
    if (value == 2)
        setTristate(true);
    setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

OptionButton::OptionButton(QWidget* parent, const QString& name, const QString& caption)
    : QRadioButton(caption, parent) {
    init(this, name, "option");
    connect(this, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Form::RunEvent(Click);
    });
}

void OptionButton::setValue(bool value) { setChecked(value); }

TextBox::TextBox(QWidget* parent, const QString& name, bool multiLine) : QWidget(parent) {
    init(this, name, "text");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    QWidget* ed = nullptr;
    if (multiLine) {
        multi_ = new QPlainTextEdit(this);
        multi_->setTabChangesFocus(true);
        connect(multi_, &QPlainTextEdit::textChanged, this, [this] { Form::RunEvent(Change); });
        ed = multi_;
    } else {
        line_ = new QLineEdit(this);
        line_->setMaxLength(32767);
        connect(line_, &QLineEdit::textChanged, this, [this](const QString&) { Form::RunEvent(Change); });
        ed = line_;
    }
    layout->addWidget(ed);
    setFocusProxy(ed);
    ed->installEventFilter(this);
}

QWidget* TextBox::editor() const { return line_ ? static_cast<QWidget*>(line_) : multi_; }

QString TextBox::Text() const {
    if (line_)
        return line_->text();
    // The language's multi-line text boxes break lines with CR LF.
    QString t = multi_->toPlainText();
    t.replace(u'\n', QStringLiteral("\r\n"));
    return t;
}

void TextBox::setText(const QString& text) {
    QString t = text;
    if (maxLength_ > 0 && t.size() > maxLength_)
        t = vb::LeftWhole(t, maxLength_);
    if (line_) {
        line_->setText(t);
    } else {
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (multi_->toPlainText() != t)
            multi_->setPlainText(t);
    }
}

void TextBox::setMaxLength(int length) {
    maxLength_ = length < 0 ? 0 : length;
    if (line_)
        line_->setMaxLength(maxLength_ == 0 ? 32767 : maxLength_);
}

namespace {

// The box shows the character it was given in place of each typed one, not
// the style's own (a dot).
class PasswordCharStyle : public QProxyStyle {
public:
    PasswordCharStyle(QChar c, QObject* owner) : c_(c) { setParent(owner); }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return c_.unicode();
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    QChar c_;
};

} // namespace

void TextBox::setPasswordChar(QChar c) {
    if (!line_)
        return;
    line_->setEchoMode(c.isNull() ? QLineEdit::Normal : QLineEdit::Password);
    if (!c.isNull())
        line_->setStyle(new PasswordCharStyle(c, line_));
}

void TextBox::setLocked(bool locked) {
    if (line_)
        line_->setReadOnly(locked);
    else
        multi_->setReadOnly(locked);
}

namespace {

// The language counts a multi-line box's line breaks as CR LF, two
// characters; the editor holds one.
int toLanguage(const QString& plain, int position) {
    return position + int(QStringView(plain).left(position).count(u'\n'));
}
int toEditor(const QString& plain, int position) {
    int p = 0;
    for (int counted = 0; p < plain.size() && counted < position; ++p)
        counted += plain[p] == u'\n' ? 2 : 1;
    return p;
}

} // namespace

int TextBox::SelStart() const {
    if (line_)
        return line_->hasSelectedText() ? line_->selectionStart() : line_->cursorPosition();
    return toLanguage(multi_->toPlainText(), multi_->textCursor().selectionStart());
}

int TextBox::SelLength() const {
    if (line_)
        return line_->hasSelectedText() ? int(line_->selectedText().size()) : 0;
    const QTextCursor c = multi_->textCursor();
    const QString plain = multi_->toPlainText();
    return toLanguage(plain, c.selectionEnd()) - toLanguage(plain, c.selectionStart());
}

void TextBox::setSelStart(int position) {
    if (position < 0)
        vb::Raise(vb::errInvalidProperty);
    if (line_) {
        line_->setCursorPosition(position);
    } else {
        QTextCursor c = multi_->textCursor();
        c.setPosition(toEditor(multi_->toPlainText(), position));
        multi_->setTextCursor(c);
    }
}

void TextBox::setSelLength(int length) {
    if (length < 0)
        vb::Raise(vb::errInvalidProperty);
    const int start = SelStart();
    if (line_) {
        line_->setSelection(start, std::min(length, int(line_->text().size()) - start));
    } else {
        const QString plain = multi_->toPlainText();
        QTextCursor c = multi_->textCursor();
        c.setPosition(toEditor(plain, start));
        c.setPosition(toEditor(plain, start + length), QTextCursor::KeepAnchor);
        multi_->setTextCursor(c);
    }
}

void TextBox::insertTyped(QChar c) {
    if (line_) {
        line_->insert(QString(c));
    } else {
        multi_->insertPlainText(QString(c == u'\r' ? QChar(u'\n') : c));
    }
}

bool TextBox::eventFilter(QObject* o, QEvent* e) {
    if (o != editor() || e->type() != QEvent::KeyPress)
        return QWidget::eventFilter(o, e);
    auto* k = static_cast<QKeyEvent*>(e);
    // In a single-line box Enter and Esc belong to the window's default and
    // cancel buttons, which take them before the box's own key handler.
    if (line_ && !passThrough_) {
        if (auto* form = dynamic_cast<Form*>(window()); form && form->pressDefaultOrCancel(k))
            return true;
    }
    QString text = k->text();
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
        text = QStringLiteral("\r");
    else if (k->key() == Qt::Key_Backspace)
        text = QStringLiteral("\b");
    if (text.isEmpty() || k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab || k->key() == Qt::Key_Escape)
        return false;
    int original = text.at(0).unicode();
    int keyAscii = original;
    if (passThrough_)
        return false;
    if (KeyPress)
        Form::RunEvent([&] { KeyPress(keyAscii); });
    if (keyAscii == 0)
        return true;
    bool printable = keyAscii >= 32;
    if (multi_ && printable && maxLength_ > 0 && Text().size() >= maxLength_)
        return true;
    if (keyAscii != original) {
        if (keyAscii == 8) {
            QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
            passThrough_ = true;
            QCoreApplication::sendEvent(editor(), &back);
            passThrough_ = false;
        } else if (keyAscii == 13 && line_) {
            return false;
        } else {
            insertTyped(QChar(char16_t(keyAscii)));
        }
        return true;
    }
    if (keyAscii == 13 && multi_) {
        // A multi-line box breaks the line itself; the form sees no Enter.
        insertTyped(u'\r');
        return true;
    }
    return false;
}

void TextBox::typeText(const QString& text) {
    for (QChar c : text) {
        Qt::Key key = Qt::Key_unknown;
        QString t(c);
        if (c == u'\r' || c == u'\n') {
            key = Qt::Key_Return;
            t = QStringLiteral("\r");
        } else if (c == u'\b') {
            key = Qt::Key_Backspace;
        } else if (c == u'\t') {
            key = Qt::Key_Tab;
        } else if (c.isLetterOrNumber() && c.unicode() < 128) {
            key = Qt::Key(c.toUpper().unicode());
        } else if (c == u' ') {
            key = Qt::Key_Space;
        }
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, t);
        QCoreApplication::sendEvent(editor(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, t);
        QCoreApplication::sendEvent(editor(), &release);
    }
}

ComboBox::ComboBox(QWidget* parent, const QString& name, bool editable) : QComboBox(parent) {
    init(this, name, "combo");
    // Texts only, without an item object each: an account may have a hundred
    // thousand originators.
    setModel(new QStringListModel(this));
    setEditable(editable);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int) { Form::RunEvent(Click); });
}

void ComboBox::AddItems(const QStringList& items) {
    if (items.isEmpty())
        return;
    auto* list = static_cast<QStringListModel*>(model());
    const int current = currentIndex();
    const QString edited = currentText();
    {
        // Replacing the list resets the selection, which is put back as it was.
        const QSignalBlocker quiet(this);
        list->setStringList(list->stringList() + items);
        setCurrentIndex(current);
        if (isEditable())
            setEditText(edited);
    }
    // As the first item added to an empty list is chosen.
    if (current < 0 && count() == items.size())
        setCurrentIndex(0);
}

void ComboBox::setListIndex(int index) {
    if (index < -1 || index >= count())
        vb::Raise(vb::errInvalidProperty);
    setCurrentIndex(index);
}

void ComboBox::setText(const QString& text) {
    if (isEditable()) {
        setEditText(text);
        return;
    }
    int at = findText(text, Qt::MatchExactly);
    if (at < 0)
        vb::Raise(383, QStringLiteral("'Text' property is read-only"));
    setCurrentIndex(at);
}

ListBox::ListBox(QWidget* parent, const QString& name) : QListWidget(parent) {
    init(this, name, "list");
    connect(this, &QListWidget::currentRowChanged, this, [this](int) { Form::RunEvent(Click); });
}

void ListBox::setListIndex(int index) {
    if (index < -1 || index >= count())
        vb::Raise(vb::errInvalidProperty);
    setCurrentRow(index);
}

QString ListBox::List(int index) const {
    if (index < 0 || index >= count())
        vb::Raise(vb::errInvalidProperty);
    return item(index)->text();
}

void ListBox::RemoveItem(int index) {
    if (index < 0 || index >= count())
        vb::Raise(vb::errInvalidCall);
    delete takeItem(index);
}

QString ListBox::Text() const { return currentItem() ? currentItem()->text() : QString(); }

ProgressBar::ProgressBar(QWidget* parent, const QString& name) : QProgressBar(parent) {
    init(this, name, "progress");
    setRange(0, 100);
    QProgressBar::setValue(0);
}

void ProgressBar::setValue(int v) {
    if (v < minimum() || v > maximum())
        vb::Raise(vb::errInvalidProperty);
    QProgressBar::setValue(v);
}

DatePicker::DatePicker(QWidget* parent, const QString& name, const QString& format) : QDateTimeEdit(parent) {
    init(this, name, "date");
    setDisplayFormat(format);
    setCalendarPopup(true);
    connect(this, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime&) { Form::RunEvent(Change); });
    lineEdit()->installEventFilter(this);
}

namespace {

struct SectionDigits {
    int width;  // digits the part is written with
    int low, high;
};

// A day the month lacks is taken, and becomes the month's last (see
// withSection).
SectionDigits digitsOf(QDateTimeEdit::Section section) {
    switch (section) {
    case QDateTimeEdit::DaySection: return {2, 1, 31};
    case QDateTimeEdit::MonthSection: return {2, 1, 12};
    case QDateTimeEdit::YearSection: return {4, 1, 9999};
    case QDateTimeEdit::HourSection: return {2, 0, 23};
    case QDateTimeEdit::MinuteSection:
    case QDateTimeEdit::SecondSection: return {2, 0, 59};
    default: return {0, 0, 0};
    }
}

// The value with one part replaced; a day the month does not have becomes
// its last one.
QDateTime withSection(const QDateTime& value, QDateTimeEdit::Section section, int v) {
    QDate d = value.date();
    QTime t = value.time();
    auto dateOf = [](int year, int month, int day) {
        return QDate(year, month, std::min(day, QDate(year, month, 1).daysInMonth()));
    };
    switch (section) {
    case QDateTimeEdit::DaySection: d = dateOf(d.year(), d.month(), v); break;
    case QDateTimeEdit::MonthSection: d = dateOf(d.year(), v, d.day()); break;
    case QDateTimeEdit::YearSection: d = dateOf(v, d.month(), d.day()); break;
    case QDateTimeEdit::HourSection: t = QTime(v, t.minute(), t.second()); break;
    case QDateTimeEdit::MinuteSection: t = QTime(t.hour(), v, t.second()); break;
    case QDateTimeEdit::SecondSection: t = QTime(t.hour(), t.minute(), v); break;
    default: break;
    }
    return QDateTime(d, t, value.timeSpec());
}

} // namespace

void DatePicker::selectSection(Section section) {
    if (section == NoSection)
        return;
    setCurrentSection(section);
    setSelectedSection(section);
}

bool DatePicker::eventFilter(QObject* o, QEvent* e) {
    const bool mouse = e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease
                       || e->type() == QEvent::MouseButtonDblClick;
    if (o != lineEdit() || !mouse || forwarding_)
        return QDateTimeEdit::eventFilter(o, e);
    // The text box places the caret where the pointer is; the part there is
    // then selected whole, also where the box would have dropped a
    // selection clicked into.
    forwarding_ = true;
    QCoreApplication::sendEvent(lineEdit(), e);
    forwarding_ = false;
    if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        typed_.clear();
        selectSection(sectionAt(currentSectionIndex()));
    }
    return true;
}

void DatePicker::focusInEvent(QFocusEvent* e) {
    QDateTimeEdit::focusInEvent(e);
    typed_.clear();
}

bool DatePicker::focusNextPrevChild(bool next) { return QWidget::focusNextPrevChild(next); }

void DatePicker::typeDigit(int digit) {
    Section section = currentSection();
    if (section == NoSection) {
        section = sectionAt(0);
        selectSection(section);
    }
    if (section != typedInto_)
        typed_.clear();
    typedInto_ = section;
    const SectionDigits part = digitsOf(section);
    if (part.width == 0)
        return;
    typed_ += QChar(u'0' + digit);
    int value = typed_.toInt();
    if (value > part.high) {
        // Too much for the part: the digit starts it afresh.
        typed_ = QChar(u'0' + digit);
        value = digit;
    }
    const bool complete = typed_.size() >= part.width || value * 10 > part.high;
    // A year is taken once all its digits are there.
    if (value >= part.low && (section != YearSection || complete))
        setDateTime(withSection(dateTime(), section, value));
    if (!complete) {
        selectSection(section);
        return;
    }
    typed_.clear();
    int index = 0;
    while (index < sectionCount() && sectionAt(index) != section)
        ++index;
    selectSection(index + 1 < sectionCount() ? sectionAt(index + 1) : section);
}

void DatePicker::keyPressEvent(QKeyEvent* e) {
    const QString text = e->text();
    const bool plain = !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && text.size() == 1 && text[0] >= u'0' && text[0] <= u'9') {
        typeDigit(text[0].unicode() - u'0');
        return;
    }
    if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) {
        typed_.clear();
        focusNextPrevChild(e->key() == Qt::Key_Tab && !(e->modifiers() & Qt::ShiftModifier));
        return;
    }
    typed_.clear();
    QDateTimeEdit::keyPressEvent(e);
}

TabControl::TabControl(QWidget* parent, const QString& name) : QTabWidget(parent) {
    init(this, name, "tab");
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        int previous = previous_;
        previous_ = index;
        if (previous >= 0 && Click)
            Form::RunEvent([this, previous] { Click(previous); });
    });
}

void TabControl::setTab(int index) {
    if (index < 0 || index >= count())
        vb::Raise(vb::errInvalidProperty);
    setCurrentIndex(index);
}

QWidget* TabControl::addPage(const QString& caption) {
    auto* page = new QWidget(this);
    addTab(page, caption);
    if (previous_ < 0)
        previous_ = currentIndex();
    return page;
}

QString ControlKind(const QObject* control) {
    if (!control)
        return {};
    QVariant k = control->property(kKind);
    if (k.isValid())
        return k.toString();
    if (dynamic_cast<const vb::Timer*>(control))
        return QStringLiteral("timer");
    return {};
}

} // namespace forms
