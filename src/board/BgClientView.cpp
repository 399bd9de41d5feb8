#include "board/BgClientView.h"

#include "board/BackgammonPropertySheet.h"
#include "session/DeferredMessageBox.h"

#include "frame/MultiPaneFrame.h"
#include "game/BackgammonDoc.h"
#include "game/GameHints.h"
#include "game/GameSessionLink.h"
#include "platform/Commands.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "session/SessionDoc.h"
#include "support/PacketText.h"
#include "support/SettingsStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

platform::MessageId PlayOptionsMessage() {
    static const platform::MessageId id =
        platform::RegisterMessage(QStringLiteral("KELDERWICK_BG_PLAY_OPTIONS_CHANGED"));
    return id;
}

platform::MessageId PropertiesMessage() {
    static const platform::MessageId id =
        platform::RegisterMessage(QStringLiteral("KELDERWICK_BG_PROPERTIES_CHANGED"));
    return id;
}

const char* const kButtonTexts[] = {"&Roll", "&Double", "&Take", "&Pass", "Re&sign", "&Undo", "Do&ne"};

} // namespace

bool IsBearOffPosition(const CBackgammonBoard& board) {
    for (int side = 1; side <= 2; ++side) {
        const BgSide& s = board.GetSide(side);
        if (s.InPlay() == 0 || !s.AllHome())
            return false;
    }
    return true;
}

// ---- play options --------------------------------------------------------------------------------

CBgPlaySettings CBgPlaySettings::Load() {
    const CSettingsStore& store = GetSettingsStore();
    const QString section = QString::fromLatin1(kSection);
    CBgPlaySettings o;
    o.singleClick = store.GetIntEx(section, QStringLiteral("bEnableSingleClick"), 1) != 0;
    o.forcedMoveDelayMs =
        std::clamp(store.GetIntEx(section, QStringLiteral("nForcedMoveDelayMilliseconds"), 20), 0, 1000);
    o.playForcedMoves = store.GetIntEx(section, QStringLiteral("bPlayForcedMoves"), 0) != 0;
    o.initialCubeValue = store.GetIntEx(section, QStringLiteral("nInitialCubeValue"), 0) == 1 ? 1 : 0;
    o.dieSize = std::clamp(store.GetIntEx(section, QStringLiteral("nDieSize"), 75), 20, 150);
    o.confirmDoubles = store.GetIntEx(section, QStringLiteral("bConfirmDoubles"), 1) != 0;
    return o;
}

CBoardDisplayOptions CBgPlaySettings::DisplayOptions() const {
    CBoardDisplayOptions d;
    d.cubeShows64 = initialCubeValue == 1;
    d.diePercent = dieSize;
    d.singleClick = singleClick;
    return d;
}

// ---- the document link ---------------------------------------------------------------------------

// The pane is a view of the session; the match's hints come from the session's game document.
class CBgClientView::DocumentLink : public platform::View {
public:
    explicit DocumentLink(CBgClientView* owner) : m_owner(owner) {}
    void OnUpdate(platform::View*, int hint, platform::Object*) override { m_owner->OnDocumentUpdate(hint); }

private:
    CBgClientView* m_owner;
};

CBgClientView::CBgClientView(QWidget* parent)
    : CGameView(parent), m_board(new CBackgammonBoardCtl(this)), m_top(new QLabel(this)),
      m_bottom(new QLabel(this)), m_forcedTimer(new QTimer(this)),
      m_link(std::make_unique<DocumentLink>(this)) {
    m_top->setObjectName(QStringLiteral("topPlayer"));
    m_bottom->setObjectName(QStringLiteral("bottomPlayer"));
    m_top->setTextFormat(Qt::PlainText);
    m_bottom->setTextFormat(Qt::PlainText);
    m_board->setObjectName(QStringLiteral("board"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    layout->addWidget(m_top);
    layout->addWidget(m_board, 1);
    layout->addWidget(m_bottom);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    for (int i = 0; i < kButtonCount; ++i) {
        auto* button = new QPushButton(QString::fromLatin1(kButtonTexts[i]), this);
        button->setFocusPolicy(Qt::NoFocus);
        // The row of buttons may narrow down to their texts: a wide row would hold the board pane
        // wider than a small window and push the match log out of sight.
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("Resign")) + 12);
        connect(button, &QPushButton::clicked, this, [this, i] { PressButton(Button(i)); });
        buttons->addWidget(button);
        m_buttons[i] = button;
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);

    m_board->SetScheme(CBgColorScheme(-1));
    m_options = CBgPlaySettings::Load();
    m_board->SetDisplayOptions(m_options.DisplayOptions());
    m_board->SetCommandHandler([this](const QString& command) { DoCommand(command); });
    m_forcedTimer->setSingleShot(true);
    connect(m_forcedTimer, &QTimer::timeout, this, &CBgClientView::PlayForcedMove);
}

CBgClientView::~CBgClientView() {
    if (m_link->GetDocument())
        m_link->GetDocument()->RemoveView(m_link.get());
}

void CBgClientView::RegisterPane() {
    CMultiPaneFrame::RegisterPane(QString::fromLatin1(kPaneTag),
                                  [](QWidget* parent) { return new CBgClientView(parent); });
}

CBackgammonDoc* CBgClientView::GetBgDoc() const {
    return platform::object_cast<CBackgammonDoc>(GetGameDocument());
}

QWidget* CBgClientView::GetControl() {
    return m_board;
}

void CBgClientView::LinkDocument() {
    platform::Document* document = GetBgDoc();
    if (m_link->GetDocument() == document)
        return;
    if (m_link->GetDocument())
        m_link->GetDocument()->RemoveView(m_link.get());
    if (document)
        document->AddView(m_link.get());
    m_seenRevision = -1;
    m_soundRecord = -1;
}

int CBgClientView::OnCreate() {
    LinkDocument();
    return 0;
}

void CBgClientView::OnInitialUpdate() {
    LinkDocument();
    Refresh();
}

void CBgClientView::OnUpdate(platform::View* sender, int hint, platform::Object* hintObject) {
    CGameView::OnUpdate(sender, hint, hintObject);
    if (hint == kHintDisplayedMove) {
        const auto* move = platform::object_cast<CMoveHint>(hintObject);
        m_displayedMove = move ? move->moveIndex : -1;
    }
    LinkDocument();
    Refresh();
}

void CBgClientView::OnDocumentUpdate(int hint) {
    (void)hint;
    Refresh();
}

// ---- showing the match ---------------------------------------------------------------------------

void CBgClientView::Refresh() {
    CBackgammonDoc* doc = GetBgDoc();
    if (!doc) {
        m_board->SetUserSide(0);
        UpdateButtons();
        UpdateLabels();
        return;
    }
    const int count = doc->GetMatchRecord().GetCount();
    FollowSounds(*doc);
    if (doc->GetBoardRevision() != m_seenRevision) {
        // The match moved on: the user's unfinished steps belonged to the position before.
        m_local = doc->GetBoard();
        m_seenRevision = doc->GetBoardRevision();
    }
    // A match read from a file is only looked at.
    const int side = doc->GetSession() ? doc->GetLocalSide() : 0;
    m_board->SetViewerSide(doc->GetLocalSide() == 2 ? 2 : 1);
    const bool live = m_displayedMove < 0 || m_displayedMove >= count - 1;
    if (live) {
        // While the opponent is away nothing is played, a half-made move included: it waits on the
        // board for his return. Nor once the connection has ended: the match stays on show.
        m_board->SetUserSide(doc->IsOpponentAway() || doc->IsOffline() ? 0 : side);
        m_board->SetBoard(m_local);
    } else {
        CBackgammonBoard past;
        doc->BuildBoardAt(m_displayedMove, past);
        m_board->SetUserSide(0);
        m_board->SetBoard(past);
    }
    UpdateButtons();
    UpdateLabels();
    MaybePlayForcedMove();
}

void CBgClientView::FollowSounds(const CBackgammonDoc& doc) {
    const CMatchRecord& record = doc.GetMatchRecord();
    if (!doc.GetSession() || m_soundRecord < 0 || m_soundRecord > record.GetCount()) {
        // Not online, or not in step yet: the position so far comes in silence.
        static_cast<CBackgammonBoard&>(m_sounds) = doc.GetBoard();
        m_soundRecord = doc.GetSession() ? record.GetCount() : -1;
        return;
    }
    m_sounds.SetSoundSide(doc.GetLocalSide());
    const QString own = doc.GetSession()->GetNickname();
    QString command;
    for (; m_soundRecord < record.GetCount(); ++m_soundRecord) {
        if (!record.GetMoveText(m_soundRecord, command) || command.isEmpty() || command.at(0) == u's')
            continue;
        // The user's own plays sounded step by step as they were made.
        const bool mine = !own.isEmpty() && record.GetPacket(m_soundRecord)->source == own;
        if (mine)
            m_sounds.ApplyCommand(command);
        else
            m_sounds.ApplyCommandWithSound(command);
    }
}

QString CBgClientView::GetPlayerLine(bool top) const {
    return top ? m_top->text() : m_bottom->text();
}

void CBgClientView::UpdateLabels() {
    const CBackgammonBoard& board = m_board->GetBoard();
    const int viewer = m_board->GetViewerSide();
    auto line = [&](int side) {
        QString name = board.GetPlayerName(side);
        if (name.isEmpty())
            name = side == 1 ? QStringLiteral("Black") : QStringLiteral("White");
        QString text = QStringLiteral("%1   Score %2   Pips %3")
                           .arg(name)
                           .arg(board.GetScore(side))
                           .arg(board.GetPipCount(side));
        const int state = board.GetState();
        if (state != CBackgammonBoard::kStateAtRest && state != CBackgammonBoard::kStateEdit &&
            board.GetActingSide() == side)
            text += QStringLiteral("   (to play)");
        return text;
    };
    m_top->setText(line(3 - viewer));
    m_bottom->setText(line(viewer));
}

void CBgClientView::UpdateButtons() {
    CBackgammonDoc* doc = GetBgDoc();
    const int side = doc && doc->GetSession() ? doc->GetLocalSide() : 0;
    // Nothing more goes out while the referee has not answered the last command, nor while the
    // opponent is away.
    const bool live = m_board->GetUserSide() != 0 && !(doc && (doc->IsAwaitingAnswer() || doc->IsOpponentAway()));
    const CBackgammonBoard& b = m_local;
    const int state = b.GetState();
    const bool onRoll = live && side != 0 && b.GetSideOnRoll() == side;
    const bool acting = live && side != 0 && b.GetActingSide() == side;
    const bool resignOffered = state == CBackgammonBoard::kStateResignOffered;
    bool enabled[kButtonCount] = {};
    // Between two games of a money session the next one starts by agreement in the continue dialog,
    // not with Roll; after the session ended there is none.
    enabled[kRoll] = (onRoll && state == CBackgammonBoard::kStateAwaitingRoll) ||
                     (live && side == 1 && state == CBackgammonBoard::kStateAtRest && !b.IsMatchOver() &&
                      doc && doc->GetMatchRecord().GetMoveCount() > 0 && !doc->IsNextGameByAgreement());
    // Double also answers a double with a beaver, when the terms allow beavers.
    enabled[kDouble] = (onRoll && state == CBackgammonBoard::kStateAwaitingRoll && b.CanDouble()) ||
                       (acting && b.CanBeaver());
    enabled[kTake] = acting && (state == CBackgammonBoard::kStateCubeOffered || resignOffered);
    enabled[kPass] = enabled[kTake];
    enabled[kResign] =
        onRoll && (state == CBackgammonBoard::kStateAwaitingRoll || state == CBackgammonBoard::kStateMoving);
    enabled[kUndo] = onRoll && state == CBackgammonBoard::kStateMoving && b.GetStepCount() > 0;
    enabled[kDone] =
        onRoll && state == CBackgammonBoard::kStateMoving && b.GetStepCount() >= b.GetDiceToPlay();
    // (Not "&Accept": Alt+A is the main window's Action menu.)
    m_buttons[kTake]->setText(resignOffered ? QStringLiteral("A&ccept")
                                            : QString::fromLatin1(kButtonTexts[kTake]));
    m_buttons[kPass]->setText(resignOffered ? QStringLiteral("Re&ject")
                                            : QString::fromLatin1(kButtonTexts[kPass]));
    for (int i = 0; i < kButtonCount; ++i) {
        m_buttons[i]->setEnabled(enabled[i]);
        m_buttons[i]->setVisible(side != 0);
    }
}

// ---- commands ------------------------------------------------------------------------------------

bool CBgClientView::SendToDocument(const QString& command) {
    CBackgammonDoc* doc = GetBgDoc();
    if (!doc)
        return false;
    const QChar letter = command.isEmpty() ? QChar() : command.at(0);
    bool sent = false;
    if (letter == u'r' && command.trimmed() == QLatin1String("r"))
        sent = doc->RollDice();
    else if (letter == u'n' && command.trimmed() == QLatin1String("n"))
        sent = doc->StartNextGame();
    else
        sent = doc->SendGameCommand(command);
    return sent;
}

bool CBgClientView::DoCommand(const QString& command) {
    CBackgammonDoc* doc = GetBgDoc();
    if (!doc || doc->GetLocalSide() == 0 || m_board->GetUserSide() == 0)
        return false;
    const QString text = command.simplified();
    if (text.isEmpty())
        return false;
    const QChar letter = text.at(0);
    if (letter == u'c' || letter == u'z') {
        // Steps and take-backs are the user's own until the play is done.
        if (m_local.GetSideOnRoll() != doc->GetLocalSide() ||
            m_local.ApplyCommand(text, CBackgammonBoard::kCheckOnly) != 1)
            return false;
        m_sounds.PlayCommandSound(text);
        m_local.ApplyCommand(text);
        m_board->SetBoard(m_local);
        UpdateButtons();
        UpdateLabels();
        return true;
    }
    if (letter == u'd' && m_options.confirmDoubles &&
        platform::ui().MessageBox(this, QStringLiteral("Do you want to double?"), QStringLiteral("Double"),
                                  platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
        return false;
    return SendToDocument(text);
}

bool CBgClientView::PressButton(Button button) {
    if (!m_buttons[button]->isEnabled())
        return false;
    const bool resignOffered = m_local.GetState() == CBackgammonBoard::kStateResignOffered;
    switch (button) {
    case kRoll:
        return DoCommand(m_local.GetState() == CBackgammonBoard::kStateAtRest ? QStringLiteral("n")
                                                                              : QStringLiteral("r"));
    case kDouble:
        return DoCommand(QStringLiteral("d"));
    case kTake:
        return DoCommand(resignOffered ? QStringLiteral("y") : QStringLiteral("a"));
    case kPass:
        return DoCommand(resignOffered ? QStringLiteral("u") : QStringLiteral("k"));
    case kResign:
        ChooseResignation();
        return true;
    case kUndo:
        return DoCommand(QStringLiteral("z"));
    case kDone:
        return DoCommand(m_local.FormatPendingPlayCommand());
    case kButtonCount:
        break;
    }
    return false;
}

void CBgClientView::ChooseResignation() {
    QMenu menu(this);
    const char* const levels[] = {"Resign a &Single Game", "Resign a &Gammon", "Resign a &Backgammon"};
    for (int level = 1; level <= 3; ++level) {
        QAction* action = menu.addAction(QString::fromLatin1(levels[level - 1]));
        connect(action, &QAction::triggered, this,
                [this, level] { DoCommand(QStringLiteral("x %1").arg(level)); });
    }
    menu.exec(m_buttons[kResign]->mapToGlobal(QPoint(0, m_buttons[kResign]->height())));
}

QMenu* CBgClientView::CreateContextMenu(int menuId) {
    if (menuId != GetContextMenuId())
        return nullptr;
    auto* menu = new QMenu(this);
    QAction* action = platform::MakeAction(kCmdBearOffEquity, QStringLiteral("&Bear-off Equity..."), menu);
    platform::CommandState state;
    OnUpdateCommand(kCmdBearOffEquity, state);
    action->setEnabled(state.enabled);
    connect(action, &QAction::triggered, this, [this] { OnCommand(kCmdBearOffEquity); });
    menu->addAction(action);
    menu->addSeparator();
    QAction* settings = platform::MakeAction(kCmdBackgammonSettings, QStringLiteral("Backgammon &Settings..."), menu);
    connect(settings, &QAction::triggered, this, [this] { OnCommand(kCmdBackgammonSettings); });
    menu->addAction(settings);
    return menu;
}

bool CBgClientView::OnUpdateCommand(int id, platform::CommandState& state) {
    if (id == kCmdBackgammonSettings)
        return true;
    if (id != kCmdBearOffEquity)
        return CGameView::OnUpdateCommand(id, state);
    const CSessionDoc* session = GetSessionDoc();
    state.enabled = session && session->IsConnected() && GetBgDoc() && IsBearOffPosition(GetShownBoard());
    return true;
}

bool CBgClientView::OnCommand(int id) {
    if (id == kCmdBackgammonSettings) {
        ShowBackgammonSettings(window());
        return true;
    }
    if (id != kCmdBearOffEquity)
        return CGameView::OnCommand(id);
    CSessionDoc* session = GetSessionDoc();
    if (session)
        RequestBearOffEquity(session, GetShownBoard(), session->GetServiceName().GetText());
    return true;
}

bool CBgClientView::CanUndo() const {
    return m_local.GetState() == CBackgammonBoard::kStateMoving && m_local.GetStepCount() > 0 &&
           m_board->GetUserSide() != 0;
}

void CBgClientView::Undo() {
    DoCommand(QStringLiteral("z"));
}

void CBgClientView::MaybePlayForcedMove() {
    CBackgammonDoc* doc = GetBgDoc();
    if (!m_options.playForcedMoves || !doc || m_board->GetUserSide() == 0 ||
        m_local.GetState() != CBackgammonBoard::kStateMoving ||
        m_local.GetSideOnRoll() != doc->GetLocalSide() || m_local.GetStepCount() != 0) {
        m_forcedTimer->stop();
        return;
    }
    std::vector<BgPlay> plays;
    m_local.GetLegalPlays(plays);
    if (plays.size() == 1 && !m_forcedTimer->isActive())
        m_forcedTimer->start(m_options.forcedMoveDelayMs);
}

void CBgClientView::PlayForcedMove() {
    CBackgammonDoc* doc = GetBgDoc();
    if (!doc || m_local.GetState() != CBackgammonBoard::kStateMoving || m_local.GetStepCount() != 0)
        return;
    std::vector<BgPlay> plays;
    m_local.GetLegalPlays(plays);
    if (plays.size() != 1)
        return;
    SendToDocument(CBackgammonBoard::MoveCommand(m_local.GetSideOnRoll(), plays[0]));
}

// ---- messages and packets ------------------------------------------------------------------------

bool CBgClientView::OnMessage(platform::MessageId id, qintptr, platform::Object* lParam) {
    if (id == PlayOptionsMessage()) {
        m_options = CBgPlaySettings::Load();
        m_board->SetDisplayOptions(m_options.DisplayOptions());
        MaybePlayForcedMove();
        return true;
    }
    if (id == PropertiesMessage()) {
        // The die size and the cube's first face are board properties too: they come with the scheme.
        m_options = CBgPlaySettings::Load();
        m_board->SetDisplayOptions(m_options.DisplayOptions());
        // The scheme travels as a text object; anything else is not a scheme.
        if (const auto* scheme = platform::object_cast<CBgSchemeObject>(lParam))
            m_board->SetScheme(scheme->scheme);
        else
            m_board->SetScheme(CBgColorScheme(-1));
        return true;
    }
    return false;
}

bool CBgClientView::HandlePacket(int type, const QString& text) {
    if (type != kBearOffReply)
        return false;
    CSessionDoc* session = GetSessionDoc();
    const QString room = session ? session->GetServiceName().GetText() : QString();
    const std::optional<QString> message = BearOffEquityText(text, room);
    if (!message)
        return false;
    // Only the answer to a question asked here opens a box, and the box leaves the keyboard alone.
    if (session->TakeAnswer(kBearOffReply, room.toLower()))
        PostDeferredMessageBox(*message, platform::MB_OK | platform::MB_ICONINFORMATION);
    return true;
}

bool RequestBearOffEquity(CSessionDoc* session, const CBackgammonBoard& board, const QString& serviceName) {
    if (!session || !IsBearOffPosition(board))
        return false;
    // The position as the side on roll sees it, so that the reply is that side's chance.
    const int onRoll = board.GetSideOnRoll();
    QString text;
    WritePacketCString(text, serviceName);
    text += QLatin1Char(' ');
    WritePacketCString(text, board.GetPlayerName(onRoll));
    text += QLatin1Char(' ');
    text += board.GetSavedBoardText(onRoll);
    if (!session->Send(CBgClientView::kBearOffRequest, text, -1, QStringLiteral(".")))
        return false;
    session->OpenQuestion(CBgClientView::kBearOffReply, serviceName.toLower());
    return true;
}

std::optional<QString> BearOffEquityText(const QString& replyText, const QString& serviceName) {
    // "<service name>" "<chance of the side on roll, 0..1>" "<side on roll's name>"
    CPacketCursor cursor(replyText);
    QString service, name;
    double chance = -1;
    if (!ReadPacketString(cursor, service) || service.compare(serviceName, Qt::CaseInsensitive) != 0 ||
        !ReadPacketFloat(cursor, chance) || !(chance >= 0 && chance <= 1))
        return std::nullopt;
    ReadPacketString(cursor, name);
    const QString who = name.isEmpty() ? QStringLiteral("The side on roll") : name;
    return QStringLiteral("%1 wins this bear-off %2% of the time (cubeless, %1 on roll).")
        .arg(who, QString::number(chance * 100.0, 'f', 2));
}

bool ShowBearOffEquity(QWidget* parent, const QString& replyText, const QString& serviceName) {
    const std::optional<QString> text = BearOffEquityText(replyText, serviceName);
    if (!text)
        return false;
    platform::ui().MessageBox(parent, *text, QStringLiteral("Bear-off Equity"),
                              platform::MB_OK | platform::MB_ICONINFORMATION);
    return true;
}
