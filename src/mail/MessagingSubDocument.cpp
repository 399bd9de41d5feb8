#include "mail/MessagingSubDocument.h"

#include "mail/MessageHeader.h"
#include "mail/MessagingOleDocument.h"
#include "platform/Win32Codes.h"
#include "session/DeferredMessageBox.h"
#include "session/SessionDoc.h"
#include "support/ApplicationTimer.h"
#include "support/SettingsStore.h"
#include "support/Utilities.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kPendingValue = QStringLiteral("nMessagesPending");
const QString kNotifiedValue = QStringLiteral("bNotifiedPending");

std::vector<CMessagingSubDocument*>& instances() {
    static std::vector<CMessagingSubDocument*> list;
    return list;
}

CMessagingSubDocument::MailboxFactory& mailboxFactory() {
    static CMessagingSubDocument::MailboxFactory factory;
    return factory;
}

} // namespace

CMessagingSubDocument::CMessagingSubDocument(CSessionDoc* session, const QString& mailFolder)
    : CSubDocument(session ? session : CSessionDoc::GetCurrent()) {
    instances().push_back(this);
    const QString nickname = GetOwnNickname();
    if (nickname.isEmpty())
        return;
    const QString folder = mailFolder.isEmpty() ? CMessagingOleDocument::GetMailFolderPath(GetSettingsStore()) : mailFolder;
    m_store = std::make_unique<CMessagingOleDocument>(folder, nickname);
    if (!m_store->IsOpen()) {
        // Another program of this user holds the store, or the file is damaged: mail stays off, and
        // the user hears why now rather than wondering where his mail went.
        m_storeError = m_store->OpenError();
        logError(m_storeError);
        PostDeferredMessageBox(QString::fromLatin1(kStoreUnavailable) + QStringLiteral("\n\n") + m_storeError,
                               platform::MB_OK | platform::MB_ICONEXCLAMATION);
        m_store.reset();
        return;
    }
    // New ids must differ from every id held in memory, also of messages not yet on file.
    m_store->SetIdInUseTest([this](const QString& id) { return FindHeaderById(id) != nullptr; });
    // The folders are read now, so that the server's replies find their messages with the mailbox closed.
    ReloadFolders();
    // Reports an earlier run could not send go now, and those of this run that cannot go now go at
    // the next login, before anything asks the server for mail.
    queueReports(m_store->UnreportedDeliveries(), true);
    if (GetSession())
        QObject::connect(GetSession(), &CSessionDoc::loginAccepted, &m_timerOwner, [this] { sendReports(); });
    sendReports();
}

CMessagingSubDocument::~CMessagingSubDocument() {
    // A batch being written is seen to its end, so the server hears whether it was filed.
    m_closing = true;
    WaitForFiling(60000);
    if (m_store) {
        m_store->WaitForCommit(60000);
        m_store->SaveDeliveries(); // the reports still unsent go at the next login
    }
    KillApplicationTimer(&m_refreshTimer);
    if (CMailboxWindowLink* mailbox = m_mailbox) {
        m_mailbox = nullptr;
        mailbox->DestroyMailbox();
    }
    m_folders.clear();
    m_store.reset();
    auto& list = instances();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

CMessagingSubDocument* CMessagingSubDocument::Attach(CSessionDoc& session) {
    if (CMessagingSubDocument* existing = Find(&session))
        return existing;
    return static_cast<CMessagingSubDocument*>(
        session.AdoptSubDocument(std::make_unique<CMessagingSubDocument>(&session)));
}

CMessagingSubDocument* CMessagingSubDocument::Find(const CSessionDoc* session) {
    if (!session)
        return nullptr;
    for (CMessagingSubDocument* service : instances()) {
        if (service->GetSession() == session)
            return service;
    }
    return nullptr;
}

void CMessagingSubDocument::SetMailboxFactory(MailboxFactory factory) { mailboxFactory() = std::move(factory); }

bool CMessagingSubDocument::HasMailboxFactory() { return bool(mailboxFactory()); }

// ---- Packets

int CMessagingSubDocument::OnPacket(int type, const QString& text) {
    if (type != MailPacket::kType)
        return 0;
    MailPacket::Incoming packet;
    switch (MailPacket::ParseIncoming(text, packet)) {
    case MailPacket::ParseResult::UnknownSubCode:
        return 0;
    case MailPacket::ParseResult::Malformed:
        logError(QStringLiteral("A malformed mail packet was dropped: %1").arg(text.left(120)));
        return 1;
    case MailPacket::ParseResult::Ok:
        break;
    }
    switch (packet.subCode) {
    case MailPacket::kDeliveryResult:
        return onDeliveryResult(packet);
    case MailPacket::kNewMessage:
        return onNewMessage(packet);
    case MailPacket::kAcknowledged:
        return onAcknowledged(packet);
    case MailPacket::kPendingCount:
        return onPendingCount(packet.count);
    default:
        return 0;
    }
}

int CMessagingSubDocument::setStatus(CMessageHeader* header, int status) {
    header->m_status = status;
    const int written = UpdateHeader(*header);
    if (m_mailbox)
        m_mailbox->RedrawHeader(header);
    return written;
}

int CMessagingSubDocument::onDeliveryResult(const MailPacket::Incoming& packet) {
    // A message moved since it was sent kept its id, so it is found wherever it is.
    CMessageHeader* header = FindHeaderById(packet.messageId);
    if (packet.delivered) {
        // An answer the server hands over again never takes back an acknowledgement.
        if (header && header->m_status == kStatusAcknowledged)
            return 1;
        return header ? setStatus(header, kStatusSent) : 0;
    }
    // The user hears of it even when he has deleted his copy since.
    if (m_mailbox && header)
        m_mailbox->OpenMessage(header->GetFolderName(), header->GetMessageId());
    PostDeferredMessageBox(QString::fromLatin1(kUndeliverable), platform::MB_OK | platform::MB_ICONEXCLAMATION);
    return 0;
}

int CMessagingSubDocument::onNewMessage(const MailPacket::Incoming& packet) {
    const MailPacket::Message& m = packet.message;
    // A letter handed over again is filed once: a repeat of one on file is answered with its report
    // alone, one of a letter being filed is reported with it.
    if (!m.deliveryId.isEmpty()) {
        if (m_store && m_store->IsDeliveryFiled(m.deliveryId)) {
            queueReports({m.deliveryId}, true);
            sendReports();
            return 1;
        }
        if (m_pendingDeliveries.contains(m.deliveryId)) {
            for (auto* list : {&m_arrivals, &m_filing})
                for (Arrival& arrival : *list)
                    if (arrival.deliveryId == m.deliveryId)
                        ++arrival.repeats;
            return 1;
        }
    }
    bool numeric = false;
    const int kind = m.kind.trimmed().toInt(&numeric);
    auto header = std::make_unique<CMessageHeader>(m.subject, m.from, m.to, m.cc, m.dateSent, CurrentTimeStampText(),
                                                   m.highPriority ? 1 : 0, kStatusNew, m.notifyOnReceipt ? 1 : 0,
                                                   numeric ? kind : 0);
    newMessageArrived(std::move(header), m.body, m.deliveryId);
    return 1;
}

void CMessagingSubDocument::newMessageArrived(std::unique_ptr<CMessageHeader> header, const QString& body,
                                              const QString& deliveryId) {
    if (!deliveryId.isEmpty())
        m_pendingDeliveries.insert(deliveryId);
    m_arrivals.push_back(Arrival{std::move(header), body, deliveryId});
    scheduleFiling();
}

// Messages that arrive together (in one read from the server, or while a batch is being written) are
// filed with one commit, written off the GUI thread.
void CMessagingSubDocument::scheduleFiling() {
    if (m_filingScheduled || !m_filing.empty() || m_closing)
        return;
    m_filingScheduled = true;
    QTimer::singleShot(0, &m_timerOwner, [this] {
        m_filingScheduled = false;
        startFiling();
    });
}

void CMessagingSubDocument::startFiling() {
    if (m_arrivals.empty() || !m_filing.empty())
        return;
    const size_t count = std::min(m_arrivals.size(), kMaxFilingBatch);
    m_filing.assign(std::make_move_iterator(m_arrivals.begin()), std::make_move_iterator(m_arrivals.begin() + qsizetype(count)));
    m_arrivals.erase(m_arrivals.begin(), m_arrivals.begin() + qsizetype(count));
    if (!m_store) {
        filingDone(false, m_storeError.isEmpty() ? QStringLiteral("There is no mail store.") : m_storeError);
        return;
    }
    std::vector<CMessageHeader*> headers;
    QStringList bodies;
    QStringList deliveryIds;
    for (const Arrival& arrival : m_filing) {
        headers.push_back(arrival.header.get());
        bodies.append(arrival.body);
        deliveryIds.append(arrival.deliveryId);
    }
    if (!m_store->StoreInInboxInBackground(headers, bodies, deliveryIds,
                                           [this](bool filed, const QString& why) { filingDone(filed, why); }))
        filingDone(false, m_store->LastError());
}

void CMessagingSubDocument::filingDone(bool filed, const QString& why) {
    std::vector<Arrival> batch = std::move(m_filing);
    m_filing.clear();
    QStringList reported;
    for (const Arrival& arrival : batch) {
        if (arrival.deliveryId.isEmpty())
            continue;
        m_pendingDeliveries.remove(arrival.deliveryId);
        for (int i = 0; i <= arrival.repeats; ++i) // every delivery has its report
            reported.append(arrival.deliveryId);
    }
    queueReports(reported, filed);
    sendReports();
    m_filingFailed = !filed;
    if (filed) {
        m_toldNotFiled = false;
        for (Arrival& arrival : batch)
            AddHeaderToFolder(QString::fromLatin1(kInbox), arrival.header);
        if (!m_closing) {
            // A burst of arrivals refreshes the mailbox once, a second after the last batch is filed.
            KillApplicationTimer(&m_refreshTimer);
            m_refreshTimer = SetApplicationTimer(kRefreshDelaySeconds, &m_timerOwner, [this](QObject*, int, void*) {
                m_refreshTimer = 0;
                if (m_mailbox)
                    m_mailbox->RefreshCurrentFolder();
            });
        }
    } else {
        logError(QStringLiteral("%1 arriving message(s) could not be filed and were left on the server: %2")
                     .arg(batch.size())
                     .arg(why));
        if (!m_toldNotFiled && !m_closing) {
            m_toldNotFiled = true;
            PostDeferredMessageBox(QString::fromLatin1(kNotFiled) + QStringLiteral("\n\n") + why,
                                   platform::MB_OK | platform::MB_ICONEXCLAMATION);
        }
    }
    if (!m_arrivals.empty())
        m_closing ? startFiling() : scheduleFiling();
}

void CMessagingSubDocument::queueReports(const QStringList& deliveryIds, bool filed) {
    const QString nickname = GetOwnNickname();
    if (nickname.isEmpty())
        return;
    // Each report stays within one frame, however long the server's ids are.
    QStringList ids;
    const qsizetype empty = MailPacket::FormatFilingResult(nickname, filed, {}).size();
    const qsizetype emptyUnnamed = MailPacket::FormatFilingResult(QString(), filed, {}).size();
    qsizetype size = empty;
    const auto flush = [&] {
        if (!ids.isEmpty())
            m_unsentReports.push_back(Report{MailPacket::FormatFilingResult(nickname, filed, ids), filed, ids});
        ids.clear();
        size = empty;
    };
    for (const QString& id : deliveryIds) {
        const qsizetype idSize = MailPacket::FormatFilingResult(QString(), filed, {id}).size() - emptyUnnamed;
        if (size + idSize > MailPacket::kMaxFilingResultBytes) {
            flush();
            if (size + idSize > MailPacket::kMaxFilingResultBytes) {
                // The letter is on file all the same, and a repeat of it is known as one.
                logError(QStringLiteral("A delivery id of %1 characters is too long to report").arg(id.size()));
                continue;
            }
        }
        ids.append(id);
        size += idSize;
        if (ids.size() == MailPacket::kMaxIdsPerFilingResult)
            flush();
    }
    flush();
}

void CMessagingSubDocument::sendReports() {
    while (!m_unsentReports.empty()) {
        if (!SendPacketText(MailPacket::kType, m_unsentReports.front().text)) {
            // The server keeps the letters until it hears of them: the reports go at the next login
            // (the session tells), or with the next report or request that gets through.
            if (!m_toldReportsWait)
                logError(QStringLiteral("%1 mail filing report(s) could not be sent; they are sent at the next login")
                             .arg(m_unsentReports.size()));
            m_toldReportsWait = true;
            break;
        }
        m_unsentReports.pop_front();
        m_toldReportsWait = false;
    }
    if (m_store) {
        // What was filed and not reported is reported by the next run, should this one end first.
        QStringList unreported;
        for (const Report& report : m_unsentReports)
            if (report.filed)
                unreported += report.deliveryIds;
        m_store->SetUnreportedDeliveries(unreported);
    }
}

bool CMessagingSubDocument::IsFilingInProgress() const {
    return !m_arrivals.empty() || !m_filing.empty();
}

bool CMessagingSubDocument::WaitForFiling(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (IsFilingInProgress()) {
        if (m_filing.empty()) {
            m_filingScheduled = false; // the queued start, should it still come, finds nothing to do
            startFiling();
        }
        const qint64 left = ms - clock.elapsed();
        if (left <= 0)
            return false;
        if (m_store && m_store->IsFilingInProgress() && !m_store->WaitForFiling(int(left)))
            return false;
    }
    return true;
}

int CMessagingSubDocument::onAcknowledged(const MailPacket::Incoming& packet) {
    CMessageHeader* header = FindHeaderById(packet.messageId);
    return header ? setStatus(header, kStatusAcknowledged) : 0;
}

int CMessagingSubDocument::onPendingCount(int count) {
    // The server keeps mail until it is asked for it: while the mailbox is open it is asked at once.
    // After a filing failed it is left to the user (Get), so as not to ask for what would fail again.
    if (count > 0 && IsMailboxVisible() && !m_filingFailed && RequestPendingMessages())
        return 1;
    CSettingsStore& settings = GetSettingsStore();
    settings.WriteInt(kSettings, kPendingValue, count);
    settings.WriteInt(kSettings, kNotifiedValue, count == 0 ? 1 : 0);
    if (GetSession())
        GetSession()->UpdateAllViews(nullptr, CSessionDoc::kHintMailCount);
    return 1;
}

int CMessagingSubDocument::GetPendingCount() {
    return GetSettingsStore().GetIntEx(kSettings, kPendingValue, 0);
}

bool CMessagingSubDocument::RequestPendingMessages() {
    const QString nickname = GetOwnNickname();
    if (!IsServiceActive() || nickname.isEmpty())
        return false;
    // The server hears what was filed before it hands over what waits, so it does not hand it again.
    sendReports();
    const bool sent = SendPacketText(MailPacket::kType, MailPacket::FormatRequest(nickname));
    GetSettingsStore().WriteInt(kSettings, kPendingValue, 0);
    GetSession()->UpdateAllViews(nullptr, CSessionDoc::kHintMailCount);
    return sent;
}

bool CMessagingSubDocument::SendMail(std::unique_ptr<CMessageHeader> header, const QString& body) {
    if (!header || !m_store)
        return false;
    if (IsMailBarred()) {
        PostDeferredMessageBox(QString::fromLatin1(kMailBarred), platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return false;
    }
    if (!m_store->StoreInOutbox(*header, body)) {
        // Without its copy on file the message could never be matched with the server's replies.
        PostDeferredMessageBox(QStringLiteral("Your message could not be filed in \"Sent Items\", so it was not "
                                              "sent.\n%1")
                                   .arg(m_store->LastError()),
                               platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return false;
    }
    const QString text = MailPacket::FormatSend(*header, body);
    const bool sent = SendPacketText(MailPacket::kType, text, int(text.size()));
    if (!sent)
        PostDeferredMessageBox(QString::fromLatin1(kFiledNotSent), platform::MB_OK | platform::MB_ICONEXCLAMATION);
    AddHeaderToFolder(QString::fromLatin1(kOutbox), header);
    if (m_mailbox)
        m_mailbox->RefreshCurrentFolder();
    return sent;
}

// ---- The mailbox window

bool CMessagingSubDocument::CanToggleMailbox() const {
    return m_mailbox || (m_store && HasMailboxFactory());
}

void CMessagingSubDocument::ToggleMailbox() {
    if (CMailboxWindowLink* mailbox = m_mailbox) {
        if (!mailbox->QueryClose())
            return;
        m_mailbox = nullptr;
        mailbox->DestroyMailbox();
        return;
    }
    if (!m_store || !HasMailboxFactory())
        return;
    ReloadFolders();
    m_mailbox = mailboxFactory()(*this, QStringLiteral("Quorl Messages for %1").arg(GetOwnNickname()));
    if (m_mailbox)
        RequestPendingMessages();
}

void CMessagingSubDocument::MailboxClosed(CMailboxWindowLink* window) {
    if (m_mailbox != window)
        return;
    m_mailbox = nullptr;
    // The main window's mail button shows whether the mailbox is open: it looks again.
    if (GetSession())
        GetSession()->UpdateAllViews(nullptr, CSessionDoc::kHintMailCount);
}

bool CMessagingSubDocument::OnCommand(int id) {
    if (id != kCmdToggleMailbox)
        return false;
    ToggleMailbox();
    return true;
}

// ---- Folders and messages

void CMessagingSubDocument::ReloadFolders() {
    if (m_store)
        m_store->LoadAllFolders(m_folders);
}

CMsgFolderObject* CMessagingSubDocument::FindFolder(const QString& name) const {
    for (const auto& folder : m_folders) {
        if (folder->GetName() == name)
            return folder.get();
    }
    return nullptr;
}

CMessageHeader* CMessagingSubDocument::FindHeaderById(const QString& id) const {
    if (id.isEmpty())
        return nullptr;
    for (const auto& folder : m_folders) {
        if (CMessageHeader* header = folder->FindHeader(id))
            return header;
    }
    return nullptr;
}

CMessageHeader* CMessagingSubDocument::AddHeaderToFolder(const QString& folder,
                                                         std::unique_ptr<CMessageHeader>& header) {
    CMsgFolderObject* target = FindFolder(folder);
    if (!target || !header)
        return nullptr;
    CMessageHeader* added = target->AddHeader(header.get());
    if (added)
        header.release();
    return added;
}

bool CMessagingSubDocument::CreateFolder(const QString& name) {
    if (!m_store || !m_store->CreateFolder(name))
        return false;
    m_folders.push_back(std::make_unique<CMsgFolderObject>(name));
    return true;
}

bool CMessagingSubDocument::DeleteFolder(const QString& name) {
    if (!m_store || !m_store->DeleteFolder(name))
        return false;
    auto it = std::find_if(m_folders.begin(), m_folders.end(), [&](const auto& f) { return f->GetName() == name; });
    if (it != m_folders.end())
        m_folders.erase(it);
    return true;
}

bool CMessagingSubDocument::DeleteMessage(const QString& folder, const QString& id) {
    if (!m_store || !m_store->DeleteMessage(folder, id))
        return false;
    if (CMsgFolderObject* object = FindFolder(folder)) {
        if (CMessageHeader* header = object->FindHeader(id))
            object->RemoveHeader(header);
    }
    return true;
}

bool CMessagingSubDocument::MoveOrCopy(const QString& destination, const QString& source, const QString& id,
                                       bool move) {
    if (!m_store || destination.isEmpty() || source.isEmpty() || id.isEmpty() || destination == source)
        return false;
    auto header = std::make_unique<CMessageHeader>();
    QString body;
    // A move is one commit (the original goes only with its copy on file) and keeps the id; a copy
    // is filed under an id of its own.
    const bool done = move ? m_store->MoveMessage(*header, source, id, destination)
                           : m_store->ReadMessage(*header, body, source, id) &&
                                 m_store->StoreMessage(*header, body, destination);
    if (!done) {
        logError(QStringLiteral("A message could not be filed in %1: %2").arg(destination, m_store->LastError()));
        return false;
    }
    if (move)
        removeHeaders({{source, id}});
    AddHeaderToFolder(destination, header); // a header no folder object takes goes with the pointer
    return true;
}

int CMessagingSubDocument::DeleteMessages(const std::vector<MailKey>& messages) {
    if (!m_store)
        return 0;
    const std::vector<MailKey> removed =
        m_store->DeleteMessages(messages, [this](bool filed, const QString& why) { commandCommitted(filed, why); });
    removeHeaders(removed);
    return int(removed.size());
}

int CMessagingSubDocument::MoveOrCopyMessages(const QString& destination, const std::vector<MailKey>& messages,
                                              bool move, std::vector<QString>* newIds) {
    if (newIds)
        newIds->assign(messages.size(), QString());
    if (!m_store || destination.isEmpty())
        return 0;
    std::vector<std::unique_ptr<CMessageHeader>> copies = m_store->MoveMessages(
        destination, messages, move, [this](bool filed, const QString& why) { commandCommitted(filed, why); });
    std::vector<MailKey> moved;
    int done = 0;
    for (size_t i = 0; i < copies.size() && i < messages.size(); ++i) {
        if (!copies[i])
            continue;
        ++done;
        const MailKey& key = messages[i];
        if (newIds)
            (*newIds)[i] = copies[i]->GetMessageId();
        if (move)
            moved.push_back(key);
        AddHeaderToFolder(destination, copies[i]);
    }
    removeHeaders(moved);
    return done;
}

void CMessagingSubDocument::removeHeaders(const std::vector<MailKey>& messages) {
    for (const auto& [folder, ids] : GroupByFolder(messages)) {
        if (CMsgFolderObject* object = FindFolder(folder))
            object->RemoveHeaders(ids);
    }
}

void CMessagingSubDocument::commandCommitted(bool filed, const QString& why) {
    if (filed)
        return;
    // The store went back to what is on disk: the folders show that again.
    logError(QStringLiteral("A change to the mail folders could not be written: %1").arg(why));
    ReloadFolders();
    if (m_mailbox)
        m_mailbox->RefreshCurrentFolder();
    if (!m_closing)
        PostDeferredMessageBox(QStringLiteral("Your mail folders could not be changed, so the messages stay where "
                                              "they were.\n%1")
                                   .arg(why),
                               platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

bool CMessagingSubDocument::IsCommandCommitPending() const { return m_store && m_store->IsCommitPending(); }

int CMessagingSubDocument::ReadMessage(CMessageHeader& header, QString& body, const QString& folder,
                                       const QString& id) {
    return m_store ? m_store->ReadMessage(header, body, folder, id) : 0;
}

int CMessagingSubDocument::UpdateHeader(const CMessageHeader& header) {
    return m_store ? m_store->UpdateHeader(header) : 0;
}

bool CMessagingSubDocument::ExportMessageText(const QString& filePath, const QString& folder, const QString& id,
                                              bool newFile) {
    return m_store && m_store->ExportMessageText(filePath, folder, id, newFile);
}

// ---- Session

QString CMessagingSubDocument::GetOwnNickname() const {
    return GetSession() ? GetSession()->GetNickname() : QString();
}

bool CMessagingSubDocument::IsServiceActive() const {
    return GetSession() && GetSession()->GetServiceActive() != 0;
}

bool CMessagingSubDocument::IsMailBarred() const {
    return GetSession() && GetSession()->IsMailBarred();
}

QString CMessagingSubDocument::ToStorageFolderName(const QString& shownName) {
    return shownName == QLatin1String(kSentItems) ? QString::fromLatin1(kOutbox) : shownName;
}

QString CMessagingSubDocument::ToShownFolderName(const QString& storageName) {
    return storageName == QLatin1String(kOutbox) ? QString::fromLatin1(kSentItems) : storageName;
}

void CMessagingSubDocument::logError(const QString& line) const {
    if (GetSession() && GetSession()->GetClientNode())
        GetSession()->GetClientNode()->Log().Write(CSysLog::Errors, line);
    qWarning("%s", qUtf8Printable(line));
}
