#pragma once

#include "platform/Win32Codes.h"

#include <QPixmap>
#include <QRect>
#include <QString>

class CClientUserInfo;
class CMBColorSettings;
class QPainter;

// The five colours of a player list (COLORREF; kNoColor draws nothing in that colour).
struct CUserListColours {
    platform::COLORREF text = 0;
    platform::COLORREF textBackground = 0xFFFFFF;
    platform::COLORREF selectedText = 0xFFFFFF;
    platform::COLORREF selectedBackground = 0x800000;
    platform::COLORREF background = 0xFFFFFF;

    bool operator==(const CUserListColours&) const = default;
};

namespace UserListPaint {
// Text starts this far inside a cell's left edge, or ends this far inside its right edge.
constexpr int kTextInset = 5;
// The user icon before the nickname and the icons of the gender, country and money columns.
constexpr int kIconSize = 16;
constexpr int kIconLeft = 5;
constexpr int kNicknameTextLeft = 21;
constexpr int kStatusIconLeft = 3;
constexpr int kStatusTextLeft = 15;
// Rows are never lower than the icons.
constexpr int kMinRowHeight = 18;
// Selected rows of a list without the focus (the lobby's list keeps showing its selection).
constexpr platform::COLORREF kUnfocusedSelection = 0xD2D2D2;

// Draws text within a cell, clipped to it: left aligned from inset pixels inside, right aligned
// ending kTextInset pixels inside, centred; vertically centred.
void DrawCellText(QPainter& painter, const QRect& cell, const QString& text, int alignment,
                  int leftInset = kTextInset);
// Draws an icon at left + x within the cell, vertically centred (a 16-pixel icon one pixel above the
// middle), clipped to the cell. Nothing for a null icon.
void DrawCellIcon(QPainter& painter, const QRect& cell, int x, const QPixmap& icon);
// The width a cell needs for text that starts leftInset pixels in.
int CellTextWidth(const QFontMetrics& metrics, const QString& text, int leftInset = kTextInset);
} // namespace UserListPaint

// The colour a user's nickname is painted in, or kNoColor for the list's own text colour. Only when
// colouring by group is on; the first group that applies and has a colour wins: the user himself,
// an unfinished match, friends, club members, robots, guides, tournament staff, member help, sysops,
// account holders (money icon 1 or more).
platform::COLORREF GroupColour(const CClientUserInfo& user, const CMBColorSettings& colours,
                               const QString& ownNickname);
