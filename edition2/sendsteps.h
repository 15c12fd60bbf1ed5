#pragma once

#include "gateway/Gateway.h"
#include "sending/sendsteps.h"

#include <QDateTime>
#include <QString>
#include <memory>

// What the second edition's sending pages (the quick-send page and the
// final screen) and its template page do alike: messages counted and
// charged in SMS parts, and packages sent through the gateway client's
// basket.
namespace edition2 {

// The SMS parts of a message of that many characters: 1 up to 160, 2 up to
// 306, 3 up to 459, 4 from 460 on.
int SmsParts(qsizetype length);

// The confirmation before a send charged in parts: the recipients, the
// parts as the page's total shows them (a blank and the number), and when
// it goes out. The two pages word the immediate send a little apart.
QString QuickSendQuestion(long recipients, const QString& parts, bool scheduled, const QDateTime& date,
                          const QDateTime& time);
QString FinalScreenQuestion(long recipients, const QString& parts, bool scheduled, const QDateTime& date,
                            const QDateTime& time);

// The package of one press of a page's button: one gateway client, made
// with the first message, and its basket, emptied however the press ends,
// so that the next press starts from an empty one.
class BasketSend {
public:
    BasketSend() = default;
    ~BasketSend();
    BasketSend(const BasketSend&) = delete;
    BasketSend& operator=(const BasketSend&) = delete;

    // One message, folded already, to one number. A text longer than the
    // basket's field raises, and nothing of it is sent.
    void add(const QString& text, const QString& number);
    // What became of the package, with the two times the send log keeps:
    // when the reply came, and when the messages go out.
    struct Outcome {
        sending::SendReply reply;
        QString packageReply;
        QString tarih;
        QString gtarih;
    };
    // The basket as one package for the account signed in, from the
    // originator, now or at the moment of the two pickers; the basket is
    // emptied after it. With a gateway type that is neither of the two
    // nothing is sent, and the empty reply is a refusal.
    Outcome send(const QString& originator, bool scheduled, const QDateTime& date, const QDateTime& time);
    void clear();

private:
    Gateway& gateway();
    std::unique_ptr<Gateway> gateway_;
};

// What became of a basket's package. As the first edition's pages read a
// reply, but a web page in it is no sign of a missing connection here: it
// is a reply like any other that is no acceptance.
sending::SendReply ClassifyBasketReply(const GatewayPost& post);

} // namespace edition2
