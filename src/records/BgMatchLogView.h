#pragma once

#include "records/MatchLogView.h"

#include <memory>

class CBackgammonBoard;
class CBackgammonDoc;
class QPrinter;

// The match log of a backgammon room: the game log of the match record, replayed on a scratch board,
// with the players' names over their columns and a status line that tells what the position waits
// for. It copies the match to the clipboard, exports it as RTF and prints it.
class CBgMatchLogView : public CMatchLogView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBgMatchLogView, CMatchLogView)
public:
    static constexpr char kPaneTag[] = "BgMatchLog";
    static constexpr int kCmdCopyMatch = 32869;
    static constexpr int kCmdExport = 32870;
    static constexpr int kCmdPrint = 57607;
    static constexpr int kCmdPrintMatch = 32927;
    static constexpr int kCmdPrintPosition = 32928;
    static constexpr int kCmdPrintPreview = 57609;

    explicit CBgMatchLogView(QWidget* parent = nullptr);
    ~CBgMatchLogView() override;
    static void RegisterPane();

    CBackgammonDoc* GetBgDoc() const;

    void AppendEntries(int lastRecordIndex) override;
    void OnInitialUpdate() override;
    void OnGameDocUpdate(int hint, platform::Object* hintObject) override;
    QMenu* CreateContextMenu(int menuId) override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;

    // Edit > Copy Match: the match text and its RTF on the clipboard.
    bool CopyMatch();
    // File > Export: the match as an RTF file chosen by the user.
    bool ExportRtf();
    // The whole match, or the position the board shows, on a printer -> pages printed, 0 after an
    // error that was shown to the user.
    int PrintTo(QPrinter* printer, bool currentPositionOnly);
    // The RTF that PrintTo lays out.
    QByteArray BuildPrintRtf(bool currentPositionOnly, int dotsPerInch) const;
    // The position the game window shows.
    CBackgammonBoard GetShownPosition() const;

private:
    void PrintWithDialog();
    void PrintOnDefaultPrinter(bool currentPositionOnly);
    void PrintPreview();
    // Forgets the log's items and starts the scratch board afresh.
    void RestartLog();

    // The record replayed so far: each new entry is applied to it alone, never the match from its start.
    std::unique_ptr<CBackgammonBoard> m_scratch;
    int m_next = 0;            // the next record index to replay
    bool m_hasStatus = false;  // the last item is the status line
};
