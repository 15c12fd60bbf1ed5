#include "document.h"

namespace gwemu {

namespace {

QString openTag(const QString& name) { return u'<' + name + u'>'; }
QString closeTag(const QString& name) { return QStringLiteral("</") + name + u'>'; }

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.' || c == u':'; }

} // namespace

std::optional<Document> Document::Read(const QString& text) {
    QString rest = text.trimmed();
    if (rest.startsWith(QStringLiteral("<?"))) {
        const qsizetype end = rest.indexOf(QStringLiteral("?>"));
        if (end < 0)
            return std::nullopt;
        rest = rest.mid(end + 2).trimmed();
    }
    if (!rest.startsWith(u'<'))
        return std::nullopt;
    qsizetype i = 1;
    while (i < rest.size() && isNameChar(rest[i]))
        ++i;
    if (i == 1 || i >= rest.size() || rest[i] != u'>')
        return std::nullopt;
    Document doc;
    doc.root_ = rest.mid(1, i - 1);
    const QString close = closeTag(doc.root_);
    if (!rest.endsWith(close) || rest.size() < i + 1 + close.size())
        return std::nullopt;
    doc.inner_ = rest.mid(i + 1, rest.size() - (i + 1) - close.size());
    return doc;
}

namespace {

// Where the content of the first <name>...</name> at or after pos lies.
struct Span {
    qsizetype from = -1;
    qsizetype end = -1;
    qsizetype next = -1;
};

Span locate(const QString& text, const QString& name, qsizetype pos) {
    const QString open = openTag(name);
    const qsizetype start = text.indexOf(open, pos);
    if (start < 0)
        return {};
    const qsizetype from = start + open.size();
    const QString close = closeTag(name);
    const qsizetype end = text.indexOf(close, from);
    if (end < 0)
        return {};
    return {from, end, end + close.size()};
}

} // namespace

std::optional<QString> Document::ValueIn(const QString& text, const QString& name) {
    const Span s = locate(text, name, 0);
    if (s.from < 0)
        return std::nullopt;
    return text.mid(s.from, s.end - s.from);
}

QStringList Document::All(const QString& text, const QString& name) {
    QStringList found;
    for (Span s = locate(text, name, 0); s.from >= 0; s = locate(text, name, s.next))
        found.append(text.mid(s.from, s.end - s.from));
    return found;
}

QString EscapeXml(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&': out += QStringLiteral("&amp;"); break;
        case u'<': out += QStringLiteral("&lt;"); break;
        case u'>': out += QStringLiteral("&gt;"); break;
        case u'"': out += QStringLiteral("&quot;"); break;
        case u'\t': case u'\n': case u'\r': out += c; break;
        default:
            // Other control characters cannot appear in an XML 1.0 document at all.
            out += c.unicode() < 0x20 ? QChar(u' ') : c;
        }
    }
    return out;
}

} // namespace gwemu
