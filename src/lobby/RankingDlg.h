#pragma once

#include "net/RankingQuery.h"
#include "net/ServicePackets.h"
#include "session/PacketTarget.h"
#include "support/dialogs/PersistentDlg.h"
#include "support/dialogs/StickyDialog.h"

#include <QList>
#include <QPointer>

#include <optional>
#include <vector>

class CSessionDoc;
class QTreeWidget;

// The filter of the rankings window: how many players and which of them (the best, the worst, those
// around the user or another player, or those from a given place on). On OK it keeps its own fields
// and writes the ranking query the window asks with.
class CBGSelectRankingDlg : public CPersistentDlg {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBGSelectRankingDlg, CPersistentDlg)
public:
    static constexpr int kTemplateId = 207;
    static constexpr int kIdPlaces = 1286;
    static constexpr int kIdNames = 1287;
    static constexpr int kIdSpin = 1212;
    static constexpr int kIdEntries = 1211;
    // The five "show" radio buttons, in the order of their option numbers.
    static constexpr int kIdHighest = 1210;
    static constexpr int kIdLowest = 1213;
    static constexpr int kIdClosestToMe = 1214;
    static constexpr int kIdClosestTo = 1215;
    static constexpr int kIdStartingAt = 1216;
    static const QList<int>& ShowOptionIds();

    enum ShowOption { kHighest = 0, kLowest = 1, kClosestToMe = 2, kClosestTo = 3, kStartingAt = 4 };

    static constexpr int kMaxEntries = 30;
    static constexpr int kSpinMaxEntries = 10;
    static constexpr int kMaxNameLength = 24;
    static constexpr int kMaxPlace = 9999999;

    CBGSelectRankingDlg(const QString& ownNickname, QWidget* parent);

    // The fields, as the controls were last read (or as loaded).
    int m_nEntries = 10;
    int m_nShowOption = -1;
    QString m_strNamedRanking;
    int m_nNumberedRanking = 100;

    void LoadSettings();
    void SaveSettings() const;
    // The game's ranking query filled from the fields.
    CRankingQuery MakeQuery() const;

    bool OnInitDialog() override;
    void DoDataExchange(platform::DataExchange& dx) override;
    void OnOK() override;

private:
    void onShowOptionChosen();
    void enableCombos();

    QString m_ownNickname;
};

// The modeless rankings window: a page of the ranking list as the ranking service sends it, with
// paging, a refresh, the filter and the player information of a listed player. At most one is open.
// It asks with packet 239 to ".rt" and takes the answer (240) that carries its cookie.
class CBGDisplayRankingDlg : public CStickyDialog, public CPacketTarget {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBGDisplayRankingDlg, CStickyDialog)
public:
    static constexpr int kTemplateId = 206;
    static constexpr int kIdPlayerInfo = 1078;
    static constexpr int kIdList = 1198;
    static constexpr int kIdRefresh = 1208;
    static constexpr int kIdFilter = 1209;
    static constexpr int kIdNext = 1262;
    static constexpr int kIdPrevious = 1263;
    static constexpr int kIdDescription = 1264;

    static constexpr int kPacketRequest = ServicePacket::RankingRequest;
    static constexpr int kPacketReply = ServicePacket::RankingReply;
    static constexpr char kCookie[] = "BGRankingDialogCookie";
    static constexpr char kQuerySection[] = "CBGDisplayRankingDialog";
    static constexpr char kRankingService[] = ".rt";

    // The "Rankings..." command: brings up the open window, else runs the filter and, on OK, opens the
    // window. Null when nothing opened (the filter was cancelled, or "Items" of the window's settings
    // section is set).
    static CBGDisplayRankingDlg* Open(CSessionDoc* session, QWidget* parent);
    // The open rankings window, or null.
    static CBGDisplayRankingDlg* GetOpen();

    CBGDisplayRankingDlg(CSessionDoc* session, QWidget* parent);
    ~CBGDisplayRankingDlg() override;

    // One row of a ranking reply as sent: the place counts from 0, the rating is a decimal text.
    struct Row {
        int place = 0;
        QString nickname;
        QString rating;
        int experience = 0;
    };
    // Reads a ranking reply: the cookie, a row count and the rows -> the rows that read (a damaged
    // row ends the list), nothing when the first word is another cookie.
    static std::optional<std::vector<Row>> ParseReply(const QString& text);
    // The rating as the list shows it: two decimals.
    static QString FormatRating(const QString& rating);

    // Packet 240 whose first word is the cookie fills the list -> 1; anything else 0.
    int OnPacket(int type, const QString& text) override;

    bool OnInitDialog() override;
    // Closing ends the window.
    void OnCancel() override;

    // Empties the list, sends the stored query and refreshes the header.
    void RequestList();
    void RefreshHeader();
    void OnNext();
    void OnPrevious();
    // Runs the filter; on OK asks again.
    void OnFilter();
    void OnPlayerInfo();

    int GetFirstPlace() const { return m_firstPlace; }
    QTreeWidget* List() const { return m_list; }
    int RowCount() const;
    QString CellText(int row, int column) const;
    void SelectRow(int row);

private:
    void updateInfoButton();
    void showMessageRow(const QString& text);

    QString m_ownNickname;
    QString m_previousFormat;
    QString m_nextFormat;
    int m_firstPlace = 0;
    QTreeWidget* m_list = nullptr;
};
