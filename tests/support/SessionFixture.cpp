#include "support/SessionFixture.h"

#include "platform/Ui.h"
#include "session/LobbyUserMap.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"

#include <algorithm>

namespace testenv {

void RecordingView::OnUpdate(platform::View*, int hint, platform::Object* object) {
    if (!only.empty() && std::find(only.begin(), only.end(), hint) == only.end())
        return;
    Hint h{hint, QString(), 0, false};
    if (auto* user = platform::object_cast<CUserInfo>(object)) {
        h.nickname = user->GetNickname();
        h.changeMask = user->GetChangeMask();
        auto* session = static_cast<CSessionDoc*>(GetDocument());
        h.inDirectory = session && session->FindUser(user->GetNickname()) == user;
    }
    hints.push_back(h);
}

bool RecordingView::HandlePacket(int type, const QString& text) {
    packets.emplace_back(type, text);
    return std::find(takeTypes.begin(), takeTypes.end(), type) != takeTypes.end();
}

int RecordingTarget::OnPacket(int type, const QString& text) {
    packets.emplace_back(type, text);
    sources.push_back(CurrentPacketSource());
    return std::find(takeTypes.begin(), takeTypes.end(), type) != takeTypes.end() ? 1 : 0;
}

int RecordingTarget::OnSessionEvent(int code, const QString& text) {
    events.emplace_back(code, text);
    return 0;
}

namespace {
// Counts the packets the session dispatches (it sees every one, being registered first).
class CountingTarget : public CPacketTarget {
public:
    CountingTarget(CSessionDoc* session, int& counter) : CPacketTarget(session), m_counter(counter) {}
    int OnPacket(int, const QString&) override {
        ++m_counter;
        return 0;
    }
    int OnSessionEvent(int, const QString&) override { return 0; }

private:
    int& m_counter;
};
} // namespace

void SessionTest::SetUp() {
    ResetSettings();
    scriptedUi().clear();
    server = std::make_unique<FakeServer>();
    session = std::make_unique<CSessionDoc>();
    CSessionDoc::SetCurrent(session.get());
    view = std::make_unique<RecordingView>();
    session->AddView(view.get());
    session->SetChatLog(&chat);
    m_counter = std::make_unique<CountingTarget>(session.get(), dispatched);
    // A packet dropped for its sender has been dealt with too.
    QObject::connect(session.get(), &CSessionDoc::packetRefused, [this] { ++dispatched; });
}

void SessionTest::TearDown() {
    m_counter.reset();
    if (session)
        session->RemoveView(view.get());
    session.reset();
    view.reset();
    server.reset();
}

bool SessionTest::Login(const QString& nickname) {
    bool accepted = false;
    QObject context; // the connection ends with this call, so a later login finds no stale one
    QObject::connect(session.get(), &CSessionDoc::loginAccepted, &context, [&accepted] { accepted = true; });
    session->Connect(server->LoginRequest(nickname));
    return WaitFor([&] { return accepted; });
}

bool SessionTest::WaitForDispatch(int count) {
    const int target = dispatched + count;
    return WaitFor([&] { return dispatched >= target; });
}

void SessionTest::ServerSend(int type, const QString& text) {
    const int before = dispatched;
    server->Send(type, text);
    EXPECT_TRUE(WaitFor([&] { return dispatched > before; })) << "packet " << type << " was not dispatched";
}

void SessionTest::ServerRoute(const QString& from, int type, const QString& text) {
    const int before = dispatched;
    server->Route(from, type, text);
    EXPECT_TRUE(WaitFor([&] { return dispatched > before; })) << "packet " << type << " was not dispatched";
}

} // namespace testenv
