#pragma once

#include "platform/vb/variant.h"

#include <QSet>
#include <QString>
#include <optional>
#include <vector>

namespace mdlGenel {

// A message text made safe for the gateway's documents and for a plain
// ASCII SMS: Turkish letters folded, line breaks removed, the characters
// that would break a document replaced. Any failure gives "".
QString FoldSmsText(const QString& text);

// The ten-digit mobile number a cell holds, or "" when it holds none that
// the edition accepts. A non-breaking space (as pasted cells have between
// digit groups) counts as a blank.
QString NormalizeGsmNumber(const QString& cellText);

// The same for a cell's value. A number with a fractional part is no mobile
// number: its text under the regional settings ("5551234583,7") would lose
// its decimal separator and read as a different, valid-looking number.
QString NormalizeGsmCell(const vb::Variant& value);

// A set of numbers, as the list builders keep the ones they have listed:
// the ten digits NormalizeGsmNumber gives are held as an integer each in an
// open table, which a list of 100,000 rows looks up and adds to far faster
// than a set of texts. Any other text is held as it is.
class NumberSet {
public:
    NumberSet(std::initializer_list<QString> numbers = {});
    bool contains(const QString& number) const;
    void insert(const QString& number);
    // Room for this many numbers without growing.
    void reserve(qsizetype count);

private:
    static std::optional<quint64> key(const QString& number);
    std::size_t slotOf(quint64 key) const;
    void rehash(qsizetype count);

    // Keys by linear probing, 0 marking a free slot (no key is 0); a power
    // of two long and at most half full.
    std::vector<quint64> slots_;
    qsizetype keys_ = 0;
    QSet<QString> texts_;
};

} // namespace mdlGenel
