#pragma once

#include "platform/vb/export.h"

#include <QList>
#include <QString>
#include <memory>

namespace msxml {

struct NodeData;
struct DocumentTree;

// One node of a document, or no node at all (what a search that found
// nothing returns). A node keeps its document's tree alive, so it stays
// readable after the document object is gone or has loaded another text.
class QM_EXPORT Node {
public:
    Node();
    ~Node();
    Node(const Node&);
    Node& operator=(const Node&);

    bool isNull() const;
    // The text content of the node and everything under it, entities
    // expanded, with leading and trailing white space trimmed; white space
    // that only separates elements is left out. On no node this raises
    // error 91, as reading a property of Nothing does.
    QString text() const;

private:
    friend class DOMDocument;
    explicit Node(std::shared_ptr<const NodeData> data);
    std::shared_ptr<const NodeData> data_;
};

// The nodes a search found, in document order.
class QM_EXPORT NodeList {
public:
    NodeList();
    ~NodeList();
    NodeList(const NodeList&);
    NodeList& operator=(const NodeList&);

    int length() const;
    // Counted from 0; a position outside the list gives no node.
    Node item(int index) const;

private:
    friend class DOMDocument;
    QList<Node> nodes_;
};

// An XML document loaded from text and searched with XPath.
class QM_EXPORT DOMDocument {
public:
    DOMDocument();
    ~DOMDocument();
    DOMDocument(const DOMDocument&) = delete;
    DOMDocument& operator=(const DOMDocument&) = delete;

    // True when the text is a well-formed document. Otherwise the document is
    // left empty (whatever it held before is dropped) and parseError() says why.
    bool loadXML(const QString& xml);
    QString parseError() const;

    // An expression that is not valid XPath raises.
    NodeList selectNodes(const QString& xpath) const;
    Node selectSingleNode(const QString& xpath) const;

private:
    std::shared_ptr<DocumentTree> tree_;
    QString parseError_;
};

} // namespace msxml
