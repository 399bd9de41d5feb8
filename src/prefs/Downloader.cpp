#include "prefs/Downloader.h"

#include <QFile>
#include <QFileInfo>

#include <curl/curl.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Blocks arrive in at most this many bytes, so progress is reported at a steady grain.
constexpr long kBlockSize = 10240;
constexpr long kMaxRedirects = 5;

// Writes all of data to fd, retrying on signals -> false on a short write.
bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= size_t(written);
    }
    return true;
}

} // namespace

// What one run shares with libcurl's callbacks.
struct CDownloader::Transfer {
    CDownloader* owner = nullptr;
    CTransferCancel* cancel = nullptr;
    const ProgressFn* progress = nullptr;
    int fd = -1;
    qint64 received = 0;
    qint64 limit = 0; // the most bytes the body may have (0: any)
    bool writeFailed = false;
    bool tooLong = false;
};

CDownloader::CDownloader(const QString& address, CHttpSession* session)
    : m_address(address), m_session(session), m_cancel(std::make_shared<CTransferCancel>()) {}

CDownloader::~CDownloader() = default;

std::shared_ptr<CTransferCancel> CDownloader::CurrentCancel() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_cancel;
}

void CDownloader::SetCancel(std::shared_ptr<CTransferCancel> cancel) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_cancelGiven = bool(cancel);
    m_cancel = cancel ? std::move(cancel) : std::make_shared<CTransferCancel>();
}

void CDownloader::RequestCancel() { CurrentCancel()->Cancel(); }

void CDownloader::Fail(const QString& reason) {
    m_failed = true;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_error.isEmpty())
        m_error = reason;
}

QString CDownloader::ErrorText() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_error;
}

void CDownloader::Abort(bool deleteTarget) {
    m_failed = true;
    std::shared_ptr<CTransferCancel> cancel;
    QString target;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_aborted = true;
        if (m_error.isEmpty())
            m_error = QStringLiteral("aborted");
        cancel = m_cancel;
        target = m_targetPath;
        // Removed under the lock: a run that finishes meanwhile checks m_aborted under the same lock
        // before it moves its file into place.
        if (deleteTarget && !target.isEmpty())
            QFile::remove(target);
    }
    cancel->Cancel();
}

size_t CDownloader::WriteBlock(char* data, size_t size, size_t count, void* opaque) {
    auto* transfer = static_cast<Transfer*>(opaque);
    const size_t bytes = size * count;
    if (transfer->cancel->IsCancelled() || transfer->owner->m_failed)
        return 0;
    // Never more than the announced size: a server that keeps sending fails here, not at the end.
    const qint64 maxBytes = transfer->limit;
    if (maxBytes > 0 && transfer->received + qint64(bytes) > maxBytes) {
        transfer->tooLong = true;
        return 0;
    }
    if (!WriteAll(transfer->fd, data, bytes)) {
        transfer->writeFailed = true;
        return 0;
    }
    transfer->received += qint64(bytes);
    if (*transfer->progress)
        (*transfer->progress)(quint32(transfer->received), 0);
    return bytes;
}

int CDownloader::OnCurlProgress(void* opaque, long long, long long, long long, long long) {
    auto* transfer = static_cast<Transfer*>(opaque);
    return transfer->cancel->IsCancelled() || transfer->owner->m_failed ? 1 : 0;
}

bool CDownloader::Fetch(CHttpSession& session, Transfer& transfer) {
    if (!session.IsOpen()) {
        Fail(QStringLiteral("no HTTP session"));
        return false;
    }
    CURL* easy = session.EasyHandle();
    CURLM* multi = session.MultiHandle();
    const QByteArray url = m_address.toUtf8();
    const QByteArray agent = session.Agent().toUtf8();
    const CHttpSession::Limits& limits = session.TransferLimits();

    // Reset keeps the session's connection cache, so the next request to the host reuses it.
    curl_easy_reset(easy);
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // Only the web: neither the address nor a redirect may reach file:, ftp: and the like.
    const char* protocols = m_secureOnly ? "https" : "http,https";
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
    // Certificates are always checked; a run may name the authorities it trusts.
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    const QByteArray caFile = QFile::encodeName(m_caFile);
    if (!caFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kBlockSize);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CDownloader::WriteBlock);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CDownloader::OnCurlProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
    if (limits.connectTimeoutSeconds > 0)
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutSeconds);
    if (limits.stallSeconds > 0) {
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
    }
    if (limits.totalSeconds > 0)
        curl_easy_setopt(easy, CURLOPT_TIMEOUT, limits.totalSeconds);
    if (session.Access() == HttpAccessType::Direct)
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
    // A fresh copy from the server, never one a cache along the way kept.
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);

    CURLcode result = CURLE_OK;
    bool done = false;
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        curl_slist_free_all(headers);
        Fail(QStringLiteral("could not start the transfer"));
        return false;
    }
    transfer.cancel->Attach(multi);
    while (!done && !transfer.cancel->IsCancelled() && !m_failed) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                result = message->data.result;
                done = true;
            }
        }
        if (done || running == 0)
            break;
        // Wakes early for network activity and for a cancel.
        curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    transfer.cancel->Detach();
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    m_httpStatus = int(status);
    curl_multi_remove_handle(multi, easy);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);

    if (transfer.cancel->IsCancelled() || m_failed) {
        Fail(QStringLiteral("cancelled"));
        return false;
    }
    if (transfer.tooLong) {
        Fail(QStringLiteral("body longer than %1 bytes").arg(transfer.limit));
        return false;
    }
    if (transfer.writeFailed) {
        Fail(QStringLiteral("could not write the temporary file"));
        return false;
    }
    if (!done) {
        Fail(QStringLiteral("transfer ended without a result"));
        return false;
    }
    if (result != CURLE_OK) {
        // A body shorter than its announced length ends here too (CURLE_PARTIAL_FILE).
        Fail(QString::fromUtf8(curl_easy_strerror(result)));
        return false;
    }
    if (status < 200 || status > 299) {
        // An error page is not the file that was asked for, whatever its length.
        Fail(QStringLiteral("HTTP status %1").arg(status));
        return false;
    }
    return true;
}

void CDownloader::Run(const QString& targetPath, quint32 expectedSize, const ProgressFn& progress) {
    m_failed = false;
    m_httpStatus = 0;
    std::shared_ptr<CTransferCancel> cancel;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_aborted = false;
        m_error.clear();
        m_targetPath = targetPath;
        if (!m_cancelGiven && m_cancel->IsCancelled())
            m_cancel = std::make_shared<CTransferCancel>(); // a new run after a stopped one
        cancel = m_cancel;
    }

    // The body's file sits beside the target, so moving it into place is one atomic rename; making
    // it also proves the folder is there and writable before anything is fetched.
    const QByteArray target = QFile::encodeName(targetPath);
    QByteArray partPattern = target + ".XXXXXX";
    int fd = targetPath.isEmpty() ? -1 : ::mkstemp(partPattern.data());
    if (fd < 0)
        Fail(QStringLiteral("cannot write beside %1").arg(targetPath));

    Transfer transfer;
    transfer.owner = this;
    transfer.cancel = cancel.get();
    transfer.progress = &progress;
    transfer.fd = fd;
    transfer.limit = m_maxBytes;
    if (expectedSize != 0 && (transfer.limit <= 0 || qint64(expectedSize) < transfer.limit))
        transfer.limit = qint64(expectedSize);
    if (!m_failed) {
        if (m_session) {
            Fetch(*m_session, transfer);
        } else {
            CHttpSession own(QStringLiteral("Norvale CDownloader"), HttpAccessType::Preconfig);
            Fetch(own, transfer);
        }
    }

    if (!m_failed && expectedSize != 0 && transfer.received != qint64(expectedSize))
        Fail(QStringLiteral("received %1 of %2 bytes").arg(transfer.received).arg(expectedSize));
    if (fd >= 0) {
        struct stat written {};
        if (!m_failed && (::fsync(fd) != 0 || ::fstat(fd, &written) != 0 || written.st_size != transfer.received))
            Fail(QStringLiteral("could not complete the temporary file"));
        // Set on the open file, so the bits reach this file and no other the name may come to mean.
        if (!m_failed && m_fileMode != 0 && ::fchmod(fd, mode_t(m_fileMode)) != 0)
            Fail(QStringLiteral("could not set the file's permissions"));
        if (::close(fd) != 0)
            Fail(QStringLiteral("could not close the temporary file"));
        bool moved = false;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (!m_failed && !m_aborted)
                moved = ::rename(partPattern.constData(), target.constData()) == 0;
        }
        if (!moved) {
            ::unlink(partPattern.constData());
            Fail(QStringLiteral("could not move the file into place"));
        }
    }
    // Read back from the file system: what matters is what the target now holds.
    if (!m_failed && expectedSize != 0 && QFileInfo(targetPath).size() != qint64(expectedSize))
        Fail(QStringLiteral("the target does not hold %1 bytes").arg(expectedSize));

    if (progress)
        progress(expectedSize, m_failed ? 0 : 1);
}

int Base64Encode(QByteArray& output, const void* input, qsizetype length) {
    if (!input || length < 1) {
        output.clear();
        return 0;
    }
    output = QByteArray::fromRawData(static_cast<const char*>(input), length).toBase64();
    return int(output.size());
}
