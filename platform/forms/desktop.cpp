#include "platform/forms/desktop.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QHash>
#include <QTranslator>

namespace forms {

namespace {

// Where Debian's fonts-wine puts its fonts, and the files of each family.
const char* const kCompatibleFonts = "/usr/share/wine/fonts/";

struct FontFiles {
    const char* family;
    const char* files[2];
};
constexpr FontFiles kCompatible[] = {
    {"Tahoma", {"tahoma.ttf", "tahomabd.ttf"}},
};

} // namespace

bool EnsureFontFamily(const QString& family) {
    static QHash<QString, bool> known;
    const QString key = family.toCaseFolded();
    if (const auto it = known.constFind(key); it != known.constEnd())
        return *it;
    if (!QFontDatabase::hasFamily(family)) {
        for (const FontFiles& entry : kCompatible) {
            if (family.compare(QLatin1String(entry.family), Qt::CaseInsensitive) != 0)
                continue;
            for (const char* file : entry.files) {
                const QString path = QLatin1String(kCompatibleFonts) + QLatin1String(file);
                if (QFile::exists(path))
                    QFontDatabase::addApplicationFont(path);
            }
        }
    }
    const bool there = QFontDatabase::hasFamily(family);
    known.insert(key, there);
    return there;
}

bool InstallTurkishTranslations() {
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    auto* app = QCoreApplication::instance();
    if (!app)
        return false;
    static QTranslator* installed = nullptr;
    if (installed)
        return true;
    auto* translator = new QTranslator(app);
    if (!translator->load(QLocale(QLocale::Turkish, QLocale::Turkey), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

} // namespace forms
