#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

// libcurl's handle types, kept out of every includer.
typedef void CURL;
typedef void CURLM;

// How a session reaches the web: through the proxies the user configured (libcurl reads them from
// http_proxy, https_proxy and no_proxy) or straight to the host.
enum class HttpAccessType : int {
    Preconfig = 0,
    Direct = 1,
};

// One HTTP session: a reused transfer handle, so consecutive requests to one host share a
// kept-alive connection. A session serves one transfer at a time, on whichever thread runs it.
class CHttpSession {
public:
    // Bounds that keep a dead or crawling server from holding a transfer for ever. Zero switches a
    // bound off.
    struct Limits {
        long connectTimeoutSeconds = 20;
        long stallSeconds = 30; // ends a transfer that moved less than one byte a second for this long
        long totalSeconds = 0;
    };

    CHttpSession(const QString& agent, HttpAccessType access);
    CHttpSession(const QString& agent, HttpAccessType access, const Limits& limits);
    ~CHttpSession();
    CHttpSession(const CHttpSession&) = delete;
    CHttpSession& operator=(const CHttpSession&) = delete;

    // False when libcurl could not make its handles; every transfer on such a session fails.
    bool IsOpen() const { return m_easy && m_multi; }
    const QString& Agent() const { return m_agent; }
    HttpAccessType Access() const { return m_access; }
    const Limits& TransferLimits() const { return m_limits; }

    CURL* EasyHandle() const { return m_easy; }
    CURLM* MultiHandle() const { return m_multi; }

private:
    QString m_agent;
    HttpAccessType m_access;
    Limits m_limits;
    CURL* m_easy = nullptr;
    CURLM* m_multi = nullptr;
};

// The stop switch of a transfer, shared between the thread that runs it and any thread that may
// want it ended. Cancel wakes a transfer that is waiting on the network at once, so a stop never
// waits for a server that has gone quiet. Once cancelled it stays cancelled.
class CTransferCancel {
public:
    void Cancel();
    bool IsCancelled() const { return m_cancelled.load(std::memory_order_acquire); }

    // Called by the transfer around its network wait: while attached, Cancel wakes that handle.
    void Attach(CURLM* multi);
    void Detach();

private:
    std::atomic<bool> m_cancelled{false};
    std::mutex m_lock;
    CURLM* m_active = nullptr;
};

// libcurl's process-wide set-up; safe to call from any thread, any number of times.
void EnsureCurlInitialised();
