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
        sheet.reserveRows(count + 1);
        int column = 0;
        for (const char* h : {"GsmNo", "Durum", "MSGID", "Tarih", "Mesaj"})
            sheet.set(0, column++, CellData::make(h, true));
        for (int i = 0; i < count; ++i, ++record) {
            const bool rejected = record % 4 == 3;
            const int row = i + 1;
            sheet.setValue(row, 0, QStringLiteral("53%1").arg(record, 8, 10, QChar(u'0')));
            sheet.set(row, 1, CellData::make(states[record % 4], rejected, rejected ? 0xFF0000 : 0));
            sheet.setValue(row, 2, double(1000000 + record));
            sheet.setValue(row, 3, QDateTime(QDate(2024, 1, 1).addDays(record % 366), QTime(9, record % 60)));
            sheet.setValue(row, 4, QStringLiteral("Sayın müşterimiz, %1 numaralı siparişiniz yola çıktı.").arg(record % 1000));
        }
        sheet.columnWidths = {14, 12, 10, 18, 50};
        book.sheets.push_back(std::move(sheet));
    }
    return book;
}

} // namespace excel::testing
