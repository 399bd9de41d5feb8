#include "MailOffice.h"

#include "support/Utilities.h"

void CMailOffice::LoggedIn(Client* client) {
    const QString nickname = client->record.GetNickname();
    if (QStringList* kept = m_keptAnswers.Find(nickname)) {
        const QStringList texts = *kept;
        m_keptAnswers.RemoveKey(nickname);
        for (const QString& text : texts)
            answer(client, text);
    }
    sendReceipts(client);
    sendWaitingCount(client);
}

void CMailOffice::ConnectionClosed(const Client* client) {
    m_mail.ConnectionClosed(client->serial);
    const QString nickname = client->record.GetNickname();
    std::deque<Watched>* watched = m_watched.Find(nickname);
    if (!watched)
        return;
    const qint64 now = m_clock.elapsed();
    for (auto it = watched->begin(); it != watched->end();) {
        if (it->connection != client->connection) {
            ++it;
            continue;
        }
        if (now - it->writtenAt < kAnswerWatchMs || client->connection->BytesSent() < it->mark)
            keepAnswer(nickname, it->text);
        it = watched->erase(it);
    }
    if (watched->empty())
        m_watched.RemoveKey(nickname);
}

void CMailOffice::answer(Client* client, const QString& text) {
    const QString nickname = client->record.GetNickname();
    if (!client->connection->IsOpen() || !client->connection->SendPlain(MailPacket::kType, text)) {
        keepAnswer(nickname, text);
        return;
    }
    std::deque<Watched>& watched = m_watched[nickname];
    forgetDelivered(watched);
    if (watched.size() >= kMaxWatchedAnswers)
        watched.pop_front();
    watched.push_back({client->connection, text, m_clock.elapsed(), client->connection->BytesQueued()});
}

void CMailOffice::keepAnswer(const QString& sender, const QString& text) {
    QStringList* kept = m_keptAnswers.Find(sender);
    if (!kept) {
        m_keptAnswers.SetAt(sender, QStringList());
        kept = m_keptAnswers.Find(sender);
    }
    kept->append(text);
    if (kept->size() > kMaxKeptAnswers)
        kept->removeFirst();
}

void CMailOffice::forgetDelivered(std::deque<Watched>& watched) const {
    const qint64 now = m_clock.elapsed();
    while (!watched.empty() && now - watched.front().writtenAt >= kAnswerWatchMs &&
           watched.front().connection->BytesSent() >= watched.front().mark)
        watched.pop_front();
}

void CMailOffice::OnMail(Client* client, const QString& text) {
    const QString nickname = client->record.GetNickname();
    if (const std::optional<QString> asker = MailPacket::ParseRequest(text)) {
        if (SameNickname(*asker, nickname))
            deliverMail(client);
        return;
    }
    if (const std::optional<MailPacket::FilingResult> result = MailPacket::ParseFilingResult(text)) {
        if (SameNickname(result->nickname, nickname))
            onFilingResult(client, *result);
        return;
    }
    std::optional<MailPacket::Message> message = MailPacket::ParseSend(text);
    if (!message || !SameNickname(message->from, nickname)) {
        log(QStringLiteral("mail from %1 dropped: %2").arg(nickname, text.left(80)));
        return;
    }
    if ((m_options.accountFlags & 1u) == 0) {
        log(QStringLiteral("mail from %1 refused: the account may not send mail").arg(nickname));
        answer(client, MailPacket::FormatDeliveryResult(nickname, false, message->messageId));
        return;
    }
    QStringList recipients;
    QString badName;
    if (!CMailStore::Recipients(*message, recipients, &badName) || !allMembers(recipients, &badName)) {
        log(QStringLiteral("mail from %1 undeliverable: bad recipient \"%2\"").arg(nickname, badName));
        answer(client, MailPacket::FormatDeliveryResult(nickname, false, message->messageId));
        return;
    }
    if (!m_mail.SenderHasRoom(nickname, *message, recipients)) {
        log(QStringLiteral("mail from %1 undeliverable: his letters waiting for their recipients fill his quota")
                .arg(nickname));
        answer(client, MailPacket::FormatDeliveryResult(nickname, false, message->messageId));
        return;
    }
    QString fullName;
    if (!m_mail.HasRoom(*message, recipients, &fullName)) {
        log(fullName.isEmpty() ? QStringLiteral("mail from %1 undeliverable: the server holds all the mail it can")
                                     .arg(nickname)
                               : QStringLiteral("mail from %1 undeliverable: the mailbox of %2 is full")
                                     .arg(nickname, fullName));
        answer(client, MailPacket::FormatDeliveryResult(nickname, false, message->messageId));
        return;
    }
    message->from = nickname;
    message->dateSent = CurrentTimeStampText();
    m_mail.Post(nickname, *message, recipients);
    answer(client, MailPacket::FormatDeliveryResult(nickname, true, message->messageId));
    log(QStringLiteral("mail from %1 to %2").arg(nickname, recipients.join(QLatin1Char(' '))));
    // Letters wait here until their recipient asks for them (his client does while his mailbox is
    // open); meanwhile he is told how many wait.
    for (const QString& recipient : recipients) {
        if (Client* online = findUser(recipient))
            sendWaitingCount(online);
    }
}

bool CMailOffice::allMembers(const QStringList& names, QString* unknown) const {
    for (const QString& name : names) {
        if (!m_accounts.IsMember(name)) {
            if (unknown)
                *unknown = name;
            return false;
        }
    }
    return true;
}

void CMailOffice::sendReceipts(Client* client) {
    const QString nickname = client->record.GetNickname();
    for (const CMailStore::Receipt& receipt : m_mail.TakeReceipts(nickname))
        answer(client, MailPacket::FormatAcknowledged(nickname, receipt.messageId));
}

void CMailOffice::sendWaitingCount(Client* client) {
    const QString nickname = client->record.GetNickname();
    client->connection->SendPlain(MailPacket::kType, MailPacket::FormatPendingCount(nickname, m_mail.WaitingFor(nickname)));
}

void CMailOffice::deliverMail(Client* client) {
    const QString nickname = client->record.GetNickname();
    sendReceipts(client);
    // Each letter stays here until the client says it has filed it; those it could not file before
    // are handed over again.
    for (CMailStore::Letter& letter : m_mail.HandOver(nickname, client->serial)) {
        letter.message.deliveryId = m_mail.DeliveryId(letter.letterId);
        client->connection->SendPlain(MailPacket::kType, MailPacket::FormatNewMessage(nickname, letter.message));
    }
    sendWaitingCount(client);
}

void CMailOffice::onFilingResult(Client* client, const MailPacket::FilingResult& result) {
    const QString nickname = client->record.GetNickname();
    for (const QString& text : result.deliveryIds) {
        const std::optional<quint64> letterId = m_mail.LetterOf(text);
        if (!letterId)
            continue;
        if (!result.filed) {
            m_mail.NotFiled(nickname, *letterId, client->serial);
        } else if (const std::optional<quint64> mailId = m_mail.Filed(nickname, *letterId)) {
            letterDelivered(*mailId);
        }
    }
    if (!result.filed) {
        log(QStringLiteral("%1 could not file %2 letter(s); they are kept").arg(nickname).arg(result.deliveryIds.size()));
        sendWaitingCount(client);
    }
}

void CMailOffice::letterDelivered(quint64 mailId) {
    const std::optional<CMailStore::Receipt> receipt = m_mail.Delivered(mailId);
    if (!receipt)
        return;
    if (Client* sender = findUser(receipt->sender))
        answer(sender, MailPacket::FormatAcknowledged(receipt->sender, receipt->messageId));
    else
        m_mail.KeepReceipt(*receipt);
}
