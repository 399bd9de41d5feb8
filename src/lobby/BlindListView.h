#pragma once

#include "lobby/BlindFrameWnd.h"
#include "lobby/RelationRecords.h"
#include "lobby/UserListView.h"

// The blinded players' list: one row per nickname of the list the database service sends (235), with
// the list's Talk... and Player Info... buttons and two more, Add... and Remove, stacked at its right.
// Add asks for nicknames and Remove takes the selected ones; both hand the change to the blind
// sub-document (sub-document event 0), and the rows change when the service sends the list again.
class CBlindListView : public CUserListView, public CRelayedPacketView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBlindListView, CUserListView)
public:
    explicit CBlindListView(QWidget* parent = nullptr);

    int OnCreate() override;
    void OnInitialUpdate() override;
    void OnUpdate(platform::View* sender, int hint, platform::Object* object) override;
    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;
    void RecreateList() override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;

    // The whole list (235 here, 189 for the gagged) from the database service -> 0.
    int OnRelayedPacket(int type, const QString& text) override;

    // Removes every row and record and asks the service for the list again.
    void ResetList();
    // Adds a row for the nickname unless it is listed already (without regard to case).
    void AddName(const QString& nickname);
    const CRelationRecords& GetRecords() const { return m_records; }
    QPushButton* GetAddButton() const { return m_addButton; }
    QPushButton* GetRemoveButton() const { return m_removeButton; }

    // Ids of this list's Add and Remove buttons, the list's packet, its font kind.
    virtual int AddButtonId() const { return 32934; }
    virtual int RemoveButtonId() const { return 147; }

    static QStringList RelationColumnTitles();
    static CUserListLayout RelationDefaultLayout();

protected:
    virtual int ListPacketType() const;
    virtual int FontKind() const;
    // Hands a change of the list to the owning sub-document.
    virtual void SendChange(const QString& text);

    QStringList GetColumnTitles() const override { return RelationColumnTitles(); }
    void GetDefaultLayout(CUserListLayout& layout) const override { layout = RelationDefaultLayout(); }
    void FillColumnsPage(CUserListColumnsPage& page, const std::array<int, kColumns>& shown) override;
    void ReadColumnsPage(const CUserListColumnsPage& page, std::array<int, kColumns>& shown) override;
    void RefillRows() override;
    void LayoutControls() override;
    void OnListSelectionChanged() override;

private:
    void addNames();
    void removeSelected();

    CRelationRecords m_records;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_removeButton = nullptr;
};

// The gagged players' list: the same list over the gag list (189), owned by the gag sub-document
// (event 400), with its own context menu (2002).
class CGagListView : public CBlindListView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CGagListView, CBlindListView)
public:
    static constexpr int kContextMenu = 2002;

    explicit CGagListView(QWidget* parent = nullptr);

    int AddButtonId() const override { return 149; }
    int RemoveButtonId() const override { return 148; }
    int GetContextMenuId() const override { return kContextMenu; }
    QMenu* CreateContextMenu(int menuId) override;

protected:
    int ListPacketType() const override;
    int FontKind() const override;
    void SendChange(const QString& text) override;
};
