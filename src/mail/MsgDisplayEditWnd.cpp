#include "mail/MsgDisplayEditWnd.h"

#include "frame/WindowPlacement.h"
#include "mail/MailWindowIds.h"
#include "mail/MessageHeader.h"
#include "mail/MessageMailboxWnd.h"
#include "platform/Color.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "prefs/FontWindowKinds.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "session/DeferredMessageBox.h"
#include "support/Cascade.h"
#include "support/MainWindow.h"
#include "support/TextWindowStyle.h"
#include "support/Utilities.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QTextBlock>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kFontChanged = QStringLiteral("KELDERWICK_FONT_PROPERTIES_CHANGED");

// Qt reads "[*]" in a window title as the changed-document mark.
QString titleText(const QString& text) {
    QString escaped = text;
    return escaped.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
}

bool isNickname(const QString& word) {
    return std::all_of(word.begin(), word.end(), [](QChar c) {
        return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
               (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
    });
}

QString checkField(const QString& names, const char* fieldName) {
    const QStringList words = names.split(QLatin1Char(' '));
    for (const QString& word : words) {
        if (!isNickname(word))
            return QStringLiteral("Nicknames in the '%1' field may contain only letters and numbers.\nMultiple "
                                  "Nicknames must be separated with a space.")
                .arg(QLatin1String(fieldName));
    }
    if (words.size() > CMsgComposeFormView::kMaxNames)
        return QStringLiteral("You may have a maximum of 5 Nicknames in the '%1' field.").arg(QLatin1String(fieldName));
    return QString();
}

QLineEdit* field(QFormLayout* form, const QString& label, QWidget* parent, bool readOnly) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(readOnly);
    form->addRow(label, edit);
    return edit;
}

} // namespace

// ---- Body

CMsgBodyEdit::CMsgBodyEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("body"));
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    connect(this, &QPlainTextEdit::textChanged, this, &CMsgBodyEdit::enforceLimit);
}

int CMsgBodyEdit::Length() const { return document()->characterCount() - 1; }

void CMsgBodyEdit::SetStoredText(const QString& text) {
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_enforcing = true;
    setPlainText(plain);
    m_enforcing = false;
    m_lastLength = Length();
}

QString CMsgBodyEdit::StoredText() const { return toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n")); }

void CMsgBodyEdit::enforceLimit() {
    if (m_enforcing)
        return;
    // A line break counts as one character. What goes past the limit is taken off the text just
    // typed or pasted, which ends at the cursor.
    const int allowed = std::max(kTextLimit, m_lastLength);
    const int excess = Length() - allowed;
    if (excess > 0) {
        m_enforcing = true;
        QTextCursor cursor = textCursor();
        const int end = cursor.position();
        const int start = std::max(0, end - excess);
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        if (Length() > allowed) {
            cursor.setPosition(allowed);
            cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        setTextCursor(cursor);
        m_enforcing = false;
    }
    m_lastLength = Length();
}

// ---- Forms

CMsgComposeFormView::CMsgComposeFormView(QWidget* parent) : QWidget(parent) {
    setObjectName(QString::fromLatin1(kClassName));
    auto* form = new QFormLayout(this);
    form->setContentsMargins(8, 6, 8, 4);
    m_to = field(form, QStringLiteral("&To:"), this, false);
    m_cc = field(form, QStringLiteral("&Cc:"), this, false);
    m_subject = field(form, QStringLiteral("&Subject:"), this, false);
    m_to->setObjectName(QStringLiteral("to"));
    m_cc->setObjectName(QStringLiteral("cc"));
    m_subject->setObjectName(QStringLiteral("subject"));
    m_subject->setMaxLength(250);
}

void CMsgComposeFormView::SetFrom(const CMessageHeader& header) {
    m_to->setText(header.GetTo());
    m_cc->setText(header.GetCc());
    m_subject->setText(header.GetSubject());
    folderName = header.GetFolderName();
    messageId = header.GetMessageId();
}

QString CMsgComposeFormView::NormalizeNames(const QString& names) { return names.simplified(); }

QString CMsgComposeFormView::CheckRecipients(const QString& to, const QString& cc) {
    const QString toNames = NormalizeNames(to);
    if (toNames.isEmpty())
        return QStringLiteral("No recipient was specified in the 'To' field.\nPlease specify a recipient and try "
                              "re-sending.");
    QString refusal = checkField(toNames, "To");
    const QString ccNames = NormalizeNames(cc);
    if (refusal.isEmpty() && !ccNames.isEmpty())
        refusal = checkField(ccNames, "Cc");
    return refusal;
}

CMsgDisplayFormView::CMsgDisplayFormView(QWidget* parent) : QWidget(parent) {
    setObjectName(QString::fromLatin1(kClassName));
    auto* form = new QFormLayout(this);
    form->setContentsMargins(8, 6, 8, 4);
    const char* const labels[] = {"From:", "Sent:", "To:", "Cc:", "Subject:"};
    for (int i = 0; i < 5; ++i) {
        m_fields[i] = field(form, QString::fromLatin1(labels[i]), this, true);
        // Read-only text, still selectable: drawn on the form's own background.
        QPalette palette = m_fields[i]->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        m_fields[i]->setPalette(palette);
    }
}

void CMsgDisplayFormView::SetFrom(const CMessageHeader& header) {
    const QString texts[] = {header.GetFrom(), header.GetDateSent(), header.GetTo(), header.GetCc(), header.GetSubject()};
    for (int i = 0; i < 5; ++i) {
        m_fields[i]->setText(texts[i]);
        m_fields[i]->setCursorPosition(0);
    }
    folderName = header.GetFolderName();
    messageId = header.GetMessageId();
}

// ---- Window

CMsgDisplayEditWnd::CMsgDisplayEditWnd(bool composing) : QMainWindow(nullptr), m_composing(composing) {
    setObjectName(QString::fromLatin1(kClassName));
    setAttribute(Qt::WA_DeleteOnClose);
}

CMsgDisplayEditWnd::~CMsgDisplayEditWnd() = default;

void CMsgDisplayEditWnd::SetContent(const CMessageHeader& header, const QString& body, bool editable) {
    m_pendingHeader = std::make_unique<CMessageHeader>(header);
    m_pendingBody = body;
    m_hasContent = true;
    m_editable = editable;
}

QAction* CMsgDisplayEditWnd::addCommand(int id, const QString& text, const QString& prompt) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::number(id));
    action->setData(id);
    action->setStatusTip(prompt);
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    m_actions.push_back(action);
    return action;
}

QAction* CMsgDisplayEditWnd::Action(int id) const {
    for (QAction* action : m_actions) {
        if (action->data().toInt() == id)
            return action;
    }
    return nullptr;
}

bool CMsgDisplayEditWnd::Create(CMessageMailboxWnd* mailbox, bool activate) {
    if (!mailbox)
        return false;
    m_mailbox = mailbox;
    setParent(mailbox, Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    const QString subject = m_pendingHeader ? m_pendingHeader->GetSubject() : QString();
    if (m_composing && m_hasContent && !m_editable)
        m_title = QStringLiteral("Viewing sent message: ") + subject;
    else if (m_composing)
        m_title = QString::fromLatin1(kComposeTitle);
    else
        m_title = QStringLiteral("Viewing received message: ") + subject;
    setWindowTitle(titleText(m_title));
    SetWindowIcons(this, kMainIconId);

    QMenu* message = menuBar()->addMenu(QStringLiteral("&Message"));
    message->addAction(addCommand(MailCommand::kSend, QStringLiteral("&Send"), QStringLiteral("Send the message")));
    message->addAction(addCommand(MailCommand::kSave, QStringLiteral("S&ave..."),
                                  QStringLiteral("Save the message to a text file")));
    message->addSeparator();
    QAction* closeAction = addCommand(MailCommand::kClose, QStringLiteral("&Close"), QStringLiteral("Close this window"));
    // Alt+F4 closes the window, as the window manager's close does where it has no such key.
    closeAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    closeAction->setShortcutContext(Qt::WindowShortcut);
    message->addAction(closeAction);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* cut = addCommand(MailCommand::kCut, QStringLiteral("Cu&t"), QStringLiteral("Cut the selection"));
    QAction* copy = addCommand(MailCommand::kCopy, QStringLiteral("&Copy"), QStringLiteral("Copy the selection"));
    QAction* paste = addCommand(MailCommand::kPaste, QStringLiteral("&Paste"), QStringLiteral("Insert the clipboard"));
    copy->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    if (m_composing) {
        paste->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
        cut->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    }
    for (QAction* action : {cut, copy, paste}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        edit->addAction(action);
    }
    QAction* reply = addCommand(MailCommand::kReply, QStringLiteral("&Reply"), QStringLiteral("Reply to the sender"));
    QAction* forward = addCommand(MailCommand::kForward, QStringLiteral("&Forward"),
                                  QStringLiteral("Forward the message to another recipient"));
    QAction* font = addCommand(MailCommand::kChangeFont, QStringLiteral("Change view font"),
                               QStringLiteral("Change the font of message windows"));
    Action(MailCommand::kSend)->setIcon(MailToolBarIcon(5));
    Action(MailCommand::kSave)->setIcon(MailToolBarIcon(6));
    reply->setIcon(MailToolBarIcon(4));
    forward->setIcon(MailToolBarIcon(3));
    font->setIcon(MailToolBarIcon(10));
    for (QMenu* menu : {message, edit})
        connect(menu, &QMenu::aboutToShow, this, &CMsgDisplayEditWnd::updateCommands);

    auto* toolBar = new QToolBar(QStringLiteral("Message"), this);
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setMovable(false);
    toolBar->setIconSize(QSize(32, 32));
    if (m_composing) {
        toolBar->addAction(Action(MailCommand::kSend));
        toolBar->addAction(font);
    } else {
        toolBar->addAction(reply);
        toolBar->addAction(forward);
        toolBar->addSeparator();
        toolBar->addAction(Action(MailCommand::kSave));
        toolBar->addAction(font);
    }
    addToolBar(Qt::TopToolBarArea, toolBar);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_body = new CMsgBodyEdit(central);
    if (m_composing) {
        m_compose = new CMsgComposeFormView(central);
        if (m_pendingHeader)
            m_compose->SetFrom(*m_pendingHeader);
        layout->addWidget(m_compose);
        setTabOrder(m_compose->ToEdit(), m_compose->CcEdit());
        setTabOrder(m_compose->CcEdit(), m_compose->SubjectEdit());
        setTabOrder(m_compose->SubjectEdit(), m_body);
    } else {
        m_display = new CMsgDisplayFormView(central);
        if (m_pendingHeader)
            m_display->SetFrom(*m_pendingHeader);
        layout->addWidget(m_display);
    }
    layout->addWidget(m_body, 1);
    setCentralWidget(central);
    m_pendingHeader.reset();
    m_body->SetStoredText(m_pendingBody);
    m_body->document()->setModified(false);
    m_pendingBody.clear();
    if (!m_composing) {
        m_body->setReadOnly(true);
        m_body->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    ApplyFont();

    LoadWindowPlacement(this, this, GetMainWindow(), platform::Rect{30, 30, 559, 429});
    CascadeWindow(nullptr, nullptr, this);
    updateCommands();
    if (!activate)
        setAttribute(Qt::WA_ShowWithoutActivating);
    show();
    m_placed = true;
    if (!activate)
        return true;
    if (m_composing)
        m_compose->ToEdit()->setFocus(Qt::OtherFocusReason);
    else
        m_body->setFocus(Qt::OtherFocusReason);
    return true;
}

void CMsgDisplayEditWnd::ApplyFont() {
    if (!m_body)
        return;
    m_font.Load(QString::fromLatin1(kSection));
    m_body->setFont(m_font.GetFont());
    const CTextWindowColors colours = CTextWindowColors::Load(QString::fromLatin1(kSection));
    QPalette palette = m_body->palette();
    palette.setColor(QPalette::Text, platform::ToQColor(colours.text));
    palette.setColor(QPalette::Base, platform::ToQColor(colours.background));
    m_body->setPalette(palette);
}

bool CMsgDisplayEditWnd::OnMessage(platform::MessageId id, qintptr, platform::Object*) {
    if (id != platform::RegisterMessage(kFontChanged))
        return false;
    ApplyFont();
    return true;
}

bool CMsgDisplayEditWnd::IsCommandEnabled(int id) const {
    const CMessagingSubDocument* mail = m_mailbox ? &m_mailbox->GetMail() : nullptr;
    const bool active = mail && mail->IsServiceActive();
    const QString folder = m_compose ? m_compose->folderName : m_display ? m_display->folderName : QString();
    const QString messageId = m_compose ? m_compose->messageId : m_display ? m_display->messageId : QString();
    switch (id) {
    case MailCommand::kSend: return m_composing && active;
    case MailCommand::kReply:
    case MailCommand::kForward: return !m_composing && active && !mail->IsMailBarred();
    case MailCommand::kSave: return m_mailbox && !folder.isEmpty() && !messageId.isEmpty();
    case MailCommand::kClose:
    case MailCommand::kChangeFont:
    case MailCommand::kCopy: return true;
    case MailCommand::kCut:
    case MailCommand::kPaste: return m_composing;
    default: return false;
    }
}

void CMsgDisplayEditWnd::updateCommands() {
    for (QAction* action : m_actions)
        action->setEnabled(IsCommandEnabled(action->data().toInt()));
}

bool CMsgDisplayEditWnd::RunCommand(int id) {
    if (!IsCommandEnabled(id))
        return false;
    switch (id) {
    case MailCommand::kSend:
        send();
        break;
    case MailCommand::kReply:
        m_mailbox->Reply(m_display->folderName, m_display->messageId, this);
        break;
    case MailCommand::kForward:
        m_mailbox->Forward(m_display->folderName, m_display->messageId, this);
        break;
    case MailCommand::kSave:
        if (m_compose)
            m_mailbox->ExportOneMessage(m_compose->folderName, m_compose->messageId);
        else
            m_mailbox->ExportOneMessage(m_display->folderName, m_display->messageId);
        break;
    case MailCommand::kClose:
        close();
        break;
    case MailCommand::kChangeFont:
        ShowGeneralPropertiesSheet(CGeneralPropertiesSheet::kFontPage, kFontKindMail);
        break;
    case MailCommand::kCut:
    case MailCommand::kCopy:
    case MailCommand::kPaste: {
        QWidget* focus = QApplication::focusWidget();
        if (auto* line = qobject_cast<QLineEdit*>(focus); line && isAncestorOf(line)) {
            if (id == MailCommand::kCut) line->cut();
            else if (id == MailCommand::kCopy) line->copy();
            else line->paste();
        } else if (auto* text = qobject_cast<QPlainTextEdit*>(focus); text && isAncestorOf(text)) {
            if (id == MailCommand::kCut) text->cut();
            else if (id == MailCommand::kCopy) text->copy();
            else text->paste();
        }
        break;
    }
    default:
        return false;
    }
    return true;
}

// A warning about what the user is sending: modal to this window and focused, so Return closes it.
void CMsgDisplayEditWnd::warn(const QString& text) {
    MailWindowBox(this, text, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

std::unique_ptr<CMessageHeader> CMsgDisplayEditWnd::BuildHeader() {
    if (!m_compose || !m_mailbox)
        return nullptr;
    const QString to = CMsgComposeFormView::NormalizeNames(m_compose->ToEdit()->text());
    const QString cc = CMsgComposeFormView::NormalizeNames(m_compose->CcEdit()->text());
    const QString refusal = CMsgComposeFormView::CheckRecipients(to, cc);
    if (!refusal.isEmpty()) {
        warn(refusal);
        return nullptr;
    }
    return std::make_unique<CMessageHeader>(m_compose->SubjectEdit()->text(), m_mailbox->GetMail().GetOwnNickname(), to,
                                            cc, CurrentTimeStampText(), QString(), 0, kStatusReadyToSend, 0, 1);
}

void CMsgDisplayEditWnd::send() {
    std::unique_ptr<CMessageHeader> header = BuildHeader();
    if (!header)
        return;
    const QString body = m_body->StoredText();
    if (body.isEmpty()) {
        warn(QString::fromLatin1(kEmptyBody));
        return;
    }
    setWindowTitle(QStringLiteral("...Transmitting message..."));
    if (!m_mailbox->SendMail(std::move(header), body, this))
        setWindowTitle(titleText(m_title));
}

bool CMsgDisplayEditWnd::HasTypedText() const {
    if (!m_composing || !m_body)
        return false;
    return m_body->document()->isModified() || m_compose->ToEdit()->isModified() ||
           m_compose->CcEdit()->isModified() || m_compose->SubjectEdit()->isModified();
}

bool CMsgDisplayEditWnd::QueryClose() {
    if (m_closeApproved || !HasTypedText())
        return true;
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    return platform::ui().MessageBox(this, QString::fromLatin1(kDiscard), QApplication::applicationDisplayName(),
                                     platform::MB_OKCANCEL | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2) ==
           platform::IDOK;
}

void CMsgDisplayEditWnd::CloseWithoutAsking() {
    m_closeApproved = true;
    close();
}

QString CMsgDisplayEditWnd::FolderName() const {
    return m_compose ? m_compose->folderName : m_display ? m_display->folderName : QString();
}

QString CMsgDisplayEditWnd::MessageId() const {
    return m_compose ? m_compose->messageId : m_display ? m_display->messageId : QString();
}

void CMsgDisplayEditWnd::MessageMoved(const QString& folder, const QString& id, const QString& newFolder,
                                      const QString& newId) {
    if (id.isEmpty() || FolderName() != folder || MessageId() != id)
        return;
    if (m_compose) {
        m_compose->folderName = newFolder;
        m_compose->messageId = newId;
    } else if (m_display) {
        m_display->folderName = newFolder;
        m_display->messageId = newId;
    }
    updateCommands();
}

void CMsgDisplayEditWnd::closeEvent(QCloseEvent* event) {
    if (!QueryClose()) {
        event->ignore();
        return;
    }
    if (m_moved)
        SaveWindowPlacement(this, this, GetMainWindow(), true);
    m_moved = false;
    if (m_mailbox)
        m_mailbox->RemoveMessageWindow(this);
    QMainWindow::closeEvent(event);
}

void CMsgDisplayEditWnd::moveEvent(QMoveEvent* event) {
    if (m_placed && event->spontaneous() && isVisible())
        m_moved = true;
    QMainWindow::moveEvent(event);
}

void CMsgDisplayEditWnd::resizeEvent(QResizeEvent* event) {
    if (m_placed && event->spontaneous() && isVisible())
        m_moved = true;
    QMainWindow::resizeEvent(event);
}
