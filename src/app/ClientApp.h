#pragma once

#include "app/MainFrame.h"
#include "platform/Commands.h"
#include "platform/Messages.h"
#include "platform/Sound.h"
#include "prefs/AutoUpdate.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CChatLog;
class CGameRoom;
class CKelderDocManager;
class CMainFrame;
class CGameModuleInfo;
class CMultiPaneFrame;
class CSessionDoc;
class CTipDlg;
class QWidget;

// Watches a game room's window: closing it takes the session back to the lobby.
class GameWindowCloser : public QObject {
public:
    GameWindowCloser(CSessionDoc* session, QObject* parent);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<CSessionDoc> m_session;
};

// The application: start-up and shutdown, the main window, the current session and its login, the
// broadcasts between windows and the message boxes of the program. One per process (GetClientApp).
class CClientApp : public QObject, public platform::CommandTarget {
    Q_OBJECT
public:
    // What the command line asks for:  norvale [--server HOST:PORT] [--user NICK] [FILE]
    struct Options {
        QString host;
        quint16 port = 0;
        QString nickname;
        QString file;
    };
    // -> null with error set for a command line that cannot be used.
    static std::optional<Options> ParseCommandLine(const QStringList& arguments, QString* error);
    // The password of an automatic login comes from this environment variable when it is set.
    static constexpr char kPasswordVariable[] = "NORVALE_PASSWORD";

    explicit CClientApp(QObject* parent = nullptr);
    ~CClientApp() override;

    // Settings, sound, the main window and its placement, then the login (automatic when the command
    // line names a server and a user, else through the login dialog) -> false when start-up failed.
    bool InitInstance(const Options& options);
    // Saves what is kept between runs and ends the session -> the exit code.
    int ExitInstance();

    CMainFrame* GetMainFrame() const { return m_mainFrame.data(); }
    // The current session (null before the first login).
    CSessionDoc* GetSession() const { return m_session.get(); }

    // ---- Login
    // Opens the login dialog (message shown above its fields) and logs in when it ends with OK.
    void ShowLoginDialog(const QString& message = QString());
    // Ends the current session, makes a new one and connects it.
    void LogIn(const QString& host, quint16 port, const QString& nickname, const QString& password);
    void LogOut();
    // The server no longer supports this client: offers to fetch the setup program at address
    // (expectedSize bytes) and start it in place of the client, which then ends.
    void LaunchAutoUpdate(const QString& address, quint32 expectedSize);
    // How the update starts programs and whose certificates it trusts (tests replace them).
    void SetAutoUpdateHooks(autoupdate::Hooks hooks) { m_autoUpdateHooks = std::move(hooks); }

    // ---- Windows and messages
    // Sends the message to the main window and all its descendants, to the windows the main window
    // owns and their descendants, and to the extra broadcast window when one is set.
    void BroadcastToWindows(platform::MessageId id, qintptr wParam = 0, platform::Object* lParam = nullptr);
    void SetExtraBroadcastWindow(QWidget* window) { m_extraWindow = window; }
    QWidget* GetExtraBroadcastWindow() const { return m_extraWindow.data(); }
    // A message box owned by the main window, captioned with the application's name -> the button.
    // While it is open the help context is helpId + 0x30000 (when helpId is not 0).
    int DoMessageBox(const QString& text, unsigned type, unsigned helpId);
    unsigned GetHelpContext() const { return GetMessageBoxHelpContext(); }

    // The texts of the program's version block.
    void GetVersionStrings(QString& productVersion, QString& specialBuild, QString& privateBuild,
                           QString& legalNotice) const;
    // The client version text sent at login ("1000 Norvale for Linux"); its first word is the number.
    QString GetClientVersion() const;
    // Whether the screen shows at least 8 bits per pixel (asked once).
    bool IsColorDisplay() const;
    QDateTime GetStartTime() const { return m_startTime; }

    // Opens a file named on the command line (a match or proposition file): the game module installs
    // the opener. -> false when nothing could open it.
    using DocumentOpener = std::function<bool(const QString& path)>;
    static void SetDocumentOpener(DocumentOpener opener);

    // Makes the window set of the session's current service in the main window.
    CMultiPaneFrame* LoadServiceUI(CSessionDoc* session, int flags);
    // Opens saved matches for review.
    CKelderDocManager* GetDocManager() const { return m_docManager.get(); }
    // Asks for a match file and opens it (File > Open).
    void OnFileOpen();
    // The session's game room (null without a session).
    CGameRoom* GetGameRoom() const { return m_gameRoom.get(); }

    // A feature's part of every session (its sub-documents, the services it registers with the
    // session): run once for each session whose login was accepted, in the order of registration, before
    // the session's window set is made. The features are registered at start-up.
    using SessionFeature = std::function<void(CSessionDoc& session)>;
    void RegisterSessionFeature(SessionFeature feature);

    bool OnCommand(int id) override;

private:
    void onLoginAccepted();
    void onLoginRefused(const QString& reason);
    void onConnectionClosed(const QString& reason, bool protocolError);
    // Tells the user, once the main window shows, when the settings file was found damaged.
    void noticeDamagedSettings();
    void onServiceEntered(const QString& serviceName);
    void endSession();
    void showConnectedStatus();
    void registerBuiltInPanes();
    void registerSessionFeatures();
    // Closes the windows of that session (not those of files under review).
    void closeSessionFrames(CSessionDoc* session);

    QPointer<CMainFrame> m_mainFrame;
    QPointer<CTipDlg> m_startUpTip; // the tip of the day while the user keeps it open
    std::unique_ptr<CSessionDoc> m_session;
    std::unique_ptr<CChatLog> m_chatLog; // the session's
    std::unique_ptr<CGameRoom> m_gameRoom; // the session's
    std::unique_ptr<CKelderDocManager> m_docManager;
    std::unique_ptr<platform::SoundPlayer> m_soundPlayer;
    std::unique_ptr<CGameModuleInfo> m_gameModule;
    std::vector<SessionFeature> m_sessionFeatures;
    platform::SoundPlayer* m_previousSoundPlayer = nullptr;
    QPointer<QWidget> m_extraWindow;
    QDateTime m_startTime;
    QString m_server; // "host:port" of the current session
    bool m_wasLoggedIn = false;
    mutable int m_colorDisplay = -1;
    autoupdate::Hooks m_autoUpdateHooks;
};

// The backgammon match window's template and its menu (resource kMatchWindowMenu): the game room's
// windows and saved matches opened for review get it.
constexpr int kMatchWindowMenu = 131;
// The proposition window's menu.
constexpr int kPropositionWindowMenu = 137;
void RegisterMatchWindowTemplate();

// The application object, null when there is none.
CClientApp* GetClientApp();
// Makes the window set of the session's current service (see CClientApp::LoadServiceUI).
CMultiPaneFrame* LoadServiceUI(CSessionDoc* session, int flags);
