#pragma once

// The rows of a report list as the report window exports them (number,
// status, message id, date, message), for the tests and the benchmarks of
// the workbook files.

#include "platform/excel/sheetdata.h"

namespace excel::testing {

// records rows in sheets "Sayfa1", "Sayfa2"... of perSheet rows at most, each
// under a bold header row; every fourth status bold red.
inline WorkbookData ReportRows(int records, int perSheet) {
    static const char* states[] = {"Bekliyor", "İletildi", "Zaman aşımı", "Reddedildi"};
    WorkbookData book;
    for (int record = 0, s = 0; record < records; ++s) {
        SheetData sheet;
        sheet.name = QStringLiteral("Sayfa%1").arg(s + 1);
        const int count = std::min(perSheet, records - record);
        sheet.rows.reserve(size_t(count) + 1);
        sheet.rows.emplace_back();
        for (const char* h : {"GsmNo", "Durum", "MSGID", "Tarih", "Mesaj"})
            sheet.rows[0].push_back(CellData::make(h, true));
        for (int i = 0; i < count; ++i, ++record) {
            const bool rejected = record % 4 == 3;
            sheet.rows.push_back({
                CellData::make(QStringLiteral("53%1").arg(record, 8, 10, QChar(u'0'))),
                CellData::make(states[record % 4], rejected, rejected ? 0xFF0000 : 0),
                CellData::make(double(1000000 + record)),
                CellData::make(QDateTime(QDate(2024, 1, 1).addDays(record % 366), QTime(9, record % 60))),
                CellData::make(QStringLiteral("Sayın müşterimiz, %1 numaralı siparişiniz yola çıktı.").arg(record % 1000)),
            });
        }
        sheet.columnWidths = {14, 12, 10, 18, 50};
        book.sheets.push_back(std::move(sheet));
    }
    return book;
}

} // namespace excel::testing
