#pragma once

#include "frame/GameView.h"
#include "net/ServicePackets.h"
#include "platform/Messages.h"
#include "platform/Win32Codes.h"
#include "support/PersistentFont.h"

#include <QPlainTextEdit>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class CCommandHistory;
class CCommandLineView;
class QPushButton;
class QShortcut;

// The edit of a command line. It never inserts Enter or Escape: those keys go to the command line,
// and so do the up and down arrows while the whole text is selected (an empty line included), so
// that they recall typed lines; otherwise the arrows move the caret.
class CCommandEdit : public QPlainTextEdit, public platform::CommandTarget {
    Q_OBJECT
public:
    static constexpr int kControlId = 221;
    static constexpr int kCmdCopy = 57634;
    static constexpr int kCmdCut = 57635;
    static constexpr int kCmdPaste = 57637;
    static constexpr int kCmdClear = 57632;

    explicit CCommandEdit(CCommandLineView* owner);

    QString text() const { return toPlainText(); }
    // Replaces the text; selectAll selects it whole, else the caret goes to its end.
    void setText(const QString& text, bool selectAll);
    bool IsWholeTextSelected() const;
    // The number of lines the text takes at the edit's width.
    int VisualLineCount() const;

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool forwards(const QKeyEvent* event) const;

    CCommandLineView* m_owner;
};

// The input pane under every chat: the lobby's, a game window's and a talk's. A line typed there is
// said in the room, or, by its first character, sent as a tell ("*"), an emote (","), a whisper ("-")
// or run as a chat command ("/"). Replies and errors appear in the chat as system lines. Typed lines
// go into the session's history (up and down arrows); Ctrl+1 .. Ctrl+9 and Ctrl+0 put the macros of
// the Macros preference page ("Macro 1" .. "Macro 10") into the line, and the ">>" button (Ctrl+M)
// lists them with the chat commands. The pane grows with its text up to two thirds of its window.
class CCommandLineView : public CGameView, public platform::MessageTarget {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CCommandLineView, CGameView)
public:
    static constexpr int kHelpId = 221;
    // Commands that put a chat command into the line.
    static constexpr int kCmdTell = 33020;
    static constexpr int kCmdWhisper = 33021;
    static constexpr int kCmdEmote = 33023;
    static constexpr int kCmdPublic = 33028;
    static constexpr int kCmdPrivate = 33029;
    static constexpr int kCmdShout = 33061;
    // Macro i ("Macro%d" of i, shown as "Macro i+1" on the preference page) is command 32912 + i; its
    // key is Ctrl+(i+1), Ctrl+0 for the tenth.
    static constexpr int kCmdFirstMacro = 32912;
    static constexpr int kMacroCount = 10;
    static constexpr int kCmdMacroMenu = 32922;
    static constexpr int kCmdShowShouts = 33032;
    static constexpr int kCmdEditMacros = 152;
    // A macro longer than this is listed in the macro menu by its beginning and "...".
    static constexpr int kMacroMenuChars = 30;

    // Packets of the commands and their replies.
    static constexpr int kPacketRawCommand = ServicePacket::Command;
    static constexpr int kPacketStop = ServicePacket::Stop;
    static constexpr int kPacketGo = ServicePacket::Go;
    static constexpr int kPacketAccountLock = 181;
    static constexpr int kPacketVersionQuery = ServicePacket::VersionQuery;
    static constexpr int kPacketVersionReply = ServicePacket::VersionReply;
    static constexpr int kPacketWhereisReply = ServicePacket::WatchReply;
    static constexpr int kPacketKick = ServicePacket::Kick;
    static constexpr char kVersionCookie[] = "CMDCVCookie";
    static constexpr char kWhereisCookie[] = "CMDWhereisCookie";
    // The query and event of the sub-documents that take chat commands (the match replay).
    static constexpr int kSubDocCommand = 4128;

    // Rights of the moderators' commands.
    static constexpr quint32 kRightExamine = MemberRight::Examine;
    static constexpr quint32 kRightNotify = MemberRight::Notify;
    static constexpr quint32 kRightKick = MemberRight::Kick;
    static constexpr quint32 kRightDisableAccount = MemberRight::DisableAccount;
    static constexpr quint32 kRightEnableAccount = MemberRight::EnableAccount;
    static constexpr quint32 kRightDisableMachine = MemberRight::DisableMachine;
    static constexpr quint32 kRightEnableMachine = MemberRight::EnableMachine;
    static constexpr quint32 kRightDisable = MemberRight::Disable;
    static constexpr quint32 kRightEnable = MemberRight::Enable;

    explicit CCommandLineView(QWidget* parent = nullptr);
    ~CCommandLineView() override;

    // ---- Pane
    int OnCreate() override;
    QWidget* GetControl() override;
    void OnActivateView(bool activate) override;
    bool WantsKey(int virtualKey) const override;
    bool CanUndo() const override;
    void Undo() override;
    bool HandlePacket(int type, const QString& text) override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;
    // The font broadcast: colours and font loaded again, then the window lays out again.
    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;

    // 0 when disabled or showing no line; else the height of the visible lines.
    int GetIdealHeight() const override;
    int GetVisibleLineCount() const { return m_visibleLines; }

    // The history the view works with: its own until the session's shared one is set (not owned).
    void SetHistory(CCommandHistory* history);
    CCommandHistory* GetHistory() const { return m_history; }

    CCommandEdit* GetEdit() const { return m_edit; }
    QPushButton* GetMacroButton() const { return m_button; }

    // What Enter does with the edit's text.
    void EnterLine();
    // Runs a line that starts with "/".
    void DispatchCommand(const QString& line);
    // The ">>" menu as it would open now (the caller owns it).
    QMenu* CreateMacroMenu();
    void ShowMacroMenu();

    // In a talk window: said text, emotes and whispers go to the talk, and Escape in an empty line
    // closes it.
    using LineSender = std::function<bool(const QString& text, int kind)>;
    void SetTalkHandlers(LineSender send, std::function<void()> close);

    // A routing destination that stands for a group: exactly "$", or exactly "*".
    static bool IsDollarAddress(const QString& name);
    static bool IsStarAddress(const QString& name);
    // The help text of the "/help" command.
    static QString HelpText();
    // The macro text of command kCmdFirstMacro + index, and the menu entry that shows it.
    static QString MacroText(int index);
    static QString MacroMenuText(int index, const QString& text);
    // The lines a version reply (183) or a whereis reply (184) shows; nothing when the reply carries
    // another cookie (it answers someone else).
    static std::optional<QStringList> VersionReplyLines(const QString& text);
    static std::optional<QStringList> WhereisReplyLines(const QString& text);

    // Called by the edit.
    void OnEditKey(QKeyEvent* event);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void loadPreferences();
    void updateVisibleLines();
    void sendLine(const QString& text, int kind);
    void parseTell(const QString& text);
    void openTalk(const QString& names);
    void examine(const QString& arguments);
    void showPlayerInfo(const QString& word, const QString& name);
    bool send(int type, const QString& text, int length, const QString& target);
    void systemLine(const QString& text);
    // Says why a line or command (command) could not be sent.
    void notSent(bool command);
    void putText(const QString& text);
    void runMacro(int index);
    void installShortcuts();
    // Shows the lines of a reply -> false when it was not one of ours.
    bool takeReplyLines(const std::optional<QStringList>& lines);

    CCommandEdit* m_edit;
    QPushButton* m_button;
    std::unique_ptr<CCommandHistory> m_ownHistory;
    CCommandHistory* m_history;
    int m_visibleLines = -1;
    CPersistentFont m_font;
    platform::COLORREF m_textColor = 0;
    platform::COLORREF m_backgroundColor = 0;
    LineSender m_talkSend;
    std::function<void()> m_talkClose;
    QPointer<QWidget> m_shortcutHost;
    std::vector<QShortcut*> m_shortcuts;
};

// The lobby's chat panes: "Chat" (the chat view) and "CommandLine" (the command line).
void RegisterChatPanes();
