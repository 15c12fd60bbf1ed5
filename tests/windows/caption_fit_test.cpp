// Every window of the add-in, opened as its command opens it and drawn in the
// font it asks for: each caption of a label, button, option, check box and
// frame must fit its control whole, drawn by that font alone, its Turkish
// letters without a gap after them.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "tests/support/turkish_letters.h"
#include "tests/windows/every_window.h"

#include <QApplication>
#include <QFontInfo>
#include <QRegularExpression>
#include <QStyleOptionGroupBox>
#include <gtest/gtest.h>

namespace {

QString describeFont(const QFont& font) {
    const QFontInfo drawn(font);
    return QStringLiteral("%1 %2 pt%3").arg(drawn.family()).arg(drawn.pointSizeF()).arg(
        drawn.bold() ? QStringLiteral(" bold") : QString());
}

// What a caption needs and what its control gives it, in pixels.
struct Room {
    QSize needed;
    QSize given;
};

Room labelRoom(const QLabel* label) {
    if (label->textFormat() == Qt::RichText
        || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text())))
        return {label->wordWrap() ? QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width()))
                                  : label->sizeHint(),
                label->size()};
    const QFontMetrics metrics = label->fontMetrics();
    const int margins = label->width() - label->contentsRect().width() + 2 * label->margin() + std::max(0, label->indent());
    if (label->wordWrap()) {
        // Wrapped text needs its height at the label's width, and its
        // longest word on one line.
        int longest = 0;
        for (const QString& word : label->text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
            longest = std::max(longest, metrics.horizontalAdvance(word));
        return {{longest + margins, label->heightForWidth(label->width())}, label->size()};
    }
    // Blanks at the end of a line take room but show nothing.
    QStringList lines = label->text().split(u'\n');
    for (QString& line : lines)
        while (!line.isEmpty() && line.back().isSpace())
            line.chop(1);
    const QSize text = metrics.size(0, lines.join(u'\n'));
    return {{text.width() + margins, text.height()}, label->size()};
}

Room pushButtonRoom(const QPushButton* button) {
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.text = button->text();
    opt.icon = button->icon();
    opt.iconSize = button->iconSize();
    if (button->isDefault())
        opt.features |= QStyleOptionButton::DefaultButton;
    const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, button);
    QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    if (!button->icon().isNull())
        text.rwidth() += button->iconSize().width() + 4;
    return {text, contents.size()};
}

Room frameRoom(const QGroupBox* box) {
    QStyleOptionGroupBox opt;
    opt.initFrom(box);
    opt.text = box->title();
    opt.lineWidth = 1;
    opt.textAlignment = box->alignment();
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (box->isFlat())
        opt.features |= QStyleOptionFrame::Flat;
    const QRect label = box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
    // The title sits on the frame's top edge, starting at its indent; it has
    // the width up to the right edge of the frame.
    return {{label.right() + 1, label.height()}, {box->width() - 1, std::max(label.height(), box->height())}};
}

QString captionOf(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text();
    if (auto* box = qobject_cast<const QGroupBox*>(w))
        return box->title();
    return {};
}

std::optional<Room> roomOf(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w))
        return labelRoom(label);
    if (auto* button = qobject_cast<const QPushButton*>(w))
        return pushButtonRoom(button);
    if (auto* box = qobject_cast<const QGroupBox*>(w))
        return frameRoom(box);
    // Check boxes and options measure their indicator, its spacing and the
    // text exactly.
    if (qobject_cast<const QAbstractButton*>(w))
        return Room{w->sizeHint(), w->size()};
    return std::nullopt;
}

// Each captioned control of the window whose caption does not fit, or whose
// font is not the one it asks for, described for the failure message.
QStringList misfits(const forms::Form& form) {
    static const QStringList kinds = {"label", "button", "option", "check", "frame"};
    QStringList out;
    for (QWidget* w : form.findChildren<QWidget*>()) {
        const QString kind = forms::ControlKind(w);
        const QString caption = captionOf(w);
        if (!kinds.contains(kind) || caption.trimmed().isEmpty())
            continue;
        const QString where = QStringLiteral("%1.%2 (%3) \"%4\"").arg(form.className(), w->objectName(), kind, caption);
        const QFontInfo drawn(w->font());
        if (drawn.family().compare(w->font().family(), Qt::CaseInsensitive) != 0)
            out << QStringLiteral("%1: asks for %2 but is drawn in %3").arg(where, w->font().family(), drawn.family());
        const std::optional<Room> room = roomOf(w);
        if (!room) {
            out << QStringLiteral("%1: a control of a kind this test cannot measure (%2)")
                       .arg(where, QString::fromLatin1(w->metaObject()->className()));
            continue;
        }
        if (room->needed.width() > room->given.width() || room->needed.height() > room->given.height())
            out << QStringLiteral("%1: needs %2 x %3 px, has %4 x %5 px in %6")
                       .arg(where)
                       .arg(room->needed.width())
                       .arg(room->needed.height())
                       .arg(room->given.width())
                       .arg(room->given.height())
                       .arg(describeFont(w->font()));
    }
    return out;
}

class CaptionFit : public OpenedWindow {};

TEST_P(CaptionFit, EveryCaptionFitsItsControl) {
    forms::Form& form = openWindow();
    ASSERT_TRUE(form.isLoaded()) << "the window unloaded itself as it opened";
    const QStringList found = misfits(form);
    EXPECT_TRUE(found.isEmpty()) << found.join(u'\n').toStdString();
}

// Every caption is drawn by the font its control asks for, no other font
// filling in for a letter; and in each font the window's captions use, the
// Turkish letters are drawn without a gap after them.
TEST_P(CaptionFit, TurkishLettersAreDrawnByTheWindowsFontWithoutGaps) {
    forms::Form& form = openWindow();
    ASSERT_TRUE(form.isLoaded()) << "the window unloaded itself as it opened";
    QStringList found;
    // The window's own font where it asks for one; its controls' fonts.
    QList<QFont> fonts;
    if (form.testAttribute(Qt::WA_SetFont))
        fonts << form.font();
    for (QWidget* w : form.findChildren<QWidget*>()) {
        const QString caption = captionOf(w);
        if (caption.trimmed().isEmpty())
            continue;
        const QStringList families = turkish::familiesDrawing(QString(caption).remove(u'&'), w->font());
        for (const QString& family : families)
            if (family.compare(w->font().family(), Qt::CaseInsensitive) != 0) {
                found << QStringLiteral("%1.%2 \"%3\": part of it is drawn by %4, not %5")
                             .arg(form.className(), w->objectName(), caption, family, w->font().family());
                break;
            }
        if (!fonts.contains(w->font()))
            fonts << w->font();
    }
    for (const QFont& font : fonts)
        found << turkish::Faults(font);
    EXPECT_TRUE(found.isEmpty()) << found.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, CaptionFit, ::testing::ValuesIn(kWindows), windowName);
INSTANTIATE_TEST_SUITE_P(SecondEdition, CaptionFit, ::testing::ValuesIn(kSecondEditionWindows), windowName);

} // namespace
