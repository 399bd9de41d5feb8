#pragma once

#include "web/BrowserHost.h"

#include <QStackedWidget>

class QLabel;

// A player's picture as the service's web site shows it, in a small browser pane without a frame or
// scroll bars. Until a picture is asked for, when the name is not a nickname, when its page cannot be
// had, and when no html engine can run here, the pane says "No valid picture" instead.
class CPlayerImage : public QStackedWidget {
public:
    static constexpr char kNoPictureText[] = "No valid picture";

    CPlayerImage(QWidget* parent, int id);
    ~CPlayerImage() override;

    // The invitation picture of that player on the service's web host (SessionWebHost):
    // host + "/client/invitation-picture/<name>/".
    void ShowInvitationPicture(const QString& host, const QString& nickname);
    void ShowNoPicture();

    // The page address of a player's invitation picture on that host (empty for a bad nickname).
    static QString InvitationPictureAddress(const QString& host, const QString& nickname);

    bool IsShowingPicture() const;
    // The address last navigated to (empty while "No valid picture" shows).
    const QString& GetAddress() const { return m_address; }
    CBrowserHost& Host() { return m_host; }

private:
    bool ensureBrowser();

    CBrowserHost m_host;
    QLabel* m_noPicture = nullptr;
    QString m_address;
    bool m_browserTried = false;
};
