#include "link/Requests.h"

#include "common/CodePage1250.h"
#include "common/WaitContext.h"

namespace Requests {

namespace {
constexpr std::uint8_t EraseMagic[2] = {0x55, 0xAA};

ShortRequest command(std::uint8_t subCommand, std::uint8_t a1 = 0, std::uint8_t a2 = 0)
{
    ShortRequest r;
    r.type = Link::COMMAND;
    r.args = {subCommand, a1, a2, 0x00, 0x00};
    return r;
}

ShortRequest blockRequest(std::uint8_t type, std::uint8_t blockNumber)
{
    ShortRequest r;
    r.type = type;
    r.args = {0x00, 0x00, 0x00, blockNumber, BlockLengthByte};
    return r;
}
} // namespace

QByteArray ShortRequest::plainBlock(std::uint8_t sequence) const
{
    return TLink::BuildShortPlainBlock(type, sequence, args.data());
}

QByteArray LongRequest::plainBlock() const
{
    return TLink::BuildLongPlainBlock(type, args.data());
}

std::uint32_t BlockChecksum(const std::uint8_t *block64)
{
    std::uint32_t sum = 0;
    for (int pos = 0; pos < Link::BlockSize; ++pos) {
        const int chunk = pos / ChunkDataBytes;
        const int index = pos % ChunkDataBytes;
        sum += std::uint8_t(block64[pos] ^ std::uint8_t(chunk + 1 + index));
    }
    return sum;
}

ShortRequest BlockReadRequest(std::uint8_t blockNumber)
{
    return blockRequest(Link::BLOCK_READ, blockNumber);
}

ShortRequest BlockWriteRequest(std::uint8_t blockNumber)
{
    return blockRequest(Link::BLOCK_WRITE, blockNumber);
}

std::array<LongRequest, ChunkCount> BlockWriteChunks(const std::uint8_t *block64)
{
    std::array<LongRequest, ChunkCount> chunks{};
    for (int k = 0; k < ChunkCount; ++k) {
        chunks[k].type = Link::BLOCK_WRITE_CHUNK;
        chunks[k].args[0] = std::uint8_t(k);
        const int count = k < ChunkCount - 1 ? ChunkDataBytes : LastChunkDataBytes;
        for (int i = 0; i < count; ++i)
            chunks[k].args[1 + i] = block64[k * ChunkDataBytes + i];
    }
    const std::uint32_t sum = BlockChecksum(block64);
    LongArgs &last = chunks[ChunkCount - 1].args;
    last[5] = std::uint8_t(sum >> 24);
    last[6] = std::uint8_t(sum >> 16);
    last[7] = std::uint8_t(sum >> 8);
    last[8] = std::uint8_t(sum);
    return chunks;
}

ShortRequest PasswordSelectRequest(bool login)
{
    ShortRequest r;
    r.type = Link::PW_SELECT;
    r.args = {std::uint8_t(login ? 0x01 : 0x00), 0xFF, 0xFF, 0xFF, 0xFF};
    return r;
}

LongRequest PasswordTextRequest(const QString &password)
{
    LongRequest r;
    r.type = Link::COMMAND;
    r.args.fill(0xFF);
    // One byte per character in the module's code page, the same one its texts use.
    const QByteArray text = ToCp1250(password).left(MaxPasswordBytes);
    for (int i = 0; i < text.size(); ++i)
        r.args[i] = std::uint8_t(text[i]);
    r.args[text.size()] = 0x00;
    return r;
}

ShortRequest EventsRequest(std::uint16_t count)
{
    return command(Link::CMD_EVENTS, std::uint8_t(count >> 8), std::uint8_t(count));
}

ShortRequest EventAckRequest(std::uint16_t eventNumber)
{
    return command(Link::CMD_EVENT_ACK, std::uint8_t(eventNumber >> 8), std::uint8_t(eventNumber));
}

ShortRequest RelayRequest(int relay, bool on)
{
    // Relay 1: 0x01 on, 0x00 off; relay 2: 0x03 on, 0x02 off.
    const std::uint8_t base = relay == 2 ? 0x02 : 0x00;
    return command(Link::CMD_RELAY, std::uint8_t(base | (on ? 0x01 : 0x00)));
}

ShortRequest TestReportRequest()
{
    return command(Link::CMD_TEST_REPORT, 0x01);
}

ShortRequest StopAlarmRequest()
{
    return command(Link::CMD_CLEAR, 0x01);
}

ShortRequest EraseLogRequest()
{
    return command(Link::CMD_CLEAR, EraseMagic[0], EraseMagic[1]);
}

ShortRequest FlashResetRequest()
{
    return command(Link::CMD_FLASH_RESET, EraseMagic[0], EraseMagic[1]);
}

ShortRequest FirmwareResetRequest()
{
    ShortRequest r;
    r.type = Link::SERVICE;
    r.args = {0x21, 0x05, 0x00, 0x00, 0x00};
    return r;
}

void Send(TLink &link, const ShortRequest &request)
{
    link.SendShortFrame(request.type, request.args.data());
}

void Send(TLink &link, const LongRequest &request)
{
    link.SendLongFrame(request.type, request.args.data());
}

void SendBlockRead(TLink &link, std::uint8_t blockNumber)
{
    Send(link, BlockReadRequest(blockNumber));
}

bool SendBlockWrite(TLink &link, std::uint8_t blockNumber, const std::uint8_t *block64,
                    const std::function<bool()> &stopRequested)
{
    Send(link, BlockWriteRequest(blockNumber));
    const auto chunks = BlockWriteChunks(block64);
    for (int k = 0; k < ChunkCount - 1; ++k) {
        Send(link, chunks[k]);
        if (stopRequested && stopRequested())
            return false;
    }
    // The acknowledgement that counts is the one for this block's last chunk.
    link.BlockAckFlag = false;
    Send(link, chunks[ChunkCount - 1]);
    return true;
}

bool SendBlockWrite(TLink &link, std::uint8_t blockNumber, const std::uint8_t *block64,
                    const TWaitContext &wait)
{
    return SendBlockWrite(link, blockNumber, block64,
                          [&wait] { return wait.StopRequested || wait.Closing; });
}

void SendLoginPassword(TLink &link, const QString &password)
{
    Send(link, PasswordSelectRequest(true));
    Send(link, PasswordTextRequest(password));
}

void SendNewPassword(TLink &link, const QString &password)
{
    Send(link, PasswordSelectRequest(false));
    Send(link, PasswordTextRequest(password));
}

void SendEventsRequest(TLink &link, std::uint16_t count)
{
    Send(link, EventsRequest(count));
}

void SendEventAck(TLink &link, std::uint16_t eventNumber)
{
    Send(link, EventAckRequest(eventNumber));
}

void SendRelay(TLink &link, int relay, bool on)
{
    Send(link, RelayRequest(relay, on));
}

void SendTestReport(TLink &link)
{
    Send(link, TestReportRequest());
}

void SendStopAlarm(TLink &link)
{
    Send(link, StopAlarmRequest());
}

void SendEraseLog(TLink &link)
{
    Send(link, EraseLogRequest());
}

void SendFlashReset(TLink &link)
{
    Send(link, FlashResetRequest());
}

void SendFirmwareReset(TLink &link)
{
    Send(link, FirmwareResetRequest());
    emit link.memoText(MemoTarget::DTMF, QStringLiteral("Send: RESET\n"), false);
}

} // namespace Requests
