// The module link's receive path: bytes as they come from the USB port or out of
// relay payloads, through the receive window, the cipher and the reply dispatcher,
// and on to what the status page makes of a status or event record.
//
// Random bytes almost never form a frame that decrypts to a plain block, so the
// first input byte chooses how the rest is fed:
//   bit 0 clear: the rest is a run of 16-byte plain blocks, each sent as the
//                module would send it ('{' + encrypted block + '}'), so the
//                fuzzer steers what the dispatcher sees;
//   bit 0 set:   the rest goes to the receive window as it is (stray bytes,
//                broken and misaligned frames);
//   bits 1-3:    the size of the pieces the stream is cut into (1 to 8 x 3
//                bytes), as the port's reads cut it;
//   bit 4:       in block mode, force the '[' and ']' of every block.

#include "common/Morvo3Texts.h"
#include "link/Communication.h"
#include "monitor/EventDecode.h"
#include "monitor/StatusDecode.h"

#include <QCoreApplication>
#include <QObject>

#include <cstdint>
#include <cstdlib>

using namespace Monitor;

namespace {
constexpr std::uint8_t FuzzKey[16] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                      0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};

Morvo3Texts &texts()
{
    static Morvo3Texts t;
    return t;
}

// What the status page does with a complete record: every decoder must stay
// inside its record, and the decoded numbers inside their ranges.
void decodeStatus(const TLink &link)
{
    const TModuleStatus status = DecodeStatus(link.StatusRecord);
    if (status.valid) {
        for (int zone = 0; zone < 4; ++zone)
            DecodeExtendedZone(link.StatusRecord, zone, status.armed);
        const int bar = GsmBarPosition(status.gsmLevel);
        if (bar < 0 || bar > GsmLevelMaximum)
            std::abort();
    }
}

void decodeEvent(const TLink &link)
{
    const std::uint8_t *record = link.EventRecordBuffer;
    const auto row = EventRowTexts(record, link.EventNumber, texts(), BuiltInEventCaption);
    const int code = ContactIdEventCode(record);
    if (code < -1 || code > 0xFFF)
        std::abort();
    ContactIdMeaning(code);
    ContactIdMeaningLine(row[2]);
    EventStateKey(record);
    for (int t = 0; t < ReportTargetCount; ++t)
        ReportMarkKey(ReportMark(record[t]));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    texts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), int(size - 1));

    TLink link(texts(), FuzzKey);
    int framesOut = 0;
    link.setTransmitter([&framesOut](const QByteArray &frame) {
        if (frame.size() != Link::WireFrameSize)
            std::abort();
        ++framesOut;
        return true;
    });
    QObject::connect(&link, &TLink::statusComplete, [&link] { decodeStatus(link); });
    QObject::connect(&link, &TLink::eventRecordComplete, [&link] { decodeEvent(link); });

    QByteArray stream;
    if (mode & 0x01) {
        stream = rest;
    } else {
        for (int at = 0; at + Link::PlainBlockSize <= rest.size(); at += Link::PlainBlockSize) {
            QByteArray plain = rest.mid(at, Link::PlainBlockSize);
            if (mode & 0x10) {
                plain[0] = '[';
                plain[15] = ']';
            }
            stream += link.BuildWireFrame(plain);
        }
    }
    const int piece = 3 * (1 + ((mode >> 1) & 0x07));
    for (int at = 0; at < stream.size(); at += piece)
        link.ReceiveLinkBytes(stream.mid(at, piece));
    return 0;
}
