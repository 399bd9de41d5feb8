#pragma once

#include "platform/PropertySheet.h"
#include "prefs/MatchBoardQuery.h"

#include <memory>

class CMatchBoardQueryDlg;
class CMBGroupQueryDlg;
class CMBFlyoverPropertyPage;

// The modal "Lobby Settings" sheet of the backgammon lobby: the match board's query ("Filter" and
// "Groups"), the list columns and the flyovers. It opens at the page the user last left it on.
class CBGMatchBoardProperties : public platform::PropertySheet {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBGMatchBoardProperties, platform::PropertySheet)
public:
    // The places of the pages, as "nOptionsPage" remembers them whether or not a columns page is given.
    enum PageSlot { kFilterSlot = 0, kGroupsSlot = 1, kColumnsSlot = 2, kFlyoverSlot = 3 };
    static constexpr char kQueryChangedMessage[] = "KELDERWICK_BG_QUERY_CHANGED";

    // columnsPage: the list columns page, which the lobby makes; it takes its place between
    // "Groups" and the flyovers. Without it the sheet has three pages.
    explicit CBGMatchBoardProperties(QWidget* parent = nullptr,
                                     std::unique_ptr<platform::PropertyPage> columnsPage = nullptr);
    ~CBGMatchBoardProperties() override;

    // Takes the query from the "Filter" and "Groups" pages, saves it and tells the windows
    // ("KELDERWICK_BG_QUERY_CHANGED", wParam 1), so the match board sends it to the server. Both
    // pages ask for it when they apply; one OK or Apply saves and tells once.
    void ApplySettings();

    const CMatchBoardQuery& Query() const { return m_query; }
    CMatchBoardQueryDlg& FilterPage() const { return *m_filter; }
    CMBGroupQueryDlg& GroupsPage() const { return *m_groups; }
    platform::PropertyPage* ColumnsPage() const { return m_columns.get(); }
    CMBFlyoverPropertyPage& FlyoverPage() const { return *m_flyover; }

    // The index of the page in that slot (-1 when the slot is empty), and back.
    int SlotToIndex(int slot) const;
    int IndexToSlot(int index) const;

    bool OnInitDialog() override;
    void OnOK() override;
    int Press(int buttonId) override;
    void done(int code) override;

private:
    // Runs one OK or Apply of the pages.
    template <class Run> auto applyRound(Run run);

    CMatchBoardQuery m_query;
    std::unique_ptr<CMatchBoardQueryDlg> m_filter;
    std::unique_ptr<CMBGroupQueryDlg> m_groups;
    std::unique_ptr<platform::PropertyPage> m_columns;
    std::unique_ptr<CMBFlyoverPropertyPage> m_flyover;
    bool m_applying = false;     // an OK or Apply is running
    bool m_queryApplied = false; // this OK or Apply has saved the query already
};
