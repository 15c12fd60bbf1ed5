#pragma once

#include "platform/excel/sheetdata.h"

#include <QString>
#include <memory>

namespace excel {
class Workbook;
}

namespace host {

// Before the host writes a workbook into a file of the format: when the
// format would lose something (formulas, merged ranges, fonts, sheets), a
// question says what and asks whether to save all the same. True to go on.
bool ConfirmLosses(const excel::Workbook& book, const QString& fileName, excel::FileFormat format);

} // namespace host
