#include "support/dialogs/PromptDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QVBoxLayout>

CPromptDlg::CPromptDlg(const QString& title, const QString& question, QWidget* parent)
    : CStickyDialog(kTemplateId, parent, true, true), m_question(question.left(kMaxQuestion)), m_title(title) {
    setWindowTitle(QStringLiteral("Question"));

    m_icon = new QLabel(this);
    SetItemId(m_icon, kIdIcon);
    auto* questionLabel = new QLabel(this);
    questionLabel->setTextFormat(Qt::PlainText); // questions may carry nicknames and other outside text
    questionLabel->setWordWrap(true);
    SetItemId(questionLabel, kIdQuestion);
    auto* answer = new QLineEdit(this);
    SetItemId(answer, kIdAnswer);
    questionLabel->setBuddy(answer);

    auto* text = new QVBoxLayout;
    text->addWidget(questionLabel);
    text->addWidget(answer);
    auto* row = new QHBoxLayout;
    row->addWidget(m_icon, 0, Qt::AlignTop);
    row->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(CreateButtonBox());
    setMinimumWidth(320);
}

void CPromptDlg::DoDataExchange(platform::DataExchange& dx) {
    dx.Text(kIdQuestion, m_question);
    dx.MaxChars(kIdQuestion, m_question, kMaxQuestion);
    dx.Text(kIdAnswer, m_answer);
    if (!dx.saving()) {
        setWindowTitle(m_title);
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        m_icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(size, size));
    }
}
