#include "reports/reportrequests.h"

#include "gateway/Gateway.h"
#include "gateway/documents.h"
#include "platform/msxml/domdocument.h"
#include "platform/msxml/xmlhttp.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "sending/sendsteps.h"
#include "state/mdlGenel.h"

namespace reports {

bool KnownGateway() { return mdlGenel::GatewayType == u"Quillmere" || mdlGenel::GatewayType == u"Palvori"; }

bool ShowRefusedAccount(const QString& reply) {
    if (!mdlGenel::IsGatewayCode(reply))
        return false;
    vb::MsgBox(QStringLiteral("Hatalı Kullanıcı Adı veya Parola"), vb::vbCritical, QStringLiteral("Uyarı"));
    return true;
}

QString OwnQuery(int action, const std::vector<std::pair<QString, QString>>& elements) {
    if (!KnownGateway())
        return {};
    return quillmere::documents::Query(action, {sending::GatewayIdentity(), mdlGenel::Password, mdlGenel::ClientId()},
                                       elements);
}

QString PostOwnQuery(const QString& document) {
    msxml::XMLHTTPRequest request;
    request.open(QStringLiteral("POST"), mdlGenel::GatewayUrl, false);
    request.send(document);
    mdlGenel::RaiseUnlessReply(request.status());
    return request.responseText();
}

bool ShowCodeMessage(const QString& reply, const std::vector<CodeMessage>& table) {
    const QString code = reply.startsWith(QStringLiteral("<HTML>")) ? QStringLiteral("-1") : reply;
    for (const CodeMessage& c : table) {
        if (c.replies.contains(code)) {
            vb::MsgBox(c.text, c.icon, QStringLiteral("Uyarı"));
            return true;
        }
    }
    return false;
}

void ShowMessageTexts(const QString& reply, const QString& packageId, const QString& number) {
    msxml::DOMDocument document;
    document.loadXML(reply);
    const QString xpath = QStringLiteral("//msgbody");
    const msxml::NodeList bodies = document.selectNodes(xpath);
    const QString about = packageId + QStringLiteral(" mesaj paketindeki ") + number
                          + QStringLiteral(" numaralı GSM hattına giden ");
    QString heading;
    QString texts;
    if (bodies.length() > 1) {
        for (int i = 0; i < bodies.length(); ++i)
            texts += QStringLiteral("Mesaj ") + QString::number(i + 1) + QStringLiteral(" : ") + bodies.item(i).text()
                     + vb::vbCrLf;
        heading = about + QStringLiteral("mesajlar :");
    } else {
        // No element at all fails here, reading the text of no node.
        texts = document.selectSingleNode(xpath).text();
        heading = about + QStringLiteral("mesaj :");
    }
    vb::MsgBox(heading + vb::vbCrLf + vb::vbCrLf + texts, vb::vbInformation, QStringLiteral("Quillmere"));
}

} // namespace reports
