#include "lobby/invite/WaitingForResumeMatchDlg.h"

#include "platform/Win32Codes.h"
#include "session/DeferredMessageBox.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CWaitingForResumeMatchDlg::CWaitingForResumeMatchDlg(const CServiceName& serviceName, QWidget* parent)
    : platform::Dialog(parent), m_serviceName(serviceName) {
    setWindowTitle(QStringLiteral("Resume Match"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Inviting to resume, please wait..."), this));
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    SetItemId(cancel, platform::IDCANCEL);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(260);
}

int CWaitingForResumeMatchDlg::OnPacket(int type, const QString& text) {
    if (type == 70) {
        // The request could not be delivered; whoever else wants the packet still gets it.
        EndDialog(platform::IDNO);
        return 0;
    }
    if (type != 246)
        return 0;
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    const QString answer = blank < 0 ? text : text.left(blank);
    if (answer == QLatin1String("Y")) {
        EndDialog(platform::IDOK);
        return 1;
    }
    const QString reason = blank < 0 ? QString() : text.mid(blank + 1);
    if (!reason.isEmpty())
        PostDeferredMessageBox(reason, platform::MB_ICONEXCLAMATION);
    EndDialog(platform::IDNO);
    return 1;
}
