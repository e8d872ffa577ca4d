#pragma once
// Reading, writing and comparing the module's parameter set block by block.
// One set of procedures serves the main window and the command-line tool; what
// differs between them (progress display, messages, questions, the editor, the
// relay connection) goes through ITransferHost.

#include "params/EE_Struct.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class TLink;
class TWaitContext;
class Morvo3Texts;

namespace ModuleTransfer {
// Waits, in 100 ms ticks of TWaitContext.
inline constexpr int BlockWaitTicksUsb = 15;   // one block over USB
inline constexpr int BlockWaitTicksIp = 120;   // one block through the relay
inline constexpr int AckWaitTicks = 160;       // acknowledgement of a written block
inline constexpr int BlockAttempts = 3;
// Every fifth block (4, 9, 14, ...) refreshes the relay session first.
inline constexpr int RelayRefreshPeriod = 5;
inline constexpr int RelayRefreshPhase = 4;
// Relay activity flags announced before a transfer.
inline constexpr int ActivityFlagsIdle = 3;

// Progress bar of the module procedures: 1 started, 2 link ready, n + 3 block n done.
inline constexpr int ProgressMaximum = 44;
inline constexpr int ProgressStarted = 1;
inline constexpr int ProgressLinkReady = 2;
inline constexpr int ProgressFirstBlock = 3;
// Blocks 0 to 40 carry the parameters; block 41 is padding only and is not
// copied into the image after a read.
inline constexpr int CopiedBlockCount = 41;
}

enum class TProgressColor { Green, Red };

// What a module procedure ended with.
enum class TTransferOutcome {
    Success,        // read/write complete, or compare found the module equal
    Different,      // compare: the module holds other parameters
    Busy,           // another module procedure is running
    InvalidImage,   // write: the parameters do not form a valid image
    NoTransport,    // the transport of the selected mode is not up
    NoConnection,   // the relay or the module did not answer
    Incompatible,   // the module carries another identification string
    Cancelled,      // the user declined to read a foreign module
    BlockFailed,    // a block did not arrive / was not acknowledged / had another number
    Stopped,        // StopRequested during the blocks
    Closing,        // the owner is closing: the procedure ended without touching it
    NothingToRead,  // read rest: no compare stopped on a difference since the last read or write
};

QString TransferOutcomeName(TTransferOutcome outcome);

// What the procedures need from their surroundings. The relay members have
// harmless defaults so that a host without a relay counts IP mode as "not up".
class ITransferHost
{
public:
    virtual ~ITransferHost() = default;

    // The transport of the selected mode is up (USB: reader opened; IP: relay connected).
    virtual bool TransportUp() = 0;
    virtual bool IpMode() { return false; }
    virtual bool RelayConnected() { return false; }
    virtual bool PingAndWait(int activityFlags) { (void)activityFlags; return false; }
    virtual void RefreshAndWait() {}
    virtual int ActivityFlags() { return ModuleTransfer::ActivityFlagsIdle; }

    virtual void SetProgressMaximum(int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual void SetProgressColor(TProgressColor color) = 0;
    // A message in the modeless message window.
    virtual void ShowMessage(const QString &text) = 0;
    // A modal warning with Yes and Cancel; true for Yes.
    virtual bool AskYesCancel(const QString &text) = 0;
    virtual void EnableModuleCommands() = 0;
    virtual void DisableModuleCommands() = 0;

    // The editor is the working copy of the parameters. A host without an
    // editor leaves the image as it is (it was loaded from a file).
    virtual void BuildImageFromEditor(TParamImage &image) = 0;
    virtual void LoadEditorFromImage(const TParamImage &image) = 0;
};

class TModuleTransfer
{
public:
    TModuleTransfer(TWaitContext &wait, Morvo3Texts &texts, TParamImage &image, TLink &link,
                    bool &parameterTransferActive, ITransferHost &host);

    TTransferOutcome spbReadModuleClick();
    TTransferOutcome spbWriteModuleClick();
    TTransferOutcome spbCompareDataClick();
    // After a compare that stopped at a differing block: reads that block and
    // every block after it with the same block procedure (progress, Stop and the
    // relay steps as in a compare). The blocks before it, which the compare found
    // equal, are taken as the compare received them. On Success TransferBuffer()
    // holds the whole module image; ListFieldDifferences(TransferBuffer(),
    // ComparedEditorImage()) then names every difference.
    TTransferOutcome ReadRestAfterCompare();
    // A compare stopped on a difference and nothing was read or written since.
    bool CanReadRestAfterCompare() const { return m_compareStopBlock >= 0; }
    // The block the compare stopped at (-1 when it did not stop on a difference).
    int compareStopBlock() const { return m_compareStopBlock; }
    // The editor's image as the last compare used it (2688 bytes).
    QByteArray ComparedEditorImage() const;

    // Compare normally stops at the first block that differs. With this set it
    // reads the whole module and records every differing byte; the module's
    // bytes are then in TransferBuffer() for DescribeImageDifferences.
    void setCompareWholeImage(bool whole) { m_compareWholeImage = whole; }
    bool compareWholeImage() const { return m_compareWholeImage; }

    bool isRunning() const { return m_running; }
    // After a procedure: the last block that was completed (-1 for none) and the
    // block at which a compare first saw a difference (-1 for none).
    int lastGoodBlock() const { return m_lastGoodBlock; }
    int firstDifferentBlock() const { return m_firstDifferentBlock; }
    // The 2688 bytes received during the last read or compare, or sent during the last write.
    QByteArray TransferBuffer() const;

private:
    // The read takes its relay steps (keep-alive after the link check and before
    // every fifth block, the long block wait, the closing announcement) only while
    // the relay is connected; write and compare whenever IP mode is selected.
    enum class TRelaySteps { WhileConnected, InIpMode };

    bool closing() const;
    void setPosition(int position);
    void setColor(TProgressColor color);
    void show(const QString &key);
    QString incompatibleText(const QString &id) const;

    // Runs one procedure: refused while another runs; otherwise STOP cleared and
    // the module commands disabled first, and on every way out the running mark
    // and ParameterTransferActive down again.
    TTransferOutcome run(TTransferOutcome (TModuleTransfer::*procedure)());
    TTransferOutcome readModule();
    TTransferOutcome writeModule();
    TTransferOutcome compareWithModule();
    TTransferOutcome readRestOfModule();

    // Steps the three procedures share, in the order they run.
    // A procedure that ends before its blocks: bar red, commands back.
    TTransferOutcome endRed(TTransferOutcome outcome);
    // From the transport check to the identification read: progress started,
    // the relay announced and kept alive (IP mode), the module's identification
    // string in id. When the relay does not answer, noAnswerKey is shown unless
    // STOP was pressed, in which case the stop is cleared when clearStop is set.
    // Empty when the procedure goes on, otherwise the outcome it ended with.
    std::optional<TTransferOutcome> reachModule(TRelaySteps relaySteps, const QString &noAnswerKey, bool clearStop,
                                                QString &id);
    bool relayStepDue() const;
    // Keep-alive before every fifth block; false when the owner is closing.
    bool refreshBeforeBlock(int n);
    // Keep-alive before a repeated request; false when the owner is closing.
    bool refreshBeforeRetry();
    // One block exchange, up to three attempts: send() puts the request on the
    // line (false: STOP came before it was whole), then up to waitTicks for
    // done(). Success, Stopped, BlockFailed (no answer) or Closing.
    TTransferOutcome exchangeBlock(int n, const std::function<bool()> &send, int waitTicks,
                                   const std::function<bool()> &done);
    // Requests block n into the transfer buffer; another block number fails at once.
    TTransferOutcome receiveBlock(int n);
    // Writes block n from the transfer buffer; the acknowledgement completes it.
    TTransferOutcome sendBlock(int n);
    void blockDone(int n);
    // The closing announcement, then the commands back.
    TTransferOutcome finish(TTransferOutcome outcome);

    TWaitContext &m_wait;
    Morvo3Texts &m_texts;
    TParamImage &m_image;
    TLink &m_link;
    bool &m_parameterTransferActive;
    ITransferHost &m_host;

    std::array<std::uint8_t, ParamImage::ImageLength> m_buffer{};
    bool m_running = false;
    bool m_compareWholeImage = false;
    // Of the procedure that runs now.
    bool m_ipMode = false;
    TRelaySteps m_relaySteps = TRelaySteps::InIpMode;
    int m_lastGoodBlock = -1;
    int m_firstDifferentBlock = -1;
    // What a compare that stopped on a difference leaves for ReadRestAfterCompare.
    int m_compareStopBlock = -1;
    std::array<std::uint8_t, ParamImage::ImageLength> m_comparedModule{};
    std::array<std::uint8_t, ParamImage::ImageLength> m_comparedEditor{};
};

// Names every field element in which two images differ, "NAME[i]" one per
// entry, walking the field directory of reference. Differences in the header,
// in a record's own header or beyond the directory are named by their offset.
QStringList DescribeImageDifferences(const QByteArray &reference, const QByteArray &other);

// Parameter data files (.KVD): the raw image bytes.
namespace ParamFile {
// What a reader takes from a file at most; a longer file loads its first 4096 bytes.
inline constexpr int MaxLoadBytes = ParamImage::BufferCapacity;
inline constexpr int OpenProgressMaximum = 41;
}

// Writes image bytes 0 to 2687 to path through a temporary file that replaces
// the target only when everything was written: a failed save never leaves a
// half-written file behind, and an existing file stays as it was. On failure
// error receives a one-line reason.
bool WriteParamFile(const QString &path, const TParamImage &image, QString *error = nullptr);

enum class TParamFileRead {
    Ok,
    CannotOpen,   // the file does not exist, is a directory, or may not be read
    Unreadable,   // opened, but a read failed or it is shorter than the 64-byte header
};

// Reads at most MaxLoadBytes from the start of path (a longer file gives its
// first MaxLoadBytes). On failure error receives a one-line reason.
TParamFileRead ReadParamFile(const QString &path, QByteArray *data, QString *error = nullptr);
