#include "addin/edition.h"

// A profile with the second edition's gateway dialect, for the gateway's own
// tests: no client identification, the local system time and the wider
// basket.
namespace quillmere {

const Edition& CurrentEdition() {
    static const Edition second = [] {
        Edition e;
        e.projectName = QStringLiteral("Quillmere");
        e.sendsClientId = false;
        e.localSystemTime = true;
        e.servicePath = QStringLiteral("/sms/com.orventa");
        e.serviceScheme = QStringLiteral("https");
        e.basketMessageSize = 612;
        return e;
    }();
    return second;
}

} // namespace quillmere
