#include "host/sheetgrid.h"

#include "host/sheetmodel.h"
#include "platform/excel/range.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace host {

namespace {

constexpr int kTextMargin = 3;

// How many rows and columns a key moves the current cell, as a
// spreadsheet's keyboard has it; nothing for other keys.
bool movement(const QKeyEvent* key, int& rows, int& columns) {
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const bool shift = key->modifiers() & Qt::ShiftModifier;
    rows = columns = 0;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: rows = shift ? -1 : 1; return true;
    case Qt::Key_Tab: columns = shift ? -1 : 1; return true;
    case Qt::Key_Backtab: columns = -1; return true;
    default: return false;
    }
}

// The arrow keys' moves, without modifiers.
bool arrow(const QKeyEvent* key, int& rows, int& columns) {
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    rows = columns = 0;
    switch (key->key()) {
    case Qt::Key_Up: rows = -1; return true;
    case Qt::Key_Down: rows = 1; return true;
    case Qt::Key_Left: columns = -1; return true;
    case Qt::Key_Right: columns = 1; return true;
    default: return false;
    }
}

// The property of an editor opened by typing into its cell.
constexpr const char* kTypedEdit = "qmTypedEdit";

// Draws the cells as a spreadsheet does: a text runs on over the empty cells
// to its right instead of being cut at its own edge; a number or a date that
// does not fit shows "###" across its cell, since a cut one reads as another
// value. In an edit, the keys that move leave the editor for the next cell
// instead of opening another editor there.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(SheetGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QFontMetrics metrics(opt.font);
        const int wanted = opt.text.isEmpty() ? 0 : metrics.horizontalAdvance(opt.text) + 2 * kTextMargin;
        if (wanted <= opt.rect.width()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        if (index.data(kNumericRole).toBool()) {
            drawText(painter, opt, index, opt.rect, ShownCellText(metrics, opt.text, true, opt.rect.width()),
                     Qt::AlignCenter);
            return;
        }
        const int alignment = index.data(Qt::TextAlignmentRole).toInt();
        if (!(alignment & Qt::AlignLeft)) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QRect textRect = opt.rect;
        const QAbstractItemModel* model = index.model();
        for (int c = index.column() + 1; c < model->columnCount() && textRect.width() < wanted; ++c) {
            if (model->data(model->index(index.row(), c), Qt::DisplayRole).isValid())
                break;
            textRect.setRight(textRect.right() + grid_->columnWidth(c));
        }
        drawText(painter, opt, index, textRect, opt.text, Qt::AlignLeft);
    }

    bool eventFilter(QObject* object, QEvent* event) override {
        int rows = 0, columns = 0;
        auto* editor = qobject_cast<QWidget*>(object);
        // An edit begun by typing takes the arrow keys as moves too; one
        // begun with F2 or a double click moves its cursor with them.
        const bool typed = editor && editor->property(kTypedEdit).toBool();
        if (editor && event->type() == QEvent::KeyPress &&
            (movement(static_cast<QKeyEvent*>(event), rows, columns) ||
             (typed && arrow(static_cast<QKeyEvent*>(event), rows, columns)))) {
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            grid_->moveCurrent(rows, columns);
            return true;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    // The cell's background as the style draws it, and a text of our own
    // over it, clipped to where it may go.
    // The text is taken by value: it is often the option's own, which is
    // emptied before the background is drawn.
    static void drawText(QPainter* painter, QStyleOptionViewItem& opt, const QModelIndex& index, const QRect& where,
                         QString text, Qt::Alignment horizontal) {
        opt.text.clear();
        QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        painter->save();
        painter->setFont(opt.font);
        const bool selected = opt.state & QStyle::State_Selected;
        const QVariant foreground = index.data(Qt::ForegroundRole);
        painter->setPen(foreground.isValid() ? foreground.value<QBrush>().color()
                                             : opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setClipRect(where);
        painter->drawText(where.adjusted(kTextMargin, 0, -kTextMargin, 0), int(horizontal) | Qt::AlignVCenter, text);
        painter->restore();
    }

    SheetGrid* grid_;
};

} // namespace

QString ShownCellText(const QFontMetrics& metrics, const QString& text, bool numeric, int width) {
    if (!numeric || metrics.horizontalAdvance(text) + 2 * kTextMargin <= width)
        return text;
    const int room = std::max(width - 2 * kTextMargin, 0);
    return QString(std::max(1, room / std::max(metrics.horizontalAdvance(u'#'), 1)), u'#');
}

void MeasureCellsIn(const QFont& font) {
    QFont bold = font;
    bold.setBold(true);
    excel::SetTextWidthMeasure([plain = QFontMetrics(font), bold = QFontMetrics(bold)](const QString& line,
                                                                                       bool isBold) {
        // The pixels the grid needs to draw the line whole, in the units
        // ColumnPixels turns into pixels.
        const int pixels = (isBold ? bold : plain).horizontalAdvance(ShownText(line)) + 2 * kTextMargin;
        return ColumnCharacters(pixels);
    });
}

SheetGrid::SheetGrid(QWidget* parent) : QTableView(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);
    setItemDelegate(new CellDelegate(this));
}

bool SheetGrid::commitEdit() {
    if (state() != QAbstractItemView::EditingState)
        return false;
    QWidget* editor = indexWidget(currentIndex());
    if (!editor)
        return false;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void SheetGrid::moveCurrent(int rows, int columns) {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !model())
        return;
    const int row = std::clamp(current.row() + rows, 0, std::max(model()->rowCount() - 1, 0));
    const int column = std::clamp(current.column() + columns, 0, std::max(model()->columnCount() - 1, 0));
    const QModelIndex next = model()->index(row, column);
    selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect);
    scrollTo(next);
}

void SheetGrid::keyPressEvent(QKeyEvent* e) {
    int rows = 0, columns = 0;
    if (movement(e, rows, columns)) {
        moveCurrent(rows, columns);
        return;
    }
    if (e->key() == Qt::Key_Delete && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        if (clear_)
            clear_();
        return;
    }
    // Backspace empties the cell into an edit, as typing does.
    if (e->key() == Qt::Key_Backspace && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        state() != QAbstractItemView::EditingState) {
        edit(currentIndex(), QAbstractItemView::AnyKeyPressed, e);
        return;
    }
    QTableView::keyPressEvent(e);
}

bool SheetGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool editing = QTableView::edit(index, trigger, event);
    QWidget* editor = editing ? indexWidget(index) : nullptr;
    if (editor)
        editor->setProperty(kTypedEdit, trigger == QAbstractItemView::AnyKeyPressed);
    // F2 goes on with the cell's text, where typing replaces it.
    if (trigger == QAbstractItemView::EditKeyPressed)
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->deselect();
            line->end(false);
        }
    return editing;
}

} // namespace host
