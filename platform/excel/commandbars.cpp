#include "platform/excel/commandbars.h"

#include "platform/excel/application.h"
#include "platform/vb/error.h"

#include <algorithm>

namespace excel {

const QString kWorksheetMenuBar = QStringLiteral("Worksheet Menu Bar");

namespace detail {

// The controls of one bar or popup. Controls know their list, and the list
// knows its bar, so that a control can find its place and its Parent.
struct ControlList {
    std::vector<std::shared_ptr<CommandBarControl>> items;
    std::weak_ptr<CommandBar> bar;
    std::shared_ptr<Events> events;
    bool deleted = false;   // its bar or popup went

    int indexOf(const CommandBarControl* c) const {
        for (int i = 0; i < int(items.size()); ++i)
            if (items[i].get() == c) return i;
        return -1;
    }
    void clear() {
        for (const auto& c : items) c->markDeleted();
        items.clear();
    }
    void drop() {
        clear();
        deleted = true;
    }
};

} // namespace detail

namespace {

[[noreturn]] void invalidCall() {
    vb::Raise(vb::errInvalidCall);
}

[[noreturn]] void failed(const QString& method, const QString& object) {
    vb::Raise(vb::errAutomation, QStringLiteral("Method '%1' of object '%2' failed").arg(method, object));
}

[[noreturn]] void disconnected() {
    vb::Raise(vb::errAutomation, QStringLiteral("The object invoked has disconnected from its clients."));
}

QString withoutAccelerator(const QString& caption) {
    return QString(caption).remove(QLatin1Char('&'));
}

// The menus of the worksheet menu bar, with their built-in ids, as a Turkish
// desktop shows them. Add-ins find them by place or id, not by caption.
struct StandardMenu {
    const char* caption;
    int id;
};
constexpr StandardMenu kStandardMenus[] = {
    {"&Dosya", 30002}, {"Dü&zen", 30003},   {"&Görünüm", 30004},
    {"&Ekle", 30005},  {"&Biçim", 30006},   {"&Araçlar", 30007},
    {"&Veri", 30011},  {"&Pencere", 30009}, {"&Yardım", 30010},
};

} // namespace

// ---- CommandBarControls

int CommandBarControls::Count() const {
    return int(list_->items.size());
}

std::shared_ptr<CommandBarControl> CommandBarControls::Item(int index) const {
    if (index < 1 || index > Count()) invalidCall();
    return list_->items[index - 1];
}

std::shared_ptr<CommandBarControl> CommandBarControls::Item(const QString& caption) const {
    const QString wanted = withoutAccelerator(caption);
    for (const auto& c : list_->items)
        if (withoutAccelerator(c->Caption()).compare(wanted, Qt::CaseInsensitive) == 0) return c;
    invalidCall();
}

std::shared_ptr<CommandBarControl> CommandBarControls::Add(int type, std::optional<int> before) const {
    if (list_->deleted || list_->bar.expired()) disconnected();
    if (type != msoControlButton && type != msoControlPopup) invalidCall();
    const int position = before.value_or(Count() + 1);
    if (position < 1 || position > Count() + 1) invalidCall();
    auto control = std::shared_ptr<CommandBarControl>(new CommandBarControl(type, 1, list_->events));
    control->owner_ = list_;
    if (type == msoControlPopup) {
        control->children_ = std::make_shared<detail::ControlList>();
        control->children_->bar = list_->bar;
        control->children_->events = list_->events;
    }
    list_->items.insert(list_->items.begin() + (position - 1), control);
    list_->events->commandBarsChanged.notify();
    return control;
}

// ---- CommandBarControl

CommandBarControl::CommandBarControl(int type, int id, std::shared_ptr<Events> events)
    : type_(type), id_(id), events_(std::move(events)) {}

QString CommandBarControl::TypeName() const {
    return type_ == msoControlPopup ? QStringLiteral("CommandBarPopup") : QStringLiteral("CommandBarButton");
}

void CommandBarControl::checkAlive() const {
    if (deleted_) disconnected();
}

void CommandBarControl::checkButton() const {
    checkAlive();
    if (type_ == msoControlPopup) vb::Raise(errNoSuchMember, QStringLiteral("Object doesn't support this property or method"));
}

void CommandBarControl::changed() {
    events_->commandBarsChanged.notify();
}

int CommandBarControl::Index() const {
    checkAlive();
    const auto owner = owner_.lock();
    return owner ? owner->indexOf(this) + 1 : 0;
}

std::shared_ptr<CommandBar> CommandBarControl::Parent() const {
    checkAlive();
    const auto owner = owner_.lock();
    return owner ? owner->bar.lock() : nullptr;
}

template <typename T>
void CommandBarControl::assign(T& member, const T& value) {
    checkAlive();
    member = value;
    changed();
}

void CommandBarControl::setCaption(const QString& caption) { assign(caption_, caption); }
void CommandBarControl::setTooltipText(const QString& text) { assign(tooltip_, text); }
void CommandBarControl::setVisible(bool visible) { assign(visible_, visible); }
void CommandBarControl::setEnabled(bool enabled) { assign(enabled_, enabled); }
void CommandBarControl::setBeginGroup(bool begin) { assign(beginGroup_, begin); }
void CommandBarControl::setTag(const QString& tag) { assign(tag_, tag); }
void CommandBarControl::setParameter(const QString& parameter) { assign(parameter_, parameter); }

int CommandBarControl::FaceId() const {
    checkButton();
    return faceId_;
}

void CommandBarControl::setFaceId(int faceId) {
    checkButton();
    if (faceId < 0) invalidCall();
    faceId_ = faceId;
    changed();
}

int CommandBarControl::Style() const {
    checkButton();
    return style_;
}

void CommandBarControl::setStyle(int style) {
    checkButton();
    // The styles of Office's buttons: automatic, icon, caption, both, and the
    // wrapped and caption-below variants.
    static constexpr int known[] = {0, 1, 2, 3, 7, 11, 14, 15};
    if (std::find(std::begin(known), std::end(known), style) == std::end(known)) invalidCall();
    style_ = style;
    changed();
}

CommandBarControls CommandBarControl::Controls() const {
    checkAlive();
    if (type_ != msoControlPopup) vb::Raise(errNoSuchMember, QStringLiteral("Object doesn't support this property or method"));
    return CommandBarControls(children_);
}

void CommandBarControl::Delete() {
    checkAlive();
    const auto self = shared_from_this();
    if (const auto owner = owner_.lock()) {
        const int i = owner->indexOf(this);
        if (i >= 0) owner->items.erase(owner->items.begin() + i);
    }
    markDeleted();
    changed();
}

void CommandBarControl::markDeleted() {
    deleted_ = true;
    if (children_) children_->drop();
}

bool CommandBarControl::Execute() {
    checkAlive();
    bool cancelDefault = false;
    // A copy: the handler may delete the control, and its own handler with it.
    if (ClickHandler handler = Click) handler(shared_from_this(), cancelDefault);
    return cancelDefault;
}

// ---- CommandBar

CommandBar::CommandBar(std::weak_ptr<Application> app, std::shared_ptr<Events> events, QString name,
                       int type, bool builtIn)
    : app_(std::move(app)), events_(std::move(events)), name_(std::move(name)), type_(type),
      builtIn_(builtIn), controls_(std::make_shared<detail::ControlList>()) {
    controls_->events = events_;
}

std::shared_ptr<CommandBar> CommandBar::create(std::weak_ptr<Application> app, std::shared_ptr<Events> events,
                                               QString name, int type, bool builtIn) {
    auto bar = std::shared_ptr<CommandBar>(
        new CommandBar(std::move(app), std::move(events), std::move(name), type, builtIn));
    bar->controls_->bar = bar;
    return bar;
}

std::shared_ptr<CommandBar> CommandBar::worksheetMenuBar(std::weak_ptr<Application> app,
                                                         std::shared_ptr<Events> events) {
    auto bar = create(std::move(app), std::move(events), kWorksheetMenuBar, msoBarTypeMenuBar, true);
    bar->visible_ = true;
    bar->position_ = msoBarTop;
    bar->fillStandard();
    return bar;
}

void CommandBar::checkAlive() const {
    if (deleted_) disconnected();
}

void CommandBar::changed() {
    events_->commandBarsChanged.notify();
}

int CommandBar::Index() const {
    checkAlive();
    const auto app = app_.lock();
    if (!app) return 0;
    const auto& bars = app->bars_;
    for (int i = 0; i < int(bars.size()); ++i)
        if (bars[i].get() == this) return i + 1;
    return 0;
}

void CommandBar::setVisible(bool visible) {
    checkAlive();
    visible_ = visible;
    changed();
}

void CommandBar::setPosition(int position) {
    checkAlive();
    if (position < msoBarLeft || position > msoBarFloating) invalidCall();
    position_ = position;
    changed();
}

void CommandBar::setEnabled(bool enabled) {
    checkAlive();
    enabled_ = enabled;
    changed();
}

CommandBarControls CommandBar::Controls() const {
    checkAlive();
    return CommandBarControls(controls_);
}

void CommandBar::Delete() {
    checkAlive();
    if (builtIn_) failed(QStringLiteral("Delete"), QStringLiteral("CommandBar"));
    const auto self = shared_from_this();
    if (const auto app = app_.lock()) std::erase(app->bars_, self);
    deleted_ = true;
    controls_->drop();
    changed();
}

void CommandBar::Reset() {
    checkAlive();
    if (!builtIn_) failed(QStringLiteral("Reset"), QStringLiteral("CommandBar"));
    controls_->clear();
    fillStandard();
    visible_ = true;
    position_ = msoBarTop;
    enabled_ = true;
    changed();
}

void CommandBar::fillStandard() {
    for (const auto& menu : kStandardMenus) {
        auto control = std::shared_ptr<CommandBarControl>(
            new CommandBarControl(msoControlPopup, menu.id, events_));
        control->caption_ = QString::fromUtf8(menu.caption);
        control->owner_ = controls_;
        control->children_ = std::make_shared<detail::ControlList>();
        control->children_->bar = weak_from_this();
        control->children_->events = events_;
        controls_->items.push_back(control);
    }
}

// ---- CommandBars

int CommandBars::Count() const {
    return int(app_->bars_.size());
}

std::shared_ptr<CommandBar> CommandBars::Item(int index) const {
    if (index < 1 || index > Count()) invalidCall();
    return app_->bars_[index - 1];
}

std::shared_ptr<CommandBar> CommandBars::Item(const QString& name) const {
    for (const auto& b : app_->bars_)
        if (b->Name().compare(name, Qt::CaseInsensitive) == 0) return b;
    invalidCall();
}

std::shared_ptr<CommandBar> CommandBars::Add(const QString& name, int position) const {
    const auto exists = [&](const QString& n) {
        return std::any_of(app_->bars_.begin(), app_->bars_.end(), [&](const auto& b) {
            return b->Name().compare(n, Qt::CaseInsensitive) == 0;
        });
    };
    QString barName = name;
    if (barName.isEmpty()) {
        do barName = QStringLiteral("Custom %1").arg(++app_->customBarsCreated_);
        while (exists(barName));
    } else if (exists(barName)) {
        invalidCall();
    }
    if (position < msoBarLeft || position > msoBarFloating) invalidCall();
    auto bar = CommandBar::create(app_, app_->events_, barName, msoBarTypeNormal, false);
    bar->position_ = position;
    app_->bars_.push_back(bar);
    bar->changed();
    return bar;
}

std::shared_ptr<CommandBar> CommandBars::ActiveMenuBar() const {
    return Item(kWorksheetMenuBar);
}

} // namespace excel
