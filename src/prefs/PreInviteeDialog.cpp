#include "prefs/PreInviteeDialog.h"

#include "platform/Win32Codes.h"
#include "session/SessionDoc.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CPreInviteeDialog::CPreInviteeDialog(CSessionDoc* session, const QString& inviter, const QString& game,
                                     const QString& score, QWidget* parent)
    : platform::Dialog(parent), m_session(session), m_game(game), m_score(score), m_inviter(inviter) {
    setWindowTitle(QStringLiteral("Match Invitation"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    const std::pair<int, const char*> statics[] = {
        {kIdUnfinished, "You have an unfinished match with %s."},
        {kIdScore, "Score: %s"},
        {kIdInviting, "%s is inviting you to start a new match."},
        {kIdGame, "Game: %s"},
    };
    for (const auto& [id, text] : statics) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setTextFormat(Qt::PlainText); // names and game texts come from other players
        label->setWordWrap(true);
        SetItemId(label, id);
        layout->addWidget(label);
    }
    auto* buttons = new QHBoxLayout;
    auto* talk = new QPushButton(QStringLiteral("&Talk..."), this);
    SetItemId(talk, kIdTalk);
    connect(talk, &QPushButton::clicked, this, &CPreInviteeDialog::OnTalk);
    auto* newMatch = new QPushButton(QStringLiteral("&New..."), this);
    SetItemId(newMatch, kIdNew);
    newMatch->setDefault(true);
    connect(newMatch, &QPushButton::clicked, this, [this] { EndDialog(kIdNew); });
    auto* decline = new QPushButton(QStringLiteral("&Decline"), this);
    SetItemId(decline, platform::IDCANCEL);
    buttons->addWidget(talk);
    buttons->addStretch(1);
    buttons->addWidget(newMatch);
    buttons->addWidget(decline);
    layout->addLayout(buttons);
}

QString CPreInviteeDialog::FillIn(const QString& templateText, const QString& value) {
    const qsizetype at = templateText.indexOf(QLatin1String("%s"));
    if (at < 0)
        return templateText;
    QString text = templateText;
    text.replace(at, 2, value);
    return text;
}

bool CPreInviteeDialog::OnInitDialog() {
    platform::Dialog::OnInitDialog();
    const std::pair<int, const QString*> values[] = {
        {kIdInviting, &m_inviter}, {kIdUnfinished, &m_inviter}, {kIdGame, &m_game}, {kIdScore, &m_score}};
    for (const auto& [id, value] : values)
        SetItemText(id, FillIn(GetItemText(id), *value));
    return true;
}

void CPreInviteeDialog::OnTalk() {
    if (m_session)
        m_session->OpenTalkWindow({m_session->GetNickname(), m_inviter});
}
