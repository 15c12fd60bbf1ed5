#pragma once

// What the readers and writers of the workbook formats share: their errors,
// the host's serial dates, its date formats, column width units, colour
// palette and sheet-name rules.

#include "platform/excel/sheetdata.h"
#include "platform/vb/export.h"

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>
#include <vector>

namespace excel::files {

// Failures, each raised as the vb::Error the host gives for it.
[[noreturn]] void RaiseMissing(const QString& path);
[[noreturn]] void RaiseUnreadable(const QString& path, const QString& detail = {});
// Files that are no workbook of ours to read, each refused with what it is.
[[noreturn]] void RaisePasswordProtected(const QString& path);
[[noreturn]] void RaiseNotSupported(const QString& path, const QString& what);
[[noreturn]] void RaiseUnwritable(const QString& path, const QString& detail = {});
// A write that failed for want of room on the disk.
[[noreturn]] void RaiseDiskFull(const QString& path);
[[noreturn]] void RaiseTooLarge(const QString& sheet, int maxRows, int maxColumns);

// The longest text a cell holds in every format; a file that holds a
// longer one is refused, naming the cell (0-based row and column).
constexpr int kMaxTextLength = kMaxCellText;
[[noreturn]] void RaiseTextTooLong();
[[noreturn]] void RaiseCellTextTooLong(const QString& path, const QString& sheet, int row, int column);
// A file whose sheet goes past the grid of the formats (1,048,576 rows and
// 16,384 columns) is refused.
constexpr int kGridRows = 1048576;
constexpr int kGridColumns = 16384;
[[noreturn]] void RaiseBeyondGrid(const QString& path, const QString& sheet);

// The rows and columns a sheet's non-empty cells take (-1 when none).
using Extent = CellExtent;
inline Extent ExtentOf(const SheetData& sheet) { return sheet.usedExtent(); }

// Checks what every format needs of a workbook before it is written: at
// least one sheet and valid, distinct sheet names (1 to 31 characters, none
// of : \ / ? * [ ], no apostrophe at either end).
void CheckWorkbook(const WorkbookData& workbook);

// A valid sheet name made of a file's base name, as the host names the
// sheet of a text file it opens: forbidden characters become "_".
QString SheetNameFromFileName(const QString& path);

// The host's serial dates (1900 system). They agree with the language's
// serials from 1 March 1900 on; before it the host counts a 29 February 1900
// that never was, so its serials there are one less. Fractions below 1 are
// times of day in both.
QM_EXPORT double HostSerial(const QDateTime& value);
QM_EXPORT QDateTime FromHostSerial(double serial, bool date1904 = false);
// A number under a date format is a date when it is one of the language's
// dates; outside them (as the host shows "####") it stays a number.
// A number that is none (NaN, infinite), which no cell holds, is the error
// value #NUM!.
vb::Variant NumberOrDate(double serial, bool date1904);
vb::Variant CellNumber(double value);

// The built-in number format a date value is written with: 14 (date), 21
// (time of day, for a value on the language's day zero) or 22 (date and time).
int BuiltinDateFormat(const QDateTime& value);
// Built-in formats 14 to 22 and 45 to 47 show dates or times.
bool IsBuiltinDateFormat(int id);
// A format code shows a date or time when it uses d, m, y, h or s outside
// quoted text, brackets and escaped characters.
QM_EXPORT bool IsDateFormatCode(QStringView code);

// Column widths: the model counts characters of the default font's digits,
// as the host's user interface does; files store that width plus the cell
// padding, rounded to whole pixels (7 pixels a digit, 5 of padding).
double FileColumnWidth(double characters);
double ColumnWidthFromFile(double fileWidth);
constexpr double kMaxColumnWidth = 255;
// Runs of neighbouring columns of one width (first, last, width), as both
// formats store them; columns of the default width are left out.
struct WidthRun {
    int first, last;
    double width;
};
std::vector<WidthRun> ColumnWidthRuns(const std::vector<double>& widths, int maxColumns);

// The 56-colour palette of the binary format (colour indexes 8 to 63) as the
// host ships it; files may replace it. Indexes 0 to 7 are the eight basic
// colours whatever the palette says.
using Palette = std::array<unsigned, 56>;
const Palette& DefaultPalette();
// The 0xRRGGBB colour of an index, 0 (automatic) for the system colours.
unsigned IndexedColor(int index, const Palette& palette = DefaultPalette());

// Texts of the Open XML format write "_xHHHH_" for the UTF-16 unit HHHH
// (a carriage return, the control characters XML cannot hold); a text that
// holds such a sequence itself has its underscore written _x005F_.
// libxlsxwriter escapes the characters; the escaping of literal sequences
// is ours.
QString EscapeOpenXmlSequences(const QString& text);
QString UnescapeOpenXml(const QString& text);

// Cell errors, as the model has them.
using excel::ErrorCode;
using excel::ErrorCodeOfText;
using excel::ErrorText;
using excel::ErrorValue;

// Text of the single-byte code pages the files meet: Windows-1254
// (Turkish) and 1252 (Western); any other is read as Latin-1.
QString DecodeCodePage(QByteArrayView bytes, int codepage);

} // namespace excel::files
