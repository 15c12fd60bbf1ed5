#include "platform/excel/workbook.h"

#include "platform/excel/application.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/vb/error.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace excel {

namespace {

[[noreturn]] void refuse(const QString& what) {
    vb::Raise(errExcel, what);
}

[[noreturn]] void disconnected() {
    vb::Raise(vb::errAutomation, QStringLiteral("The object invoked has disconnected from its clients."));
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

const QString kSheetPrefix = QStringLiteral("Sayfa");
const QString kBookPrefix = QStringLiteral("Kitap");

} // namespace

// ---- Worksheet

Worksheet::Worksheet(Workbook* book, std::shared_ptr<Events> events, SheetData data)
    : book_(book), events_(std::move(events)), data_(std::move(data)) {}

Worksheet::~Worksheet() = default;

void Worksheet::checkAlive() const {
    if (!book_) disconnected();
}

void Worksheet::setName(const QString& name) {
    checkAlive();
    static const QString forbidden = QStringLiteral(":\\/?*[]");
    const bool malformed = name.isEmpty() || name.size() > 31
        || std::any_of(name.begin(), name.end(), [](QChar c) { return forbidden.contains(c); })
        || name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\''));
    if (malformed) refuse(QStringLiteral("You typed an invalid name for a sheet or chart."));
    for (const auto& other : book_->sheets_)
        if (other.get() != this && SameSheetName(other->Name(), name))
            refuse(QStringLiteral("Cannot rename a sheet to the same name as another sheet."));
    if (data_.name == name) return;
    data_.name = name;
    book_->changed(true);
}

int Worksheet::Index() const {
    checkAlive();
    return book_->indexOf(this) + 1;
}

std::shared_ptr<Workbook> Worksheet::Parent() const {
    checkAlive();
    return book_->shared_from_this();
}

excel::Range Worksheet::Cells(int row, int column) {
    checkAlive();
    if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
        refuse(QStringLiteral("Application-defined or object-defined error"));
    return excel::Range(shared_from_this(), {Area{row, column, 1, 1}});
}

excel::Range Worksheet::Cells() {
    checkAlive();
    return excel::Range(shared_from_this(), {Area{1, 1, kMaxRows, kMaxColumns}});
}

excel::Range Worksheet::Range(const QString& address) {
    checkAlive();
    return excel::Range(shared_from_this(), ParseAddress(address));
}

excel::Range Worksheet::Rows() {
    checkAlive();
    return excel::Range(shared_from_this(), {Area{1, 1, kMaxRows, kMaxColumns}}, excel::Range::Counting::Rows);
}

excel::Range Worksheet::Rows(int row) {
    return Cells(row, 1).EntireRow().Rows();
}

excel::Range Worksheet::Columns() {
    checkAlive();
    return excel::Range(shared_from_this(), {Area{1, 1, kMaxRows, kMaxColumns}}, excel::Range::Counting::Columns);
}

excel::Range Worksheet::Columns(int column) {
    return Cells(1, column).EntireColumn().Columns();
}

excel::Range Worksheet::UsedRange() {
    checkAlive();
    const CellExtent e = data_.usedExtent();
    if (e.empty()) return Cells(1, 1);
    return excel::Range(shared_from_this(), {Area{e.firstRow + 1, e.firstColumn + 1, e.lastRow - e.firstRow + 1,
                                                  e.lastColumn - e.firstColumn + 1}});
}

void Worksheet::Activate() {
    checkAlive();
    book_->setActiveSheet(this);
    book_->Activate();
}

void Worksheet::Delete() {
    checkAlive();
    if (book_->sheets_.size() == 1) refuse(QStringLiteral("Delete method of Worksheet class failed"));
    book_->removeSheet(this);
}

void Worksheet::SelectObject(const QString& typeName) {
    checkAlive();
    selectedObject_ = typeName;
    events_->selectionChanged.notify();
}

void Worksheet::select(std::vector<Area> areas) {
    checkAlive();
    const auto app = book_->Parent();
    if (!app || app->ActiveSheet().get() != this) refuse(QStringLiteral("Select method of Range class failed"));
    selection_ = std::move(areas);
    selectedObject_.clear();
    events_->selectionChanged.notify();
}

std::optional<CellData> Worksheet::cell(int row, int column) const {
    return data_.cell(row - 1, column - 1);
}

void Worksheet::changed(const Area& area) {
    book_->saved_ = false;
    if (!events_->cellsChanged.empty()) events_->cellsChanged.notify(shared_from_this(), area);
}

double Worksheet::columnWidth(int column) const {
    const auto& w = data_.columnWidths;
    if (column < 1 || column > int(w.size()) || w[column - 1] <= 0) return kStandardWidth;
    return w[column - 1];
}

void Worksheet::setColumnWidth(int column, double width) {
    auto& w = data_.columnWidths;
    if (int(w.size()) < column) w.resize(column, 0.0);
    w[column - 1] = width;
}

double Worksheet::rowHeight(int row) const {
    if (row < 1 || row > int(rowHeights_.size()) || rowHeights_[row - 1] <= 0) return kStandardHeight;
    return rowHeights_[row - 1];
}

void Worksheet::setRowHeight(int row, double height) {
    if (int(rowHeights_.size()) < row) rowHeights_.resize(row, 0.0);
    rowHeights_[row - 1] = height;
}

// ---- Sheets

int Sheets::Count() const {
    book_->checkOpen();
    return int(book_->sheets_.size());
}

std::shared_ptr<Worksheet> Sheets::Item(int index) const {
    book_->checkOpen();
    if (index < 1 || index > int(book_->sheets_.size())) vb::Raise(vb::errSubscript);
    return book_->sheets_[index - 1];
}

std::shared_ptr<Worksheet> Sheets::Item(const QString& name) const {
    book_->checkOpen();
    // The name as it is written first: under the two rules of letter case
    // "list" and "lıst" both answer to "LIST".
    for (const auto& s : book_->sheets_)
        if (s->Name() == name) return s;
    for (const auto& s : book_->sheets_)
        if (SameSheetName(s->Name(), name)) return s;
    vb::Raise(vb::errSubscript);
}

std::shared_ptr<Worksheet> Sheets::Add(std::shared_ptr<Worksheet> before, std::shared_ptr<Worksheet> after,
                                       int count) const {
    book_->checkOpen();
    const auto place = [&](const std::shared_ptr<Worksheet>& s) {
        const int i = s ? book_->indexOf(s.get()) : -1;
        if (i < 0) refuse(QStringLiteral("Add method of Sheets class failed"));
        return i;
    };
    if ((before && after) || count < 1) refuse(QStringLiteral("Add method of Sheets class failed"));
    int position = before ? place(before)
                 : after  ? place(after) + 1
                          : book_->indexOf(book_->active_);
    std::shared_ptr<Worksheet> added;
    for (int i = 0; i < count; ++i) {
        SheetData data;
        data.name = book_->nextSheetName();
        added = book_->newSheet(std::move(data));
        book_->insertSheet(position, added);
    }
    added->Activate();
    return added;
}

// ---- Workbook

Workbook::Workbook(std::weak_ptr<excel::Application> app, std::shared_ptr<Events> events, QString name)
    : app_(std::move(app)), events_(std::move(events)), name_(std::move(name)) {}

Workbook::~Workbook() {
    for (const auto& s : sheets_) s->book_ = nullptr;
}

void Workbook::checkOpen() const {
    if (closed_) disconnected();
}

QString Workbook::FullName() const {
    return path_.isEmpty() ? name_ : QDir(path_).filePath(name_);
}

excel::Sheets Workbook::Sheets() {
    checkOpen();
    return excel::Sheets(shared_from_this());
}

std::shared_ptr<Worksheet> Workbook::ActiveSheet() const {
    return active_ ? active_->shared_from_this() : nullptr;
}

void Workbook::Activate() {
    checkOpen();
    if (const auto app = app_.lock()) app->activate(this);
}

void Workbook::SaveAs(const QString& fileName) {
    checkOpen();
    QString name = fileName;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".xls");
    const QFileInfo file(name);
    const FileFormat format = FormatForFileName(name);
    write(file.absoluteFilePath(), format);
    name_ = file.fileName();
    path_ = QDir::toNativeSeparators(file.absolutePath());
    format_ = format;
    saved_ = true;
    changed(false);
}

void Workbook::Save() {
    checkOpen();
    if (path_.isEmpty()) {
        SaveAs(name_);
        return;
    }
    write(FullName(), format_);
    saved_ = true;
    changed(false);
}

void Workbook::write(const QString& path, FileFormat format) {
    // The sheets lend their cells to the writer rather than copy them: an
    // export holds hundreds of thousands.
    std::vector<Worksheet*> lent;
    if (format == FileFormat::Csv) {
        if (active_) lent.push_back(active_);
    } else {
        for (const auto& s : sheets_) lent.push_back(s.get());
    }
    WorkbookData book;
    for (Worksheet* s : lent) book.sheets.push_back(std::move(s->data_));
    struct GiveBack {
        std::vector<Worksheet*>& sheets;
        WorkbookData& book;
        ~GiveBack() {
            for (size_t i = 0; i < sheets.size(); ++i) sheets[i]->data_ = std::move(book.sheets[i]);
        }
    } giveBack{lent, book};
    WriteWorkbookFile(book, path, format);
}

WorkbookData Workbook::data() const {
    WorkbookData book;
    book.sheets.reserve(sheets_.size());
    for (const auto& s : sheets_) book.sheets.push_back(s->data_);
    return book;
}

QStringList Workbook::LossesIn(FileFormat format) const {
    std::vector<const Worksheet*> written;
    if (format == FileFormat::Csv) {
        if (active_) written.push_back(active_);
    } else {
        for (const auto& s : sheets_) written.push_back(s.get());
    }
    qsizetype formulas = 0, unread = 0, merges = 0, styled = 0;
    bool widths = false;
    for (const Worksheet* s : written) {
        const SheetData::Contents contents = s->data_.contents();
        formulas += contents.formulas - contents.unreadFormulas;
        unread += contents.unreadFormulas;
        styled += contents.fontCells;
        merges += int(s->data_.merges.size());
        widths = widths || std::any_of(s->data_.columnWidths.begin(), s->data_.columnWidths.end(),
                                       [](double w) { return w > 0; });
    }
    QStringList lost;
    if (format != FileFormat::Xlsx && formulas > 0)
        lost << QStringLiteral("%1 hücrenin formülü (hücrelerde formüllerin son değerleri kalır)").arg(formulas);
    if (unread > 0)
        lost << QStringLiteral("açılan dosyadan okunamayan %1 formül (hücrelerde son değerleri kalır)").arg(unread);
    if (format == FileFormat::Csv) {
        if (merges > 0) lost << QStringLiteral("%1 birleştirilmiş hücre aralığı").arg(merges);
        if (styled > 0 || widths) lost << QStringLiteral("kalın ve renkli yazılar, sütun genişlikleri");
        if (sheets_.size() > 1)
            lost << QStringLiteral("etkin sayfa dışındaki %1 sayfa (CSV dosyası yalnızca etkin sayfayı tutar)")
                        .arg(sheets_.size() - 1);
    }
    return lost;
}

void Workbook::Close() {
    if (closed_) return;
    const auto self = shared_from_this();   // the Application lets go of it here
    closed_ = true;
    if (const auto app = app_.lock()) app->closed(this);
    for (const auto& s : sheets_) s->book_ = nullptr;
}

std::shared_ptr<Worksheet> Workbook::newSheet(SheetData data) {
    ++sheetsCreated_;
    return std::shared_ptr<Worksheet>(new Worksheet(this, events_, std::move(data)));
}

void Workbook::insertSheet(int position, std::shared_ptr<Worksheet> sheet) {
    sheets_.insert(sheets_.begin() + std::clamp(position, 0, int(sheets_.size())), std::move(sheet));
    changed(true);
}

void Workbook::removeSheet(Worksheet* sheet) {
    const int i = indexOf(sheet);
    const auto keep = sheets_[i];
    sheets_.erase(sheets_.begin() + i);
    sheet->book_ = nullptr;
    // As Excel does, the sheet to the right takes over, or the one left of
    // it when the last sheet went.
    if (active_ == sheet) active_ = sheets_[std::min(i, int(sheets_.size()) - 1)].get();
    changed(true);
    events_->selectionChanged.notify();
}

void Workbook::setActiveSheet(Worksheet* sheet) {
    if (active_ == sheet) return;
    active_ = sheet;
    changed(false);
    events_->selectionChanged.notify();
}

int Workbook::indexOf(const Worksheet* sheet) const {
    for (int i = 0; i < int(sheets_.size()); ++i)
        if (sheets_[i].get() == sheet) return i;
    return -1;
}

QString Workbook::nextSheetName() {
    // Excel counts on from the sheets ever made in the workbook.
    for (int n = sheetsCreated_ + 1;; ++n) {
        const QString name = kSheetPrefix + QString::number(n);
        if (std::none_of(sheets_.begin(), sheets_.end(),
                         [&](const auto& s) { return SameSheetName(s->Name(), name); }))
            return name;
    }
}

void Workbook::changed(bool unsaved) {
    if (unsaved) saved_ = false;
    events_->workbookChanged.notify(shared_from_this());
}

// ---- Workbooks

int Workbooks::Count() const {
    return int(app_->workbooks_.size());
}

std::shared_ptr<Workbook> Workbooks::Item(int index) const {
    if (index < 1 || index > Count()) vb::Raise(vb::errSubscript);
    return app_->workbooks_[index - 1];
}

std::shared_ptr<Workbook> Workbooks::Item(const QString& name) const {
    for (const auto& b : app_->workbooks_)
        if (sameName(b->Name(), name)) return b;
    vb::Raise(vb::errSubscript);
}

std::shared_ptr<Workbook> Workbooks::Add() const {
    auto book = std::shared_ptr<Workbook>(new Workbook(app_, app_->events_, app_->nextWorkbookName()));
    for (int i = 0; i < app_->SheetsInNewWorkbook(); ++i) {
        SheetData data;
        data.name = book->nextSheetName();
        book->sheets_.push_back(book->newSheet(std::move(data)));
    }
    book->active_ = book->sheets_.front().get();
    return adopt(std::move(book));
}

std::shared_ptr<Workbook> Workbooks::Open(const QString& fileName) const {
    const QFileInfo file(fileName);
    const QString path = file.absoluteFilePath();
    for (const auto& b : app_->workbooks_)
        if (!b->Path().isEmpty() && QFileInfo(b->FullName()).absoluteFilePath() == path) {
            b->Activate();
            return b;
        }
    WorkbookData contents = ReadWorkbookFile(path);
    auto book = std::shared_ptr<Workbook>(new Workbook(app_, app_->events_, file.fileName()));
    book->path_ = QDir::toNativeSeparators(file.absolutePath());
    book->format_ = FormatForFileName(path);
    for (auto& sheet : contents.sheets) {
        if (sheet.name.isEmpty()) sheet.name = book->nextSheetName();
        book->sheets_.push_back(book->newSheet(std::move(sheet)));
    }
    if (book->sheets_.empty()) {
        SheetData data;
        data.name = book->nextSheetName();
        book->sheets_.push_back(book->newSheet(std::move(data)));
    }
    book->active_ = book->sheets_.front().get();
    return adopt(std::move(book));
}

void Workbooks::Close() const {
    const auto books = app_->workbooks_;
    for (const auto& b : books) b->Close();
}

std::shared_ptr<Workbook> Workbooks::adopt(std::shared_ptr<Workbook> book) const {
    app_->workbooks_.push_back(book);
    app_->events_->workbookOpened.notify(book);
    app_->activate(book.get());
    return book;
}

} // namespace excel
