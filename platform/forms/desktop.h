#pragma once

#include "platform/vb/export.h"

#include <QString>

// What the add-in's windows find on the Turkish Windows desktop they were
// made for, given to them on a Linux one.
namespace forms {

// Makes a font family the windows ask for by name available to Qt. A family
// the system lacks is registered from Debian's metric-compatible copies
// (fonts-wine keeps them outside the folders fontconfig searches), so that
// layouts measured in twips for that font fit as designed, mended where
// they differ from the original in the Turkish letters and the bold face.
// True when the family is there afterwards. Checked once per family and
// process.
QM_EXPORT bool EnsureFontFamily(const QString& family);

// Qt's own texts in Turkish (standard buttons "Evet", "Hayır", "Tamam",
// "İptal", the file dialogs) and Turkish as the locale of Qt's widgets.
// Needs a QCoreApplication; true when the translations were found.
QM_EXPORT bool InstallTurkishTranslations();

} // namespace forms
