#include "mail/MessageMailboxWnd.h"

#include "frame/WindowPlacement.h"
#include "mail/MailFolderDialogs.h"
#include "mail/MailFolderView.h"
#include "mail/MailWindowIds.h"
#include "mail/MessageHeader.h"
#include "mail/MessagingOleDocument.h"
#include "mail/MsgDisplayEditWnd.h"
#include "platform/Paths.h"
#include "platform/ScreenFit.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "session/DeferredMessageBox.h"
#include "support/Cascade.h"
#include "support/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QPainter>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include <algorithm>

namespace {

const QString kFontChanged = QStringLiteral("KELDERWICK_FONT_PROPERTIES_CHANGED");

bool isProtectedFolder(const QString& shownName) {
    return shownName == QLatin1String(CMessagingSubDocument::kInbox) ||
           shownName == QLatin1String(CMessagingSubDocument::kOutbox) ||
           shownName == QLatin1String(CMessagingSubDocument::kSentItems) ||
           shownName == QLatin1String(kDeletedItemsFolder);
}

QString storeError(const CMessagingSubDocument& mail) {
    return mail.GetStore() ? mail.GetStore()->LastError() : QString();
}

} // namespace

int MailWindowBox(QWidget* window, const QString& text, unsigned type) {
    const int answer = platform::ui().MessageBox(window, text, QApplication::applicationDisplayName(), type);
    if (window && window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
    return answer;
}

namespace {

// A letter seen from the front, in the rectangle.
void drawEnvelope(QPainter& painter, const QRectF& rect) {
    painter.setPen(QPen(QColor(0x50, 0x50, 0x58), 1.2));
    painter.setBrush(QColor(0xfb, 0xf6, 0xe4));
    painter.drawRect(rect);
    painter.drawLine(rect.topLeft(), QPointF(rect.center().x(), rect.center().y() + 1));
    painter.drawLine(rect.topRight(), QPointF(rect.center().x(), rect.center().y() + 1));
}

// A broad green arrow pointing right, its tip at (x, y).
void drawArrow(QPainter& painter, qreal x, qreal y, qreal size) {
    const qreal h = size / 2;
    QPolygonF arrow({QPointF(x, y), QPointF(x - h, y - h), QPointF(x - h, y - h / 2), QPointF(x - size, y - h / 2),
                     QPointF(x - size, y + h / 2), QPointF(x - h, y + h / 2), QPointF(x - h, y + h)});
    painter.setPen(QPen(QColor(0x1d, 0x6b, 0x24), 1.2));
    painter.setBrush(QColor(0x3c, 0xb0, 0x46));
    painter.drawPolygon(arrow);
}

// The pictures the desktop style has no good counterpart for: Send, Move and the view font.
QIcon drawnIcon(int image) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (image == 5) { // Send: a letter on its way
        drawEnvelope(painter, QRectF(2.5, 7.5, 20, 14));
        drawArrow(painter, 30.5, 20.5, 13);
    } else if (image == 7) { // Move: a letter into a folder
        const QPixmap folder = QApplication::style()->standardIcon(QStyle::SP_DirIcon).pixmap(22, 22);
        painter.drawPixmap(9, 9, folder);
        drawEnvelope(painter, QRectF(2.5, 3.5, 14, 10));
        drawArrow(painter, 24.5, 10.5, 9);
    } else { // the view font
        QFont font(QStringLiteral("Serif"));
        font.setPixelSize(26);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(QColor(0x20, 0x30, 0x70));
        painter.drawText(QRectF(0, 0, 22, 30), Qt::AlignCenter, QStringLiteral("A"));
        font.setPixelSize(16);
        painter.setFont(font);
        painter.setPen(QColor(0x80, 0x30, 0x30));
        painter.drawText(QRectF(16, 10, 16, 22), Qt::AlignCenter, QStringLiteral("a"));
    }
    painter.end();
    return QIcon(pixmap);
}

} // namespace

QIcon MailToolBarIcon(int image) {
    if (image == 5 || image == 7 || image == 10) {
        static QIcon drawn[3];
        QIcon& icon = drawn[image == 5 ? 0 : image == 7 ? 1 : 2];
        if (icon.isNull())
            icon = drawnIcon(image);
        return icon;
    }
    static const QStyle::StandardPixmap pictures[] = {
        QStyle::SP_FileIcon,          QStyle::SP_FileDialogContentsView, QStyle::SP_BrowserReload,
        QStyle::SP_ArrowForward,      QStyle::SP_ArrowBack,              QStyle::SP_CommandLink,
        QStyle::SP_DialogSaveButton,  QStyle::SP_FileDialogToParent,     QStyle::SP_FileDialogNewFolder,
        QStyle::SP_TrashIcon,         QStyle::SP_FileDialogDetailedView,
    };
    if (image < 0 || image >= int(std::size(pictures)))
        return {};
    return QApplication::style()->standardIcon(pictures[image]);
}

void CMessageMailboxWnd::Register() {
    CMessagingSubDocument::SetMailboxFactory([](CMessagingSubDocument& owner, const QString& title) {
        auto* window = new CMessageMailboxWnd(owner, title);
        window->show();
        window->activateWindow();
        return static_cast<CMailboxWindowLink*>(window);
    });
}

CMessageMailboxWnd::CMessageMailboxWnd(CMessagingSubDocument& mail, const QString& title, QWidget* owner)
    : QMainWindow(owner ? owner : GetMainWindow(), Qt::Window), m_mail(mail), m_splitter(new QSplitter(this)),
      m_folders(new CMsgMailFolderView(mail, m_splitter)), m_headers(new CMsgMailHeaderView(mail, m_splitter)),
      m_toolBar(new QToolBar(QStringLiteral("Messages"), this)) {
    setObjectName(QString::fromLatin1(kClassName));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    SetWindowIcons(this, kMainIconId);
    setMinimumSize(200, 100);

    QMenu* folder = menuBar()->addMenu(QStringLiteral("&Folder"));
    addCommand(folder, MailCommand::kNewFolder, QStringLiteral("&New message folder"),
               QStringLiteral("Create a new folder to hold messages\nAdd new folder"), 8);
    addCommand(folder, MailCommand::kDeleteFolder, QStringLiteral("&Delete"),
               QStringLiteral("Permanently remove an existing folder\nDelete existing folder"));
    QMenu* message = menuBar()->addMenu(QStringLiteral("&Message"));
    addCommand(message, MailCommand::kGet, QStringLiteral("&Get"),
               QStringLiteral("Retrieve messages from the server\nDownload messages from server"), 2);
    addCommand(message, MailCommand::kNew, QStringLiteral("&New"), QStringLiteral("Compose a new message\nCompose message"), 0);
    addCommand(message, MailCommand::kView, QStringLiteral("&View"),
               QStringLiteral("View contents of selected message\nView message"), 1);
    addCommand(message, MailCommand::kForward, QStringLiteral("&Forward"),
               QStringLiteral("Forward selected message to another recipient\nForward message"), 3);
    addCommand(message, MailCommand::kReply, QStringLiteral("&Reply"),
               QStringLiteral("Reply to sender of selected message\nReply to message"), 4);
    addCommand(message, MailCommand::kSave, QStringLiteral("S&ave..."),
               QStringLiteral("Save the message to a text file\nSave message to text file"), 6);
    addCommand(message, MailCommand::kMove, QStringLiteral("&Move"),
               QStringLiteral("Move selected message to another folder\nMove message"), 7);
    addCommand(message, MailCommand::kDelete, QStringLiteral("&Delete"),
               QStringLiteral("Permanently delete selected message\nDelete message"), 9);
    for (QMenu* menu : {folder, message})
        connect(menu, &QMenu::aboutToShow, this, &CMessageMailboxWnd::updateCommands);

    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(32, 32));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const int buttons[] = {MailCommand::kNew,  MailCommand::kView,      0, MailCommand::kGet,
                           0,                  MailCommand::kReply,     MailCommand::kForward,
                           0,                  MailCommand::kSave,      MailCommand::kMove,
                           MailCommand::kNewFolder, 0,                 MailCommand::kDelete};
    for (int id : buttons) {
        if (id == 0)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(Action(id));
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    statusBar()->setSizeGripEnabled(true);

    m_splitter->setChildrenCollapsible(false);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({200, 340});
    setCentralWidget(m_splitter);
    connect(m_folders, &CMsgMailFolderView::folderSelected, this, [this](const QString& storageName) {
        m_headers->ShowFolder(storageName);
        updateCommands();
    });
    connect(m_headers, &CMsgMailHeaderView::selectionChanged, this, &CMessageMailboxWnd::updateCommands);
    // Keys and double clicks in the list are posted, so the list's own event ends first.
    connect(m_headers, &CMsgMailHeaderView::commandRequested, this,
            [this](int id) { QTimer::singleShot(0, this, [this, id] { RunCommand(id); }); });

    ensureDeletedItems();
    m_folders->FillTree();
    m_folders->SelectFirst();
    LoadWindowPlacement(this, this, parentWidget(), platform::Rect{10, 10, 550, 350});
    CascadeWindow(nullptr, nullptr, this);
    m_placed = true;
    m_headers->List()->setFocus(Qt::OtherFocusReason);
    updateCommands();
}

CMessageMailboxWnd::~CMessageMailboxWnd() { teardown(); }

bool CMessageMailboxWnd::ask(const QString& text) {
    return MailWindowBox(this, text, platform::MB_YESNO | platform::MB_ICONQUESTION) == platform::IDYES;
}

void CMessageMailboxWnd::tell(const QString& text) { MailWindowBox(this, text, platform::MB_OK | platform::MB_ICONEXCLAMATION); }

bool CMessageMailboxWnd::QueryClose() {
    if (m_closing)
        return true;
    // Each window holding a message the user is writing asks; one kept keeps the mailbox open.
    for (CMsgDisplayEditWnd* window : MessageWindows()) {
        if (!window->QueryClose())
            return false;
    }
    return true;
}

QAction* CMessageMailboxWnd::addCommand(QMenu* menu, int id, const QString& text, const QString& prompt, int image) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::number(id));
    action->setData(id);
    action->setStatusTip(prompt.section(QLatin1Char('\n'), 0, 0));
    action->setToolTip(prompt.section(QLatin1Char('\n'), 1, 1));
    if (image >= 0)
        action->setIcon(MailToolBarIcon(image));
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    menu->addAction(action);
    m_actions.push_back(action);
    return action;
}

QAction* CMessageMailboxWnd::Action(int id) const {
    for (QAction* action : m_actions) {
        if (action->data().toInt() == id)
            return action;
    }
    return nullptr;
}

void CMessageMailboxWnd::updateCommands() {
    if (m_closing)
        return;
    for (QAction* action : m_actions)
        action->setEnabled(IsCommandEnabled(action->data().toInt()));
}

void CMessageMailboxWnd::teardown() {
    if (m_closing)
        return;
    m_closing = true;
    if (m_placementChanged)
        SaveWindowPlacement(this, this, parentWidget(), true);
    m_mail.MailboxClosed(this);
}

// ---- The mail service's side

bool CMessageMailboxWnd::IsMailboxVisible() const { return isVisible(); }

void CMessageMailboxWnd::RefreshCurrentFolder() { Refresh(); }

void CMessageMailboxWnd::RedrawHeader(const CMessageHeader* header) {
    if (!header)
        return;
    m_headers->RedrawHeaderRow(*header);
    m_folders->UpdateCounts();
}

void CMessageMailboxWnd::OpenMessage(const QString& folder, const QString& id) {
    // Asked for by the server's news (a message that could not be delivered): the window does not
    // take the keyboard from what the user is doing.
    openMessage(folder, id, false);
}

void CMessageMailboxWnd::openMessage(const QString& folder, const QString& id, bool activate) {
    auto header = std::make_unique<CMessageHeader>();
    QString body;
    if (!m_mail.ReadMessage(*header, body, folder, id))
        return;
    auto* window = new CMsgDisplayEditWnd(header->m_status >= kStatusReadyToSend);
    window->SetContent(*header, body, false);
    if (!window->Create(this, activate)) {
        delete window;
        return;
    }
    m_messageWindows.emplace_back(window);
    if (header->m_status == kStatusNew) {
        CMsgFolderObject* object = m_mail.FindFolder(folder);
        if (CMessageHeader* loaded = object ? object->FindHeader(id) : nullptr) {
            loaded->m_status = kStatusRead;
            m_mail.UpdateHeader(*loaded);
            RedrawHeader(loaded);
        }
    }
}

void CMessageMailboxWnd::DestroyMailbox() {
    teardown();
    delete this;
}

void CMessageMailboxWnd::closeEvent(QCloseEvent* event) {
    if (!QueryClose()) {
        event->ignore();
        return;
    }
    teardown();
    QMainWindow::closeEvent(event);
}

void CMessageMailboxWnd::moveEvent(QMoveEvent* event) {
    if (m_placed && event->spontaneous() && isVisible())
        m_placementChanged = true;
    QMainWindow::moveEvent(event);
}

void CMessageMailboxWnd::resizeEvent(QResizeEvent* event) {
    if (m_placed && event->spontaneous() && isVisible())
        m_placementChanged = true;
    QMainWindow::resizeEvent(event);
}

bool CMessageMailboxWnd::OnMessage(platform::MessageId id, qintptr, platform::Object*) {
    if (id != platform::RegisterMessage(kFontChanged))
        return false;
    // The message windows are this window's own and hear the broadcast themselves.
    m_headers->ReloadFont();
    return true;
}

// ---- Commands

bool CMessageMailboxWnd::IsCommandEnabled(int id) const {
    const bool selection = m_headers->GetSelectedCount() > 0;
    const bool canWrite = m_mail.IsServiceActive() && !m_mail.IsMailBarred();
    switch (id) {
    case MailCommand::kNew: return canWrite;
    case MailCommand::kView:
    case MailCommand::kMove:
    case MailCommand::kDelete:
    case MailCommand::kSave: return selection;
    case MailCommand::kReply:
    case MailCommand::kForward: return selection && canWrite;
    case MailCommand::kNewFolder: return true;
    case MailCommand::kDeleteFolder: {
        const QString shown = m_folders->GetSelectedFolderName();
        return !shown.isEmpty() && !isProtectedFolder(shown);
    }
    case MailCommand::kGet: return m_mail.IsServiceActive();
    default: return false;
    }
}

bool CMessageMailboxWnd::RunCommand(int id) {
    if (m_closing || !IsCommandEnabled(id))
        return false;
    const std::vector<MailKey> selected = m_headers->GetSelectedMessages();
    switch (id) {
    case MailCommand::kNew:
        openComposer(nullptr, QString());
        break;
    case MailCommand::kView:
        viewSelected();
        break;
    case MailCommand::kReply:
    case MailCommand::kForward:
        if (selected.size() > 1) {
            tell(QString::fromLatin1(id == MailCommand::kReply ? kReplyOne : kForwardOne));
            break;
        }
        if (id == MailCommand::kReply)
            Reply(selected.front().folder, selected.front().id);
        else
            Forward(selected.front().folder, selected.front().id);
        break;
    case MailCommand::kMove:
        showMoveDialog();
        break;
    case MailCommand::kDelete:
        deleteSelected();
        break;
    case MailCommand::kNewFolder:
        showNewFolderDialog();
        break;
    case MailCommand::kDeleteFolder:
        deleteFolder();
        break;
    case MailCommand::kGet:
        m_mail.RequestPendingMessages();
        break;
    case MailCommand::kSave:
        saveSelected();
        break;
    default:
        return false;
    }
    updateCommands();
    return true;
}

void CMessageMailboxWnd::viewSelected() {
    const std::vector<MailKey> selected = m_headers->GetSelectedMessages();
    if (selected.size() > 5 && !ask(QString::fromLatin1(kOpenMany).replace(QLatin1String("%d"), QString::number(selected.size()))))
        return;
    for (const MailKey& key : selected)
        openMessage(key.folder, key.id, true);
}

void CMessageMailboxWnd::ensureDeletedItems() {
    if (!m_mail.FindFolder(QString::fromLatin1(kDeletedItemsFolder)))
        m_mail.CreateFolder(QString::fromLatin1(kDeletedItemsFolder));
}

void CMessageMailboxWnd::deleteSelected() {
    const std::vector<MailKey> selected = m_headers->GetSelectedMessages();
    if (selected.empty())
        return;
    const QString deleted = QString::fromLatin1(kDeletedItemsFolder);
    if (selected.front().folder != deleted) {
        ensureDeletedItems();
        MoveOrCopy(selected, deleted, true, false);
        return;
    }
    const QString question = selected.size() == 1
                                 ? QString::fromLatin1(kDeleteOne)
                                 : QString::fromLatin1(kDeleteMany).replace(QLatin1String("%d"), QString::number(selected.size()));
    if (!ask(question))
        return;
    const int failed = int(selected.size()) - m_mail.DeleteMessages(selected);
    Refresh();
    if (failed)
        tell(QStringLiteral("%1 of the messages could not be deleted.\n%2").arg(failed).arg(storeError(m_mail)));
}

void CMessageMailboxWnd::MoveOrCopy(const std::vector<MailKey>& messages, const QString& destination, bool move,
                                    bool confirm) {
    if (messages.empty() || destination.isEmpty())
        return;
    if (confirm && messages.size() > 1 &&
        !ask(QString::fromLatin1(kMoveMany).replace(QLatin1String("%d"), QString::number(messages.size()))))
        return;
    std::vector<MailKey> sources;
    for (const MailKey& key : messages) {
        if (key.folder != destination)
            sources.push_back(key);
    }
    std::vector<QString> newIds;
    const int failed = int(sources.size()) - m_mail.MoveOrCopyMessages(destination, sources, move, &newIds);
    if (move) {
        // Windows showing a moved message follow it: they still reply, forward and save.
        for (size_t i = 0; i < sources.size() && i < newIds.size(); ++i) {
            if (newIds[i].isEmpty())
                continue;
            for (CMsgDisplayEditWnd* window : MessageWindows())
                window->MessageMoved(sources[i].folder, sources[i].id, destination, newIds[i]);
        }
    }
    Refresh();
    if (failed) {
        tell(QStringLiteral("%1 of the messages could not be filed in '%2'; they stay where they were.\n%3")
                 .arg(failed)
                 .arg(CMessagingSubDocument::ToShownFolderName(destination), storeError(m_mail)));
    }
}

void CMessageMailboxWnd::deleteFolder() {
    const QString shown = m_folders->GetSelectedFolderName();
    if (shown.isEmpty() || isProtectedFolder(shown))
        return;
    if (!ask(QString::fromLatin1(kDeleteFolder)))
        return;
    if (!m_mail.DeleteFolder(CMessagingSubDocument::ToStorageFolderName(shown)))
        tell(QStringLiteral("The folder '%1' could not be deleted.\n%2").arg(shown, storeError(m_mail)));
    Refresh();
}

bool CMessageMailboxWnd::CreateFolder(const QString& name, QWidget* asker) {
    if (name.isEmpty())
        return false;
    const bool made = m_mail.CreateFolder(name);
    if (!made)
        MailWindowBox(asker ? asker : this,
                      QStringLiteral("The folder '%1' could not be made.\n%2").arg(name, storeError(m_mail)),
                      platform::MB_OK | platform::MB_ICONEXCLAMATION);
    Refresh();
    return made;
}

void CMessageMailboxWnd::Refresh() {
    if (m_closing)
        return;
    const QString shown = m_folders->RefreshTree();
    if (shown.isEmpty()) {
        m_headers->Redisplay(QString());
        m_folders->SelectFirst();
    } else {
        m_headers->Redisplay(CMessagingSubDocument::ToStorageFolderName(shown));
    }
    updateCommands();
}

QStringList CMessageMailboxWnd::ShownFolderNames() const {
    QStringList names;
    for (const auto& folder : m_mail.GetFolderObjects()) {
        if (!folder->GetName().isEmpty())
            names.append(CMessagingSubDocument::ToShownFolderName(folder->GetName()));
    }
    return names;
}

void CMessageMailboxWnd::showMoveDialog() {
    if (m_moveDialog) {
        m_moveDialog->raise();
        m_moveDialog->activateWindow();
        return;
    }
    const std::vector<MailKey> selected = m_headers->GetSelectedMessages();
    if (selected.empty())
        return;
    auto* dialog = new CMoveMessageDialog(this);
    dialog->SetFolders(ShownFolderNames());
    dialog->SetCurrentFolder(CMessagingSubDocument::ToShownFolderName(selected.front().folder));
    dialog->SetMessages(selected);
    m_moveDialog = dialog;
    dialog->show();
}

void CMessageMailboxWnd::showNewFolderDialog() {
    if (m_newFolderDialog) {
        m_newFolderDialog->raise();
        m_newFolderDialog->activateWindow();
        return;
    }
    m_newFolderDialog = new CNewMsgFolderDlg(this);
    m_newFolderDialog->show();
}

// ---- Writing

namespace {

// Characters a text takes in a message body, where a line break counts once.
qsizetype bodyLength(const QString& text) { return text.size() - text.count(QLatin1String("\r\n")); }

// The first characters of a text that take at most length in a message body, never half a line break.
QString bodyLeft(const QString& text, qsizetype length) {
    qsizetype taken = 0, i = 0;
    while (i < text.size() && taken < length) {
        i += text.mid(i, 2) == QLatin1String("\r\n") ? 2 : 1;
        ++taken;
    }
    return text.left(i);
}

} // namespace

QString CMessageMailboxWnd::QuotedBody(const CMessageHeader& original, const QString& body) {
    // Put together piece by piece: the texts are other members' and may hold anything.
    const QString head = QStringLiteral("\r\n--- Original message ---\r\nFrom: ") + original.GetFrom() +
                         QStringLiteral("\r\nTo: ") + original.GetTo() + QStringLiteral("\r\nCc: ") + original.GetCc() +
                         QStringLiteral("\r\nSubject: ") + original.GetSubject() + QStringLiteral("\r\nOriginal text:\r\n");
    const QString tail = QStringLiteral("\r\n--- End of original message from ") + original.GetFrom() + QStringLiteral(" ---");
    const QString whole = head + body + tail;
    if (bodyLength(whole) <= kMaxQuoteLength)
        return whole;
    // A long original is cut so that the writer keeps room for his own text.
    const QString cut = QString::fromLatin1(kQuoteCut);
    const qsizetype room = kMaxQuoteLength - bodyLength(head) - bodyLength(cut) - bodyLength(tail);
    if (room < 0)
        return bodyLeft(head + body, kMaxQuoteLength - bodyLength(cut)) + cut;
    return head + bodyLeft(body, room) + cut + tail;
}

void CMessageMailboxWnd::openComposer(const CMessageHeader* header, const QString& body, QWidget* cascadeFrom) {
    auto* window = new CMsgDisplayEditWnd(true);
    if (header)
        window->SetContent(*header, body, true);
    if (!window->Create(this)) {
        delete window;
        return;
    }
    if (cascadeFrom) {
        // An answer comes up one step below and right of the message it answers.
        window->move(cascadeFrom->frameGeometry().topLeft() + QPoint(CascadeStep(), CascadeStep()));
        CascadeWindow(nullptr, nullptr, window);
        platform::KeepOnScreen(*window); // below a message at the screen's foot it would run past it
    }
    m_messageWindows.emplace_back(window);
}

void CMessageMailboxWnd::Reply(const QString& folder, const QString& id, QWidget* from) {
    answer(folder, id, true, from);
}

void CMessageMailboxWnd::Forward(const QString& folder, const QString& id, QWidget* from) {
    answer(folder, id, false, from);
}

void CMessageMailboxWnd::answer(const QString& folder, const QString& id, bool reply, QWidget* from) {
    CMessageHeader original;
    QString body;
    if (!m_mail.ReadMessage(original, body, folder, id)) {
        tell(QStringLiteral("The message is no longer in your mail store.\n%1").arg(storeError(m_mail)));
        return;
    }
    CMessageHeader header(QString::fromLatin1(reply ? "re: " : "fwd: ") + original.GetSubject(), QString(),
                          reply ? original.GetFrom() : QString(), QString(), QString(), QString(), 0,
                          kStatusReadyToSend, 0, 1);
    openComposer(&header, QuotedBody(original, body), from);
}

bool CMessageMailboxWnd::SendMail(std::unique_ptr<CMessageHeader> header, const QString& body,
                                  CMsgDisplayEditWnd* window) {
    const CMsgFolderObject* outbox = m_mail.FindFolder(QString::fromLatin1(CMessagingSubDocument::kOutbox));
    const size_t before = outbox ? outbox->Headers().size() : 0;
    const bool sent = m_mail.SendMail(std::move(header), body);
    // A message on file is on its way (or will be shown as not sent); one that could not be filed
    // stays in its window, and the mail service has told the user why.
    const bool filed = outbox && outbox->Headers().size() > before;
    if ((sent || filed) && window)
        QTimer::singleShot(0, window, [window] { window->CloseWithoutAsking(); });
    return sent;
}

void CMessageMailboxWnd::RemoveMessageWindow(CMsgDisplayEditWnd* window) {
    m_messageWindows.erase(std::remove_if(m_messageWindows.begin(), m_messageWindows.end(),
                                          [window](const QPointer<CMsgDisplayEditWnd>& w) { return !w || w == window; }),
                           m_messageWindows.end());
}

std::vector<CMsgDisplayEditWnd*> CMessageMailboxWnd::MessageWindows() const {
    std::vector<CMsgDisplayEditWnd*> windows;
    for (const auto& window : m_messageWindows) {
        if (window)
            windows.push_back(window);
    }
    return windows;
}

// ---- Saving

bool CMessageMailboxWnd::exportMessages(const std::vector<MailKey>& messages) {
    if (messages.empty())
        return false;
    QString start = platform::UserDocumentsDir() + QStringLiteral("*.txt");
    QString path;
    for (;;) {
        path = platform::ui().SaveFileName(this, QStringLiteral("Save As"), start,
                                           QStringLiteral("Text Files (*.txt);;All Files (*)"));
        if (path.isEmpty())
            return false;
        if (!QFileInfo(path).suffix().isEmpty())
            break;
        // The chooser asked about the name as typed; the file written is another one. Not to replace
        // it is to choose again, from where the user was.
        start = path;
        path += QStringLiteral(".txt");
        if (!QFileInfo::exists(path) ||
            ask(QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(path).fileName())))
            break;
    }
    bool first = true;
    int failed = 0;
    for (const MailKey& key : messages) {
        if (m_mail.ExportMessageText(path, key.folder, key.id, first))
            first = false;
        else
            ++failed;
    }
    if (failed)
        tell(QStringLiteral("%1 of the messages could not be saved to %2.").arg(failed).arg(path));
    return failed == 0;
}

void CMessageMailboxWnd::saveSelected() { exportMessages(m_headers->GetSelectedMessages()); }

void CMessageMailboxWnd::ExportOneMessage(const QString& folder, const QString& id) {
    exportMessages({MailKey{folder, id}});
}
