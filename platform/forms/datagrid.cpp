#include "platform/forms/datagrid.h"

#include "platform/forms/form.h"
#include "platform/vb/error.h"

#include <QAbstractTableModel>
#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

namespace forms {

// ---- Adodc ----

Adodc::Adodc(QWidget* parent, const QString& name) : QWidget(parent) {
    setObjectName(name);
    hide();
}

Adodc::~Adodc() = default;

void Adodc::Refresh() {
    if (recordSource_.isEmpty())
        vb::Raise(-2147217908, QStringLiteral("Command text was not set for the command object."));
    ado::ConnectionPtr connection = connection_;
    if (!connection || connection->State() != ado::adStateOpen || connection->ConnectionString() != connectionString_) {
        connection = std::make_shared<ado::Connection>();
        connection->Open(connectionString_);
    }
    auto rs = std::make_shared<ado::Recordset>();
    rs->Open(recordSource_, connection, ado::adOpenStatic, lockType_,
             commandType_ == ado::adCmdTable ? ado::adCmdTable : ado::adCmdText);
    connection_ = std::move(connection);
    setRecordset(std::move(rs));
}

void Adodc::setRecordset(ado::RecordsetPtr recordset) {
    recordset_ = std::move(recordset);
    auto snapshot = listeners_;
    for (const auto& [id, listener] : snapshot)
        listener();
}

int Adodc::Subscribe(std::function<void()> listener) {
    listeners_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

void Adodc::Unsubscribe(int id) {
    listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(), [id](const auto& l) { return l.first == id; }),
                     listeners_.end());
}

// ---- the grid's model ----

// Counts are cached: the recordset has already changed when it tells, and
// the view must be told the old and the new count.
class GridModel : public QAbstractTableModel {
public:
    explicit GridModel(DataGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : columns_; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !open())
            return {};
        try {
            vb::Variant v = grid_->recordset_->ValueAt(index.row(), index.column());
            return v.isNull() ? QString() : vb::CStr(v);
        } catch (const vb::Error&) {
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
            && section < int(grid_->columns_.size()))
            return grid_->columns_[std::size_t(section)].caption;
        return {};
    }

    void reload() {
        beginResetModel();
        rows_ = open() ? int(grid_->recordset_->RecordCount()) : 0;
        columns_ = open() ? grid_->recordset_->Fields().Count() : 0;
        endResetModel();
    }

    void grow() {
        int n = open() ? int(grid_->recordset_->RecordCount()) : 0;
        if (n <= rows_)
            return reload();
        beginInsertRows({}, rows_, n - 1);
        rows_ = n;
        endInsertRows();
    }

    void refreshValues() {
        if (rows_ > 0 && columns_ > 0)
            Q_EMIT dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
    }

    void refreshHeader(int section) { Q_EMIT headerDataChanged(Qt::Horizontal, section, section); }

private:
    bool open() const { return grid_->recordset_ && grid_->recordset_->State() == ado::adStateOpen; }

    DataGrid* grid_;
    int rows_ = 0;
    int columns_ = 0;
};

// ---- DataGrid ----

DataGrid::DataGrid(QWidget* parent, const QString& name) : QWidget(parent) {
    setObjectName(name);
    setProperty("qmKind", QStringLiteral("grid"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    caption_ = new QLabel(this);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->hide();
    view_ = new QTableView(this);
    model_ = new GridModel(this);
    view_->setModel(model_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSortingEnabled(false);
    view_->horizontalHeader()->setSectionsClickable(true);
    growth_ = new QTimer(this);
    growth_->setSingleShot(true);
    connect(growth_, &QTimer::timeout, this, [this] { grow(); });
    layout->addWidget(caption_);
    layout->addWidget(view_);
    fitRowsToFont();

    // The user widens a column by dragging its header's edge; the width is
    // kept as if code had set it, through the list's later changes.
    view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    connect(view_->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (headerHeld_ && column >= 0 && column < int(columns_.size()))
            columns_[std::size_t(column)].widthTwips = ToTwips(size);
    });
    view_->viewport()->installEventFilter(this);
    view_->horizontalHeader()->viewport()->installEventFilter(this);
    connect(view_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        Form::RunEvent([this, column] {
            if (HeadClick)
                HeadClick(column);
        });
    });
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (syncing_ || !current.isValid() || !recordset_ || recordset_->State() != ado::adStateOpen)
                    return;
                long position = current.row() + 1;
                if (recordset_->AbsolutePosition() != position)
                    Form::RunEvent([this, position] { recordset_->setAbsolutePosition(position); });
            });
}

// Rows as high as their text with a little air, as the windows' grids were
// designed with; the style's default is about twice that.
void DataGrid::fitRowsToFont() {
    QHeaderView* rows = view_->verticalHeader();
    const int height = view_->fontMetrics().height() + 3;
    rows->setMinimumSectionSize(height);
    rows->setDefaultSectionSize(height);
}

void DataGrid::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        fitRowsToFont();
}

DataGrid::~DataGrid() {
    releaseControl();
    if (recordset_)
        recordset_->Unsubscribe(recordsetListener_);
}

void DataGrid::releaseControl() {
    if (control_)
        control_->Unsubscribe(controlListener_);
    control_ = nullptr;
    controlListener_ = 0;
}

void DataGrid::setDataSource(Adodc* control) {
    releaseControl();
    if (control) {
        control_ = control;
        controlListener_ = control->Subscribe([this] { bind(control_->Recordset()); });
    }
    bind(control ? control->Recordset() : nullptr);
}

void DataGrid::setDataSource(const ado::RecordsetPtr& recordset) {
    releaseControl();
    bind(recordset);
}

void DataGrid::setDataSource(std::nullptr_t) {
    releaseControl();
    bind(nullptr);
}

void DataGrid::bind(const ado::RecordsetPtr& recordset) {
    growth_->stop();
    selectWithGrowth_ = refreshWithGrowth_ = false;
    if (recordset_)
        recordset_->Unsubscribe(recordsetListener_);
    recordset_ = recordset;
    recordsetListener_ = recordset_ ? recordset_->Subscribe([this](ado::Change c) { onChange(c); }) : 0;
    resetColumns();
    model_->reload();
    applyColumns();
    showCurrentRecord();
}

void DataGrid::onChange(ado::Change change) {
    switch (change) {
    case ado::Change::RowAdded:
        scheduleGrowth();
        break;
    case ado::Change::ValueChanged:
        // Rows the view has not heard of yet come with their values.
        if (growth_->isActive())
            refreshWithGrowth_ = true;
        else
            model_->refreshValues();
        break;
    case ado::Change::Moved:
        // A walk moves many times before the screen is drawn again; the
        // selection follows once the loop gives the event loop a turn.
        if (growth_->isActive()) {
            selectWithGrowth_ = true;
        } else if (!syncPending_) {
            syncPending_ = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    syncPending_ = false;
                    // Rows the view has not heard of yet: it selects with them.
                    if (growth_->isActive())
                        selectWithGrowth_ = true;
                    else
                        showCurrentRecord();
                },
                Qt::QueuedConnection);
        }
        break;
    case ado::Change::Reset:
        if (recordset_->Fields().Count() != int(columns_.size()))
            resetColumns();
        [[fallthrough]];
    case ado::Change::RowDeleted:
    case ado::Change::Closed:
        growth_->stop();
        selectWithGrowth_ = refreshWithGrowth_ = false;
        model_->reload();
        applyColumns();
        showCurrentRecord();
        break;
    }
}

void DataGrid::resetColumns() {
    columns_.clear();
    if (!recordset_ || recordset_->State() != ado::adStateOpen)
        return;
    ado::Fields fields = recordset_->Fields();
    for (int i = 0; i < fields.Count(); ++i)
        columns_.push_back(ColumnState{fields.Item(i).Name()});
}

void DataGrid::applyColumns() {
    for (int i = 0; i < model_->columnCount() && i < int(columns_.size()); ++i) {
        const ColumnState& c = columns_[std::size_t(i)];
        if (c.widthTwips >= 0)
            view_->setColumnWidth(i, ToPixels(c.widthTwips));
        view_->setColumnHidden(i, !c.visible);
    }
}

bool DataGrid::eventFilter(QObject* o, QEvent* e) {
    if (o == view_->horizontalHeader()->viewport()) {
        // Sizes change under the user's hand only while the header is held.
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick)
            headerHeld_ = true;
        else if (e->type() == QEvent::MouseButtonRelease)
            headerHeld_ = false;
        return false;
    }
    if (o != view_->viewport() || e->type() != QEvent::ToolTip)
        return QWidget::eventFilter(o, e);
    // A cell too narrow for its text shows it cut, with "…": the whole text
    // is its tooltip.
    auto* help = static_cast<QHelpEvent*>(e);
    const QModelIndex at = view_->indexAt(help->pos());
    const QString text = at.isValid() ? model_->data(at, Qt::DisplayRole).toString() : QString();
    const QRect cell = view_->visualRect(at);
    const int margin = view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view_) + 1;
    if (!text.isEmpty() && view_->fontMetrics().horizontalAdvance(text) > cell.width() - 2 * margin)
        QToolTip::showText(help->globalPos(), text, view_->viewport(), cell);
    else
        QToolTip::hideText();
    return true;
}

// A report fills its grid one row at a time, yielding to the event loop after
// each, and every insertion the view hears of costs it work over all the rows
// it has: told of each row, a grid of 100,000 rows takes half a minute to
// fill. The view is told at most once per paint interval, of every row added
// meanwhile; whoever asks the grid itself gets the rows at once.
void DataGrid::scheduleGrowth() {
    constexpr int kInterval = 16;
    if (growth_->isActive())
        return;
    if (!lastGrowth_.isValid() || lastGrowth_.elapsed() >= kInterval)
        return grow();
    growth_->start(int(kInterval - lastGrowth_.elapsed()));
}

void DataGrid::grow() {
    growth_->stop();
    lastGrowth_.start();
    model_->grow();
    if (refreshWithGrowth_) {
        refreshWithGrowth_ = false;
        model_->refreshValues();
    }
    if (selectWithGrowth_) {
        selectWithGrowth_ = false;
        showCurrentRecord();
    }
}

void DataGrid::flushGrowth() const {
    if (growth_->isActive())
        const_cast<DataGrid*>(this)->grow();
}

void DataGrid::showCurrentRecord() {
    syncing_ = true;
    long position = recordset_ && recordset_->State() == ado::adStateOpen ? recordset_->AbsolutePosition() : -1;
    QItemSelectionModel* selection = view_->selectionModel();
    if (position > 0 && position <= model_->rowCount()) {
        QModelIndex at = model_->index(int(position - 1), std::max(0, view_->currentIndex().column()));
        selection->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        selection->clear();
    }
    syncing_ = false;
}

QString DataGrid::Caption() const { return caption_->text(); }

void DataGrid::setCaption(const QString& caption) {
    caption_->setText(caption);
    caption_->setVisible(!caption.isEmpty());
}

DataGrid::Column DataGrid::Columns(int index) {
    if (index < 0 || index >= ColumnCount())
        vb::Raise(vb::errSubscript);
    return Column(this, index);
}

// A closed recordset shows no columns; the layout is kept for its reopening.
int DataGrid::ColumnCount() const { return std::min(model_->columnCount(), int(columns_.size())); }

int DataGrid::RowCount() const {
    flushGrowth();
    return model_->rowCount();
}

int DataGrid::Row() const {
    flushGrowth();
    long position = recordset_ && recordset_->State() == ado::adStateOpen ? recordset_->AbsolutePosition() : -1;
    return position > 0 && position <= model_->rowCount() ? int(position - 1) : -1;
}

void DataGrid::setRow(int row) {
    flushGrowth();
    if (!recordset_ || row < 0 || row >= model_->rowCount())
        vb::Raise(vb::errInvalidProperty);
    recordset_->setAbsolutePosition(row + 1);
}

QString DataGrid::CellText(int row, int column) const {
    flushGrowth();
    return model_->data(model_->index(row, column), Qt::DisplayRole).toString();
}

QString DataGrid::Column::Caption() const { return grid_->columns_[std::size_t(index_)].caption; }

void DataGrid::Column::setCaption(const QString& caption) const {
    grid_->columns_[std::size_t(index_)].caption = caption;
    grid_->model_->refreshHeader(index_);
}

QString DataGrid::Column::DataField() const {
    if (grid_->recordset_ && grid_->recordset_->State() == ado::adStateOpen)
        return grid_->recordset_->Fields(index_).Name();
    return QString();
}

int DataGrid::Column::Width() const {
    const ColumnState& c = grid_->columns_[std::size_t(index_)];
    if (c.widthTwips >= 0)
        return c.widthTwips;
    return ToTwips(c.visible ? grid_->view_->columnWidth(index_) : grid_->view_->horizontalHeader()->defaultSectionSize());
}

void DataGrid::Column::setWidth(int twips) const {
    if (twips < 0)
        vb::Raise(vb::errInvalidProperty);
    grid_->columns_[std::size_t(index_)].widthTwips = twips;
    grid_->view_->setColumnWidth(index_, ToPixels(twips));
}

bool DataGrid::Column::Visible() const { return grid_->columns_[std::size_t(index_)].visible; }

void DataGrid::Column::setVisible(bool visible) const {
    grid_->columns_[std::size_t(index_)].visible = visible;
    grid_->view_->setColumnHidden(index_, !visible);
}

} // namespace forms
