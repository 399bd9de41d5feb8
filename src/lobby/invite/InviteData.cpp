#include "lobby/invite/InviteData.h"

#include "support/PacketText.h"
#include "support/Utilities.h"

namespace {

// Cuts the next blank-separated word from text (blanks before it skipped) -> the word, empty at the end.
QString cutWord(QStringView& text) {
    qsizetype start = 0;
    while (start < text.size() && text[start] == QLatin1Char(' '))
        ++start;
    qsizetype end = start;
    while (end < text.size() && text[end] != QLatin1Char(' '))
        ++end;
    const QString word = text.mid(start, end - start).toString();
    text = text.mid(end < text.size() ? end + 1 : end);
    return word;
}

bool isFlag(int value) {
    return value == 0 || value == 1;
}

} // namespace

CInviteData::CInviteData(int gameKind, const CServiceName& serviceName, const QString& unfinishedKey,
                         bool fromGame)
    : m_gameKind(gameKind), m_serviceName(serviceName), m_fromGame(fromGame ? 1 : 0) {
    SetUnfinishedKey(!unfinishedKey.isEmpty(), unfinishedKey);
}

CInviteData::CInviteData(const QString& text) {
    Parse(text);
}

void CInviteData::Parse(const QString& text) {
    // A record is re-filled as a whole: nothing of an earlier one survives a shorter text.
    *this = CInviteData(0, CServiceName());
    const qsizetype firstEnd = text.indexOf(QLatin1Char('\n'));
    const QString line1 = firstEnd < 0 ? text : text.left(firstEnd);
    const qsizetype secondEnd = firstEnd < 0 ? -1 : text.indexOf(QLatin1Char('\n'), firstEnd + 1);
    const QString line2 = firstEnd < 0 ? QString()
                          : secondEnd < 0 ? text.mid(firstEnd + 1)
                                          : text.mid(firstEnd + 1, secondEnd - firstEnd - 1);
    const QString line3 = secondEnd < 0 ? QString() : text.mid(secondEnd + 1);

    QStringView numbers(line1);
    cutWord(numbers); // the tag
    const QString rest = numbers.toString();
    CPacketCursor cursor(rest);
    int* const targets[] = {&m_version, &m_gameKind, &m_messageKind, &m_fromGame};
    for (int* target : targets) {
        int value = 0;
        if (!ReadPacketInt(cursor, value))
            break;
        *target = value;
    }

    QStringView words(line2);
    m_serviceName = CServiceName(cutWord(words));
    m_sender = cutWord(words);
    const QString replaces = cutWord(words);
    bool ok = false;
    m_replaces = replaces.toInt(&ok);
    if (!ok)
        m_replaces = 0;
    m_unfinishedKey = cutWord(words);
    if (m_unfinishedKey.isEmpty())
        m_unfinishedKey = QString::fromLatin1(kNoKey);

    const qsizetype blank = line3.indexOf(QLatin1Char(' '));
    m_payload = blank < 0 ? QString() : line3.mid(blank + 1);
    m_received = 1;
    m_composed = 0;
}

QString CInviteData::Format() const {
    // Plain concatenation: names and payloads are never read as a format.
    const QLatin1Char blank(' ');
    const QLatin1Char lineEnd('\n');
    return QString::fromLatin1(kTag) + blank + QString::number(m_version) + blank +
           QString::number(m_gameKind) + blank + QString::number(m_messageKind) + blank +
           QString::number(m_fromGame) + lineEnd + m_serviceName.GetText() + blank + m_sender + blank +
           QString::number(m_replaces) + blank + m_unfinishedKey + lineEnd + QStringLiteral("0 ") + m_payload;
}

void CInviteData::SetMessage(int messageKind, const QString& sender, const QString& payload) {
    m_messageKind = messageKind;
    m_sender = sender;
    m_payload = payload;
    m_composed = 1;
    m_received = 0;
    m_version = kVersion;
}

void CInviteData::SetUnfinishedKey(bool replaces, const QString& key) {
    m_replaces = replaces ? 1 : 0;
    m_unfinishedKey = key.isEmpty() ? QString::fromLatin1(kNoKey) : key;
}

bool CInviteData::IsWellFormed(bool anyMessageKind) const {
    const bool kindOk = anyMessageKind || (m_messageKind >= 0 && m_messageKind <= 9 &&
                                           m_messageKind != kNotSupported && m_messageKind != kUnset);
    return isFlag(m_received) && isFlag(m_composed) && isFlag(m_replaces) && isFlag(m_fromGame) &&
           m_gameKind >= 0 && m_gameKind <= 4 && !m_unfinishedKey.isEmpty() && m_version == kVersion &&
           IsValidUserName(m_sender) && kindOk && !m_payload.isEmpty();
}

QString CInviteData::BuildTransferText() const {
    QString text = m_serviceName.GetText();
    if (Replaces())
        text += QStringLiteral(" !") + m_unfinishedKey;
    return text + QLatin1Char(' ') + m_payload;
}

QString CInviteData::FormatLengthText(const QString& text) {
    return QString::number(text.size()) + QLatin1Char(' ') + text;
}

QString CInviteData::ParseLengthText(const QString& text) {
    QStringView rest(text);
    const QString word = cutWord(rest);
    bool ok = false;
    const int length = word.toInt(&ok);
    if (!ok || length < 0 || length > rest.size())
        return text;
    return rest.left(length).toString();
}

TUnfinishedMatchInfo::TUnfinishedMatchInfo(const QString& entryText) : entry(entryText) {
    QStringView rest(entryText);
    matchKey = cutWord(rest);
    serviceName = CServiceName(cutWord(rest));
    details = rest.toString();
}
