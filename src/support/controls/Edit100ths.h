#pragma once

#include <QLineEdit>
#include <QStringView>

class QAction;
class QMenu;

// The keystroke rule of a money amount typed as a decimal number: at most maxWhole digits before the
// point and two after it. [selStart, selEnd) is the selection, or the caret when both are equal;
// ch is the typed character, '\b' for backspace. The value itself is not parsed.
bool Edit100thsAccepts(QStringView text, int selStart, int selEnd, QChar ch, int maxWhole);

// Typing inserted at the selection one character at a time, each dropped when the rule refuses it
// -> the characters that go in (they replace the selection when there is at least one).
QString Edit100thsFilter(QStringView text, int selStart, int selEnd, QStringView inserted, int maxWhole);

// An edit for money amounts: every typed, pasted, dropped or composed character passes the rule above.
class CEdit100ths : public QLineEdit {
    Q_OBJECT
public:
    explicit CEdit100ths(int maxWhole, QWidget* parent = nullptr);

    int GetMaxWhole() const { return m_maxWhole; }

    // Pastes text as if it were typed.
    void PasteFiltered(const QString& text);

    // The Paste entry of a line edit's standard context menu, null when it has none.
    static QAction* FindPasteAction(const QMenu* menu);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void selection(int& start, int& end) const;

    int m_maxWhole;
};
