#include "ui/common/frmHakkinda.h"

#include "platform/forms/controls.h"
#include "state/mdlGenel.h"
#include "ui/common/TeskXpButton.h"
#include "ui/common/pictures.h"

namespace {
constexpr int kWidth = 4440;
constexpr int kHeight = 2100;
} // namespace

frmHakkinda::frmHakkinda() : forms::Form(QStringLiteral("frmHakkinda")) {
    setCaption(QString());
    setBorderStyle(forms::vbFixedDialog);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Highlight));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
    setPalette(pal);
    setAutoFillBackground(true);

    Frame1 = new forms::Frame(this, QStringLiteral("Frame1"));
    forms::Place(Frame1, 120, 60, 4200, 1320);
    Image1 = new forms::Picture(Frame1, QStringLiteral("Image1"));
    Image1->setPixmap(pictures::Information(32));
    forms::Place(Image1, 180, 300, 600, 600);
    auto label = [this](const char* name, const QString& caption, int left, int top, int width) {
        auto* l = new forms::Label(Frame1, QString::fromLatin1(name), caption);
        forms::SetFont(l, QStringLiteral("Tahoma"), 8.25);
        forms::Place(l, left, top, width, 255);
        return l;
    };
    lblKullaniciAdi = label("lblKullaniciAdi", QStringLiteral("Kullanıcı adı :"), 960, 420, 1260);
    lblKullanici = label("lblKullanici", QStringLiteral("-"), 2280, 420, 1800);
    lblBayiKodu = label("lblBayiKodu", QStringLiteral("Client kodu :"), 960, 780, 1260);
    lblBayi = label("lblBayi", QStringLiteral("-"), 2280, 780, 1800);

    TeskXpButton1 = new TeskXpButton(this, QStringLiteral("TeskXpButton1"));
    // Its design: the caption, and button text in black on its own face
    // whatever colours the box is painted in.
    TeskXpButton1->ReadProperties({{QStringLiteral("Caption"), QStringLiteral("Kapat")},
                                   {QStringLiteral("ForeColor"), QColor(0, 0, 0)}});
    forms::SetFont(TeskXpButton1, QStringLiteral("Tahoma"), 8.25);
    forms::Place(TeskXpButton1, 3135, 1500, 1185, 375);
    TeskXpButton1->Click = [this] { TeskXpButton1_Click(); };

    setFixedSize(forms::ToPixels(kWidth), forms::ToPixels(kHeight));
    centreOnScreen();
}

void frmHakkinda::Form_Load() {
    lblKullanici->setCaption(mdlGenel::UserName);
    if (mdlGenel::GatewayType != u"Quillmere") {
        lblBayiKodu->setVisible(false);
        lblBayi->setVisible(false);
    } else {
        lblBayi->setCaption(mdlGenel::ClientCode);
        lblBayiKodu->setVisible(true);
        lblBayi->setVisible(true);
    }
}

void frmHakkinda::TeskXpButton1_Click() { forms::Unload(*this); }
