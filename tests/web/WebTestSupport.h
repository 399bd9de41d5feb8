#pragma once

// Seams for the web tests: a scripted browser control behind the real hosting code, and a launcher
// whose started programs are recorded instead of run.

#include "web/BrowserControl.h"
#include "web/BrowserLauncher.h"
#include "web/WebBrowser.h"
#include "web/WebBrowser2.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace webtest {

// A browser control that loads nothing: the test says when a page arrives, which link is clicked and
// when the page asks to close. Every navigation asks the host first, as the real controls do.
class FakeBrowser : public CBrowserControl {
    NV_DECLARE_RUNTIME_CLASS(FakeBrowser, CBrowserControl)
public:
    struct Call {
        QString url;
        int flags = 0;
    };

    FakeBrowser(int version, bool canRun) : m_version(version), m_canRun(canRun) {}
    ~FakeBrowser() override { delete m_widget.data(); }

    bool Create(const QString&, unsigned style, const QRect& rect, QWidget* parent, int id) override {
        ++createCalls;
        if (!m_canRun)
            return false;
        m_widget = new QWidget(parent);
        m_widget->setObjectName(QString::number(id));
        m_widget->setGeometry(rect);
        m_widget->setVisible((style & WS_VISIBLE) != 0);
        createdStyle = style;
        return true;
    }
    QWidget* GetWidget() const override { return m_widget.data(); }
    void Navigate(const QString& url, int flags, const QString&, const QByteArray&, const QString&) override {
        navigations.push_back({url, flags});
        go({QUrl(url), BrowserNavigation::Host, true});
    }
    int Version() const override { return m_version; }
    QUrl CurrentUrl() const override { return shown; }

    // The page being loaded arrives (the last navigation that went ahead).
    void FinishLoad() {
        shown = loading;
        FireNavigateComplete(shown);
    }
    // The page being loaded cannot be had: the engine's error page arrives instead.
    void FailLoad() {
        shown = loading;
        FireNavigateError(shown);
        FireNavigateComplete(shown);
    }
    // The page starts a navigation -> true when the host let it go on inside.
    bool Start(const QString& url, BrowserNavigation::Kind kind, bool mainFrame = true) {
        return go({QUrl(url), kind, mainFrame});
    }
    bool ClickLink(const QString& url) { return Start(url, BrowserNavigation::LinkClicked); }
    void AskToQuit() { FireQuit(); }

    std::vector<Call> navigations;
    QUrl loading;
    QUrl shown;
    unsigned createdStyle = 0;
    int createCalls = 0;

private:
    bool go(const BrowserNavigation& navigation) {
        if (FireBeforeNavigate(navigation))
            return false;
        if (navigation.mainFrame)
            loading = navigation.url;
        return true;
    }

    int m_version;
    bool m_canRun;
    QPointer<QWidget> m_widget;
};

// Installs fake controls for one test: either version may be made unable to run.
class FakeBrowserFactory {
public:
    FakeBrowserFactory() {
        SetBrowserControlFactory([this](const QString& classId) -> std::unique_ptr<CBrowserControl> {
            const bool current = classId == QLatin1String(CWebBrowser2::kClassId);
            const bool version1 = classId == QLatin1String(CWebBrowser::kClassId);
            if (!current && !version1)
                return nullptr;
            auto control =
                std::make_unique<FakeBrowser>(current ? 2 : 1, current ? currentRuns : version1Runs);
            made.push_back(control.get());
            madeIds.push_back(classId);
            return control;
        });
    }
    ~FakeBrowserFactory() { SetBrowserControlFactory({}); }
    FakeBrowserFactory(const FakeBrowserFactory&) = delete;
    FakeBrowserFactory& operator=(const FakeBrowserFactory&) = delete;

    // The control a host kept (the last one made that could run).
    FakeBrowser* Last() const {
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            if ((*it)->GetWidget())
                return *it;
        return nullptr;
    }

    bool currentRuns = true;
    bool version1Runs = true;
    std::vector<FakeBrowser*> made; // not owned: the hosts own them (entries may dangle after a host goes)
    std::vector<QString> madeIds;
};

// Records the programs the launcher would start; the launcher is set to a known command.
class RecordingLauncher {
public:
    struct Start {
        QString program;
        QStringList arguments;
    };

    explicit RecordingLauncher(const QString& command = QStringLiteral("test-browser")) {
        CBrowserLauncher::SetProcessStarter([this](const QString& program, const QStringList& arguments) {
            starts.push_back({program, arguments});
            return startSucceeds;
        });
        DeleteBrowserLauncher();
        GetBrowserLauncher().FindBrowser(CBrowserLauncher::kGivenCommand, command);
    }
    ~RecordingLauncher() {
        CBrowserLauncher::SetProcessStarter({});
        DeleteBrowserLauncher();
    }
    RecordingLauncher(const RecordingLauncher&) = delete;
    RecordingLauncher& operator=(const RecordingLauncher&) = delete;

    // The addresses handed to the browser (the last argument of each start).
    QStringList OpenedAddresses() const {
        QStringList addresses;
        for (const Start& start : starts)
            addresses << start.arguments.value(start.arguments.size() - 1);
        return addresses;
    }

    std::vector<Start> starts;
    bool startSucceeds = true;
};

// Runs the calls posted so far (deferred message boxes among them).
inline void RunPosted() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace webtest
