#pragma once

#include "records/MatchLogView.h"

class CBackgammonDoc;

// The match log of a backgammon room: the game log of the match record, replayed on a scratch board,
// with the players' names over their columns.
class CBgMatchLogView : public CMatchLogView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBgMatchLogView, CMatchLogView)
public:
    static constexpr char kPaneTag[] = "BgMatchLog";

    explicit CBgMatchLogView(QWidget* parent = nullptr);
    static void RegisterPane();

    CBackgammonDoc* GetBgDoc() const;

    void AppendEntries(int lastRecordIndex) override;
    void OnInitialUpdate() override;
    void OnGameDocUpdate(int hint, platform::Object* hintObject) override;

private:
    int m_appended = -1; // the last record index whose items are in the log
};
