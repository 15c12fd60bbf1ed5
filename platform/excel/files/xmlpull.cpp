#include "platform/excel/files/xmlpull.h"

#include "platform/vb/utf8.h"

#include <algorithm>
#include <cstring>

namespace excel::files {

namespace {

constexpr qsizetype kFirstBuffer = 256 * 1024;
constexpr qsizetype kLongestEntity = 12;  // "&#x10FFFF;" and a little room

// The first of the characters at or after p (before end) that is one of
// the two given; end when none is. The runs the reader scans are short
// (a value, a name, a number), too short for memchr to pay.
const char* findEither(const char* p, const char* end, char a, char b) {
    while (p < end && *p != a && *p != b)
        ++p;
    return p;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool endsName(char c) {
    return isSpace(c) || c == '/' || c == '>' || c == '=';
}

std::string_view localOf(std::string_view qualified) {
    for (size_t i = 0; i < qualified.size(); ++i)
        if (qualified[i] == ':')
            return qualified.substr(i + 1);
    return qualified;
}

// A character reference as UTF-8; one that names no character is U+FFFD.
void appendUtf8(std::string& out, uint32_t cp) {
    vb::AppendUtf8(out, cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? 0xFFFD : cp);
}

// The code point of "&...;" at p (n bytes there at most), and the bytes it
// takes; 0 bytes for no entity this reader knows.
qsizetype decodeEntity(const char* p, qsizetype n, uint32_t& cp) {
    const char* semicolon = static_cast<const char*>(std::memchr(p, ';', size_t(std::min(n, kLongestEntity))));
    if (!semicolon)
        return 0;
    const std::string_view body(p + 1, size_t(semicolon - p - 1));
    const qsizetype length = semicolon - p + 1;
    if (body == "lt") cp = '<';
    else if (body == "gt") cp = '>';
    else if (body == "amp") cp = '&';
    else if (body == "quot") cp = '"';
    else if (body == "apos") cp = '\'';
    else if (body.size() >= 2 && body[0] == '#') {
        const bool hex = body[1] == 'x' || body[1] == 'X';
        const std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty())
            return 0;
        uint32_t v = 0;
        for (char c : digits) {
            int d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
            else return 0;
            v = v * (hex ? 16 : 10) + uint32_t(d);
            if (v > 0x10FFFF)
                v = 0x110000;  // stays out of range, whatever digits follow
        }
        cp = v;
    } else {
        return 0;
    }
    return length;
}

} // namespace

XmlPull::XmlPull(Fill fill, qsizetype keptText)
    : fill_(std::move(fill)), keptLimit_(keptText), buffer_(size_t(kFirstBuffer)) {}

void XmlPull::fail(const char* what) {
    throw Malformed(what);
}

// Reads more into the buffer, keeping what is there from pos_ on (which
// then starts the buffer), until the buffer is full: a tag that arrives in
// small pieces is parsed again only as often as the buffer grows. False at
// the end of the text.
bool XmlPull::more(qsizetype wanted) {
    if (eof_)
        return false;
    if (pos_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + pos_, size_t(end_ - pos_));
        end_ -= pos_;
        pos_ = 0;
    }
    if (end_ + wanted > qsizetype(buffer_.size()))
        buffer_.resize(size_t(std::max(end_ + wanted, qsizetype(buffer_.size()) * 2)));
    bool read = false;
    while (end_ < qsizetype(buffer_.size())) {
        const qsizetype got = fill_(buffer_.data() + end_, qsizetype(buffer_.size()) - end_);
        if (got <= 0) {
            eof_ = true;
            break;
        }
        end_ += got;
        read = true;
    }
    return read;
}

bool XmlPull::refill(qsizetype n) {
    while (end_ - pos_ < n)
        if (!more(n))
            return false;
    return true;
}

XmlPull::Token XmlPull::next() {
    if (pendingEnd_) {
        pendingEnd_ = false;
        closeElement();
        return Token::End;
    }
    if (!started_) {
        started_ = true;
        if (available(3) && std::memcmp(buffer_.data() + pos_, "\xEF\xBB\xBF", 3) == 0)
            pos_ += 3;
    }
    for (;;) {
        if (!available(1)) {
            if (!openAt_.empty())
                fail("an element is not closed");
            if (!seenRoot_)
                fail("no element");
            return Token::Done;
        }
        if (buffer_[size_t(pos_)] == '<') {
            if (!available(2))
                fail("markup is cut off");
            const char second = buffer_[size_t(pos_) + 1];
            if (second == '?') {
                skipPast("?>");
                continue;
            }
            if (second == '!') {
                if (available(4) && std::memcmp(buffer_.data() + pos_, "<!--", 4) == 0) {
                    skipPast("-->");
                    continue;
                }
                if (available(9) && std::memcmp(buffer_.data() + pos_, "<![CDATA[", 9) == 0) {
                    if (openAt_.empty())
                        fail("character data outside the document element");
                    pos_ += 9;
                    readCdata();
                    return Token::Text;
                }
                fail("a document type declaration");
            }
            if (second == '/')
                return endTag();
            return startTag();
        }
        readText();
        if (!openAt_.empty())
            return Token::Text;
        for (char c : text_)
            if (!isSpace(c))
                fail("character data outside the document element");
    }
}

void XmlPull::skipPast(std::string_view marker) {
    qsizetype skipped = 0;
    const qsizetype m = qsizetype(marker.size());
    for (;;) {
        const char* from = buffer_.data() + pos_;
        const qsizetype n = end_ - pos_;
        const auto found = std::search(from, from + n, marker.begin(), marker.end());
        if (found != from + n) {
            pos_ += (found - from) + m;
            return;
        }
        // Keep the bytes that may begin the marker; the rest is passed.
        const qsizetype pass = std::max<qsizetype>(0, n - (m - 1));
        pos_ += pass;
        skipped += pass;
        if (skipped > kMaxMarkup)
            fail("a comment or instruction is too long");
        if (!more(m))
            fail("a comment or instruction is not closed");
    }
}

XmlPull::Token XmlPull::startTag() {
    // Read in one pass; a tag that runs past the bytes read so far is read
    // again once more of it is there.
    for (;;) {
        const qsizetype n = end_ - pos_;
        const qsizetype close = parseTag(buffer_.data() + pos_, n);
        if (close > 0) {
            pos_ += close + 1;
            return Token::Start;
        }
        if (n > kMaxMarkup)
            fail("a tag is too long");
        if (!more(n + 1))
            fail("a tag is not closed");
    }
}

// The tag at `tag` (n bytes there): its name and attributes, and the offset
// of its ">"; 0 when the bytes end before it.
qsizetype XmlPull::parseTag(const char* tag, qsizetype n) {
    qsizetype p = 1;
    while (p < n && !endsName(tag[p]))
        ++p;
    if (p >= n)
        return 0;
    if (p == 1)
        fail("a tag without a name");
    const std::string_view qualified(tag + 1, size_t(p - 1));
    attributes_.clear();
    bool empty = false;
    for (;;) {
        while (p < n && isSpace(tag[p]))
            ++p;
        if (p >= n)
            return 0;
        if (tag[p] == '>')
            break;
        if (tag[p] == '/') {
            if (p + 1 >= n)
                return 0;
            if (tag[p + 1] != '>')
                fail("'/' inside a tag");
            empty = true;
            ++p;
            break;
        }
        const qsizetype nameStart = p;
        while (p < n && !endsName(tag[p]))
            ++p;
        if (p >= n)
            return 0;
        if (p == nameStart)
            fail("an attribute without a name");
        const std::string_view name(tag + nameStart, size_t(p - nameStart));
        while (p < n && isSpace(tag[p]))
            ++p;
        if (p >= n)
            return 0;
        if (tag[p] != '=')
            fail("an attribute without a value");
        ++p;
        while (p < n && isSpace(tag[p]))
            ++p;
        if (p >= n)
            return 0;
        if (tag[p] != '"' && tag[p] != '\'')
            fail("an attribute value without quotes");
        const char q = tag[p++];
        const char* valueEnd = findEither(tag + p, tag + n, q, q);
        if (valueEnd == tag + n)
            return 0;
        const std::string_view value(tag + p, size_t(valueEnd - (tag + p)));
        if (value.find('<') != std::string_view::npos)
            fail("'<' inside an attribute value");
        attributes_.push_back({localOf(name), value, {}, false});
        p = valueEnd - tag + 1;
    }
    if (int(openAt_.size()) >= kMaxDepth)
        fail("elements are nested too deep");
    if (openAt_.empty() && seenRoot_)
        fail("a second document element");
    seenRoot_ = true;
    openAt_.push_back(uint32_t(openNames_.size()));
    openNames_.append(qualified);
    local_ = localOf(qualified);
    pendingEnd_ = empty;
    return p;
}

XmlPull::Token XmlPull::endTag() {
    for (;;) {
        const char* from = buffer_.data() + pos_;
        const qsizetype n = end_ - pos_;
        const char* gt = findEither(from, from + n, '>', '>');
        if (gt == from + n) {
            if (n > kMaxMarkup)
                fail("a tag is too long");
            if (!more(n + 1))
                fail("a tag is not closed");
            continue;
        }
        std::string_view name(from + 2, size_t(gt - from - 2));
        while (!name.empty() && isSpace(name.back()))
            name.remove_suffix(1);
        if (openAt_.empty() || std::string_view(openNames_).substr(openAt_.back()) != name)
            fail("an end tag does not match its start tag");
        closeElement();
        local_ = localOf(name);
        pos_ += (gt - from) + 1;
        return Token::End;
    }
}

void XmlPull::closeElement() {
    openNames_.resize(openAt_.back());
    openAt_.pop_back();
}

// Keeps text as XML reads it: a line break written CR LF or CR is one LF.
void XmlPull::keep(const char* p, qsizetype n) {
    for (qsizetype i = 0; i < n;) {
        const char* found = findEither(p + i, p + n, '\r', '\r');
        const char* cr = found < p + n ? found : nullptr;
        const qsizetype run = (cr ? cr - p : n) - i;
        if (run > 0) {
            if (afterCr_ && p[i] == '\n') {
                i += 1;
                afterCr_ = false;
                continue;
            }
            const qsizetype room = keptLimit_ - qsizetype(text_.size());
            if (run > room) {
                text_.append(p + i, size_t(std::max<qsizetype>(room, 0)));
                textCut_ = true;
            } else {
                text_.append(p + i, size_t(run));
            }
            afterCr_ = false;
            i += run;
        }
        if (cr && i < n) {
            if (qsizetype(text_.size()) < keptLimit_)
                text_ += '\n';
            else
                textCut_ = true;
            afterCr_ = true;
            i += 1;
        }
    }
}

void XmlPull::keepCodePoint(uint32_t cp) {
    std::string bytes;
    appendUtf8(bytes, cp);
    afterCr_ = false;
    if (qsizetype(text_.size() + bytes.size()) > keptLimit_)
        textCut_ = true;
    else
        text_ += bytes;
}

void XmlPull::startText() {
    text_.clear();
    textCut_ = false;
    afterCr_ = false;
}

void XmlPull::readText() {
    startText();
    for (;;) {
        const char* from = buffer_.data() + pos_;
        const qsizetype n = end_ - pos_;
        const char* stop = findEither(from, from + n, '<', '&');
        const char* lt = stop < from + n && *stop == '<' ? stop : nullptr;
        const char* amp = stop < from + n && *stop == '&' ? stop : nullptr;
        const qsizetype span = stop - from;
        if (amp) {
            keep(from, amp - from);
            pos_ += amp - from;
            available(kLongestEntity);  // an entity may run past the bytes read so far
            uint32_t cp = 0;
            const qsizetype length = decodeEntity(buffer_.data() + pos_, end_ - pos_, cp);
            if (length > 0) {
                keepCodePoint(cp);
                pos_ += length;
            } else {
                keep("&", 1);  // no entity: the ampersand as it stands
                pos_ += 1;
            }
            continue;
        }
        keep(from, span);
        pos_ += span;
        if (lt || !more(1))
            return;
    }
}

void XmlPull::readCdata() {
    startText();
    for (;;) {
        const char* from = buffer_.data() + pos_;
        const qsizetype n = end_ - pos_;
        static constexpr std::string_view kEnd = "]]>";
        const auto found = std::search(from, from + n, kEnd.begin(), kEnd.end());
        if (found != from + n) {
            keep(from, found - from);
            pos_ += (found - from) + 3;
            return;
        }
        const qsizetype pass = std::max<qsizetype>(0, n - 2);
        keep(from, pass);
        pos_ += pass;
        if (!more(3))
            fail("a CDATA section is not closed");
    }
}

bool XmlPull::hasAttribute(std::string_view local) const {
    for (const Attribute& a : attributes_)
        if (a.local == local)
            return true;
    return false;
}

std::string_view XmlPull::attribute(std::string_view local) {
    for (Attribute& a : attributes_) {
        if (a.local != local)
            continue;
        if (a.raw.find('&') == std::string_view::npos)
            return a.raw;
        if (!a.done) {
            for (size_t i = 0; i < a.raw.size();) {
                uint32_t cp = 0;
                const qsizetype length = a.raw[i] == '&'
                    ? decodeEntity(a.raw.data() + i, qsizetype(a.raw.size() - i), cp) : 0;
                if (length > 0) {
                    appendUtf8(a.decoded, cp);
                    i += size_t(length);
                } else {
                    a.decoded += a.raw[i++];
                }
            }
            a.done = true;
        }
        return a.decoded;
    }
    return {};
}

} // namespace excel::files
