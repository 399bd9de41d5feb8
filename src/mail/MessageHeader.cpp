#include "mail/MessageHeader.h"

#include <QSet>

#include "platform/Archive.h"

#include <algorithm>

CMessageHeader::CMessageHeader(const QString& subject, const QString& from, const QString& to, const QString& cc,
                               const QString& dateSent, const QString& dateReceived, int priority, int status,
                               int notifyOnReceipt, int kind)
    : m_status(status), m_priority(priority), m_notifyOnReceipt(notifyOnReceipt), m_kind(kind), m_subject(subject),
      m_from(from), m_to(to), m_cc(cc), m_dateSent(dateSent), m_dateReceived(dateReceived) {}

QString CMessageHeader::StatusText(int status) {
    switch (status) {
    case kStatusNew: return QStringLiteral("New");
    case kStatusRead: return QStringLiteral("Read");
    case kStatusSent: return QStringLiteral("Sent");
    case kStatusAcknowledged: return QStringLiteral("Acknowledged");
    default: return QStringLiteral("Ready to send");
    }
}

QString CMessageHeader::PriorityText(int priority) {
    return priority == 1 ? QStringLiteral("High") : QStringLiteral("Normal");
}

QString CMessageHeader::ReceiptText(int notifyOnReceipt) {
    return notifyOnReceipt ? QStringLiteral("Yes") : QStringLiteral("No");
}

void CMessageHeader::Store(platform::ArchiveWriter& archive) const {
    for (const QString* text : {&m_subject, &m_from, &m_to, &m_cc, &m_dateSent, &m_dateReceived})
        archive.WriteString(*text);
    archive.WriteInt32(m_priority);
    archive.WriteInt32(m_status);
    archive.WriteInt32(m_notifyOnReceipt);
    archive.WriteString(m_folderName);
    archive.WriteString(m_messageId);
}

bool CMessageHeader::Load(platform::ArchiveReader& archive) {
    CMessageHeader loaded;
    for (QString* text : {&loaded.m_subject, &loaded.m_from, &loaded.m_to, &loaded.m_cc, &loaded.m_dateSent,
                          &loaded.m_dateReceived})
        if (!archive.ReadString(*text))
            return false;
    qint32 priority = 0, status = 0, notify = 0;
    if (!archive.ReadInt32(priority) || !archive.ReadInt32(status) || !archive.ReadInt32(notify) ||
        !archive.ReadString(loaded.m_folderName) || !archive.ReadString(loaded.m_messageId))
        return false;
    loaded.m_priority = priority;
    loaded.m_status = status;
    loaded.m_notifyOnReceipt = notify;
    *this = loaded;
    return true;
}

QString CMessageHeader::FormatAsText() const {
    return QStringLiteral("From: %1\r\n").arg(m_from) + QStringLiteral("To: %1\r\n").arg(m_to) +
           QStringLiteral("Cc: %1\r\n").arg(m_cc) + QStringLiteral("Subject: %1\r\n").arg(m_subject) +
           QStringLiteral("Date and time sent: %1\r\n").arg(m_dateSent) +
           QStringLiteral("Date and time received: %1\r\n").arg(m_dateReceived) +
           QStringLiteral("Priority: %1\r\n").arg(PriorityText(m_priority)) +
           QStringLiteral("Notify on receipt: %1\r\n").arg(ReceiptText(m_notifyOnReceipt)) +
           QStringLiteral("Message status: %1\r\n\r\n").arg(StatusText(m_status));
}

CMsgFolderObject::~CMsgFolderObject() { Clear(true); }

CMessageHeader* CMsgFolderObject::AddHeader(platform::Object* object) {
    CMessageHeader* header = platform::object_cast<CMessageHeader>(object);
    if (header) {
        m_headers.push_back(header);
        if (!m_index.contains(header->GetMessageId())) // an earlier header with the id comes first
            m_index.insert(header->GetMessageId(), header);
    }
    return header;
}

bool CMsgFolderObject::RemoveHeader(CMessageHeader* position) {
    auto it = std::find(m_headers.begin(), m_headers.end(), position);
    if (it == m_headers.end())
        return false;
    m_headers.erase(it);
    const QString id = position->GetMessageId();
    if (m_index.value(id) == position) {
        m_index.remove(id);
        for (CMessageHeader* other : m_headers)
            if (other->GetMessageId() == id) {
                m_index.insert(id, other);
                break;
            }
    }
    delete position;
    return true;
}

int CMsgFolderObject::RemoveHeaders(const QStringList& ids) {
    const QSet<QString> gone(ids.begin(), ids.end());
    int removed = 0;
    auto end = std::remove_if(m_headers.begin(), m_headers.end(), [&](CMessageHeader* header) {
        if (!gone.contains(header->GetMessageId()))
            return false;
        delete header;
        ++removed;
        return true;
    });
    m_headers.erase(end, m_headers.end());
    for (const QString& id : gone)
        m_index.remove(id);
    return removed;
}

void CMsgFolderObject::Clear(bool deleteHeaders) {
    if (deleteHeaders)
        for (CMessageHeader* header : m_headers)
            delete header;
    m_headers.clear();
    m_index.clear();
}

void CMsgFolderObject::rebuildIndex() const {
    m_index.clear();
    for (CMessageHeader* header : m_headers)
        if (!m_index.contains(header->GetMessageId()))
            m_index.insert(header->GetMessageId(), header);
}

CMessageHeader* CMsgFolderObject::FindHeader(const QString& messageId) const {
    CMessageHeader* header = m_index.value(messageId);
    if (header && header->GetMessageId() != messageId) {
        rebuildIndex(); // an id was changed in place after all
        header = m_index.value(messageId);
    }
    return header;
}
