#include "platform/excel/files/workbookfile.h"

#include "platform/excel/files/cfb.h"
#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace excel {

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

// The first piece read of a file, before it is known what it is: markup is
// told by its first 2,048 bytes, the binary formats by their first eight,
// and a text file's reading starts with it.
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
        // From the first byte again, all of it from the file.
        file_.rewind();
        head_.clear();
        headGiven_ = true;
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
