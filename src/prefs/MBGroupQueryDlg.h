#pragma once

#include "platform/PropertySheet.h"
#include "prefs/MBListSettings.h"

#include <array>

class CBGMatchBoardProperties;
class CMatchBoardQuery;

// The "Groups" page of the lobby settings: which groups of players the match board always shows,
// and the colours in which the lists paint their names.
class CMBGroupQueryDlg : public platform::PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMBGroupQueryDlg, platform::PropertyPage)
public:
    enum ControlId {
        kAllGroupsId = 1435,
        kColorNamesId = 1506,
        kFirstGroupBoxId = 1436,
        kLastGroupBoxId = 1445,
    };
    // One group: its check box, its colour button, its flag in the query and its colour.
    struct Group {
        int boxId;
        int buttonId;
        int CMatchBoardQuery::*flag;
        platform::COLORREF CMBColorSettings::*color;
        const char* text;
    };
    static constexpr int kGroupCount = 10;
    static const std::array<Group, kGroupCount>& Groups();

    // sheet: the lobby settings whose record this page edits (null for a page on its own).
    explicit CMBGroupQueryDlg(CBGMatchBoardProperties* sheet, QWidget* parent = nullptr);

    // The page's values into the record (support tracking always off: the page has no box for it),
    // and the record's into the page; a null record is ignored.
    void GetProperties(CMatchBoardQuery* query) const;
    void SetProperties(const CMatchBoardQuery* query);

    bool OnInitDialog() override;
    void DoDataExchange(platform::DataExchange& dx) override;
    // Saves the colours, has the sheet save the query, and has the lists repaint their names.
    bool OnApply() override;

    const CMBColorSettings& Colors() const { return m_colors; }

    bool trackAllGroups = false;
    std::array<int, kGroupCount> flags{};

private:
    int groupIndex(int boxId) const;
    void refreshGroupBoxes();
    void onGroupBox(int boxId);
    void onAllGroups();
    void onColorNames();
    void onColorButton(int index);
    void enableColorButtons();

    CBGMatchBoardProperties* m_sheet;
    CMBColorSettings m_colors;
};
