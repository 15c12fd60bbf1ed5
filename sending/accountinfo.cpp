#include "sending/accountinfo.h"

#include "platform/vb/error.h"

namespace sending {

AccountInformation ParseAccountInformation(const QString& reply) {
    qsizetype end = reply.indexOf(u'\n');
    if (end < 0)
        vb::Raise(vb::errInvalidCall);
    AccountInformation info;
    info.credit = reply.left(end);
    for (qsizetype start = end + 1; (end = reply.indexOf(u'\n', start)) >= 0; start = end + 1)
        info.originators << reply.mid(start, end - start);
    return info;
}

} // namespace sending
