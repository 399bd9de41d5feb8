#include "app/KelderDocManager.h"

#include "app/MainFrame.h"
#include "frame/MultiPaneFrame.h"
#include "frame/TwoPlayerGameDocTemplate.h"
#include "frame/PaneLayout.h"
#include "game/BackgammonDoc.h"
#include "platform/Archive.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "records/BGPropDoc.h"
#include "session/ServiceName.h"
#include "session/SessionDoc.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QMdiSubWindow>

namespace {

QString LeadingRoomName(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 cannot be read.").arg(QFileInfo(path).fileName());
        return QString();
    }
    platform::ArchiveReader reader(file.read(4096));
    QString name;
    if (!reader.ReadString(name) || !name.startsWith(QLatin1Char('.')))
        *error = QStringLiteral("%1 is not a Norvale match or proposition file.").arg(QFileInfo(path).fileName());
    return name;
}

} // namespace

// A file under review: its document, and a session of its own that is never connected, so that the
// panes find the document the way they find a room's.
struct CKelderDocManager::Review {
    std::unique_ptr<CSessionDoc> session;
    std::unique_ptr<CGameDoc> doc;
    QPointer<CMultiPaneFrame> frame;
    // The frame as the object its destroyed signal names: by then it is no CMultiPaneFrame any more.
    const QObject* frameObject = nullptr;
    // The window whose closing asks about unsaved changes (the sub-window, or the frame itself).
    QPointer<QObject> closeGuard;
};

CKelderDocManager::CKelderDocManager(QObject* parent) : QObject(parent) {}

CKelderDocManager::~CKelderDocManager() {
    for (auto& review : m_reviews)
        if (review->frame)
            review->frame->disconnect(this);
    // The windows go first: their panes are views of the session and the document.
    for (auto& review : m_reviews) {
        if (!review->frame)
            continue;
        if (auto* sub = qobject_cast<QMdiSubWindow*>(review->frame->parentWidget()))
            delete sub;
        else
            delete review->frame.data();
    }
}

QString CKelderDocManager::FileFilter() {
    return QStringLiteral("Norvale Files (*.cbg *.CBG *.bgp *.BGP);;Backgammon Match (*.cbg *.CBG);;"
                          "Backgammon Proposition (*.bgp *.BGP);;All Files (*)");
}

int CKelderDocManager::GetOpenCount() const {
    return int(m_reviews.size());
}

CMultiPaneFrame* CKelderDocManager::OpenDocumentFile(const QString& path, QString* error) {
    QString ignored;
    QString& why = error ? *error : ignored;
    why.clear();
    if (!CGameDoc::CheckMatchFileSize(path, &why))
        return nullptr;
    const QString room = LeadingRoomName(path, &why);
    if (!why.isEmpty())
        return nullptr;
    const QString kind = CServiceName(room).GetFirstPart();
    auto review = std::make_unique<Review>();
    review->session = std::make_unique<CSessionDoc>();
    QString layoutText;
    QString title;
    if (kind.compare(QLatin1String("gp"), Qt::CaseInsensitive) == 0) {
        // A proposition opens for editing: its board alone.
        auto doc = std::make_unique<CBGPropDoc>();
        if (!doc->LoadPropositionFile(path, &why))
            return nullptr;
        doc->SetDisplayMode(CGameDoc::kEditMode);
        layoutText = doc->GetWindowLayout();
        review->doc = std::move(doc);
    } else if (kind.compare(QLatin1String("gb"), Qt::CaseInsensitive) == 0) {
        auto doc = std::make_unique<CBackgammonDoc>();
        if (!doc->LoadMatchFile(path, &why))
            return nullptr;
        title = QStringLiteral("%1 - %2").arg(QFileInfo(path).fileName(), doc->GetBoard().FormatPlayersTitle());
        // The board over nothing else than the log: a saved match has no chat.
        layoutText = QStringLiteral("\x01"
                                    "h"
                                    "BgBoard"
                                    "\x03"
                                    "BgMatchLog"
                                    "\x02");
        review->doc = std::move(doc);
    } else {
        why = QStringLiteral("%1 is neither a backgammon match nor a proposition.").arg(QFileInfo(path).fileName());
        return nullptr;
    }
    review->session->SetGameDocument(review->doc.get());
    const std::optional<CPaneLayout> layout = CPaneLayout::Parse(layoutText);
    auto* frame = new CMultiPaneFrame(review->session.get());
    frame->Build(*layout);
    if (const CTwoPlayerGameDocTemplate* game = CTwoPlayerGameDocTemplate::FindFor(review->doc.get()))
        game->LoadMenu(frame);
    if (!title.isEmpty())
        frame->setWindowTitle(title);
    review->frame = frame;
    review->frameObject = frame;
    connect(frame, &QObject::destroyed, this, [this](QObject* gone) { forget(gone); });
    review->closeGuard = frame;
    if (CMainFrame* main = GetMainFrame()) {
        if (QMdiSubWindow* sub = main->AddServiceFrame(frame, QStringLiteral("Review"))) {
            sub->setWindowTitle(frame->windowTitle());
            review->closeGuard = sub;
        }
    } else {
        frame->resize(900, 600);
        frame->show();
    }
    if (platform::object_cast<CBGPropDoc>(review->doc.get()))
        review->closeGuard->installEventFilter(this);
    m_reviews.push_back(std::move(review));
    return frame;
}

bool CKelderDocManager::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Close)
        return QObject::eventFilter(watched, event);
    for (const auto& review : m_reviews) {
        if (review->closeGuard != watched)
            continue;
        auto* doc = platform::object_cast<CBGPropDoc>(review->doc.get());
        if (!doc || !doc->IsModified())
            break;
        const QString name = doc->GetPathName().isEmpty() ? QStringLiteral("the proposition")
                                                          : QFileInfo(doc->GetPathName()).fileName();
        const int answer = platform::ui().MessageBox(qobject_cast<QWidget*>(watched),
                                                     QStringLiteral("Save changes to %1?").arg(name),
                                                     QStringLiteral("Norvale"),
                                                     platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION);
        if (answer == platform::IDCANCEL || (answer == platform::IDYES && !doc->OnFileSave(false))) {
            event->ignore();
            return true;
        }
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CKelderDocManager::forget(QObject* frame) {
    for (auto it = m_reviews.begin(); it != m_reviews.end(); ++it) {
        if ((*it)->frame.isNull() || (*it)->frameObject == frame) {
            // The panes are gone with their frame; the session and the document follow.
            (*it)->session->SetGameDocument(nullptr);
            m_reviews.erase(it);
            return;
        }
    }
}
