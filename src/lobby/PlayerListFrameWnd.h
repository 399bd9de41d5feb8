#pragma once

#include "frame/KelderFrameWnd.h"
#include "lobby/UserListView.h"

#include <QPointer>

class CSessionDoc;

// The players and watchers of the user's game: the directory users whose group flags hold 0x1 (in the
// user's current game). A user who leaves the game or the lobby loses his row at once. It ignores the
// lobby's Columns page, whose boxes are the match board's.
class CPlayerListView : public CUserListView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CPlayerListView, CUserListView)
public:
    static constexpr int kListControlId = 220;
    static constexpr int kInGameGroup = 0x1;

    explicit CPlayerListView(QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    void OnUpdate(platform::View* sender, int hint, platform::Object* object) override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;

    // "%d Players and Watchers" with three rows or more, else "Players".
    static QString TitleFor(int rows);

protected:
    QStringList GetColumnTitles() const override;
    void GetDefaultLayout(CUserListLayout& layout) const override;
    void FillColumnsPage(CUserListColumnsPage& page, const std::array<int, kColumns>& shown) override;
    void ReadColumnsPage(const CUserListColumnsPage& page, std::array<int, kColumns>& shown) override;
    int GetToolBarButtonCount() const override { return 5; }
    std::vector<ToolBarButton> GetToolBarButtons() const override;

private:
    void retitle();
};

// The floating window of the player list. The game document opens it; when the user closes it the
// game document hears so once (it then stays closed for that kind of game), any other end of the
// window is reported once as not the user's. Its place is kept once the user has moved or sized it.
class CPlayerListFrameWnd : public CKelderFrameWnd {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CPlayerListFrameWnd, CKelderFrameWnd)
public:
    static constexpr int kFrameId = 220;
    static constexpr int kDefaultRight = 500;
    static constexpr int kDefaultBottom = 300;

    // onClosed: what the game document is told (closedByUser); called at most once.
    CPlayerListFrameWnd(CSessionDoc* session, std::function<void(bool closedByUser)> onClosed,
                        QWidget* owner = nullptr);
    ~CPlayerListFrameWnd() override;

    CPlayerListView* GetView() const { return m_view.data(); }
    bool IsPlacementSaved() const { return m_savePlacement; }
    // Ends the window without it counting as the user's close (the game went).
    void CloseForGame();

protected:
    void OnClose() override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void report(bool closedByUser);

    QPointer<CSessionDoc> m_session;
    QPointer<CPlayerListView> m_view;
    std::function<void(bool)> m_onClosed;
    bool m_reported = false;
    bool m_savePlacement = false;
    bool m_placed = false;
    bool m_closingForGame = false;
    bool m_userClosing = false;
};
