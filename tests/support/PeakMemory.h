#pragma once

#include <QByteArray>
#include <QFile>

// The peak resident memory of the process over a stretch of a test, measured by the kernel: the
// probe resets the high-water mark when made, and ExtraMegabytes() is how far above the resident
// size at that moment the process went since. Available() is false where the mark cannot be reset
// (the reading would then be the lifetime peak, which says nothing about the stretch), and in
// address-sanitizer builds.
class PeakMemoryProbe {
public:
    PeakMemoryProbe() {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        m_available = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
        clear.close();
        m_baseKb = field("VmRSS:");
        // A reset mark starts at the resident size; one left alone shows the earlier peak.
        m_available = m_available && m_baseKb > 0 && field("VmHWM:") - m_baseKb < 4096;
#if defined(__SANITIZE_ADDRESS__)
        // The address sanitizer's shadow memory and quarantine say nothing of the code's own needs.
        m_available = false;
#endif
    }

    bool Available() const { return m_available; }
    double ExtraMegabytes() const { return double(field("VmHWM:") - m_baseKb) / 1024.0; }

private:
    static long field(const char* name) {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith(name))
                return line.mid(qsizetype(qstrlen(name))).trimmed().split(' ').value(0).toLong();
        }
        return 0;
    }

    bool m_available = false;
    long m_baseKb = 0;
};
