#pragma once

#include "platform/Dialog.h"

#include <QPointer>

class CSessionDoc;

// The question shown when a player with whom the user has an unfinished match invites him to a new
// one: "&New..." (result 1232) starts the new match, "&Decline" (Cancel) refuses it, "&Talk..." opens a
// talk with the inviter and leaves the question open.
class CPreInviteeDialog : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CPreInviteeDialog, platform::Dialog)
public:
    static constexpr int kTemplateId = 17018;
    static constexpr int kIdScore = 1235;
    static constexpr int kIdUnfinished = 1237;
    static constexpr int kIdInviting = 1238;
    static constexpr int kIdGame = 1234;
    static constexpr int kIdTalk = 1224;
    static constexpr int kIdNew = 1232;

    CPreInviteeDialog(CSessionDoc* session, const QString& inviter, const QString& game, const QString& score,
                      QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnTalk();

    // A template text with its one "%s" replaced by value (value is never read as a format itself).
    static QString FillIn(const QString& templateText, const QString& value);

private:
    QPointer<CSessionDoc> m_session;
    QString m_game;
    QString m_score;
    QString m_inviter;
};
