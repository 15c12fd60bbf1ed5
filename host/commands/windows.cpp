// Windows and their controls as a person meets them: forms, control, where,
// set, type, key, click, row, header.
#include "host/commands/commands.h"

#include "host/formsprobe.h"
#include "host/host.h"
#include "platform/excel/application.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/form.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTableView>

namespace host {

namespace {

// A person's keys by name.
struct KeyName {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* text;
};
const KeyName kKeys[] = {
    {"Enter", Qt::Key_Return, Qt::NoModifier, "\r"},   {"Return", Qt::Key_Return, Qt::NoModifier, "\r"},
    {"Escape", Qt::Key_Escape, Qt::NoModifier, "\x1b"}, {"Esc", Qt::Key_Escape, Qt::NoModifier, "\x1b"},
    {"Tab", Qt::Key_Tab, Qt::NoModifier, "\t"},         {"Shift+Tab", Qt::Key_Backtab, Qt::ShiftModifier, ""},
    {"Backspace", Qt::Key_Backspace, Qt::NoModifier, "\b"}, {"Space", Qt::Key_Space, Qt::NoModifier, " "},
    {"Delete", Qt::Key_Delete, Qt::NoModifier, ""},     {"Up", Qt::Key_Up, Qt::NoModifier, ""},
    {"Down", Qt::Key_Down, Qt::NoModifier, ""},         {"Left", Qt::Key_Left, Qt::NoModifier, ""},
    {"Right", Qt::Key_Right, Qt::NoModifier, ""},       {"Home", Qt::Key_Home, Qt::NoModifier, ""},
    {"End", Qt::Key_End, Qt::NoModifier, ""},
};

void sendKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(target, &release);
}

QWidget* widgetOf(const ControlRef& ref) {
    auto* w = qobject_cast<QWidget*>(ref.control);
    if (!w)
        throw CommandError(QStringLiteral("\"%1\" is a %2, which takes no input").arg(ref.control->objectName(), ref.kind));
    return w;
}

// What a person can reach: a control shown on a shown window, enabled.
QWidget* reachable(const ControlRef& ref) {
    QWidget* w = widgetOf(ref);
    if (!w->isVisible())
        throw CommandError(QStringLiteral("\"%1\" is not visible").arg(w->objectName()));
    if (!w->isEnabled())
        throw CommandError(QStringLiteral("\"%1\" is disabled").arg(w->objectName()));
    return w;
}

// The widget that takes the keys when the control has the focus.
QWidget* keyTarget(QWidget* w) {
    if (auto* t = dynamic_cast<forms::TextBox*>(w))
        return t->editor();
    QWidget* target = w;
    while (target->focusProxy())
        target = target->focusProxy();
    return target;
}

void focus(const ControlRef& ref, QWidget* w) {
    forms::Activate(*ref.form);
    if (w->focusPolicy() != Qt::NoFocus)
        forms::SetFocus(w);
}

// The grid a row or header command names, and the position it asks for,
// checked against the grid's `count` rows or columns.
std::pair<forms::DataGrid*, int> gridAt(const QJsonObject& c, const char* position, int (forms::DataGrid::*count)() const) {
    const ControlRef ref = FindControl(TextField(c, "control"));
    auto* grid = dynamic_cast<forms::DataGrid*>(ref.control);
    if (!grid)
        throw CommandError(QStringLiteral("\"%1\" is no grid").arg(ref.control->objectName()));
    const int at = NumberField(c, position);
    if (at < 0 || at >= (grid->*count)())
        throw CommandError(QStringLiteral("the grid has no %1 %2").arg(QLatin1String(position)).arg(at));
    return {grid, at};
}

void assign(const ControlRef& ref, const QJsonValue& value) {
    QWidget* w = widgetOf(ref);
    auto needNumber = [&] {
        if (!value.isDouble() && !value.isBool())
            throw CommandError(QStringLiteral("a %1 takes a number").arg(ref.kind));
        return value.isBool() ? int(value.toBool()) : value.toInt();
    };
    if (auto* t = dynamic_cast<forms::TextBox*>(w)) {
        if (!value.isString())
            throw CommandError(QStringLiteral("a text box takes a text"));
        t->setText(value.toString());
    } else if (auto* c = dynamic_cast<forms::CheckBox*>(w)) {
        c->setValue(needNumber());
    } else if (auto* o = dynamic_cast<forms::OptionButton*>(w)) {
        o->setValue(value.isBool() ? value.toBool() : needNumber() != 0);
    } else if (auto* combo = dynamic_cast<forms::ComboBox*>(w)) {
        if (value.isString())
            combo->setText(value.toString());
        else
            combo->setListIndex(needNumber());
    } else if (auto* list = dynamic_cast<forms::ListBox*>(w)) {
        if (value.isString()) {
            int at = -1;
            for (int i = 0; i < list->ListCount() && at < 0; ++i)
                if (list->List(i) == value.toString())
                    at = i;
            if (at < 0)
                throw CommandError(QStringLiteral("the list has no item \"%1\"").arg(value.toString()));
            list->setListIndex(at);
        } else {
            list->setListIndex(needNumber());
        }
    } else if (auto* date = dynamic_cast<forms::DatePicker*>(w)) {
        QDateTime v = QDateTime::fromString(value.toString(), Qt::ISODate);
        if (!v.isValid())
            v = QDate::fromString(value.toString(), Qt::ISODate).startOfDay();
        if (!v.isValid())
            throw CommandError(QStringLiteral("a date picker takes an ISO date and time"));
        date->setValue(v);
    } else if (auto* tab = dynamic_cast<forms::TabControl*>(w)) {
        tab->setTab(needNumber());
    } else {
        throw CommandError(QStringLiteral("a %1 cannot be set").arg(ref.kind));
    }
}

} // namespace

void AddWindowCommands(CommandTable& table, Host& host) {
    table.add("forms", [](const QJsonObject&) {
        return QJsonObject{{QStringLiteral("forms"), DescribeForms()}};
    });
    // Where a control is on the screen, in pixels, so that a test can deliver
    // a person's pointer events at it through the X server. A window alone is
    // named by its class name; the host's windows by their object names
    // ("sheetHost", "sheetHost.sheetGrid", with "cell" for one cell of the
    // grid). "window" is the native window that holds it (0 before it is
    // shown), "active" whether that window has the keyboard.
    table.add("where", [&host](const QJsonObject& c) {
        const QString name = TextField(c, "control");
        QWidget* w = HostWidget(name);
        if (!w && !name.contains(u'.'))
            w = LoadedForm(name);
        if (!w)
            w = widgetOf(FindControl(name));
        QRect rect(w->mapToGlobal(QPoint(0, 0)), w->size());
        bool visible = w->isVisible();
        if (c.contains(QLatin1String("cell"))) {
            auto* grid = qobject_cast<QTableView*>(w);
            if (!grid)
                throw CommandError(QStringLiteral("\"%1\" is no grid of cells").arg(name));
            const auto sheet = host.application()->ActiveSheet();
            if (!sheet)
                throw CommandError(QStringLiteral("no workbook is open"));
            const excel::Range cell = sheet->Range(TextField(c, "cell"));
            const QModelIndex index = grid->model()->index(cell.Row() - 1, cell.Column() - 1);
            const QRect inView = grid->visualRect(index);
            visible = visible && index.isValid() && grid->viewport()->rect().intersects(inView);
            rect = QRect(grid->viewport()->mapToGlobal(inView.topLeft()), inView.size());
        }
        return QJsonObject{
            {QStringLiteral("x"), rect.x()},
            {QStringLiteral("y"), rect.y()},
            {QStringLiteral("width"), rect.width()},
            {QStringLiteral("height"), rect.height()},
            {QStringLiteral("visible"), visible},
            {QStringLiteral("active"), w->window()->isActiveWindow()},
            {QStringLiteral("window"), double(w->window()->internalWinId())},
        };
    });
    // One control, as "forms" describes it; "rows" bounds the rows of a grid
    // given (a grid of a million rows is not written out to count it).
    table.add("control", [](const QJsonObject& c) {
        const ControlRef ref = FindControl(TextField(c, "control"));
        const int rows = c.contains(QLatin1String("rows")) ? NumberField(c, "rows") : -1;
        return QJsonObject{{QStringLiteral("control"), DescribeControl(ref.form, ref.control, rows)}};
    });
    table.add("set", [](const QJsonObject& c) {
        const ControlRef ref = FindControl(TextField(c, "control"));
        assign(ref, Field(c, "value"));
        return QJsonObject{};
    });
    table.add("type", [](const QJsonObject& c) {
        const ControlRef ref = FindControl(TextField(c, "control"));
        const QString typed = TextField(c, "text");
        QWidget* w = reachable(ref);
        focus(ref, w);
        if (auto* box = dynamic_cast<forms::TextBox*>(w)) {
            box->typeText(typed);
        } else {
            QWidget* target = keyTarget(w);
            for (QChar ch : typed) {
                const bool enter = ch == u'\r' || ch == u'\n';
                sendKey(target, enter ? Qt::Key_Return : Qt::Key_unknown, Qt::NoModifier,
                        enter ? QStringLiteral("\r") : QString(ch));
            }
        }
        return QJsonObject{};
    });
    table.add("key", [](const QJsonObject& c) {
        const ControlRef ref = FindControl(TextField(c, "control"));
        const QString name = TextField(c, "key");
        const KeyName* key = nullptr;
        for (const auto& k : kKeys)
            if (name.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0)
                key = &k;
        if (!key)
            throw CommandError(QStringLiteral("no such key \"%1\"").arg(name));
        QWidget* w = reachable(ref);
        focus(ref, w);
        sendKey(keyTarget(w), key->key, key->modifiers, QString::fromLatin1(key->text));
        return QJsonObject{};
    });
    table.add("click", [](const QJsonObject& c) {
        const ControlRef ref = FindControl(TextField(c, "control"));
        QWidget* w = reachable(ref);
        focus(ref, w);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            button->click();
        } else if (ref.kind == u"label" || ref.kind == u"picture" || ref.kind == u"frame" || ref.kind == u"button") {
            // Controls that answer the mouse themselves get its press and release.
            const QPointF centre(w->width() / 2.0, w->height() / 2.0);
            const QPointF global = w->mapToGlobal(centre);
            QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w, &release);
        }
        return QJsonObject{};
    });
    table.add("row", [](const QJsonObject& c) {
        const auto [grid, row] = gridAt(c, "row", &forms::DataGrid::RowCount);
        grid->setRow(row);
        return QJsonObject{};
    });
    table.add("header", [](const QJsonObject& c) {
        const auto [grid, column] = gridAt(c, "column", &forms::DataGrid::ColumnCount);
        emit grid->view()->horizontalHeader()->sectionClicked(column);
        return QJsonObject{};
    });
}

} // namespace host
