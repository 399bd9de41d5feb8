#include "lobby/UserListView.h"

#include "game/ClientGameFactory.h"
#include "lobby/RelationsSubDoc.h"
#include "lobby/UserListArt.h"
#include "lobby/UserListColumnsPage.h"
#include "lobby/UserListModel.h"
#include "platform/Color.h"
#include "platform/PostCall.h"
#include "prefs/IconManager.h"
#include "session/GameModule.h"
#include "session/LobbyUserMap.h"
#include "session/ServiceName.h"
#include "support/SettingsStore.h"
#include "support/TextWindowStyle.h"
#include "support/SharedPalette.h"
#include "support/Utilities.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kToolButtonSize = 40;
constexpr int kCommandUiMilliseconds = 1000;
constexpr int kPreferredRows = 15;
constexpr int kMinimumRows = 2;
constexpr int kMinimumWidth = 120;

platform::MessageId MessageIdOf(const char* name) {
    return platform::RegisterMessage(QString::fromLatin1(name));
}

FlyoverWindowFactory& flyoverFactory() {
    static FlyoverWindowFactory factory = [](QWidget* parent) -> std::unique_ptr<CFlyoverWindow> {
        return PlayerFlyover::MakePopupWindow(parent);
    };
    return factory;
}

Qt::Alignment QtAlignment(int alignment) {
    if (alignment == UserListAlign::Right)
        return Qt::AlignRight | Qt::AlignVCenter;
    if (alignment == UserListAlign::Centre)
        return Qt::AlignHCenter | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

} // namespace

CUserListView::CUserListView(QWidget* parent, int listControlId)
    : CGameView(parent), m_listControlId(listControlId) {}

CUserListView::~CUserListView() {
    // Widths and order as the user left them.
    if (m_layoutLoaded && m_list) {
        readBackWidths();
        CUserListView::SaveLayout();
    }
    HideFlyover();
    m_flyover.reset();
    if (m_watermarkSlot >= 0)
        GetSharedPalette().FreeSlot(m_watermarkSlot);
}

void CUserListView::SetFlyoverWindowFactory(FlyoverWindowFactory factory) {
    flyoverFactory() = std::move(factory);
}

// ---------------------------------------------------------------------------------------------------
// Creation

int CUserListView::OnCreate() {
    m_model = new CUserListModel(this);
    m_model->SetCompare(
        [this](const CClientUserInfo& a, const CClientUserInfo& b) { return CompareUsers(a, b); },
        CUserListModel::Placement::BeforeEqual);
    m_model->SetCellText([this](const CClientUserInfo& user, int column) { return CellText(user, column); });

    m_list = new CUserListCtrl(this, this);
    m_list->setObjectName(QString::number(m_listControlId));
    m_list->setAccessibleName(QStringLiteral("Players"));
    m_list->SetModel(m_model);
    connect(m_model, &CUserListModel::gatheredRowsChanged, m_list->viewport(), qOverload<>(&QWidget::update));
    // A flyover goes when the row of the player it shows goes.
    const auto rowsGoing = [this](const QModelIndex&, int first, int last) {
        for (int row = first; m_flyoverUser && row <= last; ++row) {
            if (m_model->UserAt(row) == m_flyoverUser)
                HideFlyover();
        }
    };
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, rowsGoing);
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (m_flyoverUser)
            HideFlyover();
    });
    setFocusProxy(m_list);

    m_buttonFont.Load(QString());
    m_talkButton = new QPushButton(QStringLiteral("Talk..."), this);
    m_talkButton->setObjectName(QString::number(kCmdTalkButton));
    m_infoButton = new QPushButton(QStringLiteral("Player Info..."), this);
    m_infoButton->setObjectName(QString::number(kCmdInfoButton));
    for (QPushButton* button : {m_talkButton, m_infoButton}) {
        button->setFont(m_buttonFont.GetFont());
        button->hide();
    }
    connect(m_talkButton, &QPushButton::clicked, this, [this] { OnCommand(kCmdTalkButton); });
    connect(m_infoButton, &QPushButton::clicked, this, [this] { OnCommand(kCmdInfoButton); });

    if (GetToolBarButtonCount() > 0) {
        buildToolBar();
        // The buttons follow the relation lists and the selected players' state as they change.
        auto* commandUi = new QTimer(this);
        connect(commandUi, &QTimer::timeout, this, [this] {
            if (isVisible())
                UpdateCommandUi();
        });
        commandUi->start(kCommandUiMilliseconds);
    }
    LayoutControls();
    return 0;
}

void CUserListView::buildToolBar() {
    const std::vector<QIcon> icons = UserListArt::ListToolBarIcons();

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(UserListArt::kToolBarImageSize, UserListArt::kToolBarImageSize));
    const std::vector<ToolBarButton> buttons = GetToolBarButtons();
    for (int i = 0; i < std::min<int>(GetToolBarButtonCount(), int(buttons.size())); ++i) {
        const ToolBarButton& button = buttons[i];
        const QIcon icon =
            button.image >= 0 && button.image < int(icons.size()) ? icons[size_t(button.image)] : QIcon();
        QAction* action = platform::MakeAction(button.command, QString(), m_toolBar);
        action->setIcon(icon);
        action->setCheckable(button.checkable);
        const int command = button.command;
        connect(action, &QAction::triggered, this, [this, command] {
            m_router.Route(command, this);
            UpdateCommandUi();
        });
        m_toolBar->addAction(action);
        if (QWidget* widget = m_toolBar->widgetForAction(action)) {
            widget->setObjectName(QString::number(command));
            widget->setFixedSize(kToolButtonSize, kToolButtonSize);
        }
        m_toolActions[command] = action;
    }
    UpdateCommandUi();
}

CUserListLayout CUserListView::DefaultLayout() const {
    CUserListLayout layout;
    GetDefaultLayout(layout);
    // A shown column is at least as wide as its title (with room for the sort mark), so that no
    // title starts out cut ("St" for "Status").
    const QStringList titles = GetColumnTitles();
    const QFontMetrics metrics(m_list ? m_list->header()->font() : font());
    const int extra = 2 * UserListPaint::kTextInset + metrics.height();
    for (int column = 0; column < kColumns && column < titles.size(); ++column) {
        if (layout.shown[column] && !titles[column].isEmpty())
            layout.width[column] = std::max(layout.width[column], metrics.horizontalAdvance(titles[column]) + extra);
    }
    return layout;
}

void CUserListView::OnInitialUpdate() {
    const CUserListLayout defaults = DefaultLayout();
    m_layout = defaults;
    LoadLayout();
    m_titles = GetColumnTitles();
    insertColumns();
    ApplyFontAndColours();
    UpdateCommandUi();
    // The commands that reach other players go off as soon as the connection ends.
    if (CSessionDoc* session = GetSessionDoc())
        connect(session, &CSessionDoc::connectionClosed, this, &CUserListView::OnListSelectionChanged,
                Qt::UniqueConnection);
}

QWidget* CUserListView::GetControl() {
    return m_list ? static_cast<QWidget*>(m_list) : this;
}

bool CUserListView::WantsKey(int virtualKey) const {
    switch (virtualKey) {
    case 27: // Escape
    case 32: // blank, page up and down, end, home
    case 33:
    case 34:
    case 35:
    case 36:
    case 38: // up
    case 40: // down
        return true;
    default:
        return CGameView::WantsKey(virtualKey);
    }
}

void CUserListView::LayoutControls() {
    int top = 0;
    if (m_toolBar) {
        const int height = m_toolBar->sizeHint().height();
        m_toolBar->setGeometry(0, 0, width(), height);
        top = height;
    }
    if (m_list)
        m_list->setGeometry(0, top, width(), std::max(0, height() - top));
}

QSize CUserListView::sizeHint() const {
    return sizeForRows(kPreferredRows);
}

QSize CUserListView::minimumSizeHint() const {
    // The columns scroll sideways: held as wide as all of them, the list would make a window wider
    // than a small screen (or one at a large scale) and push what stands beside it out of sight.
    return QSize(kMinimumWidth, sizeForRows(kMinimumRows).height());
}

QSize CUserListView::sizeForRows(int rows) const {
    int width = 0;
    for (const int column : m_layout.ShownInOrder())
        width += m_layout.width[column];
    int height = rows * m_rowHeight + 2 * UserListPaint::kTextInset;
    if (m_list)
        height += m_list->header()->sizeHint().height();
    if (m_toolBar)
        height += m_toolBar->sizeHint().height();
    return QSize(std::max(width, kMinimumWidth), height);
}

void CUserListView::resizeEvent(QResizeEvent* event) {
    CGameView::resizeEvent(event);
    LayoutControls();
}

// ---------------------------------------------------------------------------------------------------
// Rows

int CUserListView::FindRow(const CClientUserInfo* user) const {
    if (!m_model)
        return -1;
    const int row = m_model->RowOf(user);
    if (row >= 0 || !m_model->Contains(user))
        return row;
    // A user noted in this turn is placed first.
    m_model->FlushGathered();
    return m_model->RowOf(user);
}

int CUserListView::GetRowCount() const {
    return m_model ? m_model->UserCount() : 0;
}

CClientUserInfo* CUserListView::GetUserAt(int row) const {
    if (!m_model)
        return nullptr;
    m_model->FlushGathered();
    return m_model->UserAt(row);
}

void CUserListView::AddUser(CClientUserInfo* user) {
    if (!user || !m_model)
        return;
    if (!m_model->UserChanged(user, false))
        m_model->AddUser(user);
}

void CUserListView::UpdateUser(CClientUserInfo* user) {
    if (!user || !m_model)
        return;
    if (!m_model->UserChanged(user, (user->GetChangeMask() & UserListColumn::ResortMask(m_layout.sortColumn)) != 0))
        m_model->AddUser(user);
}

void CUserListView::RemoveUser(CClientUserInfo* user) {
    if (!user || !m_model)
        return;
    if (m_model->RemoveUser(user) && m_list)
        m_list->header()->viewport()->update();
}

void CUserListView::RemoveAllUsers() {
    if (m_model)
        m_model->Clear();
}

bool CUserListView::FollowDirectory(int hint, CClientUserInfo* user,
                                    const std::function<bool(const CClientUserInfo&)>& accepts) {
    switch (hint) {
    case CSessionDoc::kHintUserArrived:
        if (user && accepts(*user))
            AddUser(user);
        return true;
    case CSessionDoc::kHintUserLeft:
        // Whatever his record says now: it goes right after this.
        RemoveUser(user);
        return true;
    case CSessionDoc::kHintUserChanged:
        if (user && accepts(*user))
            UpdateUser(user);
        else
            RemoveUser(user);
        return true;
    case CSessionDoc::kHintUsersCleared:
        RemoveAllUsers();
        return true;
    default:
        return false;
    }
}

void CUserListView::RefillRows() {
    const CSessionDoc* session = GetSessionDoc();
    if (!m_model || !session || !session->GetUserMap())
        return;
    m_model->BeginBatch();
    m_model->Clear();
    session->GetUserMap()->ForEach(
        [this](CClientUserInfo* user) { OnUpdate(nullptr, CSessionDoc::kHintUserChanged, user); });
    m_model->EndBatch();
}

// ---------------------------------------------------------------------------------------------------
// Order

int CUserListView::CompareUsers(const CClientUserInfo& a, const CClientUserInfo& b) const {
    const int column = m_layout.sortColumn;
    const int order = CompareUsersByColumn(a, b, column);
    return m_layout.ascending[column] ? order : -order;
}

std::optional<UserSortKey> CUserListView::ColumnSortKey(const CClientUserInfo& user) const {
    const int column = m_layout.sortColumn;
    std::optional<UserSortKey> key = SortKeyByColumn(user, column);
    if (key && !m_layout.ascending[column])
        *key = UserSortKey{-key->tier, -key->value};
    return key;
}

void CUserListView::applyModelOrder() {
    if (!m_model)
        return;
    const int column = m_layout.sortColumn;
    const bool ascending = m_layout.ascending[column] != 0;
    using Placement = CUserListModel::Placement;
    // The spare column keeps rows in the order they came: new rows go to the end, or to the top.
    if (column == UserListColumn::Spare)
        m_model->SetPlacement(ascending ? Placement::Bottom : Placement::Top);
    else
        m_model->SetPlacement(ascending ? Placement::BeforeEqual : Placement::AfterEqual);
    if (m_list) {
        const int section = m_model->ModelColumn(column);
        QHeaderView* header = m_list->header();
        header->setSortIndicatorShown(section >= 0);
        if (section >= 0)
            header->setSortIndicator(section, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
}

void CUserListView::SortRows() {
    applyModelOrder();
    if (m_model)
        m_model->Sort();
}

void CUserListView::SetSortColumn(int column) {
    if (!UserListColumn::IsValid(column))
        return;
    if (column == m_layout.sortColumn)
        m_layout.ascending[column] = m_layout.ascending[column] ? 0 : 1;
    else
        m_layout.sortColumn = column;
    applyModelOrder();
}

void CUserListView::OnListColumnClick(int modelColumn) {
    if (!m_model)
        return;
    const int column = m_model->ColumnNumber(modelColumn);
    if (column < 0)
        return;
    SetSortColumn(column);
    SortRows();
    SaveLayout();
}

// ---------------------------------------------------------------------------------------------------
// Layout

void CUserListView::insertColumns() {
    if (!m_model || !m_list)
        return;
    const std::vector<int> columns = m_layout.ShownInOrder();
    std::vector<Qt::Alignment> alignments(kColumns);
    for (int column = 0; column < kColumns; ++column)
        alignments[column] = QtAlignment(m_layout.alignment[column]);
    m_model->SetColumns(columns, m_titles, alignments);
    QHeaderView* header = m_list->header();
    for (int i = 0; i < int(columns.size()); ++i)
        header->resizeSection(i, m_layout.width[columns[i]]);
    m_columnsChanged = false;
    applyModelOrder();
    m_list->viewport()->update();
}

void CUserListView::readBackWidths() {
    if (!m_model || !m_list)
        return;
    const QHeaderView* header = m_list->header();
    for (int section = 0; section < m_model->columnCount(); ++section) {
        const int column = m_model->ColumnNumber(section);
        if (UserListColumn::IsValid(column))
            m_layout.width[column] = header->sectionSize(section);
    }
}

void CUserListView::removeColumns() {
    if (!m_model)
        return;
    readBackWidths();
    m_model->SetColumns({}, m_titles, {});
}

void CUserListView::LoadLayout() {
    CSettingsStore& settings = GetSettingsStore();
    const QString section = QString::fromLatin1(RuntimeClassName());
    const CUserListLayout defaults = DefaultLayout();
    const CUserListLayoutLoad loaded = LoadUserListLayout(settings, section, m_layout, defaults);
    loadColours();
    m_layoutLoaded = true;
    if (loaded.needsDefaults) {
        // A stored order without the nickname column is not the user's: the defaults replace it, in
        // memory first, so that settings that did not take the defaults cannot bring this back. The
        // other lists of this kind load them too, without telling each other again.
        static bool telling = false;
        m_layout = defaults;
        SaveLayout();
        platform::Document* document = GetDocument();
        if (document && !telling) {
            telling = true;
            document->UpdateAllViews(this, CSessionDoc::kHintColumnsChanged, this);
            telling = false;
        }
    }
    applyModelOrder();
}

void CUserListView::SaveLayout() {
    if (m_columnsChanged) {
        m_columnsChanged = false;
        readBackWidths();
    }
    SaveUserListLayout(GetSettingsStore(), QString::fromLatin1(RuntimeClassName()), m_layout);
}

void CUserListView::loadColours() {
    CSettingsStore& settings = GetSettingsStore();
    const QString section = QString::fromLatin1(RuntimeClassName());
    const CTextWindowColors stored = CTextWindowColors::Load(section);
    m_colours.text = stored.text;
    m_colours.selectedText = stored.selectedText;
    m_colours.selectedBackground = stored.selectedBackground;
    m_colours.background = stored.background;
    // Lists have a fifth colour behind the text of a row, the background unless set.
    m_colours.textBackground =
        settings.GetUInt(section, QStringLiteral("Text Background Colour"), m_colours.background);

    m_showWatermark = stored.showWatermark;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && screen->depth() < 8)
        m_showWatermark = false;
    CSharedPalette& palette = GetSharedPalette();
    if (m_showWatermark) {
        m_watermarkSlot = palette.SetSlotColor(MakeWatermarkColour(m_colours.background), m_watermarkSlot);
    } else if (m_watermarkSlot >= 0) {
        palette.FreeSlot(m_watermarkSlot);
        m_watermarkSlot = -1;
    }
}

platform::COLORREF CUserListView::GetWatermarkColour() const {
    if (m_watermarkSlot >= 0) {
        const CSharedPalette& palette = GetSharedPalette();
        return palette.ResolveColor(palette.GetSlotColor(m_watermarkSlot));
    }
    return MakeWatermarkColour(m_colours.background);
}

int CUserListView::GetWatermarkBitmapId() const {
    if (IsKindOf("CAffinityListView"))
        return UserListArt::kWatermarkFriends;
    if (IsKindOf("CGagListView"))
        return UserListArt::kWatermarkGagged;
    if (IsKindOf("CBlindListView"))
        return UserListArt::kWatermarkBlinded;
    return CClientGameFactory::GetFactory().GetMatchBoardWatermarkBitmap();
}

void CUserListView::SetVisibleColumns(const std::array<int, kColumns>& shown) {
    std::array<int, kColumns> flags{};
    for (int column = 0; column < kColumns; ++column)
        flags[column] = shown[column] ? 1 : 0;
    if (flags == m_layout.shown)
        return;
    removeColumns();
    m_layout.shown = flags;
    insertColumns();
    SaveLayout();
    if (platform::Document* document = GetDocument())
        document->UpdateAllViews(this, CSessionDoc::kHintColumnsChanged, this);
}

void CUserListView::ApplyColumnsPage(CUserListColumnsPage& page) {
    std::array<int, kColumns> shown{};
    ReadColumnsPage(page, shown);
    SetVisibleColumns(shown);
}

void CUserListView::RestoreDefaultColumnSettings(platform::Object* page) {
    const CUserListLayout defaults = DefaultLayout();
    removeColumns();
    m_layout = defaults;
    SaveLayout();
    insertColumns();
    if (platform::Document* document = GetDocument())
        document->UpdateAllViews(this, CSessionDoc::kHintColumnsChanged, this);
    postRecreate();
    if (auto* columnsPage = platform::object_cast<CUserListColumnsPage>(page))
        FillColumnsPage(*columnsPage, m_layout.shown);
}

void CUserListView::OnListColumnsDragged() {
    // After the header has finished its own work.
    platform::PostCall(this,
                       [this] { platform::SendMessageTo(this, MessageIdOf(kColumnsReorderedMessage)); });
}

void CUserListView::OnColumnsReordered() {
    if (!m_model || !m_list)
        return;
    const QHeaderView* header = m_list->header();
    std::vector<int> shownOrder;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = m_model->ColumnNumber(header->logicalIndex(visual));
        if (UserListColumn::IsValid(column))
            shownOrder.push_back(column);
    }
    readBackWidths();
    // The shown columns take the places of the display order that shown columns held; hidden columns
    // keep theirs.
    size_t next = 0;
    for (int& column : m_layout.order) {
        if (m_layout.shown[column] && next < shownOrder.size())
            column = shownOrder[next++];
    }
    SaveLayout();
    postRecreate();
}

void CUserListView::postRecreate() {
    if (m_recreatePending)
        return;
    m_recreatePending = true;
    platform::PostCall(this, [this] {
        if (m_recreatePending)
            platform::SendMessageTo(this, MessageIdOf(kFontChangedMessage));
    });
}

void CUserListView::RecreateList() {
    m_recreatePending = false;
    if (!m_model || !m_list)
        return;
    const std::vector<CClientUserInfo*> selected = GetSelectedUsers();
    removeColumns();
    LoadLayout();
    insertColumns();
    ApplyFontAndColours();
    m_groupColours.Load();
    RefillRows();
    SortRows();
    for (const CClientUserInfo* user : selected)
        SelectUser(user, true);
}

void CUserListView::ApplyFontAndColours() {
    m_listFont.Load(QString::fromLatin1(RuntimeClassName()));
    const QFont font = m_listFont.GetFont();
    m_rowHeight = std::max(QFontMetrics(font).height(), UserListPaint::kMinRowHeight);
    if (m_list) {
        m_list->setFont(font);
        QPalette palette = m_list->palette();
        palette.setColor(QPalette::Base, platform::ToQColor(m_colours.background));
        palette.setColor(QPalette::Text, platform::ToQColor(m_colours.text));
        m_list->setPalette(palette);
        m_list->RowHeightChanged();
    }
    m_flyoverSettings.Load();
    m_flyoverEnabled = HasFlyover() && m_flyoverSettings.flyover != 0;
    if (!m_flyoverEnabled)
        HideFlyover();
}

// ---------------------------------------------------------------------------------------------------
// Updates and messages

void CUserListView::OnUpdate(platform::View* sender, int hint, platform::Object* object) {
    (void)object;
    if (hint != CSessionDoc::kHintColumnsChanged || !sender || sender == this)
        return;
    // Another list of this kind changed the layout they share.
    if (!sender->IsKindOf(RuntimeClassName()))
        return;
    removeColumns();
    LoadLayout();
    insertColumns();
    SortRows();
}

bool CUserListView::OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) {
    (void)wParam;
    if (id == MessageIdOf(kFontChangedMessage) || id == MessageIdOf(kFlyoverChangedMessage)) {
        RecreateList();
        return true;
    }
    if (id == MessageIdOf(kRestoreDefaultColumnsMessage)) {
        RestoreDefaultColumnSettings(lParam);
        return true;
    }
    // Other pages send these too (the view and flyover pages): only a columns page is read or filled.
    if (id == MessageIdOf(kViewChangedMessage)) {
        if (auto* page = platform::object_cast<CUserListColumnsPage>(lParam))
            ApplyColumnsPage(*page);
        return true;
    }
    if (id == MessageIdOf(kViewInitMessage)) {
        if (auto* page = platform::object_cast<CUserListColumnsPage>(lParam))
            FillColumnsPage(*page, m_layout.shown);
        return true;
    }
    if (id == MessageIdOf(kColumnsReorderedMessage)) {
        OnColumnsReordered();
        return true;
    }
    if (id == MessageIdOf(kUpdateIconMessage)) {
        if (m_list)
            m_list->viewport()->update();
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------
// Painting

bool CUserListView::ShowsSelectionWithoutFocus() const {
    return IsKindOf("CMatchBoardView");
}

void CUserListView::DrawListItem(QPainter& painter, const CUserListItemPaint& item) {
    if (m_columnsChanged) {
        m_columnsChanged = false;
        readBackWidths();
    }
    const CClientUserInfo* user = m_model ? m_model->UserAt(item.row) : nullptr;
    if (!user)
        return;
    painter.setFont(m_listFont.GetFont());
    const bool focus = item.listHasFocus;
    const bool selectedLook = item.selected && (focus || ShowsSelectionWithoutFocus());
    platform::COLORREF textColour;
    if (selectedLook) {
        const platform::COLORREF fill =
            focus ? m_colours.selectedBackground : UserListPaint::kUnfocusedSelection;
        if (fill != platform::kNoColor)
            painter.fillRect(item.rowRect, platform::ToQColor(fill));
        textColour = m_colours.selectedText;
    } else {
        if (!m_showWatermark && m_colours.textBackground != platform::kNoColor)
            painter.fillRect(item.rowRect, platform::ToQColor(m_colours.textBackground));
        textColour = m_colours.text;
    }
    if (textColour == platform::kNoColor)
        return;
    for (const CUserListItemPaint::Cell& cell : item.cells) {
        const int column = m_model->ColumnNumber(cell.modelColumn);
        if (!UserListColumn::IsValid(column) || cell.rect.width() <= 0)
            continue;
        painter.setPen(platform::ToQColor(textColour));
        DrawCell(painter, cell.rect, *user, column, !(item.selected && focus));
    }
}

void CUserListView::DrawCell(QPainter& painter, const QRect& cell, const CClientUserInfo& user, int column,
                             bool groupColours) {
    using namespace UserListColumn;
    using namespace UserListPaint;
    switch (column) {
    case Nickname: {
        DrawCellIcon(painter, cell, kIconLeft, UserIcon(user.GetIconId(), user.GetIconVersion()));
        if (groupColours) {
            CSessionDoc* session = GetSessionDoc();
            const platform::COLORREF colour =
                GroupColour(user, m_groupColours, session ? session->GetNickname() : QString());
            if (colour != platform::kNoColor)
                painter.setPen(platform::ToQColor(colour));
        }
        DrawCellText(painter, cell, user.GetNickname(), UserListAlign::Left, kNicknameTextLeft);
        break;
    }
    case Status:
        DrawCellIcon(painter, cell, kStatusIconLeft, UserListArt::StatusIcon(StatusIconId(user)));
        DrawCellText(painter, cell, CellText(user, column), UserListAlign::Left, kStatusTextLeft);
        break;
    case Gender:
        if (user.GetGenderIconId() != 0)
            DrawCellIcon(painter, cell, kIconLeft,
                         UserIcon(user.GetGenderIconId(), user.GetGenderIconVersion()));
        break;
    case Country:
        if (user.GetCountryIconId() != 0)
            DrawCellIcon(painter, cell, kIconLeft,
                         UserIcon(user.GetCountryIconId(), user.GetCountryIconVersion()));
        break;
    case Money:
        if (user.GetMoneyIconId() != 0)
            DrawCellIcon(painter, cell, kIconLeft, UserIcon(user.GetMoneyIconId(), 0));
        break;
    case Spare:
        break;
    default:
        DrawCellText(painter, cell, CellText(user, column), m_layout.alignment[column]);
        break;
    }
}

QString CUserListView::CellText(const CClientUserInfo& user, int column) const {
    return UserCellText(user, column);
}

int CUserListView::MeasureCell(const CClientUserInfo& user, int column, const QFontMetrics& metrics) const {
    using namespace UserListColumn;
    using namespace UserListPaint;
    switch (column) {
    case Nickname:
        return CellTextWidth(metrics, user.GetNickname(), kNicknameTextLeft);
    case Status:
        return CellTextWidth(metrics, CellText(user, column), kStatusTextLeft);
    case Gender:
        return user.GetGenderIconId() != 0 ? kIconLeft + kIconSize + kTextInset : 0;
    case Country:
        return user.GetCountryIconId() != 0 ? kIconLeft + kIconSize + kTextInset : 0;
    case Money:
        return user.GetMoneyIconId() != 0 ? kIconLeft + kIconSize + kTextInset : 0;
    case Spare:
        return 0;
    default:
        return CellTextWidth(metrics, CellText(user, column));
    }
}

int CUserListView::MeasureListColumn(int modelColumn) const {
    if (!m_model)
        return 0;
    const int column = m_model->ColumnNumber(modelColumn);
    if (!UserListColumn::IsValid(column))
        return 0;
    const QFontMetrics metrics(m_listFont.GetFont());
    int widest = 0;
    for (const CClientUserInfo* user : m_model->Users())
        widest = std::max(widest, MeasureCell(*user, column, metrics));
    return widest;
}

QPixmap CUserListView::UserIcon(int number, int version) const {
    if (number <= 0)
        return QPixmap();
    return GetIconManager().GetIcon(number, version);
}

// ---------------------------------------------------------------------------------------------------
// Flyover

QString CUserListView::GetFlyoverHtml(const CClientUserInfo& user) const {
    (void)user;
    return QString();
}

void CUserListView::ShowFlyover(const QPoint& point) {
    if (!m_flyoverEnabled || !m_list || !m_model)
        return;
    const CClientUserInfo* user = m_model->UserAt(m_list->indexAt(point).row());
    if (!m_flyover)
        m_flyover = flyoverFactory()(this);
    if (!user || !m_flyover)
        return;
    const QString html = GetFlyoverHtml(*user);
    if (html.isEmpty())
        return;
    const QString path = PlayerFlyover::FilePath();
    // Without the page there is nothing to show; the list goes on as it was.
    if (!PlayerFlyover::WritePage(path, html))
        return;
    const QPoint global = m_list->viewport()->mapToGlobal(point);
    const QScreen* screen = QGuiApplication::screenAt(global);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    m_flyover->ShowPage(QUrl::fromLocalFile(path).toString(), PlayerFlyover::Place(global, area));
    m_flyoverUser = user;
}

void CUserListView::HideFlyover() {
    m_flyoverUser = nullptr;
    if (m_flyover)
        m_flyover->HidePage();
}
