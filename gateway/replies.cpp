#include "gateway/replies.h"

#include "platform/vb/error.h"

namespace quillmere::replies {

namespace {

// A line without its line feed, and without the carriage return before it
// that gateways behind Windows servers send: it belongs to no credit and no
// originator name.
QString lineBefore(QStringView reply, qsizetype start, qsizetype end) {
    QStringView line = reply.mid(start, end - start);
    if (line.endsWith(u'\r'))
        line.chop(1);
    return line.toString();
}

} // namespace

AccountInfo ParseAccountInfo(QStringView reply) {
    qsizetype end = reply.indexOf(u'\n');
    if (end < 0)
        vb::Raise(vb::errInvalidCall);
    AccountInfo info;
    info.credit = lineBefore(reply, 0, end);
    for (qsizetype start = end + 1; (end = reply.indexOf(u'\n', start)) >= 0; start = end + 1)
        info.originators.append(lineBefore(reply, start, end));
    return info;
}

} // namespace quillmere::replies
