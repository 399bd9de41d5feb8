// The text readers of packet bodies: integers, quoted strings, floats and the token look-ahead, in an
// order the input chooses. Whatever a reader accepts must write back and read again to the same value.

#include "FuzzTarget.h"

#include "support/PacketText.h"

#include <cmath>

namespace {

// Reads a value; when the reader takes one, writes it and checks that it reads back to the same value
// (and, given endFault, that the reading stops at the end of what was written). -> whether it took one.
template <typename T, typename Read, typename Write>
bool ReadsBack(CPacketCursor& cursor, Read read, Write write, const char* fault, const char* endFault = nullptr) {
    T value{};
    if (!read(cursor, value))
        return false;
    QString written;
    write(written, value);
    CPacketCursor again(written);
    T back{};
    fuzz::Check(read(again, back) && back == value, fault, written);
    if (endFault)
        fuzz::Check(again.atEnd(), endFault, written);
    return true;
}

} // namespace

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
        case 0:
            ok = ReadsBack<int>(cursor, ReadPacketInt, WritePacketInt, "integer does not read back");
            break;
        case 1:
            ok = ReadsBack<quint32>(cursor, ReadPacketUnsigned, WritePacketInt, "unsigned does not read back");
            break;
        case 2:
            ok = ReadsBack<QString>(cursor, ReadPacketString, WritePacketCString, "string does not read back",
                                    "written string not read to its end");
            break;
        case 3:
            ok = ReadsBack<double>(
                cursor, ReadPacketFloat,
                [](QString& written, double value) {
                    fuzz::Check(std::isfinite(value), "a float reader accepted a non-finite value");
                    WritePacketFloat(written, value, 17);
                },
                "float does not read back");
            break;
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
