#include "chat/CommandLineView.h"

#include "frame/MultiPaneFrame.h"
#include "chat/ChatLog.h"
#include "chat/ChatView.h"
#include "game/GameDoc.h"
#include "lobby/UserListView.h"
#include "platform/Color.h"
#include "platform/Commands.h"
#include "platform/PostCall.h"
#include "platform/Ui.h"
#include "prefs/FontWindowKinds.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "prefs/MacroPreferences.h"
#include "session/CommandHistory.h"
#include "session/GameModule.h"
#include "session/ServiceName.h"
#include "support/SettingsStore.h"
#include "support/TextWindowStyle.h"
#include "support/Utilities.h"
#include "support/dialogs/DeferredMessageBox.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace {

const QString kChatSection = QString::fromLatin1(CChatView::kClassName);
const QString kMacrosSection = QStringLiteral("Macros");
const QString kClientNodeSection = QStringLiteral("CClientNode");
const QString kIgnoreShouts = QStringLiteral("Ignore Shouts");
// The game kind of an invitation to a plain backgammon match, and of a proposition.
constexpr int kDefaultGameKind = 0;
constexpr int kPropositionGameKind = 1;

// Virtual-key codes of the keys the command line takes.
enum : int {
    kKeyReturn = 13, kKeyEscape = 27, kKeySpace = 32, kKeyEnd = 35, kKeyHome = 36, kKeyLeft = 37,
    kKeyUp = 38, kKeyRight = 39, kKeyDown = 40, kKeyInsert = 45
};

platform::MessageId FontChangedMessage() {
    static const platform::MessageId id =
        platform::RegisterMessage(QStringLiteral("KELDERWICK_FONT_PROPERTIES_CHANGED"));
    return id;
}

// The text up to the first blank; rest receives what follows that blank.
QString FirstWord(const QString& text, QString* rest = nullptr) {
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    if (rest)
        *rest = blank < 0 ? QString() : text.mid(blank + 1);
    return blank < 0 ? text : text.left(blank);
}

QString LeadingBlanksRemoved(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

// The chat commands in the order they are matched: a typed word picks the first keyword it occurs in.
enum class Command {
    Emote, Whisper, Tell, Talk, Invite, Prop, Shout, Help, Notify, Whois, Info, Kick, Exit, Watch,
    Whereis, Disable, Enable, DisableAccount, EnableAccount, DisableMachine, EnableMachine,
    ClientVersion, Examine
};

struct Keyword {
    const char* word;
    quint32 right;
    Command command;
};

constexpr Keyword kKeywords[] = {
    {"EMOTE", 0, Command::Emote},
    {"WHISPER", 0, Command::Whisper},
    {"TELL", 0, Command::Tell},
    {"TALK", 0, Command::Talk},
    {"INVITE", 0, Command::Invite},
    {"PROP", 0x1, Command::Prop},
    {"SHOUT", 0x10000, Command::Shout},
    {"HELP", 0, Command::Help},
    {"?", 0, Command::Help},
    {"NOTIFY", CCommandLineView::kRightNotify, Command::Notify},
    {"WHOIS", 0, Command::Whois},
    {"INFO", 0, Command::Info},
    {"KILL", CCommandLineView::kRightKick, Command::Kick},
    {"KICK", CCommandLineView::kRightKick, Command::Kick},
    {"EXIT", 0, Command::Exit},
    {"QUIT", 0, Command::Exit},
    {"WATCH", 0, Command::Watch},
    {"WHEREIS", 0, Command::Whereis},
    {"DISABLE", CCommandLineView::kRightDisable, Command::Disable},
    {"ENABLE", CCommandLineView::kRightEnable, Command::Enable},
    {"DISABLE_ACCOUNT", CCommandLineView::kRightDisableAccount, Command::DisableAccount},
    {"ENABLE_ACCOUNT", CCommandLineView::kRightEnableAccount, Command::EnableAccount},
    {"DISABLE_MACHINE", CCommandLineView::kRightDisableMachine, Command::DisableMachine},
    {"ENABLE_MACHINE", CCommandLineView::kRightEnableMachine, Command::EnableMachine},
    {"CLIENT_VERSION", 0, Command::ClientVersion},
    {"EXAMINE", CCommandLineView::kRightExamine, Command::Examine},
};

const Keyword* FindKeyword(const QString& word) {
    for (const Keyword& keyword : kKeywords) {
        if (QLatin1String(keyword.word).contains(word))
            return &keyword;
    }
    return nullptr;
}

} // namespace

// ---- CCommandLineView

CCommandLineView::CCommandLineView(QWidget* parent)
    : CGameView(parent),
      m_edit(new CCommandEdit(this)),
      m_button(new QPushButton(QStringLiteral(">>"), this)),
      m_ownHistory(std::make_unique<CCommandHistory>()),
      m_history(m_ownHistory.get()) {
    setFocusProxy(m_edit);
    m_button->setObjectName(QStringLiteral("macroButton"));
    m_button->setFocusPolicy(Qt::TabFocus);
    m_button->setToolTip(QStringLiteral("Macros and chat commands (Ctrl+M)"));
    connect(m_button, &QPushButton::clicked, this, [this] { OnCommand(kCmdMacroMenu); });
    connect(m_edit->document(), &QTextDocument::contentsChanged, this, [this] { updateVisibleLines(); });
    loadPreferences();
}

CCommandLineView::~CCommandLineView() = default;

void CCommandLineView::loadPreferences() {
    const CTextWindowColors colors = CTextWindowColors::Load(kChatSection);
    m_textColor = colors.text;
    m_backgroundColor = colors.background;
    // The font page stores the command line's font in its own section; before that the chat's applies.
    const QString section = QString::fromLatin1(kCommandLineViewSection);
    m_font.DeleteObject();
    m_font.Load(GetSettingsStore().GetString(section, QStringLiteral("Font")).isEmpty() ? kChatSection : section);
    QPalette palette = m_edit->palette();
    if (m_textColor != platform::kNoColor)
        palette.setColor(QPalette::Text, platform::ToQColor(m_textColor));
    if (m_backgroundColor != platform::kNoColor)
        palette.setColor(QPalette::Base, platform::ToQColor(m_backgroundColor));
    m_edit->setPalette(palette);
    m_edit->setFont(m_font.GetFont());
}

int CCommandLineView::OnCreate() {
    if (CSessionDoc* session = GetSessionDoc())
        SetHistory(&session->GetCommandHistory());
    return 0;
}

void CCommandLineView::SetHistory(CCommandHistory* history) {
    if (!history)
        return;
    m_history = history;
    if (history != m_ownHistory.get())
        m_ownHistory.reset();
}

QWidget* CCommandLineView::GetControl() {
    return m_edit;
}

void CCommandLineView::OnActivateView(bool activate) {
    if (activate)
        m_edit->setFocus(Qt::OtherFocusReason);
}

bool CCommandLineView::WantsKey(int virtualKey) const {
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        return true;
    if (virtualKey >= 160 && virtualKey <= 254)
        return true;
    switch (virtualKey) {
    case kKeyReturn:
    case kKeyEscape:
    case kKeySpace:
    case kKeyUp:
    case kKeyDown:
    case kKeyInsert:
        return true;
    case kKeyHome:
    case kKeyEnd:
    case kKeyLeft:
    case kKeyRight:
        return !m_edit->text().isEmpty();
    default:
        return CGameView::WantsKey(virtualKey);
    }
}

bool CCommandLineView::CanUndo() const {
    return m_edit->document()->isUndoAvailable();
}

void CCommandLineView::Undo() {
    m_edit->undo();
}

// ---- Layout

int CCommandLineView::GetIdealHeight() const {
    if (!isEnabled() || m_visibleLines <= 0)
        return 0;
    const int lineHeight = std::max(1, QFontMetrics(m_edit->font()).lineSpacing());
    // The document's margins, the frame, and a little room so that the last line never needs scrolling.
    const int margins = int(2 * m_edit->document()->documentMargin()) + 2 * m_edit->frameWidth() + 2;
    return lineHeight * m_visibleLines + margins;
}

void CCommandLineView::updateVisibleLines() {
    const int textLines = m_edit->VisualLineCount();
    int lines = textLines;
    // Never more than about two thirds of the window that holds the line.
    const QWidget* frame = GetFrameWindow();
    const int lineHeight = std::max(1, QFontMetrics(m_edit->font()).lineSpacing());
    if (frame && frame != this && frame->height() > 0)
        lines = std::min(lines, (frame->height() * 2 - 8) / (lineHeight * 3));
    lines = std::max(lines, 1);
    if (!isEnabled() && m_edit->text().isEmpty())
        lines = 0;
    // The scroll bar shows only when the text is taller than the line may grow.
    m_edit->setVerticalScrollBarPolicy(lines < textLines ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (lines == m_visibleLines)
        return;
    m_visibleLines = lines;
    NotifyHeightChanged();
}

void CCommandLineView::resizeEvent(QResizeEvent* event) {
    CGameView::resizeEvent(event);
    const int buttonWidth = 2 * QFontMetrics(m_button->font()).horizontalAdvance(QStringLiteral(">>")) + 8;
    m_button->setGeometry(width() - buttonWidth, 0, buttonWidth, height());
    m_edit->setGeometry(0, 0, std::max(0, width() - buttonWidth), height());
    updateVisibleLines();
}

void CCommandLineView::showEvent(QShowEvent* event) {
    CGameView::showEvent(event);
    installShortcuts();
    updateVisibleLines();
}

void CCommandLineView::installShortcuts() {
    QWidget* host = GetFrameWindow();
    if (!host || host == m_shortcutHost)
        return;
    for (QShortcut* shortcut : m_shortcuts)
        delete shortcut;
    m_shortcuts.clear();
    m_shortcutHost = host;
    // The keys work wherever the focus is in the window that holds this line.
    auto add = [this, host](const QKeySequence& keys, int id) {
        auto* shortcut = new QShortcut(keys, host);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, id] { OnCommand(id); });
        connect(this, &QObject::destroyed, shortcut, &QObject::deleteLater);
        m_shortcuts.push_back(shortcut);
    };
    for (int i = 0; i < kMacroCount; ++i)
        add(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + (i + 1) % 10)), kCmdFirstMacro + i);
    add(QKeySequence(Qt::CTRL | Qt::Key_M), kCmdMacroMenu);
}

bool CCommandLineView::OnMessage(platform::MessageId id, qintptr, platform::Object*) {
    if (id != FontChangedMessage())
        return false;
    loadPreferences();
    update();
    m_visibleLines = -1;
    updateVisibleLines();
    NotifyHeightChanged();
    return true;
}

// ---- Keys and lines

void CCommandLineView::OnEditKey(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        EnterLine();
        return;
    case Qt::Key_Up:
        m_edit->setText(m_history->Previous(), true);
        return;
    case Qt::Key_Down:
        m_edit->setText(m_history->Next(), true);
        return;
    case Qt::Key_Escape: {
        const bool empty = m_edit->text().isEmpty();
        m_history->Reset();
        m_edit->clear();
        if (empty && m_talkClose)
            platform::PostCall(this, m_talkClose);
        return;
    }
    default:
        return;
    }
}

void CCommandLineView::EnterLine() {
    // A pasted line break is no part of a chat line.
    QString line = m_edit->text();
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (line.isEmpty())
        return;
    QPointer<CCommandLineView> alive(this);
    m_edit->clear();
    m_history->Add(line);
    if (platform::Document* document = GetDocument())
        document->UpdateAllViews(this, CSessionDoc::kHintChatScroll);
    switch (line.at(0).unicode()) {
    case '*':
        parseTell(line.mid(1));
        break;
    case ',':
        sendLine(LeadingBlanksRemoved(line.mid(1)), ChatKind::Emote);
        break;
    case '-':
        sendLine(LeadingBlanksRemoved(line.mid(1)), ChatKind::Whisper);
        break;
    case '/':
        DispatchCommand(line);
        break;
    default:
        sendLine(line, ChatKind::Said);
        break;
    }
    if (alive)
        updateVisibleLines();
}

void CCommandLineView::SetTalkHandlers(LineSender send, std::function<void()> close) {
    m_talkSend = std::move(send);
    m_talkClose = std::move(close);
}

void CCommandLineView::sendLine(const QString& text, int kind) {
    if (text.isEmpty())
        return;
    if (m_talkSend) {
        if (!m_talkSend(text, kind))
            notSent(false);
        return;
    }
    CSessionDoc* session = GetSessionDoc();
    if (session && !session->SendChat(text, kind))
        notSent(false);
}

void CCommandLineView::notSent(bool command) {
    const CSessionDoc* session = GetSessionDoc();
    const QString what = command ? QStringLiteral("command") : QStringLiteral("line");
    if (session && session->IsConnected())
        systemLine(QStringLiteral("The %1 is too long to send.").arg(what));
    else
        systemLine(CSessionDoc::NotSentText(what));
}

void CCommandLineView::systemLine(const QString& text) {
    // In a talk window the reply shows in the talk's own conversation.
    if (auto* holder = dynamic_cast<CChatLogHolder*>(GetDocument()); holder && holder->GetChatLog()) {
        holder->GetChatLog()->AddElement(QString(), ChatKind::System, text);
        return;
    }
    if (CSessionDoc* session = GetSessionDoc())
        session->AddChatLine(QString(), text, ChatKind::System);
}

bool CCommandLineView::send(int type, const QString& text, int length, const QString& target) {
    CSessionDoc* session = GetSessionDoc();
    if (!session)
        return false;
    if (session->Send(type, text, length, target))
        return true;
    notSent(true);
    return false;
}

void CCommandLineView::parseTell(const QString& text) {
    CSessionDoc* session = GetSessionDoc();
    if (!session)
        return;
    auto usable = [](const QString& name) {
        return !name.isEmpty() && !name.contains(QLatin1Char('&')) && !name.contains(QLatin1Char('*'));
    };
    // "bob, carol hello": words that end with a comma name one recipient each and more follow; the
    // first word without one names the last.
    QStringList recipients;
    QString rest = LeadingBlanksRemoved(text);
    for (;;) {
        QString after;
        const QString word = FirstWord(rest, &after).trimmed();
        if (word.isEmpty())
            break;
        rest = LeadingBlanksRemoved(after);
        if (!word.endsWith(QLatin1Char(','))) {
            if (usable(word))
                recipients.append(word);
            break;
        }
        const QString name = word.left(word.indexOf(QLatin1Char(',')));
        if (usable(name))
            recipients.append(name);
    }
    const QString message = rest;
    if (recipients.isEmpty())
        return;
    if (message.trimmed().isEmpty()) {
        systemLine(QStringLiteral("ERROR - Syntax: /tell Nickname message"));
        return;
    }
    for (const QString& recipient : recipients) {
        if (!session->SendChat(message, ChatKind::Tell, recipient)) {
            notSent(false);
            return;
        }
        session->AddChatLine(recipient, message, ChatKind::SentTell);
    }
}

void CCommandLineView::DispatchCommand(const QString& line) {
    CSessionDoc* session = GetSessionDoc();
    if (!session)
        return;
    QString arguments;
    const QString word = FirstWord(line.mid(1), &arguments).toUpper();
    const Keyword* keyword = FindKeyword(word);
    if (keyword && keyword->right != 0 && !session->HasRight(keyword->right)) {
        systemLine(QStringLiteral("ERROR - unrecognized command - %1").arg(word));
        return;
    }
    const QString firstArgument = FirstWord(LeadingBlanksRemoved(arguments));
    if (!keyword) {
        // Sub-documents that take chat commands (the match replay) come before the server.
        if (session->QuerySubDocuments(kSubDocCommand, line)) {
            session->BroadcastSubDocEvent(kSubDocCommand, line);
            return;
        }
        send(kPacketRawCommand, word + QLatin1Char(' ') + arguments, -1, QString());
        return;
    }
    switch (keyword->command) {
    case Command::Emote:
        sendLine(arguments, ChatKind::Emote);
        return;
    case Command::Whisper:
        sendLine(arguments, ChatKind::Whisper);
        return;
    case Command::Tell:
        parseTell(arguments);
        return;
    case Command::Talk:
        openTalk(arguments);
        return;
    case Command::Invite:
    case Command::Prop: {
        CInvitationService* inviter = session->GetInvitationService();
        if (!inviter) {
            systemLine(QStringLiteral("Invitations are not available."));
            return;
        }
        if (!session->IsConnected()) {
            notSent(true);
            return;
        }
        const int kind = keyword->command == Command::Prop ? kPropositionGameKind : kDefaultGameKind;
        inviter->InvitePlayer(arguments, kind, 1, false);
        return;
    }
    case Command::Shout:
        if (!arguments.isEmpty() && !session->Shout(arguments))
            notSent(false);
        return;
    case Command::Help:
        systemLine(HelpText());
        return;
    case Command::Notify:
        if (!arguments.isEmpty() && !session->Notify(arguments))
            notSent(true);
        return;
    case Command::Whois:
    case Command::Info:
        showPlayerInfo(word, arguments.trimmed());
        return;
    case Command::Kick:
        if (!arguments.isEmpty())
            send(kPacketKick, arguments, -1, QStringLiteral("."));
        return;
    case Command::Exit:
        if (auto* game = platform::object_cast<CGameDoc>(session->GetGameDocument()))
            game->RemoveTemporaryConnection();
        return;
    case Command::Watch:
        if (arguments.trimmed().isEmpty())
            return;
        if (session->IsConnected())
            session->WatchPlayer(arguments);
        else
            notSent(true);
        return;
    case Command::Whereis:
        if (!arguments.trimmed().isEmpty()) {
            if (!session->IsConnected())
                notSent(true);
            else {
                session->SendWatchRequest(arguments.trimmed(), QString::fromLatin1(kWhereisCookie));
                session->OpenQuestion(kPacketWhereisReply, QString::fromLatin1(kWhereisCookie));
            }
        }
        return;
    case Command::Disable:
        if (!firstArgument.isEmpty())
            send(kPacketStop, QStringLiteral("Stop"), 4, firstArgument);
        return;
    case Command::Enable:
        if (!firstArgument.isEmpty())
            send(kPacketGo, QStringLiteral("Go"), 2, firstArgument);
        return;
    case Command::DisableAccount:
    case Command::EnableAccount:
    case Command::DisableMachine:
    case Command::EnableMachine: {
        if (firstArgument.isEmpty())
            return;
        const char* code = keyword->command == Command::DisableAccount  ? "N "
                           : keyword->command == Command::EnableAccount ? "Y "
                           : keyword->command == Command::DisableMachine ? "Z "
                                                                          : "A ";
        send(kPacketAccountLock, QLatin1String(code) + firstArgument, -1, QStringLiteral(".db"));
        return;
    }
    case Command::ClientVersion:
        if (send(kPacketVersionQuery,
                 QString::fromLatin1(kVersionCookie) + QLatin1Char(' ') +
                     (firstArgument.isEmpty() ? session->GetNickname() : firstArgument),
                 -1, QStringLiteral(".")))
            session->OpenQuestion(kPacketVersionReply, QString::fromLatin1(kVersionCookie));
        return;
    case Command::Examine:
        if (session->IsConnected())
            examine(arguments);
        else
            notSent(true);
        return;
    }
}

void CCommandLineView::showPlayerInfo(const QString& word, const QString& name) {
    CSessionDoc* session = GetSessionDoc();
    if (!name.isEmpty()) {
        session->ShowPlayerInfo(name);
        return;
    }
    const QString command =
        QStringLiteral("INFO").contains(word) ? QStringLiteral("/info") : QStringLiteral("/whois");
    ::DoMessageBox(QStringLiteral("Syntax: %1 Nickname").arg(command), platform::MB_OK);
}

void CCommandLineView::openTalk(const QString& names) {
    CSessionDoc* session = GetSessionDoc();
    if (!session->CanOpenTalks()) {
        systemLine(QStringLiteral("Talk windows are not available."));
        return;
    }
    const QString own = session->GetNickname();
    QStringList people{own};
    for (const QString& piece : names.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QString name = piece.trimmed();
        const qsizetype comma = name.indexOf(QLatin1Char(','));
        if (comma >= 0)
            name = name.left(comma);
        if (!name.isEmpty() && name.toUpper() != own.toUpper())
            people.append(name);
    }
    const QString empty;
    session->OpenTalk(&empty, people);
}

void CCommandLineView::examine(const QString& arguments) {
    CSessionDoc* session = GetSessionDoc();
    QStringList words = arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString contestId;
    QString playerToWatch;
    if (words.size() == 4)
        contestId = words.takeLast();
    if (words.size() == 3)
        playerToWatch = words.takeLast();
    if (words.size() != 2) {
        systemLine(QStringLiteral("ERROR - Syntax: /examine Player0 Player1 [PlayerToWatch] [ContestID]"));
        return;
    }
    QStringList parts = words;
    if (!contestId.isEmpty()) {
        session->SetExamineArgs(words);
        parts = {QStringLiteral("CONTEST_ID"), contestId};
    }
    const CServiceName service = CServiceName::ConstructFromList(GetGameModuleInfo().GetServiceWord(), parts);
    session->ExamineMatch(service.GetText(), playerToWatch);
}

QString CCommandLineView::HelpText() {
    return QStringLiteral("Commands:\r\n /client_version Nickname\r\n /emote message\r\n /exit\r\n /info Nickname\r\n"
                          " /invite Nickname points\r\n /private\r\n /public \r\n /shout message\r\n"
                          " /talk Nickname\r\n /tell Nickname message\r\n /watch Nickname\r\n"
                          " /whereis Nickname\r\n /whisper message\r\n \r\nShortcuts:\r\n - message (whisper)\r\n"
                          " , message (emote)\r\n * Nickname message (tell)");
}

bool CCommandLineView::IsDollarAddress(const QString& name) {
    return name == QLatin1String("$");
}

bool CCommandLineView::IsStarAddress(const QString& name) {
    return name == QLatin1String("*");
}

// ---- Replies

bool CCommandLineView::HandlePacket(int type, const QString& text) {
    std::optional<QStringList> lines;
    QString cookie;
    if (type == kPacketVersionReply) {
        lines = VersionReplyLines(text);
        cookie = QString::fromLatin1(kVersionCookie);
    } else if (type == kPacketWhereisReply) {
        lines = WhereisReplyLines(text);
        cookie = QString::fromLatin1(kWhereisCookie);
    }
    if (!lines)
        return false;
    // A reply counts only for a question the user asked and that is not answered yet.
    CSessionDoc* session = GetSessionDoc();
    if (!session || !session->TakeAnswer(type, cookie))
        return true;
    return takeReplyLines(lines);
}

std::optional<QStringList> CCommandLineView::VersionReplyLines(const QString& text) {
    // "CMDCVCookie <nickname> <version text>"
    QString rest;
    if (FirstWord(text, &rest) != QLatin1String(kVersionCookie))
        return std::nullopt;
    QString version;
    const QString nickname = FirstWord(LeadingBlanksRemoved(rest), &version).trimmed();
    if (nickname.isEmpty())
        return QStringList(); // nothing to show
    version = version.trimmed();
    if (version.startsWith(QLatin1Char('>')))
        version.remove(0, 1);
    return QStringList{nickname + QStringLiteral(" client version: ") + version};
}

std::optional<QStringList> CCommandLineView::WhereisReplyLines(const QString& text) {
    // "CMDWhereisCookie <nickname>@<service> ...", an empty service for a user who is not connected
    QString rest;
    if (FirstWord(text, &rest) != QLatin1String(kWhereisCookie))
        return std::nullopt;
    QStringList lines;
    for (const QString& entry : rest.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qsizetype at = entry.indexOf(QLatin1Char('@'));
        const QString nickname = at < 0 ? entry : entry.left(at);
        const QString service = at < 0 ? QString() : entry.mid(at + 1);
        if (nickname.isEmpty())
            continue;
        if (service.isEmpty())
            lines.append(QStringLiteral("%1 is not connected to the server.").arg(nickname));
        else
            lines.append(QStringLiteral("%1 is in %2").arg(nickname, CServiceName(service).GetDisplayName()));
    }
    return lines;
}

bool CCommandLineView::takeReplyLines(const std::optional<QStringList>& lines) {
    if (!lines)
        return false;
    for (const QString& line : *lines)
        systemLine(line);
    return true;
}

// ---- Commands and macros

void CCommandLineView::putText(const QString& text) {
    m_edit->setText(text, false);
    m_edit->setFocus(Qt::OtherFocusReason);
}

QString CCommandLineView::MacroText(int index) {
    if (index < 0 || index >= kMacroCount)
        return QString();
    return GetSettingsStore().GetString(kMacrosSection, CMacroPreferences::ValueName(index));
}

QString CCommandLineView::MacroMenuText(int index, const QString& text) {
    QString shown = text.size() > kMacroMenuChars ? text.left(kMacroMenuChars) + QStringLiteral("...") : text;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QStringLiteral("%1\tCtrl+%2").arg(shown).arg((index + 1) % 10);
}

void CCommandLineView::runMacro(int index) {
    const QString text = MacroText(index);
    if (text.isEmpty())
        return;
    m_edit->setText(text, true);
    m_edit->setFocus(Qt::OtherFocusReason);
}

QMenu* CCommandLineView::CreateMacroMenu() {
    auto* menu = new QMenu(this);
    auto add = [this, menu](int id, const QString& text) {
        QAction* action = platform::MakeAction(id, text, menu);
        platform::CommandState state;
        OnUpdateCommand(id, state);
        action->setCheckable(state.checkable);
        action->setChecked(state.checked);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        menu->addAction(action);
    };
    bool listed = false;
    for (int i = 0; i < kMacroCount; ++i) {
        const QString text = MacroText(i);
        if (text.isEmpty())
            continue;
        add(kCmdFirstMacro + i, MacroMenuText(i, text));
        listed = true;
    }
    if (listed)
        menu->addSeparator();
    add(kCmdTell, QStringLiteral("Tell"));
    add(kCmdEmote, QStringLiteral("Emote"));
    add(kCmdWhisper, QStringLiteral("Whisper"));
    if (CSessionDoc* session = GetSessionDoc(); session && session->HasRight(CSessionDoc::kRightShout))
        add(kCmdShout, QStringLiteral("Shout"));
    menu->addSeparator();
    add(kCmdShowShouts, QStringLiteral("Show Shouts"));
    add(kCmdEditMacros, QStringLiteral("Edit Macros..."));
    return menu;
}

void CCommandLineView::ShowMacroMenu() {
    std::unique_ptr<QMenu> menu(CreateMacroMenu());
    platform::ui().ExecMenu(menu.get(), mapToGlobal(QPoint(width(), 0)));
    if (m_edit)
        m_edit->setFocus(Qt::OtherFocusReason);
}

bool CCommandLineView::OnCommand(int id) {
    switch (id) {
    case kCmdEmote:
        putText(QStringLiteral("/emote "));
        return true;
    case kCmdTell:
        putText(QStringLiteral("/tell "));
        return true;
    case kCmdWhisper:
        putText(QStringLiteral("/whisper "));
        return true;
    case kCmdPrivate:
        putText(QStringLiteral("/private"));
        return true;
    case kCmdPublic:
        putText(QStringLiteral("/public"));
        return true;
    case kCmdShout:
        putText(QStringLiteral("/shout "));
        return true;
    case kCmdMacroMenu:
        ShowMacroMenu();
        return true;
    case kCmdShowShouts: {
        CSettingsStore& store = GetSettingsStore();
        store.WriteInt(kClientNodeSection, kIgnoreShouts, store.GetIntEx(kClientNodeSection, kIgnoreShouts, 0) ? 0 : 1);
        return true;
    }
    case kCmdEditMacros:
        ShowGeneralPropertiesSheet(CGeneralPropertiesSheet::kMacrosPage, kFontKindChatView);
        return true;
    default:
        if (id >= kCmdFirstMacro && id < kCmdFirstMacro + kMacroCount) {
            runMacro(id - kCmdFirstMacro);
            return true;
        }
        return false;
    }
}

bool CCommandLineView::OnUpdateCommand(int id, platform::CommandState& state) {
    switch (id) {
    case kCmdEmote:
    case kCmdTell:
    case kCmdWhisper:
    case kCmdPrivate:
    case kCmdPublic:
    case kCmdMacroMenu:
    case kCmdEditMacros:
        state.enabled = true;
        return true;
    case kCmdShout: {
        const CSessionDoc* session = GetSessionDoc();
        state.enabled = session && session->HasRight(CSessionDoc::kRightShout);
        return true;
    }
    case kCmdShowShouts:
        state.enabled = true;
        state.checkable = true;
        state.checked = GetSettingsStore().GetIntEx(kClientNodeSection, kIgnoreShouts, 0) == 0;
        return true;
    default:
        if (id >= kCmdFirstMacro && id < kCmdFirstMacro + kMacroCount) {
            state.enabled = !MacroText(id - kCmdFirstMacro).isEmpty();
            return true;
        }
        return false;
    }
}

void RegisterChatPanes() {
    CMultiPaneFrame::RegisterPane(QStringLiteral("Chat"), [](QWidget* parent) { return new CChatView(parent); });
    CMultiPaneFrame::RegisterPane(QString::fromLatin1(CMultiPaneFrame::kCommandLineTag),
                                  [](QWidget* parent) { return new CCommandLineView(parent); });
}
