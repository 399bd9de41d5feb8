#pragma once

#include "platform/Object.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

namespace platform {
class ArchiveReader;
class ArchiveWriter;
} // namespace platform

// Message status values.
enum MessageStatus : int {
    kStatusNew = 0,
    kStatusRead = 1,
    kStatusReadyToSend = 2,
    kStatusSent = 3,
    kStatusAcknowledged = 4,
};

// One mail message's header: who, when, where it is stored and its state.
class CMessageHeader : public platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CMessageHeader, platform::Object)

    CMessageHeader() = default;
    CMessageHeader(const QString& subject, const QString& from, const QString& to, const QString& cc,
                   const QString& dateSent, const QString& dateReceived, int priority, int status,
                   int notifyOnReceipt, int kind);

    QString GetSubject() const { return m_subject; }
    QString GetFrom() const { return m_from; }
    QString GetTo() const { return m_to; }
    QString GetCc() const { return m_cc; }
    QString GetDateSent() const { return m_dateSent; }
    QString GetDateReceived() const { return m_dateReceived; }
    QString GetFolderName() const { return m_folderName; }
    QString GetMessageId() const { return m_messageId; }
    void SetFolderName(const QString& name) { m_folderName = name; }
    void SetMessageId(const QString& id) { m_messageId = id; }
    QString GetKindText() const { return QString::number(m_kind); }

    static QString StatusText(int status);
    static QString PriorityText(int priority);
    static QString ReceiptText(int notifyOnReceipt);

    // The archive form, the start of every stored message. Load leaves Kind at 1 and returns false
    // (with the reader's error) on a short or malformed record.
    void Store(platform::ArchiveWriter& archive) const;
    bool Load(platform::ArchiveReader& archive);

    // The block of "Name: value" lines put in front of a message saved as text.
    QString FormatAsText() const;

    // Read and written directly by the mail code.
    int m_status = -1;
    int m_priority = 0;
    int m_notifyOnReceipt = 0;
    int m_kind = 1; // carried on the wire only

private:
    QString m_subject, m_from, m_to, m_cc, m_dateSent, m_dateReceived, m_folderName, m_messageId;
};

// A store folder's name with the headers of its messages, in load or arrival order; owns them.
class CMsgFolderObject : public platform::Object {
public:
    explicit CMsgFolderObject(const QString& name) : m_name(name) {}
    ~CMsgFolderObject() override;
    CMsgFolderObject(const CMsgFolderObject&) = delete;
    CMsgFolderObject& operator=(const CMsgFolderObject&) = delete;

    const QString& GetName() const { return m_name; }

    // Takes the object when it is a header and returns it (its position); returns null otherwise and
    // the object stays with the caller.
    CMessageHeader* AddHeader(platform::Object* object);
    // Unlinks the header and deletes it; false when it is not in this folder.
    bool RemoveHeader(CMessageHeader* position);
    // Removes and deletes the headers of these ids in one pass -> how many went.
    int RemoveHeaders(const QStringList& ids);
    // With deleteHeaders removes and deletes every header; without, only forgets them (the caller
    // has taken them over).
    void Clear(bool deleteHeaders);

    const std::vector<CMessageHeader*>& Headers() const { return m_headers; }
    // The first header (in list order) with that id, through an index: a header's id must not
    // change while it is in a folder.
    CMessageHeader* FindHeader(const QString& messageId) const;

private:
    void rebuildIndex() const;

    QString m_name;
    std::vector<CMessageHeader*> m_headers;
    mutable QHash<QString, CMessageHeader*> m_index; // id -> first header with it
};
