#include "host/mainwindow.h"

#include "host/host.h"
#include "host/icons.h"
#include "host/saving.h"
#include "host/sheetmodel.h"
#include "platform/excel/application.h"
#include "platform/forms/services.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QStatusBar>
#include <QStyledItemDelegate>
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

// Texts run on over the empty cells to their right, as in Excel, instead of
// being cut at their own cell's edge.
class OverflowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const int alignment = index.data(Qt::TextAlignmentRole).toInt();
        const bool leftText = !opt.text.isEmpty() && (alignment & Qt::AlignLeft);
        const QFontMetrics metrics(opt.font);
        const int margin = 3;
        if (!leftText || metrics.horizontalAdvance(opt.text) + 2 * margin <= opt.rect.width()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const auto* view = qobject_cast<const QTableView*>(parent());
        QRect textRect = opt.rect;
        const int wanted = metrics.horizontalAdvance(opt.text) + 2 * margin;
        const QAbstractItemModel* model = index.model();
        for (int c = index.column() + 1; view && c < model->columnCount() && textRect.width() < wanted; ++c) {
            if (model->data(model->index(index.row(), c), Qt::DisplayRole).isValid())
                break;
            textRect.setRight(textRect.right() + view->columnWidth(c));
        }
        const QString text = opt.text;
        opt.text.clear();
        QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        painter->save();
        painter->setFont(opt.font);
        const bool selected = opt.state & QStyle::State_Selected;
        const QVariant foreground = index.data(Qt::ForegroundRole);
        painter->setPen(foreground.isValid() ? foreground.value<QBrush>().color()
                                             : opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setClipRect(textRect);
        painter->drawText(textRect.adjusted(margin, 0, -margin, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
        painter->restore();
    }
};

// Turns the Delete key into clearing the selected cells, as Excel does.
class ClearKey : public QObject {
public:
    explicit ClearKey(std::function<void()> clear, QObject* parent) : QObject(parent), clear_(std::move(clear)) {}
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
            clear_();
            return true;
        }
        return QObject::eventFilter(o, e);
    }

private:
    std::function<void()> clear_;
};

} // namespace

MainWindow::MainWindow(Host& host, std::shared_ptr<excel::Application> app, bool hostWindow)
    : host_(host), app_(std::move(app)), hostWindow_(hostWindow) {
    setObjectName(hostWindow ? QStringLiteral("sheetHost") : QStringLiteral("sheetHostInstance"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(1000, 700);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* formulaBar = new QWidget(central);
    auto* formulaLayout = new QHBoxLayout(formulaBar);
    formulaLayout->setContentsMargins(2, 2, 2, 2);
    nameBox_ = new QLabel(formulaBar);
    nameBox_->setObjectName(QStringLiteral("nameBox"));
    nameBox_->setMinimumWidth(80);
    nameBox_->setFrameShape(QFrame::StyledPanel);
    formula_ = new QLineEdit(formulaBar);
    formula_->setObjectName(QStringLiteral("formulaBar"));
    formulaLayout->addWidget(nameBox_);
    formulaLayout->addWidget(formula_, 1);
    layout->addWidget(formulaBar);

    model_ = new SheetModel(this);
    grid_ = new QTableView(central);
    grid_->setObjectName(QStringLiteral("sheetGrid"));
    grid_->setModel(model_);
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    grid_->horizontalHeader()->setDefaultSectionSize(ColumnPixels(excel::kStandardWidth));
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid_->verticalHeader()->setDefaultSectionSize(RowPixels(excel::kStandardHeight));
    grid_->verticalHeader()->setMinimumSectionSize(1);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid_->setWordWrap(false);
    grid_->setItemDelegate(new OverflowDelegate(grid_));
    grid_->installEventFilter(new ClearKey(
        [this] {
            Guarded(QStringLiteral("clearing cells"), [&] {
                if (app_->ActiveSheet() && app_->SelectionTypeName() == u"Range")
                    app_->Selection().ClearContents();
            });
        },
        this));
    layout->addWidget(grid_, 1);

    tabs_ = new QTabBar(central);
    tabs_->setObjectName(QStringLiteral("sheetTabs"));
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setExpanding(false);
    tabs_->setDrawBase(false);
    layout->addWidget(tabs_, 0, Qt::AlignLeft);
    setCentralWidget(central);
    statusBar()->showMessage(QStringLiteral("Hazır"));

    connect(grid_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { selectionFromView(); });
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { showCurrentCell(); });
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] { showCurrentCell(); });
    connect(formula_, &QLineEdit::returnPressed, this, [this] { commitFormula(); });
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
        QAction* exit = menu->addAction(hostWindow_ ? QStringLiteral("Ç&ıkış") : QStringLiteral("Ka&pat"));
        connect(exit, &QAction::triggered, this, [this] { close(); });
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
    connect(menu->addAction(QStringLiteral("&Yeni")), &QAction::triggered, this, [this] { newWorkbook(); });
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
        for (int r : tallRows_)
            grid_->setRowHeight(r - 1, standard);
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

void MainWindow::applySizes(int firstColumn, int lastColumn, int firstRow, int lastRow) {
    const auto& sheet = model_->sheet();
    if (!sheet || sheet->isDeleted())
        return;
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
    grid_->setFocus();
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
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Aç"), QString(),
        QStringLiteral("Çalışma kitapları (*.xls *.xlsx *.csv);;Tüm dosyalar (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!Guarded(QStringLiteral("opening %1").arg(path), [&] { app_->Workbooks().Open(path); }, &error))
        failed(QStringLiteral("'%1' açılamadı.").arg(path), error);
}

bool MainWindow::saveWorkbook() {
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
    const auto book = app_->ActiveWorkbook();
    if (!book)
        return false;
    forms::SaveDialogRequest request;
    request.title = QStringLiteral("Farklı Kaydet");
    request.filter = QStringLiteral(
        "Excel 97-2003 çalışma kitabı|*.xls|Excel çalışma kitabı|*.xlsx|CSV (virgülle ayrılmış)|*.csv");
    request.fileName = book->FullName();
    request.defaultExt = QStringLiteral("xls");
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
    if (host_.automation())
        return true;
    excel::Workbooks books = app_->Workbooks();
    for (int i = 1; i <= books.Count(); ++i) {
        const auto book = books.Item(i);
        if (book->Saved())
            continue;
        const auto answer = QMessageBox::question(
            this, app_->Name(),
            QStringLiteral("'%1' dosyasında yaptığınız değişiklikleri kaydetmek istiyor musunuz?").arg(book->Name()),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel)
            return false;
        if (answer == QMessageBox::Yes) {
            book->Activate();
            if (!saveWorkbook())
                return false;
        }
    }
    return true;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    e->ignore();
    if (hostWindow_) {
        host_.requestQuit();
        return;
    }
    // Closing an instance's window quits that instance.
    Guarded(QStringLiteral("quitting an instance"), [&] { app_->Quit(); });
}

} // namespace host
