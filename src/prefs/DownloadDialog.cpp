#include "prefs/DownloadDialog.h"

#include "platform/Win32Codes.h"
#include "support/ApplicationTimer.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

CDownloadDialog* g_running = nullptr;

} // namespace

CDownloadDialog::CDownloadDialog(const QString& address, const QString& targetPath, quint32 expectedSize,
                                 QWidget* parent)
    : platform::Dialog(parent), m_targetPath(targetPath), m_expectedSize(expectedSize), m_downloader(address) {
    g_running = this;
    m_downloader.SetSecureOnly(true);
    setWindowTitle(QString::fromLatin1(kCaption));
    setObjectName(QString::number(kTemplateId));
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->setMinimumWidth(320);
    SetItemId(m_progress, kIdProgress);
    m_status = new QLabel(this);
    SetItemId(m_status, kIdStatus);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addWidget(CreateButtonBox(QDialogButtonBox::Cancel), 0, Qt::AlignHCenter);
}

CDownloadDialog::~CDownloadDialog() {
    KillApplicationTimersOf(this);
    m_watchdog = 0;
    stopTransfer();
    if (g_running == this)
        g_running = nullptr;
    m_success = 0;
}

CDownloadDialog* CDownloadDialog::GetRunning() { return g_running; }

void CDownloadDialog::SetTrustedCertificates(const QString& caFile) { m_downloader.SetSecureOnly(true, caFile); }

QString CDownloadDialog::FormatPercent(double percent) {
    return QString::number(percent, 'f', 1) + QStringLiteral(" Percent Complete");
}

bool CDownloadDialog::OnInitDialog() {
    platform::Dialog::OnInitDialog();
    if (m_expectedSize == 0) {
        // No length to measure against: a busy bar and a count of bytes.
        m_progress->setRange(0, 0);
        m_status->setText(QStringLiteral("0 bytes received"));
    } else {
        m_progress->setRange(0, 100);
        m_progress->setValue(0);
        m_status->setText(QStringLiteral(" 0.0 Percent Complete"));
    }
    startTransfer();
    if (auto* box = findChild<QDialogButtonBox*>())
        if (QPushButton* cancel = box->button(QDialogButtonBox::Cancel))
            cancel->setFocus();
    return false;
}

void CDownloadDialog::startTransfer() {
    const int generation = ++m_generation;
    m_progressMark.fetch_add(1, std::memory_order_relaxed);
    // A switch of its own for each transfer, given before the thread runs: a stop that comes
    // before the transfer has begun still stops it.
    m_cancel = std::make_shared<CTransferCancel>();
    m_downloader.SetCancel(m_cancel);
    m_thread = std::thread([this, generation] {
        m_downloader.Run(m_targetPath, m_expectedSize, [this, generation](quint32 bytes, int done) {
            m_progressMark.fetch_add(1, std::memory_order_relaxed);
            // Blocks while the run is sound go to the window; the end is reported once Run returns.
            if (done == 0 && m_downloader.Succeeded())
                QMetaObject::invokeMethod(
                    this,
                    [this, generation, bytes] {
                        if (generation == m_generation && !m_finished)
                            OnProgress(bytes, 0);
                    },
                    Qt::QueuedConnection);
        });
        const bool succeeded = m_downloader.Succeeded();
        // The dialog joins this thread before it goes, so it is still there to take the call.
        QMetaObject::invokeMethod(
            this, [this, generation, succeeded] { onTransferEnded(generation, succeeded); }, Qt::QueuedConnection);
    });
    armWatchdog();
}

void CDownloadDialog::stopTransfer() {
    if (!m_thread.joinable())
        return;
    // Wakes a transfer that waits on the network; nothing it wrote survives, and it writes no more.
    m_cancel->Cancel();
    if (m_success == 0)
        m_downloader.Abort(true);
    m_thread.join();
}

void CDownloadDialog::armWatchdog() {
    KillApplicationTimer(&m_watchdog);
    m_seenMark = m_progressMark.load(std::memory_order_relaxed);
    m_silentSeconds = 0;
    // Fires with the next tick of the one-second clock, and from then on once a second.
    m_watchdog = SetApplicationTimer(0, this, [this](QObject*, int, void*) {
        m_watchdog = 0;
        onWatchdog();
    });
}

void CDownloadDialog::onWatchdog() {
    if (m_finished)
        return;
    const quint64 mark = m_progressMark.load(std::memory_order_relaxed);
    if (mark != m_seenMark) {
        m_seenMark = mark;
        m_silentSeconds = 0;
    } else {
        ++m_silentSeconds;
    }
    if (m_silentSeconds < kStallSeconds) {
        m_watchdog = SetApplicationTimer(0, this, [this](QObject*, int, void*) {
            m_watchdog = 0;
            onWatchdog();
        });
        return;
    }
    if (m_restarts >= kMaxRestarts) {
        fail(QStringLiteral("the server stopped sending"));
        return;
    }
    Restart();
}

void CDownloadDialog::Restart() {
    if (m_finished)
        return;
    ++m_restarts;
    stopTransfer();
    if (m_expectedSize != 0)
        m_progress->setValue(0);
    m_status->setText(m_expectedSize != 0 ? QStringLiteral(" 0.0 Percent Complete")
                                          : QStringLiteral("0 bytes received"));
    startTransfer();
}

void CDownloadDialog::showProgress(quint32 bytes) {
    if (m_expectedSize == 0) {
        m_status->setText(QStringLiteral("%1 bytes received").arg(bytes));
        m_status->repaint();
        return;
    }
    const double percent = std::clamp(double(bytes) * 100.0 / double(m_expectedSize), 0.0, 100.0);
    m_progress->setValue(int(percent));
    m_progress->repaint();
    m_status->setText(FormatPercent(percent));
    m_status->repaint();
}

void CDownloadDialog::OnProgress(quint32 bytes, int done) {
    if (m_finished)
        return;
    if (!done) {
        showProgress(bytes);
        return;
    }
    if (m_expectedSize == 0) {
        m_progress->setRange(0, 100);
        m_progress->setValue(100);
        m_status->setText(QStringLiteral("%1 bytes received").arg(bytes));
    } else {
        showProgress(m_expectedSize);
    }
    KillApplicationTimer(&m_watchdog);
    m_success = 1;
    m_finished = true;
    EndDialog(platform::IDOK);
}

void CDownloadDialog::onTransferEnded(int generation, bool succeeded) {
    if (generation != m_generation || m_finished)
        return;
    if (!succeeded) {
        fail(m_downloader.ErrorText());
        return;
    }
    // The thread has nothing left to do; join it so the file is ours alone from here on.
    if (m_thread.joinable())
        m_thread.join();
    OnProgress(m_expectedSize != 0 ? m_expectedSize : quint32(QFileInfo(m_targetPath).size()), 1);
}

void CDownloadDialog::fail(const QString& reason) {
    m_error = reason.isEmpty() ? QStringLiteral("the transfer failed") : reason;
    KillApplicationTimer(&m_watchdog);
    m_success = 0;
    m_finished = true;
    stopTransfer();
    EndDialog(kResultFailed);
}

void CDownloadDialog::OnOK() {}

void CDownloadDialog::OnCancel() {
    if (m_finished)
        return; // the transfer's own end came first
    KillApplicationTimer(&m_watchdog);
    m_success = 0;
    m_finished = true;
    stopTransfer();
    EndDialog(platform::IDCANCEL);
}
