#include "host/mainwindow.h"

#include "host/host.h"
#include "host/icons.h"
#include "host/saving.h"
#include "host/sheetgrid.h"
#include "host/sheetmodel.h"
#include "platform/excel/application.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QWindow>
#include <memory>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace host {

namespace {

// The built-in menus the host adds its own items to, by their ids.
constexpr int kFileMenuId = 30002;
constexpr int kToolsMenuId = 30007;
constexpr int kWindowMenuId = 30009;

Qt::ToolBarArea areaFor(int position) {
    switch (position) {
    case excel::msoBarLeft: return Qt::LeftToolBarArea;
    case excel::msoBarRight: return Qt::RightToolBarArea;
    case excel::msoBarBottom: return Qt::BottomToolBarArea;
    default: return Qt::TopToolBarArea;   // floating bars are docked: they are not movable here
    }
}

QString plainCaption(const QString& caption) {
    return QString(caption).remove(u'&');
}

} // namespace

MainWindow::MainWindow(Host& host, std::shared_ptr<excel::Application> app, bool hostWindow)
    : host_(host), app_(std::move(app)), hostWindow_(hostWindow) {
    setObjectName(hostWindow ? QStringLiteral("sheetHost") : QStringLiteral("sheetHostInstance"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    fitScreen();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* formulaBar = new QWidget(central);
    auto* formulaLayout = new QHBoxLayout(formulaBar);
    formulaLayout->setContentsMargins(2, 2, 2, 2);
    // The name box shows the current cell, and a cell or range typed into
    // it is selected.
    nameBox_ = new QLineEdit(formulaBar);
    nameBox_->setObjectName(QStringLiteral("nameBox"));
    nameBox_->setFixedWidth(90);
    connect(nameBox_, &QLineEdit::returnPressed, this, [this] { goToNamed(); });
    nameBox_->installEventFilter(this);
    formula_ = new QLineEdit(formulaBar);
    formula_->setObjectName(QStringLiteral("formulaBar"));
    formulaLayout->addWidget(nameBox_);
    formulaLayout->addWidget(formula_, 1);
    layout->addWidget(formulaBar);

    model_ = new SheetModel(this);
    grid_ = new SheetGrid(central);
    grid_->setObjectName(QStringLiteral("sheetGrid"));
    grid_->setModel(model_);
    grid_->horizontalHeader()->setDefaultSectionSize(ColumnPixels(excel::kStandardWidth));
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid_->verticalHeader()->setDefaultSectionSize(RowPixels(excel::kStandardHeight));
    grid_->verticalHeader()->setMinimumSectionSize(1);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid_->setClearHandler([this] {
        Guarded(QStringLiteral("clearing cells"), [&] {
            if (app_->ActiveSheet() && app_->SelectionTypeName() == u"Range")
                app_->Selection().ClearContents();
        });
    });
    layout->addWidget(grid_, 1);

    tabs_ = new QTabBar(central);
    tabs_->setObjectName(QStringLiteral("sheetTabs"));
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setExpanding(false);
    tabs_->setDrawBase(false);
    layout->addWidget(tabs_, 0, Qt::AlignLeft);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    // A widget of the bar, not a message: the hints of menu items replace a
    // message for good.
    statusBar()->addWidget(new QLabel(QStringLiteral("Hazır"), statusBar()));

    // A width or height the person drags is the sheet's, as if set through
    // the object model: typing into the column later keeps it, and a save
    // writes it.
    connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int size) { sizedByPerson(Qt::Horizontal, column, size); });
    connect(grid_->verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int size) { sizedByPerson(Qt::Vertical, row, size); });
    connect(grid_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { selectionFromView(); });
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { showCurrentCell(); });
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] { showCurrentCell(); });
    connect(formula_, &QLineEdit::returnPressed, this, [this] {
        commitFormula();
        grid_->moveCurrent(1, 0);
    });
    formula_->installEventFilter(this);

    // One action for the menu item and the keys, so that Ctrl+Q works
    // whatever the add-ins make of the menus.
    exit_ = new QAction(hostWindow ? QStringLiteral("Ç&ıkış") : QStringLiteral("Ka&pat"), this);
    exit_->setShortcut(hostWindow ? QKeySequence(QKeySequence::Quit) : QKeySequence(QKeySequence::Close));
    exit_->setShortcutContext(Qt::WindowShortcut);
    addAction(exit_);
    connect(exit_, &QAction::triggered, this, [this] { close(); });
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (syncing_ || index < 0)
            return;
        Guarded(QStringLiteral("activating a sheet"), [&] {
            if (auto book = app_->ActiveWorkbook())
                book->Sheets().Item(index + 1)->Activate();
        });
    });

    subscribe();
    rebuildBars();
    showActiveWorkbook();
}

MainWindow::~MainWindow() {
    for (auto& unsubscribe : unsubscribe_)
        unsubscribe();
}

void MainWindow::subscribe() {
    excel::Events& ev = app_->events();
    auto keep = [this](auto& signal, auto handler) {
        int id = signal.connect(std::move(handler));
        unsubscribe_.push_back([&signal, id] { signal.disconnect(id); });
    };
    keep(ev.commandBarsChanged, [this] { scheduleBars(); });
    keep(ev.workbookOpened, [this](std::shared_ptr<excel::Workbook>) {
        focusGridPending_ = true;
        scheduleWorkbook();
    });
    keep(ev.workbookClosed, [this](std::shared_ptr<excel::Workbook>) { scheduleWorkbook(); });
    keep(ev.workbookActivated, [this](std::shared_ptr<excel::Workbook>) { scheduleWorkbook(); });
    keep(ev.workbookChanged, [this](std::shared_ptr<excel::Workbook>) { scheduleWorkbook(); });
    keep(ev.cellsChanged, [this](std::shared_ptr<excel::Worksheet> sheet, excel::Area area) {
        if (workbookPending_ || sheet != model_->sheet())
            return;
        model_->cellsChanged(area);
        applySizes(area.column, area.lastColumn(), area.row, area.lastRow());
    });
    keep(ev.selectionChanged, [this] {
        if (!workbookPending_)
            selectionFromModel();
    });
    keep(ev.visibleChanged, [this](bool visible) {
        if (!visible)
            hide();
    });
}

// ---- command bars

void MainWindow::later(bool& pending, void (MainWindow::*redraw)()) {
    // Once for a burst of changes, and never under a menu that is being
    // clicked or in the middle of an add-in's work on the model.
    if (pending)
        return;
    pending = true;
    QTimer::singleShot(0, this, [this, &pending, redraw] {
        pending = false;
        (this->*redraw)();
    });
}

void MainWindow::scheduleBars() {
    later(barsPending_, &MainWindow::rebuildBars);
}

void MainWindow::rebuildBars() {
    menuBar()->clear();
    for (auto& o : drawn_)
        if (o) {
            if (auto* bar = qobject_cast<QToolBar*>(o.data()))
                removeToolBar(bar);
            o->deleteLater();
        }
    drawn_.clear();

    excel::CommandBars bars = app_->CommandBars();
    for (int i = 1; i <= bars.Count(); ++i) {
        const auto bar = bars.Item(i);
        if (bar->Type() == excel::msoBarTypeMenuBar) {
            if (bar->Name() != excel::kWorksheetMenuBar)
                continue;
            menuBar()->setEnabled(bar->Enabled());
            excel::CommandBarControls controls = bar->Controls();
            for (int c = 1; c <= controls.Count(); ++c) {
                const auto control = controls.Item(c);
                if (!control->Visible())
                    continue;
                if (control->Type() == excel::msoControlPopup) {
                    menuBar()->addMenu(buildMenu(control));
                } else {
                    QAction* action = menuBar()->addAction(control->Caption());
                    action->setEnabled(control->Enabled());
                    std::weak_ptr<excel::CommandBarControl> weak = control;
                    connect(action, &QAction::triggered, this, [this, weak] { click(weak); });
                }
            }
        } else if (bar->Visible()) {
            QToolBar* toolbar = buildToolBar(bar);
            addToolBar(areaFor(bar->Position()), toolbar);
            toolbar->show();
        }
    }
}

QMenu* MainWindow::buildMenu(const std::shared_ptr<excel::CommandBarControl>& popup) {
    auto* menu = new QMenu(popup->Caption(), this);
    menu->setToolTipsVisible(true);
    menu->setEnabled(popup->Enabled());
    drawn_.push_back(menu);
    if (popup->BuiltIn() && popup->Id() == kFileMenuId)
        addFileItems(menu);
    fillMenu(menu, popup);
    if (popup->BuiltIn() && popup->Id() == kFileMenuId) {
        menu->addSeparator();
        menu->addAction(exit_);
    }
    if (popup->BuiltIn() && popup->Id() == kWindowMenuId)
        addWindowItems(menu);
    if (popup->BuiltIn() && popup->Id() == kToolsMenuId && hostWindow_)
        addToolsItems(menu);
    return menu;
}

void MainWindow::fillMenu(QMenu* menu, const std::shared_ptr<excel::CommandBarControl>& popup) {
    excel::CommandBarControls controls = popup->Controls();
    for (int c = 1; c <= controls.Count(); ++c) {
        const auto control = controls.Item(c);
        if (!control->Visible())
            continue;
        if (control->BeginGroup() && !menu->isEmpty())
            menu->addSeparator();
        if (control->Type() == excel::msoControlPopup) {
            menu->addMenu(buildMenu(control));
            continue;
        }
        QAction* action = menu->addAction(FaceIcon(control->FaceId()), control->Caption());
        action->setToolTip(control->TooltipText());
        action->setEnabled(control->Enabled());
        std::weak_ptr<excel::CommandBarControl> weak = control;
        connect(action, &QAction::triggered, this, [this, weak] { click(weak); });
    }
}

QToolBar* MainWindow::buildToolBar(const std::shared_ptr<excel::CommandBar>& bar) {
    auto* toolbar = new QToolBar(bar->Name(), this);
    toolbar->setObjectName(bar->Name());
    toolbar->setEnabled(bar->Enabled());
    toolbar->setMovable(false);
    drawn_.push_back(toolbar);
    excel::CommandBarControls controls = bar->Controls();
    for (int c = 1; c <= controls.Count(); ++c) {
        const auto control = controls.Item(c);
        if (!control->Visible())
            continue;
        if (control->BeginGroup() && c > 1)
            toolbar->addSeparator();
        auto* button = new QToolButton(toolbar);
        button->setAutoRaise(true);
        button->setText(control->Caption());
        button->setEnabled(control->Enabled());
        const QString tooltip = control->TooltipText();
        button->setToolTip(tooltip.isEmpty() ? plainCaption(control->Caption()) : tooltip);
        if (control->Type() == excel::msoControlPopup) {
            button->setMenu(buildMenu(control));
            button->setPopupMode(QToolButton::InstantPopup);
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        } else {
            const QIcon icon = FaceIcon(control->FaceId());
            button->setIcon(icon);
            Qt::ToolButtonStyle style = Qt::ToolButtonTextOnly;
            switch (control->Style()) {
            case excel::msoButtonIconAndCaption:
                style = icon.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonTextBesideIcon;
                break;
            case excel::msoButtonCaption: style = Qt::ToolButtonTextOnly; break;
            default:
                // Icon only, or automatic (an icon when the face has one); a
                // face we have no art for shows its caption instead of a blank.
                style = icon.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly;
                break;
            }
            button->setToolButtonStyle(style);
            std::weak_ptr<excel::CommandBarControl> weak = control;
            connect(button, &QToolButton::clicked, this, [this, weak] { click(weak); });
        }
        toolbar->addWidget(button);
    }
    return toolbar;
}

void MainWindow::addFileItems(QMenu* menu) {
    QAction* fresh = menu->addAction(QStringLiteral("&Yeni"));
    fresh->setShortcut(QKeySequence::New);
    connect(fresh, &QAction::triggered, this, [this] { newWorkbook(); });
    QAction* open = menu->addAction(QStringLiteral("&Aç..."));
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, [this] { openWorkbook(); });
    QAction* save = menu->addAction(QStringLiteral("&Kaydet"));
    save->setShortcut(QKeySequence::Save);
    connect(save, &QAction::triggered, this, [this] { saveWorkbook(); });
    connect(menu->addAction(QStringLiteral("&Farklı Kaydet...")), &QAction::triggered, this, [this] { saveWorkbookAs(); });
    menu->addSeparator();
}

void MainWindow::addWindowItems(QMenu* menu) {
    // Filled when opened: the open workbooks change without the bars changing.
    connect(menu, &QMenu::aboutToShow, menu, [this, menu] {
        for (QAction* a : menu->actions())
            if (a->property("qmWorkbook").isValid())
                delete a;
        excel::Workbooks books = app_->Workbooks();
        const auto active = app_->ActiveWorkbook();
        for (int i = 1; i <= books.Count(); ++i) {
            const auto book = books.Item(i);
            QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(i).arg(book->Name()));
            a->setProperty("qmWorkbook", i);
            a->setCheckable(true);
            a->setChecked(book == active);
            std::weak_ptr<excel::Workbook> weak = book;
            connect(a, &QAction::triggered, this, [weak] {
                if (auto b = weak.lock(); b && !b->isClosed())
                    b->Activate();
            });
        }
    });
}

void MainWindow::addToolsItems(QMenu* menu) {
    QMenu* addins = menu->addMenu(QStringLiteral("&Eklentiler"));
    connect(addins, &QMenu::aboutToShow, addins, [this, addins] {
        addins->clear();
        const auto entries = host_.addinEntries();
        if (entries.empty())
            addins->addAction(QStringLiteral("(kayıtlı eklenti yok)"))->setEnabled(false);
        for (const auto& e : entries) {
            QAction* a = addins->addAction(e.name);
            a->setToolTip(e.path);
            a->setCheckable(true);
            a->setChecked(e.connected);
            const QString path = e.path;
            connect(a, &QAction::toggled, this, [this, path](bool on) {
                QTimer::singleShot(0, this, [this, path, on] { host_.setAddinConnected(path, on); });
            });
        }
    });
}

void MainWindow::click(const std::weak_ptr<excel::CommandBarControl>& weak) {
    // Run from the event loop, not from inside the menu or button that was
    // clicked: the handler may change the bars, and so delete both.
    QTimer::singleShot(0, this, [this, weak] {
        const auto control = weak.lock();
        if (!control || control->isDeleted())
            return;
        QString error;
        if (!host_.execute(control, &error) && !host_.automation())
            failed(plainCaption(control->Caption()), error);
    });
}

// ---- workbook, sheet and grid

void MainWindow::scheduleWorkbook() {
    later(workbookPending_, &MainWindow::showActiveWorkbook);
}

void MainWindow::showActiveWorkbook() {
    syncing_ = true;
    const auto book = app_->ActiveWorkbook();
    setWindowTitle(book ? app_->Name() + QStringLiteral(" - ") + book->Name() : app_->Name());
    while (tabs_->count() > 0)
        tabs_->removeTab(0);
    std::shared_ptr<excel::Worksheet> sheet;
    if (book) {
        excel::Sheets sheets = book->Sheets();
        for (int i = 1; i <= sheets.Count(); ++i)
            tabs_->addTab(sheets.Item(i)->Name());
        sheet = book->ActiveSheet();
        if (sheet)
            tabs_->setCurrentIndex(sheet->Index() - 1);
    }
    tabs_->setVisible(book != nullptr);
    if (sheet != model_->sheet()) {
        // The header keeps its sizes across a reset of the model.
        const int standard = RowPixels(excel::kStandardHeight);
        sizing_ = true;
        for (int r : tallRows_)
            grid_->setRowHeight(r - 1, standard);
        sizing_ = false;
        tallRows_.clear();
        model_->setSheet(sheet);
        applySizes(1, model_->columnCount(), 1, sheet ? sheet->data().rowCount() : 0);
    }
    syncing_ = false;
    selectionFromModel();
    showCurrentCell();
    // The arrow keys move the selection of a workbook just opened at once;
    // with an add-in's window in front, once the host's window is active
    // again.
    if (focusGridPending_ && book) {
        focusGridPending_ = false;
        grid_->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::sizedByPerson(Qt::Orientation orientation, int section, int pixels) {
    const auto& sheet = model_->sheet();
    if (sizing_ || !sheet || sheet->isDeleted())
        return;
    Guarded(QStringLiteral("sizing a column or a row"), [&] {
        if (orientation == Qt::Horizontal)
            sheet->Columns(section + 1).setColumnWidth(std::min(ColumnCharacters(pixels), 255.0));
        else
            sheet->Rows(section + 1).setRowHeight(std::min(RowPoints(pixels), 409.5));
    });
}

void MainWindow::applySizes(int firstColumn, int lastColumn, int firstRow, int lastRow) {
    const auto& sheet = model_->sheet();
    if (!sheet || sheet->isDeleted())
        return;
    sizing_ = true;
    const auto done = qScopeGuard([this] { sizing_ = false; });
    lastColumn = std::min(lastColumn, model_->columnCount());
    for (int c = std::max(firstColumn, 1); c <= lastColumn; ++c)
        grid_->setColumnWidth(c - 1, ColumnPixels(sheet->columnWidth(c)));
    // Only rows holding cells can have a height of their own. The view is
    // not asked for heights: with many rows each question costs a walk of
    // its header.
    lastRow = std::min(lastRow, std::min(sheet->data().rowCount(), model_->rowCount()));
    const int standard = RowPixels(excel::kStandardHeight);
    for (int r = std::max(firstRow, 1); r <= lastRow; ++r) {
        const int pixels = RowPixels(sheet->rowHeight(r));
        if (pixels != standard) {
            grid_->setRowHeight(r - 1, pixels);
            tallRows_.insert(r);
        } else if (tallRows_.erase(r)) {
            grid_->setRowHeight(r - 1, standard);
        }
    }
}

void MainWindow::selectionFromModel() {
    if (syncing_)
        return;
    const auto sheet = model_->sheet();
    if (!sheet || app_->ActiveSheet() != sheet || app_->SelectionTypeName() != u"Range")
        return;
    std::vector<excel::Area> areas;
    Guarded(QStringLiteral("reading the selection"), [&] { areas = app_->Selection().areaList(); });
    if (areas.empty())
        return;
    const int rows = model_->rowCount(), columns = model_->columnCount();
    QItemSelection selection;
    for (const excel::Area& a : areas) {
        if (a.row > rows || a.column > columns)
            continue;
        selection.select(model_->index(a.row - 1, a.column - 1),
                         model_->index(std::min(a.lastRow(), rows) - 1, std::min(a.lastColumn(), columns) - 1));
    }
    syncing_ = true;
    QItemSelectionModel* sm = grid_->selectionModel();
    const excel::Area& first = areas.front();
    if (first.row <= rows && first.column <= columns)
        sm->setCurrentIndex(model_->index(first.row - 1, first.column - 1), QItemSelectionModel::NoUpdate);
    sm->select(selection, QItemSelectionModel::ClearAndSelect);
    syncing_ = false;
    showCurrentCell();
}

void MainWindow::selectionFromView() {
    if (syncing_)
        return;
    const auto sheet = model_->sheet();
    if (!sheet || sheet->isDeleted())
        return;
    std::vector<excel::Area> areas;
    for (const QItemSelectionRange& r : grid_->selectionModel()->selection())
        areas.push_back({r.top() + 1, r.left() + 1, r.height(), r.width()});
    if (areas.empty()) {
        const QModelIndex current = grid_->currentIndex();
        if (!current.isValid())
            return;
        areas.push_back({current.row() + 1, current.column() + 1, 1, 1});
    }
    syncing_ = true;
    Guarded(QStringLiteral("selecting cells"), [&] { excel::Range(sheet, areas).Select(); });
    syncing_ = false;
}

void MainWindow::showCurrentCell() {
    const QModelIndex current = grid_->currentIndex();
    if (!current.isValid() || !model_->sheet()) {
        nameBox_->clear();
        formula_->clear();
        return;
    }
    nameBox_->setText(excel::ColumnLetters(current.column() + 1) + QString::number(current.row() + 1));
    if (!formula_->hasFocus())
        formula_->setText(model_->data(current, Qt::EditRole).toString());
}

void MainWindow::commitFormula() {
    const QModelIndex current = grid_->currentIndex();
    if (current.isValid())
        model_->setData(current, formula_->text(), Qt::EditRole);
    formula_->setModified(false);
    grid_->setFocus();
}

void MainWindow::commitEdit() {
    if (!grid_->commitEdit() && formula_->isModified())
        commitFormula();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    // Esc in the formula bar or the name box leaves things as they were.
    if ((watched == formula_ || watched == nameBox_) && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        formula_->setModified(false);
        grid_->setFocus();
        showCurrentCell();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::goToNamed() {
    const QString address = nameBox_->text().trimmed();
    const auto sheet = app_->ActiveSheet();
    bool selected = false;
    if (sheet && !address.isEmpty())
        selected = Guarded(QStringLiteral("going to %1").arg(address), [&] {
            sheet->Range(address).Select();
        });
    if (!selected)
        QApplication::beep();
    grid_->setFocus();
    showCurrentCell();
}

// ---- size and place

namespace {

// The size a window opens at where the screen has room for it.
constexpr QSize kOpeningSize(1000, 700);
// Room kept for a window manager's frame, which is not known before the
// window is shown: a title bar and thin borders.
constexpr QMargins kFrameRoom(4, 30, 4, 4);
// After the window is shown, its frame is looked for this often, this many
// times at most.
constexpr int kFrameLookInterval = 20;
constexpr int kFrameLooks = 150;

QString placeFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quillmere/sheet-host.ini");
}

QRect freeArea(const QWidget* w) {
    const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(QPoint(), kOpeningSize);
}

} // namespace

void MainWindow::fitScreen() {
    const QRect area = freeArea(this).marginsRemoved(kFrameRoom);
    if (area.width() >= kOpeningSize.width() && area.height() >= kOpeningSize.height()) {
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, kOpeningSize, area));
        return;
    }
    // A small screen: all of its free area, as a spreadsheet opens there.
    setGeometry(area);
    setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::placeOnScreen() {
    QSettings settings(placeFile(), QSettings::IniFormat);
    const QByteArray saved = settings.value(QStringLiteral("window/geometry")).toByteArray();
    // The constructor fitted the window already; bad data leaves that.
    if (!saved.isEmpty())
        restoreGeometry(saved);
}

void MainWindow::rememberPlace() const {
    QSettings settings(placeFile(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
}

void MainWindow::keepInside() {
    // Framed by a window manager, the window with its frame stays inside
    // the free area, its title bar within reach.
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull() && ++frameLooks_ < kFrameLooks)
        return;
    frameWatch_->stop();
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))
        return;
    const QRect area = freeArea(this);
    QRect outer = geometry().marginsAdded(frame);
    if (area.contains(outer))
        return;
    outer.setSize(outer.size().boundedTo(area.size()));
    outer.moveLeft(std::clamp(outer.left(), area.left(), area.right() - outer.width() + 1));
    outer.moveTop(std::clamp(outer.top(), area.top(), area.bottom() - outer.height() + 1));
    setGeometry(outer.marginsRemoved(frame));
}

void MainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!frameWatch_) {
        frameWatch_ = new QTimer(this);
        frameWatch_->setInterval(kFrameLookInterval);
        connect(frameWatch_, &QTimer::timeout, this, [this] { keepInside(); });
    }
    frameLooks_ = 0;
    frameWatch_->start();
}

// ---- File items

void MainWindow::failed(const QString& what, const QString& error) {
    Report(QStringLiteral("%1: %2").arg(what, error));
    if (!host_.automation())
        QMessageBox::warning(this, app_->Name(), QStringLiteral("%1\n\n%2").arg(what, error));
}

void MainWindow::newWorkbook() {
    QString error;
    if (!Guarded(QStringLiteral("a new workbook"), [&] { app_->Workbooks().Add(); }, &error))
        failed(QStringLiteral("Yeni çalışma kitabı açılamadı."), error);
}

void MainWindow::openWorkbook() {
    const std::unique_ptr<QFileDialog> dialog(forms::NewFileDialog(
        this, QStringLiteral("Aç"), QString(),
        {QStringLiteral("Çalışma kitapları (*.xls *.xlsx *.csv)"), QStringLiteral("Tüm dosyalar (*)")}));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    const QString path = dialog->selectedFiles().constFirst();
    QString error;
    if (!Guarded(QStringLiteral("opening %1").arg(path), [&] { app_->Workbooks().Open(path); }, &error))
        failed(QStringLiteral("'%1' açılamadı.").arg(path), error);
}

bool MainWindow::saveWorkbook() {
    commitEdit();
    const auto book = app_->ActiveWorkbook();
    if (!book)
        return false;
    if (book->Path().isEmpty())
        return saveWorkbookAs();
    if (!ConfirmLosses(*book, book->FullName(), excel::FormatForFileName(book->FullName())))
        return false;
    QString error;
    if (!Guarded(QStringLiteral("saving %1").arg(book->Name()), [&] { book->Save(); }, &error)) {
        failed(QStringLiteral("'%1' kaydedilemedi.").arg(book->Name()), error);
        return false;
    }
    return true;
}

bool MainWindow::saveWorkbookAs() {
    commitEdit();
    const auto book = app_->ActiveWorkbook();
    if (!book)
        return false;
    forms::SaveDialogRequest request;
    request.title = QStringLiteral("Farklı Kaydet");
    request.filter = QStringLiteral(
        "Excel 97-2003 çalışma kitabı|*.xls|Excel çalışma kitabı|*.xlsx|CSV (virgülle ayrılmış)|*.csv");
    request.fileName = book->FullName();
    request.defaultExt = QStringLiteral("xls");
    // The type the workbook has, first.
    switch (excel::FormatForFileName(book->FullName())) {
    case excel::FileFormat::Xlsx: request.filterIndex = 2; break;
    case excel::FileFormat::Csv: request.filterIndex = 3; break;
    default: request.filterIndex = 1; break;
    }
    const auto path = forms::SaveDialogs().askSave(this, request);
    if (!path)
        return false;
    if (!ConfirmLosses(*book, *path, excel::FormatForFileName(*path)))
        return false;
    QString error;
    if (!Guarded(QStringLiteral("saving %1").arg(*path), [&] { book->SaveAs(*path); }, &error)) {
        failed(QStringLiteral("'%1' kaydedilemedi.").arg(*path), error);
        return false;
    }
    return true;
}

bool MainWindow::confirmClose() {
    commitEdit();
    excel::Workbooks books = app_->Workbooks();
    // The list changes as the question goes: an answer may close a book.
    std::vector<std::weak_ptr<excel::Workbook>> changed;
    for (int i = 1; i <= books.Count(); ++i)
        if (!books.Item(i)->Saved())
            changed.push_back(books.Item(i));
    for (const auto& weak : changed) {
        const auto book = weak.lock();
        if (!book || book->isClosed() || book->Saved())
            continue;
        // The workbook asked about is the one in sight.
        book->Activate();
        showActiveWorkbook();
        const int answer = vb::MsgBox(
            QStringLiteral("'%1' dosyasında yaptığınız değişiklikleri kaydetmek istiyor musunuz?").arg(book->Name()),
            vb::vbYesNoCancel | vb::vbExclamation, app_->Name());
        if (answer == vb::vbCancel)
            return false;
        if (answer == vb::vbYes && !saveWorkbook())
            return false;
    }
    return true;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    // The host's own end closes every window without asking again.
    if (host_.closing()) {
        e->accept();
        return;
    }
    e->ignore();
    if (hostWindow_) {
        host_.requestQuit();
        return;
    }
    // Closing an instance's window quits that instance, once its changed
    // workbooks were offered for saving: the host and its other windows stay.
    QTimer::singleShot(0, this, [this] {
        if (host_.closing() || !confirmClose())
            return;
        Guarded(QStringLiteral("quitting an instance"), [&] { app_->Quit(); });
    });
}

} // namespace host
