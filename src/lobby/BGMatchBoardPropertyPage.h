#pragma once

#include "lobby/UserListColumnsPage.h"

// "Columns" of the lobby settings: which columns the match board shows, and a button that restores
// the default columns. The page keeps no settings: the open match boards fill its boxes when it is
// made and read them when it is applied ("KELDERWICK_VIEW_PROPERTIES_INIT", "..._CHANGED", with the
// page); with no board open every box starts cleared. "Play Preferences" cannot be chosen.
class CBGMatchBoardPropertyPage : public CUserListColumnsPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBGMatchBoardPropertyPage, CUserListColumnsPage)
public:
    static constexpr int kTemplateId = 193;
    static constexpr int kRestoreDefaultId = 1572;
    static constexpr int kPlayPreferencesId = 1161;
    static constexpr char kViewInitMessage[] = "KELDERWICK_VIEW_PROPERTIES_INIT";
    static constexpr char kViewChangedMessage[] = "KELDERWICK_VIEW_PROPERTIES_CHANGED";
    static constexpr char kRestoreDefaultMessage[] = "KELDERWICK_RESTORE_DEFAULT_COLUMN_SETTINGS";

    // A check box of the page: its control id, its label and the column it stands for.
    struct Box {
        int id;
        const char* label;
        int column;
    };
    static const std::array<Box, 13>& Boxes();

    explicit CBGMatchBoardPropertyPage(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void DoDataExchange(platform::DataExchange& dx) override;
    // Tells the boards to show the checked columns.
    void OnOK() override;
    // The boards go back to their default columns and the boxes show them.
    void RestoreDefaults();

private:
    void onBoxClicked(int column, int id);
};
