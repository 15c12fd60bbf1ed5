#pragma once

#include "platform/vb/export.h"

#include <QString>
#include <QStringList>

// What the add-in's windows find on the Turkish Windows desktop they were
// made for, given to them on a Linux one.
namespace forms {

// Makes a font family the windows ask for by name available to Qt. A family
// the system lacks is registered from Debian's metric-compatible copies
// (fonts-wine keeps them outside the folders fontconfig searches), so that
// layouts measured in twips for that font fit as designed, mended where
// they differ from the Windows fonts the windows were laid out with, in the
// Turkish letters and the bold face.
// True when the family is there afterwards. Checked once per family and
// process.
QM_EXPORT bool EnsureFontFamily(const QString& family);

// Qt's own texts in Turkish (standard buttons "Evet", "Hayır", "Tamam",
// "İptal", the file dialogs) and Turkish as the locale of Qt's widgets.
// Needs a QCoreApplication; true when the translations were found. The
// texts Debian's catalogue lacks and the dialogs show are given by the
// program itself.
QM_EXPORT bool InstallTurkishTranslations();

// The texts Qt asked for since the last call that no catalogue had, as
// "context: source", each once and sorted, for tests that check that a
// dialog is Turkish whole.
QM_EXPORT QStringList TakeUntranslatedTexts();

// Qt's dialogs show dates, sizes and the names of file types in the
// system's locale, which Qt reads from the environment once: it is read as
// a Turkish desktop has it. Called before the application object; the C
// library and the programs started later keep the environment as it was.
QM_EXPORT void UseTurkishSystemLocale();

} // namespace forms
