// What the windows get from the desktop they were made for: the font they
// ask for and Qt's own texts in Turkish.
#include "platform/forms/controls.h"
#include "platform/forms/desktop.h"
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"
#include "tests/support/turkish_letters.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Acts on the message box about to be shown, once it is on the screen:
// showing it does not return while it is open, so a timer set beforehand,
// which the box's own event loop runs, looks for it.
void onTheBox(const std::function<void(QMessageBox*)>& act) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(box);
    });
    poll->start(5);
}

TEST(Desktop, TahomaIsDrawnAsTahomaInBothWeights) {
    ASSERT_TRUE(forms::EnsureFontFamily(QStringLiteral("Tahoma")))
        << "no Tahoma: the package fonts-wine provides the compatible one";
    QWidget w;
    for (bool bold : {false, true}) {
        forms::SetFont(&w, QStringLiteral("Tahoma"), 8.25, bold);
        const QFontInfo drawn(w.font());
        EXPECT_EQ(drawn.family(), QStringLiteral("Tahoma"));
        EXPECT_EQ(drawn.bold(), bold);
        EXPECT_DOUBLE_EQ(drawn.pointSizeF(), 8.25);
    }
    EXPECT_FALSE(forms::EnsureFontFamily(QStringLiteral("Hiç Olmayan Yazı Tipi")));
}

TEST(Desktop, TheTurkishLettersAreDrawnByTahomaWithoutGaps) {
    ASSERT_TRUE(forms::EnsureFontFamily(QStringLiteral("Tahoma")));
    QWidget w;
    QStringList faults;
    for (double points : {8.25, 9.75})
        for (bool bold : {false, true}) {
            forms::SetFont(&w, QStringLiteral("Tahoma"), points, bold);
            faults << turkish::Faults(w.font());
        }
    EXPECT_TRUE(faults.isEmpty()) << faults.join(u'\n').toStdString();
}

// Bold text is drawn with thicker strokes than regular text, not only
// wider: more of its cell is ink.
TEST(Desktop, TahomaBoldIsDrawnBold) {
    ASSERT_TRUE(forms::EnsureFontFamily(QStringLiteral("Tahoma")));
    auto inked = [](bool bold) {
        QFont font(QStringLiteral("Tahoma"));
        font.setPixelSize(40);
        font.setBold(bold);
        QImage picture(400, 60, QImage::Format_Grayscale8);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPoint(0, 45), QStringLiteral("lIlIlIlI"));
        painter.end();
        long ink = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                ink += 255 - qGray(picture.pixel(x, y));
        return ink;
    };
    EXPECT_GT(inked(true), inked(false) * 5 / 4);
}

TEST(Desktop, StandardButtonsSpeakTurkish) {
    ASSERT_TRUE(forms::InstallTurkishTranslations()) << "no Qt translations: the package qt6-translations-l10n";
    forms::DialogMsgBoxService boxes;
    struct Case {
        int buttons;
        QStringList texts;
    };
    const Case cases[] = {
        {vb::vbYesNo, {"Evet", "Hayır"}},
        {vb::vbOKCancel, {"Tamam", "İptal"}},
        {vb::vbYesNoCancel, {"Evet", "Hayır", "İptal"}},
        {vb::vbOKOnly, {"Tamam"}},
    };
    for (const Case& c : cases) {
        auto texts = std::make_shared<QStringList>();
        onTheBox([texts](QMessageBox* box) {
            for (QAbstractButton* b : box->buttons())
                *texts << b->text().remove(u'&');
            box->reject();
        });
        boxes.show(QStringLiteral("Devam etmek istiyor musunuz?"), c.buttons, QStringLiteral("Quillmere"));
        QStringList sorted = *texts, wanted = c.texts;
        sorted.sort();
        wanted.sort();
        EXPECT_EQ(sorted, wanted) << c.buttons;
    }
}

TEST(Desktop, AMessageBoxOffersOnlyItsCloseButton) {
    forms::DialogMsgBoxService boxes;
    struct Seen {
        Qt::WindowFlags flags;
        bool fixed = false;
        QString title;
    };
    auto seen = std::make_shared<Seen>();
    onTheBox([seen](QMessageBox* box) {
        seen->flags = box->windowFlags();
        seen->fixed = box->minimumSize() == box->maximumSize();
        seen->title = box->windowTitle();
        box->reject();
    });
    boxes.show(QStringLiteral("Mesaj Başarı İle Gönderildi."), vb::vbInformation, QStringLiteral("Quillmere Uyarı"));
    EXPECT_EQ(seen->title, QStringLiteral("Quillmere Uyarı"));
    EXPECT_TRUE(seen->flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(seen->flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(seen->flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(seen->fixed) << "a message box is not sized by the user";
}

// What a person is shown of a long prompt: at most 1,024 characters, in a
// box that fits the screen with its button on it.
TEST(Desktop, ALongPromptIsShownInABoxThatFitsTheScreen) {
    vb::SetMsgBoxService(std::make_shared<forms::DialogMsgBoxService>());
    const QString heading = QStringLiteral("100001 mesaj paketindeki 5321234567 numaralı GSM hattına giden mesajlar :");
    QString manyLines = heading + QStringLiteral("\r\n\r\n");
    for (int i = 1; i <= 100000; ++i)
        manyLines += QStringLiteral("Mesaj ") + QString::number(i) + QStringLiteral(" : a\r\n");
    const QString oneLong = QString(5 * 1024 * 1024, u'x');
    for (const QString& prompt : {manyLines, oneLong}) {
        struct Seen {
            QString text;
            QRect frame, button, screen;
        };
        auto seen = std::make_shared<Seen>();
        onTheBox([seen](QMessageBox* box) {
            seen->text = box->text();
            seen->frame = box->frameGeometry();
            QAbstractButton* ok = box->buttons().value(0);
            seen->button = QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size());
            seen->screen = box->screen()->availableGeometry();
            box->accept();
        });
        EXPECT_EQ(vb::MsgBox(prompt, vb::vbInformation, QStringLiteral("Quillmere")), vb::vbOK);
        ASSERT_FALSE(seen->text.isEmpty());
        EXPECT_LE(seen->text.size(), vb::kMsgBoxPromptLength);
        EXPECT_TRUE(prompt.startsWith(seen->text));
        EXPECT_TRUE(seen->screen.contains(seen->frame)) << seen->frame.height();
        EXPECT_TRUE(seen->screen.contains(seen->button));
    }
    vb::SetMsgBoxService(nullptr);
}

} // namespace
