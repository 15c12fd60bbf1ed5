#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Reading the add-in's request documents. The add-in builds them by plain
// concatenation and never escapes a value, so a strict XML parser would refuse
// a text holding "&" that the real gateway takes; elements are therefore found
// by their literal tags and values are kept exactly as they were sent.
namespace gwemu {

class Document {
public:
    // Null when the text is not one element (an XML declaration before it is
    // allowed) closed by its own end tag.
    static std::optional<Document> Read(const QString& text);

    const QString& root() const { return root_; }

    // The text between the first <name> and the </name> after it, anywhere
    // inside the root; null when the element is missing.
    std::optional<QString> value(const QString& name) const { return ValueIn(inner_, name); }
    QString valueOr(const QString& name) const { return value(name).value_or(QString()); }

    // Every <name>...</name> of a text in order, and the first one's content.
    static QStringList All(const QString& text, const QString& name);
    static std::optional<QString> ValueIn(const QString& text, const QString& name);

private:
    QString root_;
    QString inner_;
};

// Text made safe as XML character data.
QString EscapeXml(const QString& text);

} // namespace gwemu
