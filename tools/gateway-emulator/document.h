#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

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
    // The same, as sent, a view of the document's own text: for an element
    // that holds further elements (a package of a million of them).
    QStringView rawValue(const QString& name) const { return ValueIn(inner_, name).value_or(QStringView()); }

    // Every <name>...</name> of a text in order, and the first one's content,
    // as sent: views of the text.
    static std::vector<QStringView> All(QStringView text, const QString& name);
    static std::optional<QStringView> ValueIn(QStringView text, const QString& name);
    // The tags of a name, made once for the elements of a long list.
    struct Tags {
        explicit Tags(const QString& name);
        QString open, close;
    };
    static std::optional<QStringView> ValueIn(QStringView text, const Tags& tags);
    // Character data with its entity and character references read.
    static QString Decode(QStringView text);

private:
    QString root_;
    QString text_;        // the document as it came
    QStringView inner_;   // what lies inside its root, in text_
};

// Text made safe as XML character data.
QString EscapeXml(const QString& text);

} // namespace gwemu
