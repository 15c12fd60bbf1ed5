#include "platform/excel/application.h"

#include "platform/vb/error.h"

#include <algorithm>

namespace excel {

namespace {

struct Registry {
    std::vector<std::shared_ptr<Application>> instances;
    std::function<void(std::shared_ptr<Application>)> shown;
    std::function<void(std::shared_ptr<Application>)> created;
    std::shared_ptr<Application> host;
};

Registry& registry() {
    static Registry r;
    return r;
}

} // namespace

Application::Application(bool automation)
    : automation_(automation), events_(std::make_shared<Events>()), visible_(!automation) {}

Application::~Application() {
    for (const auto& b : workbooks_) b->closed_ = true;
}

std::shared_ptr<Application> Application::New() {
    auto app = std::shared_ptr<Application>(new Application(false));
    app->addBuiltInBars();
    return app;
}

void Application::addBuiltInBars() {
    bars_.push_back(excel::CommandBar::worksheetMenuBar(weak_from_this(), events_));
}

excel::CommandBars Application::CommandBars() {
    return excel::CommandBars(shared_from_this());
}

excel::Workbooks Application::Workbooks() {
    return excel::Workbooks(shared_from_this());
}

std::shared_ptr<Workbook> Application::ActiveWorkbook() const {
    return active_ ? active_->shared_from_this() : nullptr;
}

std::shared_ptr<Worksheet> Application::ActiveSheet() const {
    return active_ ? active_->ActiveSheet() : nullptr;
}

QString Application::SelectionTypeName() const {
    const auto sheet = ActiveSheet();
    if (!sheet) return QStringLiteral("Nothing");
    return sheet->selectedObject_.isEmpty() ? QStringLiteral("Range") : sheet->selectedObject_;
}

excel::Range Application::Selection() const {
    const auto sheet = ActiveSheet();
    if (!sheet) return {};
    if (!sheet->selectedObject_.isEmpty())
        vb::Raise(errNoSuchMember, QStringLiteral("Object doesn't support this property or method"));
    return excel::Range(sheet, sheet->selection_);
}

excel::Range Application::Range(const QString& address) const {
    const auto sheet = ActiveSheet();
    if (!sheet) vb::Raise(errExcel, QStringLiteral("Method 'Range' of object '_Global' failed"));
    return sheet->Range(address);
}

excel::Range Application::Intersect(const excel::Range& first, const excel::Range& second) const {
    const auto sheet = first.Worksheet();
    if (sheet != second.Worksheet())
        vb::Raise(errExcel, QStringLiteral("Method 'Intersect' of object '_Application' failed"));
    std::vector<Area> shared;
    for (const Area& a : first.areaList())
        for (const Area& b : second.areaList()) {
            const int top = std::max(a.row, b.row), bottom = std::min(a.lastRow(), b.lastRow());
            const int left = std::max(a.column, b.column), right = std::min(a.lastColumn(), b.lastColumn());
            if (top <= bottom && left <= right)
                shared.push_back(Area{top, left, bottom - top + 1, right - left + 1});
        }
    if (shared.empty()) return {};
    return excel::Range(sheet, std::move(shared));
}

excel::Range Application::Cells(int row, int column) const {
    const auto sheet = ActiveSheet();
    if (!sheet) vb::Raise(errExcel, QStringLiteral("Method 'Cells' of object '_Global' failed"));
    return sheet->Cells(row, column);
}

void Application::setVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    events_->visibleChanged.notify(visible);
    if (visible && automation_) {
        if (const auto shown = registry().shown) shown(shared_from_this());
    }
}

void Application::setSheetsInNewWorkbook(int count) {
    if (count < 1 || count > 255)
        vb::Raise(errExcel, QStringLiteral("Unable to set the SheetsInNewWorkbook property of the Application class"));
    sheetsInNewWorkbook_ = count;
}

void Application::Quit() {
    if (quitting_) return;
    quitting_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{quitting_};
    if (quitHandler_) {
        const auto handler = quitHandler_;
        handler();
    } else {
        excel::Workbooks(shared_from_this()).Close();
        setVisible(false);
    }
    hasQuit_ = true;
}

void Application::activate(Workbook* book) {
    if (active_ == book) return;
    active_ = book;
    events_->workbookActivated.notify(ActiveWorkbook());
    events_->selectionChanged.notify();
}

void Application::closed(Workbook* book) {
    const auto keep = book->shared_from_this();
    std::erase(workbooks_, keep);
    events_->workbookClosed.notify(keep);
    if (active_ == book) {
        // The workbook opened last takes over, as Excel's next window does.
        active_ = workbooks_.empty() ? nullptr : workbooks_.back().get();
        events_->workbookActivated.notify(ActiveWorkbook());
        events_->selectionChanged.notify();
    }
}

QString Application::nextWorkbookName() {
    return QStringLiteral("Kitap%1").arg(++workbooksCreated_);
}

// ---- the object factory and the instances it made

std::shared_ptr<Application> CreateObject(const QString& progId) {
    if (progId.compare(QStringLiteral("Excel.Application"), Qt::CaseInsensitive) != 0)
        vb::Raise(429, QStringLiteral("ActiveX component can't create object"));
    auto app = std::shared_ptr<Application>(new Application(true));
    app->addBuiltInBars();
    registry().instances.push_back(app);
    if (const auto created = registry().created) created(app);
    return app;
}

std::vector<std::shared_ptr<Application>> AutomationInstances() {
    return registry().instances;
}

void ForgetAutomationInstances() {
    registry().instances.clear();
}

void SetInstanceShownHandler(std::function<void(std::shared_ptr<Application>)> handler) {
    registry().shown = std::move(handler);
}

void SetInstanceCreatedHandler(std::function<void(std::shared_ptr<Application>)> handler) {
    registry().created = std::move(handler);
}

void SetHostApplication(std::shared_ptr<Application> app) {
    registry().host = std::move(app);
}

std::shared_ptr<Application> HostApplication() {
    return registry().host;
}

} // namespace excel
