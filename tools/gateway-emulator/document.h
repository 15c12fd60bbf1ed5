#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Reading the add-in's request documents. Elements are found by their literal
// tags, and a value's entity references are read back into the characters
// they stand for; a bare "&" that starts no reference is kept as it is, as a
// lenient gateway takes it from older clients.
namespace gwemu {

class Document {
public:
    // Null when the text is not one element (an XML declaration before it is
    // allowed) closed by its own end tag.
    static std::optional<Document> Read(const QString& text);

    const QString& root() const { return root_; }

    // The text between the first <name> and the </name> after it, anywhere
    // inside the root, with its references read; null when the element is
    // missing.
    std::optional<QString> value(const QString& name) const;
    QString valueOr(const QString& name) const { return value(name).value_or(QString()); }
    // The same, as sent: for an element that holds further elements.
    QString rawValue(const QString& name) const { return ValueIn(inner_, name).value_or(QString()); }

    // Every <name>...</name> of a text in order, and the first one's content,
    // as sent.
    static QStringList All(const QString& text, const QString& name);
    static std::optional<QString> ValueIn(const QString& text, const QString& name);
    // Character data with its entity and character references read.
    static QString Decode(const QString& text);

private:
    QString root_;
    QString inner_;
};

// Text made safe as XML character data.
QString EscapeXml(const QString& text);

} // namespace gwemu
