// The text readers of packet bodies: integers, quoted strings, floats and the token look-ahead, in an
// order the input chooses. Whatever a reader accepts must write back and read again to the same value.

#include "FuzzTarget.h"

#include "support/PacketText.h"

#include <cmath>

NORVALE_FUZZ_TARGET(packet_text)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    // The first bytes choose the readers, up to the first NUL; the rest is the packet text.
    const QByteArray plan = input.TakeField();
    const QString text = QString::fromLatin1(input.TakeRest());

    CPacketCursor cursor(text);
    for (const char step : plan) {
        const qsizetype before = cursor.pos();
        bool ok = false;
        switch (uchar(step) % 6) {
        case 0: {
            int value = 0;
            ok = ReadPacketInt(cursor, value);
            if (ok) {
                QString written;
                WritePacketInt(written, value);
                CPacketCursor again(written);
                int back = 0;
                fuzz::Check(ReadPacketInt(again, back) && back == value, "integer does not read back", written);
            }
            break;
        }
        case 1: {
            quint32 value = 0;
            ok = ReadPacketUnsigned(cursor, value);
            if (ok) {
                QString written;
                WritePacketInt(written, value);
                CPacketCursor again(written);
                quint32 back = 0;
                fuzz::Check(ReadPacketUnsigned(again, back) && back == value, "unsigned does not read back", written);
            }
            break;
        }
        case 2: {
            QString value;
            ok = ReadPacketString(cursor, value);
            if (ok) {
                QString written;
                WritePacketCString(written, value);
                CPacketCursor again(written);
                QString back;
                fuzz::Check(ReadPacketString(again, back) && back == value, "string does not read back", written);
                fuzz::Check(again.atEnd(), "written string not read to its end", written);
            }
            break;
        }
        case 3: {
            double value = 0;
            ok = ReadPacketFloat(cursor, value);
            if (ok) {
                fuzz::Check(std::isfinite(value), "a float reader accepted a non-finite value");
                QString written;
                WritePacketFloat(written, value, 17);
                CPacketCursor again(written);
                double back = 0;
                fuzz::Check(ReadPacketFloat(again, back) && back == value, "float does not read back", written);
            }
            break;
        }
        case 4: {
            QString value;
            const bool peeked = ReadTokenFrom(cursor, value);
            fuzz::Check(cursor.pos() == before, "the look-ahead moved the cursor");
            CPacketCursor copy(text, before);
            QString read;
            fuzz::Check(peeked == ReadPacketString(copy, read) && (!peeked || read == value),
                        "look-ahead and string reader disagree");
            continue;
        }
        default:
            cursor.skipWhiteSpace();
            continue;
        }
        if (ok)
            fuzz::Check(cursor.pos() > before && cursor.pos() <= text.size(), "a read did not move forward");
        else
            fuzz::Check(cursor.pos() == before, "a refused read moved the cursor");
    }
}
