#pragma once

// A pull reader of XML text that arrives in pieces: the parts of a workbook
// that grow with its cells (the sheets, the shared strings) are read as
// they are inflated, so that a sheet of millions of cells never lies in
// memory as text or as a tree.
//
// It reads what the workbook formats write: elements with attributes,
// character data with the five named entities and character references,
// CDATA sections, comments and processing instructions (skipped). A
// document type declaration is refused: the formats have none, and its
// entities are a way to make a small file expand without bound. Every
// piece of markup is bounded (kMaxMarkup), and so is the character data
// kept of one run (a run longer than the text limit is counted, not kept);
// end tags must match their start tags.

#include "platform/vb/export.h"

#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace excel::files {

class QM_EXPORT XmlPull {
public:
    // Gives up to `room` bytes at `to`; 0 at the end of the text.
    using Fill = std::function<qsizetype(char* to, qsizetype room)>;

    struct Malformed : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    static constexpr qsizetype kMaxMarkup = 1 << 20;   // one tag, comment or instruction
    static constexpr int kMaxDepth = 256;

    // keptText: the bytes of one run of character data kept; the rest of a
    // longer run is only counted (textCut()).
    XmlPull(Fill fill, qsizetype keptText);

    enum class Token { Start, End, Text, Done };
    // The next piece; an empty element gives Start and then End. Raises
    // Malformed.
    Token next();

    // Start and End: the element's name without its prefix.
    std::string_view name() const { return local_; }
    // Start: an attribute's value by its name without prefix, entities
    // decoded; empty when it is not there. Valid until the next call.
    std::string_view attribute(std::string_view local);
    bool hasAttribute(std::string_view local) const;
    // Text: the run's characters as UTF-8 (at most keptText bytes of them),
    // and whether the run held more than that.
    const std::string& text() const { return text_; }
    bool textCut() const { return textCut_; }
    // Elements open around the current piece (a Start counts itself).
    int depth() const { return int(openAt_.size()); }

private:
    struct Attribute {
        std::string_view local, raw;
        std::string decoded;
        bool done = false;
    };

    bool more(qsizetype wanted);
    bool available(qsizetype n) { return end_ - pos_ >= n || refill(n); }
    bool refill(qsizetype n);
    void skipPast(std::string_view end);
    Token startTag();
    qsizetype parseTag(const char* tag, qsizetype n);
    Token endTag();
    void closeElement();
    void startText();
    void readText();
    void readCdata();
    void keep(const char* p, qsizetype n);
    void keepCodePoint(uint32_t cp);
    [[noreturn]] static void fail(const char* what);

    Fill fill_;
    qsizetype keptLimit_;
    std::vector<char> buffer_;
    qsizetype pos_ = 0, end_ = 0;
    bool eof_ = false;
    bool started_ = false;
    bool seenRoot_ = false;
    bool pendingEnd_ = false;
    bool afterCr_ = false;
    // The names of the open elements, one after the other.
    std::string openNames_;
    std::vector<uint32_t> openAt_;
    std::string_view local_;
    std::vector<Attribute> attributes_;
    std::string text_;
    bool textCut_ = false;
};

} // namespace excel::files
