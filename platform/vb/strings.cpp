#include "platform/vb/strings.h"

#include "platform/vb/error.h"

#include <algorithm>

namespace vb {

QString Mid(const QString& s, int start, int length) {
    if (start < 1 || length < -1)
        Raise(errInvalidCall);
    if (start > s.size())
        return QString();
    return length < 0 ? s.mid(start - 1) : s.mid(start - 1, length);
}

QString Left(const QString& s, int length) {
    if (length < 0)
        Raise(errInvalidCall);
    return s.left(length);
}

QString LeftWhole(const QString& s, int length) {
    QString left = Left(s, length);
    if (left.size() < s.size() && !left.isEmpty() && left.back().isHighSurrogate() && s[left.size()].isLowSurrogate())
        left.chop(1);
    return left;
}

QString Right(const QString& s, int length) {
    if (length < 0)
        Raise(errInvalidCall);
    return s.right(length);
}

int InStr(int start, const QString& s, const QString& find) {
    if (start < 1)
        Raise(errInvalidCall);
    if (s.isEmpty() || start > s.size())
        return 0;
    if (find.isEmpty())
        return start;
    qsizetype at = s.indexOf(find, start - 1);
    return at < 0 ? 0 : int(at + 1);
}

int InStrRev(const QString& s, const QString& find, int start) {
    if (start == 0 || start < -1)
        Raise(errInvalidCall);
    if (start == -1)
        start = int(s.size());
    if (start > s.size())
        return 0;
    if (find.isEmpty())
        return start;
    qsizetype from = start - int(find.size());
    if (from < 0)
        return 0;
    qsizetype at = s.lastIndexOf(find, from);
    return at < 0 ? 0 : int(at + 1);
}

QString Replace(const QString& s, const QString& find, const QString& replacement) {
    if (find.isEmpty())
        return s;
    QString out = s;
    out.replace(find, replacement);
    return out;
}

QString LTrim(const QString& s) {
    int i = 0;
    while (i < s.size() && s[i] == u' ') ++i;
    return s.mid(i);
}

QString RTrim(const QString& s) {
    int n = int(s.size());
    while (n > 0 && s[n - 1] == u' ') --n;
    return s.left(n);
}

QString Trim(const QString& s) { return LTrim(RTrim(s)); }

QString UCase(const QString& s) { return s.toUpper(); }
QString LCase(const QString& s) { return s.toLower(); }

QString Space(int count) {
    if (count < 0)
        Raise(errInvalidCall);
    return QString(count, u' ');
}

QString String(int count, QChar c) {
    if (count < 0)
        Raise(errInvalidCall);
    return QString(count, c);
}

QString ChrW(int code) {
    if (code < -32768 || code > 65535)
        Raise(errInvalidCall);
    return QString(QChar(char16_t(code & 0xFFFF)));
}

int AscW(const QString& s) {
    if (s.isEmpty())
        Raise(errInvalidCall);
    return s[0].unicode();
}

namespace {

// The two keys of a name, one for each rule SameName compares by: a
// character's case folding, and its small letter after the Turkish pairs
// (I is ı, İ is i). Both keep the name's length, so that names of unequal
// lengths never meet.
template <typename Map>
QString keyOf(const QString& name, Map map) {
    QString key(name.size(), Qt::Uninitialized);
    QChar* out = key.data();
    const QChar* in = name.constData();
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (in[i].isHighSurrogate() && i + 1 < n && in[i + 1].isLowSurrogate()) {
            const char32_t c = map(QChar::surrogateToUcs4(in[i], in[i + 1]));
            if (QChar::requiresSurrogates(c)) {
                out[i] = QChar(QChar::highSurrogate(c));
                out[i + 1] = QChar(QChar::lowSurrogate(c));
            } else {
                out[i] = in[i];
                out[i + 1] = in[i + 1];
            }
            ++i;
        } else {
            const char32_t c = map(char32_t(in[i].unicode()));
            out[i] = QChar::requiresSurrogates(c) ? in[i] : QChar(char16_t(c));
        }
    }
    return key;
}

QString ordinaryKey(const QString& name) {
    return keyOf(name, [](char32_t c) { return QChar::toCaseFolded(c); });
}

QString turkishKey(const QString& name) {
    return keyOf(name, [](char32_t c) -> char32_t {
        if (c == u'I')
            return 0x0131;
        if (c == 0x0130)
            return u'i';
        return QChar::toLower(c);
    });
}

} // namespace

bool SameName(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    return a.compare(b, Qt::CaseInsensitive) == 0 || turkishKey(a) == turkishKey(b);
}

int NameIndex::find(const QString& name) const {
    const int ordinary = ordinary_.value(ordinaryKey(name), -1);
    const int turkish = turkish_.value(turkishKey(name), -1);
    if (ordinary < 0 || turkish < 0)
        return std::max(ordinary, turkish);
    return std::min(ordinary, turkish);
}

void NameIndex::add(const QString& name, int position) {
    for (auto [map, key] : {std::pair{&ordinary_, ordinaryKey(name)}, std::pair{&turkish_, turkishKey(name)}})
        if (!map->contains(key))
            map->insert(key, position);
}

void NameIndex::clear() {
    ordinary_.clear();
    turkish_.clear();
}

QStringList Split(const QString& s, const QString& delimiter) {
    if (s.isEmpty())
        return {};
    if (delimiter.isEmpty())
        return {s};
    return s.split(delimiter);
}

} // namespace vb
