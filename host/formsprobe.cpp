#include "host/formsprobe.h"

#include "platform/forms/browser.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/form.h"
#include "platform/vb/timer.h"

#include <QApplication>
#include <QStackedWidget>
#include <QTabWidget>
#include <algorithm>

namespace host {

namespace {

void collect(QObject* parent, std::vector<QObject*>& out) {
    for (QObject* child : parent->children()) {
        // Another window parented to this one is listed as a window itself.
        if (auto* form = dynamic_cast<forms::Form*>(child); form && form->isLoaded())
            continue;
        if (!forms::ControlKind(child).isEmpty())
            out.push_back(child);
        collect(child, out);
    }
}

// The control's own Visible, as a program set it: not whether its window
// is shown, and true on a tab that is not in front, as with the tabbed
// dialog, which only moves such controls out of sight.
bool ownVisible(const QWidget* w, const QWidget* form) {
    for (const QWidget* p = w; p && p != form; p = p->parentWidget()) {
        const bool hidden = p->testAttribute(Qt::WA_WState_ExplicitShowHide) && p->testAttribute(Qt::WA_WState_Hidden);
        if (!hidden)
            continue;
        const QWidget* parent = p->parentWidget();
        const bool tabPage = qobject_cast<const QStackedWidget*>(parent) && parent->parentWidget() &&
                             qobject_cast<const QTabWidget*>(parent->parentWidget());
        if (!tabPage)
            return false;
    }
    return true;
}

// The control that owns a widget (a text box's editor belongs to the box).
const QObject* owningControl(const QWidget* w, const QWidget* form) {
    for (const QObject* o = w; o && o != form; o = o->parent())
        if (!forms::ControlKind(o).isEmpty())
            return o;
    return nullptr;
}

QJsonArray texts(const QStringList& list) {
    QJsonArray a;
    for (const QString& s : list)
        a.append(s);
    return a;
}

template <class Box>
void describeItems(QJsonObject& out, const Box* box) {
    QStringList items;
    for (int i = 0; i < box->ListCount(); ++i)
        items << box->List(i);
    out.insert(QStringLiteral("items"), texts(items));
    out.insert(QStringLiteral("index"), box->ListIndex());
    out.insert(QStringLiteral("text"), box->Text());
}

void describeGrid(QJsonObject& out, forms::DataGrid* grid, int maxRows) {
    out.insert(QStringLiteral("caption"), grid->Caption());
    std::vector<int> shown;
    QStringList captions;
    for (int c = 0; c < grid->ColumnCount(); ++c) {
        forms::DataGrid::Column column = grid->Columns(c);
        if (!column.Visible())
            continue;
        shown.push_back(c);
        captions << column.Caption();
    }
    QJsonArray rows;
    const int count = grid->RowCount();
    const int listed = maxRows < 0 ? count : std::min(count, maxRows);
    for (int r = 0; r < listed; ++r) {
        QStringList cells;
        for (int c : shown)
            cells << grid->CellText(r, c);
        rows.append(texts(cells));
    }
    out.insert(QStringLiteral("columns"), texts(captions));
    out.insert(QStringLiteral("rows"), rows);
    out.insert(QStringLiteral("rowCount"), count);
    out.insert(QStringLiteral("row"), grid->Row());
}

} // namespace

std::vector<QObject*> FormControls(forms::Form* form) {
    std::vector<QObject*> out;
    collect(form, out);
    return out;
}

forms::Form* LoadedForm(const QString& name) {
    for (forms::Form* f : forms::LoadedForms())
        if (f->className().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    throw CommandError(QStringLiteral("no loaded window \"%1\"").arg(name));
}

ControlRef FindControl(const QString& name) {
    const qsizetype dot = name.indexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        throw CommandError(QStringLiteral("a control is named \"form.control\", not \"%1\"").arg(name));
    const QString formName = name.left(dot);
    const QString controlName = name.mid(dot + 1);
    forms::Form* form = LoadedForm(formName);
    for (QObject* c : FormControls(form))
        if (c->objectName().compare(controlName, Qt::CaseInsensitive) == 0)
            return {form, c, forms::ControlKind(c)};
    throw CommandError(QStringLiteral("window \"%1\" has no control \"%2\"").arg(formName, controlName));
}

QWidget* HostWidget(const QString& name) {
    const QString windowName = name.section(u'.', 0, 0);
    const QString childName = name.section(u'.', 1);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (dynamic_cast<forms::Form*>(top) || top->objectName() != windowName || !top->isVisible())
            continue;
        if (childName.isEmpty())
            return top;
        if (auto* child = top->findChild<QWidget*>(childName))
            return child;
        throw CommandError(QStringLiteral("the window \"%1\" has no part \"%2\"").arg(windowName, childName));
    }
    return nullptr;
}

QJsonObject DescribeControl(forms::Form* form, QObject* control, int maxRows) {
    const QString kind = forms::ControlKind(control);
    QJsonObject out{{QStringLiteral("kind"), kind}};
    if (auto* timer = dynamic_cast<vb::Timer*>(control)) {
        out.insert(QStringLiteral("enabled"), timer->Enabled());
        out.insert(QStringLiteral("visible"), false);
        out.insert(QStringLiteral("focused"), false);
        out.insert(QStringLiteral("interval"), timer->Interval());
        return out;
    }
    auto* w = qobject_cast<QWidget*>(control);
    if (!w)
        return out;
    out.insert(QStringLiteral("enabled"), !w->testAttribute(Qt::WA_ForceDisabled));
    out.insert(QStringLiteral("visible"), ownVisible(w, form));
    const QWidget* focus = form->focusWidget();
    out.insert(QStringLiteral("focused"), focus && owningControl(focus, form) == control);

    if (auto* t = dynamic_cast<forms::TextBox*>(w)) {
        out.insert(QStringLiteral("text"), t->Text());
    } else if (auto* l = dynamic_cast<forms::Label*>(w)) {
        out.insert(QStringLiteral("caption"), l->Caption());
    } else if (auto* f = dynamic_cast<forms::Frame*>(w)) {
        out.insert(QStringLiteral("caption"), f->Caption());
    } else if (auto* b = dynamic_cast<forms::CommandButton*>(w)) {
        out.insert(QStringLiteral("caption"), b->Caption());
    } else if (auto* c = dynamic_cast<forms::CheckBox*>(w)) {
        out.insert(QStringLiteral("caption"), c->Caption());
        out.insert(QStringLiteral("value"), c->Value());
    } else if (auto* o = dynamic_cast<forms::OptionButton*>(w)) {
        out.insert(QStringLiteral("caption"), o->Caption());
        out.insert(QStringLiteral("value"), o->Value());
    } else if (auto* combo = dynamic_cast<forms::ComboBox*>(w)) {
        describeItems(out, combo);
    } else if (auto* list = dynamic_cast<forms::ListBox*>(w)) {
        describeItems(out, list);
    } else if (auto* grid = dynamic_cast<forms::DataGrid*>(w)) {
        describeGrid(out, grid, maxRows);
    } else if (auto* tab = dynamic_cast<forms::TabControl*>(w)) {
        QStringList captions;
        for (int i = 0; i < tab->Tabs(); ++i)
            captions << tab->TabCaption(i);
        out.insert(QStringLiteral("index"), tab->Tab());
        out.insert(QStringLiteral("captions"), texts(captions));
    } else if (auto* date = dynamic_cast<forms::DatePicker*>(w)) {
        out.insert(QStringLiteral("value"), date->Value().toString(Qt::ISODate));
    } else if (auto* progress = dynamic_cast<forms::ProgressBar*>(w)) {
        out.insert(QStringLiteral("value"), progress->Value());
        out.insert(QStringLiteral("min"), progress->Min());
        out.insert(QStringLiteral("max"), progress->Max());
    } else if (auto* browser = dynamic_cast<forms::WebBrowser*>(w)) {
        out.insert(QStringLiteral("url"), browser->LocationURL());
    } else if (kind == u"button" || kind == u"label" || kind == u"frame" || kind == u"check" || kind == u"option") {
        // A control of the add-in's own making of a kind that has a caption.
        const QVariant caption = w->property("text");
        if (caption.isValid())
            out.insert(QStringLiteral("caption"), caption.toString());
    }
    return out;
}

QJsonArray DescribeForms() {
    QJsonArray out;
    forms::Form* active = forms::ActiveForm();
    for (forms::Form* f : forms::LoadedForms()) {
        QJsonObject controls;
        for (QObject* c : FormControls(f))
            controls.insert(c->objectName(), DescribeControl(f, c));
        out.append(QJsonObject{
            {QStringLiteral("name"), f->className()},
            {QStringLiteral("visible"), f->Visible()},
            {QStringLiteral("active"), f == active},
            {QStringLiteral("caption"), f->Caption()},
            {QStringLiteral("left"), f->Left()},
            {QStringLiteral("top"), f->Top()},
            {QStringLiteral("width"), f->Width()},
            {QStringLiteral("height"), f->Height()},
            {QStringLiteral("controls"), controls},
        });
    }
    return out;
}

} // namespace host
