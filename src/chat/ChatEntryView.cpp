#include "chat/ChatEntryView.h"

#include "app/MultiPaneFrame.h"
#include "chat/ChatView.h"
#include "session/SessionDoc.h"

#include <QHBoxLayout>
#include <QLineEdit>

CChatEntryView::CChatEntryView(QWidget* parent) : CGameView(parent), m_edit(new QLineEdit(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_edit->setObjectName(QStringLiteral("chatEntry"));
    layout->addWidget(m_edit);
    setFocusProxy(m_edit);
    connect(m_edit, &QLineEdit::returnPressed, this, [this] {
        const QString line = m_edit->text();
        m_edit->clear();
        EnterLine(line);
    });
}

QWidget* CChatEntryView::GetControl() {
    return m_edit;
}

int CChatEntryView::GetIdealHeight() const {
    return m_edit->sizeHint().height();
}

void CChatEntryView::OnActivateView(bool activate) {
    if (activate)
        m_edit->setFocus(Qt::OtherFocusReason);
}

bool CChatEntryView::EnterLine(const QString& line) {
    CSessionDoc* session = GetSessionDoc();
    if (line.isEmpty() || !session)
        return false;
    session->UpdateAllViews(this, CSessionDoc::kHintChatScroll);
    if (line.startsWith(u'/')) {
        session->AddChatLine(QString(), QStringLiteral("Chat commands are not available here: %1").arg(line),
                             ChatKind::System);
        return false;
    }
    if (session->SendChat(line, ChatKind::Said))
        return true;
    session->AddChatLine(QString(), QStringLiteral("Not connected: the line was not sent."), ChatKind::System);
    return false;
}

void RegisterChatPanes() {
    CMultiPaneFrame::RegisterPane(QStringLiteral("Chat"), [](QWidget* parent) { return new CChatView(parent); });
    CMultiPaneFrame::RegisterPane(QString::fromLatin1(CMultiPaneFrame::kCommandLineTag),
                                  [](QWidget* parent) { return new CChatEntryView(parent); });
}
