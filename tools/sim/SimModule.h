#pragma once
// The module's own side of the link: parameter image, version block, password,
// status reports, texts, event log, relays and the answers to every request the
// program sends. Transport-neutral: bytes in through receive(), wire bytes out
// through the transmit signal.

#include "SimCodec.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>
#include <array>
#include <cstdint>

struct SimModuleOptions
{
    QByteArray versionText = "Morvo3;GPRS v2.04;x;HW3";
    std::uint16_t dataVersion = 110;
    QByteArray password;                 // empty: the factory default
    bool loginRequired = true;
    QByteArray idString;                 // null: the standard identification string
    QByteArray image;                    // empty: a fresh editor's image (factory state)
    int badChecksumBlock = -1;           // this block's first answer carries a wrong checksum
    int wrongBlock = -1;                 // this block is answered as the next one
    int silentAfter = -1;                // parameter blocks above this one are never answered
    bool noWriteAck = false;
    bool mute = false;                   // answers nothing at all
    int statusIntervalMs = 2500;
    int textIntervalMs = 0;              // 0: no periodic state texts
    int eventCount = 20;
};

class SimModule : public QObject
{
    Q_OBJECT
public:
    static constexpr int ImageLength = 2688;
    static constexpr int BlockLength = 64;
    static constexpr int BlockCount = 42;
    static constexpr int VersionBlock = 254;
    static constexpr int MaxEvents = 1000;
    static constexpr int EventRecordLength = 36;
    static constexpr int EventAckTimeoutMs = 2000;
    static constexpr int EventResendLimit = 3;
    static constexpr std::uint8_t DefaultGsmLevel = 23;
    static constexpr int GsmLevelMaximum = 31;

    explicit SimModule(const SimModuleOptions &options, QObject *parent = nullptr);

    // Bytes from the program.
    void receive(const QByteArray &bytes);
    // The device was (re)connected: a new session that must log in again.
    void resetSession();

    static QByteArray defaultImage();
    // What a flash reset restores: the default image, with the module's own
    // identification string when it has another one.
    QByteArray factoryImage() const;
    QByteArray image() const { return m_image; }
    // Accepts 1 to 4096 bytes; the image is 2688 bytes, the rest of the data is ignored.
    bool loadImage(const QByteArray &data);
    bool setImageByte(int offset, std::uint8_t value);

    // One control line ("zone 1 alarm", "relay 2 on", ...); returns the reply line.
    QString control(const QString &line);

    bool loggedIn() const { return m_loggedIn; }
    QVector<QByteArray> eventLog() const { return m_events; }

signals:
    void transmit(const QByteArray &wireBytes);

private:
    enum class PasswordSlot { None, Login, NewPassword };

    void handlePlain(const QByteArray &p);
    void handleBlockRead(int block);
    void handleWriteChunk(const QByteArray &p);
    void handlePassword(const QByteArray &p);
    void handleCommand(const QByteArray &p);
    bool requireLogin();

    void sendPlain(std::uint8_t type, const std::uint8_t body[13]);
    void sendResult(std::uint8_t type, std::uint8_t code, std::uint8_t d0 = 0, std::uint8_t d1 = 0, std::uint8_t d2 = 0);
    void sendBlock(int answeredBlock, const std::uint8_t *data64, bool spoilChecksum);
    void sendText(std::uint8_t longType, const QByteArray &text);
    void sendBasicStatus();
    void sendExtendedStatus();
    void sendStatusNow();
    void onStatusTimer();
    void onTextTimer();

    QByteArray versionBlock() const;
    QByteArray blockData(int block) const;

    void addEvent(std::uint8_t code, int zoneOrUser, const QDateTime &when);
    void generateEventLog(int count);
    void sendEventRecord();
    void onEventAckTimeout();

    SimModuleOptions m_options;
    SimCodec m_codec;
    QByteArray m_image;
    QByteArray m_password;

    // session
    bool m_loggedIn = false;
    PasswordSlot m_passwordSlot = PasswordSlot::None;
    int m_writeBlock = -1;
    int m_writeNextChunk = 0;
    std::uint8_t m_writeBuffer[BlockLength] = {};
    std::uint32_t m_writeChecksum = 0;
    bool m_badChecksumDone = false;
    bool m_extendedNext = false;

    // live state
    std::array<bool, 4> m_zoneShort{};
    std::array<bool, 4> m_zoneAlarm{};
    std::array<bool, 2> m_relayOn{};
    bool m_armed = false;
    std::uint8_t m_gsmLevel = DefaultGsmLevel;
    int m_textCounter = 0;

    // event log, most recent first
    QVector<QByteArray> m_events;
    int m_eventsWanted = 0;
    int m_eventCurrent = 0;          // 1-based number of the record being sent, 0 = idle
    int m_eventResends = 0;
    QTimer m_eventAckTimer;
    QTimer m_statusTimer;
    QTimer m_textTimer;
};
