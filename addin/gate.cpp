#include "addin/gate.h"

#include "data/database.h"
#include "gateway/Gateway.h"
#include "gateway/endpoints.h"
#include "platform/ado/ado.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/win32/filesystem.h"
#include "platform/win32/registry.h"
#include "state/mdlGenel.h"

namespace mdlGenel {

namespace {

// The first two parts of a version text as whole numbers ("2.81.1117.0"
// gives 2 and 8, "10.0" gives 10 and 0). A text that does not start that way
// fails the conversion, as a text that is no number does.
std::pair<int, int> majorMinor(const QString& version) {
    QStringList parts = version.split(u'.');
    if (parts.size() < 2 || parts[0].isEmpty() || parts[1].isEmpty())
        vb::Raise(vb::errTypeMismatch);
    int major = vb::CInt(parts[0]);
    // The minor number is judged by its first digit: 2.81 is 2.8, not 2.81.
    int minor = vb::CInt(parts[1].left(1));
    return {major, minor};
}

} // namespace

void CheckMdacVersion() {
    try {
        QString clsid = win32::RegRead(QStringLiteral("HKCR\\ADODB.Connection\\CLSID\\")).toString();
        QString server =
            win32::RegRead(QStringLiteral("HKCR\\CLSID\\") + clsid + QStringLiteral("\\InprocServer32\\")).toString();
        QString version = win32::FileSystemObject().GetFileVersion(server);
        MdacFound = true;
        MdacVersion = version;
    } catch (...) {
        vb::LogSwallowed();
        MdacFound = false;
    }
}

bool LoadGateSettings() {
    LastErrorText = QStringLiteral("Sistem bilgileri kontrol edilemiyor. ") + vb::vbCrLf
                    + QStringLiteral("Sınırlı kullanıcı hesabıyla oturum açmış olabilirsiniz.");
    CheckMdacVersion();
    if (MdacFound) {
        auto [major, minor] = majorMinor(MdacVersion);
        if (major < 2 || (major == 2 && minor < 5)) {
            LastErrorText = QStringLiteral("Merivox veritabanına ulaşılamıyor.") + vb::vbCrLf
                            + QStringLiteral("Merivox veri tabanına bağlantı sağlayabilmek için bilgisayarınızda "
                                             "MDAC 2.8 yüklü olması gerekmektedir.")
                            + vb::vbCrLf + QStringLiteral("Mevcut MDAC sürümünüz : ") + MdacVersion + vb::vbCrLf
                            + quillmere::endpoints::DataAccessDownloadUrl()
                            + QStringLiteral(" adresinden en son MDAC sürümünü indirebilirsiniz");
        }
    }
    OpenDatabase();
    auto settings = std::make_shared<ado::Recordset>();
    settings->Open(QStringLiteral("SELECT * FROM tbl_ayarlar"), DbConnection, ado::adOpenStatic, ado::adLockReadOnly);
    LastErrorText = QStringLiteral("Sistem bilgileri kaydedilemiyor.") + vb::vbCrLf
                    + QStringLiteral("Sınırlı kullanıcı hesabıyla oturum açmış olabilirsiniz") + vb::vbCrLf
                    + QStringLiteral("Lütfen sistem yöneticinize başvurun.");
    AdvertUrl = quillmere::endpoints::AdvertUrl();

    if (settings->Bof() && settings->Eof()) {
        // Without the row every login would be saved into nothing and asked
        // for again at every command.
        AddSettingsRow();
        return false;
    }
    auto column = [&](int i) { return settings->Fields(i).Value(); };
    // A save flag left Null by another program means nothing is kept.
    auto saveFlag = [&](int i) {
        const vb::Variant v = column(i);
        return v.isNull() ? QStringLiteral("0") : vb::CStr(v);
    };
    vb::Variant gateway = column(9);
    if (!gateway.isNull() && vb::CStr(gateway) == u"0") {
        GatewayType = QStringLiteral("Quillmere");
        GatewayUrl = quillmere::endpoints::ServiceUrl();
        ClientCode = NullToEmpty(column(3));
        UserName = NullToEmpty(column(1));
        Password = NullToEmpty(column(2));
        SaveLoginFlag = saveFlag(5);
    } else if (!gateway.isNull() && vb::CStr(gateway) == u"1") {
        GatewayType = QStringLiteral("Palvori");
        GatewayUrl = NullToEmpty(column(10));
        UserName = NullToEmpty(column(6));
        Password = NullToEmpty(column(7));
        SaveLoginFlag = saveFlag(8);
    }
    return true;
}

void ShowGateFailure(const std::exception& failure) {
    // A file the database itself finds damaged is not the doing of a
    // restricted user account: that is said instead.
    if (ado::DatabaseFailureOf(failure) == ado::DatabaseFailure::Damaged)
        LastErrorText = QStringLiteral("Sistem bilgileri kontrol edilemiyor. ") + vb::vbCrLf
                        + vb::ErrorDescription(failure);
    vb::MsgBox(LastErrorText, vb::vbCritical, QStringLiteral("Quillmere"));
}

QString AskSystemTime() {
    if (GatewayType == u"Quillmere")
        return Gateway().GetSystemTime(UserName + u'-' + ClientCode, Password);
    if (GatewayType == u"Palvori")
        return Gateway().GetSystemTime(UserName, Password);
    return QString();
}

bool SystemTimeFailed(const QString& answer) {
    return answer.contains(QStringLiteral("HTML")) || answer.contains(QStringLiteral("html"))
           || InGatewayCodeList(answer);
}

} // namespace mdlGenel
