#pragma once

// Command ids of the mail windows' menus and tool bars.
namespace MailCommand {
// Mailbox
constexpr int kNewFolder = 32955;
constexpr int kDeleteFolder = 32959;
constexpr int kNew = 32961;
constexpr int kView = 32963;
constexpr int kForward = 32965;
constexpr int kReply = 32967;
constexpr int kMove = 32969;
constexpr int kDelete = 32971;
constexpr int kGet = 32987;
constexpr int kSave = 32988;
// Message windows
constexpr int kSend = 32982;
constexpr int kClose = 32984;
constexpr int kChangeFont = 32999;
constexpr int kCut = 57635;
constexpr int kCopy = 57634;
constexpr int kPaste = 57637;
} // namespace MailCommand

// The folder every deleted message goes to first; it cannot itself be deleted.
inline constexpr char kDeletedItemsFolder[] = "Deleted Items";
