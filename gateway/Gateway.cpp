#include "gateway/Gateway.h"

#include "gateway/documents.h"
#include "platform/ado/ado.h"
#include "platform/msxml/xmlhttp.h"
#include "platform/vb/clock.h"
#include "platform/vb/error.h"
#include "platform/vb/regional.h"
#include "platform/vb/variant.h"
#include "platform/win32/app.h"
#include "state/edition.h"
#include "state/mdlGenel.h"

#include <exception>

namespace mdlGenel {

namespace {
const QString kCodeList = QStringLiteral("-2,-1,01,02,03,04,05,06,07,08,09,10,11,12,13");
}

bool InGatewayCodeList(const QString& reply) { return kCodeList.contains(reply); }

bool IsGatewayCode(const QString& reply) {
    static const QStringList codes = kCodeList.split(u',');
    return codes.contains(reply);
}

void RaiseUnlessReply(int status) {
    if (status >= 200 && status < 300)
        return;
    vb::Raise(msxml::errRequestFailed,
              status >= 300 && status < 400
                  ? QStringLiteral("The gateway's address redirects (HTTP status %1)").arg(status)
                  : QStringLiteral("The gateway answered with the HTTP status %1").arg(status));
}

namespace {

template <typename Document>
GatewayPost post(const QString& url, Document&& document) {
    GatewayPost result;
    result.reply = QStringLiteral("-1");
    msxml::XMLHTTPRequest request;
    try {
        request.open(QStringLiteral("POST"), url, false);
        request.send(std::forward<Document>(document));
        RaiseUnlessReply(request.status());
        result.reply = request.responseText();
        return result;
    } catch (const vb::Error& e) {
        result.replyLost = request.replyLost();
        result.errorNumber = e.number();
        result.errorText = e.description();
    } catch (const std::exception& e) {
        result.errorNumber = msxml::errRequestFailed;
        result.errorText = QString::fromLocal8Bit(e.what());
    }
    return result;
}

} // namespace

GatewayPost PostDocument(QString document) { return post(GatewayUrl, std::move(document)); }

GatewayPost PostDocument(const QByteArray& utf8) { return post(GatewayUrl, utf8); }

GatewayPost PostDocumentTo(const QString& url, QString document) { return post(url, std::move(document)); }

QString PostToGateway(const QString& document) { return PostDocument(document).reply; }

std::optional<QString> ClientId() {
    if (!quillmere::CurrentEdition().sendsClientId)
        return std::nullopt;
    return win32::AppEXEName() + QStringLiteral(QUILLMERE_VERSION_TEXT);
}

} // namespace mdlGenel

namespace {

using namespace quillmere::documents;

inline constexpr int kBasketNumberSize = 20;
// A package holding a message longer than one SMS goes out as action 41; the
// first edition's basket cannot hold one.
inline constexpr qsizetype kShortMessageLength = 160;
inline constexpr int kMessagesAction = 1;
inline constexpr int kLongMessagesAction = 41;

Credentials credentials(const QString& user, const QString& password) {
    return {user, password, mdlGenel::ClientId()};
}

QString ask(const QString& url, int action, const QString& user, const QString& password,
            const std::vector<std::pair<QString, QString>>& elements = {}) {
    try {
        return mdlGenel::PostDocumentTo(url, Query(action, credentials(user, password), elements)).reply;
    } catch (...) {
        vb::LogSwallowed();
        return QStringLiteral("-1");
    }
}

} // namespace

Gateway::Gateway() : basket_(std::make_unique<ado::Recordset>()) {
    clearsmsbasket();
}

Gateway::Gateway(const QString& url) : Gateway() { url_ = url; }

QString Gateway::address() const { return url_ ? *url_ : mdlGenel::GatewayUrl; }

Gateway::~Gateway() {
    try {
        if (basket_->State() == ado::adStateOpen)
            basket_->Close();
    } catch (...) {
        vb::LogSwallowed();
    }
}

QString Gateway::GetInfo(const QString& UserName, const QString& Password) {
    return ask(address(), kAccountInfo, UserName, Password);
}

void Gateway::clearsmsbasket() {
    // Each step on its own: the fields survive closing, so appending them
    // again fails after the first time, and that is fine.
    try {
        basket_->Close();
    } catch (...) {
        vb::LogSwallowed();
    }
    try {
        basket_->Fields().Append(QStringLiteral("MSG"), ado::adVarChar, quillmere::CurrentEdition().basketMessageSize);
    } catch (...) {
        vb::LogSwallowed();
    }
    try {
        basket_->Fields().Append(QStringLiteral("GSM"), ado::adVarChar, kBasketNumberSize);
    } catch (...) {
        vb::LogSwallowed();
    }
    try {
        basket_->Open();
    } catch (...) {
        vb::LogSwallowed();
    }
}

vb::Variant Gateway::addtosmsbasket(const QString& MsgBody, const QString& GSMNo) {
    basket_->AddNew();
    try {
        basket_->Fields(0).setValue(MsgBody);
        basket_->Fields(1).setValue(GSMNo);
        basket_->UpdateBatch(ado::adAffectAll);
    } catch (...) {
        // A row half filled would go out with an empty text or number.
        try {
            basket_->Delete();
        } catch (...) {
            vb::LogSwallowed();
        }
        throw;
    }
    return {};
}

QString Gateway::sendsms(const QString& UserName, const QString& Password, const QString& Originator,
                         const QString& SDate) {
    return sendsmsPost(UserName, Password, Originator, SDate).reply;
}

GatewayPost Gateway::sendsmsPost(const QString& UserName, const QString& Password, const QString& Originator,
                                 const QString& SDate) {
    try {
        if (basket_->Bof() && basket_->Eof()) {
            GatewayPost empty;
            empty.reply = QStringLiteral("-2");
            return empty;
        }
        std::vector<Message> messages;
        messages.reserve(std::size_t(basket_->RecordCount()));
        int action = kMessagesAction;
        for (basket_->MoveFirst(); !basket_->Eof(); basket_->MoveNext()) {
            Message m{vb::CStr(basket_->Fields(0).Value()), vb::CStr(basket_->Fields(1).Value())};
            if (m.text.size() > kShortMessageLength)
                action = kLongMessagesAction;
            messages.push_back(std::move(m));
        }
        GatewayPost result = mdlGenel::PostDocumentTo(
            address(), SendMessages(credentials(UserName, Password), messages, Originator, SDate, action));
        // A failed post keeps the rows for another try; whether to try again
        // after a lost reply is the page's to decide.
        if (result.errorNumber == 0)
            clearsmsbasket();
        return result;
    } catch (const std::exception& e) {
        GatewayPost failed;
        failed.reply = QStringLiteral("-1");
        const auto* error = dynamic_cast<const vb::Error*>(&e);
        failed.errorNumber = error ? error->number() : msxml::errRequestFailed;
        failed.errorText = vb::ErrorDescription(e);
        return failed;
    }
}

QString Gateway::getmsgstatus(const QString& UserName, const QString& Password, const QString& MSGID) {
    return ask(address(), kPackageStatus, UserName, Password, {{QStringLiteral("MsgID"), MSGID}});
}

QString Gateway::getmsgstatusundelivered(const QString& UserName, const QString& Password, const QString& MSGID) {
    return ask(address(), kUndelivered, UserName, Password, {{QStringLiteral("MsgID"), MSGID}});
}

QString Gateway::getmsgstatustodate(const QString& UserName, const QString& Password, const QString& FDate,
                                    const QString& LDate) {
    return ask(address(), kDateRangeStatus, UserName, Password,
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
            vb::LogSwallowed();
            return QStringLiteral("-1");
        }
    }
    return ask(address(), kSystemTime, UserName, Password);
}
