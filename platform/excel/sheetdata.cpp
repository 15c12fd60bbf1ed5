#include "platform/excel/sheetdata.h"

#include "platform/excel/files/cfb.h"
#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <optional>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace excel {

namespace {

enum Kind : uint8_t { kEmpty, kNumber, kText, kBoolean, kDate, kError, kBoxed };

constexpr uint32_t kBold = 1u << 24;
constexpr size_t kTextBlock = size_t(1) << 20;   // characters a pool block holds
constexpr qsizetype kLongestPooled = 0xFFFF;     // longer texts are boxed

uint64_t doubleBits(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

double bitsDouble(uint64_t bits) {
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

uint64_t cellKey(int row, int column) {
    return (uint64_t(uint32_t(row)) << 32) | uint32_t(column);
}

uint32_t fontBits(bool bold, unsigned color) {
    return (color & 0xFFFFFF) | (bold ? kBold : 0);
}

} // namespace

SheetData SheetData::FromRows(QString name, const std::vector<std::vector<CellData>>& rows) {
    SheetData sheet;
    sheet.name = std::move(name);
    sheet.reserveRows(int(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
        sheet.growRows(int(r) + 1);
        for (size_t c = 0; c < rows[r].size(); ++c)
            sheet.set(int(r), int(c), rows[r][c]);
    }
    return sheet;
}

int SheetData::rowLength(int row) const {
    return row >= 0 && row < rowCount() ? int(rows_[size_t(row)].size()) : 0;
}

const SheetData::Cell* SheetData::find(int row, int column) const {
    if (row < 0 || column < 0 || row >= rowCount())
        return nullptr;
    const auto& r = rows_[size_t(row)];
    return column < int(r.size()) ? &r[size_t(column)] : nullptr;
}

SheetData::Cell* SheetData::place(int row, int column) {
    if (row < 0 || column < 0)
        vb::Raise(vb::errSubscript);
    if (row >= rowCount())
        rows_.resize(size_t(row) + 1);
    auto& r = rows_[size_t(row)];
    if (column >= int(r.size())) {
        // Rows of a table are as wide as the one before them, most often.
        if (r.empty() && row > 0)
            r.reserve(std::max(size_t(column) + 1, rows_[size_t(row) - 1].size()));
        r.resize(size_t(column) + 1);
        widest_ = std::max(widest_, column + 1);
    }
    return &r[size_t(column)];
}

void SheetData::growRows(int rows) {
    if (rows > rowCount())
        rows_.resize(size_t(rows));
}

void SheetData::reserveRows(int rows) {
    if (rows > 0)
        rows_.reserve(size_t(rows));
}

void SheetData::release(Cell& cell) {
    if (cell.kind == kText) {
        deadText_ += cell.length;
        liveText_ -= cell.length;
    } else if (cell.kind == kBoxed) {
        boxed_[size_t(cell.bits)] = vb::Variant();
        freeBoxes_.push_back(uint32_t(cell.bits));
    }
    cell.kind = kEmpty;
    cell.bits = 0;
    cell.length = 0;
}

void SheetData::store(Cell& cell, const vb::Variant& value) {
    release(cell);
    switch (value.type()) {
    case vb::vbEmpty:
        return;
    case vb::vbDouble:
        cell.kind = kNumber;
        cell.bits = doubleBits(value.doubleValue());
        return;
    case vb::vbBoolean:
        cell.kind = kBoolean;
        cell.bits = value.boolValue() ? 1 : 0;
        return;
    case vb::vbError:
        cell.kind = kError;
        cell.bits = uint64_t(uint32_t(value.errorCode()));
        return;
    case vb::vbString:
        if (storeText(cell, value.stringValue()))
            return;
        break;
    case vb::vbDate: {
        // A local date and time packs into the day and the milliseconds of
        // the day; dates of other time specs keep their own.
        const QDateTime& d = value.dateValue();
        const qint64 day = d.date().toJulianDay();
        if (d.isValid() && d.timeSpec() == Qt::LocalTime && day >= INT32_MIN && day <= INT32_MAX) {
            cell.kind = kDate;
            cell.bits = (uint64_t(uint32_t(int32_t(day))) << 32) | uint32_t(d.time().msecsSinceStartOfDay());
            return;
        }
        break;
    }
    default:
        break;
    }
    cell.kind = kBoxed;
    if (freeBoxes_.empty()) {
        cell.bits = boxed_.size();
        boxed_.push_back(value);
    } else {
        cell.bits = freeBoxes_.back();
        freeBoxes_.pop_back();
        boxed_[size_t(cell.bits)] = value;
    }
}

// A text into the pool; false for one too long for it (it is boxed then).
bool SheetData::storeText(Cell& cell, QStringView text) {
    if (text.size() > kLongestPooled)
        return false;
    const size_t n = size_t(text.size());
    if (textBlocks_.empty() || textBlocks_.back().size() + n > kTextBlock) {
        textBlocks_.emplace_back();
        textBlocks_.back().reserve(kTextBlock);
    }
    auto& block = textBlocks_.back();
    cell.kind = kText;
    cell.bits = (uint64_t(textBlocks_.size() - 1) << 32) | uint64_t(block.size());
    cell.length = uint16_t(n);
    const auto* chars = reinterpret_cast<const char16_t*>(text.utf16());
    block.insert(block.end(), chars, chars + n);
    liveText_ += n;
    if (deadText_ > kTextBlock * 4 && deadText_ > liveText_)
        compactTexts();
    return true;
}

vb::Variant SheetData::valueOf(const Cell& cell) const {
    switch (cell.kind) {
    case kNumber: return vb::Variant(bitsDouble(cell.bits));
    case kBoolean: return vb::Variant(cell.bits != 0);
    case kError: return vb::Variant::Error(int(uint32_t(cell.bits)));
    case kText: {
        if (cell.length == 0)
            return vb::Variant(QString());
        const auto& block = textBlocks_[size_t(cell.bits >> 32)];
        const char16_t* p = block.data() + uint32_t(cell.bits);
        return vb::Variant(QString(reinterpret_cast<const QChar*>(p), cell.length));
    }
    case kDate:
        return vb::Variant(QDateTime(QDate::fromJulianDay(int32_t(uint32_t(cell.bits >> 32))),
                                     QTime::fromMSecsSinceStartOfDay(int(uint32_t(cell.bits)))));
    case kBoxed: return boxed_[size_t(cell.bits)];
    default: return {};
    }
}

// Replaced texts leave their characters behind; once they outweigh the
// living ones the pool is built anew.
void SheetData::compactTexts() {
    std::vector<std::vector<char16_t>> blocks;
    for (auto& row : rows_) {
        for (Cell& cell : row) {
            if (cell.kind != kText)
                continue;
            const auto& old = textBlocks_[size_t(cell.bits >> 32)];
            const char16_t* p = old.data() + uint32_t(cell.bits);
            if (blocks.empty() || blocks.back().size() + cell.length > kTextBlock) {
                blocks.emplace_back();
                blocks.back().reserve(kTextBlock);
            }
            auto& block = blocks.back();
            cell.bits = (uint64_t(blocks.size() - 1) << 32) | uint64_t(block.size());
            block.insert(block.end(), p, p + cell.length);
        }
    }
    textBlocks_ = std::move(blocks);
    deadText_ = 0;
}

std::optional<CellData> SheetData::cell(int row, int column) const {
    const Cell* c = find(row, column);
    if (!c)
        return std::nullopt;
    CellData out;
    out.value = valueOf(*c);
    out.bold = (c->font & kBold) != 0;
    out.color = c->font & 0xFFFFFF;
    if (c->formula)
        out.formula = formulas_.at(cellKey(row, column));
    return out;
}

vb::Variant SheetData::value(int row, int column) const {
    const Cell* c = find(row, column);
    return c ? valueOf(*c) : vb::Variant();
}

std::optional<QStringView> SheetData::pooledText(int row, int column) const {
    const Cell* c = find(row, column);
    if (!c || c->kind != kText)
        return std::nullopt;
    if (c->length == 0)
        return QStringView();
    const auto& block = textBlocks_[size_t(c->bits >> 32)];
    return QStringView(block.data() + uint32_t(c->bits), qsizetype(c->length));
}

std::pair<bool, unsigned> SheetData::font(int row, int column) const {
    const Cell* c = find(row, column);
    return c ? std::pair{(c->font & kBold) != 0, c->font & 0xFFFFFFu} : std::pair{false, 0u};
}

bool SheetData::isEmpty(int row, int column) const {
    const Cell* c = find(row, column);
    return !c || (c->kind == kEmpty && c->font == 0 && !c->formula);
}

bool SheetData::holdsValue(int row, int column) const {
    const Cell* c = find(row, column);
    return c && c->kind != kEmpty;
}

void SheetData::set(int row, int column, const CellData& cell) {
    Cell* c = place(row, column);
    store(*c, cell.value);
    c->font = fontBits(cell.bold, cell.color);
    setFormula(row, column, cell.formula);
}

void SheetData::setValue(int row, int column, const vb::Variant& value) {
    store(*place(row, column), value);
}

void SheetData::setText(int row, int column, QStringView text) {
    Cell& cell = *place(row, column);
    release(cell);
    if (!storeText(cell, text))
        store(cell, vb::Variant(text));
}

void SheetData::setNumber(int row, int column, double number) {
    Cell& cell = *place(row, column);
    release(cell);
    cell.kind = kNumber;
    cell.bits = doubleBits(number);
}

void SheetData::setFormula(int row, int column, const QString& formula) {
    if (formula.isEmpty()) {
        // Clearing the formula of a cell never written writes nothing.
        if (row >= 0 && column >= 0 && column < rowLength(row)) {
            Cell& c = rows_[size_t(row)][size_t(column)];
            if (c.formula)
                formulas_.erase(cellKey(row, column));
            c.formula = 0;
        }
        return;
    }
    Cell* c = place(row, column);
    formulas_[cellKey(row, column)] = formula;
    c->formula = 1;
}

void SheetData::setBold(int row, int column, bool bold) {
    Cell* c = place(row, column);
    c->font = (c->font & ~kBold) | (bold ? kBold : 0);
}

void SheetData::setColor(int row, int column, unsigned color) {
    Cell* c = place(row, column);
    c->font = (c->font & kBold) | (color & 0xFFFFFF);
}

void SheetData::setFont(int row, int column, bool bold, unsigned color) {
    place(row, column)->font = fontBits(bold, color);
}

template <typename Counts>
CellExtent SheetData::extent(Counts counts) const {
    CellExtent e;
    for (int r = 0; r < rowCount(); ++r) {
        const auto& row = rows_[size_t(r)];
        for (int c = 0; c < int(row.size()); ++c) {
            if (!counts(row[size_t(c)]))
                continue;
            if (e.firstRow < 0)
                e.firstRow = r;
            e.lastRow = r;
            if (e.firstColumn < 0 || c < e.firstColumn)
                e.firstColumn = c;
            e.lastColumn = std::max(e.lastColumn, c);
        }
    }
    return e;
}

CellExtent SheetData::usedExtent() const {
    return extent([](const Cell& c) { return c.kind != kEmpty || c.font != 0 || c.formula; });
}

CellExtent SheetData::valueExtent() const {
    return extent([](const Cell& c) { return c.kind != kEmpty; });
}

SheetData::Contents SheetData::contents() const {
    Contents out;
    out.formulas = qsizetype(formulas_.size());
    for (const auto& [key, formula] : formulas_)
        if (formula == CellData::kUnreadFormula)
            ++out.unreadFormulas;
    for (const auto& row : rows_)
        for (const Cell& c : row)
            if (c.font != 0)
                ++out.fontCells;
    return out;
}

QString CellText(const vb::Variant& value) {
    if (value.isError())
        return files::ErrorText(files::ErrorCode(value));
    // As a Turkish spreadsheet shows them.
    if (value.isBoolean())
        return value.boolValue() ? QStringLiteral("DOĞRU") : QStringLiteral("YANLIŞ");
    return vb::CStr(value);
}

bool SameSheetName(const QString& a, const QString& b) { return vb::SameName(a, b); }

FileFormat FormatForFileName(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"xlsx")
        return FileFormat::Xlsx;
    if (suffix == u"csv")
        return FileFormat::Csv;
    return FileFormat::Xls;
}

namespace {

// The oldest binary formats (Excel 2.1 to 4.0) stand outside a compound
// file and begin with their own BOF record.
bool isBareBiff(const QByteArray& head) {
    return head.size() >= 4 && head[0] == char(0x09)
           && (head[1] == char(0x00) || head[1] == char(0x02) || head[1] == char(0x04)) && head[3] == char(0x00);
}

// What a text file saved under a workbook's name is: an HTML page or the
// XML spreadsheet of Excel 2003, which other programs write as ".xls".
enum class MarkupKind { None, Html, XmlSpreadsheet };

// What is looked at before a file is read on: markup is told by its first
// 2,048 bytes, the binary formats by their first eight.
constexpr qint64 kHeadBytes = 65536;

MarkupKind markupKind(const QByteArray& head) {
    QByteArray start = head.left(2048);
    if (start.startsWith("\xEF\xBB\xBF"))
        start = start.mid(3);
    const QByteArray lower = start.trimmed().toLower();
    if (lower.startsWith("<?xml") || lower.startsWith("<workbook")) {
        if (lower.contains("urn:schemas-microsoft-com:office:spreadsheet") || lower.contains("<workbook"))
            return MarkupKind::XmlSpreadsheet;
        if (lower.contains("<html"))
            return MarkupKind::Html;
        return MarkupKind::None;
    }
    for (const char* tag : {"<!doctype html", "<html", "<table", "<head", "<meta", "<body", "<style"})
        if (lower.startsWith(tag))
            return MarkupKind::Html;
    return MarkupKind::None;
}

// A regular file, open for reading. Anything else with a workbook's name (a
// device that never ends, a named pipe whose writer may never come, a
// folder) is refused at once: it is opened without waiting and looked at
// before a byte is read. A file that grows meanwhile is read to the size it
// had.
class RegularFile : public files::ByteSource {
public:
    explicit RegularFile(const QString& path) : path_(path) {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) {
            const int error = errno;
            if (error == ENOENT)
                files::RaiseMissing(path);
            if (error == EACCES || error == EPERM)
                files::RaiseUnreadable(path, QStringLiteral("dosyayı okuma izniniz yok"));
            files::RaiseUnreadable(path, QString::fromLocal8Bit(std::strerror(error)));
        }
        struct stat st;
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd_);
            files::RaiseNotSupported(path, QStringLiteral("bu bir dosya değil (bir klasör, aygıt ya da kanal). "
                                                          "Yalnızca diskteki çalışma kitabı dosyaları açılabilir."));
        }
        size_ = qint64(st.st_size);
    }
    ~RegularFile() override { ::close(fd_); }
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // The bytes from where the reading stands to the size the file had, at
    // most `most` of them.
    QByteArray read(qint64 most) {
        QByteArray content;
        append(content, std::min(most, size_ - at_));
        return content;
    }
    // The rest of the file after the bytes read into content already.
    void readRest(QByteArray& content) { append(content, size_ - at_); }

    QByteArrayView next() override {
        piece_ = read(kPiece);
        return piece_;
    }
    void rewind() override {
        if (::lseek(fd_, 0, SEEK_SET) != 0)
            files::RaiseUnreadable(path_, QString::fromLocal8Bit(std::strerror(errno)));
        at_ = 0;
    }

private:
    void append(QByteArray& content, qint64 count) {
        const qsizetype start = content.size();
        content.resize(start + qsizetype(count));
        qsizetype got = start;
        while (got < content.size()) {
            const ssize_t n = ::read(fd_, content.data() + got, size_t(content.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                files::RaiseUnreadable(path_, QString::fromLocal8Bit(std::strerror(errno)));
            if (n == 0)
                break;
            got += n;
        }
        content.truncate(got);
        // A file that ends early has shrunk: nothing more is read from it.
        at_ = got - start < count ? size_ : at_ + (got - start);
    }

    static constexpr qint64 kPiece = qint64(4) << 20;
    const QString& path_;
    int fd_ = -1;
    qint64 size_ = 0;
    qint64 at_ = 0;
    QByteArray piece_;
};

// The first bytes of a file, then the rest of it a piece at a time.
class AfterHead : public files::ByteSource {
public:
    AfterHead(RegularFile& file, QByteArray head) : file_(file), head_(std::move(head)) {}
    QByteArrayView next() override {
        if (!headGiven_) {
            headGiven_ = true;
            if (!head_.isEmpty())
                return head_;
        }
        return file_.next();
    }
    void rewind() override {
        file_.rewind();
        file_.read(head_.size());
        headGiven_ = false;
    }

private:
    RegularFile& file_;
    QByteArray head_;
    bool headGiven_ = false;
};

// What the first bytes of a file say it is; nothing for a text file.
std::optional<WorkbookData> readByHead(const QString& path, const QByteArray& content) {
    if (files::IsCompoundFile(content))
        return files::ReadXls(path, content);
    if (content.startsWith("PK\x03\x04"))
        return files::ReadXlsx(path, content);
    if (isBareBiff(content))
        files::RaiseNotSupported(path, QStringLiteral("Excel 2.1-4.0 biçimindeki çalışma kitapları desteklenmiyor. "
                                                      "Dosyayı yeni bir Excel sürümüyle .xls ya da .xlsx olarak kaydedin."));
    switch (markupKind(content)) {
    case MarkupKind::Html:
        files::RaiseNotSupported(path, QStringLiteral("dosya bir web sayfası (HTML), çalışma kitabı değil. "
                                                      "Sayfayı açan programda .xlsx ya da .xls olarak kaydedin."));
    case MarkupKind::XmlSpreadsheet:
        files::RaiseNotSupported(path, QStringLiteral("dosya XML Elektronik Tablo 2003 biçiminde; bu biçim "
                                                      "desteklenmiyor. Dosyayı .xlsx ya da .xls olarak kaydedin."));
    case MarkupKind::None:
        break;
    }
    if (FormatForFileName(path) != FileFormat::Csv)
        files::RaiseUnreadable(path);
    return std::nullopt;
}

bool binaryHead(const QByteArray& head) {
    return files::IsCompoundFile(head) || head.startsWith("PK\x03\x04");
}

} // namespace

// A text file is read as it is decoded, a piece at a time; the others whole.
WorkbookData ReadWorkbookFile(const QString& path) {
    RegularFile file(path);
    QByteArray head = file.read(kHeadBytes);
    if (binaryHead(head)) {
        file.readRest(head);
        return *readByHead(path, head);
    }
    if (std::optional<WorkbookData> book = readByHead(path, head))
        return std::move(*book);
    AfterHead bytes(file, std::move(head));
    return files::ReadCsv(path, bytes);
}

WorkbookData ReadWorkbookContent(const QString& path, const QByteArray& content) {
    if (std::optional<WorkbookData> book = readByHead(path, content))
        return std::move(*book);
    return files::ReadCsv(path, content);
}

void WriteWorkbookFile(const WorkbookData& workbook, const QString& path, FileFormat format) {
    files::CheckWorkbook(workbook);
    switch (format) {
    case FileFormat::Xls: files::WriteXls(workbook, path); break;
    case FileFormat::Xlsx: files::WriteXlsx(workbook, path); break;
    case FileFormat::Csv: files::WriteCsv(workbook, path); break;
    }
}

} // namespace excel
