#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <stdexcept>
#include <vector>

class QObject;
class QWidget;

namespace forms {
class Form;
}

namespace host {

// A command of the automation protocol that cannot be carried out as asked
// (unknown control, wrong field): its reply is ok false with this text.
class CommandError : public std::runtime_error {
public:
    explicit CommandError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// The controls of a loaded window: every object below it with a kind
// (forms::ControlKind), widgets and timers, in creation order.
std::vector<QObject*> FormControls(forms::Form* form);

// A loaded window by its class name, whatever its case. Raises
// CommandError when there is none.
forms::Form* LoadedForm(const QString& name);

// A control named "form.control" (a control-array item as "name(index)");
// the window by its class name. Raises CommandError when there is none.
struct ControlRef {
    forms::Form* form = nullptr;
    QObject* control = nullptr;
    QString kind;
};
ControlRef FindControl(const QString& name);

// A window of the host itself by its object name ("sheetHost"), or a widget
// of one ("sheetHost.sheetGrid"); null when no host window has that name.
QWidget* HostWidget(const QString& name);

// The "forms" reply: every loaded window with its geometry and controls.
QJsonArray DescribeForms();
// One control as "forms" lists it; a grid with its first maxRows rows
// (every row when negative) and, always, its rowCount.
QJsonObject DescribeControl(forms::Form* form, QObject* control, int maxRows = -1);

} // namespace host
