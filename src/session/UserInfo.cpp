#include "session/UserInfo.h"

#include "support/PacketText.h"

#include <charconv>
#include <cmath>
#include <optional>

struct CUserInfo::FieldSpec {
    enum Kind { Int, Text, Rating };
    quint32 bit;
    Kind kind;
    int CUserInfo::*intMember;
    QString CUserInfo::*textMember;
};

const CUserInfo::FieldSpec* CUserInfo::fieldTable(int& count) {
    using F = FieldSpec;
    // The order of the record text.
    static const FieldSpec table[] = {
        {UserField::Presence, F::Int, &CUserInfo::m_presence, nullptr},
        {UserField::Activity, F::Int, &CUserInfo::m_activity, nullptr},
        {UserField::Rating, F::Rating, nullptr, nullptr},
        {UserField::Experience, F::Int, &CUserInfo::m_experience, nullptr},
        {UserField::Location, F::Text, nullptr, &CUserInfo::m_location},
        {UserField::FullName, F::Text, nullptr, &CUserInfo::m_fullName},
        {UserField::Email, F::Text, nullptr, &CUserInfo::m_email},
        {UserField::PlayPreferences, F::Text, nullptr, &CUserInfo::m_playPreferences},
        {UserField::GameDescriptor, F::Text, nullptr, &CUserInfo::m_gameDescriptor},
        {UserField::StatusFlags, F::Int, &CUserInfo::m_statusFlags, nullptr},
        {UserField::MatchPrivacy, F::Int, &CUserInfo::m_matchPrivacy, nullptr},
        {UserField::IconId, F::Int, &CUserInfo::m_iconId, nullptr},
        {UserField::GenderIcon, F::Int, &CUserInfo::m_genderIconId, nullptr},
        {UserField::CountryIcon, F::Int, &CUserInfo::m_countryIconId, nullptr},
        {UserField::Unfinished, F::Int, &CUserInfo::m_unfinished, nullptr},
        {UserField::IconVersion, F::Int, &CUserInfo::m_iconVersion, nullptr},
        {UserField::GenderIconVersion, F::Int, &CUserInfo::m_genderIconVersion, nullptr},
        {UserField::CountryIconVersion, F::Int, &CUserInfo::m_countryIconVersion, nullptr},
        {UserField::MoneyIcon, F::Int, &CUserInfo::m_moneyIconId, nullptr},
        {UserField::ExtraText1, F::Text, nullptr, &CUserInfo::m_extraText1},
        {UserField::ExtraText2, F::Text, nullptr, &CUserInfo::m_extraText2},
        {UserField::Club, F::Text, nullptr, &CUserInfo::m_club},
    };
    count = int(std::size(table));
    return table;
}

namespace {

// Skips blanks and tabs -> false when the line (the record) ends first.
bool skipToField(CPacketCursor& cursor) {
    const QString& text = cursor.text();
    qsizetype pos = cursor.pos();
    while (pos < text.size() && (text[pos] == QLatin1Char(' ') || text[pos] == QLatin1Char('\t')))
        ++pos;
    cursor.setPos(pos);
    return pos < text.size() && text[pos] != QLatin1Char('\n') && text[pos] != QLatin1Char('\r');
}

bool readLineInt(CPacketCursor& cursor, int& value) {
    return skipToField(cursor) && ReadPacketInt(cursor, value);
}

bool readLineUnsigned(CPacketCursor& cursor, quint32& value) {
    return skipToField(cursor) && ReadPacketUnsigned(cursor, value);
}

bool readLineText(CPacketCursor& cursor, QString& value) {
    return skipToField(cursor) && ReadPacketString(cursor, value);
}

// The C library's string-to-double on the rating text, without the locale: leading white space and a
// sign, the longest number that follows; no number reads as 0. Nothing for values that are not finite.
std::optional<float> parseRating(const QString& text) {
    const QByteArray bytes = text.trimmed().toLatin1();
    const char* begin = bytes.constData();
    const char* end = begin + bytes.size();
    if (begin != end && *begin == '+')
        ++begin;
    double value = 0.0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec == std::errc::invalid_argument)
        return 0.0f;
    if (result.ec != std::errc() || !std::isfinite(value) || std::fabs(value) > 3.0e38)
        return std::nullopt;
    return float(value);
}

} // namespace

CUserInfo::CUserInfo(QString nickname) : m_nickname(std::move(nickname)) {}

void CUserInfo::SetRating(float v) {
    if (m_rating != v) {
        m_rating = v;
        m_changeMask |= UserField::Rating;
    }
}

bool CUserInfo::readFields(CPacketCursor& cursor) {
    QString nickname;
    int groupFlags = 0;
    quint32 mask = 0;
    if (!ReadPacketString(cursor, nickname) || !readLineInt(cursor, groupFlags) ||
        !readLineUnsigned(cursor, mask))
        return false;
    m_nickname = nickname;
    m_groupFlags = groupFlags;
    int count = 0;
    const FieldSpec* table = fieldTable(count);
    for (int i = 0; i < count; ++i) {
        const FieldSpec& field = table[i];
        if (!(mask & field.bit))
            continue;
        if (field.bit == UserField::Club && !skipToField(cursor))
            continue; // the club is read only when the line still holds something
        switch (field.kind) {
        case FieldSpec::Int: {
            int value = 0;
            if (!readLineInt(cursor, value))
                return false;
            setInt(this->*field.intMember, value, field.bit);
            break;
        }
        case FieldSpec::Text:
        case FieldSpec::Rating: {
            QString value;
            if (!readLineText(cursor, value))
                return false;
            if (field.kind == FieldSpec::Text)
                setText(this->*field.textMember, value, field.bit);
            else if (const auto rating = parseRating(value))
                SetRating(*rating);
            break;
        }
        }
    }
    // Past whatever is left of the line and its line feed.
    const qsizetype lineEnd = cursor.text().indexOf(QLatin1Char('\n'), cursor.pos());
    cursor.setPos(lineEnd < 0 ? cursor.text().size() : lineEnd + 1);
    return true;
}

bool CUserInfo::ReadUpdate(CPacketCursor& cursor) {
    // Read into a copy, so that a record cut short changes nothing.
    CPacketCursor probe = cursor;
    CUserInfo staged(*this);
    if (!staged.readFields(probe))
        return false;
    if (staged.m_nickname.isEmpty())
        return false;
    *this = staged;
    cursor.setPos(probe.pos());
    return true;
}

bool CUserInfo::ApplyUpdateText(CPacketCursor& cursor, bool* ok) {
    const quint32 before = m_changeMask;
    m_changeMask = 0;
    const bool read = ReadUpdate(cursor);
    if (ok)
        *ok = read;
    if (!read) {
        m_changeMask = before;
        return false;
    }
    return m_changeMask != 0;
}

QString CUserInfo::FormatUpdateText(int groupFlags, quint32 mask, bool lineFeed) const {
    const quint32 written = (mask == UserField::OwnMask ? m_changeMask : mask) & UserField::Carried;
    QString out;
    WritePacketCString(out, m_nickname);
    out += QLatin1Char(' ');
    WritePacketInt(out, groupFlags);
    out += QLatin1Char(' ');
    // The mask sits in a room of thirteen characters, as the original writer left room for it.
    out += QString::number(written).leftJustified(13, QLatin1Char(' '));
    int count = 0;
    const FieldSpec* table = fieldTable(count);
    for (int i = 0; i < count; ++i) {
        const FieldSpec& field = table[i];
        if (!(written & field.bit))
            continue;
        switch (field.kind) {
        case FieldSpec::Int:
            WritePacketInt(out, this->*field.intMember);
            out += QLatin1Char(' ');
            break;
        case FieldSpec::Text:
            WritePacketCString(out, this->*field.textMember);
            break;
        case FieldSpec::Rating:
            WritePacketCString(out, QString::number(double(m_rating), 'f', 6));
            break;
        }
    }
    out += QLatin1Char(' ');
    if (lineFeed)
        out += QLatin1Char('\n');
    return out;
}

void CUserInfo::CopyFrom(const CUserInfo* other) {
    if (!other)
        return;
    m_nickname = other->m_nickname;
    m_groupFlags = other->m_groupFlags;
    m_local = other->m_local;
    int count = 0;
    const FieldSpec* table = fieldTable(count);
    for (int i = 0; i < count; ++i) {
        const FieldSpec& field = table[i];
        if (field.kind == FieldSpec::Int)
            setInt(this->*field.intMember, other->*field.intMember, field.bit);
        else if (field.kind == FieldSpec::Text)
            setText(this->*field.textMember, other->*field.textMember, field.bit);
        else
            SetRating(other->m_rating);
    }
}

QString CUserInfo::busyStatusText() const {
    if (m_activity == kActivityPlaying)
        return QStringLiteral("Playing");
    if (m_activity == kActivityTeaching)
        return QStringLiteral("Teaching");
    if (m_presence == kPresenceAway)
        return QStringLiteral("Away");
    return QString();
}

QString CUserInfo::GetLongStatusText() const {
    QString text = busyStatusText();
    if (!text.isEmpty())
        return text;
    if (m_activity == kActivityFinished)
        text = QStringLiteral("Finished playing");
    else if (m_activity == kActivityWatching)
        text = QStringLiteral("Watching");
    if (m_presence == kPresenceReady)
        text += text.isEmpty() ? QStringLiteral("Ready to play") : QStringLiteral(", ready to play");
    else if (m_activity == kActivityWatching)
        text += QStringLiteral(", not ready");
    if (text.isEmpty())
        text =
            m_activity == 128 || m_activity == 32 ? QStringLiteral("Connected") : QStringLiteral("Unknown");
    return text;
}

QString CUserInfo::GetShortStatusText() const {
    if (const QString busy = busyStatusText(); !busy.isEmpty())
        return busy;
    if (m_presence == kPresenceReady)
        return QStringLiteral("Ready");
    if (m_activity == kActivityWatching)
        return QStringLiteral("Watching");
    if (m_activity == 128 || m_activity == 32 || m_activity == kActivityFinished)
        return QStringLiteral("Connected");
    return QStringLiteral("Unknown");
}
