#pragma once

// A report list as the report window exports it: a number and a status, 50
// characters each, one record per number, the statuses in turn.
#include "platform/ado/ado.h"
#include "platform/vb/variant.h"

#include <QString>
#include <array>
#include <utility>
#include <vector>

// The number and the status of record i.
inline QString ReportNumber(int i) { return QStringLiteral("53%1").arg(i, 8, 10, QChar(u'0')); }
inline QString ReportStatus(int i) {
    static const std::array<const char*, 4> states{"Beklemede", "İletildi", "Zaman Aşımı", "Reddedildi"};
    return QString::fromUtf8(states[std::size_t(i % 4)]);
}

inline ado::RecordsetPtr ReportRecordset(int records) {
    auto rs = std::make_shared<ado::Recordset>();
    rs->Fields().Append(QStringLiteral("GsmNo"), ado::adVarChar, 50);
    rs->Fields().Append(QStringLiteral("Durum"), ado::adVarChar, 50);
    rs->Open();
    for (int i = 0; i < records; ++i) {
        rs->AddNew();
        rs->Fields(0).setValue(ReportNumber(i));
        rs->Fields(1).setValue(ReportStatus(i));
        rs->UpdateBatch(ado::adAffectAll);
    }
    return rs;
}

// The rows of a report, in its order: each its two values as text.
inline std::vector<std::pair<QString, QString>> ReportRows(ado::Recordset& rs) {
    std::vector<std::pair<QString, QString>> out;
    if (rs.Bof() && rs.Eof())
        return out;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        out.emplace_back(vb::CStr(rs.Fields(0).Value()), vb::CStr(rs.Fields(1).Value()));
    return out;
}
