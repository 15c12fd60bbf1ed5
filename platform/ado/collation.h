#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

// How Sort and Filter compare texts: as the Turkish desktop of the add-in's
// users does, by the Turkish alphabet and without regard to letter case.
//
// Letters go in the order a b c ç d e f g ğ h ı i j k l m n o ö p q r s ş t
// u ü v w x y z (q, w and x in their Latin places), capitals with their
// small letters by the Turkish pairs: I with ı, İ with i, so "IŞIK" is
// "ışık" and "İSTANBUL" is "istanbul", but "I" is not "i". Before the
// letters come blanks, punctuation, symbols and other marks (by code
// point), then the digits 0-9. A letter with an accent outside the
// alphabet (â, î, û, é) sorts with its letter and, among texts otherwise
// equal, after it. Every other letter or number (ß, other scripts, other
// digits) comes after z, by the code point of its small letter. Texts are
// composed (NFC) first, so a letter typed with a separate accent is the
// letter typed whole.
namespace ado::detail {

// Appends the collation key of text to key. Keys compare byte by byte,
// a key that is the start of a longer one first (as std::string compares
// them), in the order of their texts; texts equal under the collation have
// equal keys.
void AppendTextKey(const QString& text, std::string& key);

// A character's weights: the primary one places it among the letters,
// digits and marks; the secondary one, nonzero only for an accented letter
// outside the alphabet, sets it apart from its letter.
struct Weights {
    char32_t primary = 0;
    char32_t secondary = 0;
};

// A text to compare many others with (a filter's value), in the order of
// their keys, without making theirs.
class TextKey {
public:
    explicit TextKey(const QString& text = {});
    // Below, at or above zero as text comes before this one, is equal to it
    // under the collation, or comes after it.
    int compare(const QString& text) const;

private:
    // Nothing when composable and the text must be composed first.
    std::optional<int> compareWith(const QString& text, bool composable) const;

    std::vector<Weights> weights_;
};

// The text with every letter in its small form by the Turkish pairs, as
// LIKE matches it: two texts fold the same exactly when their keys are
// equal.
QString FoldText(const QString& text);

} // namespace ado::detail
