#include "SimModule.h"

#include "Morvo3Config.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <cstring>

Q_DECLARE_LOGGING_CATEGORY(lcSim)

namespace {
// Wire codes, as the module knows them.
enum : std::uint8_t {
    REQ_BLOCK_READ = 0x1C, REQ_BLOCK_WRITE = 0x2D, REQ_BLOCK_WRITE_CHUNK = 0x3D,
    REQ_COMMAND = 0x24, REQ_PW_SELECT = 0x64, REQ_SERVICE = 0x2F,
    ANS_COMMAND = 0x24, ANS_RECORD_START = 0x34, ANS_BLOCK_HEADER = 0x2C, ANS_BLOCK_CHUNK = 0x3C,
    ANS_WRITE_ACK = 0x1D, ANS_SERVICE = 0x2F, ANS_TEXT_COMMENT_LONG = 0x31, ANS_TEXT_STATE_LONG = 0x32,
};
enum : std::uint8_t {
    SUB_EVENTS = 0x02, SUB_RELAY = 0x03, SUB_EVENT_ACK = 0x04, SUB_TEST_REPORT = 0x05,
    SUB_CLEAR = 0x06, SUB_FLASH_RESET = 0x07,
};
enum : std::uint8_t {
    R_STATUS = 1, R_EVENT_RECORD = 2, R_PW_REQUIRED = 3, R_PW_ACCEPTED = 4, R_PW_CHANGED = 5,
    R_EVENTS_ERASED = 6, R_STATUS_EXT = 7,
};
constexpr char IdentificationString[] = "ZEHL,64,31,Morvo3 GPRS,DataStruct PGMv1.10";
constexpr int VersionTextMax = 45;
constexpr int MaxNewPasswordLength = 8;
constexpr int ImageBufferCapacity = 4096;

struct FieldLayout
{
    const char *name;
    std::uint8_t type;
    std::uint8_t dimension;
    std::uint16_t elementSize;
};
// The module's parameter directory, in the order it is stored.
constexpr FieldLayout Directory[] = {
    {"ZONE_CIRCUIT", 2, 4, 1},   {"ZONE_SENSE_TIME", 2, 4, 1}, {"ZONE_DELAY_IN", 2, 4, 1},
    {"ZONE_DELAY_OUT", 2, 4, 1}, {"ZONE_24H", 2, 4, 1},        {"EVENT_CTID", 2, 11, 3},
    {"EVENT_MATRIX", 2, 11, 2},  {"EVENT_SMS", 2, 11, 161},    {"PHONE_NUMBERS", 5, 6, 17},
    {"SMSFW_NUMBER1", 5, 1, 17}, {"SMSFW_NUMBER2", 5, 1, 17},  {"CTID_ACCOUNT", 2, 1, 4},
    {"INCALL_CLIP", 2, 4, 1},    {"CENTRAL_MODE", 2, 1, 1},    {"REL1_ACT", 2, 1, 2},
    {"REL1_TIME", 2, 1, 1},      {"REL2_ACT", 2, 1, 2},        {"REL2_TIME", 2, 1, 1},
    {"REL1_DEACTOFF", 1, 1, 1},  {"REL2_DEACTOFF", 1, 1, 1},   {"REL1_BEEP", 1, 1, 1},
    {"ALARMTIME", 2, 1, 1},      {"TESTHOURS", 2, 1, 1},       {"TEST_TIME_H", 2, 1, 1},
    {"TEST_TIME_M", 2, 1, 1},    {"ONOFF_MODE", 2, 1, 1},      {"NOARM_IF_ACTIVE", 1, 1, 1},
    {"ALARM_MAX", 2, 1, 1},      {"REL2_GSMERR", 1, 1, 1},
};

// Payload offset of a named field in an image, -1 when absent. Bounded by the data.
int fieldOffset(const QByteArray &image, const char *name)
{
    QByteArray key = QByteArray(name).leftJustified(15, ' ', true);
    int p = 64;
    while (p + 19 <= image.size()) {
        const auto b = static_cast<std::uint8_t>(image.at(p));
        if (b == 0x00 || b == 0xFF)
            return -1;
        if (image.mid(p, 15) == key)
            return p + 19;
        const int size = static_cast<std::uint8_t>(image.at(p + 16))
            * (static_cast<std::uint8_t>(image.at(p + 17)) * 256 + static_cast<std::uint8_t>(image.at(p + 18)));
        if (size == 0)
            return -1;
        p += 19 + size;
    }
    return -1;
}

std::uint8_t fieldByte(const QByteArray &image, const char *name, int index = 0)
{
    const int off = fieldOffset(image, name);
    if (off < 0 || off + index >= image.size())
        return 0;
    return static_cast<std::uint8_t>(image.at(off + index));
}

bool parseNumber(const QString &text, int *out)
{
    bool ok = false;
    const int v = text.toInt(&ok, 0);
    if (ok)
        *out = v;
    return ok;
}
}

SimModule::SimModule(const SimModuleOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_codec(Morvo3Config::LinkKey)
    , m_image(factoryImage())
    , m_password(options.password.isEmpty() ? QByteArray(Morvo3Config::DefaultModulePassword) : options.password)
{
    if (!m_options.image.isEmpty())
        loadImage(m_options.image);
    if (!m_options.idString.isNull())
        m_image.replace(0, BlockLength, factoryImage().left(BlockLength));
    generateEventLog(std::clamp(m_options.eventCount, 0, int(MaxEvents)));
    m_eventAckTimer.setSingleShot(true);
    m_eventAckTimer.setInterval(EventAckTimeoutMs);
    connect(&m_eventAckTimer, &QTimer::timeout, this, &SimModule::onEventAckTimeout);
    m_statusTimer.setInterval(m_options.statusIntervalMs);
    connect(&m_statusTimer, &QTimer::timeout, this, &SimModule::onStatusTimer);
    if (m_options.statusIntervalMs > 0)
        m_statusTimer.start();
    m_textTimer.setInterval(m_options.textIntervalMs);
    connect(&m_textTimer, &QTimer::timeout, this, &SimModule::onTextTimer);
    if (m_options.textIntervalMs > 0)
        m_textTimer.start();
}

QByteArray SimModule::defaultImage()
{
    QByteArray image(ImageLength, '\0');
    std::memcpy(image.data(), IdentificationString, sizeof IdentificationString - 1);
    int p = 64;
    for (const FieldLayout &f : Directory) {
        const QByteArray name = QByteArray(f.name).leftJustified(15, ' ', true);
        image.replace(p, 15, name);
        image[p + 15] = char(f.type);
        image[p + 16] = char(f.dimension);
        image[p + 17] = char(f.elementSize >> 8);
        image[p + 18] = char(f.elementSize & 0xFF);
        p += 19 + f.dimension * f.elementSize;
    }
    // The factory Contact ID codes: zone events 1 3 0, arm/disarm 4 0 1, test 6 0 2.
    const int ctid = fieldOffset(image, "EVENT_CTID");
    static constexpr std::uint8_t ZoneCode[3] = {1, 3, 0}, ArmCode[3] = {4, 0, 1}, TestCode[3] = {6, 0, 2};
    for (int e = 0; e < 11; ++e) {
        const std::uint8_t *code = e < 8 ? ZoneCode : e < 10 ? ArmCode : TestCode;
        for (int k = 0; k < 3; ++k)
            image[ctid + e * 3 + k] = char(code[k]);
    }
    image[fieldOffset(image, "ALARMTIME")] = char(5);
    return image;
}

QByteArray SimModule::factoryImage() const
{
    QByteArray image = defaultImage();
    if (!m_options.idString.isNull()) {
        QByteArray header = m_options.idString.left(BlockLength);
        header.append(QByteArray(BlockLength - header.size(), '\0'));
        image.replace(0, BlockLength, header);
    }
    return image;
}

bool SimModule::loadImage(const QByteArray &data)
{
    if (data.isEmpty() || data.size() > ImageBufferCapacity)
        return false;
    m_image.replace(0, std::min<int>(int(data.size()), ImageLength), data.left(ImageLength));
    return true;
}

bool SimModule::setImageByte(int offset, std::uint8_t value)
{
    if (offset < 0 || offset >= ImageLength)
        return false;
    m_image[offset] = char(value);
    return true;
}

void SimModule::resetSession()
{
    m_codec.resetWindow();
    m_loggedIn = false;
    m_passwordSlot = PasswordSlot::None;
    m_writeBlock = -1;
    m_eventCurrent = 0;
    m_eventsWanted = 0;
    m_eventAckTimer.stop();
}

void SimModule::receive(const QByteArray &bytes)
{
    m_codec.receive(bytes, [this](const QByteArray &plain) { handlePlain(plain); });
}

// ---------------------------------------------------------------- sending

void SimModule::sendPlain(std::uint8_t type, const std::uint8_t body[13])
{
    if (m_options.mute)
        return;
    QByteArray plain(16, '\0');
    plain[0] = '[';
    plain[1] = char(type);
    std::memcpy(plain.data() + 2, body, 13);
    plain[15] = ']';
    emit transmit(m_codec.wrap(plain));
}

void SimModule::sendResult(std::uint8_t type, std::uint8_t code, std::uint8_t d0, std::uint8_t d1, std::uint8_t d2)
{
    // Short layout: bytes 10..14 = '#', code, three data bytes (plain-block offsets).
    std::uint8_t body[13] = {};
    body[8] = '#';
    body[9] = code;
    body[10] = d0;
    body[11] = d1;
    body[12] = d2;
    sendPlain(type, body);
}

void SimModule::sendBlock(int answeredBlock, const std::uint8_t *data64, bool spoilChecksum)
{
    std::uint8_t header[13] = {};
    header[11] = std::uint8_t(answeredBlock);   // plain byte 13
    header[12] = 0x40;                           // plain byte 14: block length
    sendPlain(ANS_BLOCK_HEADER, header);
    std::uint32_t sum = SimBlock::checksum(data64);
    if (spoilChecksum)
        sum ^= 0x5A5A;
    for (int c = 0; c < 6; ++c) {
        std::uint8_t body[13] = {};
        body[0] = std::uint8_t(c);
        if (c < 5) {
            std::memcpy(body + 1, data64 + c * 12, 12);
        } else {
            std::memcpy(body + 1, data64 + 60, 4);
            body[5] = std::uint8_t(sum >> 24);
            body[6] = std::uint8_t(sum >> 16);
            body[7] = std::uint8_t(sum >> 8);
            body[8] = std::uint8_t(sum);
        }
        sendPlain(ANS_BLOCK_CHUNK, body);
    }
}

void SimModule::sendText(std::uint8_t longType, const QByteArray &text)
{
    for (int i = 0; i < text.size(); i += 13) {
        std::uint8_t body[13] = {};
        const QByteArray piece = text.mid(i, 13);
        std::memcpy(body, piece.constData(), size_t(piece.size()));
        sendPlain(longType, body);
    }
}

void SimModule::sendBasicStatus()
{
    std::uint8_t a = 0;
    for (int z = 0; z < 4; ++z)
        if (m_zoneShort[z])
            a |= std::uint8_t(1u << z);
    if (!m_relayOn[0])
        a |= 0x10;
    if (!m_relayOn[1])
        a |= 0x20;
    const std::uint8_t b = m_armed ? 0x80 : 0x00;
    sendResult(ANS_COMMAND, R_STATUS, a, b, m_gsmLevel);
}

void SimModule::sendExtendedStatus()
{
    std::uint8_t a = 0, b = 0;
    for (int z = 0; z < 4; ++z) {
        if (m_zoneShort[z])
            a |= std::uint8_t(1u << z);
        // Markers P and Q: equal while the zone is in alarm, different when idle.
        a |= std::uint8_t(1u << (4 + z));
        if (m_zoneAlarm[z])
            b |= std::uint8_t(1u << (4 + z));
        if (fieldByte(m_image, "ZONE_24H", z) != 0)
            b |= std::uint8_t(1u << z);
    }
    std::uint8_t c = m_gsmLevel & 0x1F;
    if (m_armed)
        c |= 0x80;
    if (!m_relayOn[0])
        c |= 0x20;
    if (!m_relayOn[1])
        c |= 0x40;
    sendResult(ANS_RECORD_START, R_STATUS_EXT, a, b, c);
    std::uint8_t tail[13] = {};
    tail[0] = fieldByte(m_image, "ONOFF_MODE");
    sendPlain(ANS_COMMAND, tail);
}

void SimModule::sendStatusNow()
{
    if (!m_loggedIn && m_options.loginRequired)
        return;
    sendBasicStatus();
    sendExtendedStatus();
}

void SimModule::onStatusTimer()
{
    if (!m_loggedIn && m_options.loginRequired)
        return;
    if (m_eventCurrent != 0)
        return;   // an event transfer is running; its frames must not be interleaved
    if (m_extendedNext)
        sendExtendedStatus();
    else
        sendBasicStatus();
    m_extendedNext = !m_extendedNext;
}

void SimModule::onTextTimer()
{
    if (!m_loggedIn && m_options.loginRequired)
        return;
    sendText(ANS_TEXT_STATE_LONG, QStringLiteral("State %1\r\n").arg(++m_textCounter, 5, 10, QLatin1Char('0')).toLatin1());
}

// ---------------------------------------------------------------- receiving

bool SimModule::requireLogin()
{
    if (!m_options.loginRequired || m_loggedIn)
        return true;
    sendResult(ANS_COMMAND, R_PW_REQUIRED);
    return false;
}

void SimModule::handlePlain(const QByteArray &p)
{
    const auto type = static_cast<std::uint8_t>(p.at(1));
    const auto byte = [&](int i) { return static_cast<std::uint8_t>(p.at(i)); };
    switch (type) {
    case REQ_BLOCK_READ:
        m_passwordSlot = PasswordSlot::None;
        if (requireLogin())
            handleBlockRead(byte(13));
        break;
    case REQ_BLOCK_WRITE:
        m_passwordSlot = PasswordSlot::None;
        m_writeBlock = -1;
        if (!requireLogin())
            break;
        m_writeBlock = byte(13);
        m_writeNextChunk = 0;
        m_writeChecksum = 0;
        break;
    case REQ_BLOCK_WRITE_CHUNK:
        handleWriteChunk(p);
        break;
    case REQ_PW_SELECT:
        m_passwordSlot = byte(10) == 0x01 ? PasswordSlot::Login : PasswordSlot::NewPassword;
        break;
    case REQ_COMMAND:
        if (m_passwordSlot != PasswordSlot::None)
            handlePassword(p);
        else if (requireLogin())
            handleCommand(p);
        break;
    case REQ_SERVICE: {
        m_passwordSlot = PasswordSlot::None;
        if (!requireLogin())
            break;
        const bool reset = byte(10) == 0x21 && byte(11) == 0x05;
        std::uint8_t body[13] = {};
        body[9] = reset ? 0 : 1;       // plain byte 11: result
        sendPlain(ANS_SERVICE, body);
        if (reset) {
            sendText(ANS_TEXT_COMMENT_LONG, "Restarting...\r\n");
            resetSession();
        }
        break;
    }
    default:
        qCDebug(lcSim) << "ignored frame type" << type;
        break;
    }
}

QByteArray SimModule::versionBlock() const
{
    QByteArray block(BlockLength, '\0');
    block[2] = char(m_options.dataVersion & 0xFF);
    block[3] = char(m_options.dataVersion >> 8);
    block[18] = '"';
    const QByteArray text = m_options.versionText.left(VersionTextMax);
    block.replace(19, text.size(), text);
    if (19 + text.size() < BlockLength)
        block[19 + text.size()] = '"';
    return block;
}

QByteArray SimModule::blockData(int block) const
{
    if (block == VersionBlock)
        return versionBlock();
    if (block >= 0 && block < BlockCount)
        return m_image.mid(block * BlockLength, BlockLength);
    return QByteArray(BlockLength, '\0');
}

void SimModule::handleBlockRead(int block)
{
    if (block != VersionBlock && block >= BlockCount) {
        qCDebug(lcSim) << "read of unknown block" << block;
        return;
    }
    if (block != VersionBlock && m_options.silentAfter >= 0 && block > m_options.silentAfter)
        return;
    int answered = block;
    if (block == m_options.wrongBlock)
        answered = block + 1;
    const bool spoil = block == m_options.badChecksumBlock && !m_badChecksumDone;
    if (spoil)
        m_badChecksumDone = true;
    const QByteArray data = blockData(answered);
    sendBlock(answered, reinterpret_cast<const std::uint8_t *>(data.constData()), spoil);
}

void SimModule::handleWriteChunk(const QByteArray &p)
{
    if (m_writeBlock < 0)
        return;
    const auto c = static_cast<std::uint8_t>(p.at(2));
    if (c != m_writeNextChunk) {
        qCDebug(lcSim) << "write chunk out of order, block abandoned";
        m_writeBlock = -1;
        return;
    }
    const int count = c < 5 ? 12 : 4;
    for (int i = 0; i < count; ++i) {
        const auto b = static_cast<std::uint8_t>(p.at(3 + i));
        m_writeBuffer[c * 12 + i] = b;
        m_writeChecksum += static_cast<std::uint8_t>(b ^ std::uint8_t(c + 1 + i));
    }
    ++m_writeNextChunk;
    if (c < 5)
        return;
    const std::uint32_t sent = (std::uint32_t(static_cast<std::uint8_t>(p.at(7))) << 24)
        | (std::uint32_t(static_cast<std::uint8_t>(p.at(8))) << 16)
        | (std::uint32_t(static_cast<std::uint8_t>(p.at(9))) << 8)
        | std::uint32_t(static_cast<std::uint8_t>(p.at(10)));
    const int block = m_writeBlock;
    m_writeBlock = -1;
    const bool good = sent == m_writeChecksum && block < BlockCount;
    if (good)
        m_image.replace(block * BlockLength, BlockLength,
                        QByteArray(reinterpret_cast<const char *>(m_writeBuffer), BlockLength));
    else
        qCDebug(lcSim) << "block write refused" << block;
    if (m_options.noWriteAck)
        return;
    std::uint8_t body[13] = {};
    body[11] = std::uint8_t(block);
    body[12] = good ? 0x40 : 0x00;     // plain byte 14
    sendPlain(ANS_WRITE_ACK, body);
}

void SimModule::handlePassword(const QByteArray &p)
{
    const PasswordSlot slot = m_passwordSlot;
    m_passwordSlot = PasswordSlot::None;
    QByteArray text = p.mid(2, 13);
    const int end = text.indexOf('\0');
    if (end >= 0)
        text.truncate(end);
    if (slot == PasswordSlot::Login) {
        m_loggedIn = text == m_password;
        if (m_loggedIn) {
            sendResult(ANS_COMMAND, R_PW_ACCEPTED);
        } else {
            m_eventCurrent = 0;
            m_eventAckTimer.stop();
            sendResult(ANS_COMMAND, R_PW_REQUIRED);
        }
        return;
    }
    // A new password is taken only inside a logged-in session and only as 1 to 8 digits.
    if (!m_loggedIn && m_options.loginRequired) {
        sendResult(ANS_COMMAND, R_PW_REQUIRED);
        return;
    }
    const bool digits = !text.isEmpty() && text.size() <= MaxNewPasswordLength
        && std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
    if (!digits) {
        qCDebug(lcSim) << "new password refused (not 1 to 8 digits)";
        return;
    }
    m_password = text;
    sendResult(ANS_COMMAND, R_PW_CHANGED);
}

void SimModule::handleCommand(const QByteArray &p)
{
    const auto byte = [&](int i) { return static_cast<std::uint8_t>(p.at(i)); };
    switch (byte(10)) {
    case SUB_EVENTS: {
        const int wanted = byte(11) * 256 + byte(12);
        m_eventsWanted = std::min<int>(wanted, int(m_events.size()));
        m_eventCurrent = m_eventsWanted > 0 ? 1 : 0;
        m_eventResends = 0;
        if (m_eventCurrent)
            sendEventRecord();
        break;
    }
    case SUB_EVENT_ACK: {
        const int number = byte(11) * 256 + byte(12);
        if (m_eventCurrent == 0 || number != m_eventCurrent)
            break;
        m_eventAckTimer.stop();
        m_eventResends = 0;
        if (++m_eventCurrent > m_eventsWanted) {
            m_eventCurrent = 0;
            break;
        }
        sendEventRecord();
        break;
    }
    case SUB_RELAY:
        switch (byte(11)) {
        case 0x01: m_relayOn[0] = true; break;
        case 0x00: m_relayOn[0] = false; break;
        case 0x03: m_relayOn[1] = true; break;
        case 0x02: m_relayOn[1] = false; break;
        default: return;
        }
        sendStatusNow();
        break;
    case SUB_TEST_REPORT:
        if (byte(11) != 0x01)
            break;
        addEvent(10, 0, QDateTime::currentDateTime());
        sendText(ANS_TEXT_STATE_LONG, "Test report sent\r\n");
        break;
    case SUB_CLEAR:
        if (byte(11) == 0x55 && byte(12) == 0xAA) {
            m_events.clear();
            m_eventCurrent = 0;
            m_eventAckTimer.stop();
            sendResult(ANS_COMMAND, R_EVENTS_ERASED);
        } else if (byte(11) == 0x01) {
            m_zoneAlarm.fill(false);
            sendText(ANS_TEXT_STATE_LONG, "Alarm stopped\r\n");
            sendStatusNow();
        }
        break;
    case SUB_FLASH_RESET:
        if (byte(11) == 0x55 && byte(12) == 0xAA) {
            m_image = factoryImage();
            sendText(ANS_TEXT_COMMENT_LONG, "Parameters reset to factory values\r\n");
        }
        break;
    default:
        qCDebug(lcSim) << "unknown command" << byte(10);
        break;
    }
}

// ---------------------------------------------------------------- event log

void SimModule::addEvent(std::uint8_t code, int zoneOrUser, const QDateTime &when)
{
    QByteArray r(EventRecordLength, '\0');
    // Report targets: the monitoring station always, the first SMS number for zone events.
    const char delivered = char(0x7A);
    r[1 + 10] = delivered;
    if (code < 8)
        r[1 + 6] = delivered;
    r[17] = char(code);
    const std::uint8_t a0 = fieldByte(m_image, "CTID_ACCOUNT", 0), a1 = fieldByte(m_image, "CTID_ACCOUNT", 1);
    const std::uint8_t a2 = fieldByte(m_image, "CTID_ACCOUNT", 2), a3 = fieldByte(m_image, "CTID_ACCOUNT", 3);
    const std::uint8_t c0 = fieldByte(m_image, "EVENT_CTID", code * 3);
    const std::uint8_t c1 = fieldByte(m_image, "EVENT_CTID", code * 3 + 1);
    const std::uint8_t c2 = fieldByte(m_image, "EVENT_CTID", code * 3 + 2);
    // Restores and arming are reported with qualifier 3, the rest with 1.
    const std::uint8_t qualifier = (code < 8 && code % 2 == 1) || code == 8 ? 3 : 1;
    r[18] = char(((a0 & 0xF) << 4) | (a1 & 0xF));
    r[19] = char(((a2 & 0xF) << 4) | (a3 & 0xF));
    r[20] = char(0x18);
    r[21] = char((qualifier << 4) | (c0 & 0xF));
    r[22] = char(((c1 & 0xF) << 4) | (c2 & 0xF));
    r[23] = char(0x01);
    r[24] = char(((zoneOrUser / 100) << 4) | ((zoneOrUser / 10) % 10));
    r[25] = char((zoneOrUser % 10) << 4);
    const QDate d = when.date();
    const QTime t = when.time();
    r[26] = char(std::clamp(d.year() - 2000, 0, 255));
    r[27] = char(d.month());
    r[28] = char(d.day());
    r[29] = char(t.hour());
    r[30] = char(t.minute());
    r[31] = char(t.second());
    m_events.prepend(r);
    if (m_events.size() > MaxEvents)
        m_events.resize(MaxEvents);
}

void SimModule::generateEventLog(int count)
{
    m_events.clear();
    // A plausible day of a small site, repeated back in time; oldest added first.
    static constexpr std::uint8_t Cycle[][2] = {
        {8, 0}, {0, 1}, {1, 1}, {9, 0}, {10, 0}, {8, 0}, {2, 2}, {3, 2}, {6, 4}, {7, 4}, {9, 0}, {4, 3}, {5, 3},
    };
    const QDateTime newest(QDate(2026, 3, 1), QTime(8, 0, 0));
    for (int i = count - 1; i >= 0; --i) {
        const auto &e = Cycle[i % (sizeof Cycle / sizeof Cycle[0])];
        addEvent(e[0], e[1], newest.addSecs(-qint64(i) * 37 * 60));
    }
}

void SimModule::sendEventRecord()
{
    if (m_eventCurrent < 1 || m_eventCurrent > m_events.size())
        return;
    const QByteArray &r = m_events.at(m_eventCurrent - 1);
    sendResult(ANS_RECORD_START, R_EVENT_RECORD, std::uint8_t(m_eventCurrent >> 8), std::uint8_t(m_eventCurrent & 0xFF), 0);
    for (int f = 0; f < 3; ++f) {
        std::uint8_t body[13] = {};
        const QByteArray piece = r.mid(f * 13, 13);
        std::memcpy(body, piece.constData(), size_t(piece.size()));
        sendPlain(ANS_COMMAND, body);
    }
    m_eventAckTimer.start();
}

void SimModule::onEventAckTimeout()
{
    if (m_eventCurrent == 0)
        return;
    if (++m_eventResends > EventResendLimit) {
        qCDebug(lcSim) << "event transfer abandoned at record" << m_eventCurrent;
        m_eventCurrent = 0;
        return;
    }
    sendEventRecord();
}

// ---------------------------------------------------------------- control

QString SimModule::control(const QString &line)
{
    const QStringList w = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (w.isEmpty())
        return QStringLiteral("error empty command");
    const QString cmd = w.at(0);
    const QString rest = line.section(QLatin1Char(' '), 1).trimmed();
    int n = 0;
    if (cmd == QLatin1String("zone") && w.size() == 3 && parseNumber(w.at(1), &n) && n >= 1 && n <= 4) {
        const int z = n - 1;
        const QString what = w.at(2);
        if (what == QLatin1String("alarm")) {
            m_zoneAlarm[z] = true;
            m_zoneShort[z] = fieldByte(m_image, "ZONE_CIRCUIT", z) == 0;
            addEvent(std::uint8_t(z * 2), n, QDateTime::currentDateTime());
            sendText(ANS_TEXT_STATE_LONG, QStringLiteral("Z%1 ALARM\r\n").arg(n).toLatin1());
        } else if (what == QLatin1String("restore")) {
            m_zoneAlarm[z] = false;
            m_zoneShort[z] = fieldByte(m_image, "ZONE_CIRCUIT", z) != 0;
            addEvent(std::uint8_t(z * 2 + 1), n, QDateTime::currentDateTime());
            sendText(ANS_TEXT_STATE_LONG, QStringLiteral("Z%1 restore\r\n").arg(n).toLatin1());
        } else if (what == QLatin1String("short")) {
            m_zoneShort[z] = true;
        } else if (what == QLatin1String("open")) {
            m_zoneShort[z] = false;
        } else {
            return QStringLiteral("error zone N alarm|restore|short|open");
        }
        sendStatusNow();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("relay") && w.size() == 3 && parseNumber(w.at(1), &n) && (n == 1 || n == 2)
        && (w.at(2) == QLatin1String("on") || w.at(2) == QLatin1String("off"))) {
        m_relayOn[n - 1] = w.at(2) == QLatin1String("on");
        sendStatusNow();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("armed") && w.size() == 2 && parseNumber(w.at(1), &n) && (n == 0 || n == 1)) {
        if (m_armed != (n == 1))
            addEvent(n == 1 ? 8 : 9, 1, QDateTime::currentDateTime());
        m_armed = n == 1;
        sendStatusNow();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("image") && !rest.isEmpty()) {
        QFile f(rest);
        if (!f.open(QIODevice::ReadOnly))
            return QStringLiteral("error cannot open ") + rest;
        if (!loadImage(f.read(ImageBufferCapacity)))
            return QStringLiteral("error image must be 1 to 4096 bytes");
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("dump-image") && !rest.isEmpty()) {
        QSaveFile f(rest);
        if (!f.open(QIODevice::WriteOnly) || f.write(m_image) != m_image.size() || !f.commit())
            return QStringLiteral("error cannot write ") + rest;
        return QStringLiteral("ok");
    }
    int value = 0;
    if (cmd == QLatin1String("set-byte") && w.size() == 3 && parseNumber(w.at(1), &n) && parseNumber(w.at(2), &value)
        && value >= 0 && value <= 255) {
        return setImageByte(n, std::uint8_t(value)) ? QStringLiteral("ok") : QStringLiteral("error offset out of range");
    }
    if (cmd == QLatin1String("get-byte") && w.size() == 2 && parseNumber(w.at(1), &n)) {
        if (n < 0 || n >= ImageLength)
            return QStringLiteral("error offset out of range");
        return QStringLiteral("ok %1").arg(static_cast<std::uint8_t>(m_image.at(n)));
    }
    if (cmd == QLatin1String("check-password") && w.size() <= 2) {
        const QByteArray candidate = w.size() == 2 ? w.at(1).toLatin1() : QByteArray();
        return candidate == m_password ? QStringLiteral("ok yes") : QStringLiteral("ok no");
    }
    if (cmd == QLatin1String("set-password") && w.size() == 2) {
        m_password = w.at(1).toLatin1();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("logout") && w.size() == 1) {
        resetSession();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("gsm") && w.size() == 2 && parseNumber(w.at(1), &n) && n >= 0 && n <= GsmLevelMaximum) {
        m_gsmLevel = std::uint8_t(n);
        sendStatusNow();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("status") && w.size() == 1) {
        sendStatusNow();
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("text") && !rest.isEmpty()) {
        sendText(ANS_TEXT_STATE_LONG, rest.toLatin1() + "\r\n");
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("events") && w.size() == 2 && parseNumber(w.at(1), &n) && n >= 0 && n <= MaxEvents) {
        generateEventLog(n);
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("state") && w.size() == 1) {
        QString alarms, shorts;
        for (int z = 0; z < 4; ++z) {
            alarms += m_zoneAlarm[z] ? QLatin1Char('1') : QLatin1Char('0');
            shorts += m_zoneShort[z] ? QLatin1Char('1') : QLatin1Char('0');
        }
        return QStringLiteral("ok logged-in=%1 armed=%2 relay1=%3 relay2=%4 alarm=%5 short=%6 gsm=%7 events=%8")
            .arg(int(m_loggedIn)).arg(int(m_armed)).arg(int(m_relayOn[0])).arg(int(m_relayOn[1]))
            .arg(alarms, shorts).arg(m_gsmLevel).arg(m_events.size());
    }
    return QStringLiteral("error unknown command: ") + line;
}
