#pragma once

#include "app/GameView.h"

class QLabel;
class QListWidget;

// The lobby pane until the user list view takes its place: how many users the service has and who is
// in the directory, kept up to date from the directory's hints.
class CLobbySummaryView : public CGameView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CLobbySummaryView, CGameView)
public:
    explicit CLobbySummaryView(QWidget* parent = nullptr);

    void OnUpdate(platform::View* sender, int hint, platform::Object* object) override;
    QWidget* GetControl() override;

    // "12 users in the service, 3 listed here"
    QString SummaryText() const;
    QStringList ListedLines() const;

private:
    void refill();
    void addLine(const CUserInfo& user);
    void removeLine(const QString& nickname);
    static QString lineFor(const CUserInfo& user);

    QLabel* m_summary;
    QListWidget* m_list;
};
