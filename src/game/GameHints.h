#pragma once

#include "platform/Object.h"

// Update hints the game documents and their views exchange.
namespace gamehint {
constexpr int kNewRecordEntries = 4096; // data: the index of the last match-record entry
constexpr int kDisplayedMove = 4108;    // data: the record index shown, -1 the current position
constexpr int kHighlightedMove = 4109;
constexpr int kSelectionChanged = 4110;
constexpr int kDisplayModeChanged = 4113;
constexpr int kReannounceSelection = 4115;
constexpr int kMoveMarkChanged = 4118;  // data: the record index whose mark changed
constexpr int kScratchUnchecked = 4125; // data: the unchecked-steps value for the log's scratch board
constexpr int kScratchUncheckedStep = 4126;
constexpr int kClearLog = 4127;
constexpr int kBoardChanged = 4128; // the live board changed without a new record entry
constexpr int kOpponentPresence = 4129; // the opponent left the room during the match, or came back
constexpr int kConnectionClosed = 4130; // the session's connection to the server ended
} // namespace gamehint

// The number that comes with a game hint.
class CGameHint : public platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CGameHint, platform::Object)
public:
    explicit CGameHint(int data) : m_data(data) {}
    int GetData() const { return m_data; }

private:
    int m_data;
};
