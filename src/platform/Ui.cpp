#include "platform/Ui.h"

#include "platform/ScreenFit.h"
#include "platform/Seam.h"
#include "platform/Win32Codes.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

Seam<Ui, QtUi> g_ui;

// The button a box answers when nobody presses one (Escape, or a scripted run without an answer).
int defaultButton(unsigned type) {
    const unsigned buttons = type & MB_TYPEMASK;
    const int index = int((type & MB_DEFMASK) >> 8);
    static const int kButtons[][3] = {
        {IDOK, IDOK, IDOK},         {IDOK, IDCANCEL, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL},    {IDYES, IDNO, IDNO},        {IDRETRY, IDCANCEL, IDCANCEL},
    };
    if (buttons >= sizeof(kButtons) / sizeof(kButtons[0]))
        return IDOK;
    return kButtons[buttons][index > 2 ? 0 : index];
}

} // namespace

Ui& ui() { return g_ui.get(); }

int TitleBarWidth(const QWidget& window) {
    QString shown = window.windowTitle();
    const QString name = QGuiApplication::applicationDisplayName();
    if (!name.isEmpty() && !shown.endsWith(name))
        shown += QStringLiteral(" \u2014 ") + name;
    QFont bold = window.font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(shown) + kTitleBarAllowance;
}

void WidenForTitle(QDialog& dialog) {
    // A short question makes a narrow box whose title bar cuts its own title: room for the title,
    // the window's icon and its buttons.
    const QMargins frame = FrameMarginsOf(dialog);
    const QRect area = AvailableAreaAt(QRect(dialog.pos(), dialog.size().grownBy(frame)));
    int wanted = TitleBarWidth(dialog);
    if (!area.isEmpty())
        wanted = qMin(wanted, area.width() - frame.left() - frame.right()); // a title bar past the screen is out of reach
    // Asking for the size first also makes the layout of a dialog that makes it late (a prompt).
    if (dialog.sizeHint().width() >= wanted)
        return;
    QLayout* layout = dialog.layout();
    if (!layout)
        return;
    auto* room = new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Minimum);
    if (auto* grid = qobject_cast<QGridLayout*>(layout))
        grid->addItem(room, grid->rowCount(), 0, 1, grid->columnCount());
    else
        layout->addItem(room);
}

Ui* SetUi(Ui* replacement) { return g_ui.set(replacement); }

int QtUi::MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type) {
    QMessageBox box(parent);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setWindowTitle(caption.isEmpty() ? QApplication::applicationDisplayName() : caption);
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct Button {
        QMessageBox::StandardButton standard;
        int id;
    };
    std::vector<Button> buttons;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_ABORTRETRYIGNORE:
        buttons = {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
        break;
    case MB_YESNOCANCEL:
        buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO: buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    case MB_RETRYCANCEL: buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}; break;
    default: buttons = {{QMessageBox::Ok, IDOK}}; break;
    }
    QMessageBox::StandardButtons all;
    for (const Button& b : buttons)
        all |= b.standard;
    box.setStandardButtons(all);
    const int defaultId = defaultButton(type);
    for (const Button& b : buttons)
        if (b.id == defaultId)
            box.setDefaultButton(b.standard);
    WidenForTitle(box);
    const int pressed = box.exec();
    for (const Button& b : buttons)
        if (b.standard == pressed)
            return b.id;
    // Closed without a button: the Cancel answer when there is one, else the default.
    for (const Button& b : buttons)
        if (b.id == IDCANCEL || b.id == IDNO)
            return b.id;
    return defaultId;
}

bool QtUi::Prompt(QWidget* parent, const QString& caption, const QString& label, QString& value,
                  bool password) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(label);
    dialog.setTextEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
    dialog.setTextValue(value);
    WidenForTitle(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.textValue();
    return true;
}

QString QtUi::OpenFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString QtUi::SaveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString QtUi::ExistingDirectory(QWidget* parent, const QString& caption, const QString& dir) {
    return QFileDialog::getExistingDirectory(parent, caption, dir);
}

int QtUi::ExecDialog(QDialog* dialog) { return dialog ? dialog->exec() : IDCANCEL; }

QAction* Ui::ExecMenu(QMenu* menu, const QPoint& at) { return menu ? menu->exec(at) : nullptr; }

QAction* ScriptedUi::ExecMenu(QMenu* menu, const QPoint&) {
    QStringList entries;
    if (menu) {
        for (const QAction* action : menu->actions())
            entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    m_asked.push_back({Asked::MenuKind, entries.join(QLatin1Char('\n')), QString(), 0, QString()});
    return nullptr;
}

void ScriptedUi::clear() {
    m_asked.clear();
    m_boxAnswers.clear();
    m_promptAnswers.clear();
    m_fileAnswers.clear();
}

int ScriptedUi::MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type) {
    m_asked.push_back({Asked::MessageBoxKind, text, caption, type, parent ? parent->window()->objectName() : QString()});
    if (m_boxAnswers.empty())
        return defaultButton(type);
    const int answer = m_boxAnswers.front();
    m_boxAnswers.erase(m_boxAnswers.begin());
    return answer;
}

bool ScriptedUi::Prompt(QWidget*, const QString& caption, const QString& label, QString& value, bool) {
    m_asked.push_back({Asked::PromptKind, label, caption, 0, QString()});
    if (m_promptAnswers.empty())
        return false;
    const auto answer = m_promptAnswers.front();
    m_promptAnswers.erase(m_promptAnswers.begin());
    if (answer.second)
        value = answer.first;
    return answer.second;
}

namespace {
QString takeFirst(std::vector<QString>& answers) {
    if (answers.empty())
        return {};
    QString path = answers.front();
    answers.erase(answers.begin());
    return path;
}
} // namespace

QString ScriptedUi::OpenFileName(QWidget*, const QString& caption, const QString& dir, const QString&) {
    m_asked.push_back({Asked::OpenFileKind, dir, caption, 0, QString()});
    return takeFirst(m_fileAnswers);
}

QString ScriptedUi::SaveFileName(QWidget*, const QString& caption, const QString& dir, const QString&) {
    m_asked.push_back({Asked::SaveFileKind, dir, caption, 0, QString()});
    return takeFirst(m_fileAnswers);
}

QString ScriptedUi::ExistingDirectory(QWidget*, const QString& caption, const QString& dir) {
    m_asked.push_back({Asked::DirectoryKind, dir, caption, 0, QString()});
    return takeFirst(m_fileAnswers);
}

int ScriptedUi::ExecDialog(QDialog* dialog) {
    m_asked.push_back({Asked::DialogKind, dialog ? dialog->objectName() : QString(),
                       dialog ? dialog->windowTitle() : QString(), 0, QString()});
    if (!dialog)
        return IDCANCEL;
    const int result = m_dialogHandler ? m_dialogHandler(dialog) : IDCANCEL;
    dialog->setResult(result);
    return result;
}

} // namespace platform
