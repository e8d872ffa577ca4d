#pragma once
// What is connected: the version block (block 254) turned into the version text
// and tested for compatibility, and the identification string of block 0 that the
// parameter procedures require before they touch the parameters.

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <optional>

class TLink;
class TWaitContext;
class Morvo3Texts;

namespace Identification {
inline const QString ExpectedIdString = QStringLiteral("ZEHL,64,31,Morvo3 GPRS,DataStruct PGMv1.10");

inline constexpr int IdentificationDelayMs = 50; // after a complete block
inline constexpr int VersionPollIntervalMs = 4000; // GetVersionTimer
inline constexpr int ReadIdWaitTicks = 100;        // 10 s in 100 ms ticks
inline constexpr std::uint8_t VersionTextQuote = 0x22;
inline constexpr int CurrentLayoutQuoteOffset = 18;
inline constexpr int CurrentLayoutMaxTextChars = 45;
inline constexpr int OlderLayoutMaxTextChars = 63;

// The version text of a 64-byte version block in either layout; nothing when
// the block is not a version block.
std::optional<QString> VersionStringFromBlock(const std::uint8_t *block64);
// Compatible when the version text names both "GPRS" and "Morvo".
bool IsCompatibleVersion(const QString &version);
// Display name of the connected module for the rejection message.
QString ModuleTypeName(const QString &version);
// The rejection text, composed from the catalogue in its current language.
QString RejectionMessage(const Morvo3Texts &texts, const QString &version);
} // namespace Identification

// One tick of GetVersionTimer. Returns true when the version is already known
// (the caller stops the poll and shows the link as OK); otherwise clears
// BlockCompleteFlag, asks for block 254 and returns false.
bool VersionPollTick(TLink &link, bool versionKnown);

// Reads block 0 and returns its text up to the first 0x00 (at most 64 chars);
// empty when no block arrived within the wait, the wait was stopped, or the
// block that arrived was not block 0.
QString ReadModuleIdString(TLink &link, TWaitContext &wait);

class TIdentification : public QObject
{
    Q_OBJECT
public:
    TIdentification(TLink &link, Morvo3Texts &texts, QObject *parent = nullptr);

    // One-shot, started by every complete block; its tick runs IdentificationHandler.
    QTimer IdentificationTimer;

    // Reads the link's VersionBlock; emits identified() or rejected() for a
    // version block and does nothing for any other block.
    void IdentificationHandler();

signals:
    void identified(const QString &version);
    void rejected(const QString &message);

private:
    TLink &m_link;
    Morvo3Texts &m_texts;
};
