#include "ui/common/frmDestek.h"

#include "gateway/endpoints.h"
#include "platform/forms/controls.h"
#include "platform/vb/timer.h"
#include "platform/win32/shell.h"
#include "state/edition.h"
#include "state/mdlGenel.h"

#include <QUrl>

namespace {
constexpr int kHeight = 540;
constexpr int kMinimumWidth = 5400;
constexpr int kMargin = 240;
constexpr int kShowNormal = 5;

// A value in the query as the site reads it back: "&", "=", "#" or a blank
// in a password would otherwise end or change the query.
QString queryValue(const QString& value) { return QString::fromLatin1(QUrl::toPercentEncoding(value)); }
} // namespace

frmDestek::frmDestek() : forms::Form(QStringLiteral("frmDestek")) {
    setCaption(QString());
    setBorderStyle(forms::vbBSNone);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 128));
    pal.setColor(QPalette::WindowText, QColor(255, 255, 255));
    setPalette(pal);
    setAutoFillBackground(true);

    Label1 = new forms::Label(this, QStringLiteral("Label1"),
                              quillmere::endpoints::ProductDomain()
                                  + QStringLiteral(" sayfası açılıyor. Lütfen bekleyiniz..."));
    forms::SetFont(Label1, QStringLiteral("Tahoma"), 9.75, true);
    Label1->setAlignment(Qt::AlignCenter);
    // The strip is as wide as its one line needs, the site's name being a
    // deployment's own.
    // One pixel more than the text, so that rounding twips back to pixels
    // never cuts its last letter.
    const int textWidth = forms::ToTwips(Label1->fontMetrics().size(0, Label1->text()).width() + 1);
    const int width = std::max(kMinimumWidth, textWidth + 2 * kMargin);
    forms::Place(Label1, kMargin, 120, width - 2 * kMargin, kHeight - 240);

    setFixedSize(forms::ToPixels(width), forms::ToPixels(kHeight));
    centreOnScreen();
}

QString frmDestek::SupportAddress() {
    const QString site = quillmere::endpoints::ProductSite();
    const QString loginPath = quillmere::CurrentEdition().supportLoginPath;
    if (mdlGenel::GatewayType != u"Quillmere" || loginPath.isEmpty())
        return site;
    return site + loginPath + QStringLiteral("?username=") + queryValue(mdlGenel::UserName)
           + QStringLiteral("&password=") + queryValue(mdlGenel::Password) + QStringLiteral("&company=")
           + queryValue(mdlGenel::ClientCode);
}

void frmDestek::Form_Activate() {
    // The strip is painted before the browser is asked for.
    vb::DoEvents();
    win32::ShellExecute(this, QStringLiteral("open"), SupportAddress(), QString(), QString(), kShowNormal);
    forms::Unload(*this);
}
