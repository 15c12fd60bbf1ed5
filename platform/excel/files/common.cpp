#include "platform/excel/files/common.h"

#include "platform/excel/files/formats.h"
#include "platform/excel/range.h"

#include "platform/vb/error.h"
#include "platform/vb/variant.h"

#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cmath>

namespace excel::files {

namespace {

QString fileName(const QString& path) {
    QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

const QString& forbiddenInSheetNames() {
    static const QString forbidden = QStringLiteral(":\\/?*[]");
    return forbidden;
}

} // namespace

void RaiseMissing(const QString& path) {
    vb::Raise(vb::errFileNotFound,
              QStringLiteral("'%1' bulunamadı. Dosyanın adını ve yerini denetleyin.").arg(fileName(path)));
}

void RaiseUnreadable(const QString& path, const QString& detail) {
    QString text = QStringLiteral("'%1' dosyası okunamıyor: dosya bir çalışma kitabı değil ya da bozuk.")
                       .arg(fileName(path));
    if (!detail.isEmpty())
        text += QStringLiteral(" (") + detail + u')';
    vb::Raise(errWorkbookFile, text);
}

void RaisePasswordProtected(const QString& path) {
    vb::Raise(errWorkbookFile,
              QStringLiteral("'%1' dosyası parolayla korunuyor; açılamıyor. Dosyayı parolasıyla açan programda "
                             "parolayı kaldırıp yeniden kaydedin.")
                  .arg(fileName(path)));
}

void RaiseNotSupported(const QString& path, const QString& what) {
    vb::Raise(errWorkbookFile,
              QStringLiteral("'%1' dosyası açılamıyor: %2").arg(fileName(path), what));
}

void RaiseUnwritable(const QString& path, const QString& detail) {
    QString text = QStringLiteral("'%1' dosyasına yazılamıyor.").arg(path);
    if (!detail.isEmpty())
        text += QStringLiteral(" (") + detail + u')';
    vb::Raise(errWorkbookFile, text);
}

void RaiseDiskFull(const QString& path) {
    vb::Raise(errWorkbookFile, QStringLiteral("Diskte yer kalmadığından '%1' dosyasına yazılamıyor.").arg(path));
}

void RaiseTooLarge(const QString& sheet, int maxRows, int maxColumns) {
    vb::Raise(errWorkbookFile,
              QStringLiteral("'%1' sayfası bu dosya biçimine sığmıyor: bir sayfada en çok %2 satır ve %3 sütun olabilir.")
                  .arg(sheet)
                  .arg(maxRows)
                  .arg(maxColumns));
}

void RaiseTextTooLong() {
    vb::Raise(errWorkbookFile, QStringLiteral("Bir hücrenin metni en çok %1 karakter olabilir.").arg(kMaxTextLength));
}

void RaiseCellTextTooLong(const QString& path, const QString& sheet, int row, int column) {
    vb::Raise(errWorkbookFile,
              QStringLiteral("'%1' dosyası açılamıyor: '%2' sayfasının %3%4 hücresindeki metin 32.767 karakterden "
                             "uzun. Bir hücrede en çok 32.767 karakter olabilir.")
                  .arg(fileName(path), sheet, ColumnLetters(column + 1))
                  .arg(row + 1));
}

void RaiseBeyondGrid(const QString& path, const QString& sheet) {
    vb::Raise(errWorkbookFile,
              QStringLiteral("'%1' dosyası açılamıyor: '%2' sayfası çok büyük. Bir sayfada en çok 1.048.576 satır "
                             "ve 16.384 sütun olabilir.")
                  .arg(fileName(path), sheet));
}

namespace {

[[noreturn]] void raiseUnwritable(const QString& path, const QFileDevice& file) {
    if (file.error() == QFileDevice::ResourceError)
        RaiseDiskFull(path);
    RaiseUnwritable(path, file.errorString());
}

} // namespace

void WriteWholeFile(const QString& path, const QByteArray& content) {
    QSaveFile file(path);
    // Unbuffered, so that a write that fails says why as it fails: once the
    // commit has closed the file, a full disk reads as an unknown error.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        raiseUnwritable(path, file);
    if (file.write(content) != content.size())
        raiseUnwritable(path, file);
    if (!file.commit()) {
        // A disk that fills up only as the file is synced and closed.
        if (errno == ENOSPC)
            RaiseDiskFull(path);
        raiseUnwritable(path, file);
    }
}

QString SheetNameFromFileName(const QString& path) {
    QString name = QFileInfo(path).completeBaseName().left(31);
    for (QChar& c : name)
        if (forbiddenInSheetNames().contains(c) || c == u'\'')
            c = u'_';
    return name.isEmpty() ? QStringLiteral("Sayfa1") : name;
}

void CheckWorkbook(const WorkbookData& workbook) {
    if (workbook.sheets.empty())
        vb::Raise(errWorkbookFile, QStringLiteral("Çalışma kitabında hiç sayfa yok."));
    const QString& forbidden = forbiddenInSheetNames();
    for (size_t i = 0; i < workbook.sheets.size(); ++i) {
        const QString& name = workbook.sheets[i].name;
        bool valid = !name.isEmpty() && name.size() <= 31 && !name.startsWith(u'\'') && !name.endsWith(u'\'');
        for (QChar c : name)
            if (forbidden.contains(c))
                valid = false;
        if (!valid)
            vb::Raise(errWorkbookFile, QStringLiteral("'%1' geçerli bir sayfa adı değil.").arg(name));
        for (size_t j = 0; j < i; ++j)
            if (SameSheetName(workbook.sheets[j].name, name))
                vb::Raise(errWorkbookFile, QStringLiteral("'%1' adında iki sayfa olamaz.").arg(name));
    }
}

double HostSerial(const QDateTime& value) {
    // The language's serial, counted here from the date and time: making a
    // local QDateTime for it looks up the time zone, which costs more than
    // the rest of writing the cell.
    const qint64 days = QDate(1899, 12, 30).daysTo(value.date());
    const double fraction = value.time().msecsSinceStartOfDay() / 86400000.0;
    const double serial = days < 0 ? double(days) - fraction : double(days) + fraction;
    return serial >= 1 && serial < 61 ? serial - 1 : serial;
}

QDateTime FromHostSerial(double serial, bool date1904) {
    if (date1904)
        serial += 1462;
    return vb::FromSerialDate(serial >= 1 && serial < 61 ? serial + 1 : serial);
}

vb::Variant CellNumber(double value) {
    return std::isfinite(value) ? vb::Variant(value) : ErrorValue(0x24);
}

vb::Variant NumberOrDate(double serial, bool date1904) {
    if (!std::isfinite(serial))
        return CellNumber(serial);
    const double shifted = date1904 ? serial + 1462 : serial;
    return vb::IsSerialDate(shifted) && vb::IsSerialDate(shifted + 1) ? vb::Variant(FromHostSerial(serial, date1904))
                                                                       : vb::Variant(serial);
}

int BuiltinDateFormat(const QDateTime& value) {
    if (value.time() == QTime(0, 0))
        return 14;
    if (value.date() == QDate(1899, 12, 30))
        return 21;
    return 22;
}

bool IsBuiltinDateFormat(int id) {
    return (id >= 14 && id <= 22) || (id >= 45 && id <= 47);
}

bool IsDateFormatCode(QStringView code) {
    bool quoted = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        QChar c = code[i];
        if (quoted) {
            if (c == u'"')
                quoted = false;
            continue;
        }
        switch (c.unicode()) {
        case u'"':
            quoted = true;
            break;
        case u'[': {
            qsizetype end = code.indexOf(u']', i);
            if (end < 0)
                return false;
            i = end;
            break;
        }
        case u'\\':
        case u'_':
        case u'*':
            ++i;  // the next character is shown or repeated, not a code
            break;
        default:
            switch (c.toLower().unicode()) {
            case u'd': case u'm': case u'y': case u'h': case u's':
                return true;
            default:
                break;
            }
        }
    }
    return false;
}

double FileColumnWidth(double characters) {
    if (characters <= 0)
        return 0;
    double c = std::min(characters, kMaxColumnWidth);
    double pixels = c < 1 ? std::round(c * 12) : std::round(c * 7) + 5;
    return std::floor(pixels / 7 * 256) / 256;
}

std::vector<WidthRun> ColumnWidthRuns(const std::vector<double>& widths, int maxColumns) {
    std::vector<WidthRun> runs;
    const int count = std::min<int>(int(widths.size()), maxColumns);
    for (int c = 0; c < count;) {
        if (widths[size_t(c)] <= 0) {
            ++c;
            continue;
        }
        int last = c;
        while (last + 1 < count && widths[size_t(last + 1)] == widths[size_t(c)])
            ++last;
        runs.push_back({c, last, widths[size_t(c)]});
        c = last + 1;
    }
    return runs;
}

double ColumnWidthFromFile(double fileWidth) {
    if (fileWidth <= 0)
        return 0;
    double pixels = std::round(fileWidth * 7);
    return pixels <= 12 ? pixels / 12 : (pixels - 5) / 7;
}

const Palette& DefaultPalette() {
    static const Palette palette = {
        0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
        0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
        0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
        0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
        0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
        0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
        0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
    };
    return palette;
}

unsigned IndexedColor(int index, const Palette& palette) {
    if (index >= 0 && index < 8)
        return DefaultPalette()[size_t(index)];
    if (index >= 8 && index < 64)
        return palette[size_t(index - 8)];
    return 0;
}

namespace {

int hexDigit(QChar c) {
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    return -1;
}

// The code unit of an "_xHHHH_" sequence at i, or -1.
int escapedAt(const QString& text, qsizetype i) {
    if (i + 7 > text.size() || text[i] != u'_' || text[i + 1] != u'x' || text[i + 6] != u'_')
        return -1;
    int unit = 0;
    for (qsizetype k = i + 2; k < i + 6; ++k) {
        int d = hexDigit(text[k]);
        if (d < 0)
            return -1;
        unit = unit * 16 + d;
    }
    return unit;
}

} // namespace

QString EscapeOpenXmlSequences(const QString& text) {
    if (!text.contains(QStringLiteral("_x")))
        return text;
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (escapedAt(text, i) >= 0)
            out += QStringLiteral("_x005F");  // the underscore, then the rest as it stands
        out += text[i];
    }
    return out;
}

QString UnescapeOpenXml(const QString& text) {
    if (!text.contains(QStringLiteral("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        int unit = escapedAt(text, i);
        if (unit >= 0) {
            out += QChar(char16_t(unit));
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

namespace {


// Windows-1252's characters from 0x80 to 0x9F (0 where it has none).
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

QString DecodeCodePage(QByteArrayView bytes, int codepage) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* o = out.data();
    const bool windows = codepage == 1252 || codepage == 1254;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = uint8_t(bytes[i]);
        char16_t c = b;
        if (windows && b >= 0x80 && b <= 0x9F && kWindows1252High[b - 0x80])
            c = kWindows1252High[b - 0x80];
        if (codepage == 1254) {
            switch (b) {
            case 0x8E: case 0x9E: c = b; break;  // Ž and ž are not in the Turkish page
            case 0xD0: c = 0x011E; break;         // Ğ
            case 0xDD: c = 0x0130; break;         // İ
            case 0xDE: c = 0x015E; break;         // Ş
            case 0xF0: c = 0x011F; break;         // ğ
            case 0xFD: c = 0x0131; break;         // ı
            case 0xFE: c = 0x015F; break;         // ş
            default: break;
            }
        }
        o[i] = QChar(c);
    }
    return out;
}

} // namespace excel::files
