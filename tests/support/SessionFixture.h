#pragma once

#include "session/SessionDoc.h"
#include "support/FakeServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace testenv {

// A view of the session that records the hints it receives, with a copy of the user record (and its
// change mask) as it was when the hint arrived.
class RecordingView : public CSessionView {
public:
    struct Hint {
        int hint;
        QString nickname; // of the hint object, when it is a user record
        quint32 changeMask = 0;
        bool inDirectory = false; // whether FindUser still found the nickname during the hint
    };

    void OnUpdate(platform::View* sender, int hint, platform::Object* object) override;
    QWidget* GetFrameWindow() const override { return frame; }
    bool HandlePacket(int type, const QString& text) override;

    std::vector<Hint> hints;
    std::vector<int> takeTypes; // packet types this view takes
    std::vector<std::pair<int, QString>> packets;
    QWidget* frame = nullptr;
    // Hints of these numbers only (empty: all).
    std::vector<int> only;
};

// A packet target that records packets and session events.
class RecordingTarget : public CPacketTarget {
public:
    explicit RecordingTarget(CSessionDoc* session) : CPacketTarget(session) {}
    int OnPacket(int type, const QString& text) override;
    int OnSessionEvent(int code, const QString& text) override;

    std::vector<std::pair<int, QString>> packets;
    std::vector<std::pair<int, QString>> events;
    std::vector<QString> sources; // routed source of each packet
    std::vector<int> takeTypes;
};

// A chat log that records its lines.
class RecordingChatLog : public CChatSink {
public:
    struct Line {
        QString name;
        int kind;
        QString text;
    };
    void AddElement(const QString& name, int kind, const QString& text) override {
        lines.push_back({name, kind, text});
    }
    std::vector<Line> lines;
};

// A session logged in to a fake server as "alice", with a recording view and chat log attached.
class SessionTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Logs in as nickname -> whether the login was accepted.
    bool Login(const QString& nickname = QStringLiteral("alice"));
    // Sends a plain packet from the server and waits until the session has dispatched something new.
    void ServerSend(int type, const QString& text);
    void ServerRoute(const QString& from, int type, const QString& text);
    // Waits until the session has dispatched count more packets.
    bool WaitForDispatch(int count = 1);

    std::unique_ptr<FakeServer> server;
    std::unique_ptr<CSessionDoc> session;
    std::unique_ptr<RecordingView> view;
    RecordingChatLog chat;
    int dispatched = 0;

private:
    std::unique_ptr<CPacketTarget> m_counter;
};

} // namespace testenv
