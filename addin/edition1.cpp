#include "state/edition.h"

namespace quillmere {

const Edition& CurrentEdition() {
    static const Edition first{
        QStringLiteral("Quillmere"),
        /*sendsClientId=*/true,
        /*localSystemTime=*/false,
        {QStringLiteral("50"), QStringLiteral("53"), QStringLiteral("54"), QStringLiteral("55")},
        QStringLiteral("http://reklam.quillmere.example"),
        QStringLiteral("/reklam/?prm=Quillmere"),
        QStringLiteral("/sms/com.orventa"),
        QStringLiteral("https"),
        /*basketMessageSize=*/160,
        QStringLiteral("/sms/login.asp"),
    };
    return first;
}

} // namespace quillmere
