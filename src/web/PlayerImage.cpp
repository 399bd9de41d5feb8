#include "web/PlayerImage.h"

#include "support/Utilities.h"
#include "web/WebAddress.h"

#include <QAbstractScrollArea>
#include <QFrame>
#include <QLabel>

CPlayerImage::CPlayerImage(QWidget* parent, int id)
    : QStackedWidget(parent), m_host(CBrowserHost::LinkPolicy::SendOut) {
    setObjectName(QString::number(id));
    setFrameShape(QFrame::NoFrame);
    m_noPicture = new QLabel(QString::fromLatin1(kNoPictureText), this);
    m_noPicture->setAlignment(Qt::AlignCenter);
    m_noPicture->setWordWrap(true);
    m_noPicture->setAutoFillBackground(true);
    QPalette palette = m_noPicture->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, QColor(96, 96, 96));
    m_noPicture->setPalette(palette);
    addWidget(m_noPicture);
    setCurrentWidget(m_noPicture);
}

CPlayerImage::~CPlayerImage() {
    m_host.DestroyBrowser();
}

QString CPlayerImage::InvitationPictureAddress(const QString& host, const QString& nickname) {
    if (host.isEmpty() || !IsValidUserName(nickname))
        return QString();
    return host + QStringLiteral("/client/invitation-picture/") + nickname + QLatin1Char('/');
}

bool CPlayerImage::ensureBrowser() {
    if (m_host.HasBrowser())
        return true;
    if (m_browserTried)
        return false;
    m_browserTried = true;
    // Without any html engine the user is told once (deferred) and the pane keeps saying so.
    if (!m_host.CreateBrowser(this, 0, WS_CHILD | WS_VISIBLE, HtmlEngineMessageKind::Dialog, true))
        return false;
    QWidget* widget = m_host.GetWidget();
    if (!widget)
        return false;
    widget->setObjectName(objectName() + QStringLiteral(".browser"));
    // The picture or nothing: a page that cannot be had leaves "No valid picture", not the engine's
    // error page.
    m_host.onNavigateError = [this](const QUrl&) { ShowNoPicture(); };
    // No border and no scroll bars: the picture fills its place.
    for (QAbstractScrollArea* area : widget->findChildren<QAbstractScrollArea*>()) {
        area->setFrameShape(QFrame::NoFrame);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) {
        area->setFrameShape(QFrame::NoFrame);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    addWidget(widget);
    return true;
}

void CPlayerImage::ShowInvitationPicture(const QString& host, const QString& nickname) {
    const QString address = InvitationPictureAddress(host, nickname);
    if (address.isEmpty() || !ensureBrowser()) {
        ShowNoPicture();
        return;
    }
    m_address = address;
    setCurrentWidget(m_host.GetWidget());
    m_host.Navigate(address);
}

void CPlayerImage::ShowNoPicture() {
    m_address.clear();
    setCurrentWidget(m_noPicture);
}

bool CPlayerImage::IsShowingPicture() const {
    return m_host.HasBrowser() && currentWidget() == m_host.GetWidget();
}
