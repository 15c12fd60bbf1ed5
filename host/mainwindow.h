#pragma once

#include "host/sheetgrid.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <set>
#include <vector>

class QAction;
class QLineEdit;
class QMenu;
class QTabBar;
class QTimer;
class QTableView;
class QToolBar;

namespace excel {
class Application;
class CommandBar;
class CommandBarControl;
}

namespace host {

class Host;
class SheetModel;

// The window of one Application: its worksheet menu bar and visible
// toolbars drawn from the command bars, the active workbook's sheets as
// tabs and the active sheet as a grid. It follows the object model's events,
// whoever changed the model.
class MainWindow : public QMainWindow {
public:
    // hostWindow: the host's own window (closing it quits the host) rather
    // than that of an instance made visible by an add-in.
    MainWindow(Host& host, std::shared_ptr<excel::Application> app, bool hostWindow);
    ~MainWindow() override;

    QTableView* grid() const { return grid_; }
    // Asks about each workbook with unsaved changes, through the message
    // boxes in force; false when the person cancelled.
    bool confirmClose();
    // An edit in the grid or in the formula bar is written to its cell, as
    // before a save, a close or a command that reads the cells.
    void commitEdit();
    // Where the window opens: where the person left it (within the screen),
    // or, the first time, at a size that fits the screen's free area.
    void placeOnScreen();
    // Keeps the window's size and place for the next start.
    void rememberPlace() const;
    QTabBar* sheetTabs() const { return tabs_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void fitScreen();
    void keepInside();
    void subscribe();
    void later(bool& pending, void (MainWindow::*redraw)());
    void scheduleBars();
    void rebuildBars();
    QMenu* buildMenu(const std::shared_ptr<excel::CommandBarControl>& popup);
    void fillMenu(QMenu* menu, const std::shared_ptr<excel::CommandBarControl>& popup);
    QToolBar* buildToolBar(const std::shared_ptr<excel::CommandBar>& bar);
    void addFileItems(QMenu* menu);
    void addWindowItems(QMenu* menu);
    void addToolsItems(QMenu* menu);
    void click(const std::weak_ptr<excel::CommandBarControl>& control);

    void scheduleWorkbook();
    void showActiveWorkbook();
    void applySizes(int firstColumn, int lastColumn, int firstRow, int lastRow);
    void sizedByPerson(Qt::Orientation orientation, int section, int pixels);
    void selectionFromModel();
    void selectionFromView();
    void showCurrentCell();
    void commitFormula();
    void goToNamed();

    void newWorkbook();
    void openWorkbook();
    bool saveWorkbook();
    bool saveWorkbookAs();
    void failed(const QString& what, const QString& error);

    Host& host_;
    std::shared_ptr<excel::Application> app_;
    bool hostWindow_;

    SheetGrid* grid_;
    SheetModel* model_;
    QTabBar* tabs_;
    QLineEdit* nameBox_;
    QLineEdit* formula_;
    QAction* exit_;

    std::set<int> tallRows_;                 // rows of the sheet shown with a height of their own
    std::vector<QPointer<QObject>> drawn_;   // menus and toolbars of the last drawing
    std::vector<std::function<void()>> unsubscribe_;
    bool barsPending_ = false;
    bool workbookPending_ = false;
    bool focusGridPending_ = false;          // a workbook was opened: the grid takes the keys once it is shown
    bool syncing_ = false;
    bool sizing_ = false;                    // the window sets the grid's sizes from the sheet
    QTimer* frameWatch_ = nullptr;
    int frameLooks_ = 0;
};

} // namespace host
