#include "link/Communication.h"

#include "common/CodePage1250.h"
#include "common/Morvo3Texts.h"
#include "link/Requests.h"

#include <QLoggingCategory>
#include <QTime>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

Q_LOGGING_CATEGORY(lcLink, "morvo3.link", QtWarningMsg)

namespace {
constexpr std::uint8_t FrameOpen = '{';
constexpr std::uint8_t FrameClose = '}';
constexpr std::uint8_t PlainOpen = '[';
constexpr std::uint8_t PlainClose = ']';
constexpr std::uint8_t ResultMarker = '#';
constexpr std::uint8_t TypeMask = 0x3F;
constexpr std::uint8_t ShortFiller[7] = {0x00, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0x00};
constexpr int ReceiveWindowSize = Link::WireFrameSize - 1;
constexpr int KeySize = 16;

// Event record assembly: a complete record is 36 bytes; the buffer has one spare.
constexpr int EventRecordSize = 36;
constexpr int EventRecordBufferSize = 37;
constexpr int EventFillLateFrame = 22; // above: the last frame of a record; below: a middle one
constexpr int FrameDataBytes = 13;     // plain-block bytes 2 to 14

// Block reception: chunk index 0 = idle, 1 to 6 = next chunk number + 1.
constexpr int LastChunkIndex = 6;
constexpr int ChunkDataBytes = 12;

// Text the program itself composes for a memo ends its own line.
const QString LineEnd = QStringLiteral("\n");

enum : std::uint8_t {
    StateIdle = 0,
    StateEventRecord = 2,
    StateStatusTail = 7,
};
} // namespace

struct TLink::Private {
    Morvo3Texts &texts;
    std::uint8_t key[KeySize];
    EVP_CIPHER_CTX *sendContext = nullptr;
    EVP_CIPHER_CTX *receiveContext = nullptr;
    std::uint8_t sequence = 0;
    std::uint8_t window[ReceiveWindowSize] = {};
    std::int32_t eventFill = 0;
    std::uint16_t chunkIndex = 0;
    std::uint32_t blockChecksum = 0;
    Transmitter transmitter;
    EventRecordHandler eventRecordHandler;

    Private(Morvo3Texts &t, const std::uint8_t *k)
        : texts(t)
    {
        std::memcpy(key, k, KeySize);
        sendContext = EVP_CIPHER_CTX_new();
        receiveContext = EVP_CIPHER_CTX_new();
    }
    ~Private()
    {
        EVP_CIPHER_CTX_free(sendContext);
        EVP_CIPHER_CTX_free(receiveContext);
        OPENSSL_cleanse(key, sizeof key);
    }

    // One AES-128-ECB block; the context is initialised with the key each time,
    // so nothing carries over between frames.
    bool crypt(EVP_CIPHER_CTX *ctx, bool encrypt, const std::uint8_t *in, std::uint8_t *out) const
    {
        if (!ctx)
            return false;
        int produced = 0;
        if (EVP_CipherInit_ex(ctx, EVP_aes_128_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0) != 1
            || EVP_CIPHER_CTX_set_padding(ctx, 0) != 1
            || EVP_CipherUpdate(ctx, out, &produced, in, Link::PlainBlockSize) != 1
            || produced != Link::PlainBlockSize) {
            qCWarning(lcLink) << "AES block operation failed";
            return false;
        }
        return true;
    }
};

TLink::TLink(Morvo3Texts &texts, const std::uint8_t key[16], QObject *parent)
    : QObject(parent)
    , d(new Private(texts, key))
{
}

TLink::~TLink()
{
    delete d;
}

void TLink::setTransmitter(Transmitter transmitter)
{
    d->transmitter = std::move(transmitter);
}

void TLink::setEventRecordHandler(EventRecordHandler handler)
{
    d->eventRecordHandler = std::move(handler);
}

void TLink::AcknowledgeEventRecord()
{
    Requests::SendEventAck(*this, std::uint16_t(EventNumber));
    EventNumber = 0;
}

std::uint8_t TLink::sequenceCounter() const
{
    return d->sequence;
}

QByteArray TLink::BuildShortPlainBlock(std::uint8_t type, std::uint8_t sequence, const std::uint8_t *args)
{
    QByteArray plain(Link::PlainBlockSize, '\0');
    auto *p = reinterpret_cast<std::uint8_t *>(plain.data());
    p[0] = PlainOpen;
    p[1] = type;
    p[2] = sequence;
    std::memcpy(p + 3, ShortFiller, sizeof ShortFiller);
    std::memcpy(p + 10, args, 5);
    p[15] = PlainClose;
    return plain;
}

QByteArray TLink::BuildLongPlainBlock(std::uint8_t type, const std::uint8_t *args)
{
    QByteArray plain(Link::PlainBlockSize, '\0');
    auto *p = reinterpret_cast<std::uint8_t *>(plain.data());
    p[0] = PlainOpen;
    p[1] = type;
    std::memcpy(p + 2, args, FrameDataBytes);
    p[15] = PlainClose;
    return plain;
}

QByteArray TLink::EncryptPlainBlock(const QByteArray &plain16) const
{
    if (plain16.size() != Link::PlainBlockSize)
        return {};
    QByteArray out(Link::PlainBlockSize, '\0');
    if (!d->crypt(d->sendContext, true, reinterpret_cast<const std::uint8_t *>(plain16.constData()),
                  reinterpret_cast<std::uint8_t *>(out.data())))
        return {};
    return out;
}

QByteArray TLink::DecryptPlainBlock(const QByteArray &cipher16) const
{
    if (cipher16.size() != Link::PlainBlockSize)
        return {};
    QByteArray out(Link::PlainBlockSize, '\0');
    if (!d->crypt(d->receiveContext, false, reinterpret_cast<const std::uint8_t *>(cipher16.constData()),
                  reinterpret_cast<std::uint8_t *>(out.data())))
        return {};
    return out;
}

QByteArray TLink::BuildWireFrame(const QByteArray &plain16) const
{
    const QByteArray cipher = EncryptPlainBlock(plain16);
    if (cipher.isEmpty())
        return {};
    QByteArray frame;
    frame.reserve(Link::WireFrameSize);
    frame.append(char(FrameOpen));
    frame.append(cipher);
    frame.append(char(FrameClose));
    return frame;
}

void TLink::SendShortFrame(std::uint8_t type, const std::uint8_t *args)
{
    const QByteArray plain = BuildShortPlainBlock(type, d->sequence, args);
    ++d->sequence; // wraps from 255 to 0
    TransmitWireFrame(BuildWireFrame(plain));
}

void TLink::SendLongFrame(std::uint8_t type, const std::uint8_t *args)
{
    const QByteArray plain = BuildLongPlainBlock(type, args);
    QString line = QTime::currentTime().toString(QStringLiteral("mm:ss.zzz ")) + QStringLiteral("SND:");
    for (char c : plain)
        line += QStringLiteral("%1 ").arg(std::uint8_t(c), 2, 16, QLatin1Char('0')).toUpper();
    emit memoText(MemoTarget::SendLog, line + LineEnd, false);
    TransmitWireFrame(BuildWireFrame(plain));
}

void TLink::TransmitWireFrame(const QByteArray &frame)
{
    if (frame.size() != Link::WireFrameSize) {
        qCWarning(lcLink) << "refusing to send a frame of" << frame.size() << "bytes";
        return;
    }
    if (!d->transmitter || !d->transmitter(frame))
        qCDebug(lcLink) << "no transport ready, frame dropped";
}

void TLink::ReceiveLinkBytes(const QByteArray &bytes)
{
    for (char c : bytes)
        ReceiveLinkByte(std::uint8_t(c));
}

void TLink::ReceiveLinkByte(std::uint8_t b)
{
    const std::uint8_t out = d->window[0];
    std::memmove(d->window, d->window + 1, ReceiveWindowSize - 1);
    d->window[ReceiveWindowSize - 1] = b;
    if (out != FrameOpen || b != FrameClose)
        return;
    std::uint8_t plain[Link::PlainBlockSize];
    if (!d->crypt(d->receiveContext, false, d->window, plain))
        return;
    if (plain[0] != PlainOpen || plain[15] != PlainClose)
        return;
    std::memcpy(ReceptionBuffer, plain, sizeof plain);
    DispatchReply();
}

void TLink::DispatchReply()
{
    const std::uint8_t *rb = ReceptionBuffer;
    const std::uint8_t type = rb[1];
    const std::uint8_t masked = type & TypeMask;

    auto sendLog = [this](const QString &text) {
        emit memoText(MemoTarget::SendLog, text + LineEnd, false);
    };

    // Text replies: every 0x00 is left out, it does not end the text. The module
    // speaks the same single-byte code page (Windows-1250) it stores its texts in.
    auto textReply = [&](bool longForm, MemoTarget details, bool alsoMainMemo) {
        QByteArray bytes;
        for (int i = longForm ? 2 : 11; i <= 14; ++i)
            if (rb[i] != 0x00)
                bytes += char(rb[i]);
        if (bytes.isEmpty())
            return;
        const QString text = FromCp1250(bytes);
        emit memoText(details, text, false);
        if (alsoMainMemo)
            emit memoText(MemoTarget::State, text, true);
    };

    if (masked == Link::TEXT_COMMENT)
        textReply(false, MemoTarget::Comments, true);
    else if (masked == Link::TEXT_COMMENT_LONG)
        textReply(true, MemoTarget::Comments, true);
    else if (masked == Link::TEXT_STATE)
        textReply(false, MemoTarget::StateLog, true);
    else if (masked == Link::TEXT_STATE_LONG)
        textReply(true, MemoTarget::StateLog, true);
    else if (masked == Link::TEXT_AT)
        textReply(false, MemoTarget::AtCommands, false);
    else if (type == Link::TEXT_AT_LONG)
        textReply(true, MemoTarget::AtCommands, false);
    else if (masked == Link::TEXT_DTMF)
        textReply(false, MemoTarget::DTMF, false);
    else if (type == Link::TEXT_DTMF_LONG)
        textReply(true, MemoTarget::DTMF, false);
    else if (masked == Link::COMMAND) {
        if (EventTransferState == StateIdle) {
            if (rb[10] == ResultMarker) {
                switch (rb[11]) {
                case Link::RES_STATUS:
                    std::memcpy(StatusRecord, rb + 10, 5);
                    emit statusComplete();
                    break;
                case Link::RES_PW_REQUIRED:
                    emit passwordRequired();
                    break;
                case Link::RES_PW_ACCEPTED:
                    // Shown once per connection, however often the module confirms.
                    if (!PasswordAcceptedFlag) {
                        PasswordAcceptedFlag = true;
                        emit showMessage(d->texts.text(QStringLiteral("lbTXT_SECUR_PW_OK")));
                        emit passwordAccepted();
                    }
                    break;
                case Link::RES_PW_CHANGED:
                    emit passwordChanged();
                    emit showMessage(d->texts.text(QStringLiteral("lbTXT_PW_CHANGE_OK")));
                    break;
                case Link::RES_EVENTS_ERASED:
                    emit showMessage(d->texts.text(QStringLiteral("lbTXT_CLEAN_SUCCES")));
                    emit eventsErased();
                    break;
                default:
                    break;
                }
            }
        } else if (EventTransferState == StateEventRecord) {
            if (EventNumber > 0 && d->eventFill > EventFillLateFrame) {
                sendLog(QStringLiteral("Vege: %1").arg(EventNumber));
                for (int i = 2; i <= 14; ++i) {
                    // A fill pushed past the record by extra start frames must not
                    // write beyond the buffer; such a record never completes.
                    if (d->eventFill >= EventRecordBufferSize)
                        break;
                    EventRecordBuffer[d->eventFill++] = rb[i];
                    if (d->eventFill == EventRecordSize) {
                        d->eventFill = 0;
                        EventTransferState = StateIdle;
                        emit eventRecordComplete();
                        if (d->eventRecordHandler)
                            d->eventRecordHandler();
                        else
                            AcknowledgeEventRecord();
                        break;
                    }
                }
            }
            if (EventNumber > 0 && d->eventFill < EventFillLateFrame) {
                sendLog(QStringLiteral("Folyt(0): %1").arg(EventNumber));
                sendLog(QStringLiteral("Folyt(1): %1").arg(EventNumber));
                std::memcpy(EventRecordBuffer + d->eventFill, rb + 2, FrameDataBytes);
                d->eventFill += FrameDataBytes;
                EventTransferState = StateEventRecord;
            } else {
                EventTransferState = StateIdle;
            }
        } else if (EventTransferState == StateStatusTail) {
            StatusRecord[5] = rb[2];
            EventTransferState = StateIdle;
            emit statusComplete();
        }
    } else if (type == Link::RECORD_START) {
        if (EventTransferState == StateIdle && rb[10] == ResultMarker && rb[11] == Link::RES_STATUS_EXT) {
            std::memcpy(StatusRecord, rb + 10, 5);
            EventTransferState = StateStatusTail;
        } else if (EventTransferState == StateIdle && rb[10] == ResultMarker
                   && rb[11] == Link::RES_EVENT_RECORD) {
            d->eventFill = 0;
            std::memset(EventRecordBuffer, 0, sizeof EventRecordBuffer);
            EventNumber = rb[12] * 256 + rb[13];
            sendLog(QStringLiteral("Kezdodik: %1").arg(EventNumber));
            EventTransferState = StateEventRecord;
        } else if (EventTransferState == StateEventRecord) {
            sendLog(QStringLiteral("Folyt(0): %1").arg(EventNumber));
            if (EventNumber > 0) {
                sendLog(QStringLiteral("Folyt(1): %1").arg(EventNumber));
                for (int i = 0; i < FrameDataBytes; ++i) {
                    const int pos = d->eventFill + i;
                    if (pos < EventRecordBufferSize)
                        EventRecordBuffer[pos] = rb[2 + i];
                }
                // Past the buffer the exact fill no longer matters; capping it
                // keeps endless start frames from overflowing the counter.
                d->eventFill = std::min(d->eventFill + FrameDataBytes, EventRecordBufferSize);
            }
        }
    } else if (masked == Link::BLOCK_READ_HEADER) {
        BlockAddress = std::uint16_t(rb[13] * Link::BlockSize);
        d->chunkIndex = 1;
        d->blockChecksum = 0;
    } else if (masked == Link::BLOCK_READ_CHUNK) {
        const int chunk = rb[2];
        if (chunk + 1 != d->chunkIndex) {
            d->chunkIndex = 0; // out of order: abandoned until the next header
        } else if (d->chunkIndex < LastChunkIndex) {
            const int base = (d->chunkIndex - 1) * ChunkDataBytes;
            for (int i = 0; i < ChunkDataBytes; ++i) {
                BlockBuffer[base + i] = rb[3 + i];
                d->blockChecksum += std::uint8_t(rb[3 + i] ^ std::uint8_t(d->chunkIndex + i));
            }
            ++d->chunkIndex;
        } else {
            for (int i = 0; i < 4; ++i) {
                BlockBuffer[60 + i] = rb[3 + i];
                d->blockChecksum += std::uint8_t(rb[3 + i] ^ std::uint8_t(LastChunkIndex + i));
            }
            const std::uint32_t expected = (std::uint32_t(rb[7]) << 24) | (std::uint32_t(rb[8]) << 16)
                | (std::uint32_t(rb[9]) << 8) | std::uint32_t(rb[10]);
            d->chunkIndex = 0;
            if (expected == d->blockChecksum) {
                BlockCompleteFlag = true;
                std::memcpy(VersionBlock, BlockBuffer, sizeof VersionBlock);
                emit blockComplete();
            } else {
                qCDebug(lcLink) << "block checksum mismatch, block dropped";
            }
        }
    } else if (masked == Link::BLOCK_WRITE_ACK) {
        if (rb[14] == Requests::BlockLengthByte)
            BlockAckFlag = true;
    } else if (masked == Link::SERVICE) {
        BlockAckFlag = rb[11] == 0;
        emit memoText(MemoTarget::DTMF, QStringLiteral("Receive $2F | Byte11: %1").arg(rb[11]) + LineEnd, false);
    }

    emit frameDispatched();
}
