#pragma once

#include "platform/ado/ado.h"
#include "platform/vb/error.h"

#include <QString>
#include <QStringList>

namespace adotest {

// The number of the run-time error a call raises; 0 when it raises none.
template <class F>
int ErrorOf(F&& call) {
    try {
        call();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

// The text of one field over every row, walked from the first.
inline QStringList Column(const ado::RecordsetPtr& rs, const QString& field) {
    QStringList out;
    if (rs->Bof() && rs->Eof())
        return out;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        vb::Variant v = rs->Fields(field).Value();
        out << (v.isNull() ? QStringLiteral("<null>") : vb::CStr(v));
    }
    return out;
}

// A made-up recordset of text fields, one row per entry of rows.
inline ado::RecordsetPtr MadeUp(const QStringList& fields, const std::vector<QStringList>& rows, int size = 50) {
    auto rs = std::make_shared<ado::Recordset>();
    for (const QString& f : fields)
        rs->Fields().Append(f, ado::adVarChar, size);
    rs->Open();
    for (const QStringList& r : rows) {
        rs->AddNew();
        for (int i = 0; i < r.size(); ++i)
            rs->Fields(i).setValue(r[i]);
        rs->UpdateBatch(ado::adAffectAll);
    }
    return rs;
}

} // namespace adotest
