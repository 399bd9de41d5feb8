#pragma once

#include "platform/Dialog.h"
#include "prefs/Downloader.h"

#include <atomic>
#include <memory>
#include <thread>

class QLabel;
class QProgressBar;

// Fetches the program update on a transfer thread while it shows how far the transfer has come.
// Only https with a checked certificate is accepted. A transfer that makes no progress for
// kStallSeconds is started again from the beginning, at most kMaxRestarts times; the next stall
// fails. The dialog ends with IDOK once the whole file is in place (GetResult 1), with
// kResultFailed when the transfer failed, or with IDCANCEL when the user gave up; only the first
// leaves the target file behind.
class CDownloadDialog : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CDownloadDialog, platform::Dialog)
public:
    static constexpr int kTemplateId = 515;
    static constexpr int kIdProgress = 1611;
    static constexpr int kIdStatus = 1612;
    static constexpr int kResultFailed = 3;
    static constexpr int kStallSeconds = 16;
    static constexpr int kMaxRestarts = 3;
    static constexpr char kCaption[] = "Downloading New Software...";

    // expectedSize: the file's length in bytes; 0 when it is not known (then any length is taken
    // and the dialog counts bytes instead of a percentage).
    CDownloadDialog(const QString& address, const QString& targetPath, quint32 expectedSize,
                    QWidget* parent = nullptr);
    ~CDownloadDialog() override;

    // The dialog that exists now, or null: there is at most one at a time.
    static CDownloadDialog* GetRunning();

    // 1 only when the dialog ended through a complete transfer, else 0.
    int GetResult() const { return m_success; }
    // Why the transfer failed (empty while none has).
    QString GetErrorText() const { return m_error; }
    int GetRestartCount() const { return m_restarts; }
    const QString& GetTargetPath() const { return m_targetPath; }

    // Before the dialog runs: the authorities that vouch for the server's certificate (a PEM file;
    // empty: the system's), and the permission bits the finished file gets.
    void SetTrustedCertificates(const QString& caFile);
    void SetFileMode(unsigned mode) { m_downloader.SetFileMode(mode); }

    // The percentage text of the status line: "%.1f Percent Complete".
    static QString FormatPercent(double percent);

    bool OnInitDialog() override;
    // Enter does not count: only a complete transfer ends the dialog with OK.
    void OnOK() override;
    void OnCancel() override;

    // Stops the transfer, drops what it wrote and starts it again from the beginning.
    virtual void Restart();
    // On the GUI thread, as blocks arrive (bytes so far, 0) and once at the end of a complete
    // transfer (expected size, 1), which ends the dialog with OK.
    virtual void OnProgress(quint32 bytes, int done);

private:
    void startTransfer();
    void stopTransfer();
    void onTransferEnded(int generation, bool succeeded);
    void onWatchdog();
    void armWatchdog();
    void fail(const QString& reason);
    void showProgress(quint32 bytes);

    QString m_targetPath;
    quint32 m_expectedSize;
    // Counts the transfer thread's signs of life; the watchdog compares it between its ticks.
    std::atomic<quint64> m_progressMark{0};
    quint64 m_seenMark = 0;
    int m_silentSeconds = 0;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    std::thread m_thread;
    std::shared_ptr<CTransferCancel> m_cancel;
    CDownloader m_downloader;
    int m_success = 0;
    bool m_finished = false; // ended by the transfer, a failure or the user
    // Each transfer thread has its number: reports of a thread that was stopped are dropped.
    int m_generation = 0;
    int m_restarts = 0;
    int m_watchdog = 0;
    QString m_error;
};
