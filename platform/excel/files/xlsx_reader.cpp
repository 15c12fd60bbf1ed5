// Reading the Office Open XML workbook format: a zip of XML parts found
// through their relationships. Element names are matched without their
// namespace prefix, since writers differ in the prefixes they choose.

#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <charconv>
#include <cstring>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <vector>
#include <zip.h>

namespace excel::files {

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

class Archive {
public:
    explicit Archive(const QString& path) {
        int error = 0;
        zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    }
    ~Archive() {
        if (zip_)
            zip_discard(zip_);
    }
    bool isOpen() const { return zip_ != nullptr; }

    std::optional<std::string> read(const std::string& name) const {
        zip_int64_t index = zip_name_locate(zip_, name.c_str(), ZIP_FL_NOCASE);
        zip_stat_t st;
        if (index < 0 || zip_stat_index(zip_, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            return std::nullopt;
        zip_file_t* f = zip_fopen_index(zip_, zip_uint64_t(index), 0);
        if (!f)
            return std::nullopt;
        std::string data(size_t(st.size), '\0');
        zip_int64_t got = zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        if (got != zip_int64_t(st.size))
            return std::nullopt;
        return data;
    }

private:
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

// A text run's text is the text of its <t>; phonetic runs are left out.
QString richText(const pugi::xml_node& node) {
    std::string text;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (named(c, "t"))
            text += c.child_value();
        else if (named(c, "r"))
            text += child(c, "t").child_value();
    }
    return UnescapeOpenXml(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

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

class XlsxReader {
public:
    XlsxReader(const QString& path) : path_(path), archive_(path) {}

    WorkbookData read() {
        if (!archive_.isOpen())
            RaiseUnreadable(path_);
        if (auto mimetype = archive_.read("mimetype"); mimetype && mimetype->find("opendocument") != std::string::npos)
            RaiseNotSupported(path_, QStringLiteral("OpenDocument elektronik tablo (.ods) biçimi desteklenmiyor. "
                                                    "Dosyayı .xlsx ya da .xls olarak kaydedin."));
        if (archive_.read("xl/workbook.bin"))
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

    void readSharedStrings(const std::string& part) {
        pugi::xml_document doc;
        std::string text;
        if (!load(part, text, doc))
            RaiseUnreadable(path_, QStringLiteral("sharedStrings"));
        for (pugi::xml_node si = doc.document_element().first_child(); si; si = si.next_sibling())
            if (named(si, "si"))
                strings_.push_back(richText(si));
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

    void readSheet(const std::string& part, SheetData& sheet) {
        pugi::xml_document doc;
        std::string text;
        if (!load(part, text, doc))
            RaiseUnreadable(path_, QString::fromStdString(part));
        pugi::xml_node root = doc.document_element();
        int row = -1;
        for (pugi::xml_node r = child(child(root, "sheetData"), "row"); r; r = r.next_sibling()) {
            if (!named(r, "row"))
                continue;
            pugi::xml_attribute rowNumber = attribute(r, "r");
            row = rowNumber ? rowNumber.as_int() - 1 : row + 1;
            int column = -1;
            for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
                if (!named(c, "c"))
                    continue;
                column = columnOf(attribute(c, "r").value(), column + 1);
                if (row < 0 || column < 0 || row >= kMaxRows || column >= kMaxColumns)
                    RaiseUnreadable(path_, QString::fromStdString(part));
                readCell(c, sheet, row, column);
            }
        }
        for (pugi::xml_node m = child(child(root, "mergeCells"), "mergeCell"); m; m = m.next_sibling()) {
            if (!named(m, "mergeCell"))
                continue;
            if (const auto range = rangeOf(attribute(m, "ref").value()))
                sheet.merges.push_back(*range);
        }
        for (pugi::xml_node col = child(child(root, "cols"), "col"); col; col = col.next_sibling()) {
            if (!named(col, "col") || isTrue(attribute(col, "hidden")))
                continue;
            double width = ColumnWidthFromFile(attribute(col, "width").as_double());
            int first = attribute(col, "min").as_int() - 1;
            int last = attribute(col, "max").as_int() - 1;
            if (width <= 0 || first < 0 || last < first)
                continue;
            // A range to the last column stands for "every other column".
            if (last >= 16383)
                last = std::max(first, sheet.columnCount() - 1);
            if (last >= int(sheet.columnWidths.size()))
                sheet.columnWidths.resize(size_t(last + 1), 0);
            for (int i = first; i <= last; ++i)
                sheet.columnWidths[size_t(i)] = width;
        }
    }

    // "B2:D3" as a merged range; nothing for a malformed reference.
    static std::optional<MergedRange> rangeOf(const char* ref) {
        int rows[2] = {0, 0}, columns[2] = {0, 0};
        const char* p = ref;
        for (int k = 0; k < 2; ++k) {
            int column = 0, row = 0, letters = 0, digits = 0;
            for (; *p >= 'A' && *p <= 'Z' && letters < 3; ++p, ++letters)
                column = column * 26 + (*p - 'A' + 1);
            for (; *p >= '0' && *p <= '9' && digits < 7; ++p, ++digits)
                row = row * 10 + (*p - '0');
            if (!letters || !digits || row < 1 || row > 1048576 || column > 16384)
                return std::nullopt;
            rows[k] = row - 1;
            columns[k] = column - 1;
            if (k == 0) {
                if (*p != ':')
                    return std::nullopt;
                ++p;
            }
        }
        if (*p || rows[1] < rows[0] || columns[1] < columns[0] || (rows[0] == rows[1] && columns[0] == columns[1]))
            return std::nullopt;
        return MergedRange{rows[0], columns[0], rows[1], columns[1]};
    }

    // The column of a reference such as "AB12"; the next column when the
    // cell has none.
    static int columnOf(const char* ref, int next) {
        if (!*ref)
            return next;
        int column = 0;
        for (int letters = 0; *ref >= 'A' && *ref <= 'Z'; ++ref)
            if (++letters > 3)
                return -1;
            else
                column = column * 26 + (*ref - 'A' + 1);
        return column - 1;
    }

    void readCell(const pugi::xml_node& c, SheetData& sheet, int row, int column) {
        CellData cell;
        size_t styleIndex = attribute(c, "s").as_uint();
        const CellStyle style = styleIndex < styles_.size() ? styles_[styleIndex] : CellStyle{};
        cell.bold = style.bold;
        cell.color = style.color;
        const char* type = attribute(c, "t").value();
        pugi::xml_node v = child(c, "v");
        const char* raw = v.child_value();
        if (std::strcmp(type, "inlineStr") == 0) {
            cell.value = vb::Variant(richText(child(c, "is")));
        } else if (!v) {
            // no value: an empty cell that may carry a font, or a formula
            // whose result was never stored
        } else if (std::strcmp(type, "s") == 0) {
            size_t i = size_t(std::strtoul(raw, nullptr, 10));
            if (i >= strings_.size())
                RaiseUnreadable(path_, QStringLiteral("sharedStrings"));
            cell.value = vb::Variant(strings_[i]);
        } else if (std::strcmp(type, "str") == 0) {
            cell.value = vb::Variant(UnescapeOpenXml(QString::fromUtf8(raw)));
        } else if (std::strcmp(type, "e") == 0) {
            const QString text = QString::fromUtf8(raw).trimmed();
            const auto code = ErrorCodeOfText(text);
            cell.value = code ? ErrorValue(*code) : vb::Variant(text);
        } else if (std::strcmp(type, "b") == 0) {
            cell.value = vb::Variant(std::strcmp(raw, "1") == 0 || std::strcmp(raw, "true") == 0);
        } else if (std::strcmp(type, "d") == 0) {
            QDateTime when = QDateTime::fromString(QString::fromUtf8(raw), Qt::ISODate);
            if (when.isValid())
                cell.value = vb::Variant(QDateTime(when.date(), when.time()));
        } else {
            double number = 0;
            const char* end = raw + std::strlen(raw);
            if (std::from_chars(raw, end, number).ec != std::errc())
                RaiseUnreadable(path_, QStringLiteral("%1 sayı değil").arg(QString::fromUtf8(raw)));
            cell.value = style.date ? vb::Variant(FromHostSerial(number, date1904_)) : vb::Variant(number);
        }
        if (pugi::xml_node f = child(c, "f"))
            cell.formula = formulaOf(f);
        if (!cell.isEmpty())
            sheet.set(row, column, cell);
    }

    // A cell's formula. The cells that share the first cell's formula
    // (t="shared" with no text of their own) and the cells of an array
    // formula do not say it in words: they keep their values, the formula
    // counts as unread. So does a formula that uses one of the workbook's
    // defined names, which this program does not carry.
    QString formulaOf(const pugi::xml_node& f) const {
        const char* kind = attribute(f, "t").value();
        const QString text = QString::fromUtf8(f.child_value()).trimmed();
        if (text.isEmpty() || std::strcmp(kind, "array") == 0 || std::strcmp(kind, "dataTable") == 0)
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

    QString path_;
    Archive archive_;
    bool date1904_ = false;
    QStringList definedNames_;
    std::vector<QString> strings_;
    std::vector<CellStyle> styles_;
};

} // namespace

WorkbookData ReadXlsx(const QString& path) {
    return XlsxReader(path).read();
}

} // namespace excel::files
