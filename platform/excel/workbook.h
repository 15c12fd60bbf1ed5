#pragma once

#include "platform/excel/events.h"
#include "platform/excel/range.h"
#include "platform/excel/sheetdata.h"
#include "platform/vb/export.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace excel {

class Application;
class Workbook;

// One worksheet. Its cells are held as the files hold them (SheetData), so
// that writing a cell costs the same whatever the size of the sheet.
// A deleted sheet, or one of a closed workbook, refuses every call with an
// automation error, as a disconnected object does.
class QM_EXPORT Worksheet : public std::enable_shared_from_this<Worksheet> {
public:
    ~Worksheet();

    QString TypeName() const { return QStringLiteral("Worksheet"); }
    QString Name() const { return data_.name; }
    // Excel's rules: not empty, at most 31 characters, none of : \ / ? * [ ],
    // no apostrophe first or last, no other sheet of the name (letter case
    // ignored); errExcel otherwise.
    void setName(const QString& name);
    int Index() const;
    std::shared_ptr<excel::Workbook> Parent() const;

    excel::Range Cells(int row, int column);
    excel::Range Cells();                          // every cell
    excel::Range Range(const QString& address);
    excel::Range Rows();
    excel::Range Rows(int row);
    excel::Range Columns();
    excel::Range Columns(int column);
    // From the first to the last cell holding anything; A1 on an empty sheet.
    excel::Range UsedRange();

    // Makes it the active sheet, and its workbook the active one.
    void Activate();
    void Select() { Activate(); }
    // Fails for the only sheet of a workbook.
    void Delete();
    bool isDeleted() const { return book_ == nullptr; }

    // What a host or a test may select that is not a cell range (a picture,
    // a chart); Application.Selection then refuses to be read as a range.
    void SelectObject(const QString& typeName);

    // The cells themselves: what the host draws and the files save.
    const SheetData& data() const { return data_; }
    std::optional<CellData> cell(int row, int column) const;   // 1-based; nothing for one never written
    double columnWidth(int column) const;              // characters
    double rowHeight(int row) const;                   // points

private:
    friend class Workbook;
    friend class excel::Application;
    friend class excel::Range;
    friend class excel::Font;
    Worksheet(Workbook* book, std::shared_ptr<Events> events, SheetData data);

    void checkAlive() const;
    void changed(const Area& area);
    void setColumnWidth(int column, double width);
    void setRowHeight(int row, double height);
    void select(std::vector<Area> areas);

    Workbook* book_;      // null once deleted or closed
    std::shared_ptr<Events> events_;
    SheetData data_;
    std::vector<double> rowHeights_;   // 0: standard height
    std::vector<Area> selection_{Area{}};
    QString selectedObject_;           // not empty: the selection is no range
};

// The sheets of a workbook, by 1-based position or by name (letter case
// ignored). A workbook holds only worksheets, so Sheets and Worksheets are
// the same collection.
class QM_EXPORT Sheets {
public:
    int Count() const;
    std::shared_ptr<Worksheet> Item(int index) const;          // errSubscript outside
    std::shared_ptr<Worksheet> Item(const QString& name) const;
    std::shared_ptr<Worksheet> operator()(int index) const { return Item(index); }
    std::shared_ptr<Worksheet> operator()(const QString& name) const { return Item(name); }
    // Adds count sheets before `before`, or after `after`, or else before the
    // active sheet, as Excel does; the last one added becomes active and is
    // returned.
    std::shared_ptr<Worksheet> Add(std::shared_ptr<Worksheet> before = nullptr,
                                   std::shared_ptr<Worksheet> after = nullptr, int count = 1) const;

private:
    friend class Workbook;
    explicit Sheets(std::shared_ptr<Workbook> book) : book_(std::move(book)) {}
    std::shared_ptr<Workbook> book_;
};

class QM_EXPORT Workbook : public std::enable_shared_from_this<Workbook> {
public:
    ~Workbook();

    QString TypeName() const { return QStringLiteral("Workbook"); }
    // "Kitap1" and so on until saved, then the file's name; Path is the
    // folder it was saved in or opened from, empty until then.
    QString Name() const { return name_; }
    QString Path() const { return path_; }
    QString FullName() const;
    std::shared_ptr<excel::Application> Parent() const { return app_.lock(); }

    excel::Sheets Sheets();
    excel::Sheets Worksheets() { return Sheets(); }
    std::shared_ptr<Worksheet> ActiveSheet() const;

    void Activate();
    // The format follows the name's extension (.xls, .xlsx, .csv; .xls when
    // unknown); a name without one gets ".xls", as Excel gives it. A
    // relative name is taken from the current folder. A .csv file holds the
    // active sheet only.
    void SaveAs(const QString& fileName);
    // Into its file in its format; a workbook never saved is saved under its
    // name in the current folder.
    void Save();
    bool Saved() const { return saved_; }
    void setSaved(bool saved) { saved_ = saved; }
    void Close();
    bool isClosed() const { return closed_; }

    // The contents as the files hold them.
    WorkbookData data() const;

    // What saving in the format would not keep, one line a kind, in the
    // host's words (formulas in .xls and .csv and those read without their
    // words, merged ranges, fonts and widths and the other sheets in .csv);
    // empty when the file keeps everything. SaveAs and Save write whatever
    // it says: the host asks first.
    QStringList LossesIn(FileFormat format) const;

private:
    friend class Worksheet;
    friend class excel::Application;
    friend class excel::Sheets;
    friend class Workbooks;
    Workbook(std::weak_ptr<excel::Application> app, std::shared_ptr<Events> events, QString name);

    void checkOpen() const;
    std::shared_ptr<Worksheet> newSheet(SheetData data);
    void insertSheet(int position, std::shared_ptr<Worksheet> sheet);
    void removeSheet(Worksheet* sheet);
    void setActiveSheet(Worksheet* sheet);
    int indexOf(const Worksheet* sheet) const;   // 0-based, -1 when absent
    QString nextSheetName();
    void changed(bool unsaved);
    void write(const QString& path, FileFormat format);

    std::weak_ptr<excel::Application> app_;
    std::shared_ptr<Events> events_;
    QString name_;
    QString path_;
    FileFormat format_ = FileFormat::Xls;
    bool saved_ = true;
    bool closed_ = false;
    std::vector<std::shared_ptr<Worksheet>> sheets_;
    Worksheet* active_ = nullptr;
    int sheetsCreated_ = 0;
};

// The open workbooks of an Application, in the order they were opened.
class QM_EXPORT Workbooks {
public:
    int Count() const;
    std::shared_ptr<Workbook> Item(int index) const;           // errSubscript outside
    std::shared_ptr<Workbook> Item(const QString& name) const;
    std::shared_ptr<Workbook> operator()(int index) const { return Item(index); }
    // A new workbook of SheetsInNewWorkbook sheets ("Sayfa1" ...); it
    // becomes the active workbook.
    std::shared_ptr<Workbook> Add() const;
    // The workbook in the file; a file open already is only activated.
    std::shared_ptr<Workbook> Open(const QString& fileName) const;
    void Close() const;

private:
    friend class Application;
    explicit Workbooks(std::shared_ptr<Application> app) : app_(std::move(app)) {}
    std::shared_ptr<Workbook> adopt(std::shared_ptr<Workbook> book) const;
    std::shared_ptr<Application> app_;
};

} // namespace excel
