#include "params/ModuleTransfer.h"

#include "common/Morvo3Texts.h"
#include "common/WaitContext.h"
#include "link/Communication.h"
#include "link/Identification.h"
#include "link/Requests.h"
#include "params/FieldCatalogue.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <algorithm>
#include <cstring>
#include <functional>

Q_LOGGING_CATEGORY(lcTransfer, "morvo3.params", QtWarningMsg)

namespace {

using namespace ModuleTransfer;

// Marks a procedure as running for the lifetime of a scope and, whatever path
// leaves it (also the early return of an owner closing in the middle of a
// wait), as ended: running cleared and ParameterTransferActive down.
class TProcedureScope
{
public:
    TProcedureScope(bool &running, bool &transferActive) : m_running(running), m_transferActive(transferActive)
    {
        m_running = true;
    }
    ~TProcedureScope()
    {
        m_running = false;
        m_transferActive = false;
    }
    TProcedureScope(const TProcedureScope &) = delete;
    TProcedureScope &operator=(const TProcedureScope &) = delete;
private:
    bool &m_running;
    bool &m_transferActive;
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
    case TTransferOutcome::NothingToRead: return QStringLiteral("nothing to read");
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

QByteArray TModuleTransfer::ComparedEditorImage() const
{
    return QByteArray(reinterpret_cast<const char *>(m_comparedEditor.data()), int(m_comparedEditor.size()));
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

TTransferOutcome TModuleTransfer::endRed(TTransferOutcome outcome)
{
    m_parameterTransferActive = false;
    setColor(TProgressColor::Red);
    m_host.EnableModuleCommands();
    return outcome;
}

bool TModuleTransfer::relayStepDue() const
{
    return m_ipMode && (m_relaySteps == TRelaySteps::InIpMode || m_host.RelayConnected());
}

std::optional<TTransferOutcome> TModuleTransfer::reachModule(TRelaySteps relaySteps, const QString &noAnswerKey,
                                                             bool clearStop, QString &id)
{
    if (!m_host.TransportUp()) {
        show(QStringLiteral("lbTXT_NO_SERIAL_CONN"));
        return endRed(TTransferOutcome::NoTransport);
    }
    m_parameterTransferActive = true;
    m_ipMode = m_host.IpMode();
    m_relaySteps = relaySteps;
    m_host.SetProgressMaximum(ProgressMaximum);
    setPosition(ProgressStarted);
    setColor(TProgressColor::Green);

    if (m_ipMode) {
        const bool answered = m_host.PingAndWait(ActivityFlagsIdle);
        if (closing())
            return TTransferOutcome::Closing;
        if (!answered) {
            if (!m_wait.StopRequested)
                show(noAnswerKey);
            else if (clearStop)
                m_wait.StopRequested = false;
            return endRed(TTransferOutcome::NoConnection);
        }
    }
    setPosition(ProgressLinkReady);
    if (relayStepDue()) {
        m_host.RefreshAndWait();
        if (closing())
            return TTransferOutcome::Closing;
    }

    id = ReadModuleIdString(m_link, m_wait);
    if (closing())
        return TTransferOutcome::Closing;
    return std::nullopt;
}

bool TModuleTransfer::refreshBeforeBlock(int n)
{
    if (n % RelayRefreshPeriod == RelayRefreshPhase && relayStepDue())
        m_host.RefreshAndWait();
    return !closing();
}

bool TModuleTransfer::refreshBeforeRetry()
{
    if (m_ipMode && m_host.RelayConnected())
        m_host.RefreshAndWait();
    return !closing();
}

TTransferOutcome TModuleTransfer::exchangeBlock(int n, const std::function<bool()> &send, int waitTicks,
                                                const std::function<bool()> &done)
{
    if (m_wait.StopRequested)
        return TTransferOutcome::Stopped;
    if (!refreshBeforeBlock(n))
        return TTransferOutcome::Closing;
    for (int attempt = 1; attempt <= BlockAttempts; ++attempt) {
        if (attempt > 1 && !refreshBeforeRetry())
            return TTransferOutcome::Closing;
        if (!send())
            return closing() ? TTransferOutcome::Closing : TTransferOutcome::Stopped;
        const bool got = m_wait.WaitFor(waitTicks, done);
        if (closing())
            return TTransferOutcome::Closing;
        if (got || m_wait.StopRequested)
            break;
        qCDebug(lcTransfer) << "block" << n << "attempt" << attempt << "got no answer";
    }
    if (done())
        return TTransferOutcome::Success;
    return m_wait.StopRequested ? TTransferOutcome::Stopped : TTransferOutcome::BlockFailed;
}

TTransferOutcome TModuleTransfer::receiveBlock(int n)
{
    const auto send = [this, n] {
        m_link.BlockCompleteFlag = false;
        Requests::SendBlockRead(m_link, std::uint8_t(n));
        return true;
    };
    const int waitTicks = relayStepDue() ? BlockWaitTicksIp : BlockWaitTicksUsb;
    const TTransferOutcome outcome = exchangeBlock(n, send, waitTicks, [this] { return m_link.BlockCompleteFlag; });
    if (outcome != TTransferOutcome::Success)
        return outcome;
    // A block with another number is not asked again: the module is out of step.
    if (m_link.BlockAddress != std::uint16_t(n * Link::BlockSize)) {
        qCDebug(lcTransfer) << "block" << n << "answered with address" << m_link.BlockAddress;
        return m_wait.StopRequested ? TTransferOutcome::Stopped : TTransferOutcome::BlockFailed;
    }
    std::memcpy(m_buffer.data() + n * ParamImage::BlockLength, m_link.BlockBuffer, ParamImage::BlockLength);
    return TTransferOutcome::Success;
}

TTransferOutcome TModuleTransfer::sendBlock(int n)
{
    // Every attempt resends the whole block with its checksum computed afresh;
    // STOP between chunks ends it before the last chunk goes out.
    const auto send = [this, n] {
        return Requests::SendBlockWrite(m_link, std::uint8_t(n), m_buffer.data() + n * ParamImage::BlockLength, m_wait);
    };
    return exchangeBlock(n, send, AckWaitTicks, [this] { return m_link.BlockAckFlag; });
}

void TModuleTransfer::blockDone(int n)
{
    m_lastGoodBlock = n;
    setPosition(n + ProgressFirstBlock);
}

TTransferOutcome TModuleTransfer::finish(TTransferOutcome outcome)
{
    if (relayStepDue()) {
        // Announced while ParameterTransferActive is still set (activity flags 7).
        m_host.PingAndWait(m_host.ActivityFlags());
        if (closing())
            return outcome;
    }
    m_parameterTransferActive = false;
    m_host.EnableModuleCommands();
    return outcome;
}

TTransferOutcome TModuleTransfer::run(TTransferOutcome (TModuleTransfer::*procedure)())
{
    if (m_running)
        return TTransferOutcome::Busy;
    TProcedureScope scope(m_running, m_parameterTransferActive);
    m_lastGoodBlock = -1;
    m_firstDifferentBlock = -1;
    m_wait.StopRequested = false;
    m_host.DisableModuleCommands();
    return (this->*procedure)();
}

TTransferOutcome TModuleTransfer::spbReadModuleClick()
{
    return run(&TModuleTransfer::readModule);
}

TTransferOutcome TModuleTransfer::spbWriteModuleClick()
{
    return run(&TModuleTransfer::writeModule);
}

TTransferOutcome TModuleTransfer::spbCompareDataClick()
{
    return run(&TModuleTransfer::compareWithModule);
}

TTransferOutcome TModuleTransfer::ReadRestAfterCompare()
{
    if (m_running)
        return TTransferOutcome::Busy;
    if (m_compareStopBlock < 0)
        return TTransferOutcome::NothingToRead;
    return run(&TModuleTransfer::readRestOfModule);
}

TTransferOutcome TModuleTransfer::readModule()
{
    m_compareStopBlock = -1;
    QString id;
    if (const auto ended = reachModule(TRelaySteps::WhileConnected, QStringLiteral("lbTXT_NO_CONNECTION"), true, id))
        return *ended;
    if (id.isEmpty()) {
        if (!m_wait.StopRequested)
            show(QStringLiteral("lbTXT_NO_CONNECTION"));
        else
            m_wait.StopRequested = false;
        return endRed(TTransferOutcome::NoConnection);
    }
    if (id != IdentificationString) {
        const QString question = incompatibleText(id) + QStringLiteral("   ")
            + m_texts.text(QStringLiteral("lbTXT_READ_DATA_ANYHOW"));
        const bool anyway = m_host.AskYesCancel(question);
        if (closing())
            return TTransferOutcome::Closing;
        if (!anyway)
            return endRed(TTransferOutcome::Cancelled);
        setColor(TProgressColor::Green);
    }

    m_image.ClearImage();
    m_buffer.fill(0);
    TTransferOutcome outcome = TTransferOutcome::Success;
    for (int n = 0; n < ParamImage::BlockCount && outcome == TTransferOutcome::Success; ++n) {
        outcome = receiveBlock(n);
        if (outcome != TTransferOutcome::Success)
            break;
        blockDone(n);
        if (m_wait.StopRequested)
            outcome = TTransferOutcome::Stopped;
    }
    if (outcome == TTransferOutcome::Closing)
        return outcome;

    if (outcome == TTransferOutcome::Success) {
        std::memcpy(m_image.bytes, m_buffer.data(), CopiedBlockCount * ParamImage::BlockLength);
        m_host.LoadEditorFromImage(m_image);
    } else {
        setColor(TProgressColor::Red);
    }
    return finish(outcome);
}

TTransferOutcome TModuleTransfer::writeModule()
{
    // The module may change: what an earlier compare received no longer holds.
    m_compareStopBlock = -1;
    m_host.BuildImageFromEditor(m_image);
    if (!m_image.IsImageValid()) {
        // The bar is left as it is: nothing was attempted.
        show(QStringLiteral("lbTXT_CANNOT_SEND_DATA"));
        m_host.EnableModuleCommands();
        return TTransferOutcome::InvalidImage;
    }
    QString id;
    if (const auto ended = reachModule(TRelaySteps::InIpMode, QStringLiteral("lbTXT_NO_CONNECTION"), false, id))
        return *ended;
    if (id != IdentificationString) {
        setPosition(ProgressStarted);
        if (id.isEmpty()) {
            if (!m_wait.StopRequested)
                show(QStringLiteral("lbTXT_NO_CONNECTION"));
            return endRed(TTransferOutcome::NoConnection);
        }
        // There is no "write anyway": a foreign module would take a foreign layout.
        m_host.ShowMessage(incompatibleText(id));
        return endRed(TTransferOutcome::Incompatible);
    }

    m_wait.StopRequested = false;
    std::memcpy(m_buffer.data(), m_image.bytes, ParamImage::ImageLength);
    TTransferOutcome outcome = TTransferOutcome::Success;
    for (int n = 0; n < ParamImage::BlockCount && outcome == TTransferOutcome::Success; ++n) {
        outcome = sendBlock(n);
        if (outcome == TTransferOutcome::Success)
            blockDone(n);
    }
    if (outcome == TTransferOutcome::Closing)
        return outcome;
    // A write that did not reach its end leaves the module with a mix of old and
    // new parameters: the bar always turns red then, also after a stop.
    if (outcome != TTransferOutcome::Success)
        setColor(TProgressColor::Red);
    return finish(outcome);
}

TTransferOutcome TModuleTransfer::compareWithModule()
{
    m_compareStopBlock = -1;
    QString id;
    if (const auto ended = reachModule(TRelaySteps::InIpMode, QStringLiteral("lbTXT_NO_SERIAL_CONN"), true, id))
        return *ended;
    if (id != IdentificationString) {
        m_host.ShowMessage(id.isEmpty() ? m_texts.text(QStringLiteral("lbTXT_NO_CONNECTION")) : incompatibleText(id));
        // Left set on purpose: the relay's waits end at once until the next procedure starts.
        m_wait.StopRequested = true;
        return endRed(id.isEmpty() ? TTransferOutcome::NoConnection : TTransferOutcome::Incompatible);
    }

    m_host.BuildImageFromEditor(m_image);
    // Compare against a copy: spbOpen stays usable while the blocks are awaited.
    std::array<std::uint8_t, ParamImage::ImageLength> reference{};
    std::memcpy(reference.data(), m_image.bytes, ParamImage::ImageLength);
    m_buffer.fill(0);

    bool equal = true;
    TTransferOutcome outcome = TTransferOutcome::Success;
    for (int n = 0; n < ParamImage::BlockCount && outcome == TTransferOutcome::Success; ++n) {
        outcome = receiveBlock(n);
        if (outcome != TTransferOutcome::Success)
            break;
        const int offset = n * ParamImage::BlockLength;
        const bool blockEqual =
            std::memcmp(m_buffer.data() + offset, reference.data() + offset, ParamImage::BlockLength) == 0;
        if (!blockEqual && equal) {
            equal = false;
            m_firstDifferentBlock = n;
        }
        blockDone(n);
        if (m_wait.StopRequested)
            outcome = TTransferOutcome::Stopped;
        else if (!blockEqual) {
            setColor(TProgressColor::Red);
            if (!m_compareWholeImage)
                break;
        }
    }
    if (outcome == TTransferOutcome::Closing)
        return outcome;
    if (outcome == TTransferOutcome::Success && !equal) {
        outcome = TTransferOutcome::Different;
        if (!m_compareWholeImage) {
            // Kept for ReadRestAfterCompare: the blocks up to the differing one as
            // the module sent them, and the editor's image they were compared with.
            m_compareStopBlock = m_firstDifferentBlock;
            m_comparedModule = m_buffer;
            m_comparedEditor = reference;
        }
    }
    if (outcome != TTransferOutcome::Success)
        setColor(TProgressColor::Red);
    return finish(outcome);
}

TTransferOutcome TModuleTransfer::readRestOfModule()
{
    QString id;
    if (const auto ended = reachModule(TRelaySteps::InIpMode, QStringLiteral("lbTXT_NO_SERIAL_CONN"), true, id))
        return *ended;
    if (id != IdentificationString) {
        m_host.ShowMessage(id.isEmpty() ? m_texts.text(QStringLiteral("lbTXT_NO_CONNECTION")) : incompatibleText(id));
        return endRed(id.isEmpty() ? TTransferOutcome::NoConnection : TTransferOutcome::Incompatible);
    }

    const int from = m_compareStopBlock;
    m_buffer = m_comparedModule;
    std::fill(m_buffer.begin() + from * ParamImage::BlockLength, m_buffer.end(), std::uint8_t(0));
    if (from > 0)
        setPosition(from - 1 + ProgressFirstBlock);
    TTransferOutcome outcome = TTransferOutcome::Success;
    for (int n = from; n < ParamImage::BlockCount; ++n) {
        outcome = receiveBlock(n);
        if (outcome != TTransferOutcome::Success)
            break;
        blockDone(n);
        if (m_wait.StopRequested) {
            outcome = TTransferOutcome::Stopped;
            break;
        }
    }
    if (outcome == TTransferOutcome::Closing)
        return outcome;
    if (outcome != TTransferOutcome::Success)
        setColor(TProgressColor::Red);
    return finish(outcome);
}

QStringList DescribeImageDifferences(const QByteArray &reference, const QByteArray &other)
{
    using Where = FieldCatalogue::TFieldDifference::Where;
    QStringList out;
    for (const FieldCatalogue::TFieldDifference &d : FieldCatalogue::ListFieldDifferences(other, reference)) {
        switch (d.where) {
        case Where::Element: out << QStringLiteral("%1[%2]").arg(d.field).arg(d.index); break;
        case Where::RecordHeader: out << QStringLiteral("%1 (record header)").arg(d.field); break;
        case Where::Header: out << QStringLiteral("header offset %1").arg(d.index); break;
        case Where::Padding: out << QStringLiteral("padding offset %1").arg(d.index); break;
        }
    }
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
