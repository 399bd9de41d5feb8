#include "records/BGPropositionView.h"

#include "frame/MultiPaneFrame.h"
#include "records/BGPropDoc.h"
#include "records/BGPropSetupDlgs.h"

#include <QMdiSubWindow>
#include <QMenu>
#include <QToolBar>
#include <QVBoxLayout>

#include "platform/Win32Codes.h"

namespace {

platform::MessageId PropertiesMessage() {
    static const platform::MessageId id =
        platform::RegisterMessage(QStringLiteral("KELDERWICK_BG_PROPERTIES_CHANGED"));
    return id;
}

} // namespace

const char* const CBGPropositionView::kLineArtScheme =
    "0 1 0 0 16777215 16777215 0 4294967295 \"\" 0 0 0 16777215 4294967295 12632256 \"\" 0 0 8421504 0 0 "
    "16777215 \"\" 0 0 12632256 16777215 0 16777215 \"\" 0 0 8421504 0 0 16777215 \"\" 0 0 16777215 0 0 "
    "16777215 \"\" 0 0 12632256 0 0 16777215 \"\" 0 0 16 0 0 16777215 \"\" 0 0 16777215 0 0 0 \"\" 16777215 0 "
    "16777215 \"Arial\" 700 0 0 0 11468799 0 0 0 \"\"";

// The pane is a view of the session; the position's changes come from the proposition document.
class CBGPropositionView::DocumentLink : public platform::View {
public:
    explicit DocumentLink(CBGPropositionView* owner) : m_owner(owner) {}
    void OnUpdate(platform::View*, int, platform::Object*) override { m_owner->Refresh(); }

private:
    CBGPropositionView* m_owner;
};

CBGPropositionView::CBGPropositionView(QWidget* parent)
    : CGameView(parent), m_board(new CBackgammonBoardCtl(this)), m_toolBar(nullptr), m_link(std::make_unique<DocumentLink>(this)) {
    m_board->setObjectName(QStringLiteral("BgBoard"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The set-up commands, also on the board's context menu.
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("ToolbarBGProp"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const std::pair<int, const char*> tools[] = {
        {kCmdClearBoard, "Clear"}, {kCmdResetBoard, "Reset"}, {kCmdSetCube, "Cube..."}, {kCmdSetTurn, "Turn..."}};
    for (const auto& [id, text] : tools) {
        QAction* action = platform::MakeAction(id, QString::fromLatin1(text), m_toolBar);
        action->setToolTip(CommandPrompt(id));
        action->setStatusTip(CommandPrompt(id));
        const int command = id;
        connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
        m_toolBar->addAction(action);
    }
    layout->addWidget(m_toolBar);
    layout->addWidget(m_board, 1);
    m_board->SetScheme(CBgColorScheme(CBgColorScheme::kSet2D, QString::fromLatin1(kLineArtScheme)));
    m_board->SetEditing(true);
    m_board->SetCommandHandler([this](const QString& command) { ApplyBoardCommand(command); });
}

CBGPropositionView::~CBGPropositionView() {
    if (m_link->GetDocument())
        m_link->GetDocument()->RemoveView(m_link.get());
}

void CBGPropositionView::RegisterPane() {
    CMultiPaneFrame::RegisterPane(QString::fromLatin1(kPaneTag),
                                  [](QWidget* parent) { return new CBGPropositionView(parent); });
}

QString CBGPropositionView::CommandPrompt(int id) {
    switch (id) {
    case kCmdClearBoard:
        return QStringLiteral("Move all checkers off the board");
    case kCmdSetCube:
        return QStringLiteral("Assign cube value and ownership.");
    case kCmdSetTurn:
        return QStringLiteral("Sets who is on turn");
    case kCmdResetBoard:
        return QStringLiteral("Reset the board to opening position");
    default:
        return QString();
    }
}

CBGPropDoc* CBGPropositionView::GetPropDoc() const {
    return platform::object_cast<CBGPropDoc>(GetGameDocument());
}

void CBGPropositionView::LinkDocument() {
    platform::Document* document = GetPropDoc();
    if (m_link->GetDocument() == document)
        return;
    if (m_link->GetDocument())
        m_link->GetDocument()->RemoveView(m_link.get());
    if (document)
        document->AddView(m_link.get());
}

int CBGPropositionView::OnCreate() {
    // A proposition pane shows nothing but a proposition.
    if (!GetPropDoc())
        return -1;
    LinkDocument();
    ResetEditBoard(false);
    return 0;
}

void CBGPropositionView::OnInitialUpdate() {
    LinkDocument();
    Refresh();
}

void CBGPropositionView::OnUpdate(platform::View* sender, int hint, platform::Object* hintObject) {
    CGameView::OnUpdate(sender, hint, hintObject);
    LinkDocument();
    Refresh();
}

void CBGPropositionView::Refresh() {
    const CBGPropDoc* doc = GetPropDoc();
    if (!doc)
        return;
    m_board->SetBoard(doc->GetBoard());
    const QString title = FormatTitle();
    if (CMultiPaneFrame* frame = GetMultiPaneFrame()) {
        frame->setWindowTitle(title);
        if (auto* sub = qobject_cast<QMdiSubWindow*>(frame->parentWidget()))
            sub->setWindowTitle(title);
    }
}

QString CBGPropositionView::FormatTitle() const {
    const CBGPropDoc* doc = GetPropDoc();
    if (!doc)
        return QString();
    return doc->GetBoard().FormatPlayersTitle() + QStringLiteral(": ") + doc->GetBoard().FormatGameHeader();
}

void CBGPropositionView::resizeEvent(QResizeEvent* event) {
    CGameView::resizeEvent(event);
    Refresh();
}

void CBGPropositionView::Commit(const CBackgammonBoard& board) {
    if (CBGPropDoc* doc = GetPropDoc())
        doc->SetBoard(board);
}

bool CBGPropositionView::ApplyBoardCommand(const QString& command) {
    CBGPropDoc* doc = GetPropDoc();
    if (!doc || !doc->ApplyEdit(command)) {
        Refresh(); // the control shows the document's board again
        return false;
    }
    return true;
}

void CBGPropositionView::ResetEditBoard(bool reset) {
    CBGPropDoc* doc = GetPropDoc();
    if (!doc)
        return;
    CBackgammonBoard board = doc->GetBoard();
    if (reset)
        board.SetupPosition();
    CBGPropDoc::PrepareForEditing(board);
    if (reset)
        Commit(board);
    else
        Refresh();
}

void CBGPropositionView::OnClearBoard() {
    const CBGPropDoc* doc = GetPropDoc();
    if (!doc)
        return;
    CBackgammonBoard board = doc->GetBoard();
    CBGPropDoc::PrepareForEditing(board);
    // Every checker between the trays goes to its side's tray; the trays themselves stay as they are.
    for (int position = CBackgammonBoard::kBar2; position <= CBackgammonBoard::kBar1; ++position) {
        for (int side = 1; side <= 2; ++side) {
            const int count = board.GetCheckers(side, position);
            for (int i = 0; i < count; ++i) {
                board.RemoveChecker(position);
                board.AddChecker(side, side == 1 ? CBackgammonBoard::kTray1 : CBackgammonBoard::kTray2);
            }
        }
    }
    Commit(board);
}

void CBGPropositionView::OnSetCube() {
    const CBGPropDoc* doc = GetPropDoc();
    if (!doc)
        return;
    CBackgammonBoard board = doc->GetBoard();
    CBGPropSetCube dialog(this);
    dialog.m_cubeValue = board.GetCubeValue() < 3 ? 2 : board.GetCubeValue();
    dialog.m_ownerIndex = board.GetCubeOwner();
    if (dialog.DoModal() != platform::IDOK)
        return;
    // An owned cube is worth at least 2; a cube left at 1 stays in the middle.
    if (dialog.m_ownerIndex >= 1 && dialog.m_cubeValue > 1)
        board.SetCube(dialog.m_cubeValue, dialog.m_ownerIndex);
    else
        board.SetCube(1, 0);
    Commit(board);
}

void CBGPropositionView::OnSetTurn() {
    const CBGPropDoc* doc = GetPropDoc();
    if (!doc)
        return;
    CBackgammonBoard board = doc->GetBoard();
    CBGPropSetTurn dialog(this);
    dialog.m_index = board.GetSideOnRoll() == 2 ? 1 : 0;
    if (dialog.DoModal() != platform::IDOK)
        return;
    board.SetSideOnRoll(dialog.m_index == 1 ? 2 : 1);
    Commit(board);
}

QMenu* CBGPropositionView::CreateContextMenu(int menuId) {
    if (menuId != kContextMenu)
        return nullptr;
    auto* menu = new QMenu(this);
    const std::pair<int, const char*> entries[] = {{kCmdClearBoard, "&Clear Board"},
                                                   {kCmdResetBoard, "&Reset Board"},
                                                   {kCmdSetCube, "Set C&ube..."},
                                                   {kCmdSetTurn, "Set &Turn..."}};
    for (const auto& [id, text] : entries) {
        QAction* action = platform::MakeAction(id, QString::fromLatin1(text), menu);
        action->setStatusTip(CommandPrompt(id));
        platform::CommandState state;
        OnUpdateCommand(id, state);
        action->setEnabled(state.enabled);
        const int command = id;
        connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
        menu->addAction(action);
        if (id == kCmdResetBoard)
            menu->addSeparator();
    }
    return menu;
}

bool CBGPropositionView::OnCommand(int id) {
    switch (id) {
    case kCmdClearBoard:
        OnClearBoard();
        return true;
    case kCmdSetCube:
        OnSetCube();
        return true;
    case kCmdSetTurn:
        OnSetTurn();
        return true;
    case kCmdResetBoard:
        ResetEditBoard(true);
        return true;
    case CBGPropDoc::kCmdFileSave:
    case CBGPropDoc::kCmdFileSaveAs:
        if (CBGPropDoc* doc = GetPropDoc())
            doc->OnFileSave(id == CBGPropDoc::kCmdFileSaveAs);
        return true;
    default:
        return CGameView::OnCommand(id);
    }
}

bool CBGPropositionView::OnUpdateCommand(int id, platform::CommandState& state) {
    switch (id) {
    case kCmdClearBoard:
    case kCmdSetCube:
    case kCmdSetTurn:
    case kCmdResetBoard:
    case CBGPropDoc::kCmdFileSave:
    case CBGPropDoc::kCmdFileSaveAs:
        state.enabled = GetPropDoc() != nullptr;
        return true;
    default:
        return CGameView::OnUpdateCommand(id, state);
    }
}

bool CBGPropositionView::OnMessage(platform::MessageId id, qintptr, platform::Object* lParam) {
    if (id != PropertiesMessage())
        return false;
    // The user's appearance replaces the line art; a message without a scheme leaves the board as it is.
    if (const auto* scheme = platform::object_cast<CBgSchemeObject>(lParam)) {
        m_board->SetScheme(scheme->scheme);
        while (m_board->OnIdle()) {
        }
        m_board->update();
    }
    return true;
}
