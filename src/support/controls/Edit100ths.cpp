#include "support/controls/Edit100ths.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>

namespace {
constexpr QChar kBackspace = u'\b';
}

bool Edit100thsAccepts(QStringView text, int selStart, int selEnd, QChar ch, int maxWhole) {
    const int length = int(text.size());
    selStart = qBound(0, selStart, length);
    selEnd = qBound(selStart, selEnd, length);
    const int point = int(text.indexOf(u'.'));
    const bool isDigit = ch >= u'0' && ch <= u'9';

    if (selStart == selEnd) {
        const int caret = selStart;
        if (isDigit) {
            if (point < 0)
                return length < maxWhole;
            if (caret > point)
                return length <= point + 2;
            return point < maxWhole;
        }
        if (ch == u'.')
            return point < 0;
        if (ch == kBackspace) {
            // Taking out a point between digits joins them: only when the joined number still fits.
            if (point > 0 && point < length - 1 && caret == point + 1)
                return length - 1 <= maxWhole;
            return true;
        }
        return false;
    }

    const QStringView left = text.left(selStart);
    const QStringView right = text.mid(selEnd);
    if (ch == u'.') {
        return !left.contains(u'.') && !right.contains(u'.') && left.size() <= maxWhole &&
               !(left.isEmpty() && right.isEmpty()) && right.size() <= 2;
    }
    if (isDigit) {
        const bool selectionHoldsPoint = point >= selStart && point < selEnd;
        return !(selectionHoldsPoint && left.size() + right.size() + 1 > maxWhole);
    }
    return false; // backspace included: a selection is taken out with Delete or by typing over it
}

QString Edit100thsFilter(QStringView text, int selStart, int selEnd, QStringView inserted, int maxWhole) {
    QString current = text.toString();
    int start = qBound(0, selStart, int(current.size()));
    int end = qBound(start, selEnd, int(current.size()));
    QString accepted;
    for (QChar ch : inserted) {
        if (ch == kBackspace || !Edit100thsAccepts(current, start, end, ch, maxWhole))
            continue;
        current.replace(start, end - start, ch);
        accepted += ch;
        start = end = start + 1;
    }
    return accepted;
}

CEdit100ths::CEdit100ths(int maxWhole, QWidget* parent) : QLineEdit(parent), m_maxWhole(maxWhole) {}

void CEdit100ths::selection(int& start, int& end) const {
    if (hasSelectedText()) {
        start = selectionStart();
        end = start + selectionLength();
    } else {
        start = end = cursorPosition();
    }
}

void CEdit100ths::PasteFiltered(const QString& text) {
    if (isReadOnly())
        return;
    int start = 0;
    int end = 0;
    selection(start, end);
    const QString accepted = Edit100thsFilter(this->text(), start, end, text, m_maxWhole);
    if (!accepted.isEmpty())
        insert(accepted);
}

void CEdit100ths::keyPressEvent(QKeyEvent* event) {
    // A read-only amount takes no typing (the line edit lets only movement and copying through).
    if (isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        PasteFiltered(QGuiApplication::clipboard()->text(QClipboard::Clipboard));
        event->accept();
        return;
    }
    int start = 0;
    int end = 0;
    selection(start, end);
    if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier) {
        if (Edit100thsAccepts(text(), start, end, kBackspace, m_maxWhole))
            QLineEdit::keyPressEvent(event);
        else
            event->accept();
        return;
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!printable) {
        QLineEdit::keyPressEvent(event); // movement, Delete, copy, cut, undo, select all
        return;
    }
    const QString accepted = Edit100thsFilter(text(), start, end, typed, m_maxWhole);
    if (!accepted.isEmpty())
        insert(accepted);
    event->accept();
}

void CEdit100ths::mouseReleaseEvent(QMouseEvent* event) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
        // The selection paste of X11 goes through the rule like any other paste.
        PasteFiltered(clipboard->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

QAction* CEdit100ths::FindPasteAction(const QMenu* menu) {
    if (!menu)
        return nullptr;
    for (QAction* action : menu->actions()) {
        // "&Paste\tCtrl+V": the name without its mnemonic and shortcut.
        const QString name = action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
        if (name == QLatin1String("Paste"))
            return action;
    }
    return nullptr;
}

void CEdit100ths::contextMenuEvent(QContextMenuEvent* event) {
    QPointer<QMenu> menu = createStandardContextMenu();
    if (!menu)
        return;
    if (QAction* paste = FindPasteAction(menu)) {
        disconnect(paste, &QAction::triggered, nullptr, nullptr);
        connect(paste, &QAction::triggered, this,
                [this] { PasteFiltered(QGuiApplication::clipboard()->text(QClipboard::Clipboard)); });
    }
    menu->exec(event->globalPos());
    delete menu;
}

void CEdit100ths::inputMethodEvent(QInputMethodEvent* event) {
    if (event->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    int start = 0;
    int end = 0;
    selection(start, end);
    const QString accepted = Edit100thsFilter(text(), start, end, event->commitString(), m_maxWhole);
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(accepted, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
}

void CEdit100ths::dropEvent(QDropEvent* event) {
    if (isReadOnly() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    const int position = cursorPositionAt(event->position().toPoint());
    setCursorPosition(position);
    PasteFiltered(event->mimeData()->text());
    event->acceptProposedAction();
}
