#include "platform/vb/strings.h"

#include "platform/vb/error.h"

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
QString turkishFolded(const QString& name) {
    QString folded = name;
    for (QChar& c : folded) {
        if (c == u'I')
            c = QChar(0x0131);
        else if (c == QChar(0x0130))
            c = u'i';
    }
    return folded.toLower();
}
} // namespace

bool SameName(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    return a.compare(b, Qt::CaseInsensitive) == 0 || turkishFolded(a) == turkishFolded(b);
}

QStringList Split(const QString& s, const QString& delimiter) {
    if (s.isEmpty())
        return {};
    if (delimiter.isEmpty())
        return {s};
    return s.split(delimiter);
}

} // namespace vb
