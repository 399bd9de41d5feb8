#pragma once

#include "lobby/BlindFrameWnd.h"
#include "lobby/RelationRecords.h"
#include "lobby/UserListView.h"

// What the lists of the player relations share (friends, blinded and gagged players): the rows are
// the records of the list the database service sends, not the lobby's users. Whenever the list is
// built anew (first update, rebuild, changed view settings) it empties itself and asks the service for
// the list again ("="). Add... asks for nicknames and Remove takes the selected ones; both only send
// the change, and the rows change when the service sends the list again, so the window never shows
// what the service did not do.
class CRelationListView : public CUserListView, public CRelayedPacketView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CRelationListView, CUserListView)
public:
    void OnInitialUpdate() override;
    void OnUpdate(platform::View* sender, int hint, platform::Object* object) override;
    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;
    void RecreateList() override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;

    // Removes every row and record and asks the service for the list again.
    virtual void ResetList();
    const CRelationRecords& GetRecords() const { return m_records; }

    // Ids of this list's Add and Remove commands.
    virtual int AddButtonId() const = 0;
    virtual int RemoveButtonId() const = 0;

    // A nickname column only, sorted by nickname.
    static QStringList RelationColumnTitles();
    static CUserListLayout RelationDefaultLayout();

protected:
    explicit CRelationListView(QWidget* parent = nullptr);

    // The font kind Properties... opens the font page at.
    virtual int FontKind() const = 0;
    // How Add... tells the typed nicknames that are listed already.
    virtual CRelationRecords::Match AddMatch() const = 0;
    // Hands a change of the list ("=", or "+"/"-" and nicknames) on towards the service.
    virtual void SendChange(const QString& text) = 0;

    CRelationRecords& Records() { return m_records; }
    // Removes every row and record, asking nothing.
    void ClearList();

    void FillColumnsPage(CUserListColumnsPage& page, const std::array<int, kColumns>& shown) override;
    void ReadColumnsPage(const CUserListColumnsPage& page, std::array<int, kColumns>& shown) override;
    void RefillRows() override;

private:
    void addNames();
    void removeSelected();

    CRelationRecords m_records;
};
