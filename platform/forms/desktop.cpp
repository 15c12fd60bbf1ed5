#include "platform/forms/desktop.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QHash>
#include <QTranslator>
#include <utility>

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

namespace {

// Texts of Qt's dialogs that Debian's Turkish catalogue does not hold (it
// was made for an earlier Qt), by context and source.
struct Fallback {
    const char* context;
    const char* source;
    const char* turkish;
};
constexpr Fallback kFallbacks[] = {
    {"QAbstractFileIconProvider", "Folder", "Klasör"},
    {"QAbstractFileIconProvider", "Drive", "Sürücü"},
    {"QAbstractFileIconProvider", "File", "Dosya"},
    {"QAbstractFileIconProvider", "%1 File", "%1 Dosyası"},
    {"QAbstractFileIconProvider", "Shortcut", "Kısayol"},
    {"QAbstractFileIconProvider", "Alias", "Kısayol"},
    {"QAbstractFileIconProvider", "Unknown", "Bilinmeyen"},
    {"QShortcut", "Control", "Ctrl"},
};

QStringList& untranslated() {
    static QStringList texts;
    return texts;
}

// Asked only when the catalogues installed after it had nothing.
class FallbackTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (!context || !source || !*source)
            return {};
        for (const Fallback& f : kFallbacks)
            if (qstrcmp(f.context, context) == 0 && qstrcmp(f.source, source) == 0)
                return QString::fromUtf8(f.turkish);
        untranslated() << QLatin1String(context) + QStringLiteral(": ") + QString::fromUtf8(source);
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

QStringList TakeUntranslatedTexts() {
    return std::exchange(untranslated(), {});
}

void UseTurkishSystemLocale() {
    // LC_ALL stands above every other variable Qt reads.
    const QByteArray saved = qgetenv("LC_ALL");
    const bool wasSet = qEnvironmentVariableIsSet("LC_ALL");
    qputenv("LC_ALL", "tr_TR.UTF-8");
    (void)QLocale::system();
    if (wasSet)
        qputenv("LC_ALL", saved);
    else
        qunsetenv("LC_ALL");
}

bool InstallTurkishTranslations() {
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    auto* app = QCoreApplication::instance();
    if (!app)
        return false;
    static QTranslator* installed = nullptr;
    if (installed)
        return true;
    // Installed first, asked last.
    static QTranslator* fallback = nullptr;
    if (!fallback) {
        fallback = new FallbackTranslator(app);
        QCoreApplication::installTranslator(fallback);
    }
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
