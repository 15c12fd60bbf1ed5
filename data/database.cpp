#include "data/database.h"

#include "platform/ado/ado.h"
#include "platform/vb/error.h"
#include "platform/win32/app.h"
#include "state/mdlGenel.h"

namespace mdlGenel {

QString DatabaseConnectionString(const QString& folder) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + folder + QStringLiteral("/tervane.mdb");
}

void OpenDatabase() {
    if (!DbConnection)
        DbConnection = std::make_shared<ado::Connection>();
    if (DbConnection->State() == ado::adStateClosed) {
        DbConnection->setConnectionString(DatabaseConnectionString(win32::AppPath()));
        DbConnection->Open();
    }
}

void CloseWorkbookConnection() {
    vb::ResumeNext([] {
        if (ExcelSchema)
            ExcelSchema->Close();
    });
    vb::ResumeNext([] {
        if (ExcelConnection)
            ExcelConnection->Close();
    });
    ExcelSchema.reset();
    ExcelConnection.reset();
}

QString SqlQuote(const vb::Variant& value) {
    return vb::CStr(value).replace(u'\'', QStringLiteral("''"));
}

QString NullToEmpty(const vb::Variant& value) { return value.isNull() ? QString() : vb::CStr(value); }

QString GetParam(const QString& key) {
    OpenDatabase();
    auto rs = std::make_shared<ado::Recordset>();
    rs->Open(QStringLiteral("SELECT     deger ") + QStringLiteral("FROM   tbl_param ")
                 + QStringLiteral("WHERE  parametre = '") + SqlQuote(key) + u'\'',
             DbConnection, ado::adOpenStatic, ado::adLockReadOnly);
    if (rs->Bof() && rs->Eof())
        return QString();
    return vb::CStr(rs->Fields(0).Value());
}

void SetParam(const QString& key, const QString& value) {
    QString sql = QStringLiteral("UPDATE    tbl_param ") + QStringLiteral("SET        deger = '") + SqlQuote(value)
                  + QStringLiteral("' ") + QStringLiteral("WHERE  parametre = '") + SqlQuote(key) + u'\'';
    OpenDatabase();
    DbConnection->Execute(sql);
}

void AddSettingsRow() {
    try {
        OpenDatabase();
        DbConnection->Execute(QStringLiteral(
            "INSERT INTO tbl_ayarlar (kullanici_adi, parola, ckey, flg_kaydet, kullanici_adi_i, parola_i, "
            "flg_kaydet_i, flg_gw, url_palvori) VALUES ('', '', '', '0', '', '', '0', '0', '')"));
    } catch (...) {
        vb::LogSwallowed();
        // A database that cannot be written keeps asking for the login, as
        // it did before.
    }
}

void SaveLoginSettings(const QString& user, const QString& password, const QString& clientCode,
                       const QString& saveFlag, const QString& gatewayType, const QString& url) {
    OpenDatabase();
    QString sql;
    if (gatewayType == u"Quillmere" && saveFlag == u"1") {
        sql = QStringLiteral("UPDATE tbl_ayarlar ") + QStringLiteral("SET kullanici_adi = '") + SqlQuote(user)
              + QStringLiteral("',") + QStringLiteral("           parola = '") + SqlQuote(password)
              + QStringLiteral("',") + QStringLiteral("             ckey = '") + SqlQuote(clientCode)
              + QStringLiteral("',") + QStringLiteral("       flg_kaydet = '") + SqlQuote(saveFlag)
              + QStringLiteral("',") + QStringLiteral("           flg_gw = '0'");
    } else if (gatewayType == u"Quillmere" && saveFlag == u"0") {
        sql = QStringLiteral("UPDATE tbl_ayarlar ") + QStringLiteral("SET kullanici_adi = '',")
              + QStringLiteral("           parola = '',") + QStringLiteral("             ckey = '',")
              + QStringLiteral("       flg_kaydet = '0',") + QStringLiteral("           flg_gw = '0'");
    } else if (gatewayType == u"Palvori" && saveFlag == u"1") {
        sql = QStringLiteral("UPDATE tbl_ayarlar ") + QStringLiteral("SET   kullanici_adi_i = '") + SqlQuote(user)
              + QStringLiteral("',") + QStringLiteral("             parola_i = '") + SqlQuote(password)
              + QStringLiteral("',") + QStringLiteral("         flg_kaydet_i = '") + SqlQuote(saveFlag)
              + QStringLiteral("',") + QStringLiteral("               flg_gw = '1',")
              + QStringLiteral("          url_palvori = '") + SqlQuote(url) + u'\'';
    } else if (gatewayType == u"Palvori" && saveFlag == u"0") {
        sql = QStringLiteral("UPDATE tbl_ayarlar ") + QStringLiteral("SET   kullanici_adi_i = '',")
              + QStringLiteral("             parola_i = '',") + QStringLiteral("         flg_kaydet_i = '0',")
              + QStringLiteral("               flg_gw = '1',") + QStringLiteral("          url_palvori = '")
              + SqlQuote(url) + u'\'';
    }
    // Anything else leaves the statement empty, and running it fails.
    DbConnection->Execute(sql);
}

} // namespace mdlGenel
