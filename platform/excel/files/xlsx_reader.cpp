// Reading the Office Open XML workbook format: a zip of XML parts found
// through their relationships. Element names are matched without their
// namespace prefix, since writers differ in the prefixes they choose.
//
// The parts that grow with the cells, the sheets and the shared strings,
// are read as they are inflated (XmlPull), the small ones as trees. What an
// entry may inflate to is bounded before a byte of it is inflated: deflate
// cannot make more than about a thousand bytes of one, so an entry that
// claims more than that of its compressed size is a damaged or hostile
// file, and refused at once; no entry is read past the size it claims.

#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"
#include "platform/excel/files/xmlpull.h"

#include <QRegularExpression>
#include <QStringList>
#include <charconv>
#include <cmath>
#include <limits>
#include <cstring>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>
#include <zip.h>

namespace excel::files {

namespace {

constexpr zip_uint64_t kDeflateRatio = 1032;            // deflate's most bytes out for one in
constexpr zip_uint64_t kMaxTreePart = 64 << 20;         // a part read whole (workbook, styles, relationships)
constexpr zip_uint64_t kMaxStreamedPart = zip_uint64_t(4) << 30;
// The UTF-8 bytes of a text of kMaxTextLength characters at most; a run of
// character data longer than this is too long for a cell whatever it holds.
constexpr qsizetype kKeptText = 3 * kMaxTextLength + 3;

class Archive {
public:
    Archive(const QString& path, const QByteArray& content) : path_(path) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(content.constData(), zip_uint64_t(content.size()), 0, &error);
        if (source) {
            zip_ = zip_open_from_source(source, ZIP_RDONLY, &error);
            if (!zip_)
                zip_source_free(source);
        }
        zip_error_fini(&error);
    }
    ~Archive() {
        if (zip_)
            zip_discard(zip_);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    bool isOpen() const { return zip_ != nullptr; }

    struct Entry {
        zip_uint64_t index = 0;
        zip_uint64_t size = 0;
    };

    // The entry of a name; an entry whose sizes cannot be true refuses the
    // whole file.
    std::optional<Entry> find(const std::string& name, zip_uint64_t most) const {
        const zip_int64_t index = zip_name_locate(zip_, name.c_str(), ZIP_FL_NOCASE);
        if (index < 0)
            return std::nullopt;
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip_, zip_uint64_t(index), 0, &st) != 0)
            RaiseUnreadable(path_, QString::fromStdString(name));
        const zip_uint64_t want = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD;
        if ((st.valid & want) != want)
            RaiseUnreadable(path_, QString::fromStdString(name));
        bool possible = false;
        if (st.comp_method == ZIP_CM_STORE)
            possible = st.size == st.comp_size;
        else if (st.comp_method == ZIP_CM_DEFLATE)
            possible = st.comp_size <= (zip_uint64_t(1) << 40) && st.size <= st.comp_size * kDeflateRatio + 1024;
        if (!possible || st.size > most)
            RaiseUnreadable(path_, QStringLiteral("%1: %2 baytlık bir parça olamaz")
                                       .arg(QString::fromStdString(name))
                                       .arg(st.size));
        return Entry{zip_uint64_t(index), st.size};
    }

    // An entry read as it is inflated, never past the size it claims.
    class Stream {
    public:
        Stream(const Archive& archive, const Entry& entry, const std::string& name)
            : archive_(archive), name_(name), left_(entry.size) {
            file_ = zip_fopen_index(archive.zip_, entry.index, 0);
            if (!file_)
                RaiseUnreadable(archive_.path_, QString::fromStdString(name_));
        }
        ~Stream() {
            if (file_)
                zip_fclose(file_);
        }
        Stream(const Stream&) = delete;
        Stream& operator=(const Stream&) = delete;

        qsizetype read(char* to, qsizetype room) {
            if (left_ == 0)
                return 0;
            const zip_uint64_t wanted = std::min<zip_uint64_t>(zip_uint64_t(room), left_);
            const zip_int64_t got = zip_fread(file_, to, wanted);
            if (got <= 0)
                RaiseUnreadable(archive_.path_, QString::fromStdString(name_));
            left_ -= zip_uint64_t(got);
            return qsizetype(got);
        }

    private:
        const Archive& archive_;
        std::string name_;
        zip_file_t* file_ = nullptr;
        zip_uint64_t left_;
    };

    // A small part whole; nothing when there is none.
    std::optional<std::string> read(const std::string& name, zip_uint64_t most = kMaxTreePart) const {
        const auto entry = find(name, most);
        if (!entry)
            return std::nullopt;
        std::string data(size_t(entry->size), '\0');
        Stream stream(*this, *entry, name);
        for (qsizetype at = 0; at < qsizetype(data.size());)
            at += stream.read(data.data() + at, qsizetype(data.size()) - at);
        return data;
    }

private:
    QString path_;
    zip_t* zip_ = nullptr;
};

// Whether a qualified name ("x:row", "row") has the given local name; the
// name without a prefix is tried first, as most writers use none.
bool isLocal(const char* qualified, const char* local) {
    size_t i = 0;
    while (qualified[i] && qualified[i] == local[i])
        ++i;
    if (qualified[i] == '\0' && local[i] == '\0')
        return true;
    const char* colon = std::strchr(qualified + i, ':');
    return colon && std::strcmp(colon + 1, local) == 0;
}

bool named(const pugi::xml_node& node, const char* name) {
    return isLocal(node.name(), name);
}

pugi::xml_node child(const pugi::xml_node& node, const char* name) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (named(c, name))
            return c;
    return {};
}

pugi::xml_attribute attribute(const pugi::xml_node& node, const char* name) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        if (isLocal(a.name(), name))
            return a;
    return {};
}

bool endsWith(const char* text, const char* tail) {
    size_t n = std::strlen(text), m = std::strlen(tail);
    return n >= m && std::strcmp(text + n - m, tail) == 0;
}

bool isTrue(const pugi::xml_attribute& a) {
    const char* v = a.value();
    return std::strcmp(v, "1") == 0 || std::strcmp(v, "true") == 0;
}

// A part's target, relative to the folder of the part that names it.
std::string resolve(const std::string& folder, const std::string& target) {
    std::string path = !target.empty() && target[0] == '/' ? target.substr(1) : folder + target;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        std::string part = path.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string out;
    for (const auto& p : parts)
        out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string folderOf(const std::string& part) {
    size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

struct Relationship {
    std::string id, type, target;
};

struct CellStyle {
    bool date = false;
    bool bold = false;
    unsigned color = 0;
};

unsigned fontColor(const pugi::xml_node& font) {
    pugi::xml_node color = child(font, "color");
    if (!color)
        return 0;
    if (pugi::xml_attribute rgb = attribute(color, "rgb"))
        return unsigned(std::strtoul(rgb.value(), nullptr, 16) & 0xFFFFFF);
    if (pugi::xml_attribute indexed = attribute(color, "indexed"))
        return IndexedColor(indexed.as_int());
    return 0;  // theme colours and "auto": the text colour of the theme
}

// UTF-8 as UTF-16, a malformed sequence as U+FFFD (as Qt reads one).
void appendUtf16(std::u16string& out, std::string_view in) {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const size_t n = in.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out += char16_t(b);
            ++i;
            continue;
        }
        const int extra = b >= 0xF5 ? -1 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 ? 1 : -1;
        uint32_t cp = extra == 3 ? b & 0x07 : extra == 2 ? b & 0x0F : b & 0x1F;
        bool good = extra > 0;
        for (int k = 1; good && k <= extra; ++k) {
            if (i + size_t(k) >= n || (p[i + size_t(k)] & 0xC0) != 0x80)
                good = false;
            else
                cp = (cp << 6) | (p[i + size_t(k)] & 0x3F);
        }
        if (good && ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)))
                     || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))))
            good = false;
        if (!good) {
            out += char16_t(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out += char16_t(0xD800 + ((cp - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += char16_t(cp);
        }
        i += size_t(extra) + 1;
    }
}

// A text as a cell holds it: the format's "_xHHHH_" sequences undone.
// Empty with `overlong` set when it is longer than a cell takes.
std::u16string cellText(std::string_view utf8, bool cut, bool& overlong) {
    std::u16string out;
    overlong = cut;
    if (cut)
        return out;
    appendUtf16(out, utf8);
    if (out.find(u"_x") != std::u16string::npos) {
        const QString undone = UnescapeOpenXml(
            QString(reinterpret_cast<const QChar*>(out.data()), qsizetype(out.size())));
        out.assign(reinterpret_cast<const char16_t*>(undone.utf16()), size_t(undone.size()));
    }
    if (out.size() > size_t(kMaxTextLength)) {
        overlong = true;
        out.clear();
    }
    return out;
}

// The text of a rich text (a shared string's <si>, an inline string's
// <is>): the texts of its runs, phonetic runs left out. Called at the
// element's start; returns at its end.
struct RichText {
    std::string utf8;
    bool cut = false;
};

void readRichText(XmlPull& x, RichText& text) {
    text.utf8.clear();
    text.cut = false;
    const int depth = x.depth();
    int phonetic = 0;     // depth of an <rPh> being skipped
    int inText = 0;       // depth of the <t> being read
    for (;;) {
        switch (x.next()) {
        case XmlPull::Token::Start:
            if (!phonetic && x.name() == "rPh")
                phonetic = x.depth();
            else if (!phonetic && x.name() == "t")
                inText = x.depth();
            break;
        case XmlPull::Token::End:
            if (x.depth() < phonetic)
                phonetic = 0;
            if (x.depth() < inText)
                inText = 0;
            if (x.depth() < depth)
                return;
            break;
        case XmlPull::Token::Text:
            if (inText && !phonetic) {
                if (text.utf8.size() + x.text().size() > size_t(kKeptText) || x.textCut())
                    text.cut = true;
                else
                    text.utf8 += x.text();
            }
            break;
        case XmlPull::Token::Done:
            return;
        }
    }
}

// The character data of an element with no elements inside that matter
// (<v>, <f>); called at its start, returns at its end.
void readPlainText(XmlPull& x, RichText& text) {
    text.utf8.clear();
    text.cut = false;
    const int depth = x.depth();
    for (;;) {
        const XmlPull::Token t = x.next();
        if (t == XmlPull::Token::Text) {
            if (text.utf8.size() + x.text().size() > size_t(kKeptText) || x.textCut())
                text.cut = true;
            else
                text.utf8 += x.text();
        }
        if (t == XmlPull::Token::Done || x.depth() < depth)
            return;
    }
}

// A whole number written in decimal digits only; nothing for anything else
// or for one too big for T. Read here rather than with from_chars: the
// numbers of a sheet (rows, styles, string indexes) are short and many.
template <typename T>
std::optional<T> wholeNumber(std::string_view text) {
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + uint64_t(c - '0');
    }
    if (v > uint64_t(std::numeric_limits<T>::max()))
        return std::nullopt;
    return T(v);
}

// A number as the formats write it, whatever the C library's locale.
std::optional<double> decimal(std::string_view text) {
    double v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size())
        return std::nullopt;
    return v;
}

// The column of a reference such as "AB12"; `next` when the cell has none,
// -1 for one that names no column.
int columnOf(std::string_view ref, int next) {
    if (ref.empty())
        return next;
    int column = 0, letters = 0;
    for (char c : ref) {
        if (c < 'A' || c > 'Z')
            break;
        if (++letters > 3)
            return -1;
        column = column * 26 + (c - 'A' + 1);
    }
    return column - 1;
}

// "B2:D3" as a merged range; nothing for a malformed reference.
std::optional<MergedRange> rangeOf(std::string_view ref) {
    int rows[2] = {0, 0}, columns[2] = {0, 0};
    size_t p = 0;
    for (int k = 0; k < 2; ++k) {
        int column = 0, row = 0, letters = 0, digits = 0;
        for (; p < ref.size() && ref[p] >= 'A' && ref[p] <= 'Z' && letters < 3; ++p, ++letters)
            column = column * 26 + (ref[p] - 'A' + 1);
        for (; p < ref.size() && ref[p] >= '0' && ref[p] <= '9' && digits < 7; ++p, ++digits)
            row = row * 10 + (ref[p] - '0');
        if (!letters || !digits || row < 1 || row > kGridRows || column > kGridColumns)
            return std::nullopt;
        rows[k] = row - 1;
        columns[k] = column - 1;
        if (k == 0) {
            if (p >= ref.size() || ref[p] != ':')
                return std::nullopt;
            ++p;
        }
    }
    if (p != ref.size() || rows[1] < rows[0] || columns[1] < columns[0] || (rows[0] == rows[1] && columns[0] == columns[1]))
        return std::nullopt;
    return MergedRange{rows[0], columns[0], rows[1], columns[1]};
}

class XlsxReader {
public:
    XlsxReader(const QString& path, const QByteArray& content) : path_(path), archive_(path, content) {}

    WorkbookData read() {
        if (!archive_.isOpen())
            RaiseUnreadable(path_);
        if (auto mimetype = archive_.read("mimetype"); mimetype && mimetype->find("opendocument") != std::string::npos)
            RaiseNotSupported(path_, QStringLiteral("OpenDocument elektronik tablo (.ods) biçimi desteklenmiyor. "
                                                    "Dosyayı .xlsx ya da .xls olarak kaydedin."));
        if (archive_.find("xl/workbook.bin", kMaxStreamedPart))
            RaiseNotSupported(path_, QStringLiteral("Excel İkili Çalışma Kitabı (.xlsb) biçimi desteklenmiyor. "
                                                    "Dosyayı .xlsx ya da .xls olarak kaydedin."));
        std::string workbookPart = "xl/workbook.xml";
        for (const auto& rel : relationships("_rels/.rels", ""))
            if (endsWith(rel.type.c_str(), "/officeDocument"))
                workbookPart = rel.target;
        pugi::xml_document workbookXml;
        std::string workbookText;
        if (!load(workbookPart, workbookText, workbookXml))
            RaiseUnreadable(path_, QStringLiteral("workbook"));
        pugi::xml_node workbookNode = workbookXml.document_element();
        date1904_ = isTrue(attribute(child(workbookNode, "workbookPr"), "date1904"));
        for (pugi::xml_node n = child(child(workbookNode, "definedNames"), "definedName"); n; n = n.next_sibling())
            if (named(n, "definedName") && !QString::fromUtf8(attribute(n, "name").value()).startsWith(u"_xlnm."))
                definedNames_ << QString::fromUtf8(attribute(n, "name").value());

        const std::string folder = folderOf(workbookPart);
        auto rels = relationships(folder + "_rels/" + workbookPart.substr(folder.size()) + ".rels", folder);
        for (const auto& rel : rels) {
            if (endsWith(rel.type.c_str(), "/sharedStrings"))
                readSharedStrings(rel.target);
            else if (endsWith(rel.type.c_str(), "/styles"))
                readStyles(rel.target);
        }

        WorkbookData workbook;
        for (pugi::xml_node s = child(child(workbookNode, "sheets"), "sheet"); s; s = s.next_sibling()) {
            if (!named(s, "sheet"))
                continue;
            const char* id = attribute(s, "id").value();
            for (const auto& rel : rels) {
                if (rel.id != id || !endsWith(rel.type.c_str(), "/worksheet"))
                    continue;
                SheetData sheet;
                sheet.name = QString::fromUtf8(attribute(s, "name").value());
                readSheet(rel.target, sheet);
                workbook.sheets.push_back(std::move(sheet));
            }
        }
        if (workbook.sheets.empty())
            RaiseUnreadable(path_, QStringLiteral("sayfa yok"));
        return workbook;
    }

private:
    bool load(const std::string& part, std::string& text, pugi::xml_document& doc) {
        auto data = archive_.read(part);
        if (!data)
            return false;
        text = std::move(*data);
        // Parsed in place; the text lives as long as the document.
        return bool(doc.load_buffer_inplace(text.data(), text.size(),
                                            pugi::parse_default | pugi::parse_ws_pcdata_single));
    }

    std::vector<Relationship> relationships(const std::string& part, const std::string& folder) {
        std::vector<Relationship> out;
        pugi::xml_document doc;
        std::string text;
        if (!load(part, text, doc))
            return out;
        for (pugi::xml_node r = doc.document_element().first_child(); r; r = r.next_sibling())
            if (named(r, "Relationship"))
                out.push_back({attribute(r, "Id").value(), attribute(r, "Type").value(),
                               resolve(folder, attribute(r, "Target").value())});
        return out;
    }

    // Reads a streamed part with `each` called at every start of an element;
    // a malformed part refuses the file.
    template <typename Each>
    bool stream(const std::string& part, Each each) {
        const auto entry = archive_.find(part, kMaxStreamedPart);
        if (!entry)
            return false;
        Archive::Stream in(archive_, *entry, part);
        XmlPull x([&in](char* to, qsizetype room) { return in.read(to, room); }, kKeptText);
        try {
            for (XmlPull::Token t; (t = x.next()) != XmlPull::Token::Done;)
                if (t == XmlPull::Token::Start)
                    each(x);
        } catch (const XmlPull::Malformed& e) {
            RaiseUnreadable(path_, QString::fromStdString(part) + QStringLiteral(": ") + QString::fromUtf8(e.what()));
        }
        return true;
    }

    void readSharedStrings(const std::string& part) {
        RichText rich;
        const bool found = stream(part, [this, &rich](XmlPull& x) {
            if (x.name() != "si")
                return;
            readRichText(x, rich);
            bool overlong = false;
            const std::u16string text = cellText(rich.utf8, rich.cut, overlong);
            strings_.push_back({stringChars_.size(), overlong ? kOverlong : uint32_t(text.size())});
            stringChars_ += text;
        });
        if (!found)
            RaiseUnreadable(path_, QStringLiteral("sharedStrings"));
    }

    void readStyles(const std::string& part) {
        pugi::xml_document doc;
        std::string text;
        if (!load(part, text, doc))
            RaiseUnreadable(path_, QStringLiteral("styles"));
        pugi::xml_node root = doc.document_element();
        std::vector<std::pair<int, bool>> customDateFormats;
        for (pugi::xml_node f = child(child(root, "numFmts"), "numFmt"); f; f = f.next_sibling())
            if (named(f, "numFmt"))
                customDateFormats.push_back({attribute(f, "numFmtId").as_int(),
                                             IsDateFormatCode(QString::fromUtf8(attribute(f, "formatCode").value()))});
        std::vector<CellStyle> fonts;
        for (pugi::xml_node f = child(child(root, "fonts"), "font"); f; f = f.next_sibling()) {
            if (!named(f, "font"))
                continue;
            CellStyle font;
            pugi::xml_node b = child(f, "b");
            font.bold = b && (!attribute(b, "val") || isTrue(attribute(b, "val")));
            font.color = fontColor(f);
            fonts.push_back(font);
        }
        for (pugi::xml_node x = child(child(root, "cellXfs"), "xf"); x; x = x.next_sibling()) {
            if (!named(x, "xf"))
                continue;
            CellStyle style;
            size_t font = attribute(x, "fontId").as_uint();
            if (font < fonts.size())
                style = fonts[font];
            int format = attribute(x, "numFmtId").as_int();
            style.date = IsBuiltinDateFormat(format);
            for (const auto& custom : customDateFormats)
                if (custom.first == format)
                    style.date = custom.second;
            styles_.push_back(style);
        }
    }

    // One cell as the sheet's XML gives it.
    struct Cell {
        int row = 0, column = 0;
        CellStyle style;
        std::string type;
        bool hasValue = false;
        RichText value;        // <v>, or the text of <is>
        bool inlineText = false;
        bool hasFormula = false;
        std::string formulaKind;
        RichText formula;

        // Ready for the next cell, keeping the room of its texts.
        void reset(int r, int c) {
            row = r;
            column = c;
            style = {};
            type.clear();
            hasValue = inlineText = hasFormula = false;
            value.utf8.clear();
            value.cut = false;
            formulaKind.clear();
            formula.utf8.clear();
            formula.cut = false;
        }
    };

    void readSheet(const std::string& part, SheetData& sheet) {
        int row = -1, column = -1;
        bool inSheetData = false;
        int sheetDataDepth = 0;
        struct Width {
            int first, last;
            double width;
        };
        std::vector<Width> widths;
        Cell cell;
        const bool found = stream(part, [&](XmlPull& x) {
            const std::string_view name = x.name();
            if (inSheetData && x.depth() <= sheetDataDepth)
                inSheetData = false;
            if (inSheetData && name == "c") {
                if (row < 0)
                    row = 0;  // a cell outside any row: the first
                column = columnOf(x.attribute("r"), column + 1);
                if (column < 0)
                    RaiseUnreadable(path_, QString::fromStdString(part));
                if (column >= kGridColumns)
                    RaiseBeyondGrid(path_, sheet.name);
                cell.reset(row, column);
                const auto styleIndex = wholeNumber<size_t>(x.attribute("s"));
                if (styleIndex && *styleIndex < styles_.size())
                    cell.style = styles_[*styleIndex];
                cell.type = x.attribute("t");
                readCellContent(x, cell);
                putCell(cell, sheet);
            } else if (name == "sheetData") {
                inSheetData = true;
                sheetDataDepth = x.depth();
            } else if (inSheetData && name == "row") {
                const std::string_view r = x.attribute("r");
                if (r.empty()) {
                    row += 1;
                } else {
                    const auto number = wholeNumber<int>(r);
                    row = number ? *number - 1 : -1;
                }
                if (row < 0)
                    RaiseUnreadable(path_, QString::fromStdString(part));
                if (row >= kGridRows)
                    RaiseBeyondGrid(path_, sheet.name);
                column = -1;
            } else if (name == "mergeCell") {
                if (const auto range = rangeOf(x.attribute("ref")))
                    sheet.merges.push_back(*range);
            } else if (name == "col" && !inSheetData) {
                const std::string_view hidden = x.attribute("hidden");
                if (hidden == "1" || hidden == "true")
                    return;
                const double width = ColumnWidthFromFile(decimal(x.attribute("width")).value_or(0));
                const int first = wholeNumber<int>(x.attribute("min")).value_or(0) - 1;
                const int last = std::min(wholeNumber<int>(x.attribute("max")).value_or(0), kGridColumns) - 1;
                if (width > 0 && first >= 0 && last >= first)
                    widths.push_back({first, last, width});
            }
        });
        if (!found)
            RaiseUnreadable(path_, QString::fromStdString(part));
        for (const Width& w : widths) {
            // A range to the last column stands for "every other column".
            const int last = w.last >= kGridColumns - 1 ? std::max(w.first, sheet.columnCount() - 1) : w.last;
            if (last >= int(sheet.columnWidths.size()))
                sheet.columnWidths.resize(size_t(last + 1), 0);
            for (int i = w.first; i <= last; ++i)
                sheet.columnWidths[size_t(i)] = w.width;
        }
    }

    // The cell's <v>, <is> and <f>, up to the cell's end.
    static void readCellContent(XmlPull& x, Cell& cell) {
        const int depth = x.depth();
        for (;;) {
            const XmlPull::Token t = x.next();
            if (t == XmlPull::Token::Done || (t == XmlPull::Token::End && x.depth() < depth))
                return;
            if (t != XmlPull::Token::Start || x.depth() != depth + 1)
                continue;
            if (x.name() == "v") {
                cell.hasValue = true;
                readPlainText(x, cell.value);
            } else if (x.name() == "is") {
                cell.inlineText = true;
                readRichText(x, cell.value);
            } else if (x.name() == "f") {
                cell.hasFormula = true;
                cell.formulaKind = x.attribute("t");
                readPlainText(x, cell.formula);
            }
        }
    }

    QStringView sharedString(size_t i, const Cell& cell, const SheetData& sheet) const {
        if (i >= strings_.size())
            RaiseUnreadable(path_, QStringLiteral("sharedStrings"));
        if (strings_[i].length == kOverlong)
            RaiseCellTextTooLong(path_, sheet.name, cell.row, cell.column);
        return QStringView(stringChars_.data() + strings_[i].at, qsizetype(strings_[i].length));
    }

    QString text(const RichText& rich, const Cell& cell, const SheetData& sheet) const {
        bool overlong = false;
        const std::u16string t = cellText(rich.utf8, rich.cut, overlong);
        if (overlong)
            RaiseCellTextTooLong(path_, sheet.name, cell.row, cell.column);
        return QString(reinterpret_cast<const QChar*>(t.data()), qsizetype(t.size()));
    }

    void putCell(const Cell& cell, SheetData& sheet) const {
        const std::string& type = cell.type;
        const std::string& raw = cell.value.utf8;
        const int r = cell.row, c = cell.column;
        bool written = true;
        if (type == "inlineStr" && cell.inlineText) {
            sheet.setValue(r, c, vb::Variant(text(cell.value, cell, sheet)));
        } else if (!cell.hasValue) {
            // no value: an empty cell that may carry a font, or a formula
            // whose result was never stored
            written = false;
        } else if (type == "s") {
            const auto index = wholeNumber<size_t>(raw);
            if (!index)
                RaiseUnreadable(path_, QStringLiteral("sharedStrings"));
            sheet.setText(r, c, sharedString(*index, cell, sheet));
        } else if (type == "str") {
            sheet.setValue(r, c, vb::Variant(text(cell.value, cell, sheet)));
        } else if (type == "e") {
            const QString errorText = QString::fromUtf8(raw.data(), qsizetype(raw.size())).trimmed();
            const auto code = ErrorCodeOfText(errorText);
            sheet.setValue(r, c, code ? ErrorValue(*code) : vb::Variant(errorText.left(kMaxTextLength)));
        } else if (type == "b") {
            sheet.setValue(r, c, vb::Variant(raw == "1" || raw == "true"));
        } else if (type == "d") {
            const QDateTime when = QDateTime::fromString(QString::fromUtf8(raw.data(), qsizetype(raw.size())), Qt::ISODate);
            if (when.isValid())
                sheet.setValue(r, c, vb::Variant(QDateTime(when.date(), when.time())));
            else
                written = false;
        } else {
            double number = 0;
            const auto res = std::from_chars(raw.data(), raw.data() + raw.size(), number);
            if (cell.value.cut || res.ec != std::errc() || res.ptr != raw.data() + raw.size())
                RaiseUnreadable(path_, QStringLiteral("%1 sayı değil").arg(QString::fromUtf8(raw.data(), std::min<qsizetype>(qsizetype(raw.size()), 40))));
            if (cell.style.date)
                sheet.setValue(r, c, NumberOrDate(number, date1904_));
            else if (!std::isfinite(number))
                sheet.setValue(r, c, CellNumber(number));
            else
                sheet.setNumber(r, c, number);
        }
        const QString formula = cell.hasFormula ? formulaOf(cell) : QString();
        if (!written && formula.isEmpty() && !cell.style.bold && cell.style.color == 0)
            return;
        if (cell.style.bold || cell.style.color)
            sheet.setFont(r, c, cell.style.bold, cell.style.color);
        if (!formula.isEmpty())
            sheet.setFormula(r, c, formula);
    }

    // A cell's formula. The cells that share the first cell's formula
    // (t="shared" with no text of their own) and the cells of an array
    // formula do not say it in words: they keep their values, the formula
    // counts as unread. So does a formula that uses one of the workbook's
    // defined names, which this program does not carry.
    QString formulaOf(const Cell& cell) const {
        const std::string& kind = cell.formulaKind;
        const QString text = cell.formula.cut ? QString()
                                              : QString::fromUtf8(cell.formula.utf8.data(),
                                                                  qsizetype(cell.formula.utf8.size())).trimmed();
        if (text.isEmpty() || kind == "array" || kind == "dataTable")
            return CellData::kUnreadFormula;
        for (const QString& name : definedNames_) {
            const QRegularExpression word(QStringLiteral("(^|[^A-Za-z0-9_.!$'])") + QRegularExpression::escape(name)
                                              + QStringLiteral("($|[^A-Za-z0-9_.(])"),
                                          QRegularExpression::CaseInsensitiveOption);
            if (word.match(text).hasMatch())
                return CellData::kUnreadFormula;
        }
        return u'=' + UnescapeOpenXml(text);
    }

    static constexpr uint32_t kOverlong = 0xFFFFFFFF;
    struct SharedString {
        size_t at;
        uint32_t length;
    };

    QString path_;
    Archive archive_;
    bool date1904_ = false;
    QStringList definedNames_;
    std::u16string stringChars_;           // the shared strings, one after the other
    std::vector<SharedString> strings_;
    std::vector<CellStyle> styles_;
};

} // namespace

WorkbookData ReadXlsx(const QString& path, const QByteArray& content) {
    return XlsxReader(path, content).read();
}

} // namespace excel::files
