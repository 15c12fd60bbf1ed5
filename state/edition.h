#pragma once

#include <QString>
#include <QStringList>

namespace quillmere {

// What tells the two editions apart in code they share. Each deliverable
// defines CurrentEdition() in its own sources; the shared libraries only read
// it.
struct Edition {
    // The project name as the gateway type text writes it.
    QString projectName;
    // Whether every gateway document carries the ClientID element.
    bool sendsClientId = true;
    // Whether the system-time request is answered locally instead of asking
    // the gateway.
    bool localSystemTime = false;
    // The first digits a ten-digit mobile number may begin with.
    QStringList mobilePrefixes;
    // The advertising site (scheme and host), and the path and query of the
    // advertising page on it.
    QString advertSite;
    QString advertPath;
    // Path of the gateway service's endpoint.
    QString servicePath;
    // Scheme of the gateway service's endpoint ("https" or "http").
    QString serviceScheme;
    // The longest message the edition sends: the defined size of the
    // message basket's text field, and the most a page's message box takes.
    // A package holding a message longer than 160 characters goes out as
    // action 41.
    int basketMessageSize = 160;
    // Path of the product site's login page, which the support window opens
    // with a gateway-service account in its query; empty: the site's home
    // page for every account.
    QString supportLoginPath;
};

const Edition& CurrentEdition();

} // namespace quillmere
