#include "app/KelderDocManager.h"

#include "app/MainFrame.h"
#include "frame/MultiPaneFrame.h"
#include "frame/TwoPlayerGameDocTemplate.h"
#include "frame/PaneLayout.h"
#include "game/BackgammonDoc.h"
#include "platform/Archive.h"
#include "session/ServiceName.h"
#include "session/SessionDoc.h"

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
        *error = QStringLiteral("%1 is not a Norvale match file.").arg(QFileInfo(path).fileName());
    return name;
}

} // namespace

// A file under review: its document, and a session of its own that is never connected, so that the
// panes find the document the way they find a room's.
struct CKelderDocManager::Review {
    std::unique_ptr<CSessionDoc> session;
    std::unique_ptr<CBackgammonDoc> doc;
    QPointer<CMultiPaneFrame> frame;
    // The frame as the object its destroyed signal names: by then it is no CMultiPaneFrame any more.
    const QObject* frameObject = nullptr;
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
    return QStringLiteral("Backgammon Match (*.cbg);;All Files (*)");
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
    if (CServiceName(room).GetFirstPart().compare(QLatin1String("gb"), Qt::CaseInsensitive) != 0) {
        why = QStringLiteral("%1 is not a backgammon match; this version opens matches only.")
                  .arg(QFileInfo(path).fileName());
        return nullptr;
    }
    auto review = std::make_unique<Review>();
    review->session = std::make_unique<CSessionDoc>();
    review->doc = std::make_unique<CBackgammonDoc>();
    if (!review->doc->LoadMatchFile(path, &why))
        return nullptr;
    review->session->SetGameDocument(review->doc.get());
    // The board over nothing else than the log: a saved match has no chat.
    const std::optional<CPaneLayout> layout = CPaneLayout::Parse(QStringLiteral("\x01"
                                                                                "h"
                                                                                "BgBoard"
                                                                                "\x03"
                                                                                "BgMatchLog"
                                                                                "\x02"));
    auto* frame = new CMultiPaneFrame(review->session.get());
    frame->Build(*layout);
    if (const CTwoPlayerGameDocTemplate* game = CTwoPlayerGameDocTemplate::FindFor(review->doc.get()))
        game->LoadMenu(frame);
    frame->setWindowTitle(QStringLiteral("%1 - %2").arg(QFileInfo(path).fileName(),
                                                        review->doc->GetBoard().FormatPlayersTitle()));
    review->frame = frame;
    review->frameObject = frame;
    connect(frame, &QObject::destroyed, this, [this](QObject* gone) { forget(gone); });
    if (CMainFrame* main = GetMainFrame()) {
        if (QMdiSubWindow* sub = main->AddServiceFrame(frame, QStringLiteral("Review")))
            sub->setWindowTitle(frame->windowTitle());
    } else {
        frame->resize(900, 600);
        frame->show();
    }
    m_reviews.push_back(std::move(review));
    return frame;
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
