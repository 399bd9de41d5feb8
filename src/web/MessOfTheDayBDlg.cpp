#include "web/MessOfTheDayBDlg.h"

#include "game/ClientGameFactory.h"
#include "session/SessionDoc.h"
#include "support/MainWindow.h"
#include "support/SettingsStore.h"
#include "web/WebAddress.h"

#include <QDateTime>
#include <QTimer>

namespace {

CMOTDSubDocument* g_newsSubDocument = nullptr;
int g_newsDelayMs = CMOTDSubDocument::kNewsDelayMs;

CMOTDSubDocument::DateSource& DateSourceSlot() {
    static CMOTDSubDocument::DateSource source;
    return source;
}

QDate Today() {
    return DateSourceSlot() ? DateSourceSlot()() : QDate::currentDate();
}

} // namespace

// ---- The news window

CMessOfTheDayBDlg::CMessOfTheDayBDlg(CMOTDSubDocument* owner, QWidget* parent, bool takeFocus)
    : CWebPageDlg(kTemplateId, parent, CBrowserHost::LinkPolicy::SendOut, kBrowserId, PageLayout::FramedPage,
                  HtmlEngineMessageKind::Dialog, takeFocus),
      m_owner(owner) {
    setWindowTitle(QStringLiteral("News"));
}

QString CMessOfTheDayBDlg::NewsAddress() const {
    CSessionDoc* session = m_owner ? m_owner->GetSession() : nullptr;
    QString address = session ? session->GetLobbySetting(QStringLiteral("urlNews")) : QString();
    if (address.isEmpty())
        address = CClientGameFactory::GetFactory().GetNewsAddress(ServiceWebHost());
    const QString nickname = session ? session->GetNickname() : QString();
    if (!nickname.isEmpty())
        address = AppendQueryItem(address, QStringLiteral("user_id"), nickname);
    // The version-1 control may serve the page from its cache; the time makes each address new.
    if (Host().ControlVersion() == 1)
        address = AppendQueryItem(address, QStringLiteral("current_time"),
                                  QDateTime::currentDateTime().toString(QStringLiteral("MM/dd/yyHHmmss")));
    return address;
}

void CMessOfTheDayBDlg::Navigate() {
    NavigateTo(NewsAddress(), QStringLiteral("Retrieving News "));
}

// ---- The news sub-document

CMOTDSubDocument::CMOTDSubDocument(CSessionDoc* session)
    : CSubDocument(session), m_timer(std::make_unique<QTimer>()), m_connections(std::make_unique<QObject>()) {
    g_newsSubDocument = this;
    m_timer->setSingleShot(true);
    m_timer->setInterval(g_newsDelayMs);
    QObject::connect(m_timer.get(), &QTimer::timeout, m_connections.get(), [this] { OnNewsTimer(); });
    if (session)
        QObject::connect(session, &CSessionDoc::serviceEntered, m_connections.get(),
                         [this] { CheckNewsOnEntry(); });
}

CMOTDSubDocument::~CMOTDSubDocument() {
    if (g_newsSubDocument == this)
        g_newsSubDocument = nullptr;
    m_timer.reset();
    delete m_dialog.data();
}

CMOTDSubDocument* CMOTDSubDocument::GetNewsSubDocument() {
    return g_newsSubDocument;
}

CMOTDSubDocument* CMOTDSubDocument::Attach(CSessionDoc& session) {
    if (g_newsSubDocument && g_newsSubDocument->GetSession() == &session)
        return g_newsSubDocument;
    return static_cast<CMOTDSubDocument*>(
        session.AdoptSubDocument(std::make_unique<CMOTDSubDocument>(&session)));
}

void CMOTDSubDocument::SetDateSource(DateSource source) {
    DateSourceSlot() = std::move(source);
}

void CMOTDSubDocument::SetNewsDelay(int milliseconds) {
    g_newsDelayMs = qMax(0, milliseconds);
}

void CMOTDSubDocument::CheckNewsOnEntry() {
    if (m_shownToday)
        return;
    const QString today = Today().toString(QStringLiteral("yyyy/MM/dd"));
    CSettingsStore& settings = GetSettingsStore();
    if (settings.GetObjectString(this, QStringLiteral("LastMOTDdate")) != today)
        m_timer->start();
    // Written at once, so a second entry the same day (or a program that quits within the delay)
    // does not bring the news up again.
    settings.WriteObjectString(this, QStringLiteral("LastMOTDdate"), today);
}

bool CMOTDSubDocument::IsNewsTimerPending() const {
    return m_timer && m_timer->isActive();
}

void CMOTDSubDocument::OnNewsTimer() {
    m_timer->stop();
    CMOTDSubDocument* news = GetNewsSubDocument();
    if (!news || news->m_shownToday)
        return;
    news->ShowNews(false);
}

void CMOTDSubDocument::ShowNews(bool byUser) {
    if (GetNewsSubDocument() != this)
        return;
    m_shownToday = true;
    if (m_dialog) {
        m_dialog->showNormal();
        m_dialog->raise();
        if (byUser)
            m_dialog->activateWindow();
        m_dialog->Navigate();
        return;
    }
    // The first showing initialises the window, which loads the news.
    m_dialog = new CMessOfTheDayBDlg(this, GetMainWindow(), byUser);
    m_dialog->showNormal();
}

bool CMOTDSubDocument::OnCommand(int id) {
    if (id != kCmdViewNews)
        return false;
    ShowNews();
    return true;
}
