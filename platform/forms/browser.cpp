#include "platform/forms/browser.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace forms {

namespace {
bool& remoteFlag() {
    static bool allowed = true;
    return allowed;
}

bool isLoopback(const QUrl& url) {
    QString host = url.host();
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}
} // namespace

void WebBrowser::setRemoteAllowed(bool allowed) { remoteFlag() = allowed; }
bool WebBrowser::remoteAllowed() { return remoteFlag(); }

WebBrowser::WebBrowser(QWidget* parent, const QString& name) : QTextBrowser(parent) {
    setObjectName(name);
    setProperty("qmKind", QStringLiteral("browser"));
    setOpenLinks(false);
}

WebBrowser::~WebBrowser() {
    if (reply_)
        reply_->abort();
}

void WebBrowser::Navigate(const QString& address) {
    url_ = address;
    clear();
    if (reply_) {
        QNetworkReply* old = reply_;
        reply_ = nullptr;
        old->abort();
    }
    QUrl url(address);
    if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https"))
        return;
    if (!remoteFlag() && !isLoopback(url))
        return;
    if (!network_)
        network_ = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setTransferTimeout(30000);
    QNetworkReply* reply = network_->get(request);
    reply_ = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (reply_ != reply)
            return;  // superseded by a later navigation
        reply_ = nullptr;
        if (reply->error() == QNetworkReply::NoError)
            setHtml(QString::fromUtf8(reply->readAll()));
        else
            clear();
    });
}

QVariant WebBrowser::loadResource(int, const QUrl&) {
    // Images and style sheets of the page are not fetched.
    return QVariant();
}

} // namespace forms
