#pragma once

#include "net/ServicePackets.h"
#include "support/dialogs/StickyDialog.h"

#include <memory>
#include <vector>

class CInvitationManager;
class QTreeWidget;
struct TUnfinishedMatchInfo;

// "Unfinished Matches" (modal): the user's unfinished matches with their players, the match and
// whether the other players are logged in now (asked with packet 112 under the cookie "UFM_Cookie").
// "&Resume" asks the other players to resume the chosen match, "&Info" shows the first other player.
class CUnfinishedMatchesDlg : public CStickyDialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CUnfinishedMatchesDlg, CStickyDialog)
public:
    static constexpr int kTemplateId = 230;
    static constexpr int kIdList = 1240;
    static constexpr int kIdResume = 1241;
    static constexpr int kIdInfo = 1242;
    static constexpr int kIdNone = 1243; // shown when there is nothing to list
    static constexpr int kWatchRequest = ServicePacket::WatchRequest;

    CUnfinishedMatchesDlg(QWidget* parent, CInvitationManager* manager,
                          const std::vector<std::unique_ptr<TUnfinishedMatchInfo>>& matches);

    bool OnInitDialog() override;
    // Packet 184: a reply to this dialog's status question ("UFM_Cookie nick@service ...") -> 1 when
    // it was one.
    int HandleReply(const QString& text);
    // A player arrived, left or changed (the directory's event text, his nickname first): his rows
    // show where the directory now has him.
    void RefreshStatus(const QString& eventText);

    // The status shown for each row ("Not logged in", the room he is in).
    QString GetStatusText(int row) const;
    int GetRowCount() const;
    void SelectRow(int row);
    void OnResume();
    void OnInfo();

private:
    QStringList otherPlayers(int row) const;
    void updateButtons();

    CInvitationManager* m_manager;
    QTreeWidget* m_list = nullptr;
    std::vector<QString> m_services; // per row
};
