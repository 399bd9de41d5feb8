#pragma once

#include "net/ClientNode.h"
#include "platform/Object.h"

#include <QString>

// One chat line: what kind of line it is, the other person it concerns and what was said. The kind
// alone decides the display text, which is built anew each time it is asked for, so a changed emote
// prefix shows on lines already in the log.
class CLogElement : public platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CLogElement, platform::Object)
public:
    // Value names of the section "CLogElement".
    static constexpr char kEmotePrefixName[] = "Emote Prefix";
    static constexpr char kDefaultEmotePrefix[] = "->";

    // A system line keeps no name; a yell is kept in upper case.
    CLogElement(int kind, const QString& name, const QString& text);

    int GetKind() const { return m_kind; }
    const QString& GetName() const { return m_name; }
    const QString& GetText() const { return m_text; }

    // The text shown for the line ("bob tells you: hi"). Kinds outside the known ones show as said text.
    QString Format() const;

    // The stored emote prefix, read each time.
    static QString EmotePrefix();

private:
    int m_kind;
    QString m_name;
    QString m_text;
};
