#include "params/ModuleTransfer.h"

#include "app/Morvo3Texts.h"
#include "app/WaitContext.h"
#include "link/Communication.h"
#include "link/Identification.h"
#include "link/Requests.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <algorithm>
#include <cstring>

Q_LOGGING_CATEGORY(lcTransfer, "morvo3.params", QtWarningMsg)

namespace {

using namespace ModuleTransfer;

// Holds a flag set for the lifetime of a scope, whatever path leaves it.
class TFlagScope
{
public:
    explicit TFlagScope(bool &flag) : m_flag(flag) { m_flag = true; }
    ~TFlagScope() { m_flag = false; }
    TFlagScope(const TFlagScope &) = delete;
    TFlagScope &operator=(const TFlagScope &) = delete;
private:
    bool &m_flag;
};

// Clears ParameterTransferActive on every way out, also when the owner closes
// in the middle of a wait and the procedure returns early.
class TTransferActiveScope
{
public:
    explicit TTransferActiveScope(bool &flag) : m_flag(flag) {}
    ~TTransferActiveScope() { m_flag = false; }
    void set() { m_flag = true; }
    TTransferActiveScope(const TTransferActiveScope &) = delete;
    TTransferActiveScope &operator=(const TTransferActiveScope &) = delete;
private:
    bool &m_flag;
};

const QString IdentificationString = QString::fromLatin1(ParamImage::IdentificationString);

} // namespace

QString TransferOutcomeName(TTransferOutcome outcome)
{
    switch (outcome) {
    case TTransferOutcome::Success: return QStringLiteral("success");
    case TTransferOutcome::Different: return QStringLiteral("different");
    case TTransferOutcome::Busy: return QStringLiteral("busy");
    case TTransferOutcome::InvalidImage: return QStringLiteral("invalid image");
    case TTransferOutcome::NoTransport: return QStringLiteral("no transport");
    case TTransferOutcome::NoConnection: return QStringLiteral("no connection");
    case TTransferOutcome::Incompatible: return QStringLiteral("incompatible module");
    case TTransferOutcome::Cancelled: return QStringLiteral("cancelled");
    case TTransferOutcome::BlockFailed: return QStringLiteral("block failed");
    case TTransferOutcome::Stopped: return QStringLiteral("stopped");
    case TTransferOutcome::Closing: return QStringLiteral("closing");
    }
    return QString();
}

TModuleTransfer::TModuleTransfer(TWaitContext &wait, Morvo3Texts &texts, TParamImage &image, TLink &link,
                                 bool &parameterTransferActive, ITransferHost &host)
    : m_wait(wait)
    , m_texts(texts)
    , m_image(image)
    , m_link(link)
    , m_parameterTransferActive(parameterTransferActive)
    , m_host(host)
{
}

QByteArray TModuleTransfer::TransferBuffer() const
{
    return QByteArray(reinterpret_cast<const char *>(m_buffer.data()), int(m_buffer.size()));
}

bool TModuleTransfer::transportUp()
{
    // Without a relay implementation IP mode is simply "not up".
    return m_host.TransportUp();
}

bool TModuleTransfer::closing() const
{
    return m_wait.Closing;
}

void TModuleTransfer::setPosition(int position)
{
    m_host.SetProgressPosition(position);
}

void TModuleTransfer::setColor(TProgressColor color)
{
    m_host.SetProgressColor(color);
}

void TModuleTransfer::show(const QString &key)
{
    m_host.ShowMessage(m_texts.text(key));
}

QString TModuleTransfer::incompatibleText(const QString &id) const
{
    return m_texts.text(QStringLiteral("lbTXT_INCOMPATIBLE_MODULE")) + QStringLiteral(" :  ")
        + IdentificationString + QStringLiteral("  <-->  ") + id;
}

int TModuleTransfer::blockWaitTicks(bool ipWithConnection) const
{
    return ipWithConnection ? BlockWaitTicksIp : BlockWaitTicksUsb;
}

bool TModuleTransfer::blockIs(int n) const
{
    return m_link.BlockCompleteFlag && m_link.BlockAddress == std::uint16_t(n * Link::BlockSize);
}

bool TModuleTransfer::readBlock(int n, bool ipMode, bool relayWaitNeedsConnection)
{
    for (int attempt = 1; attempt <= BlockAttempts; ++attempt) {
        if (attempt > 1 && ipMode && m_host.RelayConnected()) {
            m_host.RefreshAndWait();
            if (closing())
                return false;
        }
        m_link.BlockCompleteFlag = false;
        Requests::SendBlockRead(m_link, std::uint8_t(n));
        // The relay's long wait applies in IP mode (for a read: while the relay is connected).
        const bool relayWait = ipMode && (!relayWaitNeedsConnection || m_host.RelayConnected());
        const bool got = m_wait.WaitFor(blockWaitTicks(relayWait), [this] { return m_link.BlockCompleteFlag; });
        if (closing())
            return false;
        if (got || m_wait.StopRequested)
            break;
        qCDebug(lcTransfer) << "block" << n << "attempt" << attempt << "timed out";
    }
    return m_link.BlockCompleteFlag;
}

TTransferOutcome TModuleTransfer::spbReadModuleClick()
{
    if (m_running)
        return TTransferOutcome::Busy;
    TFlagScope running(m_running);
    TTransferActiveScope transferActive(m_parameterTransferActive);
    m_lastGoodBlock = -1;
    m_firstDifferentBlock = -1;

    m_wait.StopRequested = false;
    m_host.DisableModuleCommands();
    if (!transportUp()) {
        show(QStringLiteral("lbTXT_NO_SERIAL_CONN"));
        setColor(TProgressColor::Red);
        m_host.EnableModuleCommands();
        return TTransferOutcome::NoTransport;
    }

    transferActive.set();
    m_host.SetProgressMaximum(ProgressMaximum);
    setPosition(ProgressStarted);
    setColor(TProgressColor::Green);

    const bool ipMode = m_host.IpMode();
    if (ipMode) {
        const bool answered = m_host.PingAndWait(ActivityFlagsIdle);
        if (closing())
            return TTransferOutcome::Closing;
        if (!answered) {
            if (!m_wait.StopRequested)
                show(QStringLiteral("lbTXT_NO_CONNECTION"));
            else
                m_wait.StopRequested = false;
            m_host.EnableModuleCommands();
            setColor(TProgressColor::Red);
            return TTransferOutcome::NoConnection;
        }
    }

    setPosition(ProgressLinkReady);
    if (ipMode && m_host.RelayConnected()) {
        m_host.RefreshAndWait();
        if (closing())
            return TTransferOutcome::Closing;
    }

    const QString id = ReadModuleIdString(m_link, m_wait);
    if (closing())
        return TTransferOutcome::Closing;
    if (id != IdentificationString) {
        if (id.isEmpty()) {
            if (!m_wait.StopRequested)
                show(QStringLiteral("lbTXT_NO_CONNECTION"));
            else
                m_wait.StopRequested = false;
            m_parameterTransferActive = false;
            setColor(TProgressColor::Red);
            m_host.EnableModuleCommands();
            return TTransferOutcome::NoConnection;
        }
        const QString question = incompatibleText(id) + QStringLiteral("   ")
            + m_texts.text(QStringLiteral("lbTXT_READ_DATA_ANYHOW"));
        const bool anyway = m_host.AskYesCancel(question);
        if (closing())
            return TTransferOutcome::Closing;
        if (!anyway) {
            m_parameterTransferActive = false;
            setColor(TProgressColor::Red);
            m_host.EnableModuleCommands();
            return TTransferOutcome::Cancelled;
        }
        setColor(TProgressColor::Green);
    }

    m_image.ClearImage();
    m_buffer.fill(0);

    TTransferOutcome outcome = TTransferOutcome::Success;
    for (int n = 0; n < ParamImage::BlockCount; ++n) {
        if (m_wait.StopRequested) {
            outcome = TTransferOutcome::Stopped;
            break;
        }
        if (ipMode && m_host.RelayConnected() && n % RelayRefreshPeriod == RelayRefreshPhase) {
            m_host.RefreshAndWait();
            if (closing())
                return TTransferOutcome::Closing;
        }
        const bool got = readBlock(n, ipMode, true);
        if (closing())
            return TTransferOutcome::Closing;
        if (!got || !blockIs(n)) {
            // A block with another number is not asked again: the module is out of step.
            outcome = m_wait.StopRequested ? TTransferOutcome::Stopped : TTransferOutcome::BlockFailed;
            qCDebug(lcTransfer) << "read failed at block" << n << "address" << m_link.BlockAddress;
            break;
        }
        std::memcpy(m_buffer.data() + n * ParamImage::BlockLength, m_link.BlockBuffer, ParamImage::BlockLength);
        m_lastGoodBlock = n;
        setPosition(n + ProgressFirstBlock);
        if (m_wait.StopRequested) {
            outcome = TTransferOutcome::Stopped;
            break;
        }
    }

    if (outcome == TTransferOutcome::Success) {
        std::memcpy(m_image.bytes, m_buffer.data(), CopiedBlockCount * ParamImage::BlockLength);
        m_host.LoadEditorFromImage(m_image);
    } else {
        setColor(TProgressColor::Red);
    }

    if (ipMode && m_host.RelayConnected()) {
        m_host.PingAndWait(m_host.ActivityFlags());
        if (closing())
            return outcome;
    }
    m_parameterTransferActive = false;
    m_host.EnableModuleCommands();
    return outcome;
}

TTransferOutcome TModuleTransfer::spbWriteModuleClick()
{
    if (m_running)
        return TTransferOutcome::Busy;
    TFlagScope running(m_running);
    TTransferActiveScope transferActive(m_parameterTransferActive);
    m_lastGoodBlock = -1;
    m_firstDifferentBlock = -1;

    m_host.DisableModuleCommands();
    m_wait.StopRequested = false;
    m_host.BuildImageFromEditor(m_image);
    if (!m_image.IsImageValid()) {
        show(QStringLiteral("lbTXT_CANNOT_SEND_DATA"));
        m_host.EnableModuleCommands();
        return TTransferOutcome::InvalidImage;
    }
    if (!transportUp()) {
        show(QStringLiteral("lbTXT_NO_SERIAL_CONN"));
        m_host.EnableModuleCommands();
        setColor(TProgressColor::Red);
        return TTransferOutcome::NoTransport;
    }

    transferActive.set();
    m_wait.StopRequested = false;
    m_host.SetProgressMaximum(ProgressMaximum);
    setPosition(ProgressStarted);
    setColor(TProgressColor::Green);

    const bool ipMode = m_host.IpMode();
    if (ipMode) {
        const bool answered = m_host.PingAndWait(ActivityFlagsIdle);
        if (closing())
            return TTransferOutcome::Closing;
        if (!answered) {
            if (!m_wait.StopRequested)
                show(QStringLiteral("lbTXT_NO_CONNECTION"));
            m_host.EnableModuleCommands();
            setColor(TProgressColor::Red);
            return TTransferOutcome::NoConnection;
        }
    }

    setPosition(ProgressLinkReady);
    if (ipMode) {
        m_host.RefreshAndWait();
        if (closing())
            return TTransferOutcome::Closing;
    }

    const QString id = ReadModuleIdString(m_link, m_wait);
    if (closing())
        return TTransferOutcome::Closing;
    if (id != IdentificationString) {
        setPosition(ProgressStarted);
        setColor(TProgressColor::Red);
        TTransferOutcome outcome = TTransferOutcome::Incompatible;
        if (id.isEmpty()) {
            outcome = TTransferOutcome::NoConnection;
            if (!m_wait.StopRequested)
                show(QStringLiteral("lbTXT_NO_CONNECTION"));
        } else {
            // There is no "write anyway": a foreign module would take a foreign layout.
            m_host.ShowMessage(incompatibleText(id));
        }
        m_parameterTransferActive = false;
        m_host.EnableModuleCommands();
        return outcome;
    }

    m_wait.StopRequested = false;
    std::memcpy(m_buffer.data(), m_image.bytes, ParamImage::ImageLength);

    TTransferOutcome outcome = TTransferOutcome::Success;
    const auto stopOrClosing = [this] { return m_wait.StopRequested || m_wait.Closing; };
    for (int n = 0; n < ParamImage::BlockCount; ++n) {
        if (m_wait.StopRequested) {
            outcome = TTransferOutcome::Stopped;
            break;
        }
        if (ipMode && n % RelayRefreshPeriod == RelayRefreshPhase) {
            m_host.RefreshAndWait();
            if (closing())
                return TTransferOutcome::Closing;
        }
        bool sentWhole = true;
        for (int attempt = 1; attempt <= BlockAttempts; ++attempt) {
            if (attempt > 1 && ipMode && m_host.RelayConnected()) {
                m_host.RefreshAndWait();
                if (closing())
                    return TTransferOutcome::Closing;
            }
            // Every attempt resends the whole block with its checksum computed afresh.
            sentWhole = Requests::SendBlockWrite(m_link, std::uint8_t(n),
                                                 m_buffer.data() + n * ParamImage::BlockLength, stopOrClosing);
            if (!sentWhole)
                break;
            const bool acknowledged = m_wait.WaitFor(AckWaitTicks, [this] { return m_link.BlockAckFlag; });
            if (closing())
                return TTransferOutcome::Closing;
            if (acknowledged || m_wait.StopRequested)
                break;
            qCDebug(lcTransfer) << "write of block" << n << "attempt" << attempt << "not acknowledged";
        }
        if (closing())
            return TTransferOutcome::Closing;
        if (!sentWhole) {
            // Stopped between chunks: the block does not count.
            outcome = TTransferOutcome::Stopped;
            break;
        }
        if (m_link.BlockAckFlag) {
            m_lastGoodBlock = n;
            setPosition(n + ProgressFirstBlock);
            continue;
        }
        outcome = m_wait.StopRequested ? TTransferOutcome::Stopped : TTransferOutcome::BlockFailed;
        break;
    }
    // A write that did not reach its end leaves the module with a mix of old and
    // new parameters: the bar always turns red then, also after a stop.
    if (outcome != TTransferOutcome::Success)
        setColor(TProgressColor::Red);

    if (ipMode) {
        m_host.PingAndWait(m_host.ActivityFlags());
        if (closing())
            return outcome;
    }
    m_parameterTransferActive = false;
    m_host.EnableModuleCommands();
    return outcome;
}

TTransferOutcome TModuleTransfer::spbCompareDataClick()
{
    if (m_running)
        return TTransferOutcome::Busy;
    TFlagScope running(m_running);
    TTransferActiveScope transferActive(m_parameterTransferActive);
    m_lastGoodBlock = -1;
    m_firstDifferentBlock = -1;

    m_wait.StopRequested = false;
    m_host.DisableModuleCommands();
    if (!transportUp()) {
        show(QStringLiteral("lbTXT_NO_SERIAL_CONN"));
        setColor(TProgressColor::Red);
        m_host.EnableModuleCommands();
        return TTransferOutcome::NoTransport;
    }

    transferActive.set();
    m_host.SetProgressMaximum(ProgressMaximum);
    setPosition(ProgressStarted);
    setColor(TProgressColor::Green);
    bool equal = true;

    const bool ipMode = m_host.IpMode();
    if (ipMode) {
        const bool answered = m_host.PingAndWait(ActivityFlagsIdle);
        if (closing())
            return TTransferOutcome::Closing;
        if (!answered) {
            if (!m_wait.StopRequested)
                show(QStringLiteral("lbTXT_NO_SERIAL_CONN"));
            else
                m_wait.StopRequested = false;
            m_parameterTransferActive = false;
            setColor(TProgressColor::Red);
            m_host.EnableModuleCommands();
            return TTransferOutcome::NoConnection;
        }
    }

    setPosition(ProgressLinkReady);
    if (ipMode) {
        m_host.RefreshAndWait();
        if (closing())
            return TTransferOutcome::Closing;
    }

    const QString id = ReadModuleIdString(m_link, m_wait);
    if (closing())
        return TTransferOutcome::Closing;
    if (id != IdentificationString) {
        m_host.ShowMessage(id.isEmpty() ? m_texts.text(QStringLiteral("lbTXT_NO_CONNECTION")) : incompatibleText(id));
        m_parameterTransferActive = false;
        // Left set on purpose: the relay's waits end at once until the next procedure starts.
        m_wait.StopRequested = true;
        setColor(TProgressColor::Red);
        m_host.EnableModuleCommands();
        return id.isEmpty() ? TTransferOutcome::NoConnection : TTransferOutcome::Incompatible;
    }

    m_host.BuildImageFromEditor(m_image);
    // Compare against a copy: spbOpen stays usable while the blocks are awaited.
    std::array<std::uint8_t, ParamImage::ImageLength> reference{};
    std::memcpy(reference.data(), m_image.bytes, ParamImage::ImageLength);
    m_buffer.fill(0);

    TTransferOutcome outcome = TTransferOutcome::Success;
    for (int n = 0; n < ParamImage::BlockCount; ++n) {
        if (m_wait.StopRequested) {
            equal = false;
            outcome = TTransferOutcome::Stopped;
            break;
        }
        if (ipMode && n % RelayRefreshPeriod == RelayRefreshPhase) {
            m_host.RefreshAndWait();
            if (closing())
                return TTransferOutcome::Closing;
        }
        const bool got = readBlock(n, ipMode, false);
        if (closing())
            return TTransferOutcome::Closing;
        if (!got || !blockIs(n)) {
            equal = false;
            outcome = m_wait.StopRequested ? TTransferOutcome::Stopped : TTransferOutcome::BlockFailed;
            break;
        }
        std::memcpy(m_buffer.data() + n * ParamImage::BlockLength, m_link.BlockBuffer, ParamImage::BlockLength);
        const bool blockEqual = std::memcmp(m_link.BlockBuffer, reference.data() + n * ParamImage::BlockLength,
                                            ParamImage::BlockLength) == 0;
        if (!blockEqual) {
            equal = false;
            if (m_firstDifferentBlock < 0)
                m_firstDifferentBlock = n;
        }
        m_lastGoodBlock = n;
        setPosition(n + ProgressFirstBlock);
        if (m_wait.StopRequested) {
            equal = false;
            outcome = TTransferOutcome::Stopped;
            setColor(TProgressColor::Red);
            break;
        }
        if (!blockEqual) {
            setColor(TProgressColor::Red);
            if (!m_compareWholeImage)
                break;
        }
    }
    if (outcome == TTransferOutcome::Success && !equal)
        outcome = TTransferOutcome::Different;
    if (m_wait.StopRequested || !equal)
        setColor(TProgressColor::Red);

    if (ipMode) {
        m_host.PingAndWait(m_host.ActivityFlags());
        if (closing())
            return outcome;
    }
    m_host.EnableModuleCommands();
    m_parameterTransferActive = false;
    return outcome;
}

QStringList DescribeImageDifferences(const QByteArray &reference, const QByteArray &other)
{
    QStringList out;
    const int length = int(std::min(reference.size(), other.size()));
    const auto byteAt = [](const QByteArray &a, int i) { return std::uint8_t(a.at(i)); };
    const auto differs = [&](int from, int count) {
        for (int i = from; i < from + count && i < length; ++i) {
            if (reference.at(i) != other.at(i))
                return true;
        }
        return false;
    };
    const auto offsetsIn = [&](int from, int count, const QString &what) {
        for (int i = from; i < from + count && i < length; ++i) {
            if (reference.at(i) != other.at(i))
                out << QStringLiteral("%1 offset %2").arg(what).arg(i);
        }
    };

    offsetsIn(0, std::min(ParamImage::HeaderLength, length), QStringLiteral("header"));

    int p = ParamImage::HeaderLength;
    while (p + ParamImage::RecordHeaderLength <= length) {
        const std::uint8_t first = byteAt(reference, p);
        if (first == 0x00 || first == 0xFF)
            break;
        const int dimension = byteAt(reference, p + 16);
        const int elementSize = byteAt(reference, p + 17) * 256 + byteAt(reference, p + 18);
        const int size = dimension * elementSize;
        if (size == 0)
            break;
        const QString name = QString::fromLatin1(reference.mid(p, ParamImage::NameLength)).trimmed();
        if (differs(p, ParamImage::RecordHeaderLength))
            out << QStringLiteral("%1 (record header)").arg(name);
        const int payload = p + ParamImage::RecordHeaderLength;
        for (int e = 0; e < dimension; ++e) {
            if (differs(payload + e * elementSize, elementSize))
                out << QStringLiteral("%1[%2]").arg(name).arg(e);
        }
        p = payload + size;
    }
    if (p < length)
        offsetsIn(p, length - p, QStringLiteral("padding"));
    if (reference.size() != other.size())
        out << QStringLiteral("length %1 <> %2").arg(reference.size()).arg(other.size());
    return out;
}

bool WriteParamFile(const QString &path, const TParamImage &image, QString *error)
{
    QSaveFile file(path);
    const auto fail = [&](const QString &why) {
        qCDebug(lcTransfer) << "saving" << path << "failed:" << why;
        if (error)
            *error = why;
        file.cancelWriting();
        return false;
    };
    // Unbuffered: a buffered QSaveFile can lose the tail of a short write (disk
    // full, file size limit) and still commit; here every write is checked.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());
    const char *data = reinterpret_cast<const char *>(image.bytes);
    qint64 written = 0;
    while (written < ParamImage::ImageLength) {
        const qint64 n = file.write(data + written, ParamImage::ImageLength - written);
        if (n <= 0) {
            const QString why = file.errorString();
            return fail(why.isEmpty() || file.error() == QFileDevice::NoError
                            ? QStringLiteral("only %1 of %2 bytes could be written").arg(written).arg(ParamImage::ImageLength)
                            : why);
        }
        written += n;
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

TParamFileRead ReadParamFile(const QString &path, QByteArray *data, QString *error)
{
    QFile file(path);
    const auto fail = [&](TParamFileRead result, const QString &why) {
        qCDebug(lcTransfer) << "reading" << path << "failed:" << why;
        if (error)
            *error = why;
        return result;
    };
    if (!file.open(QIODevice::ReadOnly))
        return fail(TParamFileRead::CannotOpen, file.errorString());
    QByteArray bytes;
    // Read in a loop: a pipe or a slow device may hand over less than asked.
    while (bytes.size() < ParamFile::MaxLoadBytes) {
        const QByteArray part = file.read(ParamFile::MaxLoadBytes - bytes.size());
        if (part.isEmpty()) {
            if (file.error() != QFileDevice::NoError)
                return fail(TParamFileRead::Unreadable, file.errorString());
            break;
        }
        bytes += part;
    }
    if (bytes.size() < ParamImage::HeaderLength)
        return fail(TParamFileRead::Unreadable, QStringLiteral("the file holds %1 bytes, fewer than the %2-byte header")
                                                    .arg(bytes.size()).arg(ParamImage::HeaderLength));
    if (data)
        *data = bytes;
    return TParamFileRead::Ok;
}
