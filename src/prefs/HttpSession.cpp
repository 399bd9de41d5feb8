#include "prefs/HttpSession.h"

#include <curl/curl.h>

void EnsureCurlInitialised() {
    // Since libcurl 7.84 the global set-up is itself thread-safe; the once-flag keeps older builds
    // honest too.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CHttpSession::CHttpSession(const QString& agent, HttpAccessType access)
    : CHttpSession(agent, access, Limits()) {}

CHttpSession::CHttpSession(const QString& agent, HttpAccessType access, const Limits& limits)
    : m_agent(agent), m_access(access), m_limits(limits) {
    EnsureCurlInitialised();
    m_easy = curl_easy_init();
    m_multi = curl_multi_init();
    if (m_multi)
        curl_multi_setopt(m_multi, CURLMOPT_MAXCONNECTS, 4L);
}

CHttpSession::~CHttpSession() {
    if (m_easy)
        curl_easy_cleanup(m_easy);
    if (m_multi)
        curl_multi_cleanup(m_multi);
}

void CTransferCancel::Cancel() {
    m_cancelled.store(true, std::memory_order_release);
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_active)
        curl_multi_wakeup(m_active);
}

void CTransferCancel::Attach(CURLM* multi) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_active = multi;
}

void CTransferCancel::Detach() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_active = nullptr;
}
