#include "platform/msxml/domdocument.h"
#include "platform/vb/error.h"

#include <gtest/gtest.h>

using msxml::DOMDocument;
using msxml::Node;

namespace {

const QString kMsgbody = QStringLiteral("//msgbody");

int errorOfText(const Node& node) {
    try {
        node.text();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

TEST(DOMDocument, EveryMsgbodyIsFoundInDocumentOrderWhereverItIs) {
    DOMDocument doc;
    ASSERT_TRUE(doc.loadXML(QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-9\"?>"
        "<Report><msgbody>Merhaba Şükrü</msgbody>"
        "<pkg><msgbody>İkinci ığdır</msgbody></pkg>"
        "<msgbody>Üçüncü</msgbody></Report>")));
    const msxml::NodeList list = doc.selectNodes(kMsgbody);
    ASSERT_EQ(list.length(), 3);
    EXPECT_EQ(list.item(0).text(), QStringLiteral("Merhaba Şükrü"));
    EXPECT_EQ(list.item(1).text(), QStringLiteral("İkinci ığdır"));
    EXPECT_EQ(list.item(2).text(), QStringLiteral("Üçüncü"));
    EXPECT_TRUE(list.item(3).isNull());
    EXPECT_TRUE(list.item(-1).isNull());
    EXPECT_EQ(doc.selectSingleNode(kMsgbody).text(), QStringLiteral("Merhaba Şükrü"));
}

TEST(DOMDocument, NoMsgbodyGivesAnEmptyListAndNoNodeWhoseTextRaises) {
    DOMDocument doc;
    ASSERT_TRUE(doc.loadXML(QStringLiteral("<Report><MsgBody>case differs</MsgBody></Report>")));
    EXPECT_EQ(doc.selectNodes(kMsgbody).length(), 0);
    const Node none = doc.selectSingleNode(kMsgbody);
    EXPECT_TRUE(none.isNull());
    EXPECT_EQ(errorOfText(none), vb::errObjectNotSet);
    EXPECT_EQ(errorOfText(doc.selectNodes(kMsgbody).item(0)), vb::errObjectNotSet);
    EXPECT_EQ(errorOfText(Node()), vb::errObjectNotSet);
}

TEST(DOMDocument, ATextThatIsNotWellFormedLeavesAnEmptyDocument) {
    const char* cases[] = {
        "",
        "-1",
        "04",
        "<msgbody>a</msgbody><msgbody>b</msgbody>",
        "<r><msgbody>unclosed root</msgbody>",
        "<r><msgbody>crossed</r></msgbody>",
        "<html><body><msgbody>x</msgbody><br></body></html>",
        "<r><msgbody>Tom & Jerry</msgbody></r>",
        "<r><msgbody>&nbsp;</msgbody></r>",
        "<r><msgbody>&#0;</msgbody></r>",
        "<r><msgbody>&#xZZ;</msgbody></r>",
        "<r><msgbody a=\"1\" a=\"2\">x</msgbody></r>",
        "<r><msgbody a=\"<\">x</msgbody></r>",
        "<r><msgbody>x]]>y</msgbody></r>",
        "ID 12<r><msgbody>x</msgbody></r>",
        "<r><msgbody>x</msgbody></r>trailing",
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        DOMDocument doc;
        // A good document first, so that "empty" also means "nothing left over".
        ASSERT_TRUE(doc.loadXML(QStringLiteral("<r><msgbody>before</msgbody></r>")));
        EXPECT_FALSE(doc.loadXML(QString::fromUtf8(text)));
        EXPECT_FALSE(doc.parseError().isEmpty());
        EXPECT_EQ(doc.selectNodes(kMsgbody).length(), 0);
        EXPECT_EQ(doc.selectNodes(QStringLiteral("//*")).length(), 0);
        EXPECT_EQ(errorOfText(doc.selectSingleNode(kMsgbody)), vb::errObjectNotSet);
    }
}

TEST(DOMDocument, TextIsTheTrimmedContentWithReferencesExpanded) {
    const struct {
        const char* xml;
        const char* text;
    } cases[] = {
        {"<msgbody>  boşluklu  metin \n</msgbody>", "boşluklu  metin"},
        {"<msgbody>satır 1\r\nsatır 2</msgbody>", "satır 1\nsatır 2"},
        {"<msgbody>a &lt;b&gt; &amp; &quot;c&quot; &apos;d&apos;</msgbody>", "a <b> & \"c\" 'd'"},
        {"<msgbody>&#252;&#x131;&#x1F600;</msgbody>", "üı\U0001F600"},
        {"<msgbody><![CDATA[<b>&amp;</b>]]></msgbody>", "<b>&amp;</b>"},
        {"<msgbody>\n  <p>bir</p>\n  <p>iki</p>\n</msgbody>", "biriki"},
        {"<msgbody>a<!-- not text -->b<?pi x?>c</msgbody>", "abc"},
        {"<msgbody/>", ""},
        {"<!DOCTYPE msgbody><msgbody>with doctype</msgbody>", "with doctype"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        DOMDocument doc;
        ASSERT_TRUE(doc.loadXML(QString::fromUtf8(c.xml))) << doc.parseError().toStdString();
        EXPECT_EQ(doc.selectSingleNode(kMsgbody).text(), QString::fromUtf8(c.text));
    }
}

TEST(DOMDocument, AttributesAndOtherExpressions) {
    DOMDocument doc;
    ASSERT_TRUE(doc.loadXML(QStringLiteral("<r><m id=\" 7 &amp; 8 \">x</m><m id=\"9\">y</m></r>")));
    const msxml::NodeList ids = doc.selectNodes(QStringLiteral("//m/@id"));
    ASSERT_EQ(ids.length(), 2);
    EXPECT_EQ(ids.item(0).text(), QStringLiteral("7 & 8"));
    EXPECT_EQ(doc.selectSingleNode(QStringLiteral("//m[@id='9']")).text(), QStringLiteral("y"));
    EXPECT_EQ(doc.selectSingleNode(QStringLiteral("/")).text(), QStringLiteral("xy"));
    for (const char* bad : {"//[", "count(//m)", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(doc.selectNodes(QString::fromLatin1(bad)), vb::Error);
    }
}

TEST(DOMDocument, NodesOutliveTheirDocumentAndItsNextLoad) {
    Node kept;
    msxml::NodeList list;
    {
        DOMDocument doc;
        ASSERT_TRUE(doc.loadXML(QStringLiteral("<r><msgbody>ilk</msgbody><msgbody>son</msgbody></r>")));
        kept = doc.selectSingleNode(kMsgbody);
        list = doc.selectNodes(kMsgbody);
        ASSERT_TRUE(doc.loadXML(QStringLiteral("<r><msgbody>yeni</msgbody></r>")));
        EXPECT_EQ(doc.selectSingleNode(kMsgbody).text(), QStringLiteral("yeni"));
    }
    EXPECT_EQ(kept.text(), QStringLiteral("ilk"));
    EXPECT_EQ(list.item(1).text(), QStringLiteral("son"));
}

} // namespace
