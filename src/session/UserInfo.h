#pragma once

#include "platform/Object.h"

#include <QString>
#include <QtGlobal>

class CPacketCursor;

// The change-mask bit of each field a user-update record can carry.
namespace UserField {
constexpr quint32 Presence = 0x1;
constexpr quint32 Activity = 0x2;
constexpr quint32 Rating = 0x4;
constexpr quint32 Experience = 0x8;
constexpr quint32 Location = 0x10;
constexpr quint32 FullName = 0x20;
constexpr quint32 Email = 0x40;
constexpr quint32 PlayPreferences = 0x80;
constexpr quint32 GameDescriptor = 0x100;
constexpr quint32 StatusFlags = 0x400;
constexpr quint32 MatchPrivacy = 0x800;
constexpr quint32 IconId = 0x1000;
constexpr quint32 GenderIcon = 0x2000;
constexpr quint32 CountryIcon = 0x4000;
constexpr quint32 OwnMask = 0x8000; // in FormatUpdateText: "the record's own change mask"
constexpr quint32 Local = 0x10000;  // never carried in a record text
constexpr quint32 Unfinished = 0x20000;
constexpr quint32 IconVersion = 0x40000;
constexpr quint32 GenderIconVersion = 0x80000;
constexpr quint32 CountryIconVersion = 0x100000;
constexpr quint32 MoneyIcon = 0x200000;
constexpr quint32 ExtraText1 = 0x400000;
constexpr quint32 ExtraText2 = 0x800000;
constexpr quint32 Club = 0x1000000;
constexpr quint32 All = 0x1FFFFFF;
// Every bit that carries a field in a record text.
constexpr quint32 Carried = All & ~(0x200u | OwnMask | Local);
} // namespace UserField

// Group flags of a lobby user (carried after the nickname of every record).
namespace UserGroup {
constexpr int InCurrentGame = 0x1;
constexpr int Friend = 0x2;
constexpr int AlwaysShown = 0x4;
constexpr int UnfinishedMatch = 0x8;
constexpr int Sysop = 0x10;
constexpr int Guide = 0x20;
constexpr int TournamentStaff = 0x40;
constexpr int Support = 0x80;
constexpr int MemberHelp = 0x100;
constexpr int Robot = 0x200;
constexpr int ClubMember = 0x800;
} // namespace UserGroup

// One lobby user as the server reports him. Every setter stores the new value and sets the field's
// bit in the change mask only when the value differs, so after a read the mask tells what changed.
class CUserInfo : public platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CUserInfo, platform::Object)
public:
    static constexpr int kPresenceReady = 2;
    static constexpr int kPresenceAway = 8;
    static constexpr int kActivityFinished = 2;
    static constexpr int kActivityWatching = 4;
    static constexpr int kActivityPlaying = 8;
    static constexpr int kActivityTeaching = 16;
    // A player in his room whose opponent has gone: he waits, and may be asked to resume.
    static constexpr int kActivityWaiting = 32;

    explicit CUserInfo(QString nickname = QString());
    ~CUserInfo() override = default;
    CUserInfo(const CUserInfo&) = default;
    CUserInfo& operator=(const CUserInfo&) = default;

    // Reads one user-update record and moves the cursor past its line feed: the quoted nickname, the
    // group flags, the change mask, then one field per set bit. Fields go through the setters. A record
    // that is cut short or malformed changes nothing and leaves the cursor where it was -> false.
    // A rating that is not a finite number keeps the old rating; the rest of the record still counts.
    virtual bool ReadUpdate(CPacketCursor& cursor);

    // The record as text: quoted nickname, group flags, the mask actually written, then the fields of
    // the mask's bits in the reader's order; a blank and, when asked, a line feed at the end.
    // mask UserField::OwnMask means this record's own change mask; UserField::All every field.
    QString FormatUpdateText(int groupFlags, quint32 mask, bool lineFeed) const;
    QString FormatUpdateText(quint32 mask, bool lineFeed) const {
        return FormatUpdateText(m_groupFlags, mask, lineFeed);
    }

    // Clears the change mask, reads one record -> true when a field really changed. A malformed record
    // changes nothing (and returns false; the cursor stays).
    bool ApplyUpdateText(CPacketCursor& cursor, bool* ok = nullptr);
    // Copies every field of other through the setters (so the mask records what differs); group flags
    // and the local int are copied directly. Nothing for null.
    void CopyFrom(const CUserInfo* other);

    // "Playing", "Teaching", "Away", "Watching, not ready", "Ready to play", "Connected", "Unknown"...
    QString GetLongStatusText() const;
    // One word: "Playing", "Teaching", "Away", "Ready", "Watching", "Connected", "Unknown".
    QString GetShortStatusText() const;

    quint32 GetChangeMask() const { return m_changeMask; }
    void ClearChangeMask() { m_changeMask = 0; }
    void SetChangeMask(quint32 mask) { m_changeMask = mask; }

    const QString& GetNickname() const { return m_nickname; }
    int GetGroupFlags() const { return m_groupFlags; }
    void SetGroupFlags(int flags) { m_groupFlags = flags; }
    const QString& GetFullName() const { return m_fullName; }
    const QString& GetEmail() const { return m_email; }
    const QString& GetPlayPreferences() const { return m_playPreferences; }
    int GetStatusFlags() const { return m_statusFlags; }
    int GetPresence() const { return m_presence; }
    int GetActivity() const { return m_activity; }
    float GetRating() const { return m_rating; }
    int GetExperience() const { return m_experience; }
    int GetUnfinishedMatches() const { return m_unfinished; }
    const QString& GetLocation() const { return m_location; }
    const QString& GetGameDescriptor() const { return m_gameDescriptor; }
    int GetMatchPrivacy() const { return m_matchPrivacy; }
    int GetIconId() const { return m_iconId; }
    int GetIconVersion() const { return m_iconVersion; }
    int GetGenderIconId() const { return m_genderIconId; }
    int GetGenderIconVersion() const { return m_genderIconVersion; }
    int GetCountryIconId() const { return m_countryIconId; }
    int GetCountryIconVersion() const { return m_countryIconVersion; }
    int GetLocalValue() const { return m_local; }
    void SetLocalValue(int value) { m_local = value; }
    int GetMoneyIconId() const { return m_moneyIconId; }
    const QString& GetExtraText1() const { return m_extraText1; }
    const QString& GetExtraText2() const { return m_extraText2; }
    const QString& GetClub() const { return m_club; }

    void SetNickname(const QString& nickname) { m_nickname = nickname; }
    void SetFullName(const QString& v) { setText(m_fullName, v, UserField::FullName); }
    void SetEmail(const QString& v) { setText(m_email, v, UserField::Email); }
    void SetPlayPreferences(const QString& v) { setText(m_playPreferences, v, UserField::PlayPreferences); }
    void SetStatusFlags(int v) { setInt(m_statusFlags, v, UserField::StatusFlags); }
    void SetPresence(int v) { setInt(m_presence, v, UserField::Presence); }
    void SetActivity(int v) { setInt(m_activity, v, UserField::Activity); }
    void SetRating(float v);
    void SetExperience(int v) { setInt(m_experience, v, UserField::Experience); }
    void SetUnfinishedMatches(int v) { setInt(m_unfinished, v, UserField::Unfinished); }
    void SetLocation(const QString& v) { setText(m_location, v, UserField::Location); }
    void SetGameDescriptor(const QString& v) { setText(m_gameDescriptor, v, UserField::GameDescriptor); }
    void SetMatchPrivacy(int v) { setInt(m_matchPrivacy, v, UserField::MatchPrivacy); }
    void SetIconId(int v) { setInt(m_iconId, v, UserField::IconId); }
    void SetIconVersion(int v) { setInt(m_iconVersion, v, UserField::IconVersion); }
    void SetGenderIconId(int v) { setInt(m_genderIconId, v, UserField::GenderIcon); }
    void SetGenderIconVersion(int v) { setInt(m_genderIconVersion, v, UserField::GenderIconVersion); }
    void SetCountryIconId(int v) { setInt(m_countryIconId, v, UserField::CountryIcon); }
    void SetCountryIconVersion(int v) { setInt(m_countryIconVersion, v, UserField::CountryIconVersion); }
    void SetMoneyIconId(int v) { setInt(m_moneyIconId, v, UserField::MoneyIcon); }
    void SetExtraText1(const QString& v) { setText(m_extraText1, v, UserField::ExtraText1); }
    void SetExtraText2(const QString& v) { setText(m_extraText2, v, UserField::ExtraText2); }
    void SetClub(const QString& v) { setText(m_club, v, UserField::Club); }

private:
    struct FieldSpec;
    static const FieldSpec* fieldTable(int& count);
    bool readFields(CPacketCursor& cursor);
    // "Playing", "Teaching" or "Away", which both status texts put first; else empty.
    QString busyStatusText() const;

    void setInt(int& field, int value, quint32 bit) {
        if (field != value) {
            field = value;
            m_changeMask |= bit;
        }
    }
    void setText(QString& field, const QString& value, quint32 bit) {
        if (field != value) {
            field = value;
            m_changeMask |= bit;
        }
    }

    QString m_nickname;
    QString m_fullName;
    QString m_email;
    QString m_playPreferences;
    int m_statusFlags = 0;
    quint32 m_changeMask = 0;
    int m_groupFlags = 0;
    int m_presence = kPresenceReady;
    int m_activity = 1;
    float m_rating = -1.0f;
    int m_experience = -1;
    int m_unfinished = -1;
    QString m_location;
    QString m_gameDescriptor;
    int m_matchPrivacy = 0;
    int m_iconId = 0;
    int m_iconVersion = 0;
    int m_genderIconId = 0;
    int m_genderIconVersion = 0;
    int m_countryIconId = 0;
    int m_countryIconVersion = 0;
    int m_local = 0;
    int m_moneyIconId = 0;
    QString m_extraText1;
    QString m_extraText2;
    QString m_club;
};
