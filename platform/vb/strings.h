#pragma once

#include "platform/vb/export.h"

#include <QHash>
#include <QString>
#include <QStringList>

// String functions with the language's 1-based positions. Lengths are UTF-16
// code units, which is what the language counts as characters.
namespace vb {

inline const QString vbCrLf = QStringLiteral("\r\n");
inline const QString vbCr = QStringLiteral("\r");
inline const QString vbLf = QStringLiteral("\n");
inline const QString vbTab = QStringLiteral("\t");

inline int Len(const QString& s) { return int(s.size()); }

// Mid(s, start[, length]): start < 1 or length < 0 raises error 5.
QM_EXPORT QString Mid(const QString& s, int start, int length = -1);
QM_EXPORT QString Left(const QString& s, int length);
// Left that never ends on the first half of a surrogate pair (an emoji, say):
// it then takes one unit fewer, so that a cut text holds no half character.
QM_EXPORT QString LeftWhole(const QString& s, int length);
QM_EXPORT QString Right(const QString& s, int length);

// InStr([start,] s, find): 1-based position or 0. An empty find gives start
// (when start is within s or just after it).
QM_EXPORT int InStr(int start, const QString& s, const QString& find);
inline int InStr(const QString& s, const QString& find) { return InStr(1, s, find); }
QM_EXPORT int InStrRev(const QString& s, const QString& find, int start = -1);

// Replace(expression, find, replacement): every occurrence, left to right.
QM_EXPORT QString Replace(const QString& s, const QString& find, const QString& replacement);

// Trim, LTrim and RTrim remove blanks (U+0020) only, never tabs or breaks.
QM_EXPORT QString Trim(const QString& s);
QM_EXPORT QString LTrim(const QString& s);
QM_EXPORT QString RTrim(const QString& s);

QM_EXPORT QString UCase(const QString& s);
QM_EXPORT QString LCase(const QString& s);
QM_EXPORT QString Space(int count);
QM_EXPORT QString String(int count, QChar c);
QM_EXPORT QString ChrW(int code);
QM_EXPORT int AscW(const QString& s);

// Names compared without regard to letter case, by the ordinary rule and by
// the Turkish one for I (I/ı and İ/i), as a Turkish desktop compares sheet,
// field and column names: "MÜŞTERİLER" names "Müşteriler", "IŞIK" names
// "ışık", "LIST" names "list".
QM_EXPORT bool SameName(const QString& a, const QString& b);

// Names found as SameName finds them, each in constant time whatever the
// number of names: the fields of a table of thousands of columns.
class QM_EXPORT NameIndex {
public:
    // The position added with the earliest name that SameName holds the
    // same as name; -1 when there is none.
    int find(const QString& name) const;
    bool contains(const QString& name) const { return find(name) >= 0; }
    // A name already there (by SameName) keeps its first position.
    void add(const QString& name, int position);
    void clear();

private:
    QHash<QString, int> ordinary_;   // by the ordinary rule
    QHash<QString, int> turkish_;    // by the Turkish one
};

// Split with the language's rules: an empty text gives no elements.
QM_EXPORT QStringList Split(const QString& s, const QString& delimiter);

} // namespace vb
