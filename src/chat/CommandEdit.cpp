#include "chat/CommandLineView.h"

#include "platform/Commands.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QTextLayout>

// ---- CCommandEdit

CCommandEdit::CCommandEdit(CCommandLineView* owner) : QPlainTextEdit(owner), m_owner(owner) {
    setObjectName(QStringLiteral("commandEdit"));
    setProperty("controlId", kControlId);
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void CCommandEdit::setText(const QString& text, bool selectAll) {
    setPlainText(text);
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    if (selectAll)
        cursor.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

bool CCommandEdit::IsWholeTextSelected() const {
    const QTextCursor cursor = textCursor();
    const int length = document()->characterCount() - 1;
    return cursor.selectionStart() == 0 && cursor.selectionEnd() == length;
}

int CCommandEdit::VisualLineCount() const {
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        lines += layout && layout->lineCount() > 0 ? layout->lineCount() : 1;
    }
    return std::max(lines, 1);
}

bool CCommandEdit::forwards(const QKeyEvent* event) const {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        return IsWholeTextSelected();
    default:
        return false;
    }
}

bool CCommandEdit::event(QEvent* event) {
    // Escape belongs to the command line even where a window would take it as a shortcut.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void CCommandEdit::keyPressEvent(QKeyEvent* event) {
    if (forwards(event)) {
        m_owner->OnEditKey(event);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CCommandEdit::keyReleaseEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Up:
    case Qt::Key_Down:
        event->accept();
        return;
    default:
        QPlainTextEdit::keyReleaseEvent(event);
    }
}

bool CCommandEdit::OnCommand(int id) {
    switch (id) {
    case kCmdCopy:
        copy();
        return true;
    case kCmdCut:
        cut();
        return true;
    case kCmdPaste:
        paste();
        return true;
    default:
        return false;
    }
}

bool CCommandEdit::OnUpdateCommand(int id, platform::CommandState& state) {
    switch (id) {
    case kCmdCopy:
    case kCmdCut:
        state.enabled = textCursor().hasSelection();
        return true;
    case kCmdPaste:
        state.enabled = canPaste();
        return true;
    case kCmdClear: {
        const QTextCursor cursor = textCursor();
        state.enabled = cursor.selectionStart() != 0 || cursor.selectionEnd() != 0;
        return true;
    }
    default:
        return false;
    }
}
