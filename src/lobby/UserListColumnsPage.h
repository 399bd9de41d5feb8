#pragma once

#include "lobby/UserListColumns.h"
#include "platform/PropertySheet.h"

#include <array>

// The page of the lobby settings that chooses the player lists' columns, as the lists see it: one
// check flag for each of the columns 1 to 12 and 14 (Nickname is always shown, column 13 never). The
// page itself holds no settings; the open lists fill its flags and read them back.
class CUserListColumnsPage : public platform::PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CUserListColumnsPage, platform::PropertyPage)
public:
    explicit CUserListColumnsPage(QWidget* parent = nullptr)
        : platform::PropertyPage(QStringLiteral("Columns"), parent) {}

    // Whether a column has a flag on this page.
    static constexpr bool HasFlag(int column) {
        return UserListColumn::IsValid(column) && column != UserListColumn::Nickname &&
               column != UserListColumn::Spare;
    }
    bool IsColumnChecked(int column) const { return HasFlag(column) && m_flags[column] != 0; }
    void SetColumnChecked(int column, bool checked) {
        if (HasFlag(column))
            m_flags[column] = checked ? 1 : 0;
    }

protected:
    // The flags as the page's check boxes exchange them (indexed by column number).
    std::array<int, UserListColumn::kCount> m_flags{};
};
