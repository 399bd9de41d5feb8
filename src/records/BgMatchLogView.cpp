#include "records/BgMatchLogView.h"

#include "frame/MultiPaneFrame.h"
#include "game/BackgammonDoc.h"
#include "game/GameHints.h"
#include "platform/Clipboard.h"
#include "platform/Commands.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "records/BgMatchLogModel.h"
#include "records/MatchExports.h"
#include "records/MatchLogPrint.h"
#include "support/SettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

#include <utility>

namespace {

// The wait cursor while a long export or print is being built.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

constexpr int kPrintDotsPerInch = 300; // board pictures for printers and previews

} // namespace

CBgMatchLogView::CBgMatchLogView(QWidget* parent) : CMatchLogView(parent) {}

CBgMatchLogView::~CBgMatchLogView() = default;

void CBgMatchLogView::RegisterPane() {
    CMultiPaneFrame::RegisterPane(QString::fromLatin1(kPaneTag),
                                  [](QWidget* parent) { return new CBgMatchLogView(parent); });
}

CBackgammonDoc* CBgMatchLogView::GetBgDoc() const {
    return platform::object_cast<CBackgammonDoc>(GetGameDoc());
}

void CBgMatchLogView::RestartLog() {
    RemoveItemsFrom(0);
    m_scratch.reset();
    m_next = 0;
    m_hasStatus = false;
}

void CBgMatchLogView::AppendEntries(int lastRecordIndex) {
    const CBackgammonDoc* doc = GetBgDoc();
    if (!doc)
        return;
    const CMatchRecord& record = doc->GetMatchRecord();
    const int count = record.GetCount();
    lastRecordIndex = std::min(lastRecordIndex, count - 1);
    if (lastRecordIndex < m_next - 1) {
        // Records were taken back: the log is built again.
        RestartLog();
    }
    const QStringList players = doc->GetPlayers();
    if (const QStringList titles = {players.value(0), players.value(1)}; titles != GetColumnTitles())
        SetColumnTitles(titles);
    if (!m_scratch || m_next == 0) {
        m_scratch = std::make_unique<CBackgammonBoard>();
        m_scratch->SetPlayers(players, doc->GetOwnSeat(), doc->IsWatching());
        m_scratch->SetUncheckedStep(doc->GetUncheckedSteps() != 0);
        m_scratch->SetLogging(true);
    }
    if (m_hasStatus) {
        RemoveItemsFrom(GetItemCount() - 1);
        m_hasStatus = false;
    }
    QString command;
    for (; m_next <= lastRecordIndex; ++m_next) {
        if (!record.GetMoveText(m_next, command))
            continue;
        m_scratch->ApplyCommand(command);
        while (const auto logRecord = m_scratch->PopLogRecord()) {
            auto item = std::make_unique<CMatchLogTextDisplayItem>(logRecord->text);
            item->SetFlags(logRecord->column, logRecord->endsLine, logRecord->selectable, logRecord->gameStart,
                           logRecord->hasPosition, logRecord->numberLabel, m_next);
            AppendItem(std::move(item), logRecord->mark, false);
        }
    }
    if (count == 0)
        return;
    const CBgLogItem status = CBgMatchLogModel::StatusItem(*m_scratch, m_next);
    auto item = std::make_unique<CMatchLogTextDisplayItem>(status.text);
    item->SetFlags(status.column, true, true, false, false, false, status.record);
    AppendItem(std::move(item), false, true);
    m_hasStatus = true;
}

void CBgMatchLogView::OnInitialUpdate() {
    RestartLog();
    CMatchLogView::OnInitialUpdate();
    // Online the log fills from the record's hints; what the record held before the log was made (a
    // match joined late) is added now.
    const CBackgammonDoc* doc = GetBgDoc();
    if (doc && IsOnline() && m_next < doc->GetMatchRecord().GetCount())
        AppendEntries(doc->GetMatchRecord().GetCount() - 1);
}

void CBgMatchLogView::OnGameDocUpdate(int hint, platform::Object* hintObject) {
    if (hint == gamehint::kClearLog) {
        m_scratch.reset();
        m_next = 0;
        m_hasStatus = false;
    }
    if (hint == gamehint::kScratchUnchecked && m_scratch) {
        const CGameHint* data = platform::object_cast<CGameHint>(hintObject);
        m_scratch->SetUncheckedStep(data && data->GetData() != 0);
    }
    if (hint == 0) {
        // The whole document changed (a file was read): the log starts again.
        RestartLog();
        if (const CBackgammonDoc* doc = GetBgDoc())
            AppendEntries(doc->GetMatchRecord().GetCount() - 1);
        return;
    }
    CMatchLogView::OnGameDocUpdate(hint, hintObject);
}

// --- commands -------------------------------------------------------------------------------------

QMenu* CBgMatchLogView::CreateContextMenu(int menuId) {
    QMenu* menu = CMatchLogView::CreateContextMenu(menuId);
    if (!menu)
        return menu;
    QAction* before = menu->actions().isEmpty() ? nullptr : menu->actions().constFirst();
    const auto add = [this, menu, before](int id, const QString& text, const QString& tip) {
        QAction* action = platform::MakeAction(id, text, menu);
        action->setStatusTip(tip);
        platform::CommandState state;
        OnUpdateCommand(id, state);
        action->setEnabled(state.enabled);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        menu->insertAction(before, action);
    };
    add(kCmdCopyMatch, QStringLiteral("Copy &Match"), QStringLiteral("Copy the match to the clipboard"));
    add(kCmdExport, QStringLiteral("&Export..."), QStringLiteral("Save the match as a Rich Text Format file"));
    add(kCmdPrint, QStringLiteral("&Print...\tCtrl+P"), QStringLiteral("Print the match or the current position"));
    add(kCmdPrintPreview, QStringLiteral("Print Pre&view"), QStringLiteral("Show the printed match on screen"));
    add(kCmdPrintPosition, QStringLiteral("Print current &board position"),
        QStringLiteral("Print the board position shown on the default printer"));
    add(kCmdPrintMatch, QStringLiteral("Print the complete match"),
        QStringLiteral("Print the complete match on the default printer"));
    menu->insertSeparator(before);
    return menu;
}

bool CBgMatchLogView::OnUpdateCommand(int id, platform::CommandState& state) {
    switch (id) {
    case kCmdCopyMatch:
    case kCmdExport:
    case kCmdPrint:
    case kCmdPrintMatch:
    case kCmdPrintPosition:
    case kCmdPrintPreview: {
        const CBackgammonDoc* doc = GetBgDoc();
        state.enabled = doc && doc->GetMatchRecord().GetCount() > 0;
        return true;
    }
    default:
        return CMatchLogView::OnUpdateCommand(id, state);
    }
}

bool CBgMatchLogView::OnCommand(int id) {
    switch (id) {
    case kCmdCopyMatch:
        CopyMatch();
        return true;
    case kCmdExport:
        ExportRtf();
        return true;
    case kCmdPrint:
        PrintWithDialog();
        return true;
    case kCmdPrintMatch:
    case kCmdPrintPosition:
        PrintOnDefaultPrinter(id == kCmdPrintPosition);
        return true;
    case kCmdPrintPreview:
        PrintPreview();
        return true;
    default:
        return CMatchLogView::OnCommand(id);
    }
}

bool CBgMatchLogView::CopyMatch() {
    const CBackgammonDoc* doc = GetBgDoc();
    if (!doc || doc->GetMatchRecord().GetCount() == 0)
        return false;
    WaitCursor wait;
    // Lines end the platform's way on the clipboard; files keep "\r\n".
    QString text = CBgMatchLogModel(*doc).BuildSnvText();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QByteArray rtf = MatchRtfBytes(*doc, MakeBoardPictureMaker());
    platform::SetClipboardTextAndRtf(text, rtf);
    return true;
}

bool CBgMatchLogView::ExportRtf() {
    const CBackgammonDoc* doc = GetBgDoc();
    if (!doc || doc->GetMatchRecord().GetCount() == 0)
        return false;
    QString suggestion = doc->GetPlayers().join(QStringLiteral(" vs "));
    if (suggestion.isEmpty())
        suggestion = QStringLiteral("Match");
    QString path = platform::ui().SaveFileName(
        this, QStringLiteral("Export As"),
        GetSettingsStore().GetPathName(QStringLiteral("SaveGame"), QStringLiteral("SaveGame")) + suggestion +
            QStringLiteral(".rtf"),
        QStringLiteral("Rich Text Format (RTF) (*.rtf)"));
    if (path.isEmpty())
        return false;
    // The export is RTF whatever name was typed: no ".txt" or ".doc" may hold it.
    if (QFileInfo(path).suffix().compare(QLatin1String("rtf"), Qt::CaseInsensitive) != 0)
        path += QStringLiteral(".rtf");
    WaitCursor wait;
    const QByteArray rtf = MatchRtfBytes(*doc, MakeBoardPictureMaker());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !WriteAll(file, rtf) || !file.commit()) {
        file.cancelWriting();
        platform::ui().MessageBox(this, QStringLiteral("Unable to write to file %1.").arg(QDir::toNativeSeparators(path)),
                                  QStringLiteral("Norvale"), platform::MB_OK | platform::MB_ICONERROR);
        return false;
    }
    return true;
}

// --- printing -------------------------------------------------------------------------------------

CBackgammonBoard CBgMatchLogView::GetShownPosition() const {
    CBackgammonBoard board;
    const CBackgammonDoc* doc = GetBgDoc();
    if (!doc)
        return board;
    if (const CBackgammonBoard* shown = doc->GetDisplayBoard())
        return *shown;
    const CMultiPaneFrame* frame = GetMultiPaneFrame();
    const int displayed = frame ? frame->GetDisplayedMove() : -1;
    if (!doc->BuildBoardAt(displayed, board))
        doc->BuildBoardAt(-1, board);
    return board;
}

QByteArray CBgMatchLogView::BuildPrintRtf(bool currentPositionOnly, int dotsPerInch) const {
    const CBackgammonDoc* doc = GetBgDoc();
    if (!doc)
        return QByteArray();
    const auto pictures = MakeBoardPictureMaker(dotsPerInch);
    return currentPositionOnly ? PositionRtfBytes(*doc, GetShownPosition(), pictures) : MatchRtfBytes(*doc, pictures);
}

int CBgMatchLogView::PrintTo(QPrinter* printer, bool currentPositionOnly) {
    const CMatchLogPrintSettings settings = CMatchLogPrintSettings::Load();
    QString error;
    int pages = 0;
    {
        WaitCursor wait;
        const QByteArray rtf = BuildPrintRtf(currentPositionOnly, kPrintDotsPerInch);
        // A single position always prints in one column.
        pages = rtf.isEmpty() ? 0
                              : PrintRtfInColumns(printer, rtf, settings, currentPositionOnly ? 1 : settings.columns,
                                                  &error);
    }
    if (pages == 0)
        platform::ui().MessageBox(this, error.isEmpty() ? QStringLiteral("Cannot format for printing") : error,
                                  QStringLiteral("Norvale"), platform::MB_OK | platform::MB_ICONEXCLAMATION);
    return pages;
}

void CBgMatchLogView::PrintWithDialog() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    PrepareMatchLogPrintDialog(dialog);
    if (platform::ui().ExecDialog(&dialog) != platform::IDOK)
        return;
    PrintTo(&printer, dialog.printRange() == QAbstractPrintDialog::Selection);
}

void CBgMatchLogView::PrintOnDefaultPrinter(bool currentPositionOnly) {
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull()) {
        platform::ui().MessageBox(this, QStringLiteral("There is no default printer. Choose a printer with File > Print."),
                                  QStringLiteral("Norvale"), platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return;
    }
    QPrinter printer(defaultPrinter, QPrinter::HighResolution);
    PrintTo(&printer, currentPositionOnly);
}

void CBgMatchLogView::PrintPreview() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Print Preview"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) { PrintTo(target, false); });
    platform::ui().ExecDialog(&preview);
}
