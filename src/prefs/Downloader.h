#pragma once

#include "prefs/HttpSession.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// Fetches one address into one file. The body is written to a fresh file beside the target and
// moved over the target only when the transfer is complete, of the expected length and answered
// with a success status, so a failed, short or cancelled transfer leaves whatever the target held
// untouched.
class CDownloader {
public:
    // Called on the thread that runs the transfer: (bytes so far, 0) after each block that arrived,
    // then once at the end (expected size, 1 on success or 0 on failure).
    using ProgressFn = std::function<void(quint32 bytes, int done)>;

    // Without a session the downloader opens one of its own for each run ("Norvale CDownloader",
    // configured proxies) and closes it afterwards. A given session must outlive the runs.
    explicit CDownloader(const QString& address, CHttpSession* session = nullptr);
    ~CDownloader();
    CDownloader(const CDownloader&) = delete;
    CDownloader& operator=(const CDownloader&) = delete;

    // Runs the whole transfer on the calling thread. An expected size of 0 accepts any length.
    void Run(const QString& targetPath, quint32 expectedSize = 0, const ProgressFn& progress = {});
    bool Succeeded() const { return !m_failed.load(); }

    // Marks the download failed and stops a run in progress; with deleteTarget the target file is
    // removed, and a run still in progress on another thread will not put it back.
    void Abort(bool deleteTarget);
    // Stops a run in progress from any thread; the run then fails.
    void RequestCancel();
    // Lets a caller stop this downloader's runs through a switch it shares with other work.
    void SetCancel(std::shared_ptr<CTransferCancel> cancel);

    // Bodies longer than this fail as they arrive (0: no bound). Guards against a server that
    // streams without end into a file that should stay small.
    void SetMaxBytes(qint64 maxBytes) { m_maxBytes = maxBytes; }

    // For a file that will be run: only https, redirects included, with the server's certificate
    // checked against the trusted authorities (caFile when given, else the system's store).
    void SetSecureOnly(bool secureOnly, const QString& caFile = QString()) {
        m_secureOnly = secureOnly;
        m_caFile = caFile;
    }
    bool IsSecureOnly() const { return m_secureOnly; }
    // The permission bits the finished file gets (0: only the user may read and write it).
    void SetFileMode(unsigned mode) { m_fileMode = mode; }

    const QString& Address() const { return m_address; }
    // The last run's final HTTP status (0 when no answer arrived) and a short reason for a failure.
    int HttpStatus() const { return m_httpStatus; }
    QString ErrorText() const;

private:
    struct Transfer;
    static size_t WriteBlock(char* data, size_t size, size_t count, void* transfer);
    static int OnCurlProgress(void* transfer, long long, long long, long long, long long);

    void Fail(const QString& reason);
    bool Fetch(CHttpSession& session, Transfer& transfer);
    std::shared_ptr<CTransferCancel> CurrentCancel() const;

    QString m_address;
    CHttpSession* m_session;
    std::atomic<bool> m_failed{true};
    qint64 m_maxBytes = 0;
    bool m_secureOnly = false;
    QString m_caFile;
    unsigned m_fileMode = 0;
    int m_httpStatus = 0;

    mutable std::mutex m_lock; // guards the fields below against Abort and RequestCancel
    std::shared_ptr<CTransferCancel> m_cancel;
    bool m_cancelGiven = false;
    bool m_aborted = false;
    QString m_targetPath;
    QString m_error;
};

// Standard Base64 (RFC 4648 alphabet, "=" padding) of length bytes into output -> the number of
// characters written. A length below 1 gives an empty output and 0.
int Base64Encode(QByteArray& output, const void* input, qsizetype length);
