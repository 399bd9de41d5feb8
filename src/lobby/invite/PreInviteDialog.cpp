#include "lobby/invite/PreInviteDialog.h"

#include "platform/Win32Codes.h"
#include "prefs/PreInviteeDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

CPreInviteDialog::CPreInviteDialog(const QString& name, const QString& game, const QString& score,
                                   bool hideResume, QWidget* parent)
    : CStickyDialog(kTemplateId, parent), m_name(name), m_game(game), m_score(score), m_hideResume(hideResume) {
    setWindowTitle(QStringLiteral("Match Invitation"));
    auto* outer = new QHBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    outer->addWidget(icon, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout;
    outer->addLayout(layout, 1);
    const std::pair<int, const char*> statics[] = {
        {kIdName, "You have an unfinished match with %s."},
        {kIdGame, "Game: %s"},
        {kIdScore, "Score: %s"},
    };
    for (const auto& [id, text] : statics) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setTextFormat(Qt::PlainText); // names and scores come from other players
        label->setWordWrap(true);
        SetItemId(label, id);
        layout->addWidget(label);
    }
    layout->addWidget(new QLabel(QStringLiteral("Starting a new match will discard the unfinished match."), this));
    layout->addWidget(
        new QLabel(QStringLiteral("Would you like to resume the unfinished match or start a new match?"), this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* resume = new QPushButton(QStringLiteral("&Resume..."), this);
    SetItemId(resume, kIdResume);
    resume->hide();
    connect(resume, &QPushButton::clicked, this, [this] { EndDialog(kIdResume); });
    auto* newMatch = new QPushButton(QStringLiteral("&New..."), this);
    SetItemId(newMatch, kIdNew);
    newMatch->setDefault(true);
    connect(newMatch, &QPushButton::clicked, this, [this] { EndDialog(kIdNew); });
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    SetItemId(cancel, platform::IDCANCEL);
    buttons->addWidget(resume);
    buttons->addWidget(newMatch);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}

bool CPreInviteDialog::OnInitDialog() {
    CStickyDialog::OnInitDialog();
    ShowItem(kIdResume, !m_hideResume);
    const std::pair<int, const QString*> values[] = {{kIdName, &m_name}, {kIdGame, &m_game}, {kIdScore, &m_score}};
    for (const auto& [id, value] : values)
        SetItemText(id, CPreInviteeDialog::FillIn(GetItemText(id), *value));
    return true;
}
