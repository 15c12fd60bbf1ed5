// The pull reader of the .xlsx parts: what it gives of a text however the
// text is cut into pieces, and what it refuses.
#include "platform/excel/files/xmlpull.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using excel::files::XmlPull;

// The pieces of a document as one line: "<name a=v>" for a start, "</name>"
// for an end, the text in quotes ("+" when it was cut); the document is
// handed out `step` bytes at a time.
std::string tokens(const std::string& xml, size_t step, qsizetype kept = 1000) {
    size_t at = 0;
    XmlPull x(
        [&](char* to, qsizetype room) -> qsizetype {
            const size_t n = std::min({step, xml.size() - at, size_t(room)});
            xml.copy(to, n, at);
            at += n;
            return qsizetype(n);
        },
        kept);
    std::string out;
    for (auto t = x.next(); t != XmlPull::Token::Done; t = x.next()) {
        if (t == XmlPull::Token::Start) {
            out += "<" + std::string(x.name());
            if (x.hasAttribute("r"))
                out += " r=" + std::string(x.attribute("r"));
            out += ">";
        } else if (t == XmlPull::Token::End) {
            out += "</" + std::string(x.name()) + ">";
        } else {
            out += "\"" + x.text() + (x.textCut() ? "+" : "") + "\"";
        }
    }
    return out;
}

TEST(XmlPull, GivesTheSamePiecesHoweverTheTextArrives) {
    const struct {
        const char* xml;
        const char* pieces;
    } cases[] = {
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<x:c r=\"A1\" x:t='s'><x:v>12</x:v></x:c>",
         "<c r=A1><v>\"12\"</v></c>"},
        {"<t>a &lt;b&gt; &amp; &quot;c&apos; &#351;&#x15F; &bilinmez; &#0; &#xD800;</t>",
         "<t>\"a <b> & \"c' \xC5\x9F\xC5\x9F &bilinmez; \xEF\xBF\xBD \xEF\xBF\xBD\"</t>"},
        {"<t>bir<!-- yorum --><![CDATA[<iki> & ]]>\xC3\xBC\xC3\xA7<?pi veri?></t>",
         "<t>\"bir\"\"<iki> & \"\"\xC3\xBC\xC3\xA7\"</t>"},
        {"<t>a\r\nb\rc\n</t>", "<t>\"a\nb\nc\n\"</t>"},
        {"<row r=\"1\"><c r='B1' s=\"a>b\"/><c/></row>", "<row r=1><c r=B1></c><c></c></row>"},
        {"<a >  <b\n r = \"x\" ></b ></a>", "<a>\"  \"<b r=x></b></a>"},
    };
    for (const auto& c : cases)
        for (size_t step : {size_t(1), size_t(2), size_t(7), size_t(1000)})
            EXPECT_EQ(tokens(c.xml, step), c.pieces) << c.xml << " in pieces of " << step;
}

TEST(XmlPull, KeepsNoMoreOfARunThanAskedAndSaysSo) {
    EXPECT_EQ(tokens("<t>" + std::string(20, 'x') + "</t>", 3, 8), "<t>\"xxxxxxxx+\"</t>");
    EXPECT_EQ(tokens("<t>" + std::string(8, 'x') + "</t>", 3, 8), "<t>\"xxxxxxxx\"</t>");
}

TEST(XmlPull, RefusesWhatIsNoDocumentOrHasNoEnd) {
    const std::string deep = std::string(XmlPull::kMaxDepth + 1, '\0');
    std::string nested;
    for (int i = 0; i <= XmlPull::kMaxDepth; ++i)
        nested += "<a>";
    const std::string refused[] = {
        "",
        "metin",
        "<a><b></a></b>",
        "<a>",
        "<a></a><b></b>",
        "<!DOCTYPE a [<!ENTITY x \"y\">]><a>&x;</a>",
        "<a b></a>",
        "<a b=c></a>",
        "<a b=\"c></a>",
        "<a><!-- yorum",
        "<a><![CDATA[metin",
        "<a/ >",
        "</a>",
        nested,
        "<a " + std::string(XmlPull::kMaxMarkup + 10, ' ') + "/>",
    };
    for (const std::string& xml : refused)
        EXPECT_THROW(tokens(xml, 5), XmlPull::Malformed) << xml.substr(0, 60);
}

} // namespace
