#pragma once

#include <QString>

namespace mdlGenel {

// A message text made safe for the gateway's documents and for a plain
// ASCII SMS: Turkish letters folded, line breaks removed, the characters
// that would break a document replaced. Any failure gives "".
QString FoldSmsText(const QString& text);

// The ten-digit mobile number a cell holds, or "" when it holds none that
// the edition accepts.
QString NormalizeGsmNumber(const QString& cellText);

} // namespace mdlGenel
