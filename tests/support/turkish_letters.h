#pragma once

// How the Turkish letters are drawn in a font: each by the font asked for
// (no other font filling in for a glyph it lacks), in the cell of the Latin
// letter it is made from, and with its ink filling that cell as that
// letter's does, so that no gap follows it.
#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>
#include <QStringList>
#include <QTextLayout>

namespace turkish {

// Each Turkish letter, and the letter its cell and ink are those of.
struct Letter {
    char16_t letter, base;
};
inline constexpr Letter kLetters[] = {
    {u'ç', u'c'}, {u'ğ', u'g'}, {u'ı', u'i'}, {u'ö', u'o'}, {u'ş', u's'}, {u'ü', u'u'},
    {u'Ç', u'C'}, {u'Ğ', u'G'}, {u'İ', u'I'}, {u'Ö', u'O'}, {u'Ş', u'S'}, {u'Ü', u'U'},
};

// The families that draw a text in a font, in order.
inline QStringList familiesDrawing(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList out;
    for (const QGlyphRun& run : layout.glyphRuns())
        out << run.rawFont().familyName();
    return out;
}

// The ink of a character's glyph in the raw font, in its units.
inline QRectF inkOf(const QRawFont& raw, QChar c) {
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString(c));
    return glyphs.size() == 1 ? raw.pathForGlyph(glyphs[0]).boundingRect() : QRectF();
}

// What is wrong with the Turkish letters in the font, one line a fault.
inline QStringList Faults(const QFont& font) {
    QStringList out;
    const QString name = QStringLiteral("%1 %2 pt%3")
                             .arg(font.family())
                             .arg(font.pointSizeF())
                             .arg(font.bold() ? QStringLiteral(" bold") : QString());
    const QFontMetricsF metrics(font);
    // Large, so that the ink is measured to a fraction of a pixel of the
    // size the windows use.
    QRawFont raw = QRawFont::fromFont(font);
    raw.setPixelSize(200);
    for (const Letter& l : kLetters) {
        const QChar letter(l.letter), base(l.base);
        const QStringList families = familiesDrawing(QString(letter), font);
        if (families != QStringList{font.family()})
            out << QStringLiteral("%1: \"%2\" is drawn by %3").arg(name, letter, families.join(u','));
        if (metrics.horizontalAdvance(letter) != metrics.horizontalAdvance(base))
            out << QStringLiteral("%1: \"%2\" is %3 px wide, \"%4\" %5 px")
                       .arg(name, letter)
                       .arg(metrics.horizontalAdvance(letter))
                       .arg(base)
                       .arg(metrics.horizontalAdvance(base));
        const QRectF ink = inkOf(raw, letter), baseInk = inkOf(raw, base);
        const double slack = 0.05 * raw.averageCharWidth();
        if (ink.isNull() || ink.left() > baseInk.left() + slack || ink.right() < baseInk.right() - slack)
            out << QStringLiteral("%1: the ink of \"%2\" spans %3 to %4, that of \"%5\" %6 to %7")
                       .arg(name, letter)
                       .arg(ink.left())
                       .arg(ink.right())
                       .arg(base)
                       .arg(baseInk.left())
                       .arg(baseInk.right());
    }
    return out;
}

} // namespace turkish
