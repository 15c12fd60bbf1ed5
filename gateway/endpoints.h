#pragma once

#include <QString>

// Every outside address the add-in uses, kept in one place but for the
// advertising sites, which are each edition's own (its profile). The hosts
// are fictitious names under the reserved .example domain; a deployment puts
// its own here.
namespace quillmere::endpoints {

// The product's web site, by its domain name (the "Web" tooltips) and as an
// address (the support page).
QString ProductDomain();
QString ProductSite();

// The gateway service's endpoint: scheme and host, then the edition's path.
// QUILLMERE_SERVICE_URL (scheme, host and port, e.g. http://127.0.0.1:8080)
// replaces the scheme and host, so that tests reach a local server.
QString ServiceUrl();

// The advertising page shown in the windows' browser controls: the
// edition's advertising site and page.
QString AdvertUrl();

// Where the data-access components can be downloaded.
QString DataAccessDownloadUrl();

} // namespace quillmere::endpoints
