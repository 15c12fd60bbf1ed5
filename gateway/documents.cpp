#include "gateway/documents.h"

namespace quillmere::documents {

namespace {

// How many units at i form a character XML 1.0 allows: 1 or 2 (a whole
// surrogate pair), or 0 for one it does not.
int allowedAt(QStringView value, qsizetype i) {
    const char16_t c = value[i].unicode();
    if (c < 0x20)
        return c == u'\t' || c == u'\n' || c == u'\r' ? 1 : 0;
    if (QChar::isHighSurrogate(c))
        return i + 1 < value.size() && value[i + 1].isLowSurrogate() ? 2 : 0;
    if (QChar::isLowSurrogate(c) || c == 0xFFFE || c == 0xFFFF)
        return 0;
    return 1;
}

// Appends a value escaped and without what a document cannot hold, without
// a copy when nothing needs changing (the message lists of large packages).
void appendValue(QString& doc, QStringView value, bool escape = true) {
    qsizetype from = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t c = value[i].unicode();
        const char16_t* entity = !escape       ? nullptr
                                 : c == u'&' ? u"&amp;"
                                 : c == u'<' ? u"&lt;"
                                 : c == u'>' ? u"&gt;"
                                             : nullptr;
        const int width = entity ? 1 : allowedAt(value, i);
        if (width == 2) {
            ++i;
            continue;
        }
        if (width == 1 && !entity)
            continue;
        doc += value.mid(from, i - from);
        if (entity)
            doc += QStringView(entity);
        from = i + 1;
    }
    doc += value.mid(from);
}

void appendElement(QString& doc, QStringView name, QStringView value) {
    doc += u'<';
    doc += name;
    doc += u'>';
    appendValue(doc, value);
    doc += u"</";
    doc += name;
    doc += u'>';
}

void appendAccount(QString& doc, const Credentials& who, int action) {
    appendElement(doc, u"UserName", who.identity);
    appendElement(doc, u"PassWord", who.password);
    appendElement(doc, u"Action", QString::number(action));
    if (who.clientId)
        appendElement(doc, u"ClientID", *who.clientId);
}

void appendTail(QString& doc, const QString& originator, const QString& sdate) {
    appendElement(doc, u"Originator", originator);
    appendElement(doc, u"SDate", sdate);
    doc += QStringLiteral("</MainmsgBody>");
}

void appendNumber(QString& doc, QStringView number) {
    appendValue(doc, number);
    doc += u',';
}

void appendMessage(QString& doc, const Message& m) {
    doc += QStringLiteral("<Message>");
    appendElement(doc, u"Mesgbody", m.text);
    appendElement(doc, u"Number", m.number);
    doc += QStringLiteral("</Message>");
}

} // namespace

QString Escape(QStringView value) {
    QString out;
    appendValue(out, value);
    return out;
}

QString Storable(QStringView value) {
    QString out;
    appendValue(out, value, false);
    return out;
}

QString Query(int action, const Credentials& who, const std::vector<std::pair<QString, QString>>& elements) {
    QString doc = QStringLiteral("<MainReportRoot>");
    appendAccount(doc, who, action);
    for (const auto& [name, value] : elements)
        appendElement(doc, name, value);
    doc += QStringLiteral("</MainReportRoot>");
    return doc;
}

QString SendDate(const QString& sdate) {
    QString doc;
    appendElement(doc, u"SDate", sdate);
    return doc;
}

QString SendToNumbers(const Credentials& who, const QString& text, const QStringList& numbers,
                      const QString& originator, const QString& sdate) {
    QString list;
    // Lists of tens of thousands of numbers: grow once.
    list.reserve(numbers.size() * 11);
    for (const QString& n : numbers)
        appendNumber(list, n);
    return SendToNumberList(who, text, list, originator, sdate);
}

QString SendMessages(const Credentials& who, const std::vector<Message>& messages, const QString& originator,
                     const QString& sdate, int action) {
    QString elements;
    qsizetype size = 0;
    for (const Message& m : messages)
        size += 56 + m.text.size() + m.number.size();
    elements.reserve(size);
    for (const Message& m : messages)
        appendMessage(elements, m);
    return SendMessageElements(who, elements, originator, sdate, action);
}

QString MessageElement(const Message& message) {
    QString out;
    out.reserve(56 + message.text.size() + message.number.size());
    appendMessage(out, message);
    return out;
}

QString NumberListItem(QStringView number) {
    QString out;
    appendNumber(out, number);
    return out;
}

QString SendToNumberList(const Credentials& who, const QString& text, const QString& numberList,
                         const QString& originator, const QString& sdate) {
    QString doc;
    doc.reserve(256 + text.size() + numberList.size());
    doc += QStringLiteral("<MainmsgBody>");
    appendAccount(doc, who, 0);
    appendElement(doc, u"Mesgbody", text);
    doc += QStringLiteral("<Numbers>");
    doc += numberList;
    doc += QStringLiteral("</Numbers>");
    appendTail(doc, originator, sdate);
    return doc;
}

QString SendMessageElements(const Credentials& who, const QString& elements, const QString& originator,
                            const QString& sdate, int action) {
    QString doc;
    doc.reserve(256 + elements.size());
    doc += QStringLiteral("<MainmsgBody>");
    appendAccount(doc, who, action);
    doc += QStringLiteral("<Messages>");
    doc += elements;
    doc += QStringLiteral("</Messages>");
    appendTail(doc, originator, sdate);
    return doc;
}

} // namespace quillmere::documents
