#include "records/BgMatchLogView.h"

#include "frame/MultiPaneFrame.h"
#include "game/BackgammonDoc.h"
#include "game/GameHints.h"

#include <utility>
#include <vector>

CBgMatchLogView::CBgMatchLogView(QWidget* parent) : CMatchLogView(parent) {}

void CBgMatchLogView::RegisterPane() {
    CMultiPaneFrame::RegisterPane(QString::fromLatin1(kPaneTag),
                                  [](QWidget* parent) { return new CBgMatchLogView(parent); });
}

CBackgammonDoc* CBgMatchLogView::GetBgDoc() const {
    return platform::object_cast<CBackgammonDoc>(GetGameDoc());
}

void CBgMatchLogView::AppendEntries(int lastRecordIndex) {
    const CBackgammonDoc* doc = GetBgDoc();
    if (!doc)
        return;
    const QStringList players = doc->GetPlayers();
    SetColumnTitles({players.value(0), players.value(1)});
    lastRecordIndex = std::min(lastRecordIndex, doc->GetMatchRecord().GetCount() - 1);
    if (lastRecordIndex <= m_appended)
        return;
    std::vector<std::pair<CGameLogRecord, int>> records;
    doc->ReplayLog([&](const CGameLogRecord& record, int index) {
        if (index > m_appended && index <= lastRecordIndex)
            records.emplace_back(record, index);
    });
    m_appended = lastRecordIndex;
    for (const auto& [record, index] : records) {
        auto item = std::make_unique<CMatchLogTextDisplayItem>(record.text);
        item->SetFlags(record.column, record.endsLine, record.selectable, record.gameStart,
                       record.hasPosition, record.numberLabel, index);
        AppendItem(std::move(item), record.mark, true);
    }
}

void CBgMatchLogView::OnInitialUpdate() {
    m_appended = -1;
    CMatchLogView::OnInitialUpdate();
    // Online the log fills from the record's hints; what the record held before the log was made (a
    // match joined late) is added now.
    const CBackgammonDoc* doc = GetBgDoc();
    if (doc && IsOnline() && m_appended < doc->GetMatchRecord().GetCount() - 1)
        AppendEntries(doc->GetMatchRecord().GetCount() - 1);
}

void CBgMatchLogView::OnGameDocUpdate(int hint, platform::Object* hintObject) {
    if (hint == gamehint::kClearLog)
        m_appended = -1;
    if (hint == 0) {
        // The whole document changed (a file was read): the log starts again.
        RemoveItemsFrom(0);
        m_appended = -1;
        if (const CBackgammonDoc* doc = GetBgDoc())
            AppendEntries(doc->GetMatchRecord().GetCount() - 1);
        return;
    }
    CMatchLogView::OnGameDocUpdate(hint, hintObject);
}
