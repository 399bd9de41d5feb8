#include "chat/LogElement.h"

#include "support/SettingsStore.h"

CLogElement::CLogElement(int kind, const QString& name, const QString& text)
    : m_kind(kind), m_name(kind == ChatKind::System ? QString() : name),
      m_text(kind == ChatKind::Yell ? text.toUpper() : text) {}

QString CLogElement::EmotePrefix() {
    return GetSettingsStore().GetString(QString::fromLatin1(kClassName), QString::fromLatin1(kEmotePrefixName),
                                        QString::fromLatin1(kDefaultEmotePrefix));
}

QString CLogElement::Format() const {
    switch (m_kind) {
    case ChatKind::Tell:
        return QStringLiteral("%1 tells you: %2").arg(m_name, m_text);
    case ChatKind::SentTell:
        return QStringLiteral("You tell %1: %2").arg(m_name, m_text);
    case ChatKind::System:
        return m_text;
    case ChatKind::Emote:
        return QStringLiteral("%1 %2 %3").arg(EmotePrefix(), m_name, m_text);
    case ChatKind::Yell:
        return QStringLiteral("%1 yells: %2").arg(m_name, m_text);
    case ChatKind::Shout:
        return QStringLiteral("%1 shouts: %2").arg(m_name, m_text);
    case ChatKind::Whisper:
        return QStringLiteral("%1 whispers: %2").arg(m_name, m_text);
    default:
        return QStringLiteral("%1: %2").arg(m_name, m_text);
    }
}
