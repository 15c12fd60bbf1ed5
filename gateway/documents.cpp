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

// Whether a unit needs a look before it goes into a document: one of the
// three escaped characters, a control character, a half of a surrogate
// pair, or U+FFFE/U+FFFF. Anything else goes in as it is.
inline bool needsLook(char16_t c) {
    return c < 0x20 || c == u'&' || c == u'<' || c == u'>' || (c >= 0xD800 && c <= 0xDFFF) || c >= 0xFFFE;
}

// Appends a value escaped and without what a document cannot hold, in runs
// of the units that go in as they are (the message lists of large
// packages are mostly such runs).
void appendValue(QString& doc, QStringView value, bool escape = true) {
    const QChar* units = value.constData();
    const qsizetype n = value.size();
    qsizetype from = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = units[i].unicode();
        if (!needsLook(c))
            continue;
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
        doc.append(units + from, i - from);
        if (entity)
            doc += QStringView(entity);
        from = i + 1;
    }
    doc.append(units + from, n - from);
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

// The element of one message of a package, in as few appends as it has
// parts: a package holds a million of them.
void appendMessage(QString& doc, const Message& m) {
    doc += QStringView(u"<Message><Mesgbody>");
    appendValue(doc, m.text);
    doc += QStringView(u"</Mesgbody><Number>");
    appendValue(doc, m.number);
    doc += QStringView(u"</Number></Message>");
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

QString NumberListHead(const Credentials& who, const QString& text) {
    QString doc = QStringLiteral("<MainmsgBody>");
    appendAccount(doc, who, 0);
    appendElement(doc, u"Mesgbody", text);
    doc += QStringLiteral("<Numbers>");
    return doc;
}

QString NumberListTail(const QString& originator, const QString& sdate) {
    QString doc = QStringLiteral("</Numbers>");
    appendTail(doc, originator, sdate);
    return doc;
}

QString MessagesHead(const Credentials& who, int action) {
    QString doc = QStringLiteral("<MainmsgBody>");
    appendAccount(doc, who, action);
    doc += QStringLiteral("<Messages>");
    return doc;
}

QString MessagesTail(const QString& originator, const QString& sdate) {
    QString doc = QStringLiteral("</Messages>");
    appendTail(doc, originator, sdate);
    return doc;
}

namespace {
QString joined(const QString& head, const QString& body, const QString& tail) {
    QString doc;
    doc.reserve(head.size() + body.size() + tail.size());
    doc += head;
    doc += body;
    doc += tail;
    return doc;
}
} // namespace

QString SendToNumberList(const Credentials& who, const QString& text, const QString& numberList,
                         const QString& originator, const QString& sdate) {
    return joined(NumberListHead(who, text), numberList, NumberListTail(originator, sdate));
}

QString SendMessageElements(const Credentials& who, const QString& elements, const QString& originator,
                            const QString& sdate, int action) {
    return joined(MessagesHead(who, action), elements, MessagesTail(originator, sdate));
}

} // namespace quillmere::documents
