#pragma once

#include "platform/excel/commandbars.h"
#include "platform/excel/events.h"
#include "platform/excel/range.h"
#include "platform/excel/workbook.h"
#include "platform/vb/export.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace excel {

class Application;
QM_EXPORT std::shared_ptr<Application> CreateObject(const QString& progId);

// The spreadsheet host: its command bars, its open workbooks and what is
// selected. The model draws nothing; a host program listens to events()
// and shows it.
class QM_EXPORT Application : public std::enable_shared_from_this<Application> {
public:
    // The host program's own Application, visible, with no workbook open;
    // CreateObject makes those started by automation.
    static std::shared_ptr<Application> New();
    ~Application();

    QString TypeName() const { return QStringLiteral("Application"); }
    // The host program's own name: its window titles and messages carry it.
    static QString Name() { return QStringLiteral("Sheet Host"); }
    QString Version() const { return QStringLiteral("11.0"); }
    bool CreatedForAutomation() const { return automation_; }

    excel::CommandBars CommandBars();
    excel::Workbooks Workbooks();
    // Null ("Nothing") when no workbook is open.
    std::shared_ptr<Workbook> ActiveWorkbook() const;
    std::shared_ptr<Worksheet> ActiveSheet() const;
    // "Range", "Nothing" with no workbook open, or the type of the object
    // selected instead of cells (Worksheet::SelectObject).
    QString SelectionTypeName() const;
    // The selected cells of the active sheet: Nothing with no workbook
    // open; errNoSuchMember when the selection is not a cell range.
    excel::Range Selection() const;
    // Of the active sheet; errObjectNotSet with no workbook open.
    excel::Range Range(const QString& address) const;
    excel::Range Cells(int row, int column) const;
    // The cells two ranges of one sheet share: for each area of the first,
    // its overlap with each area of the second, in that order; Nothing when
    // they share none. Ranges of different sheets raise errExcel.
    excel::Range Intersect(const excel::Range& first, const excel::Range& second) const;

    bool Visible() const { return visible_; }
    // An instance created for automation hands its workbooks to the user
    // when it becomes visible (SetInstanceShownHandler).
    void setVisible(bool visible);
    int SheetsInNewWorkbook() const { return sheetsInNewWorkbook_; }
    void setSheetsInNewWorkbook(int count);   // 1 to 255

    // Asks the host to close: the quit handler runs (once, also when Quit is
    // called again from within it). Without a handler the workbooks are
    // closed unsaved and the Application hides.
    void Quit();
    bool HasQuit() const { return hasQuit_; }
    void setQuitHandler(std::function<void()> handler) { quitHandler_ = std::move(handler); }

    Events& events() const { return *events_; }

private:
    friend class excel::CommandBars;
    friend class excel::CommandBar;
    friend class excel::Workbooks;
    friend class Workbook;
    friend std::shared_ptr<Application> CreateObject(const QString& progId);
    explicit Application(bool automation);
    void addBuiltInBars();
    void activate(Workbook* book);
    void closed(Workbook* book);
    QString nextWorkbookName();

    bool automation_;
    std::shared_ptr<Events> events_;
    std::vector<std::shared_ptr<excel::CommandBar>> bars_;
    int customBarsCreated_ = 0;
    std::vector<std::shared_ptr<Workbook>> workbooks_;
    Workbook* active_ = nullptr;
    int workbooksCreated_ = 0;
    bool visible_;
    int sheetsInNewWorkbook_ = 3;
    bool quitting_ = false;
    bool hasQuit_ = false;
    std::function<void()> quitHandler_;
};

// The type name of an object reference, "Nothing" for a null one.
template <typename T>
QString TypeName(const std::shared_ptr<T>& object) {
    return object ? object->TypeName() : QStringLiteral("Nothing");
}

// CreateObject, the object factory: "Excel.Application" (letter case
// ignored) gives a new, invisible Application of its own, created for
// automation. It is kept in the list of such instances, and so stays alive
// after the caller drops it. Any other name raises 429 "ActiveX component
// can't create object".
// The instances CreateObject made, oldest first; the host may forget them
// (tests do, between cases).
QM_EXPORT std::vector<std::shared_ptr<Application>> AutomationInstances();
QM_EXPORT void ForgetAutomationInstances();
// What the host does when an instance created for automation becomes
// visible: it shows the instance's workbooks in a window of their own.
// Without a handler the instance is only marked visible.
QM_EXPORT void SetInstanceShownHandler(std::function<void(std::shared_ptr<Application>)> handler);

// What the host does when CreateObject has made an instance: it loads the
// add-ins into it, as Excel started for automation does. Runs before
// CreateObject returns.
QM_EXPORT void SetInstanceCreatedHandler(std::function<void(std::shared_ptr<Application>)> handler);

// The host program's own Application, the one add-ins are handed.
QM_EXPORT void SetHostApplication(std::shared_ptr<Application> app);
QM_EXPORT std::shared_ptr<Application> HostApplication();

} // namespace excel
