#pragma once
// The module link: 18-byte wire frames ('{' + one AES-128-ECB block + '}'),
// the request builders' common entry points, and the reply dispatcher with the
// whole reception state. Everything here runs on the user-interface thread.

#include "link/MemoTarget.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class Morvo3Texts;

namespace Link {
// Request frame types (plain-block byte 1).
enum : std::uint8_t {
    BLOCK_READ = 0x1C,
    BLOCK_WRITE = 0x2D,
    BLOCK_WRITE_CHUNK = 0x3D,
    COMMAND = 0x24,
    PW_SELECT = 0x64,
    SERVICE = 0x2F,
};
// Reply frame types.
enum : std::uint8_t {
    TEXT_COMMENT = 0x21, TEXT_COMMENT_LONG = 0x31,
    TEXT_STATE = 0x22, TEXT_STATE_LONG = 0x32,
    TEXT_AT = 0x23, TEXT_AT_LONG = 0x33,
    TEXT_DTMF = 0x25, TEXT_DTMF_LONG = 0x35,
    RECORD_START = 0x34,
    BLOCK_READ_HEADER = 0x2C,
    BLOCK_READ_CHUNK = 0x3C,
    BLOCK_WRITE_ACK = 0x1D,
};
// COMMAND sub-commands (plain-block byte 10).
enum : std::uint8_t {
    CMD_EVENTS = 0x02, CMD_RELAY = 0x03, CMD_EVENT_ACK = 0x04,
    CMD_TEST_REPORT = 0x05, CMD_CLEAR = 0x06, CMD_FLASH_RESET = 0x07,
};
// COMMAND / RECORD_START result codes (byte 11 after '#').
enum : std::uint8_t {
    RES_STATUS = 1, RES_EVENT_RECORD = 2, RES_PW_REQUIRED = 3, RES_PW_ACCEPTED = 4,
    RES_PW_CHANGED = 5, RES_EVENTS_ERASED = 6, RES_STATUS_EXT = 7,
};
inline constexpr int PlainBlockSize = 16;
inline constexpr int WireFrameSize = 18;
inline constexpr int BlockSize = 64;
inline constexpr int VersionBlockNumber = 254;
}

class TLink : public QObject
{
    Q_OBJECT
public:
    // key: the 16-byte link key (normally Morvo3Config::LinkKey).
    explicit TLink(Morvo3Texts &texts, const std::uint8_t key[16], QObject *parent = nullptr);
    ~TLink() override;

    // Where wire frames go: the owner installs a function that hands the 18 bytes
    // to the transport of the selected mode when it is ready and returns whether
    // a transport took them. Without one, frames are dropped silently.
    using Transmitter = std::function<bool(const QByteArray &wireFrame)>;
    void setTransmitter(Transmitter transmitter);

    // args: the first 5 bytes are used.
    void SendShortFrame(std::uint8_t type, const std::uint8_t *args);
    // args: exactly 13 bytes.
    void SendLongFrame(std::uint8_t type, const std::uint8_t *args);
    void TransmitWireFrame(const QByteArray &frame);
    void ReceiveLinkByte(std::uint8_t b);
    void ReceiveLinkBytes(const QByteArray &bytes);
    void DispatchReply();

    // Codec helpers (key schedule rebuilt for every block). A block that is not
    // 16 bytes long, or a cipher failure, gives an empty array.
    QByteArray EncryptPlainBlock(const QByteArray &plain16) const;
    QByteArray DecryptPlainBlock(const QByteArray &cipher16) const;
    // '{' + the encrypted plain block + '}' (18 bytes), or empty on a bad block.
    QByteArray BuildWireFrame(const QByteArray &plain16) const;

    // The two plain-block forms, without sending anything: '[' type, the
    // sequence value, the fixed filler, args[0..4], ']' for a short frame;
    // '[' type, args[0..12], ']' for a long one.
    static QByteArray BuildShortPlainBlock(std::uint8_t type, std::uint8_t sequence, const std::uint8_t *args);
    static QByteArray BuildLongPlainBlock(std::uint8_t type, const std::uint8_t *args);

    std::uint8_t sequenceCounter() const;

    // What happens to a complete event record after eventRecordComplete has been
    // emitted. The handler owns the record from then on: it acknowledges it with
    // CMD_EVENT_ACK and resets EventNumber to 0. Without a handler of its own the
    // link does exactly that itself, so the module keeps sending. An empty
    // function restores that default.
    using EventRecordHandler = std::function<void()>;
    void setEventRecordHandler(EventRecordHandler handler);
    // The acknowledgement the default handler sends (usable by later handlers).
    void AcknowledgeEventRecord();

    // Reception state, read and cleared by the procedures that wait for it.
    std::uint8_t ReceptionBuffer[16] = {};
    std::uint8_t BlockBuffer[64] = {};
    bool BlockCompleteFlag = false;
    std::uint16_t BlockAddress = 0;
    bool BlockAckFlag = false;
    std::uint8_t StatusRecord[6] = {};
    std::uint8_t EventRecordBuffer[37] = {};
    std::int32_t EventNumber = 0;
    std::uint8_t VersionBlock[64] = {};
    bool PasswordAcceptedFlag = false;
    std::uint8_t EventTransferState = 0;

signals:
    void memoText(MemoTarget memo, const QString &text, bool force);
    void showMessage(const QString &text);
    void statusComplete();             // StatusRecord is complete
    void eventRecordComplete();        // EventRecordBuffer holds 36 bytes; the handler resets EventNumber
    void blockComplete();              // a block arrived with a good checksum (VersionBlock updated)
    void passwordRequired();
    void passwordAccepted();           // first RES_PW_ACCEPTED of a connection
    void passwordChanged();
    void eventsErased();
    void frameDispatched();            // every accepted frame, after its handling

private:
    struct Private;
    Private *d;
};
