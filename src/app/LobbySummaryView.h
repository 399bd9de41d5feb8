#pragma once

#include "app/GameView.h"

class QLabel;
class QTreeWidget;
class CUserInfo;

// The lobby pane until the user list view takes its place: how many users the service has and who is
// in the directory (nickname, status, location), kept up to date from the directory's hints.
class CLobbySummaryView : public CGameView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CLobbySummaryView, CGameView)
public:
    explicit CLobbySummaryView(QWidget* parent = nullptr);

    void OnUpdate(platform::View* sender, int hint, platform::Object* object) override;
    QWidget* GetControl() override;

    // "12 users in the service, 3 listed here"
    QString SummaryText() const;
    // One line per listed user, "nickname - status - location", in the shown order.
    QStringList ListedLines() const;

private:
    void refill();
    void addRow(const CUserInfo& user);
    void removeRow(const QString& nickname);

    QLabel* m_summary;
    QTreeWidget* m_list;
};
