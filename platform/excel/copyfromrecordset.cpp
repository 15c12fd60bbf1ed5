// The range's copy of a recordset, kept apart so that only this file needs
// the data objects.
#include "platform/ado/ado.h"
#include "platform/excel/range.h"
#include "platform/excel/workbook.h"
#include "platform/vb/error.h"

#include <algorithm>

namespace excel {

int Range::CopyFromRecordset(ado::Recordset& rs, int maxRows, int maxColumns) const {
    excel::Worksheet& s = sheet();
    const int top = Row(), left = Column();
    int fields = rs.Fields().Count();
    if (maxColumns > 0) fields = std::min(fields, maxColumns);
    if (left + fields - 1 > kMaxColumns)
        vb::Raise(errExcel, QStringLiteral("CopyFromRecordset method of Range class failed"));
    int written = 0;
    while (!rs.Eof() && (maxRows <= 0 || written < maxRows)) {
        const int row = top + written;
        if (row > kMaxRows) vb::Raise(errExcel, QStringLiteral("CopyFromRecordset method of Range class failed"));
        for (int f = 0; f < fields; ++f) {
            const vb::Variant v = StoredCellValue(rs.Fields(f).Value());
            if (!v.isEmpty() || s.data_.holdsValue(row - 1, left + f - 1))
                s.data_.setValue(row - 1, left + f - 1, v);
        }
        ++written;
        rs.MoveNext();
    }
    // One notice for the whole block: a page is 65535 rows.
    if (written > 0 && fields > 0) s.changed(Area{top, left, written, fields});
    return written;
}

} // namespace excel
