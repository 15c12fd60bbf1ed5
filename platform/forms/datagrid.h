#pragma once

#include "platform/ado/ado.h"
#include "platform/vb/export.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QLabel;
class QTableView;
class QTimer;

namespace forms {

class GridModel;

// The ADO data control, hidden: it opens its record source through its
// connection string and holds the recordset that grids bound to it show.
class QM_EXPORT Adodc : public QWidget {
public:
    Adodc(QWidget* parent, const QString& name);
    ~Adodc() override;

    QString ConnectionString() const { return connectionString_; }
    void setConnectionString(const QString& text) { connectionString_ = text; }
    QString RecordSource() const { return recordSource_; }
    void setRecordSource(const QString& text) { recordSource_ = text; }
    // adCmdText / adCmdUnknown: a statement; adCmdTable: a table's name.
    int CommandType() const { return commandType_; }
    void setCommandType(int type) { commandType_ = type; }
    int LockType() const { return lockType_; }
    void setLockType(int type) { lockType_ = type; }

    // Opens the record source again (static cursor); failures raise and keep
    // the recordset it had.
    void Refresh();

    ado::RecordsetPtr Recordset() const { return recordset_; }
    void setRecordset(ado::RecordsetPtr recordset);

    // Runs whenever the recordset is replaced (bound grids).
    int Subscribe(std::function<void()> listener);
    void Unsubscribe(int id);

private:
    QString connectionString_;
    QString recordSource_;
    int commandType_ = ado::adCmdUnknown;
    int lockType_ = ado::adLockOptimistic;
    ado::ConnectionPtr connection_;
    ado::RecordsetPtr recordset_;
    std::vector<std::pair<int, std::function<void()>>> listeners_;
    int nextListener_ = 1;
};

// The data grid: the rows a recordset's filter lets through, in its order,
// one column per field. The selected row and the recordset's current record
// follow each other; rows added to the recordset (or a clone of it) appear
// at once. Its kind is "grid".
class QM_EXPORT DataGrid : public QWidget {
public:
    DataGrid(QWidget* parent, const QString& name);
    ~DataGrid() override;

    // DataSource: a data control (the grid follows its recordset when it is
    // replaced), a recordset, or nullptr to detach. Binding sets the columns
    // back to the fields, with default widths.
    void setDataSource(Adodc* control);
    void setDataSource(const ado::RecordsetPtr& recordset);
    void setDataSource(std::nullptr_t);
    ado::RecordsetPtr recordset() const { return recordset_; }

    QString Caption() const;
    void setCaption(const QString& caption);

    // A column of the grid. Raises "Subscript out of range" for a column the
    // grid does not have.
    class QM_EXPORT Column {
    public:
        QString Caption() const;
        void setCaption(const QString& caption) const;
        QString DataField() const;
        int Width() const;              // twips
        void setWidth(int twips) const;
        bool Visible() const;
        void setVisible(bool visible) const;

    private:
        friend class DataGrid;
        Column(DataGrid* grid, int index) : grid_(grid), index_(index) {}
        DataGrid* grid_;
        int index_;
    };
    Column Columns(int index);
    int ColumnCount() const;

    // The rows shown, and the current record's row (0-based; -1 when none),
    // which the view selects when the event loop next runs. Setting the row
    // moves the recordset to that record.
    int RowCount() const;
    int Row() const;
    void setRow(int row);
    QString CellText(int row, int column) const;

    QTableView* view() const { return view_; }

    std::function<void(int columnIndex)> HeadClick;

protected:
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    friend class GridModel;
    struct ColumnState {
        QString caption;
        int widthTwips = -1;   // -1: the default width
        bool visible = true;
    };

    void bind(const ado::RecordsetPtr& recordset);
    void releaseControl();
    void onChange(ado::Change change);
    void resetColumns();
    void applyColumns();
    void showCurrentRecord();
    void scheduleGrowth();
    void grow();
    void flushGrowth() const;
    void fitRowsToFont();

    QLabel* caption_;
    QTableView* view_;
    GridModel* model_;
    QPointer<Adodc> control_;
    int controlListener_ = 0;
    ado::RecordsetPtr recordset_;
    int recordsetListener_ = 0;
    std::vector<ColumnState> columns_;
    bool syncing_ = false;
    bool headerHeld_ = false;  // the user's mouse is down on the header
    bool syncPending_ = false;
    // Rows added since the view was last told; see scheduleGrowth().
    QTimer* growth_;
    QElapsedTimer lastGrowth_;
    bool selectWithGrowth_ = false;
    bool refreshWithGrowth_ = false;
};

} // namespace forms
