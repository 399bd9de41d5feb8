#pragma once

#include "game/BackgammonDoc.h"
#include "game/GameHints.h"
#include "game/GameSessionLink.h"

#include <QStringList>

#include <tuple>
#include <vector>

namespace gametest {

// A session that records what it is asked to send.
class FakeSession : public CGameSessionLink {
public:
    FakeSession(QString nickname, QString serviceName)
        : nickname(std::move(nickname)), service(std::move(serviceName)) {}

    bool Send(int type, const QString& text, const QString& target) override {
        sent.emplace_back(type, text, target);
        return true;
    }
    QString GetNickname() const override { return nickname; }
    QString GetServiceName() const override { return service; }
    bool IsConnected() const override { return connected; }
    QString CurrentPacketSource() const override { return source; }
    QString CurrentPacketDestination() const override { return destination; }
    void RemoveTemporaryConnection() override { ++temporaryConnectionsRemoved; }
    void AddSystemChatLine(const QString& text) override { chatLines << text; }
    void OpenInvitationFromGame(const QString& serviceName, int localSide) override {
        invitations.emplace_back(serviceName, localSide);
    }

    QString nickname;
    QString service;
    bool connected = true;
    QString source;
    QString destination = QStringLiteral("&");
    std::vector<std::tuple<int, QString, QString>> sent;
    std::vector<std::pair<QString, int>> invitations;
    int temporaryConnectionsRemoved = 0;
    QStringList chatLines;
};

// A view that remembers every hint with its number.
class HintRecorder : public platform::View {
public:
    void OnUpdate(platform::View*, int hint, platform::Object* object) override {
        const CGameHint* data = platform::object_cast<CGameHint>(object);
        hints.emplace_back(hint, data ? data->GetData() : -999);
    }
    std::vector<std::pair<int, int>> hints;
};

} // namespace gametest
