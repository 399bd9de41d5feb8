#pragma once

#include "support/dialogs/StickyDialog.h"

class QLabel;

// Asks the user for one line of text: ("Talk", "Talk to:"), ("Watch", "Player to watch:") ...
// Keeps its place between runs but always its own size.
class CPromptDlg : public CStickyDialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CPromptDlg, CStickyDialog)
public:
    static constexpr int kTemplateId = 192;
    static constexpr int kIdIcon = 1192;
    static constexpr int kIdQuestion = 1131;
    static constexpr int kIdAnswer = 1132;
    static constexpr int kMaxQuestion = 255;

    // A question longer than 255 characters is cut: it could otherwise never be confirmed.
    CPromptDlg(const QString& title, const QString& question, QWidget* parent);

    // The answer the edit starts with (set before running the dialog), and the typed one after OK.
    void SetAnswer(const QString& answer) { m_answer = answer; }
    const QString& GetAnswer() const { return m_answer; }
    const QString& GetQuestion() const { return m_question; }
    const QString& GetTitle() const { return m_title; }

    void DoDataExchange(platform::DataExchange& dx) override;

private:
    QLabel* m_icon = nullptr;
    QString m_question;
    QString m_answer;
    QString m_title;
};
