#pragma once

#include "support/PacketText.h"

#include <QString>

// Builds a text packet of blank-separated fields: quoted texts and decimal numbers.
class CTextFields {
public:
    CTextFields& Text(QStringView text) {
        separate();
        WritePacketCString(m_out, text);
        return *this;
    }
    CTextFields& Number(qint64 number) {
        separate();
        WritePacketInt(m_out, number);
        return *this;
    }
    // Text that is already in packet form (another record), as the next field.
    CTextFields& Raw(const QString& text) {
        separate();
        m_out += text;
        return *this;
    }
    const QString& str() const { return m_out; }

private:
    void separate() {
        if (!m_out.isEmpty())
            m_out += QLatin1Char(' ');
    }
    QString m_out;
};
