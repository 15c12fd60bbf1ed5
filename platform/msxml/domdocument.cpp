#include "platform/msxml/domdocument.h"

#include "platform/vb/error.h"
#include "platform/vb/utf8.h"

#include <pugixml.hpp>

#include <cstring>
#include <set>
#include <string>
#include <string_view>

namespace msxml {

struct DocumentTree {
    pugi::xml_document doc;
};

struct NodeData {
    std::shared_ptr<const DocumentTree> tree;
    pugi::xml_node node;
    pugi::xml_attribute attribute;
};

namespace {

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

QString trimmedText(std::string_view s) {
    while (!s.empty() && isXmlSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isXmlSpace(s.back()))
        s.remove_suffix(1);
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

bool isXmlChar(unsigned long c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool characterReference(std::string_view body, unsigned long& code) {
    int base = 10;
    if (!body.empty() && body.front() == 'x') {
        base = 16;
        body.remove_prefix(1);
    }
    if (body.empty())
        return false;
    code = 0;
    for (char c : body) {
        int digit = c >= '0' && c <= '9'                ? c - '0'
                    : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                         : -1;
        if (digit < 0)
            return false;
        code = code * base + digit;
        if (code > 0x10FFFF)
            return false;
    }
    return isXmlChar(code);
}

// pugixml lets a bare "&" and unknown entities through; a strict reader
// rejects such a text, so references are expanded here, where each can be checked.
bool expandReferences(std::string_view raw, std::string& out) {
    out.clear();
    out.reserve(raw.size());
    while (!raw.empty()) {
        const size_t amp = raw.find('&');
        out.append(raw.substr(0, amp));
        if (amp == std::string_view::npos)
            return true;
        raw.remove_prefix(amp + 1);
        const size_t semi = raw.find(';');
        if (semi == std::string_view::npos)
            return false;
        const std::string_view name = raw.substr(0, semi);
        raw.remove_prefix(semi + 1);
        unsigned long code = 0;
        if (name == "lt") out += '<';
        else if (name == "gt") out += '>';
        else if (name == "amp") out += '&';
        else if (name == "apos") out += '\'';
        else if (name == "quot") out += '"';
        else if (name.size() > 1 && name.front() == '#' && characterReference(name.substr(1), code))
            vb::AppendUtf8(out, uint32_t(code));
        else
            return false;
    }
    return true;
}

// The checks pugixml leaves out, made while the references are expanded in place.
class StrictReader : public pugi::xml_tree_walker {
public:
    bool for_each(pugi::xml_node& node) override {
        if (node.type() == pugi::node_pcdata) {
            const std::string_view raw = node.value();
            if (raw.find("]]>") != std::string_view::npos || !expandReferences(raw, scratch_))
                return fail(node, "invalid character or entity reference in text");
            node.set_value(scratch_.c_str());
        } else if (node.type() == pugi::node_element) {
            names_.clear();
            for (pugi::xml_attribute a : node.attributes()) {
                if (!names_.insert(a.name()).second)
                    return fail(node, "duplicate attribute");
                if (std::strchr(a.value(), '<') || !expandReferences(a.value(), scratch_))
                    return fail(node, "invalid character or entity reference in an attribute");
                a.set_value(scratch_.c_str());
            }
        }
        return true;
    }
    const QString& reason() const { return reason_; }

private:
    bool fail(const pugi::xml_node& node, const char* what) {
        const pugi::xml_node owner = node.type() == pugi::node_element ? node : node.parent();
        reason_ = QStringLiteral("%1 in <%2>").arg(QLatin1String(what), QString::fromUtf8(owner.name()));
        return false;
    }
    std::string scratch_;
    std::set<std::string_view> names_;
    QString reason_;
};

// A fragment parse keeps text found outside the root element, which a full
// parse would silently drop; that text, or anything but exactly one root
// element, makes the document ill-formed.
QString checkTopLevel(const pugi::xml_document& doc) {
    int elements = 0;
    for (pugi::xml_node child : doc.children()) {
        switch (child.type()) {
        case pugi::node_element:
            ++elements;
            break;
        case pugi::node_pcdata:
        case pugi::node_cdata:
            return QStringLiteral("text outside the root element");
        default:
            break;
        }
    }
    if (elements == 0)
        return QStringLiteral("no root element");
    if (elements > 1)
        return QStringLiteral("more than one root element");
    return {};
}

class TextCollector : public pugi::xml_tree_walker {
public:
    bool for_each(pugi::xml_node& node) override {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            text += node.value();
        return true;
    }
    std::string text;
};

pugi::xpath_node_set evaluate(const DocumentTree& tree, const QString& xpath) {
    const QByteArray expression = xpath.toUtf8();
    try {
        pugi::xpath_query query(expression.constData());
        pugi::xpath_node_set found = query.evaluate_node_set(tree.doc);
        found.sort();
        return found;
    } catch (const pugi::xpath_exception& e) {
        vb::Raise(vb::errInvalidCall,
                  QStringLiteral("Invalid XPath \"%1\": %2").arg(xpath, QString::fromUtf8(e.what())),
                  QStringLiteral("msxml3.dll"));
    }
}

} // namespace

Node::Node() = default;
Node::~Node() = default;
Node::Node(const Node&) = default;
Node& Node::operator=(const Node&) = default;
Node::Node(std::shared_ptr<const NodeData> data) : data_(std::move(data)) {}

bool Node::isNull() const {
    return !data_;
}

QString Node::text() const {
    if (!data_)
        vb::Raise(vb::errObjectNotSet);
    if (data_->attribute)
        return trimmedText(data_->attribute.value());
    pugi::xml_node node = data_->node;
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
        return trimmedText(node.value());
    TextCollector collector;
    node.traverse(collector);
    return trimmedText(collector.text);
}

NodeList::NodeList() = default;
NodeList::~NodeList() = default;
NodeList::NodeList(const NodeList&) = default;
NodeList& NodeList::operator=(const NodeList&) = default;

int NodeList::length() const {
    return int(nodes_.size());
}

Node NodeList::item(int index) const {
    return index >= 0 && index < nodes_.size() ? nodes_[index] : Node();
}

DOMDocument::DOMDocument() : tree_(std::make_shared<DocumentTree>()) {}
DOMDocument::~DOMDocument() = default;

bool DOMDocument::loadXML(const QString& xml) {
    // A fresh tree: nodes handed out earlier keep the old one.
    auto tree = std::make_shared<DocumentTree>();
    const QByteArray utf8 = xml.toUtf8();
    const unsigned options = (pugi::parse_default & ~pugi::parse_escapes) | pugi::parse_fragment;
    // The text is already decoded, so an encoding named in its declaration does not apply.
    const pugi::xml_parse_result parsed =
        tree->doc.load_buffer(utf8.constData(), size_t(utf8.size()), options, pugi::encoding_utf8);

    QString reason;
    if (!parsed) {
        reason = QStringLiteral("%1 at offset %2").arg(QString::fromUtf8(parsed.description())).arg(parsed.offset);
    } else if (reason = checkTopLevel(tree->doc); reason.isEmpty()) {
        StrictReader strict;
        if (!tree->doc.traverse(strict))
            reason = strict.reason();
    }
    if (!reason.isEmpty()) {
        tree_ = std::make_shared<DocumentTree>();
        parseError_ = reason;
        return false;
    }
    tree_ = std::move(tree);
    parseError_.clear();
    return true;
}

QString DOMDocument::parseError() const {
    return parseError_;
}

NodeList DOMDocument::selectNodes(const QString& xpath) const {
    NodeList list;
    for (const pugi::xpath_node& hit : evaluate(*tree_, xpath))
        list.nodes_.append(Node(std::make_shared<NodeData>(NodeData{tree_, hit.node(), hit.attribute()})));
    return list;
}

Node DOMDocument::selectSingleNode(const QString& xpath) const {
    return selectNodes(xpath).item(0);
}

} // namespace msxml
