#include "platform/forms/controls.h"
#include "platform/forms/services.h"
#include "state/mdlGenel.h"
#include "ui/common/TeskXpButton.h"
#include "ui/common/frmDestek.h"
#include "ui/common/frmHakkinda.h"

#include <QGuiApplication>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>
#include <gtest/gtest.h>

namespace {

// As much room on either side of the window, give or take the odd pixel.
bool centred(const QWidget& w) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = w.frameGeometry();
    return std::abs((frame.left() - screen.left()) - (screen.right() - frame.right())) <= 1 &&
           std::abs((frame.top() - screen.top()) - (screen.bottom() - frame.bottom())) <= 1;
}

class AboutTest : public ::testing::Test {
protected:
    forms::ScriptedServices services;

    void SetUp() override {
        services = forms::InstallScriptedServices();
        mdlGenel::ResetState();
    }
    void TearDown() override {
        for (forms::Form* f : forms::LoadedForms())
            forms::Unload(*f);
        forms::FlushUnloaded();
        mdlGenel::ResetState();
    }

    static void account(const char* type, const char* user, const char* password, const char* code) {
        mdlGenel::GatewayType = QString::fromUtf8(type);
        mdlGenel::UserName = QString::fromUtf8(user);
        mdlGenel::Password = QString::fromUtf8(password);
        mdlGenel::ClientCode = QString::fromUtf8(code);
    }
};

TEST_F(AboutTest, TheAboutBoxShowsTheAccountByGatewayType) {
    struct Case { const char* type; bool codeShown; } cases[] = {{"Quillmere", true}, {"Palvori", false}, {"", false}};
    const QColor highlight = QGuiApplication::palette().color(QPalette::Highlight);
    const QColor highlightedText = QGuiApplication::palette().color(QPalette::HighlightedText);
    for (const auto& c : cases) {
        account(c.type, "ali", "pw", "K42");
        forms::FormRef::To<frmHakkinda>().Show();
        auto& w = forms::Get<frmHakkinda>();
        EXPECT_EQ(w.Caption(), QString());
        EXPECT_EQ(w.lblKullaniciAdi->Caption(), QStringLiteral("Kullanıcı adı :"));
        EXPECT_EQ(w.lblKullanici->Caption(), QStringLiteral("ali")) << c.type;
        EXPECT_TRUE(w.lblKullanici->isVisibleTo(&w));
        EXPECT_EQ(w.lblBayiKodu->isVisibleTo(&w), c.codeShown) << c.type;
        EXPECT_EQ(w.lblBayi->isVisibleTo(&w), c.codeShown) << c.type;
        if (c.codeShown) {
            EXPECT_EQ(w.lblBayiKodu->Caption(), QStringLiteral("Client kodu :"));
            EXPECT_EQ(w.lblBayi->Caption(), QStringLiteral("K42"));
        }
        for (QWidget* part : std::initializer_list<QWidget*>{&w, w.Frame1, w.lblKullaniciAdi, w.lblKullanici, w.lblBayi}) {
            EXPECT_EQ(part->palette().color(QPalette::Window), highlight) << part->objectName().toStdString();
            EXPECT_EQ(part->palette().color(QPalette::WindowText), highlightedText) << part->objectName().toStdString();
        }
        EXPECT_EQ(w.lblKullanici->font().family(), QStringLiteral("Tahoma"));
        EXPECT_DOUBLE_EQ(w.lblKullanici->font().pointSizeF(), 8.25);
        // Fixed, and centred on the screen.
        EXPECT_EQ(w.minimumSize(), w.maximumSize());
        EXPECT_TRUE(centred(w));
        EXPECT_EQ(w.TeskXpButton1->Caption(), QStringLiteral("Kapat"));

        // Filled once per loading.
        mdlGenel::UserName = QStringLiteral("sonra");
        w.Show();
        EXPECT_EQ(w.lblKullanici->Caption(), QStringLiteral("ali"));
        QTest::mouseClick(w.TeskXpButton1, Qt::LeftButton);
        EXPECT_FALSE(forms::IsLoaded<frmHakkinda>()) << c.type;
        forms::FlushUnloaded();
    }
}

TEST_F(AboutTest, TheSupportStripSaysWhatItOpens) {
    auto& w = forms::Get<frmDestek>();
    EXPECT_EQ(w.Caption(), QString());
    EXPECT_EQ(w.Label1->Caption(), QStringLiteral("www.quillmere.example sayfası açılıyor. Lütfen bekleyiniz..."));
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(0, 0, 128));
    EXPECT_EQ(w.Label1->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    EXPECT_TRUE(w.Label1->font().bold());
    EXPECT_DOUBLE_EQ(w.Label1->font().pointSizeF(), 9.75);
    EXPECT_LT(w.height(), w.width() / 4);
    EXPECT_GE(w.Label1->width(), w.Label1->fontMetrics().horizontalAdvance(w.Label1->text()));
    EXPECT_TRUE(centred(w));
    // Loading alone opens nothing: the activation does.
    EXPECT_TRUE(services.shell->calls().empty());
}

TEST_F(AboutTest, TheSupportWindowOpensTheSiteForTheAccountAndClosesItself) {
    struct Case { const char* type; const char* user; const char* password; const char* code; const char* address; } cases[] = {
        {"Quillmere", "ali", "a&b", "K42",
         "http://www.quillmere.example/sms/login.asp?username=ali&password=a%26b&company=K42"},
        {"Quillmere", "ali veli", "p=1#2 &x", "K&1",
         "http://www.quillmere.example/sms/login.asp?username=ali%20veli&password=p%3D1%232%20%26x&company=K%261"},
        {"Quillmere", "şule", "ğ+ü", "", "http://www.quillmere.example/sms/login.asp?username=%C5%9Fule"
                                         "&password=%C4%9F%2B%C3%BC&company="},
        {"Palvori", "ali", "a&b", "K42", "http://www.quillmere.example"},
        {"", "ali", "a&b", "K42", "http://www.quillmere.example"},
    };
    for (const auto& c : cases) {
        account(c.type, c.user, c.password, c.code);
        services.shell->clear();
        // Two "Web" commands: each opens the page, and the window is gone
        // after each.
        for (int command = 0; command < 2; ++command) {
            forms::FormRef::To<frmDestek>().Show();
            EXPECT_FALSE(forms::IsLoaded<frmDestek>()) << c.type;
            forms::FlushUnloaded();
        }
        ASSERT_EQ(services.shell->calls().size(), 2u) << c.type;
        for (const win32::ShellCall& call : services.shell->calls()) {
            EXPECT_EQ(call.verb, QStringLiteral("open"));
            EXPECT_EQ(call.file, QString::fromUtf8(c.address)) << c.type << " " << c.password;
            EXPECT_EQ(call.parameters, QString());
            EXPECT_EQ(call.directory, QString());
            EXPECT_EQ(call.show, 5);
        }
        // The site reads the account back as it was typed.
        if (std::string(c.type) == "Quillmere") {
            const QUrlQuery query(QUrl(services.shell->calls()[0].file));
            EXPECT_EQ(query.queryItemValue(QStringLiteral("username"), QUrl::FullyDecoded), QString::fromUtf8(c.user));
            EXPECT_EQ(query.queryItemValue(QStringLiteral("password"), QUrl::FullyDecoded), QString::fromUtf8(c.password));
            EXPECT_EQ(query.queryItemValue(QStringLiteral("company"), QUrl::FullyDecoded), QString::fromUtf8(c.code));
        }
    }
}

} // namespace
