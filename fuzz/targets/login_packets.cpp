// The login packets: the server's hello, the acceptance with its settings text, the service entry
// and the quoted refusal. Whatever reads writes back to a text that reads the same.

#include "FuzzTarget.h"

#include "net/LoginPackets.h"

namespace {

template <class Packet>
void roundTrip(const QString& text, const char* what) {
    const std::optional<Packet> packet = Packet::Parse(text);
    if (!packet)
        return;
    const QString written = packet->Format();
    const std::optional<Packet> back = Packet::Parse(written);
    fuzz::Check(back.has_value(), what, written);
    fuzz::Check(back->Format() == written, what, written);
}

} // namespace

NORVALE_FUZZ_TARGET(login_packets)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const uint8_t mode = input.TakeByte();
    // Bodies arrive as Windows-1252 bytes; Latin-1 reaches every code unit below 256 just as well.
    const QString text = QString::fromLatin1(input.TakeRest());
    switch (mode % 5) {
    case 0: roundTrip<CServerHello>(text, "hello does not read back"); break;
    case 1: roundTrip<CSecureLoginPacket>(text, "login does not read back"); break;
    case 2: roundTrip<CLoginAcceptedPacket>(text, "acceptance does not read back"); break;
    case 3: roundTrip<CServiceEnteredPacket>(text, "service entry does not read back"); break;
    default:
        if (const std::optional<QString> quoted = ParseQuotedText(text)) {
            const std::optional<QString> back = ParseQuotedText(FormatQuotedText(*quoted));
            fuzz::Check(back && *back == *quoted, "quoted text does not read back", *quoted);
        }
    }
}
