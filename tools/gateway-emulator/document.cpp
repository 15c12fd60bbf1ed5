#include "document.h"

#include <string_view>
#include <utility>

namespace gwemu {

namespace {

QString openTag(const QString& name) { return u'<' + name + u'>'; }
QString closeTag(const QString& name) { return QStringLiteral("</") + name + u'>'; }

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.' || c == u':'; }

} // namespace

std::optional<Document> Document::Read(const QString& text) {
    QStringView rest = QStringView(text).trimmed();
    if (rest.startsWith(u"<?")) {
        const qsizetype end = rest.indexOf(u"?>");
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
    doc.root_ = rest.mid(1, i - 1).toString();
    const QString close = closeTag(doc.root_);
    if (!rest.endsWith(close) || rest.size() < i + 1 + close.size())
        return std::nullopt;
    doc.text_ = text;
    const qsizetype at = rest.data() - text.data() + i + 1;
    doc.inner_ = QStringView(doc.text_).mid(at, rest.size() - (i + 1) - close.size());
    return doc;
}

namespace {

// Where the content of the first <name>...</name> at or after pos lies.
struct Span {
    qsizetype from = -1;
    qsizetype end = -1;
    qsizetype next = -1;
};

// A tag within the text from pos on, by its first character and then the
// rest: the tags of a package are short and met a million times, where a
// general search costs more to set up than to run.
qsizetype find(QStringView text, const QString& tag, qsizetype pos) {
    const std::u16string_view haystack(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
    const std::u16string_view needle(reinterpret_cast<const char16_t*>(tag.utf16()), size_t(tag.size()));
    const size_t at = haystack.find(needle, size_t(pos));
    return at == std::u16string_view::npos ? -1 : qsizetype(at);
}

Span locate(QStringView text, const Document::Tags& tags, qsizetype pos) {
    const qsizetype start = find(text, tags.open, pos);
    if (start < 0)
        return {};
    const qsizetype from = start + tags.open.size();
    const qsizetype end = find(text, tags.close, from);
    if (end < 0)
        return {};
    return {from, end, end + tags.close.size()};
}

} // namespace

std::optional<QString> Document::value(const QString& name) const {
    const std::optional<QStringView> raw = ValueIn(inner_, name);
    if (!raw)
        return std::nullopt;
    return Decode(*raw);
}

QString Document::Decode(QStringView text) {
    if (!text.contains(u'&'))
        return text.toString();
    static const std::pair<const char16_t*, char16_t> named[] = {
        {u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&quot;", u'"'}, {u"&apos;", u'\''}};
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] != u'&') {
            out += text[i++];
            continue;
        }
        const QStringView rest = text.mid(i);
        bool done = false;
        for (const auto& [entity, c] : named) {
            if (rest.startsWith(QStringView(entity))) {
                out += QChar(c);
                i += QStringView(entity).size();
                done = true;
                break;
            }
        }
        if (!done && rest.startsWith(u"&#")) {
            const qsizetype semicolon = rest.indexOf(u';');
            if (semicolon > 2 && semicolon < 12) {
                const QStringView digits = rest.mid(2, semicolon - 2);
                bool ok = false;
                const uint code = digits.startsWith(u'x') ? digits.mid(1).toUInt(&ok, 16) : digits.toUInt(&ok, 10);
                if (ok && code > 0 && code <= 0x10FFFF) {
                    out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
                    i += semicolon + 1;
                    done = true;
                }
            }
        }
        if (!done)
            out += text[i++];
    }
    return out;
}

Document::Tags::Tags(const QString& name) : open(openTag(name)), close(closeTag(name)) {}

std::optional<QStringView> Document::ValueIn(QStringView text, const QString& name) {
    return ValueIn(text, Tags(name));
}

std::optional<QStringView> Document::ValueIn(QStringView text, const Tags& tags) {
    const Span s = locate(text, tags, 0);
    if (s.from < 0)
        return std::nullopt;
    return text.mid(s.from, s.end - s.from);
}

std::vector<QStringView> Document::All(QStringView text, const QString& name) {
    const Tags tags(name);
    std::vector<QStringView> found;
    for (Span s = locate(text, tags, 0); s.from >= 0; s = locate(text, tags, s.next))
        found.push_back(text.mid(s.from, s.end - s.from));
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
