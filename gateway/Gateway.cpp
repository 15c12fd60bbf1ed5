#include "gateway/Gateway.h"

#include "addin/edition.h"
#include "addin/mdlGenel.h"
#include "gateway/documents.h"
#include "platform/msxml/xmlhttp.h"
#include "platform/vb/clock.h"
#include "platform/vb/regional.h"
#include "platform/vb/variant.h"
#include "platform/win32/app.h"

namespace mdlGenel {

QString PostToGateway(const QString& document) {
    try {
        msxml::XMLHTTPRequest request;
        request.open(QStringLiteral("POST"), mdlGenel::GatewayUrl, false);
        request.send(document);
        return request.responseText();
    } catch (...) {
        return QStringLiteral("-1");
    }
}

std::optional<QString> ClientId() {
    if (!quillmere::CurrentEdition().sendsClientId)
        return std::nullopt;
    return win32::AppEXEName() + QStringLiteral(QUILLMERE_VERSION_TEXT);
}

} // namespace mdlGenel

namespace {

using namespace quillmere::documents;

Credentials credentials(const QString& user, const QString& password) {
    return {user, password, mdlGenel::ClientId()};
}

QString ask(int action, const QString& user, const QString& password,
            const std::vector<std::pair<QString, QString>>& elements = {}) {
    try {
        return mdlGenel::PostToGateway(Query(action, credentials(user, password), elements));
    } catch (...) {
        return QStringLiteral("-1");
    }
}

} // namespace

Gateway::Gateway() = default;
Gateway::~Gateway() = default;

QString Gateway::GetInfo(const QString& UserName, const QString& Password) {
    return ask(kAccountInfo, UserName, Password);
}

QString Gateway::getmsgstatus(const QString& UserName, const QString& Password, const QString& MSGID) {
    return ask(kPackageStatus, UserName, Password, {{QStringLiteral("MsgID"), MSGID}});
}

QString Gateway::getmsgstatusundelivered(const QString& UserName, const QString& Password, const QString& MSGID) {
    return ask(kUndelivered, UserName, Password, {{QStringLiteral("MsgID"), MSGID}});
}

QString Gateway::getmsgstatustodate(const QString& UserName, const QString& Password, const QString& FDate,
                                    const QString& LDate) {
    return ask(kDateRangeStatus, UserName, Password,
               {{QStringLiteral("FDate"), FDate}, {QStringLiteral("LDate"), LDate}});
}

QString Gateway::about() {
    return QStringLiteral("OrventaSMS.Gateway ver 3.0") + QStringLiteral("\r\n")
           + QStringLiteral("Quillmere ağ geçidi istemcisi ") + QStringLiteral(QUILLMERE_VERSION_TEXT)
           + QStringLiteral("\r\n") + QStringLiteral("Tüm istekler XML belgesi olarak HTTP POST ile gönderilir.");
}

QString Gateway::GetSystemTime(const QString& UserName, const QString& Password) {
    if (quillmere::CurrentEdition().localSystemTime) {
        // Answered here: the current date and time in the regional formats.
        try {
            const vb::RegionalSettings& rs = vb::Regional();
            return vb::Date().toString(rs.shortDateFormat) + u' ' + vb::Time().toString(rs.timeFormat);
        } catch (...) {
            return QStringLiteral("-1");
        }
    }
    return ask(kSystemTime, UserName, Password);
}
