// The frame decoder and the routed header: bytes from the server cut into frames at arbitrary piece
// boundaries, each frame made into a packet and its routed header read.

#include "FuzzTarget.h"

#include "net/FrameCodec.h"
#include "net/MessagePacket.h"

NORVALE_FUZZ_TARGET(frame_decoder)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    // The first byte picks the size of the pieces the stream arrives in (1..256 bytes).
    const size_t piece = size_t(input.TakeByte()) + 1;
    const QByteArray stream = input.TakeRest();

    FrameDecoder decoder;
    QByteArray reencoded;
    qsizetype fed = 0;
    for (;;) {
        quint8 type = 0;
        QByteArray body;
        const FrameDecoder::Result result = decoder.Next(type, body);
        if (result == FrameDecoder::Frame) {
            fuzz::Check(body.size() <= kMaxFrameBody, "frame body longer than a frame can carry");
            fuzz::Check(EncodeFrame(type, body, reencoded), "a decoded frame does not encode again");
            if (const CMessagePacketPtr packet = CMessagePacket::FromFrame(type, body)) {
                const int effective = packet->GetEffectiveType();
                fuzz::Check(effective >= 0 && effective < 256, "effective type out of range");
                const QByteArray payload = packet->GetPayloadBytes();
                fuzz::Check(payload.size() <= body.size(), "payload longer than its body");
                (void)packet->GetPayload();
                const QString source = packet->GetSourceName();
                fuzz::Check(source.size() <= CMessagePacket::kMaxSourceName, "source name not bounded");
                (void)packet->GetSourceName(3);
                (void)packet->GetDestinationName();
                if (!packet->IsRouted())
                    fuzz::Check(payload == body, "plain packet payload differs from its body");
            }
            continue;
        }
        if (result == FrameDecoder::Error) {
            fuzz::Check(decoder.failed(), "error without the decoder failing");
            quint8 type2 = 0;
            QByteArray body2;
            fuzz::Check(decoder.Next(type2, body2) == FrameDecoder::Error, "decoder recovered after an error");
            return;
        }
        if (fed >= stream.size())
            break;
        decoder.Feed(stream.mid(fed, qsizetype(piece)));
        fed += qsizetype(piece);
    }
    // Every byte was either taken as a frame or is still buffered, in order.
    fuzz::Check(reencoded.size() + decoder.buffered() == stream.size(), "bytes lost or invented by the decoder");
    fuzz::Check(reencoded == stream.left(reencoded.size()), "frames do not reproduce the stream");
}
