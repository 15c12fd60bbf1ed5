#include "gateway/endpoints.h"

#include "state/edition.h"

#include <QUrl>

namespace quillmere::endpoints {

namespace {
const QString kProductDomain = QStringLiteral("www.quillmere.example");
const QString kServiceHost = QStringLiteral("gateway.quillmere.example");
const QString kDataAccessDownload = QStringLiteral("http://downloads.dataaccess.example/mdac");
} // namespace

QString ProductDomain() { return kProductDomain; }

QString ProductSite() { return QStringLiteral("http://") + kProductDomain; }

QString ServiceUrl() {
    const Edition& e = CurrentEdition();
    QString base = e.serviceScheme + QStringLiteral("://") + kServiceHost;
    QString replacement = qEnvironmentVariable("QUILLMERE_SERVICE_URL").trimmed();
    if (!replacement.isEmpty()) {
        QUrl url(replacement);
        if (url.isValid() && !url.scheme().isEmpty() && !url.host().isEmpty()) {
            base = url.scheme() + QStringLiteral("://") + url.host();
            if (url.port() >= 0)
                base += u':' + QString::number(url.port());
        }
    }
    return base + e.servicePath;
}

QString AdvertUrl() { return CurrentEdition().advertSite + CurrentEdition().advertPath; }

QString DataAccessDownloadUrl() { return kDataAccessDownload; }

} // namespace quillmere::endpoints
