// The relay steps of the module procedures in IP mode: the keep-alives before
// every fifth block and before a repeated request, the activity announcements
// around a transfer, and what a relay that does not answer leads to. A small
// in-process module answers the link's requests, so the order of relay calls and
// requests can be checked exactly.

#include "TransferTestHost.h"

#include "app/AppCore.h"
#include "link/Requests.h"

#include <QSet>
#include <QTimer>
#include <QtTest>

#include <cstring>

namespace {

// Answers BLOCK_READ and acknowledges block writes, asynchronously like a line.
struct TScriptedModule
{
    TLink &Link;
    QObject Context;
    std::uint8_t Image[ParamImage::ImageLength] = {};
    QSet<int> DropOnce;        // block reads left unanswered once
    QStringList *Events = nullptr;

    explicit TScriptedModule(TLink &link, QStringList *events) : Link(link), Events(events)
    {
        TParamImage built;
        built.InitImageHeader();
        built.ReserveField("FILLER", ParamImage::FLD_BYTES, 1, 2623 - 64 - ParamImage::RecordHeaderLength);
        built.PadImage();
        std::memcpy(Image, built.bytes, sizeof Image);
        Link.setTransmitter([this](const QByteArray &frame) { return receive(frame); });
    }

    void feed(const QByteArray &plain) { Link.ReceiveLinkBytes(Link.BuildWireFrame(plain)); }

    bool receive(const QByteArray &frame)
    {
        const QByteArray plain = Link.DecryptPlainBlock(frame.mid(1, Link::PlainBlockSize));
        const auto type = std::uint8_t(plain.at(1));
        if (type == Link::BLOCK_READ) {
            const int n = std::uint8_t(plain.at(13));
            *Events << QStringLiteral("read %1").arg(n);
            if (DropOnce.remove(n))
                return true;
            QTimer::singleShot(0, &Context, [this, n] { answerBlock(n); });
        } else if (type == Link::BLOCK_WRITE) {
            *Events << QStringLiteral("write %1").arg(std::uint8_t(plain.at(13)));
        } else if (type == Link::BLOCK_WRITE_CHUNK && plain.at(2) == 5) {
            QTimer::singleShot(0, &Context, [this] {
                const std::uint8_t args[5] = {0, 0, 0, 0, 0x40};
                feed(TLink::BuildShortPlainBlock(Link::BLOCK_WRITE_ACK, 0, args));
            });
        }
        return true;
    }

    void answerBlock(int n)
    {
        const std::uint8_t header[5] = {0, 0, 0, std::uint8_t(n), 0x40};
        feed(TLink::BuildShortPlainBlock(Link::BLOCK_READ_HEADER, 0, header));
        for (Requests::LongRequest chunk : Requests::BlockWriteChunks(Image + n * ParamImage::BlockLength)) {
            chunk.type = Link::BLOCK_READ_CHUNK; // the module's chunks share the layout
            feed(chunk.plainBlock());
        }
    }
};

// A host in IP mode whose relay calls are recorded in the same list as the requests.
class TIpHost : public TTransferTestHost
{
public:
    TIpHost(bool &transferActive, QStringList &events) : m_active(transferActive), m_events(events) {}

    bool Connected = true;
    bool PingAnswers = true;
    // Set to have STOP pressed while the ping waits.
    bool *StopDuringPing = nullptr;

    bool TransportUp() override { return Connected; }
    bool IpMode() override { return true; }
    bool RelayConnected() override { return Connected; }
    bool PingAndWait(int activityFlags) override
    {
        m_events << QStringLiteral("ping %1").arg(activityFlags);
        if (StopDuringPing)
            *StopDuringPing = true;
        return PingAnswers;
    }
    void RefreshAndWait() override { m_events << QStringLiteral("refresh"); }
    int ActivityFlags() override { return m_active ? 7 : 3; }

private:
    bool &m_active;
    QStringList &m_events;
};

struct TIpBench
{
    TAppCore Core;
    QStringList Events;
    TScriptedModule Module{Core.Link, &Events};
    TIpHost Host{Core.Session.ParameterTransferActive, Events};
    TModuleTransfer Transfer{Core.Wait, Core.Texts, Core.Image, Core.Link, Core.Session.ParameterTransferActive, Host};

    ~TIpBench() { Core.Link.setTransmitter({}); }
};

// The events of a complete transfer: announcement, keep-alive, identification,
// blocks with a keep-alive before 4, 9, ..., 39, and the closing announcement.
QStringList expectedEvents(const QString &perBlock, const QSet<int> &dropped)
{
    QStringList e{QStringLiteral("ping 3"), QStringLiteral("refresh"), QStringLiteral("read 0")};
    for (int n = 0; n < ParamImage::BlockCount; ++n) {
        if (n % 5 == 4)
            e << QStringLiteral("refresh");
        e << perBlock.arg(n);
        if (dropped.contains(n))
            e << QStringLiteral("refresh") << perBlock.arg(n); // second attempt
    }
    e << QStringLiteral("ping 7");
    return e;
}

} // namespace

class TestTransferIpSteps : public QObject
{
    Q_OBJECT
private slots:
    void readKeepsTheRelayAlive();
    void writeAndCompareKeepTheRelayAlive_data();
    void writeAndCompareKeepTheRelayAlive();
    void relayDoesNotAnswer_data();
    void relayDoesNotAnswer();
    void relayNotConnected();
};

void TestTransferIpSteps::readKeepsTheRelayAlive()
{
    TIpBench b;
    b.Module.DropOnce = {6};   // one lost answer: a keep-alive, then the block again
    QCOMPARE(b.Transfer.spbReadModuleClick(), TTransferOutcome::Success);
    QCOMPARE(b.Events, expectedEvents(QStringLiteral("read %1"), {6}));
    QCOMPARE(b.Host.Position, ModuleTransfer::ProgressMaximum);
    QVERIFY(!b.Host.isRed());
    QVERIFY(!b.Core.Session.ParameterTransferActive);
    QCOMPARE(std::memcmp(b.Core.Image.bytes, b.Module.Image, ModuleTransfer::CopiedBlockCount * ParamImage::BlockLength), 0);
}

void TestTransferIpSteps::writeAndCompareKeepTheRelayAlive_data()
{
    QTest::addColumn<bool>("write");
    QTest::newRow("write") << true;
    QTest::newRow("compare") << false;
}

void TestTransferIpSteps::writeAndCompareKeepTheRelayAlive()
{
    QFETCH(bool, write);
    TIpBench b;
    // Without an editor the image is the parameter set: the module's own.
    std::memcpy(b.Core.Image.bytes, b.Module.Image, ParamImage::ImageLength);
    const TTransferOutcome outcome = write ? b.Transfer.spbWriteModuleClick() : b.Transfer.spbCompareDataClick();
    QCOMPARE(outcome, TTransferOutcome::Success);
    QCOMPARE(b.Events, expectedEvents(write ? QStringLiteral("write %1") : QStringLiteral("read %1"), {}));
    QCOMPARE(b.Host.Position, ModuleTransfer::ProgressMaximum);
    QVERIFY(!b.Core.Session.ParameterTransferActive);
}

void TestTransferIpSteps::relayDoesNotAnswer_data()
{
    QTest::addColumn<int>("proc");         // 0 read, 1 write, 2 compare
    QTest::addColumn<bool>("stopPressed");
    QTest::addColumn<QString>("messageKey");
    QTest::addColumn<bool>("stopLeftSet");

    QTest::newRow("read") << 0 << false << "lbTXT_NO_CONNECTION" << false;
    QTest::newRow("write") << 1 << false << "lbTXT_NO_CONNECTION" << false;
    QTest::newRow("compare") << 2 << false << "lbTXT_NO_SERIAL_CONN" << false;
    // A STOP press during the ping: read and compare clear it instead of the message,
    // write shows nothing and leaves it.
    QTest::newRow("read, stopped") << 0 << true << "" << false;
    QTest::newRow("write, stopped") << 1 << true << "" << true;
    QTest::newRow("compare, stopped") << 2 << true << "" << false;
}

void TestTransferIpSteps::relayDoesNotAnswer()
{
    QFETCH(int, proc);
    QFETCH(bool, stopPressed);
    QFETCH(QString, messageKey);
    QFETCH(bool, stopLeftSet);

    TIpBench b;
    std::memcpy(b.Core.Image.bytes, b.Module.Image, ParamImage::ImageLength);
    b.Host.PingAnswers = false;
    if (stopPressed)
        b.Host.StopDuringPing = &b.Core.Wait.StopRequested;

    const TTransferOutcome outcome = proc == 0 ? b.Transfer.spbReadModuleClick()
                                   : proc == 1 ? b.Transfer.spbWriteModuleClick()
                                               : b.Transfer.spbCompareDataClick();
    QCOMPARE(outcome, TTransferOutcome::NoConnection);
    QCOMPARE(b.Events, QStringList{QStringLiteral("ping 3")});
    QCOMPARE(b.Host.Position, ModuleTransfer::ProgressStarted);
    QVERIFY(b.Host.isRed());
    QVERIFY(!b.Core.Session.ParameterTransferActive);
    QVERIFY(b.Host.CommandsEnabled);
    if (messageKey.isEmpty())
        QVERIFY(b.Host.Messages.isEmpty());
    else
        QCOMPARE(b.Host.Messages, QStringList{b.Core.Texts.text(messageKey)});
    QCOMPARE(b.Core.Wait.StopRequested, stopLeftSet);
}

void TestTransferIpSteps::relayNotConnected()
{
    TIpBench b;
    b.Host.Connected = false;
    QCOMPARE(b.Transfer.spbReadModuleClick(), TTransferOutcome::NoTransport);
    QVERIFY(b.Events.isEmpty());
    QCOMPARE(b.Host.Messages, QStringList{b.Core.Texts.text(QStringLiteral("lbTXT_NO_SERIAL_CONN"))});
    QVERIFY(b.Host.isRed());
}

QTEST_MAIN(TestTransferIpSteps)
#include "tst_transfer_ipsteps.moc"
