#include "state/edition.h"

namespace quillmere {

const Edition& CurrentEdition() {
    static const Edition second{
        QStringLiteral("Quillmere"),
        /*sendsClientId=*/false,
        /*localSystemTime=*/true,
        {QStringLiteral("5")},
        QStringLiteral("http://www.dorvane.example"),
        QStringLiteral("/?prod=Quillmere"),
        QStringLiteral("/com.orventa"),
        QStringLiteral("http"),
        /*basketMessageSize=*/612,
        /*supportLoginPath=*/QString(),
    };
    return second;
}

} // namespace quillmere
