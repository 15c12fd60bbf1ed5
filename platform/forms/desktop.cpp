#include "platform/forms/desktop.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QMutex>
#include <QRawFont>
#include <QSet>
#include <QHash>
#include <QTranslator>
#include <algorithm>
#include <utility>

namespace forms {

namespace {

// Where Debian's fonts-wine puts its fonts, and the files of each family.
const char* const kCompatibleFonts = "/usr/share/wine/fonts/";

struct FontFiles {
    const char* family;
    const char* files[2];  // the regular face, then the bold one
};
constexpr FontFiles kCompatible[] = {
    {"Tahoma", {"tahoma.ttf", "tahomabd.ttf"}},
};

// ---- Mending a TrueType file in memory

quint16 u16(const QByteArray& f, qsizetype at) {
    return quint16((quint8(f[at]) << 8) | quint8(f[at + 1]));
}
qint16 s16(const QByteArray& f, qsizetype at) { return qint16(u16(f, at)); }
quint32 u32(const QByteArray& f, qsizetype at) { return (quint32(u16(f, at)) << 16) | u16(f, at + 2); }
void put16(QByteArray& f, qsizetype at, int v) {
    f[at] = char((v >> 8) & 0xFF);
    f[at + 1] = char(v & 0xFF);
}

struct Table {
    qsizetype offset = -1, length = 0;
    bool found() const { return offset >= 0; }
};

Table tableOf(const QByteArray& f, const char* tag) {
    if (f.size() < 12)
        return {};
    const int count = u16(f, 4);
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 12 + 16 * qsizetype(i);
        if (record + 16 > f.size())
            return {};
        if (f.mid(record, 4) == QByteArray(tag, 4)) {
            const Table t{qsizetype(u32(f, record + 8)), qsizetype(u32(f, record + 12))};
            return t.offset + t.length <= f.size() ? t : Table{};
        }
    }
    return {};
}

// A glyph's place in the file and its ink's bounds, in font units.
struct Glyph {
    qsizetype offset = -1, length = 0;
    int contours = 0, xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    bool found() const { return offset >= 0 && length >= 10; }
};

Glyph glyphOf(const QByteArray& f, quint32 index) {
    const Table head = tableOf(f, "head"), loca = tableOf(f, "loca"), glyf = tableOf(f, "glyf");
    if (!head.found() || !loca.found() || !glyf.found() || head.length < 54)
        return {};
    const bool longOffsets = s16(f, head.offset + 50) != 0;
    const qsizetype entry = longOffsets ? 4 : 2;
    if (qsizetype(index + 2) * entry > loca.length)
        return {};
    auto at = [&](quint32 i) {
        const qsizetype p = loca.offset + qsizetype(i) * entry;
        return longOffsets ? qsizetype(u32(f, p)) : qsizetype(u16(f, p)) * 2;
    };
    Glyph g;
    g.offset = glyf.offset + at(index);
    g.length = at(index + 1) - at(index);
    if (g.length < 10 || g.offset + g.length > glyf.offset + glyf.length)
        return {};
    g.contours = s16(f, g.offset);
    g.xMin = s16(f, g.offset + 2);
    g.yMin = s16(f, g.offset + 4);
    g.xMax = s16(f, g.offset + 6);
    g.yMax = s16(f, g.offset + 8);
    return g;
}

// The glyph index of each character, by the file's own character map.
QList<quint32> glyphIndexes(const QByteArray& f, const QString& characters) {
    const QRawFont raw(f, 12);
    return raw.isValid() ? raw.glyphIndexesForString(characters) : QList<quint32>();
}

// Its "İ" drawn as its "I", serifs and all, with the dot accent above where
// its own dot was: a bare stem in the cell of the "I" leaves a gap after it.
void composeDottedCapitalI(QByteArray& f) {
    const QList<quint32> index = glyphIndexes(f, QStringLiteral("I\u0130\u02D9"));
    if (index.size() != 3 || index.contains(0u))
        return;
    const Glyph plain = glyphOf(f, index[0]), dotted = glyphOf(f, index[1]), dot = glyphOf(f, index[2]);
    if (!plain.found() || !dotted.found() || !dot.found() || dotted.contours < 0
        || dotted.xMax - dotted.xMin >= plain.xMax - plain.xMin)
        return;
    const int dx = (plain.xMin + plain.xMax) / 2 - (dot.xMin + dot.xMax) / 2;
    const int dy = dotted.yMax - dot.yMax;
    // A composite glyph: header, then the two components, each with its
    // offsets as words.
    enum : int { Words = 0x1, XYValues = 0x2, RoundToGrid = 0x4, MoreComponents = 0x20, UseMyMetrics = 0x200 };
    const int composite[] = {
        -1, plain.xMin, std::min(plain.yMin, dot.yMin + dy), std::max(plain.xMax, dot.xMax + dx),
        std::max(plain.yMax, dot.yMax + dy),
        Words | XYValues | RoundToGrid | MoreComponents | UseMyMetrics, int(index[0]), 0, 0,
        Words | XYValues | RoundToGrid, int(index[2]), dx, dy,
    };
    const qsizetype size = qsizetype(std::size(composite)) * 2;
    if (size > dotted.length)
        return;
    for (qsizetype i = 0; i < qsizetype(std::size(composite)); ++i)
        put16(f, dotted.offset + 2 * i, composite[i]);
    for (qsizetype i = size; i < dotted.length; ++i)
        f[dotted.offset + i] = 0;
}

// A bold face drawn with the regular face's strokes, only its cells wider,
// is marked as not bold: Qt then thickens its strokes as it does for a
// family without a bold face, and the text keeps the bold face's widths.
void markThinBoldFace(QByteArray& bold, const QByteArray& regular) {
    const Table os2 = tableOf(bold, "OS/2"), head = tableOf(bold, "head");
    if (!os2.found() || os2.length < 64 || !head.found() || head.length < 54 || u16(bold, os2.offset + 4) < 700)
        return;
    const QList<quint32> b = glyphIndexes(bold, QStringLiteral("Il")), r = glyphIndexes(regular, QStringLiteral("Il"));
    if (b.size() != 2 || r.size() != 2)
        return;
    for (int i = 0; i < 2; ++i) {
        const Glyph gb = glyphOf(bold, b[i]), gr = glyphOf(regular, r[i]);
        if (!gb.found() || !gr.found() || gb.xMax - gb.xMin != gr.xMax - gr.xMin)
            return;
    }
    put16(bold, os2.offset + 4, 600);
    put16(bold, os2.offset + 62, u16(bold, os2.offset + 62) & ~0x20);  // fsSelection: bold
    put16(bold, head.offset + 44, u16(bold, head.offset + 44) & ~0x1);  // macStyle: bold
}

// fonts-wine's copy of a family, mended where it differs from the font the
// windows were laid out with in ways Turkish texts show.
void registerCompatible(const FontFiles& entry) {
    QByteArray regular;
    for (const char* file : entry.files) {
        QFile in(QLatin1String(kCompatibleFonts) + QLatin1String(file));
        if (!in.open(QIODevice::ReadOnly))
            continue;
        QByteArray font = in.readAll();
        composeDottedCapitalI(font);
        if (regular.isEmpty())
            regular = font;
        else
            markThinBoldFace(font, regular);
        QFontDatabase::addApplicationFontFromData(font);
    }
}

} // namespace

bool EnsureFontFamily(const QString& family) {
    static QHash<QString, bool> known;
    const QString key = family.toCaseFolded();
    if (const auto it = known.constFind(key); it != known.constEnd())
        return *it;
    if (!QFontDatabase::hasFamily(family)) {
        for (const FontFiles& entry : kCompatible)
            if (family.compare(QLatin1String(entry.family), Qt::CaseInsensitive) == 0)
                registerCompatible(entry);
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

// Each missing text once, however often it is asked for; Qt's own threads
// translate too.
struct Untranslated {
    QMutex lock;
    QSet<QString> texts;
};
Untranslated& untranslated() {
    static Untranslated missing;
    return missing;
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
        Untranslated& missing = untranslated();
        const QMutexLocker locked(&missing.lock);
        missing.texts.insert(QLatin1String(context) + QStringLiteral(": ") + QString::fromUtf8(source));
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

QStringList TakeUntranslatedTexts() {
    Untranslated& missing = untranslated();
    const QMutexLocker locked(&missing.lock);
    QStringList texts(missing.texts.cbegin(), missing.texts.cend());
    missing.texts.clear();
    texts.sort();
    return texts;
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
