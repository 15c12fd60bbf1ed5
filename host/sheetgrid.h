#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QTableView>
#include <functional>

namespace host {

// The grid of cells as a spreadsheet's keyboard has it: Enter commits and
// moves down (Shift+Enter up), Tab right and Shift+Tab left, in an edit as
// well as between edits; Esc leaves an edit unchanged; F2 edits the cell
// with the cursor after its text; typing replaces the cell; Delete clears
// the selection.
class SheetGrid : public QTableView {
public:
    explicit SheetGrid(QWidget* parent = nullptr);

    // What Delete does: the window clears the selected cells through the
    // object model.
    void setClearHandler(std::function<void()> clear) { clear_ = std::move(clear); }

    // An edit in progress is written to its cell and the editor closed, as
    // before anything else reads the cell; false when there was none.
    bool commitEdit();

    // Moves the current cell by rows and columns, within the sheet, and
    // selects it alone.
    void moveCurrent(int rows, int columns);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    std::function<void()> clear_;
};

// A cell's text as the grid shows it in a column `width` pixels wide: the
// text itself, which may run on over empty neighbours, or for a number or a
// date that does not fit, as many "#" as the cell holds.
QString ShownCellText(const QFontMetrics& metrics, const QString& text, bool numeric, int width);

// Has the sheets' AutoFit measure texts in the grid's font, so that a
// fitted column shows its widest value whole.
void MeasureCellsIn(const QFont& font);

} // namespace host
