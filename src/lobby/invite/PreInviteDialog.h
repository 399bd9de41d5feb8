#pragma once

#include "support/dialogs/StickyDialog.h"

// "Match Invitation": asked of the inviting user when an unfinished match with the invited player
// exists: "&Resume..." (1236), "&New..." (1232) or "&Cancel" (IDCANCEL).
class CPreInviteDialog : public CStickyDialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CPreInviteDialog, CStickyDialog)
public:
    static constexpr int kTemplateId = 236;
    static constexpr int kIdNew = 1232;
    static constexpr int kIdName = 1233;
    static constexpr int kIdGame = 1234;
    static constexpr int kIdScore = 1235;
    static constexpr int kIdResume = 1236;

    CPreInviteDialog(const QString& name, const QString& game, const QString& score, bool hideResume,
                     QWidget* parent = nullptr);

    bool OnInitDialog() override;

private:
    QString m_name;
    QString m_game;
    QString m_score;
    bool m_hideResume;
};
