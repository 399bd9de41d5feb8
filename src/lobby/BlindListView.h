#pragma once

#include "lobby/RelationListView.h"

// The blinded players' list: one row per nickname of the list the database service sends (235), with
// the list's Talk... and Player Info... buttons and two more, Add... and Remove, stacked at its right.
// Add asks for nicknames and Remove takes the selected ones; both hand the change to the blind
// sub-document (sub-document event 0), and the rows change when the service sends the list again.
class CBlindListView : public CRelationListView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBlindListView, CRelationListView)
public:
    explicit CBlindListView(QWidget* parent = nullptr);

    int OnCreate() override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;

    // The whole list (235 here, 189 for the gagged) from the database service -> 0.
    int OnRelayedPacket(int type, const QString& text) override;

    // Also turns Remove off.
    void ResetList() override;
    // Adds a row for the nickname unless it is listed already (without regard to case).
    void AddName(const QString& nickname);
    QPushButton* GetAddButton() const { return m_addButton; }
    QPushButton* GetRemoveButton() const { return m_removeButton; }

    int AddButtonId() const override { return 32934; }
    int RemoveButtonId() const override { return 147; }

protected:
    // The packet of the list.
    virtual int ListPacketType() const;
    int FontKind() const override;
    CRelationRecords::Match AddMatch() const override { return CRelationRecords::Match::IgnoringCase; }
    // Hands a change of the list to the owning sub-document.
    void SendChange(const QString& text) override;

    QStringList GetColumnTitles() const override { return RelationColumnTitles(); }
    void GetDefaultLayout(CUserListLayout& layout) const override { layout = RelationDefaultLayout(); }
    void LayoutControls() override;
    void OnListSelectionChanged() override;

private:
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
