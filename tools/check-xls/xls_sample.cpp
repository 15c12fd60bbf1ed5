// xls-sample: the sample workbook of the LibreOffice check.
//
//   xls-sample write FILE     writes the sample (.xls, .xlsx or .csv by name)
//   xls-sample dump FILE      prints what our reader finds in FILE
//   xls-sample compare FILE   compares FILE (read with our reader) with the
//                             sample; exit status 1 when they differ
//
// Compare options: --sheet N (FILE holds sheet N of the sample only, as a
// CSV does), --no-fonts (a CSV keeps none), --strings-only (only the
// sample's text cells are compared, as text: a CSV's numbers and dates are
// written as another program shows them), --width-tolerance N (characters; default
// 0.2).

#include "platform/excel/files/workbookfile.h"
#include "platform/excel/sheetdata.h"
#include "platform/vb/error.h"

#include <QCoreApplication>
#include <QStringList>
#include <cmath>
#include <cstdio>

namespace {

using excel::CellData;
using excel::SheetData;
using excel::WorkbookData;

CellData cell(vb::Variant value = {}, bool bold = false, unsigned color = 0) {
    return CellData::make(std::move(value), bold, color);
}

WorkbookData sample() {
    WorkbookData book;
    SheetData customers = SheetData::FromRows(QStringLiteral("Müşteriler"), {
        {cell("Ad Soyad", true), cell("GsmNo", true), cell("Tutar", true), cell("Tarih", true), cell("Durum", true)},
        {cell("Çağrı Işık"), cell("05321234567"), cell(-12.75), cell(QDate(2024, 2, 29)), cell("İletildi")},
        {cell("Şükrü Öğütçü"), cell(), cell(1234567.125), cell(QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59))),
         cell("Reddedildi", true, 0xFF0000)},
        {cell("ĞÜŞİÖÇ ğüşıöç"), cell(5321234567.0), cell(0.5), cell(QDateTime(QDate(1899, 12, 30), QTime(8, 30))),
         cell(true)},
        {},
        {cell("Toplam", true), cell(), cell(1234554.875, true, 0x0000FF), cell(), cell(false)},
    });
    customers.columnWidths = {20, 15, 12, 18, 12};
    book.sheets.push_back(customers);

    SheetData overlong = SheetData::FromRows(QStringLiteral("Gönderilmeyenler"), {
        {cell("GsmNo", true), cell("Mesaj", true, 0xC00000)},
        {cell("5051112233"), cell(QStringLiteral("Sayın müşterimiz, ödemeniz alınmıştır; iyi günler dileriz."))},
        {cell("5441234567"), cell(QStringLiteral("Kampanya: şimdi %20 indirim, ayrıntılar için şubemize uğrayın."))},
    });
    overlong.columnWidths = {14, 60};
    book.sheets.push_back(overlong);

    SheetData summary = SheetData::FromRows(
        QStringLiteral("Özet İşlemler"),
        {{cell("Gönderilen", true), cell(2.0)}, {cell("Gönderilemeyen", true, 0xFF0000), cell(2.0)}});
    book.sheets.push_back(summary);
    return book;
}

QString valueText(const vb::Variant& v) {
    switch (v.type()) {
    case vb::vbEmpty: return QStringLiteral("(boş)");
    case vb::vbString: return u'"' + v.stringValue() + u'"';
    case vb::vbBoolean: return v.boolValue() ? QStringLiteral("True") : QStringLiteral("False");
    case vb::vbDate: return QStringLiteral("#") + v.dateValue().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + u'#';
    default: return QString::number(v.doubleValue(), 'g', 17);
    }
}

QString csvText(const vb::Variant& v) {
    if (v.isNumber())
        return QString::number(v.doubleValue(), 'g', 15);
    return v.isString() ? v.stringValue() : QString();
}

QString cellName(int row, int column) {
    QString letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row + 1);
}

void print(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
}

void dump(const WorkbookData& book) {
    for (const SheetData& sheet : book.sheets) {
        print(QStringLiteral("sayfa \"%1\" (%2 satır)").arg(sheet.name).arg(sheet.rowCount()));
        for (size_t c = 0; c < sheet.columnWidths.size(); ++c)
            if (sheet.columnWidths[c] > 0)
                print(QStringLiteral("  sütun %1 genişlik %2").arg(c).arg(sheet.columnWidths[c], 0, 'f', 2));
        for (int r = 0; r < sheet.rowCount(); ++r)
            for (int c = 0; c < sheet.rowLength(r); ++c) {
                if (sheet.isEmpty(r, c))
                    continue;
                const CellData cell = *sheet.cell(r, c);
                QString line = QStringLiteral("  %1 %2").arg(cellName(r, c), valueText(cell.value));
                if (cell.bold)
                    line += QStringLiteral(" kalın");
                if (cell.color)
                    line += QStringLiteral(" renk #%1").arg(cell.color, 6, 16, QChar(u'0'));
                print(line);
            }
    }
}

struct Options {
    int sheet = -1;  // all
    bool fonts = true;
    bool stringsOnly = false;
    double widthTolerance = 0.2;
};

int compare(WorkbookData expected, const WorkbookData& actual, const Options& o) {
    if (o.sheet >= 0) {
        SheetData only = expected.sheets.at(size_t(o.sheet));
        expected.sheets = {only};
    }
    int differences = 0, cells = 0;
    auto differ = [&](const QString& what) {
        ++differences;
        print(QStringLiteral("FARK: ") + what);
    };
    if (actual.sheets.size() != expected.sheets.size())
        differ(QStringLiteral("%1 sayfa bekleniyordu, %2 var").arg(expected.sheets.size()).arg(actual.sheets.size()));
    for (size_t s = 0; s < std::min(expected.sheets.size(), actual.sheets.size()); ++s) {
        const SheetData& e = expected.sheets[s];
        const SheetData& a = actual.sheets[s];
        if (o.sheet < 0 && e.name != a.name)
            differ(QStringLiteral("sayfa adı \"%1\" / \"%2\"").arg(e.name, a.name));
        const int rows = std::max(e.rowCount(), a.rowCount());
        const int columns = std::max(e.columnCount(), a.columnCount());
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                const CellData none;
                const CellData& ec = e.cell(r, c) ? *e.cell(r, c) : none;
                const CellData& ac = a.cell(r, c) ? *a.cell(r, c) : none;
                if (o.stringsOnly && !ec.value.isString())
                    continue;
                const QString where = e.name + u'!' + cellName(r, c);
                ++cells;
                // A CSV reader types unquoted digits as a number, and other
                // programs quote only what needs quotes: text compares as text.
                const bool same = o.stringsOnly ? ec.value.stringValue() == csvText(ac.value) : ec.value == ac.value;
                if (!same)
                    differ(QStringLiteral("%1 değer %2 / %3").arg(where, valueText(ec.value), valueText(ac.value)));
                if (o.fonts && (ec.bold != ac.bold || ec.color != ac.color))
                    differ(QStringLiteral("%1 yazı tipi kalın=%2 renk=#%3 / kalın=%4 renk=#%5")
                               .arg(where)
                               .arg(ec.bold)
                               .arg(ec.color, 6, 16, QChar(u'0'))
                               .arg(ac.bold)
                               .arg(ac.color, 6, 16, QChar(u'0')));
            }
        if (!o.fonts)
            continue;
        for (size_t c = 0; c < e.columnWidths.size(); ++c) {
            const double aw = c < a.columnWidths.size() ? a.columnWidths[c] : 0;
            if (std::fabs(e.columnWidths[c] - aw) > o.widthTolerance)
                differ(QStringLiteral("%1 sütun %2 genişlik %3 / %4").arg(e.name).arg(c).arg(e.columnWidths[c]).arg(aw));
        }
    }
    print(QStringLiteral("%1 hücre karşılaştırıldı, %2 fark").arg(cells).arg(differences));
    return differences ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "kullanım: xls-sample write|dump|compare DOSYA [seçenekler]\n");
        return 2;
    }
    const QString command = args.takeFirst();
    const QString file = args.takeFirst();
    try {
        if (command == u"write") {
            excel::WriteWorkbookFile(sample(), file, excel::FormatForFileName(file));
            return 0;
        }
        if (command == u"dump") {
            dump(excel::ReadWorkbookFile(file));
            return 0;
        }
        if (command == u"compare") {
            Options o;
            for (int i = 0; i < args.size(); ++i) {
                if (args[i] == u"--no-fonts")
                    o.fonts = false;
                else if (args[i] == u"--sheet" && i + 1 < args.size())
                    o.sheet = args[++i].toInt();
                else if (args[i] == u"--strings-only")
                    o.stringsOnly = true;
                else if (args[i] == u"--width-tolerance" && i + 1 < args.size())
                    o.widthTolerance = args[++i].toDouble();
            }
            return compare(sample(), excel::ReadWorkbookFile(file), o);
        }
    } catch (const vb::Error& e) {
        std::fprintf(stderr, "hata %d: %s\n", e.number(), e.description().toUtf8().constData());
        return 1;
    }
    std::fprintf(stderr, "bilinmeyen komut: %s\n", command.toUtf8().constData());
    return 2;
}
