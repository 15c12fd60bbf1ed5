#pragma once

#include "platform/vb/variant.h"

#include <QString>

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

} // namespace mdlGenel
