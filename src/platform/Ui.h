#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QDialog;
class QMenu;
class QMessageBox;
class QPoint;
class QWidget;

namespace platform {

// Everything that would block on the user goes through this seam: message boxes, prompts, file and
// folder choosers, and modal dialogs. The application installs the real implementation; tests install
// a ScriptedUi that answers from a script and records what was asked.
class Ui {
public:
    virtual ~Ui() = default;

    // type: MB_* style bits (buttons, icon, default button) -> the ID* code of the button pressed.
    // text is shown as plain text, never as rich text.
    virtual int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type) = 0;

    // A one-line question; value is the initial answer and receives the typed one. False on Cancel.
    virtual bool Prompt(QWidget* parent, const QString& caption, const QString& label, QString& value,
                        bool password = false) = 0;

    // filter in Qt's form ("Match files (*.cbg);;All files (*)"); empty result on Cancel.
    virtual QString OpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QString ExistingDirectory(QWidget* parent, const QString& caption, const QString& dir) = 0;

    // Runs a dialog modally -> its result code (IDOK, IDCANCEL, ...).
    virtual int ExecDialog(QDialog* dialog) = 0;

    // Opens a pop-up menu at a global position until the user chooses -> the chosen entry (its
    // action has triggered), null when the menu was closed without a choice.
    virtual QAction* ExecMenu(QMenu* menu, const QPoint& at);
};

// The installed seam (a real one until something else is installed).
Ui& ui();

// Makes a message box or a prompt (a dialog with a layout) wide enough for its whole title in the
// title bar.
constexpr int kTitleBarAllowance = 160;
void WidenForTitle(QDialog& dialog);
// The width a window needs for its whole title as the title bar shows it: the window system adds
// the application's name ("Double \u2014 Norvale"), in the title bar's bold face, with room for the
// window's icon and buttons.
int TitleBarWidth(const QWidget& window);
// Installs a seam; returns the one it replaces. The caller keeps ownership of both.
Ui* SetUi(Ui* replacement);

// Real dialogs, used by the application.
class QtUi : public Ui {
public:
    int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type) override;
    bool Prompt(QWidget* parent, const QString& caption, const QString& label, QString& value,
                bool password) override;
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString ExistingDirectory(QWidget* parent, const QString& caption, const QString& dir) override;
    int ExecDialog(QDialog* dialog) override;
};

// Answers from a script and records every question; never blocks.
class ScriptedUi : public Ui {
public:
    struct Asked {
        enum Kind { MessageBoxKind, PromptKind, OpenFileKind, SaveFileKind, DirectoryKind, DialogKind, MenuKind } kind;
        QString text;    // message text, prompt label, the dialog's object name, or the menu's entries
                         // (one a line, "-" a separator)
        QString caption; // caption or chooser title
        unsigned type = 0;
        QString parent;  // message boxes: the object name of the window they belong to
    };

    // Answers are taken in order, one per question of the matching kind. When none is queued:
    // message boxes answer their default button, prompts and choosers cancel, dialogs run
    // the dialog handler when set, else answer IDCANCEL.
    void QueueMessageBoxAnswer(int id) { m_boxAnswers.push_back(id); }
    void QueuePromptAnswer(const QString& text, bool ok = true) { m_promptAnswers.push_back({text, ok}); }
    void QueueFileAnswer(const QString& path) { m_fileAnswers.push_back(path); }
    // Called for each ExecDialog: may fill in the dialog's controls, returns the result code.
    void SetDialogHandler(std::function<int(QDialog*)> handler) { m_dialogHandler = std::move(handler); }

    const std::vector<Asked>& asked() const { return m_asked; }
    void clear();

    int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type) override;
    bool Prompt(QWidget* parent, const QString& caption, const QString& label, QString& value,
                bool password) override;
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString ExistingDirectory(QWidget* parent, const QString& caption, const QString& dir) override;
    int ExecDialog(QDialog* dialog) override;
    // Records the menu; chooses nothing.
    QAction* ExecMenu(QMenu* menu, const QPoint& at) override;

private:
    std::vector<Asked> m_asked;
    std::vector<int> m_boxAnswers;
    std::vector<std::pair<QString, bool>> m_promptAnswers;
    std::vector<QString> m_fileAnswers;
    std::function<int(QDialog*)> m_dialogHandler;
};

} // namespace platform
