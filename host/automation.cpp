#include "host/automation.h"

#include "host/formsprobe.h"
#include "host/host.h"
#include "host/saving.h"
#include "platform/excel/application.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/form.h"
#include "platform/vb/error.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTableView>
#include <QTimer>
#include <cerrno>
#include <thread>
#include <unistd.h>

namespace host {

namespace {

// ---- fields of a command

QJsonValue field(const QJsonObject& c, const char* name) {
    const QJsonValue v = c.value(QLatin1String(name));
    if (v.isUndefined())
        throw CommandError(QStringLiteral("the field \"%1\" is missing").arg(QLatin1String(name)));
    return v;
}

QString text(const QJsonObject& c, const char* name) {
    const QJsonValue v = field(c, name);
    if (!v.isString())
        throw CommandError(QStringLiteral("the field \"%1\" must be a text").arg(QLatin1String(name)));
    return v.toString();
}

int number(const QJsonObject& c, const char* name) {
    const QJsonValue v = field(c, name);
    if (!v.isDouble())
        throw CommandError(QStringLiteral("the field \"%1\" must be a number").arg(QLatin1String(name)));
    return v.toInt();
}

QJsonValue json(const vb::Variant& v) {
    if (v.isNumber())
        return v.doubleValue();
    if (v.isString())
        return v.stringValue();
    if (v.isBoolean())
        return v.boolValue();
    if (v.isDate())
        return v.dateValue().toString(Qt::ISODate);
    if (v.isError())
        return excel::CellText(v);
    return QJsonValue::Null;
}

vb::Variant variant(const QJsonValue& v) {
    switch (v.type()) {
    case QJsonValue::Null: return {};
    case QJsonValue::Double: return vb::Variant(v.toDouble());
    case QJsonValue::String: return vb::Variant(v.toString());
    case QJsonValue::Bool: return vb::Variant(v.toBool());
    default: throw CommandError(QStringLiteral("a cell takes a text, a number or null"));
    }
}

// ---- message-box answers by name

struct AnswerName {
    const char* name;
    int code;
};
constexpr AnswerName kAnswers[] = {
    {"ok", vb::vbOK},     {"cancel", vb::vbCancel}, {"abort", vb::vbAbort}, {"retry", vb::vbRetry},
    {"ignore", vb::vbIgnore}, {"yes", vb::vbYes},   {"no", vb::vbNo},
};

int answerCode(const QString& name) {
    for (const auto& a : kAnswers)
        if (name.compare(QLatin1String(a.name), Qt::CaseInsensitive) == 0)
            return a.code;
    throw CommandError(QStringLiteral("no such answer \"%1\" (yes, no, ok, cancel, abort, retry, ignore)").arg(name));
}

QString answerName(int code) {
    for (const auto& a : kAnswers)
        if (a.code == code)
            return QLatin1String(a.name);
    return QString::number(code);
}

// ---- command bars

QJsonArray describeAll(const excel::CommandBarControls& controls);

QJsonObject describe(const std::shared_ptr<excel::CommandBarControl>& c) {
    QJsonObject out{
        {QStringLiteral("type"), c->Type()},
        {QStringLiteral("caption"), c->Caption()},
        {QStringLiteral("tooltip"), c->TooltipText()},
        {QStringLiteral("visible"), c->Visible()},
        {QStringLiteral("enabled"), c->Enabled()},
        {QStringLiteral("beginGroup"), c->BeginGroup()},
        {QStringLiteral("builtIn"), c->BuiltIn()},
    };
    if (c->Type() == excel::msoControlPopup) {
        out.insert(QStringLiteral("controls"), describeAll(c->Controls()));
    } else {
        out.insert(QStringLiteral("faceId"), c->FaceId());
        out.insert(QStringLiteral("style"), c->Style());
    }
    return out;
}

QJsonArray describeAll(const excel::CommandBarControls& controls) {
    QJsonArray out;
    for (int i = 1; i <= controls.Count(); ++i)
        out.append(describe(controls.Item(i)));
    return out;
}

QJsonArray describeBars(excel::Application& app) {
    QJsonArray out;
    excel::CommandBars bars = app.CommandBars();
    for (int i = 1; i <= bars.Count(); ++i) {
        const auto bar = bars.Item(i);
        out.append(QJsonObject{
            {QStringLiteral("name"), bar->Name()},
            {QStringLiteral("visible"), bar->Visible()},
            {QStringLiteral("enabled"), bar->Enabled()},
            {QStringLiteral("position"), bar->Position()},
            {QStringLiteral("type"), bar->Type()},
            {QStringLiteral("controls"), describeAll(bar->Controls())},
        });
    }
    return out;
}

std::shared_ptr<excel::CommandBarControl> findControl(const excel::CommandBarControls& controls,
                                                      const QString& caption) {
    for (int i = 1; i <= controls.Count(); ++i) {
        const auto c = controls.Item(i);
        if (QString(c->Caption()).remove(u'&').compare(QString(caption).remove(u'&'), Qt::CaseInsensitive) == 0)
            return c;
    }
    throw CommandError(QStringLiteral("no control \"%1\"").arg(caption));
}

// ---- a person's keys and clicks

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
    const ControlRef ref = FindControl(text(c, "control"));
    auto* grid = dynamic_cast<forms::DataGrid*>(ref.control);
    if (!grid)
        throw CommandError(QStringLiteral("\"%1\" is no grid").arg(ref.control->objectName()));
    const int at = number(c, position);
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

forms::Form* loadedForm(const QString& name) {
    for (forms::Form* f : forms::LoadedForms())
        if (f->className().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    throw CommandError(QStringLiteral("no loaded window \"%1\"").arg(name));
}

void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(std::max(ms, 0), &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

Automation::Automation(Host& host, forms::ScriptedServices services, int replyFd)
    : host_(host), services_(std::move(services)), replyFd_(replyFd) {
    addCommands();
    host_.setQuitAction([this] {
        // A quit asked for inside a command ends the run once its reply is
        // out; one asked for between commands ends it now.
        if (!busy_)
            QTimer::singleShot(0, this, [this] { finish(); });
    });
}

Automation::~Automation() {
    host_.setQuitAction(nullptr);
}

void Automation::start() {
    std::thread([this] {
        QByteArray buffer;
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            buffer.append(chunk, n);
            qsizetype end;
            while ((end = buffer.indexOf('\n')) >= 0) {
                QByteArray line = buffer.left(end);
                buffer.remove(0, end + 1);
                QMetaObject::invokeMethod(this, [this, line] { received(line); }, Qt::QueuedConnection);
            }
        }
        if (!buffer.isEmpty())
            QMetaObject::invokeMethod(this, [this, buffer] { received(buffer); }, Qt::QueuedConnection);
        QMetaObject::invokeMethod(this, [this] { endOfInput(); }, Qt::QueuedConnection);
    }).detach();
}

void Automation::received(const QByteArray& line) {
    pending_.push_back(line);
    // A command that runs the event loop (wait, or an add-in's DoEvents)
    // must not have the next one run inside it.
    if (!busy_)
        drain();
}

void Automation::endOfInput() {
    inputEnded_ = true;
    if (!busy_)
        finish();
}

void Automation::drain() {
    busy_ = true;
    while (!pending_.empty() && !finished_) {
        const QByteArray line = pending_.front();
        pending_.pop_front();
        const QByteArray reply = handleLine(line);
        if (!reply.isNull())
            write(reply);
        if (host_.quitRequested())
            finish();
    }
    busy_ = false;
    if (inputEnded_ && !finished_)
        finish();
}

void Automation::finish() {
    if (finished_)
        return;
    finished_ = true;
    host_.shutdown();
    QCoreApplication::exit(0);
}

void Automation::write(const QByteArray& reply) {
    QByteArray out = reply + '\n';
    const char* p = out.constData();
    qsizetype left = out.size();
    while (left > 0) {
        const ssize_t n = ::write(replyFd_, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;   // the reader went away; the run ends at its end of input
        p += n;
        left -= n;
    }
}

QByteArray Automation::handleLine(const QByteArray& line) {
    if (line.trimmed().isEmpty())
        return {};
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    QJsonObject reply;
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        reply = {{QStringLiteral("ok"), false},
                 {QStringLiteral("error"), parseError.error != QJsonParseError::NoError
                                               ? QStringLiteral("malformed line: %1").arg(parseError.errorString())
                                               : QStringLiteral("malformed line: not a JSON object")}};
    } else {
        const QJsonObject command = doc.object();
        reply = run(command);
        if (command.contains(QLatin1String("id")))
            reply.insert(QStringLiteral("id"), command.value(QLatin1String("id")));
    }
    // What the command set going (repaints, windows unloaded, deferred
    // work of the add-in) settles before the next one.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    forms::FlushUnloaded();
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

QJsonObject Automation::run(const QJsonObject& command) {
    const QJsonValue name = command.value(QLatin1String("cmd"));
    QString failure;
    QJsonObject reply;
    const auto handler = commands_.constFind(name.toString());
    if (!name.isString()) {
        failure = QStringLiteral("the field \"cmd\" is missing");
    } else if (handler == commands_.constEnd()) {
        failure = QStringLiteral("unknown command \"%1\"").arg(name.toString());
    } else {
        try {
            reply = (*handler)(command);
            reply.insert(QStringLiteral("ok"), true);
            return reply;
        } catch (const CommandError& e) {
            failure = e.text();
        } catch (const vb::Error& e) {
            failure = e.description();
            reply.insert(QStringLiteral("number"), e.number());
        } catch (const std::exception& e) {
            failure = QString::fromLocal8Bit(e.what());
        } catch (...) {
            failure = QStringLiteral("unknown failure");
        }
    }
    reply.insert(QStringLiteral("ok"), false);
    reply.insert(QStringLiteral("error"), failure);
    return reply;
}

void Automation::addCommands() {
    auto app = [this]() -> excel::Application& { return *host_.application(); };
    auto activeBook = [app] {
        auto book = app().ActiveWorkbook();
        if (!book)
            throw CommandError(QStringLiteral("no workbook is open"));
        return book;
    };
    auto sheetOf = [app, activeBook](const QJsonObject& c) {
        if (c.contains(QLatin1String("sheet")))
            return activeBook()->Sheets().Item(text(c, "sheet"));
        auto sheet = app().ActiveSheet();
        if (!sheet)
            throw CommandError(QStringLiteral("no workbook is open"));
        return sheet;
    };
    auto book = [](const std::shared_ptr<excel::Workbook>& b) {
        return QJsonObject{{QStringLiteral("workbook"), b->Name()}};
    };

    commands_.insert(QStringLiteral("open"), [app, book](const QJsonObject& c) {
        auto b = app().Workbooks().Open(text(c, "path"));
        b->Activate();
        return book(b);
    });
    commands_.insert(QStringLiteral("new"), [app, book](const QJsonObject&) { return book(app().Workbooks().Add()); });
    // A format that would lose part of the workbook asks first, through the
    // scripted message boxes; "saved" says whether the file was written.
    commands_.insert(QStringLiteral("save-as"), [activeBook, book](const QJsonObject& c) {
        auto b = activeBook();
        const QString path = text(c, "path");
        const bool save = ConfirmLosses(*b, path, excel::FormatForFileName(path));
        if (save)
            b->SaveAs(path);
        QJsonObject reply = book(b);
        reply.insert(QStringLiteral("saved"), save);
        return reply;
    });
    commands_.insert(QStringLiteral("sheet"), [activeBook](const QJsonObject& c) {
        auto sheet = activeBook()->Sheets().Item(text(c, "name"));
        sheet->Activate();
        return QJsonObject{{QStringLiteral("sheet"), sheet->Name()}};
    });
    commands_.insert(QStringLiteral("set-cell"), [sheetOf](const QJsonObject& c) {
        const vb::Variant value = variant(field(c, "value"));
        sheetOf(c)->Range(text(c, "address")).setValue(value);
        return QJsonObject{};
    });
    commands_.insert(QStringLiteral("cell"), [sheetOf](const QJsonObject& c) {
        const excel::Range cell = sheetOf(c)->Range(text(c, "address"));
        const long color = cell.Font().Color();
        const auto sheet = cell.Worksheet();
        const std::optional<excel::CellData> data = sheet->cell(cell.Row(), cell.Column());
        QJsonObject out{
            {QStringLiteral("value"), json(cell.Value())},
            {QStringLiteral("text"), cell.Text()},
            {QStringLiteral("bold"), cell.Font().Bold()},
            {QStringLiteral("color"), QJsonArray{int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF)}},
        };
        // An error value comes as its text with "error"; a formula as the
        // host shows it.
        if (data && data->value.isError())
            out.insert(QStringLiteral("error"), true);
        if (data && data->hasFormula() && data->formula != excel::CellData::kUnreadFormula)
            out.insert(QStringLiteral("formula"), data->formula);
        return out;
    });
    commands_.insert(QStringLiteral("select"), [sheetOf](const QJsonObject& c) {
        auto sheet = sheetOf(c);
        sheet->Activate();
        const excel::Range range = sheet->Range(text(c, "range"));
        range.Select();
        return QJsonObject{{QStringLiteral("address"), range.Address()}};
    });
    commands_.insert(QStringLiteral("bars"), [app](const QJsonObject&) {
        return QJsonObject{{QStringLiteral("bars"), describeBars(app())}};
    });
    commands_.insert(QStringLiteral("press"), [this, app](const QJsonObject& c) {
        const QString barName = text(c, "bar");
        std::shared_ptr<excel::CommandBar> bar;
        excel::CommandBars bars = app().CommandBars();
        for (int i = 1; i <= bars.Count() && !bar; ++i)
            if (bars.Item(i)->Name().compare(barName, Qt::CaseInsensitive) == 0)
                bar = bars.Item(i);
        if (!bar)
            throw CommandError(QStringLiteral("no command bar \"%1\"").arg(barName));
        QStringList path;
        if (c.contains(QLatin1String("path"))) {
            const QJsonValue p = c.value(QLatin1String("path"));
            if (!p.isArray() || p.toArray().isEmpty())
                throw CommandError(QStringLiteral("\"path\" must be a list of captions"));
            for (const QJsonValue& v : p.toArray())
                path << v.toString();
        } else {
            path << text(c, "caption");
        }
        if (!bar->Visible() || !bar->Enabled())
            throw CommandError(QStringLiteral("the command bar \"%1\" is not shown").arg(bar->Name()));
        excel::CommandBarControls controls = bar->Controls();
        std::shared_ptr<excel::CommandBarControl> control;
        for (int i = 0; i < path.size(); ++i) {
            control = findControl(controls, path[i]);
            if (!control->Visible() || !control->Enabled())
                throw CommandError(QStringLiteral("the control \"%1\" is not shown or disabled").arg(path[i]));
            if (i + 1 < path.size()) {
                if (control->Type() != excel::msoControlPopup)
                    throw CommandError(QStringLiteral("\"%1\" is no popup").arg(path[i]));
                controls = control->Controls();
            }
        }
        if (control->Type() != excel::msoControlButton)
            throw CommandError(QStringLiteral("\"%1\" is a popup, not a button").arg(path.last()));
        QString error;
        if (!host_.execute(control, &error))
            throw CommandError(error);
        return QJsonObject{};
    });
    commands_.insert(QStringLiteral("forms"), [](const QJsonObject&) {
        return QJsonObject{{QStringLiteral("forms"), DescribeForms()}};
    });
    // Where a control is on the screen, in pixels, so that a test can deliver
    // a person's pointer events at it through the X server. A window alone is
    // named by its class name; the host's windows by their object names
    // ("sheetHost", "sheetHost.sheetGrid", with "cell" for one cell of the
    // grid). "window" is the native window that holds it (0 before it is
    // shown), "active" whether that window has the keyboard.
    commands_.insert(QStringLiteral("where"), [app](const QJsonObject& c) {
        const QString name = text(c, "control");
        QWidget* w = HostWidget(name);
        if (!w && !name.contains(u'.'))
            w = loadedForm(name);
        if (!w)
            w = widgetOf(FindControl(name));
        QRect rect(w->mapToGlobal(QPoint(0, 0)), w->size());
        bool visible = w->isVisible();
        if (c.contains(QLatin1String("cell"))) {
            auto* grid = qobject_cast<QTableView*>(w);
            if (!grid)
                throw CommandError(QStringLiteral("\"%1\" is no grid of cells").arg(name));
            const auto sheet = app().ActiveSheet();
            if (!sheet)
                throw CommandError(QStringLiteral("no workbook is open"));
            const excel::Range cell = sheet->Range(text(c, "cell"));
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
    commands_.insert(QStringLiteral("control"), [](const QJsonObject& c) {
        const ControlRef ref = FindControl(text(c, "control"));
        const int rows = c.contains(QLatin1String("rows")) ? number(c, "rows") : -1;
        return QJsonObject{{QStringLiteral("control"), DescribeControl(ref.form, ref.control, rows)}};
    });
    commands_.insert(QStringLiteral("set"), [](const QJsonObject& c) {
        const ControlRef ref = FindControl(text(c, "control"));
        assign(ref, field(c, "value"));
        return QJsonObject{};
    });
    commands_.insert(QStringLiteral("type"), [](const QJsonObject& c) {
        const ControlRef ref = FindControl(text(c, "control"));
        const QString typed = text(c, "text");
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
    commands_.insert(QStringLiteral("key"), [](const QJsonObject& c) {
        const ControlRef ref = FindControl(text(c, "control"));
        const QString name = text(c, "key");
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
    commands_.insert(QStringLiteral("click"), [](const QJsonObject& c) {
        const ControlRef ref = FindControl(text(c, "control"));
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
    commands_.insert(QStringLiteral("row"), [](const QJsonObject& c) {
        const auto [grid, row] = gridAt(c, "row", &forms::DataGrid::RowCount);
        grid->setRow(row);
        return QJsonObject{};
    });
    commands_.insert(QStringLiteral("header"), [](const QJsonObject& c) {
        const auto [grid, column] = gridAt(c, "column", &forms::DataGrid::ColumnCount);
        emit grid->view()->horizontalHeader()->sectionClicked(column);
        return QJsonObject{};
    });
    commands_.insert(QStringLiteral("answer"), [this](const QJsonObject& c) {
        services_.msgBoxes->queueAnswer(answerCode(text(c, "with")));
        return QJsonObject{};
    });
    commands_.insert(QStringLiteral("save-dialog"), [this](const QJsonObject& c) {
        if (c.value(QLatin1String("cancel")).toBool())
            services_.saveDialogs->queueAnswer(std::nullopt);
        else
            services_.saveDialogs->queueAnswer(text(c, "path"));
        return QJsonObject{};
    });
    commands_.insert(QStringLiteral("popup"), [this](const QJsonObject& c) {
        services_.popups->queueChoice(text(c, "caption"));
        return QJsonObject{};
    });
    commands_.insert(QStringLiteral("messages"), [this](const QJsonObject& c) {
        QJsonArray out;
        for (const vb::MessageRecord& r : services_.msgBoxes->records())
            out.append(QJsonObject{
                {QStringLiteral("text"), r.prompt},
                {QStringLiteral("title"), r.title},
                {QStringLiteral("buttons"), r.buttons},
                {QStringLiteral("answer"), answerName(r.answer)},
                {QStringLiteral("unanswered"), r.unanswered},
            });
        if (c.value(QLatin1String("clear")).toBool())
            services_.msgBoxes->clearRecords();
        return QJsonObject{{QStringLiteral("messages"), out}};
    });
    commands_.insert(QStringLiteral("shell"), [this](const QJsonObject&) {
        QJsonArray out;
        for (const win32::ShellCall& call : services_.shell->calls())
            out.append(QJsonObject{
                {QStringLiteral("verb"), call.verb},
                {QStringLiteral("file"), call.file},
                {QStringLiteral("parameters"), call.parameters},
                {QStringLiteral("directory"), call.directory},
                {QStringLiteral("show"), call.show},
            });
        return QJsonObject{{QStringLiteral("shell"), out}};
    });
    commands_.insert(QStringLiteral("instances"), [](const QJsonObject&) {
        QJsonArray out;
        for (const auto& instance : excel::AutomationInstances()) {
            QJsonArray books;
            excel::Workbooks workbooks = instance->Workbooks();
            for (int i = 1; i <= workbooks.Count(); ++i) {
                const auto b = workbooks.Item(i);
                QJsonArray sheets;
                excel::Sheets list = b->Sheets();
                for (int s = 1; s <= list.Count(); ++s)
                    sheets.append(list.Item(s)->Name());
                books.append(QJsonObject{
                    {QStringLiteral("path"), b->Path()},
                    {QStringLiteral("name"), b->Name()},
                    {QStringLiteral("fullName"), b->FullName()},
                    {QStringLiteral("sheets"), sheets},
                });
            }
            out.append(QJsonObject{
                {QStringLiteral("visible"), instance->Visible()},
                {QStringLiteral("quit"), instance->HasQuit()},
                {QStringLiteral("workbooks"), books},
            });
        }
        return QJsonObject{{QStringLiteral("instances"), out}};
    });
    // The host's list of add-ins, as its Tools menu shows it, and switching
    // one on or off there (off: the add-in is told the user closed it).
    commands_.insert(QStringLiteral("addins"), [this](const QJsonObject&) {
        QJsonArray out;
        for (const Host::AddinEntry& e : host_.addinEntries())
            out.append(QJsonObject{{QStringLiteral("path"), e.path},
                                   {QStringLiteral("name"), e.name},
                                   {QStringLiteral("connected"), e.connected}});
        return QJsonObject{{QStringLiteral("addins"), out}};
    });
    commands_.insert(QStringLiteral("connect-addin"), [this](const QJsonObject& c) {
        host_.setAddinConnected(text(c, "path"), c.value(QLatin1String("connected")).toBool(true));
        return QJsonObject{};
    });
    // A picture of the screen or of one loaded window, saved as PNG.
    commands_.insert(QStringLiteral("screenshot"), [this](const QJsonObject& c) {
        const QString path = text(c, "path");
        QWidget* window = nullptr;
        if (c.contains(QLatin1String("form"))) {
            const QString name = text(c, "form");
            window = loadedForm(name);
            if (!window->isVisible())
                throw CommandError(QStringLiteral("the window \"%1\" is not shown").arg(name));
        }
        const QPixmap picture = host_.picture(window);
        if (picture.isNull() || !picture.save(path, "PNG"))
            throw CommandError(QStringLiteral("the picture could not be saved to %1").arg(path));
        return QJsonObject{{QStringLiteral("width"), picture.width()}, {QStringLiteral("height"), picture.height()}};
    });
    commands_.insert(QStringLiteral("wait"), [](const QJsonObject& c) {
        runEventLoop(number(c, "ms"));
        return QJsonObject{};
    });
    commands_.insert(QStringLiteral("quit"), [this](const QJsonObject&) {
        // Disconnected before the reply, so that what the add-ins do on
        // leaving is done when the caller reads it.
        host_.shutdown();
        return QJsonObject{};
    });
}

} // namespace host
