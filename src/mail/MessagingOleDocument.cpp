#include "mail/MessagingOleDocument.h"

#include "mail/MessageHeader.h"
#include "platform/Archive.h"
#include "platform/Cp1252.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/SettingsStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

using platform::CompoundFile;
namespace stg = platform::stg;

namespace {

const QString kFoldersStream = QString::fromLatin1(CMessagingOleDocument::kFoldersStreamName);
const QString kAddressBooks = QString::fromLatin1(CMessagingOleDocument::kAddressBooksName);
const QString kContents = QString::fromLatin1(CMessagingOleDocument::kContentsName);
const QString kDeliveries = QString::fromLatin1(CMessagingOleDocument::kDeliveriesName);
// Far more folders than anyone keeps; a longer list is damage, refused before it is read.
constexpr qint64 kMaxFolders = 10000;

// Keeps what an element name may hold.
QString nameCharacters(const QString& text) {
    QString out;
    for (QChar c : text)
        if (c.unicode() >= 0x20 && c != u'/' && c != u'\\' && c != u':' && c != u'!')
            out.append(c);
    return out;
}

// How a delivery id is kept: as it is, or, when long (the server's ids may be as long as a frame) or
// when it could pass for a digest, as '#' and its SHA-256, so that no entry passes 65 characters.
QString deliveryKey(const QString& id) {
    if (id.size() <= 64 && !id.startsWith(u'#'))
        return id;
    return QLatin1Char('#') +
           QString::fromLatin1(QCryptographicHash::hash(id.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QByteArray messageRecord(const CMessageHeader& header, const QString& body) {
    platform::ArchiveWriter archive;
    header.Store(archive);
    archive.WriteString(body);
    return archive.data();
}

} // namespace

CMessagingOleDocument::CMessagingOleDocument(const QString& mailFolder, const QString& nickname)
    : m_path(mailFolder + nickname + QStringLiteral(".nvm")) {
    if (QFileInfo::exists(m_path)) {
        const quint32 code = m_file.Open(m_path);
        if (stg::Failed(code)) {
            // A file that cannot be read is left exactly as it is; the user runs without a store.
            m_openError = QStringLiteral("The mail store %1 cannot be opened: %2").arg(m_path, m_file.error());
            return;
        }
        // Without its folder list the store cannot say where a letter belongs, and the first change
        // would write a list that has lost every folder: it is closed, left exactly as it is.
        if (!loadFromStorage())
            m_file.Close();
        return;
    }
    if (stg::Failed(m_file.Create(m_path))) {
        m_openError = QStringLiteral("The mail store %1 cannot be made: %2").arg(m_path, m_file.error());
        return;
    }
    m_file.WriteStream({kContents}, QByteArray());
    if (!CreateInitialStructure() && !QFileInfo::exists(m_path)) {
        m_openError = QStringLiteral("The mail store %1 cannot be made: %2").arg(m_path, m_lastError);
        m_file.Close();
    }
}

CMessagingOleDocument::~CMessagingOleDocument() = default;

bool CMessagingOleDocument::IsReservedName(const QString& name) {
    for (const QString& reserved : {kFoldersStream, kAddressBooks, kContents, kDeliveries})
        if (CompoundFile::CompareNames(name, reserved) == 0)
            return true;
    return false;
}

QString CMessagingOleDocument::GetMailFolderPath(CSettingsStore& settings) {
    const QString section = QStringLiteral("PathNames");
    QString folder = settings.GetString(section, QStringLiteral("MsgSystem"));
    if (folder.isEmpty())
        folder = settings.GetPathName();
    if (!folder.isEmpty() && !folder.endsWith(u'/') && !folder.endsWith(u'\\'))
        folder += u'/';
    if (settings.InstallDirFound())
        settings.WriteString(section, QStringLiteral("MsgSystem"), folder);
    return folder;
}

int CMessagingOleDocument::refuse(const QString& why) {
    m_lastError = why;
    return 0;
}

int CMessagingOleDocument::commit() {
    const quint32 code = m_file.Commit();
    if (stg::Failed(code)) {
        const QString why = m_file.error();
        m_file.Revert();
        return refuse(QStringLiteral("The mail store could not be written: %1").arg(why));
    }
    m_lastError.clear();
    return 1;
}

bool CMessagingOleDocument::loadFromStorage() {
    m_folders.clear();
    m_addressBooks.clear();
    QByteArray list;
    if (stg::Failed(m_file.ReadStream({kFoldersStream}, list))) {
        m_openError = QStringLiteral("The folder list of %1 is missing.").arg(m_path);
        return false;
    }
    platform::ArchiveReader archive(list);
    QStringList folders;
    if (!archive.ReadStringList(folders, kMaxFolders)) {
        m_openError = QStringLiteral("The folder list of %1 is damaged: %2").arg(m_path, archive.error());
        return false;
    }
    m_folders = folders;
    // The delivery list: a store without one (or with a damaged one) files every letter it is given.
    QByteArray deliveries;
    if (!stg::Failed(m_file.ReadStream({kDeliveries}, deliveries))) {
        platform::ArchiveReader reader(deliveries);
        QStringList filed, unreported;
        if (reader.ReadStringList(filed, kMaxFiledDeliveries) && reader.ReadStringList(unreported, kMaxFiledDeliveries)) {
            m_delivered = filed;
            m_deliveredSet = QSet<QString>(filed.begin(), filed.end());
            m_unreported = unreported;
        }
    }
    std::vector<CompoundFile::Element> books;
    m_file.List({kAddressBooks}, books);
    for (const CompoundFile::Element& book : books)
        if (book.kind == CompoundFile::Kind::Stream)
            m_addressBooks.append(book.name);
    return true;
}

int CMessagingOleDocument::writeFolderList() {
    platform::ArchiveWriter archive;
    archive.WriteStringList(m_folders);
    const quint32 code = m_file.WriteStream({kFoldersStream}, archive.data());
    return stg::Failed(code) ? refuse(ErrorText(code)) : 1;
}

QByteArray CMessagingOleDocument::deliveriesRecord(const QStringList& filed) const {
    platform::ArchiveWriter archive;
    archive.WriteStringList(filed);
    archive.WriteStringList(m_unreported);
    return archive.data();
}

bool CMessagingOleDocument::canKeepDeliveries() const {
    // A folder of an older store may have the name: its letters are then filed without the list.
    return !m_file.Exists({kDeliveries}, CompoundFile::Kind::Storage);
}

bool CMessagingOleDocument::IsDeliveryFiled(const QString& deliveryId) const {
    return !deliveryId.isEmpty() && m_deliveredSet.contains(deliveryKey(deliveryId));
}

void CMessagingOleDocument::SetUnreportedDeliveries(const QStringList& deliveryIds) {
    if (deliveryIds == m_unreported)
        return;
    m_unreported = deliveryIds.mid(0, kMaxFiledDeliveries);
    m_unreportedSaved = false;
}

int CMessagingOleDocument::SaveDeliveries() {
    if (m_unreportedSaved || !IsOpen() || !canKeepDeliveries())
        return 1;
    const quint32 code = m_file.WriteStream({kDeliveries}, deliveriesRecord(m_delivered));
    if (stg::Failed(code))
        return refuse(ErrorText(code));
    if (!commit())
        return 0;
    m_unreportedSaved = true;
    return 1;
}

int CMessagingOleDocument::CreateInitialStructure() {
    if (!IsOpen())
        return refuse(m_openError);
    m_folders = {QStringLiteral("Inbox"), QStringLiteral("Outbox")};
    m_addressBooks = {QStringLiteral("Default")};
    for (const QString& storage : {m_folders[0], m_folders[1], kAddressBooks}) {
        if (stg::Failed(m_file.CreateStorage({storage}))) {
            m_file.Revert();
            return refuse(QStringLiteral("The storage \"%1\" cannot be made.").arg(storage));
        }
    }
    if (!writeFolderList() || stg::Failed(m_file.WriteStream({kAddressBooks, m_addressBooks[0]}, QByteArray()))) {
        m_file.Revert();
        return refuse(QStringLiteral("The mail store's first elements cannot be made."));
    }
    return commit();
}

int CMessagingOleDocument::CreateFolder(const QString& name) {
    if (!IsOpen())
        return refuse(m_openError);
    if (!CompoundFile::IsValidName(name))
        return refuse(QStringLiteral("A folder name has 1 to 31 characters and none of / \\ : !"));
    if (IsReservedName(name))
        return refuse(QStringLiteral("The name \"%1\" is reserved.").arg(name));
    for (const QString& folder : m_folders)
        if (CompoundFile::CompareNames(folder, name) == 0)
            return refuse(QStringLiteral("A folder named \"%1\" exists already.").arg(folder));
    const quint32 code = m_file.CreateStorage({name});
    if (stg::Failed(code))
        return refuse(QStringLiteral("%1:  %2").arg(name, ErrorText(code)));
    m_folders.append(name);
    if (!writeFolderList() || !commit()) {
        m_folders.removeLast();
        m_file.Revert();
        return 0;
    }
    return 1;
}

int CMessagingOleDocument::DeleteFolder(const QString& name) {
    if (!IsOpen())
        return refuse(m_openError);
    if (name.isEmpty() || IsReservedName(name))
        return refuse(QStringLiteral("The folder \"%1\" cannot be removed.").arg(name));
    const QStringList before = m_folders;
    std::vector<CompoundFile::Element> messages;
    m_file.List({name}, messages);
    const quint32 code = m_file.Remove({name});
    const bool listed = m_folders.removeIf([&](const QString& f) { return CompoundFile::CompareNames(f, name) == 0; }) > 0;
    // A listed folder whose storage has gone is taken off the list all the same.
    if (stg::Failed(code) && !(code == stg::FILENOTFOUND && listed)) {
        m_folders = before;
        return refuse(QStringLiteral("%1:  %2").arg(name, ErrorText(code)));
    }
    if (!writeFolderList() || !commit()) {
        m_folders = before;
        m_file.Revert();
        return 0;
    }
    for (const CompoundFile::Element& message : messages)
        retire(message.name);
    return 1;
}

bool CMessagingOleDocument::holdsFolder(const QString& name) const {
    return m_folders.contains(name) && m_file.Exists({name}, CompoundFile::Kind::Storage);
}

int CMessagingOleDocument::refuseFolder(const QString& name) {
    if (!name.isEmpty() && m_file.Exists({name}, CompoundFile::Kind::Storage))
        return refuse(QStringLiteral("The folder \"%1\" is not in the folder list of %2.").arg(name, m_path));
    return refuse(QStringLiteral("%1:  %2").arg(name, ErrorText(stg::FILENOTFOUND)));
}

void CMessagingOleDocument::retire(const QString& id) {
    m_retired.insert(id.toUpper());
}

bool CMessagingOleDocument::idTaken(const QString& id) const {
    const QString key = id.toUpper();
    if (!CompoundFile::IsValidName(id) || m_reserved.contains(key) || m_retired.contains(key))
        return true;
    for (const QString& folder : m_folders)
        if (m_file.Exists({folder, id}, CompoundFile::Kind::Stream) ||
            m_file.Exists({folder, id}, CompoundFile::Kind::Storage))
            return true;
    return m_idInUse && m_idInUse(id);
}

QString CMessagingOleDocument::MakeMessageId(const CMessageHeader& header) const {
    const QString recipient = header.GetTo().trimmed().section(u' ', 0, 0, QString::SectionSkipEmpty);
    // "%Y/%m/%d:%H%M" -> year, month, day, then the first two and the last two of the time.
    const QString date = header.GetDateSent();
    const QString dayAndTime = date.section(u'/', 2);
    const QString time = dayAndTime.section(u':', 1);
    const QString stamp = date.section(u'/', 0, 0) + date.section(u'/', 1, 1) + dayAndTime.section(u':', 0, 0) +
                          time.left(2) + (time.size() >= 2 ? time.right(2) : QString());
    const QString base = (nameCharacters(recipient).left(17) + nameCharacters(stamp)).left(31);
    if (!idTaken(base))
        return base;
    // Counters go on from the last one given for this stem: a flood of messages from one sender in
    // one minute does not try every counter from 0 again for each message.
    qint64& next = m_nextCounter[base.toUpper()];
    for (qint64 counter = next;; ++counter) {
        const QString digits = QString::number(counter);
        const QString candidate = base.left(31 - digits.size()) + digits;
        if (!idTaken(candidate)) {
            next = counter + 1;
            return candidate;
        }
    }
}

int CMessagingOleDocument::StoreMessage(CMessageHeader& header, const QString& body, const QString& folder) {
    if (!IsOpen())
        return refuse(m_openError);
    if (!holdsFolder(folder))
        return refuseFolder(folder);
    header.SetMessageId(MakeMessageId(header));
    header.SetFolderName(folder);
    const quint32 code = m_file.WriteStream({folder, header.GetMessageId()}, messageRecord(header, body), true);
    if (stg::Failed(code))
        return refuse(QStringLiteral("%1:  %2").arg(header.GetMessageId(), ErrorText(code)));
    return commit();
}

bool CMessagingOleDocument::StoreInInboxInBackground(const std::vector<CMessageHeader*>& headers,
                                                     const QStringList& bodies, const QStringList& deliveryIds,
                                                     std::function<void(bool, const QString&)> done) {
    const QString inbox = QStringLiteral("Inbox");
    if (!IsOpen())
        return refuse(m_openError);
    if (headers.empty() || qsizetype(headers.size()) != bodies.size())
        return refuse(QStringLiteral("No messages given."));
    if (IsFilingInProgress())
        return refuse(QStringLiteral("Messages are being filed."));
    if (!holdsFolder(inbox))
        return refuseFolder(inbox);
    // The records are made on the worker, from copies: the headers and bodies share their text.
    auto copies = std::make_shared<std::vector<CMessageHeader>>();
    copies->reserve(headers.size());
    QStringList names;
    QStringList taken;
    for (CMessageHeader* header : headers) {
        header->SetMessageId(MakeMessageId(*header));
        header->SetFolderName(inbox);
        m_reserved.insert(header->GetMessageId().toUpper());
        taken.append(header->GetMessageId().toUpper());
        names.append(header->GetMessageId());
        copies->push_back(*header);
    }
    auto make = [copies, bodies](size_t i) { return messageRecord((*copies)[i], bodies[qsizetype(i)]); };
    // The letters' delivery ids join the list in the same commit; the oldest go beyond its bound.
    QStringList delivered = m_delivered;
    QSet<QString> added;
    for (const QString& id : deliveryIds) {
        const QString key = id.isEmpty() ? QString() : deliveryKey(id);
        if (!key.isEmpty() && !m_deliveredSet.contains(key) && !added.contains(key)) {
            added.insert(key);
            delivered.append(key);
        }
    }
    if (delivered.size() > kMaxFiledDeliveries)
        delivered.erase(delivered.begin(), delivered.end() - kMaxFiledDeliveries);
    CompoundFile::NewStream list;
    if (!added.isEmpty() && canKeepDeliveries())
        list = {kDeliveries, deliveriesRecord(delivered)};
    const QStringList unreported = m_unreported;
    const bool keepsList = !list.name.isEmpty();
    const bool started = m_file.CommitStreamsInBackground(
        inbox, names, make,
        [this, taken, delivered, unreported, keepsList, done = std::move(done)](quint32 code, const QString& why) {
            for (const QString& id : taken)
                m_reserved.remove(id);
            const bool filed = !stg::Failed(code);
            if (filed && keepsList) {
                m_delivered = delivered;
                m_deliveredSet = QSet<QString>(delivered.begin(), delivered.end());
                m_unreportedSaved = m_unreportedSaved || unreported == m_unreported;
            }
            m_lastError = filed ? QString() : QStringLiteral("The mail store could not be written: %1").arg(why);
            if (done)
                done(filed, m_lastError);
        },
        list);
    if (!started) {
        for (const QString& id : taken)
            m_reserved.remove(id);
        return refuse(QStringLiteral("The messages could not be filed."));
    }
    return true;
}

int CMessagingOleDocument::StoreInInbox(CMessageHeader& header, const QString& body) {
    return StoreMessage(header, body, QStringLiteral("Inbox"));
}

int CMessagingOleDocument::StoreInOutbox(CMessageHeader& header, const QString& body) {
    return StoreMessage(header, body, QStringLiteral("Outbox"));
}

int CMessagingOleDocument::ReadMessage(CMessageHeader& header, QString& body, const QString& folder,
                                       const QString& id) {
    QByteArray record;
    const quint32 code = m_file.ReadStream({folder, id}, record);
    if (folder.isEmpty() || id.isEmpty() || stg::Failed(code))
        return refuse(QStringLiteral("%1:  %2").arg(id, ErrorText(stg::FILENOTFOUND)));
    platform::ArchiveReader archive(record);
    CMessageHeader loaded;
    QString text;
    if (!loaded.Load(archive) || !archive.ReadString(text))
        return refuse(QStringLiteral("The message %1 is damaged: %2").arg(id, archive.error()));
    // A message is known by where it lies, whatever its record says (see LoadFolder).
    loaded.SetFolderName(folder);
    loaded.SetMessageId(id);
    header = loaded;
    body = text;
    m_lastError.clear();
    return 1;
}

int CMessagingOleDocument::UpdateHeader(const CMessageHeader& header) {
    const QString folder = header.GetFolderName();
    const QString id = header.GetMessageId();
    QByteArray record;
    if (!IsOpen() || folder.isEmpty() || id.isEmpty() || stg::Failed(m_file.ReadStream({folder, id}, record)))
        return refuse(QStringLiteral("%1:  %2").arg(id, ErrorText(stg::FILENOTFOUND)));
    // The body follows the old header: the new header goes in front of it, whatever its length.
    platform::ArchiveReader archive(record);
    CMessageHeader old;
    if (!old.Load(archive))
        return refuse(QStringLiteral("The message %1 is damaged: %2").arg(id, archive.error()));
    platform::ArchiveWriter updated;
    header.Store(updated);
    updated.WriteBytes(record.mid(archive.position()));
    const quint32 code = m_file.WriteStream({folder, id}, updated.data());
    if (stg::Failed(code))
        return refuse(ErrorText(code));
    return commit();
}

int CMessagingOleDocument::DeleteMessage(const QString& folder, const QString& id) {
    if (!IsOpen() || folder.isEmpty() || id.isEmpty())
        return refuse(QStringLiteral("No message given."));
    if (!m_file.Exists({folder, id}, CompoundFile::Kind::Stream))
        return refuse(QStringLiteral("%1:  %2").arg(id, ErrorText(stg::FILENOTFOUND)));
    m_file.Remove({folder, id});
    retire(id);
    return commit();
}

void CMessagingOleDocument::commitInBackground(CommitDone done) {
    const bool started = m_file.CommitTreeInBackground([this, done = std::move(done)](quint32 code, const QString& why) {
        const bool filed = !stg::Failed(code);
        m_lastError = filed ? QString() : QStringLiteral("The mail store could not be written: %1").arg(why);
        if (done)
            done(filed, m_lastError);
    });
    if (!started) {
        m_file.Revert();
        m_lastError = QStringLiteral("The mail store is not open.");
        if (done)
            done(false, m_lastError);
    }
}

std::vector<std::pair<QString, QStringList>> GroupByFolder(const std::vector<MailKey>& messages) {
    std::vector<std::pair<QString, QStringList>> groups;
    for (const MailKey& key : messages) {
        auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == key.folder; });
        if (group == groups.end())
            group = groups.insert(groups.end(), {key.folder, {}});
        group->second.append(key.id);
    }
    return groups;
}

std::vector<MailKey> CMessagingOleDocument::DeleteMessages(const std::vector<MailKey>& messages, CommitDone done) {
    std::vector<MailKey> removed;
    if (!IsOpen())
        return removed;
    for (const auto& [folder, ids] : GroupByFolder(messages)) {
        if (folder.isEmpty())
            continue;
        for (const QString& id : m_file.RemoveStreams(folder, ids)) {
            retire(id);
            removed.push_back({folder, id});
        }
    }
    if (!removed.empty())
        commitInBackground(std::move(done));
    return removed;
}

std::vector<std::unique_ptr<CMessageHeader>> CMessagingOleDocument::MoveMessages(const QString& destination,
                                                                                  const std::vector<MailKey>& messages,
                                                                                  bool move, CommitDone done) {
    std::vector<std::unique_ptr<CMessageHeader>> copies;
    if (!IsOpen() || !holdsFolder(destination))
        return copies;
    std::vector<std::pair<QString, QByteArray>> streams;
    std::vector<MailKey> originals;
    QStringList taken;
    for (const MailKey& key : messages) {
        auto header = std::make_unique<CMessageHeader>();
        QString body;
        if (key.folder == destination || !ReadMessage(*header, body, key.folder, key.id)) {
            copies.push_back(nullptr);
            continue;
        }
        // Each copy's id is held until the copies join the folder, so no two get the same.
        header->SetMessageId(movedId(key, destination, move, *header));
        header->SetFolderName(destination);
        m_reserved.insert(header->GetMessageId().toUpper());
        taken.append(header->GetMessageId().toUpper());
        streams.emplace_back(header->GetMessageId(), messageRecord(*header, body));
        originals.push_back(key);
        copies.push_back(std::move(header));
    }
    for (const QString& id : taken)
        m_reserved.remove(id);
    if (streams.empty())
        return copies;
    const quint32 code = m_file.AddStreams(destination, streams);
    if (stg::Failed(code)) {
        refuse(QStringLiteral("%1:  %2").arg(destination, ErrorText(code)));
        return std::vector<std::unique_ptr<CMessageHeader>>(messages.size());
    }
    if (move) {
        for (const auto& [folder, ids] : GroupByFolder(originals))
            m_file.RemoveStreams(folder, ids);
    }
    commitInBackground(std::move(done));
    return copies;
}

QString CMessagingOleDocument::movedId(const MailKey& key, const QString& destination, bool move,
                                      const CMessageHeader& header) const {
    // A message moved keeps its id, so the server's answers to a sent one find it wherever it went,
    // and no other message gets the id while it is kept. A copy, or a move into a folder that has
    // the name already (a store of another program may repeat ids across folders), gets a new one.
    const bool free = !m_reserved.contains(key.id.toUpper()) &&
                      !m_file.Exists({destination, key.id}, CompoundFile::Kind::Stream) &&
                      !m_file.Exists({destination, key.id}, CompoundFile::Kind::Storage);
    return move && free ? key.id : MakeMessageId(header);
}

int CMessagingOleDocument::MoveMessage(CMessageHeader& header, const QString& source, const QString& id,
                                       const QString& destination) {
    if (!IsOpen() || source.isEmpty() || id.isEmpty() || source == destination)
        return refuse(QStringLiteral("No message given."));
    if (!holdsFolder(destination))
        return refuseFolder(destination);
    CMessageHeader moved;
    QString body;
    if (!ReadMessage(moved, body, source, id))
        return 0;
    moved.SetMessageId(movedId({source, id}, destination, true, moved));
    moved.SetFolderName(destination);
    const quint32 code = m_file.WriteStream({destination, moved.GetMessageId()}, messageRecord(moved, body), true);
    if (stg::Failed(code))
        return refuse(QStringLiteral("%1:  %2").arg(moved.GetMessageId(), ErrorText(code)));
    m_file.Remove({source, id});
    if (!commit()) // the copy and the removal land together, or neither does
        return 0;
    header = moved;
    return 1;
}

std::unique_ptr<CMsgFolderObject> CMessagingOleDocument::LoadFolder(const QString& name) {
    if (name.isEmpty())
        return nullptr;
    std::vector<CompoundFile::Element> elements;
    const quint32 code = IsOpen() ? m_file.List({name}, elements) : stg::ACCESSDENIED;
    if (stg::Failed(code)) {
        platform::ui().MessageBox(nullptr, QStringLiteral("%1:  %2").arg(name, ErrorText(code)), QString(),
                                  platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return nullptr;
    }
    auto folder = std::make_unique<CMsgFolderObject>(name);
    for (const CompoundFile::Element& element : elements) {
        if (element.kind != CompoundFile::Kind::Stream)
            continue;
        QByteArray record;
        m_file.ReadStream({name, element.name}, record);
        platform::ArchiveReader archive(record);
        auto header = std::make_unique<CMessageHeader>();
        // A damaged message is left out; the rest of the folder still loads. A header is known by
        // where it lies: a record naming another folder or id would have its status changes written
        // over another message.
        if (header->Load(archive)) {
            header->SetFolderName(name);
            header->SetMessageId(element.name);
            folder->AddHeader(header.release());
        }
    }
    return folder;
}

void CMessagingOleDocument::LoadAllFolders(std::vector<std::unique_ptr<CMsgFolderObject>>& list) {
    list.clear();
    for (const QString& name : m_folders)
        if (auto folder = LoadFolder(name))
            list.push_back(std::move(folder));
}

bool CMessagingOleDocument::ExportMessageText(const QString& filePath, const QString& folder, const QString& id,
                                              bool newFile) {
    if (filePath.isEmpty() || folder.isEmpty() || id.isEmpty())
        return false;
    CMessageHeader header;
    QString body;
    if (!ReadMessage(header, body, folder, id))
        return false;
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | (newFile ? QIODevice::Truncate : QIODevice::Append)))
        return refuse(file.errorString());
    const QByteArray text = platform::cp1252::encode(header.FormatAsText() + body + QStringLiteral("\r\n\r\n\r\n"));
    return file.write(text) == text.size() && file.flush() ? true : refuse(file.errorString());
}

QString CMessagingOleDocument::ErrorText(quint32 code) {
    switch (code) {
    case stg::E_PENDING: return QStringLiteral("Part or all of the storage\u2019s data is currently unavailable.");
    case stg::INVALIDFUNCTION: return QStringLiteral("The specified combination of grfMode flags is not supported.");
    case stg::FILENOTFOUND: return QStringLiteral("The storage object with the specified name does not exist.");
    case stg::TOOMANYOPENFILES:
        return QStringLiteral("The storage object was not created because there are too many open files.");
    case stg::ACCESSDENIED: return QStringLiteral("Insufficient permissions to open storage object.");
    case stg::INSUFFICIENTMEMORY: return QStringLiteral("The storage object was not opened due to a lack of memory.");
    case stg::INVALIDPOINTER: return QStringLiteral("The pointer specified for the storage object was invalid.");
    case stg::INVALIDPARAMETER: return QStringLiteral("One of the parameters was invalid.");
    case stg::INVALIDNAME: return QStringLiteral("Invalid value for pwcsName.");
    case stg::INVALIDFLAG:
        return QStringLiteral("The value specified for the grfMode flag is not a valid STGM enumeration value.");
    case stg::REVERTED:
        return QStringLiteral(
            "The storage object has been invalidated by a revert operation above it in the transaction tree.");
    case stg::S_CONVERTED:
        return QStringLiteral("The existing stream with the specified name was replaced with a new storage object "
                              "containing a single stream called CONTENTS.");
    default:
        return QStringLiteral("Unknown storage error (0x%1).")
            .arg(QString::number(code, 16).toUpper().rightJustified(8, QLatin1Char('0')));
    }
}
