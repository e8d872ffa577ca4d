#pragma once
// Every request the program sends to the module, byte by byte. Each request has
// a pure builder (type + argument bytes, usable by tests and by the simulated
// module to build the very same plain blocks) and a sender on a TLink.

#include "link/Communication.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class TWaitContext;

namespace Requests {

using ShortArgs = std::array<std::uint8_t, 5>;
using LongArgs = std::array<std::uint8_t, 13>;

struct ShortRequest {
    std::uint8_t type = 0;
    ShortArgs args{};
    // The plain block as it goes out with the given sequence value.
    QByteArray plainBlock(std::uint8_t sequence) const;
};

struct LongRequest {
    std::uint8_t type = 0;
    LongArgs args{};
    QByteArray plainBlock() const;
};

inline constexpr std::uint8_t BlockLengthByte = 0x40;
inline constexpr std::uint8_t ChunkCount = 6;
inline constexpr int ChunkDataBytes = 12;   // chunks 0 to 4
inline constexpr int LastChunkDataBytes = 4; // chunk 5
// The password field of the long COMMAND frame: the characters, one 0x00, 0xFF to the end.
inline constexpr int PasswordFieldBytes = 13;
inline constexpr int MaxPasswordBytes = PasswordFieldBytes - 1;
inline constexpr std::uint16_t MaxEventsRequested = 1000;

// Sum over all 64 bytes of (byte XOR (chunk number + 1 + index in chunk)).
std::uint32_t BlockChecksum(const std::uint8_t *block64);

ShortRequest BlockReadRequest(std::uint8_t blockNumber);
ShortRequest BlockWriteRequest(std::uint8_t blockNumber);
// The six BLOCK_WRITE_CHUNK frames of one 64-byte block, chunk 5 with the checksum.
std::array<LongRequest, ChunkCount> BlockWriteChunks(const std::uint8_t *block64);
// login = true: the next long COMMAND carries the login password; false: a new one.
ShortRequest PasswordSelectRequest(bool login);
// Latin-1 characters, at most MaxPasswordBytes of them (longer text is cut so the
// 0x00 terminator always fits), then 0x00, then 0xFF.
LongRequest PasswordTextRequest(const QString &password);
ShortRequest EventsRequest(std::uint16_t count);
ShortRequest EventAckRequest(std::uint16_t eventNumber);
// relay: 1 or 2.
ShortRequest RelayRequest(int relay, bool on);
ShortRequest TestReportRequest();
ShortRequest StopAlarmRequest();
ShortRequest EraseLogRequest();
ShortRequest FlashResetRequest();
ShortRequest FirmwareResetRequest();

void Send(TLink &link, const ShortRequest &request);
void Send(TLink &link, const LongRequest &request);

void SendBlockRead(TLink &link, std::uint8_t blockNumber);
// BLOCK_WRITE, then chunks 0 to 5 back to back. stopRequested is asked after each
// of chunks 0 to 4; when it holds, no further chunk is sent and false is returned.
// BlockAckFlag is cleared right before chunk 5. Returns true when all seven went out.
bool SendBlockWrite(TLink &link, std::uint8_t blockNumber, const std::uint8_t *block64,
                    const std::function<bool()> &stopRequested = {});
bool SendBlockWrite(TLink &link, std::uint8_t blockNumber, const std::uint8_t *block64,
                    const TWaitContext &wait);
void SendLoginPassword(TLink &link, const QString &password);
void SendNewPassword(TLink &link, const QString &password);
void SendEventsRequest(TLink &link, std::uint16_t count);
void SendEventAck(TLink &link, std::uint16_t eventNumber);
void SendRelay(TLink &link, int relay, bool on);
void SendTestReport(TLink &link);
void SendStopAlarm(TLink &link);
void SendEraseLog(TLink &link);
void SendFlashReset(TLink &link);
// SERVICE firmware reset; also notes "Send: RESET" in the DTMF memo.
void SendFirmwareReset(TLink &link);

} // namespace Requests
