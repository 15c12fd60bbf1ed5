#pragma once

#include "platform/vb/export.h"

#include <QNetworkReply>
#include <QPointer>
#include <QTextBrowser>

class QNetworkAccessManager;

namespace forms {

// The web-browser control of the advertising page: Navigate records the
// address and fetches the page in the background, so the window never waits
// for it; the page is shown with the HTML subset Qt renders, and stays blank
// when it cannot be fetched.
class QM_EXPORT WebBrowser : public QTextBrowser {
public:
    WebBrowser(QWidget* parent, const QString& name);
    ~WebBrowser() override;

    void Navigate(const QString& url);
    QString LocationURL() const { return url_; }
    // Whether the last navigation has finished (shown or failed).
    bool isIdle() const { return !reply_; }

    // Whether pages off this machine may be fetched. Tests and the host's
    // automation mode allow only loopback addresses.
    static void setRemoteAllowed(bool allowed);
    static bool remoteAllowed();

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    QString url_;
    QNetworkAccessManager* network_ = nullptr;
    QPointer<QNetworkReply> reply_;
};

} // namespace forms
