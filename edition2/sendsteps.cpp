#include "edition2/sendsteps.h"

#include "platform/vb/clock.h"
#include "platform/vb/variant.h"
#include "state/mdlGenel.h"

namespace edition2 {

int SmsParts(qsizetype length) {
    if (length <= 160)
        return 1;
    if (length <= 306)
        return 2;
    if (length <= 459)
        return 3;
    return 4;
}

namespace {

QString question(long recipients, const QString& afterCount, const QString& parts, const QString& afterParts) {
    return QStringLiteral("Mesajınız ") + QString::number(recipients) + afterCount + parts + afterParts
           + QStringLiteral("gönderilecektir. Devam etmek istiyor musunuz?");
}

QString whenScheduled(const QDateTime& date, const QDateTime& time) {
    return QStringLiteral(" SMS ") + vb::CStr(date) + QStringLiteral(" saat ") + vb::CStr(time) + QStringLiteral(" de ");
}

} // namespace

QString QuickSendQuestion(long recipients, const QString& parts, bool scheduled, const QDateTime& date,
                          const QDateTime& time) {
    return question(recipients, QStringLiteral(" kişiye, "), parts,
                    scheduled ? whenScheduled(date, time) : QStringLiteral(" SMS  "));
}

QString FinalScreenQuestion(long recipients, const QString& parts, bool scheduled, const QDateTime& date,
                            const QDateTime& time) {
    if (scheduled)
        return question(recipients, QStringLiteral(" kişiye, "), parts, whenScheduled(date, time));
    return question(recipients, QStringLiteral(" kişiye,"), parts, QStringLiteral(" SMS "));
}

BasketSend::~BasketSend() { clear(); }

Gateway& BasketSend::gateway() {
    if (!gateway_)
        gateway_ = std::make_unique<Gateway>();
    return *gateway_;
}

void BasketSend::add(const QString& text, const QString& number) { gateway().addtosmsbasket(text, number); }

BasketSend::Outcome BasketSend::send(const QString& originator, bool scheduled, const QDateTime& date,
                                     const QDateTime& time) {
    GatewayPost post;
    post.reply = QString();
    if (mdlGenel::GatewayType == u"Quillmere" || mdlGenel::GatewayType == u"Palvori")
        post = gateway().sendsmsPost(sending::GatewayIdentity(), mdlGenel::Password, originator,
                                     scheduled ? sending::ScheduleDigits(date, time) : QString());
    Outcome outcome{ClassifyBasketReply(post), post.reply, vb::CStr(vb::Now()), QString()};
    outcome.gtarih = scheduled ? sending::ScheduledMoment(date, time) : vb::CStr(vb::Now());
    clear();
    return outcome;
}

void BasketSend::clear() {
    if (gateway_)
        gateway_->clearsmsbasket();
}

sending::SendReply ClassifyBasketReply(const GatewayPost& post) {
    const sending::SendReply outcome = sending::ClassifySendReply(post);
    if (outcome == sending::SendReply::NoConnection && post.reply != u"-1")
        return sending::SendReply::Refused;
    return outcome;
}

} // namespace edition2
