#include "lobby/PlayerInfoSubDoc.h"

#include "game/ClientGameFactory.h"
#include "session/SessionDoc.h"
#include "lobby/PlayerInfoDlg.h"

#include <QHash>

namespace {

QHash<const CSessionDoc*, CPlayerInfoSubDoc*>& subDocuments() {
    static QHash<const CSessionDoc*, CPlayerInfoSubDoc*> map;
    return map;
}

} // namespace

std::optional<CPlayerInfoSubDoc::Location> CPlayerInfoSubDoc::ParseLocateReply(const QString& text) {
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 2 || words[0] != QLatin1String(CPlayerInfoDlg::kLocateCookie))
        return std::nullopt;
    Location location;
    QString entry;
    const qsizetype at = words[1].indexOf(QLatin1Char('@'));
    if (at >= 0) {
        location.name = words[1].left(at);
        entry = words[1];
    } else {
        location.name = words[1];
        entry = words.value(2);
    }
    if (location.name.isEmpty())
        return std::nullopt;
    location.text = QString::fromLatin1(CPlayerInfoDlg::kUnknownLocation);
    if (entry.isEmpty())
        return location;
    const qsizetype sign = entry.indexOf(QLatin1Char('@'));
    const QString user = sign < 0 ? entry : entry.left(sign);
    const CServiceName service(sign < 0 ? QString() : entry.mid(sign + 1));
    if (service.IsEmpty()) {
        location.text = QStringLiteral("Not Logged In");
        return location;
    }
    location.service = service;
    const CClientGameFactory& game = CClientGameFactory::GetFactory();
    const QString word = service.GetFirstPart();
    if (word == QLatin1String("mb"))
        location.text = service.GetDisplayName();
    else if (word == game.GetServiceWord())
        location.text = FormatGameLocation(service, game.GetGameName(), user);
    else
        location.text = QStringLiteral("Logged In");
    return location;
}

CPlayerInfoSubDoc::CPlayerInfoSubDoc(CSessionDoc* session) : CSubDocument(session) {
    if (CSessionDoc* own = GetSession()) {
        subDocuments().insert(own, this);
        own->SetPlayerInfoHandler([this](const QString& nickname) { ShowPlayerInfo(nickname, -1); });
    }
}

CPlayerInfoSubDoc::~CPlayerInfoSubDoc() {
    DestroyDialog();
    for (auto it = subDocuments().begin(); it != subDocuments().end();) {
        if (it.value() == this) {
            if (CSessionDoc* session = GetSession(); session && it.key() == session)
                session->SetPlayerInfoHandler(nullptr);
            it = subDocuments().erase(it);
        } else {
            ++it;
        }
    }
}

CPlayerInfoSubDoc* CPlayerInfoSubDoc::Attach(CSessionDoc& session) {
    if (CPlayerInfoSubDoc* existing = Find(&session))
        return existing;
    CPlayerInfoDlgOriginal::RegisterWithFactory();
    return static_cast<CPlayerInfoSubDoc*>(session.AdoptSubDocument(std::make_unique<CPlayerInfoSubDoc>(&session)));
}

CPlayerInfoSubDoc* CPlayerInfoSubDoc::Find(const CSessionDoc* session) {
    return session ? subDocuments().value(session, nullptr) : nullptr;
}

void CPlayerInfoSubDoc::ShowPlayerInfo(const QString& nickname, int page) {
    CSessionDoc* session = GetSession();
    if (!session)
        return;
    if (!m_dialog) {
        QDialog* made = CClientGameFactory::GetFactory().CreatePlayerInfoDialog(session);
        m_dialog = qobject_cast<CPlayerInfoDlg*>(made);
        if (!m_dialog) {
            delete made;
            return;
        }
        m_dialog->EnsureInitialized();
    }
    if (page == CPlayerInfoDlg::kPageAccount || page == CPlayerInfoDlg::kPageEditPersonal)
        m_dialog->EnsureSelfTabs();
    m_dialog->ShowPlayer(nickname, page);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

CPlayerInfoDlg* CPlayerInfoSubDoc::GetDialog() const {
    return m_dialog.data();
}

void CPlayerInfoSubDoc::DestroyDialog() {
    if (CPlayerInfoDlg* dialog = m_dialog.data()) {
        dialog->SaveWindowRect();
        delete dialog;
    }
}

int CPlayerInfoSubDoc::OnPacket(int type, const QString& text) {
    if (type != kPacketLocateReply)
        return 0;
    const std::optional<Location> location = ParseLocateReply(text);
    if (!location)
        return 0;
    if (CSessionDoc* session = GetSession())
        session->MarkPacketRead();
    if (m_dialog)
        m_dialog->OnLocation(location->name, location->text, location->service);
    return 0;
}

int CPlayerInfoSubDoc::OnSessionEvent(int code, const QString& text) {
    (void)code;
    (void)text;
    if (m_dialog)
        m_dialog->UpdateCommandStates();
    return 0;
}

int CPlayerInfoSubDoc::OnEvent(int code, const QVariant& argument) {
    (void)argument;
    if (code == CSessionDoc::kSubDocEventRelationList && m_dialog)
        m_dialog->ReadRelations();
    return 0;
}

bool CPlayerInfoSubDoc::OnCommand(int id) {
    CSessionDoc* session = GetSession();
    if (!session)
        return false;
    switch (id) {
    case kCmdPlayerInfo: {
        // The other player of the match the user is in (nobody outside a two-player room).
        const CServiceName& service = session->GetServiceName();
        const int index = service.FindPart(session->GetNickname());
        const QString other = index == 0 || index == 1 ? service.GetPart(1 - index) : QString();
        ShowPlayerInfo(other, -1);
        return true;
    }
    case kCmdPersonalInfo:
        ShowPlayerInfo(session->GetNickname(), CPlayerInfoDlg::kPageEditPersonal);
        return true;
    case kCmdAccount:
        ShowPlayerInfo(session->GetNickname(), CPlayerInfoDlg::kPageAccount);
        return true;
    default:
        return false;
    }
}
