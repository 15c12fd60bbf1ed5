#pragma once

// What the workbook file tests share: a sample workbook, a comparison of
// workbooks and a scratch folder.

#include "platform/excel/sheetdata.h"
#include "platform/vb/error.h"

#include <QTemporaryDir>
#include <string>
#include <utility>
#include <vector>
#include <gtest/gtest.h>

namespace excel {

inline void PrintTo(FileFormat format, std::ostream* os) {
    *os << (format == FileFormat::Xls ? "xls" : format == FileFormat::Xlsx ? "xlsx" : "csv");
}

} // namespace excel

namespace excel::testing {

// Three sheets with Turkish names: Turkish text, negative and fractional
// numbers, dates, a time of day, booleans, empty cells in the middle, bold
// and coloured fonts, column widths; the last sheet is empty.
WorkbookData SampleWorkbook();

// Cells, fonts (unless fonts is false), names and widths are the same;
// widths within the pixel rounding the files store them with.
void ExpectSameWorkbook(const WorkbookData& expected, const WorkbookData& actual, bool fonts = true);

inline CellData Cell(vb::Variant value = {}, bool bold = false, unsigned color = 0) {
    return CellData::make(std::move(value), bold, color);
}

// freexl, on its own, reads the .xls file at path as a BIFF8 workbook in
// UTF-16 holding the workbook's sheet names and values (dates as freexl's
// date, date-time and time cells).
void ExpectFreexlReads(const QString& path, const WorkbookData& expected);

// A zip archive of the given parts (name, content).
void WriteZip(const QString& path, const std::vector<std::pair<std::string, std::string>>& parts);

class FilesTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    void writeBytes(const QString& name, const QByteArray& bytes) const;
    QByteArray readBytes(const QString& name) const;

private:
    QTemporaryDir dir_;
};

// Expects a vb::Error of the given number from the statement.
#define EXPECT_VB_ERROR(statement, errorNumber)                                   \
    do {                                                                          \
        try {                                                                     \
            statement;                                                            \
            ADD_FAILURE() << "no error from " #statement;                         \
        } catch (const vb::Error& e) {                                            \
            EXPECT_EQ(e.number(), errorNumber) << e.description().toStdString();  \
        }                                                                         \
    } while (false)

} // namespace excel::testing
