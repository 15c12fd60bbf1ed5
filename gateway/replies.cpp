#include "gateway/replies.h"

#include "platform/vb/error.h"

namespace quillmere::replies {

AccountInfo ParseAccountInfo(QStringView reply) {
    qsizetype end = reply.indexOf(u'\n');
    if (end < 0)
        vb::Raise(vb::errInvalidCall);
    AccountInfo info;
    info.credit = reply.left(end).toString();
    for (qsizetype start = end + 1; (end = reply.indexOf(u'\n', start)) >= 0; start = end + 1)
        info.originators.append(reply.mid(start, end - start).toString());
    return info;
}

} // namespace quillmere::replies
