#include "gateway/documents.h"

namespace quillmere::documents {

namespace {

void appendAccount(QString& doc, const Credentials& who, int action) {
    doc += QStringLiteral("<UserName>") + who.identity + QStringLiteral("</UserName><PassWord>") + who.password
           + QStringLiteral("</PassWord><Action>") + QString::number(action) + QStringLiteral("</Action>");
    if (who.clientId)
        doc += QStringLiteral("<ClientID>") + *who.clientId + QStringLiteral("</ClientID>");
}

void appendTail(QString& doc, const QString& originator, const QString& sdate) {
    doc += QStringLiteral("<Originator>") + originator + QStringLiteral("</Originator>") + SendDate(sdate)
           + QStringLiteral("</MainmsgBody>");
}

} // namespace

QString Query(int action, const Credentials& who, const std::vector<std::pair<QString, QString>>& elements) {
    QString doc = QStringLiteral("<MainReportRoot>");
    appendAccount(doc, who, action);
    for (const auto& [name, value] : elements)
        doc += u'<' + name + u'>' + value + QStringLiteral("</") + name + u'>';
    doc += QStringLiteral("</MainReportRoot>");
    return doc;
}

QString SendDate(const QString& sdate) { return QStringLiteral("<SDate>") + sdate + QStringLiteral("</SDate>"); }

QString SendToNumbers(const Credentials& who, const QString& text, const QStringList& numbers,
                      const QString& originator, const QString& sdate) {
    QString doc;
    // Lists of tens of thousands of numbers: grow once.
    doc.reserve(256 + text.size() + numbers.size() * 11);
    doc += QStringLiteral("<MainmsgBody>");
    appendAccount(doc, who, 0);
    doc += QStringLiteral("<Mesgbody>") + text + QStringLiteral("</Mesgbody><Numbers>");
    for (const QString& n : numbers) {
        doc += n;
        doc += u',';
    }
    doc += QStringLiteral("</Numbers>");
    appendTail(doc, originator, sdate);
    return doc;
}

QString SendMessages(const Credentials& who, const std::vector<Message>& messages, const QString& originator,
                     const QString& sdate, int action) {
    QString doc;
    qsizetype size = 256;
    for (const Message& m : messages)
        size += 56 + m.text.size() + m.number.size();
    doc.reserve(size);
    doc += QStringLiteral("<MainmsgBody>");
    appendAccount(doc, who, action);
    doc += QStringLiteral("<Messages>");
    for (const Message& m : messages) {
        doc += QStringLiteral("<Message><Mesgbody>");
        doc += m.text;
        doc += QStringLiteral("</Mesgbody><Number>");
        doc += m.number;
        doc += QStringLiteral("</Number></Message>");
    }
    doc += QStringLiteral("</Messages>");
    appendTail(doc, originator, sdate);
    return doc;
}

} // namespace quillmere::documents
