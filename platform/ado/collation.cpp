#include "platform/ado/collation.h"

#include <array>
#include <cstdint>
#include <optional>

namespace ado::detail {

namespace {

// Primary weights are a group above a value of 21 bits (a code point, a
// digit or a letter's place); secondary ones are code points.
enum Group : char32_t { kMarks = 1, kDigits = 2, kLetters = 3, kOthers = 4 };

constexpr char32_t weight(Group group, char32_t value) { return char32_t(group) << 21 | value; }

constexpr char16_t kAlphabet[] = u"abcçdefgğhıijklmnoöpqrsştuüvwxyz";

int placeInAlphabet(char32_t c) {
    for (int i = 0; kAlphabet[i] != 0; ++i)
        if (kAlphabet[i] == c)
            return i;
    return -1;
}

// The small letter by the Turkish pairs; other letters by the common rule.
char32_t fold(char32_t c) {
    if (c == u'I')
        return u'ı';
    if (c == u'İ')
        return u'i';
    return QChar::toCaseFolded(c);
}

char32_t firstCodePoint(const QString& s) {
    if (s.size() > 1 && s[0].isHighSurrogate() && s[1].isLowSurrogate())
        return QChar::surrogateToUcs4(s[0], s[1]);
    return s[0].unicode();
}

Weights weigh(char32_t c) {
    const char32_t f = fold(c);
    if (int place = placeInAlphabet(f); place >= 0)
        return {weight(kLetters, char32_t(place)), 0};
    if (f >= u'0' && f <= u'9')
        return {weight(kDigits, f - u'0'), 0};
    if (!QChar::isLetterOrNumber(f))
        return {weight(kMarks, f), 0};
    // Taken apart step by step, so that ǖ goes with ü rather than with u.
    for (char32_t base = f; QChar::decompositionTag(base) == QChar::Canonical;) {
        base = firstCodePoint(QChar::decomposition(base));
        if (int place = placeInAlphabet(base); place >= 0)
            return {weight(kLetters, char32_t(place)), f};
    }
    return {weight(kOthers, f), 0};
}

// Turkish text and ASCII lie below U+0180: their weights are looked up.
constexpr char32_t kTabled = 0x180;

const auto kTable = [] {
    std::array<Weights, kTabled> t;
    for (char32_t i = 0; i < kTabled; ++i)
        t[i] = weigh(i);
    return t;
}();

Weights weights(char32_t c) { return c < kTabled ? kTable[c] : weigh(c); }

const auto kFolded = [] {
    std::array<char16_t, kTabled> t;
    for (char32_t i = 0; i < kTabled; ++i)
        t[i] = char16_t(fold(i));
    return t;
}();

// Texts of code units below U+0300 hold no combining mark: already composed.
QString composed(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x300)
            return text.normalized(QString::NormalizationForm_C);
    return text;
}

// The code point at i, i moved past it; a lone surrogate stands for itself.
char32_t nextCodePoint(const QString& s, qsizetype& i) {
    const QChar c = s[i++];
    if (c.isHighSurrogate() && i < s.size() && s[i].isLowSurrogate())
        return QChar::surrogateToUcs4(c, s[i++]);
    return c.unicode();
}

template <class F>
void forEachCodePoint(const QString& s, F&& f) {
    for (qsizetype i = 0; i < s.size();)
        f(nextCodePoint(s, i));
}

// A primary weight in the key: one byte for ASCII marks, digits and the
// alphabet's letters, a lead byte and three of the code point for the rest.
// The lead bytes rise with the weights and say how long the code is, so
// keys compare byte by byte as their weights do.
constexpr std::uint8_t kAsciiMark = 0x01, kMark = 0x81, kDigit = 0x82, kLetter = 0x8C, kOther = 0xAC;

char* putCodePoint(char* p, char32_t c) {
    *p++ = char(c >> 16);
    *p++ = char(c >> 8 & 0xFF);
    *p++ = char(c & 0xFF);
    return p;
}

char* putPrimary(char* p, char32_t w) {
    const char32_t value = w & 0x1FFFFF;
    switch (w >> 21) {
    case kMarks:
        if (value < 0x80) {
            *p++ = char(kAsciiMark + value);
            return p;
        }
        *p++ = char(kMark);
        return putCodePoint(p, value);
    case kDigits: *p++ = char(kDigit + value); return p;
    case kLetters: *p++ = char(kLetter + value); return p;
    default: *p++ = char(kOther); return putCodePoint(p, value);
    }
}

} // namespace

// The primary weights of every character; then, only when an accent is
// among them, a zero byte (below every lead byte) and the secondary weights
// of every character, three bytes each. Texts of the same letters thus
// compare by their accents, the one without first, and a text that is the
// start of another comes before it either way.
void AppendTextKey(const QString& text, std::string& key) {
    const QString s = composed(text);
    const std::size_t start = key.size();
    // At most four bytes a code unit, then the accents' part.
    key.resize(start + std::size_t(s.size()) * 4);
    char* p = key.data() + start;
    bool accents = false;
    forEachCodePoint(s, [&](char32_t c) {
        const Weights w = weights(c);
        p = putPrimary(p, w.primary);
        accents = accents || w.secondary != 0;
    });
    key.resize(std::size_t(p - key.data()));
    if (!accents)
        return;
    const std::size_t at = key.size();
    key.resize(at + 1 + std::size_t(s.size()) * 3);
    p = key.data() + at;
    *p++ = 0;
    forEachCodePoint(s, [&](char32_t c) { p = putCodePoint(p, weights(c).secondary); });
    key.resize(std::size_t(p - key.data()));
}

TextKey::TextKey(const QString& text) {
    forEachCodePoint(composed(text), [this](char32_t c) { weights_.push_back(weights(c)); });
}

// Walks text only as far as it differs, as the keys would compare: by the
// letters first, then by the first accent that differs. A unit below
// U+0300 never combines with the one before it, so the text is read as it
// stands and composed only when a unit at or above U+0300 comes before the
// comparison is decided or right after the character that decides it.
int TextKey::compare(const QString& text) const {
    if (std::optional<int> asTyped = compareWith(text, true))
        return *asTyped;
    return *compareWith(composed(text), false);
}

std::optional<int> TextKey::compareWith(const QString& s, bool composable) const {
    auto combines = [&](qsizetype i) { return composable && i < s.size() && s[i].unicode() >= 0x300; };
    std::size_t n = 0;
    int accents = 0;
    for (qsizetype i = 0; i < s.size(); ++n) {
        if (combines(i))
            return std::nullopt;
        if (n == weights_.size())
            return 1;
        const Weights w = weights(nextCodePoint(s, i));
        const Weights& o = weights_[n];
        if (w.primary != o.primary) {
            if (combines(i))
                return std::nullopt;
            return w.primary < o.primary ? -1 : 1;
        }
        if (accents == 0 && w.secondary != o.secondary)
            accents = w.secondary < o.secondary ? -1 : 1;
    }
    return n < weights_.size() ? -1 : accents;
}

QString FoldText(const QString& text) {
    const QString s = composed(text);
    // As long as the text, unless a fold takes a pair where there was one unit.
    QString out(s.size(), Qt::Uninitialized);
    QChar* d = out.data();
    qsizetype n = 0;
    forEachCodePoint(s, [&](char32_t c) {
        const char32_t f = c < kTabled ? kFolded[c] : fold(c);
        const qsizetype units = QChar::requiresSurrogates(f) ? 2 : 1;
        if (n + units > out.size()) {
            out.resize(out.size() + s.size() + 1);
            d = out.data();
        }
        if (units == 2) {
            d[n++] = QChar(QChar::highSurrogate(f));
            d[n++] = QChar(QChar::lowSurrogate(f));
        } else {
            d[n++] = QChar(char16_t(f));
        }
    });
    out.truncate(n);
    return out;
}

} // namespace ado::detail
