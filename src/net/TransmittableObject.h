#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <variant>
#include <vector>

class CPacketCursor;

// An object that travels as text: its class id and a blank, then every field of its descriptor table,
// each followed by a blank (integers in decimal, texts quoted with backslash escapes).
// A subclass describes its fields once, in a static table built with IntField and TextField.
class CTransmittableObject {
public:
    using Value = std::variant<int, QString>;

    struct FieldDescriptor {
        enum Kind { Int, Text } kind;
        const char* name;
        std::function<Value(const CTransmittableObject&)> get;
        std::function<void(CTransmittableObject&, const Value&)> set;
    };

    virtual ~CTransmittableObject() = default;

    virtual int GetClassId() const = 0;
    virtual const std::vector<FieldDescriptor>& GetFields() const = 0;

    QString WriteText() const;
    // Reads the fields (the class id already taken) -> false when a field is missing or of the wrong
    // kind; fields read before the fault keep their new values.
    bool ReadFields(CPacketCursor& cursor);

    // Builds the object a text names by its leading class id -> null for unknown ids or bad fields.
    using Creator = std::function<std::unique_ptr<CTransmittableObject>()>;
    static void RegisterClass(int classId, Creator creator);
    static std::unique_ptr<CTransmittableObject> CreateFromText(const QString& text);

protected:
    template <class T, int T::*Member> static FieldDescriptor IntField(const char* name) {
        return {
            FieldDescriptor::Int, name,
            [](const CTransmittableObject& o) { return Value(static_cast<const T&>(o).*Member); },
            [](CTransmittableObject& o, const Value& v) { static_cast<T&>(o).*Member = std::get<int>(v); }};
    }
    template <class T, QString T::*Member> static FieldDescriptor TextField(const char* name) {
        return {FieldDescriptor::Text, name,
                [](const CTransmittableObject& o) { return Value(static_cast<const T&>(o).*Member); },
                [](CTransmittableObject& o, const Value& v) {
                    static_cast<T&>(o).*Member = std::get<QString>(v);
                }};
    }
};

// Asks the server for the league information of an invitation: class 205 with the own nickname,
// the invitation cookie and the player list text.
class CLeagueInviteInfoRequest : public CTransmittableObject {
public:
    static constexpr int kClassId = 205;

    CLeagueInviteInfoRequest() = default;
    CLeagueInviteInfoRequest(QString nickname, QString cookie, QString players)
        : m_nickname(std::move(nickname)), m_cookie(std::move(cookie)), m_players(std::move(players)) {}

    int GetClassId() const override { return kClassId; }
    const std::vector<FieldDescriptor>& GetFields() const override;

    const QString& GetNickname() const { return m_nickname; }
    const QString& GetCookie() const { return m_cookie; }
    const QString& GetPlayers() const { return m_players; }

private:
    QString m_nickname;
    QString m_cookie;
    QString m_players;
};
