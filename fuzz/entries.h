#pragma once

// What each fuzz target does with one input, kept apart from libFuzzer so
// that the normal test suite runs the same code over the committed seeds
// and over every input a fuzzer once found failing (tests/fuzz).
//
// A refusal is a run-time error (vb::Error) and fine; anything else that
// escapes (another exception, a crash, a sanitizer's report, a broken
// promise checked here) is a finding.

#include "data/text.h"
#include "platform/ado/ado.h"
#include "platform/ado/collation.h"
#include "platform/excel/files/cfb.h"
#include "platform/excel/files/formats.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/excel/files/xmlpull.h"
#include "platform/excel/sheetdata.h"
#include "platform/vb/error.h"
#include "platform/vb/regional.h"
#include "reports/numberreport.h"
#include "reports/reportparse.h"
#include "gateway/replies.h"
#include "sending/merge.h"
#include "tests/support/byte_pieces.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace fuzz {

// Stops with a report a fuzzer counts as a finding.
[[noreturn]] inline void Broken(const char* promise) {
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

inline void Setup() {
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", "Europe/Istanbul");
    vb::SetRegional(vb::RegionalSettings::turkish());
}

// The text of an input: a first byte that is even takes the rest as UTF-8,
// an odd one as UTF-16 units (little-endian), unpaired surrogates and all.
inline QString TextOf(const uint8_t* data, size_t size) {
    if (size == 0)
        return {};
    if (data[0] % 2 == 0)
        return QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QString text;
    text.reserve(qsizetype((size - 1) / 2));
    for (size_t i = 1; i + 1 < size; i += 2)
        text += QChar(char16_t(data[i] | (data[i + 1] << 8)));
    return text;
}

// The workbook readers, as the host opens a file of that name.
inline void Workbook(const uint8_t* data, size_t size, const char* name) {
    try {
        const excel::WorkbookData book = excel::ReadWorkbookContent(
            QString::fromLatin1(name), QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        for (const excel::SheetData& sheet : book.sheets) {
            if (sheet.rowCount() > 1048576 || sheet.columnCount() > 16384)
                Broken("a sheet within the grid");
            const excel::CellExtent used = sheet.usedExtent();
            for (int r = std::max(used.firstRow, 0); r <= used.lastRow && r < used.firstRow + 50; ++r)
                for (int c = 0; c < sheet.rowLength(r); ++c)
                    if (const auto cell = sheet.cell(r, c);
                        cell && cell->value.isString() && cell->value.stringValue().size() > excel::kMaxCellText)
                        Broken("no text longer than a cell holds");
        }
    } catch (const vb::Error&) {
    }
}

inline void Xls(const uint8_t* data, size_t size) { Workbook(data, size, "dosya.xls"); }
inline void Xlsx(const uint8_t* data, size_t size) { Workbook(data, size, "dosya.xlsx"); }
// A text file read a piece at a time, in pieces of the size its first byte
// gives, reads as it does whole, or is refused as it is whole.
inline void Csv(const uint8_t* data, size_t size) {
    Workbook(data, size, "dosya.csv");
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = QStringLiteral("dosya.csv");
    auto read = [&](excel::files::ByteSource* pieces) -> std::optional<excel::WorkbookData> {
        try {
            return pieces ? excel::files::ReadCsv(name, *pieces) : excel::files::ReadCsv(name, content);
        } catch (const vb::Error&) {
            return std::nullopt;
        }
    };
    excel::testing::Pieces pieces(content, size > 0 ? data[0] % 13 + 1 : 1);
    const std::optional<excel::WorkbookData> whole = read(nullptr), pieced = read(&pieces);
    if (whole.has_value() != pieced.has_value())
        Broken("a text file read in pieces is refused as it is whole");
    if (!whole)
        return;
    const excel::SheetData& a = whole->sheets.at(0);
    const excel::SheetData& b = pieced->sheets.at(0);
    if (a.rowCount() != b.rowCount())
        Broken("a text file read in pieces has the rows it has whole");
    for (int r = 0; r < a.rowCount(); ++r)
        for (int c = 0; c < std::max(a.rowLength(r), b.rowLength(r)); ++c)
            if (!(a.value(r, c) == b.value(r, c)))
                Broken("a text file read in pieces has the values it has whole");
}

inline void Compound(const uint8_t* data, size_t size) {
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto names = excel::files::CompoundStreamNames(file);
    const auto stream = excel::files::ReadCompoundStream(file, {QStringLiteral("Workbook"), QStringLiteral("Book")});
    if (stream && stream->size() > file.size())
        Broken("a stream no longer than its file");
    if (names)
        for (const QString& name : *names)
            excel::files::ReadCompoundStream(file, {name});
}

// The pull reader over the input handed out in pieces of the sizes its
// first bytes give, so that every markup may fall across a piece's end.
inline void Xml(const uint8_t* data, size_t size) {
    size_t at = std::min<size_t>(size, 4);
    size_t piece = 0;
    excel::files::XmlPull x(
        [&](char* to, qsizetype room) -> qsizetype {
            if (at >= size)
                return 0;
            const size_t step = 1 + (size > 0 ? data[piece++ % std::min<size_t>(size, 4)] : 0);
            const size_t n = std::min({step, size - at, size_t(room)});
            std::memcpy(to, data + at, n);
            at += n;
            return qsizetype(n);
        },
        64);
    try {
        int depth = 0;
        for (auto t = x.next(); t != excel::files::XmlPull::Token::Done; t = x.next()) {
            if (t == excel::files::XmlPull::Token::Start) {
                x.attribute("r");
                x.attribute("t");
                ++depth;
            } else if (t == excel::files::XmlPull::Token::End) {
                --depth;
            } else if (x.text().size() > 64) {
                Broken("no more character data kept than asked");
            }
            if (depth != x.depth() || depth > excel::files::XmlPull::kMaxDepth)
                Broken("the depth follows the elements");
        }
    } catch (const excel::files::XmlPull::Malformed&) {
    }
}

class ReportSink : public reports::ReportSink {
public:
    ReportSink() { reports::AppendReportFields(rs_); }
    ado::Recordset& report() override { return rs_; }

private:
    ado::Recordset rs_;
};

class NumberReportSink : public reports::NumberReportSink {
public:
    NumberReportSink() { reports::AppendReportFields(rs_); }
    ado::Recordset& report() override { return rs_; }

private:
    ado::Recordset rs_;
};

// Both report parsers read the gateway's lines: the report of a request or
// of dates, and the report of a number.
inline void Report(const uint8_t* data, size_t size) {
    const QString reply = TextOf(data, size);
    ReportSink sink;
    try {
        const reports::ReportCounts counts = reports::ParseReport(reply, sink);
        if (counts.total != counts.pending + counts.delivered + counts.timedOut + counts.rejected)
            Broken("every line counted once");
    } catch (const vb::Error&) {
    }
    NumberReportSink numbers;
    try {
        const qint32 lines = reports::ParseNumberReport(reply, numbers);
        if (lines != numbers.report().RecordCount())
            Broken("a row for every line counted");
    } catch (const vb::Error&) {
        if (numbers.report().RecordCount() > qsizetype(reply.count(u'\n')))
            Broken("no more rows than lines");
    }
}

inline void Account(const uint8_t* data, size_t size) {
    const QString reply = TextOf(data, size);
    try {
        const quillmere::replies::AccountInfo info = quillmere::replies::ParseAccountInfo(reply);
        qsizetype length = info.credit.size() + 1;
        for (const QString& o : info.originators) {
            if (o.contains(u'\n'))
                Broken("no line feed inside a line");
            length += o.size() + 1;
        }
        if (length > reply.size())
            Broken("no more than the reply");
    } catch (const vb::Error&) {
    }
}

// The three ways texts are compared agree: the sort's keys, a filter
// value's comparison and LIKE's folding.
inline void SameTextOrder(const QString& a, const QString& b) {
    std::string ka, kb;
    ado::detail::AppendTextKey(a, ka);
    ado::detail::AppendTextKey(b, kb);
    const int byKeys = ka < kb ? -1 : kb < ka ? 1 : 0;
    const int byValue = ado::detail::TextKey(b).compare(a);
    if (byKeys != (byValue < 0 ? -1 : byValue > 0 ? 1 : 0))
        Broken("a filter's value compares as the sort orders");
    if ((byKeys == 0) != (ado::detail::FoldText(a) == ado::detail::FoldText(b)))
        Broken("texts LIKE matches are the texts the sort takes as equal");
}

// A filter and a sort typed over a small recordset of every kind of field,
// one of its texts the filter's own.
inline void Criteria(const uint8_t* data, size_t size) {
    const QString text = TextOf(data, size);
    const qsizetype cut = text.indexOf(u'\n');
    const QString typed = (cut < 0 ? text : text.left(cut)).left(50);
    for (const QString& other : {QStringLiteral("İletildi"), QStringLiteral("ILETILDI"), QStringLiteral("Çiğdem"),
                                 QStringLiteral("Kâzım"), QString(), text.mid(cut + 1, 50)})
        SameTextOrder(typed, other);
    ado::Recordset rs;
    rs.Fields().Append(QStringLiteral("GsmNo"), ado::adVarChar, 50);
    rs.Fields().Append(QStringLiteral("Durum"), ado::adVarChar, 50);
    rs.Fields().Append(QStringLiteral("Adet"), ado::adInteger, 4);
    rs.Fields().Append(QStringLiteral("Tutar"), ado::adDouble, 8);
    rs.Fields().Append(QStringLiteral("Tarih"), ado::adDate, 8);
    rs.Open();
    const vb::Variant rows[][5] = {
        {vb::Variant("5321234567"), vb::Variant("İletildi"), vb::Variant(3), vb::Variant(12.5),
         vb::Variant(QDateTime(QDate(2024, 2, 29), QTime(9, 0)))},
        {vb::Variant("5051112233"), vb::Variant("Reddedildi"), vb::Variant::Null(), vb::Variant(-1.0),
         vb::Variant::Null()},
        {vb::Variant::Null(), vb::Variant("O'Neil % _ * ?"), vb::Variant(0), vb::Variant::Null(),
         vb::Variant(QDateTime(QDate(1899, 12, 30), QTime(0, 0)))},
    };
    for (const auto& row : rows) {
        rs.AddNew();
        for (int f = 0; f < 5; ++f)
            rs.Fields(f).setValue(row[f]);
        rs.Update();
    }
    rs.AddNew();
    rs.Fields(1).setValue(typed);
    rs.Update();
    try {
        rs.setFilter(cut < 0 ? text : text.left(cut));
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            rs.Fields(0).Value();
    } catch (const vb::Error&) {
    }
    try {
        if (cut >= 0)
            rs.setSort(text.mid(cut + 1));
        if (!(rs.Bof() && rs.Eof()))
            for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
                rs.Fields(1).Value();
    } catch (const vb::Error&) {
    }
}

// What a merge gives, or the number of the error it raises.
struct Merged {
    QString text;
    int error = 0;
    bool operator==(const Merged&) const = default;
};

template <typename F>
Merged merged(F merge) {
    try {
        return {merge(), 0};
    } catch (const vb::Error& e) {
        return {{}, e.number()};
    }
}

// A template, the first line of the input, merged with the rows of a small
// recordset two ways: placeholder by placeholder, and by the merger that
// parses the template once for a recordset. Both give the same, row by row.
inline void Merge(const uint8_t* data, size_t size) {
    const QString text = TextOf(data, size);
    const qsizetype cut = text.indexOf(u'\n');
    const QString templateText = cut < 0 ? text : text.left(cut);
    ado::Recordset rs;
    for (const char* name : {"Ad", "Ad Soyad", "GsmNo", "Tutar", "Tarih"})
        rs.Fields().Append(QString::fromUtf8(name), ado::adVarChar, 255);
    rs.Open();
    const QString rows[][5] = {
        {QStringLiteral("Çağrı"), QStringLiteral("Çağrı Işık"), QStringLiteral("5321234567"), QStringLiteral("12,5"),
         QStringLiteral("29.02.2024")},
        // The rest of the input as a value, as long as the field takes.
        {QStringLiteral("[##Ad##]"), QString(), QStringLiteral("##]"), cut < 0 ? QString() : text.mid(cut + 1, 255),
         QStringLiteral("[##")},
    };
    for (const auto& row : rows) {
        rs.AddNew();
        for (int f = 0; f < 5; ++f)
            rs.Fields(f).setValue(row[f].isNull() ? vb::Variant::Null() : vb::Variant(row[f]));
        rs.Update();
    }
    sending::RowMerger merger(templateText);
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        const Merged one = merged([&] {
            return sending::MergeTemplate(templateText, [&](const QString& name) { return rs.Fields(name).Value(); });
        });
        const Merged all = merged([&] { return merger.Merge(rs); });
        if (!(one == all))
            Broken("the merger merges as the template is merged placeholder by placeholder");
        if (!templateText.contains(QStringLiteral("[##")) && one.text != templateText)
            Broken("a template without a placeholder goes out as it is");
    }
}

inline void Text(const uint8_t* data, size_t size) {
    const QString text = TextOf(data, size);
    const QString folded = mdlGenel::FoldSmsText(text);
    for (QChar c : folded)
        if (c == u'<' || c == u'>' || c == u'&' || c == u'\r' || c == u'\n' || c == u'~')
            Broken("no character that breaks a document or a line");
    const QString number = mdlGenel::NormalizeGsmNumber(text);
    if (!number.isEmpty()) {
        if (number.size() != 10 || !number.startsWith(u'5'))
            Broken("a number is ten digits beginning with 5");
        for (QChar c : number)
            if (!c.isDigit() || c.unicode() > 0x7F)
                Broken("a number is made of ASCII digits");
    }
}

} // namespace fuzz
