#include "emulator.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace gwemu {

namespace {

constexpr qsizetype kLongestText = 612;

const char* const kPlainText = "text/plain; charset=utf-8";
const char* const kXml = "text/xml; charset=utf-8";

const QString kQueryRoot = QStringLiteral("MainReportRoot");
const QString kSendRoot = QStringLiteral("MainmsgBody");
const QString kAnyAction = QStringLiteral("any");

// The date and time as the gateway writes them in its answers.
QString timeText(const QDateTime& t) { return t.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")); }

// A number's line in a status reply: the number, a blank and its one-digit
// status code, which the report window reads from the end of the line.
QString statusLine(const QString& number, char code) { return number + u' ' + QLatin1Char(code) + u'\n'; }

bool isSendAction(int action) { return action == 0 || action == 1 || action == 41; }

bool isQueryAction(int action) {
    switch (action) {
    case 4: case 9: case 11: case 12: case 14: case 15: case 17: return true;
    default: return false;
    }
}

// A report date, exactly yyyy-mm-dd.
std::optional<QDate> reportDate(const QString& text) {
    if (text.size() != 10)
        return std::nullopt;
    const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return d.isValid() ? std::optional(d) : std::nullopt;
}

struct DateRange {
    QDate first;
    QDate last;
    bool holds(const QDateTime& t) const { return t.date() >= first && t.date() <= last; }
};

// The range of a document's FDate and LDate; null when either is no date or
// the first comes after the last.
std::optional<DateRange> dateRange(const Document& doc) {
    const auto first = reportDate(doc.valueOr(QStringLiteral("FDate")).trimmed());
    const auto last = reportDate(doc.valueOr(QStringLiteral("LDate")).trimmed());
    if (!first || !last || *first > *last)
        return std::nullopt;
    return DateRange{*first, *last};
}

// The scheduled time of a send: ddMMyyyyHHmm.
std::optional<QDateTime> scheduledTime(const QString& digits) {
    if (digits.size() != 12)
        return std::nullopt;
    for (QChar c : digits)
        if (!c.isDigit())
            return std::nullopt;
    auto part = [&](int from, int length) { return digits.mid(from, length).toInt(); };
    const QDate date(part(4, 4), part(2, 2), part(0, 2));
    const QTime time(part(8, 2), part(10, 2));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

QString actionKey(const QJsonValue& v) {
    if (v.isDouble())
        return QString::number(v.toInt());
    const QString s = v.toString().trimmed();
    bool numeric = false;
    s.toInt(&numeric);
    return numeric || s == kAnyAction ? s : QString();
}

Emulator::ControlReply failure(int status, const QString& error) {
    return {status, QJsonObject{{QStringLiteral("ok"), false}, {QStringLiteral("error"), error}}, false};
}

Emulator::ControlReply success(QJsonObject body = {}) {
    body.insert(QStringLiteral("ok"), true);
    return {200, body, false};
}

} // namespace

std::vector<Account> DemoAccounts() {
    return {Account{QStringLiteral("demo"), QStringLiteral("demo123"), QStringLiteral("DEMO"), 1000,
                    {QStringLiteral("QUILLMERE"), QStringLiteral("DEMO FIRMA")}}};
}

std::optional<std::vector<Account>> LoadAccounts(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QJsonParseError parse;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &parse);
    if (json.isNull()) {
        *error = QStringLiteral("%1: %2 at offset %3").arg(path, parse.errorString()).arg(parse.offset);
        return std::nullopt;
    }
    const QJsonArray list = json.isArray() ? json.array() : json.object().value(QStringLiteral("accounts")).toArray();
    std::vector<Account> accounts;
    for (const QJsonValue& v : list) {
        const QJsonObject o = v.toObject();
        Account a;
        a.user = o.value(QStringLiteral("user")).toString();
        a.password = o.value(QStringLiteral("password")).toString();
        a.clientCode = o.value(QStringLiteral("clientCode")).toString();
        a.credit = o.value(QStringLiteral("credit")).toInteger();
        for (const QJsonValue& name : o.value(QStringLiteral("originators")).toArray())
            a.originators.append(name.toString());
        if (a.user.isEmpty()) {
            *error = QStringLiteral("%1: an account without \"user\"").arg(path);
            return std::nullopt;
        }
        accounts.push_back(a);
    }
    if (accounts.empty()) {
        *error = QStringLiteral("%1: no account").arg(path);
        return std::nullopt;
    }
    return accounts;
}

int SmsParts(qsizetype length) {
    if (length <= 160)
        return 1;
    if (length <= 306)
        return 2;
    if (length <= 459)
        return 3;
    return 4;
}

char FinalStatus(const QString& number) {
    if (number.endsWith(u'0'))
        return '2';
    if (number.endsWith(u'9'))
        return '5';
    return '3';
}

Emulator::Emulator(std::vector<Account> accounts, qint64 settleMs, qint64 firstId)
    : initialAccounts_(accounts), accounts_(std::move(accounts)), settleMs_(settleMs), firstId_(firstId),
      nextId_(firstId) {}

Emulator::Reply Emulator::Answer(const QByteArray& body) {
    std::lock_guard lock(mutex_);
    const auto doc = Document::Read(QString::fromUtf8(body));
    std::optional<int> action;
    if (doc) {
        bool numeric = false;
        const int a = doc->valueOr(QStringLiteral("Action")).trimmed().toInt(&numeric);
        if (numeric)
            action = a;
    }
    for (const QString& key : {action ? QString::number(*action) : QString(), kAnyAction}) {
        auto queue = queued_.find(key);
        if (queue != queued_.end() && !queue->second.empty()) {
            Reply r{queue->second.front(), kPlainText};
            queue->second.pop_front();
            return r;
        }
    }
    if (!action)
        return {"02", kPlainText};
    std::string contentType = kPlainText;
    const QString reply = answer(*doc, *action, &contentType);
    return {reply.toStdString(), contentType};
}

std::optional<size_t> Emulator::findAccount(const QString& identity) const {
    for (size_t i = 0; i < accounts_.size(); ++i)
        if (!accounts_[i].clientCode.isEmpty() && identity == accounts_[i].user + u'-' + accounts_[i].clientCode)
            return i;
    for (size_t i = 0; i < accounts_.size(); ++i)
        if (identity == accounts_[i].user)
            return i;
    return std::nullopt;
}

Emulator::Login Emulator::login(const QString& identity, const QString& password) const {
    if (const auto i = findAccount(identity))
        return accounts_[*i].password == password ? Login{i, nullptr} : Login{};
    const qsizetype dash = identity.indexOf(u'-');
    if (dash > 0) {
        const QString user = identity.left(dash);
        for (const Account& a : accounts_)
            if (a.user == user && a.password == password)
                return Login{std::nullopt, "03"};
    }
    return Login{};
}

QString Emulator::answer(const Document& doc, int action, std::string* contentType) {
    const bool sending = isSendAction(action);
    if (!sending && !isQueryAction(action))
        return QStringLiteral("12");
    if (doc.root() != (sending ? kSendRoot : kQueryRoot))
        return QStringLiteral("02");
    const Login who = login(doc.valueOr(QStringLiteral("UserName")), doc.valueOr(QStringLiteral("PassWord")));
    if (!who.account)
        return QString::fromLatin1(who.code);
    const size_t account = *who.account;
    if (sending)
        return send(doc, account, action);
    switch (action) {
    case 4: {
        const Account& a = accounts_[account];
        QString reply = QString::number(a.credit) + u'\n';
        for (const QString& name : a.originators)
            reply += name + u'\n';
        return reply;
    }
    case 9: return packageStatus(doc, account, true);
    case 11: return packageStatus(doc, account, false);
    case 12: return timeText(QDateTime::currentDateTime());
    case 14: return numberReport(doc, account);
    case 15: {
        QString reply = messageText(doc, account);
        if (reply.startsWith(u'<'))
            *contentType = kXml;
        return reply;
    }
    default: return dateRangeStatus(doc, account);
    }
}

QString Emulator::send(const Document& doc, size_t account, int action) {
    Account& a = accounts_[account];
    Package p;
    p.action = action;
    p.account = account;
    p.originator = doc.valueOr(QStringLiteral("Originator"));
    if (!a.originators.contains(p.originator))
        return QStringLiteral("07");
    const QString sdate = doc.valueOr(QStringLiteral("SDate")).trimmed();
    if (!sdate.isEmpty()) {
        p.scheduled = scheduledTime(sdate);
        if (!p.scheduled)
            return QStringLiteral("11");
    }
    if (action == 0) {
        const QString text = doc.valueOr(QStringLiteral("Mesgbody"));
        for (const QString& n : doc.valueOr(QStringLiteral("Numbers")).split(u','))
            if (!n.trimmed().isEmpty())
                p.recipients.push_back({n.trimmed(), text});
    } else {
        const Document::Tags numberTag(QStringLiteral("Number")), textTag(QStringLiteral("Mesgbody"));
        const std::vector<QStringView> messages = Document::All(doc.rawValue(QStringLiteral("Messages")),
                                                                QStringLiteral("Message"));
        p.recipients.reserve(messages.size());
        for (const QStringView m : messages) {
            const QString number = Document::Decode(Document::ValueIn(m, numberTag).value_or(QStringView())).trimmed();
            if (number.isEmpty())
                return QStringLiteral("10");
            p.recipients.push_back({number, Document::Decode(Document::ValueIn(m, textTag).value_or(QStringView()))});
        }
    }
    if (p.recipients.empty())
        return QStringLiteral("10");
    for (const Recipient& r : p.recipients) {
        if (r.text.isEmpty() || r.text.size() > kLongestText)
            return QStringLiteral("13");
        p.charged += SmsParts(r.text.size());
    }
    if (p.charged > a.credit)
        return QStringLiteral("06");
    a.credit -= p.charged;
    p.id = nextId_++;
    p.accepted = QDateTime::currentDateTime();
    p.sendAt = p.scheduled ? std::max(*p.scheduled, p.accepted) : p.accepted;
    packages_.push_back(std::move(p));
    return QStringLiteral("ID ") + QString::number(packages_.back().id);
}

char Emulator::status(const Package& p, const Recipient& r, const QDateTime& now) const {
    if (p.settled || now >= p.sendAt.addMSecs(settleMs_))
        return FinalStatus(r.number);
    return p.scheduled && now < *p.scheduled ? '0' : '1';
}

const Emulator::Package* Emulator::package(size_t account, const QString& id) const {
    bool numeric = false;
    const qint64 wanted = id.trimmed().toLongLong(&numeric);
    if (!numeric)
        return nullptr;
    for (const Package& p : packages_)
        if (p.id == wanted && p.account == account)
            return &p;
    return nullptr;
}

QString Emulator::packageStatus(const Document& doc, size_t account, bool undeliveredOnly) {
    const Package* p = package(account, doc.valueOr(QStringLiteral("MsgID")));
    if (!p)
        return QStringLiteral("09");
    const QDateTime now = QDateTime::currentDateTime();
    QString reply;
    for (const Recipient& r : p->recipients) {
        const char code = status(*p, r, now);
        if (!undeliveredOnly || code != '3')
            reply += statusLine(r.number, code);
    }
    return reply;
}

// As action 11 for every package sent between the dates, each line led by the
// package id (the reader skips what comes before the number).
QString Emulator::dateRangeStatus(const Document& doc, size_t account) {
    const auto range = dateRange(doc);
    if (!range)
        return QStringLiteral("17");
    const QDateTime now = QDateTime::currentDateTime();
    QString reply;
    for (const Package& p : packages_) {
        if (p.account != account || !range->holds(p.sendAt))
            continue;
        for (const Recipient& r : p.recipients)
            reply += QString::number(p.id) + u' ' + statusLine(r.number, status(p, r, now));
    }
    return reply.isEmpty() ? QStringLiteral("18") : reply;
}

QString Emulator::numberReport(const Document& doc, size_t account) {
    const auto range = dateRange(doc);
    if (!range)
        return QStringLiteral("08");
    const QString number = doc.valueOr(QStringLiteral("GsmNo")).trimmed();
    QString reply;
    for (const Package& p : packages_) {
        if (p.account != account || !range->holds(p.sendAt))
            continue;
        const bool wentThere = std::any_of(p.recipients.begin(), p.recipients.end(),
                                           [&](const Recipient& r) { return r.number == number; });
        if (wentThere)
            reply += QString::number(p.id) + u' ' + timeText(p.sendAt) + u'\n';
    }
    return reply.isEmpty() ? QStringLiteral("08") : reply;
}

QString Emulator::messageText(const Document& doc, size_t account) {
    const Package* p = package(account, doc.valueOr(QStringLiteral("MsgID")));
    if (!p)
        return QStringLiteral("08");
    const QString number = doc.valueOr(QStringLiteral("GsmNo")).trimmed();
    QString bodies;
    for (const Recipient& r : p->recipients)
        if (r.number == number)
            bodies += QStringLiteral("<msgbody>") + EscapeXml(r.text) + QStringLiteral("</msgbody>");
    if (bodies.isEmpty())
        return QStringLiteral("08");
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><root>") + bodies + QStringLiteral("</root>");
}

Emulator::ControlReply Emulator::Control(const QByteArray& body) {
    QJsonParseError parse;
    const QJsonDocument json = QJsonDocument::fromJson(body, &parse);
    if (!json.isObject())
        return failure(400, QStringLiteral("the body is not a JSON object"));
    const QJsonObject o = json.object();
    const QString cmd = o.value(QStringLiteral("cmd")).toString();

    std::lock_guard lock(mutex_);
    if (cmd == QStringLiteral("next-reply")) {
        const QString key = actionKey(o.value(QStringLiteral("action")));
        const QJsonValue reply = o.value(QStringLiteral("reply"));
        if (key.isEmpty() || !reply.isString())
            return failure(400, QStringLiteral("next-reply needs \"action\" (a number or \"any\") and \"reply\" (text)"));
        auto& queue = queued_[key];
        queue.push_back(reply.toString().toStdString());
        return success({{QStringLiteral("queued"), qint64(queue.size())}});
    }
    if (cmd == QStringLiteral("set-credit")) {
        const auto i = findAccount(o.value(QStringLiteral("identity")).toString());
        if (!i)
            return failure(404, QStringLiteral("no account answers to that identity"));
        if (!o.value(QStringLiteral("credit")).isDouble())
            return failure(400, QStringLiteral("set-credit needs a number \"credit\""));
        accounts_[*i].credit = o.value(QStringLiteral("credit")).toInteger();
        return success();
    }
    if (cmd == QStringLiteral("settle")) {
        for (Package& p : packages_)
            p.settled = true;
        return success({{QStringLiteral("packages"), qint64(packages_.size())}});
    }
    if (cmd == QStringLiteral("reset")) {
        accounts_ = initialAccounts_;
        packages_.clear();
        queued_.clear();
        nextId_ = firstId_;
        return success();
    }
    if (cmd == QStringLiteral("state"))
        return success(state(o.value(QStringLiteral("numbers")).toBool(true)));
    if (cmd == QStringLiteral("shutdown")) {
        ControlReply r = success();
        r.shutdown = true;
        return r;
    }
    return failure(400, QStringLiteral("unknown cmd \"%1\"").arg(cmd));
}

QJsonObject Emulator::state(bool withNumbers) const {
    QJsonArray accounts;
    for (const Account& a : accounts_)
        accounts.append(QJsonObject{{QStringLiteral("user"), a.user},
                                    {QStringLiteral("clientCode"), a.clientCode},
                                    {QStringLiteral("credit"), a.credit},
                                    {QStringLiteral("originators"), QJsonArray::fromStringList(a.originators)}});
    const QDateTime now = QDateTime::currentDateTime();
    QJsonArray packages;
    for (const Package& p : packages_) {
        QJsonArray numbers;
        for (size_t i = 0; withNumbers && i < p.recipients.size(); ++i) {
            const Recipient& r = p.recipients[i];
            numbers.append(QJsonObject{{QStringLiteral("number"), r.number},
                                       {QStringLiteral("text"), r.text},
                                       {QStringLiteral("status"), QString(QLatin1Char(status(p, r, now)))}});
        }
        packages.append(QJsonObject{{QStringLiteral("id"), QString::number(p.id)},
                                    {QStringLiteral("user"), accounts_[p.account].user},
                                    {QStringLiteral("action"), p.action},
                                    {QStringLiteral("originator"), p.originator},
                                    {QStringLiteral("accepted"), p.accepted.toString(Qt::ISODateWithMs)},
                                    {QStringLiteral("sendAt"), p.sendAt.toString(Qt::ISODateWithMs)},
                                    {QStringLiteral("scheduled"), bool(p.scheduled)},
                                    {QStringLiteral("charged"), p.charged},
                                    {QStringLiteral("recipients"), qint64(p.recipients.size())},
                                    {QStringLiteral("numbers"), numbers}});
    }
    QJsonObject queued;
    for (const auto& [key, replies] : queued_) {
        QJsonArray list;
        for (const std::string& r : replies)
            list.append(QString::fromStdString(r));
        if (!list.isEmpty())
            queued.insert(key, list);
    }
    return {{QStringLiteral("settleMs"), settleMs_},
            {QStringLiteral("nextPackageId"), QString::number(nextId_)},
            {QStringLiteral("accounts"), accounts},
            {QStringLiteral("packages"), packages},
            {QStringLiteral("queued"), queued}};
}

} // namespace gwemu
