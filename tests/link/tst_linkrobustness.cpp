// Megabytes of noise with valid frames mixed in: every valid frame is found once
// and causes exactly what it causes without the noise; noise full of frame
// delimiters never crashes the link and never hides a valid frame.

#include "LinkFixture.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

using namespace LinkTest;

namespace {
constexpr quint32 Seed = 0x4D6F7276; // fixed: the same stream on every run
constexpr int MinGap = Link::WireFrameSize - 1;

QByteArray randomBytes(QRandomGenerator &rng, int n)
{
    QByteArray a(n, '\0');
    for (int i = 0; i < n; ++i)
        a[i] = char(rng.bounded(256));
    return a;
}

// A realistic mix of replies, in groups that belong together.
QList<QByteArray> replyMix(QRandomGenerator &rng, int groups)
{
    QList<QByteArray> frames;
    LinkFixture helper;
    for (int g = 0; g < groups; ++g) {
        switch (g % 9) {
        case 0:
            frames.append(reply(0x31, "line " + QByteArray::number(g)));
            break;
        case 1:
            frames.append(reply(0x22, QByteArray(9, 'z') + "ST" + QByteArray::number(g % 100)));
            break;
        case 2:
            frames.append(result(Link::COMMAND, Link::RES_STATUS, randomBytes(rng, 3)));
            break;
        case 3:
            frames.append(result(Link::COMMAND, std::uint8_t(1 + rng.bounded(7))));
            break;
        case 4:
            frames.append(helper.blockReply(std::uint8_t(rng.bounded(42)), randomBytes(rng, 64)));
            break;
        case 5: {
            const QByteArray number = randomBytes(rng, 2);
            frames.append(result(Link::RECORD_START, Link::RES_EVENT_RECORD, number));
            for (int i = 0; i < 3; ++i)
                frames.append(reply(Link::COMMAND, randomBytes(rng, 13)));
            break;
        }
        case 6:
            frames.append(result(Link::RECORD_START, Link::RES_STATUS_EXT, randomBytes(rng, 3)));
            frames.append(reply(Link::COMMAND, randomBytes(rng, 13)));
            break;
        case 7:
            frames.append(reply(Link::SERVICE, QByteArray(9, '\0') + char(rng.bounded(2))));
            frames.append(reply(Link::BLOCK_WRITE_ACK, QByteArray(12, '\0') + char(0x40)));
            break;
        default:
            frames.append(reply(0x35, randomBytes(rng, 13)));
            break;
        }
    }
    return frames;
}

QStringList memoLines(const LinkFixture &f)
{
    QStringList out;
    for (const auto &m : f.memos)
        out.append(QStringLiteral("%1|%2|%3").arg(int(m.target)).arg(m.text).arg(m.force));
    return out;
}

QByteArray stateOf(const TLink &l)
{
    QByteArray s;
    s += QByteArray(reinterpret_cast<const char *>(l.StatusRecord), sizeof l.StatusRecord);
    s += QByteArray(reinterpret_cast<const char *>(l.EventRecordBuffer), sizeof l.EventRecordBuffer);
    s += QByteArray(reinterpret_cast<const char *>(l.BlockBuffer), sizeof l.BlockBuffer);
    s += QByteArray(reinterpret_cast<const char *>(l.VersionBlock), sizeof l.VersionBlock);
    s += char(l.BlockCompleteFlag) + char(l.BlockAckFlag) + char(l.PasswordAcceptedFlag) + char(l.EventTransferState);
    s += QByteArray::number(l.BlockAddress) + ',' + QByteArray::number(l.EventNumber);
    return s;
}
} // namespace

class TestLinkRobustness : public QObject
{
    Q_OBJECT
private slots:
    void framesInNoiseWithoutDelimiters();
    void noiseFullOfDelimiters();
    void randomRepliesOfEveryType();
};

void TestLinkRobustness::framesInNoiseWithoutDelimiters()
{
    QRandomGenerator rng(Seed);
    const QList<QByteArray> plains = replyMix(rng, 1200);

    // Reference: the same replies handed straight to the dispatcher.
    LinkFixture reference;
    for (const auto &p : plains) {
        std::memcpy(reference.link.ReceptionBuffer, p.constData(), 16);
        reference.link.DispatchReply();
    }

    // The noise holds no '{' and no '}', and at least 17 bytes separate two frames,
    // so the only candidates in the stream are the valid frames themselves.
    LinkFixture f;
    QByteArray stream;
    stream.reserve(5 * 1024 * 1024);
    for (const auto &p : plains) {
        const int gap = MinGap + int(rng.bounded(3400));
        for (int i = 0; i < gap; ++i) {
            char c;
            do
                c = char(rng.bounded(256));
            while (c == '{' || c == '}');
            stream += c;
        }
        stream += f.link.BuildWireFrame(p);
    }
    QVERIFY2(stream.size() > 3 * 1024 * 1024, "several megabytes of stream");

    QElapsedTimer clock;
    clock.start();
    f.link.ReceiveLinkBytes(stream);
    const qint64 ms = clock.elapsed();
    qInfo("%lld bytes in %lld ms", qint64(stream.size()), ms);

    QCOMPARE(f.dispatched.size(), plains.size());
    for (int i = 0; i < plains.size(); ++i)
        QCOMPARE(hexText(f.dispatched.at(i)), hexText(plains.at(i)));
    QCOMPARE(memoLines(f), memoLines(reference));
    QCOMPARE(f.messages, reference.messages);
    QCOMPARE(f.sent, reference.sent);
    QCOMPARE((QList<int>{f.statusCount, f.eventRecordCount, f.blockCount, f.passwordRequiredCount,
                         f.passwordAcceptedCount, f.passwordChangedCount, f.eventsErasedCount}),
             (QList<int>{reference.statusCount, reference.eventRecordCount, reference.blockCount,
                         reference.passwordRequiredCount, reference.passwordAcceptedCount,
                         reference.passwordChangedCount, reference.eventsErasedCount}));
    QCOMPARE(stateOf(f.link), stateOf(reference.link));
    // The mix really exercised the handlers.
    QVERIFY(reference.blockCount > 100);
    QVERIFY(reference.eventRecordCount > 100);
    QVERIFY(reference.statusCount > 100);
}

void TestLinkRobustness::noiseFullOfDelimiters()
{
    QRandomGenerator rng(Seed + 1);
    const QList<QByteArray> plains = replyMix(rng, 600);

    // A quarter of the noise bytes are '{' or '}': many candidates, a few of
    // which may even decrypt to '[' ... ']' and be dispatched as replies.
    LinkFixture f;
    QByteArray stream;
    for (const auto &p : plains) {
        const int gap = int(rng.bounded(2000)); // sometimes frames back to back
        for (int i = 0; i < gap; ++i) {
            const quint32 r = rng.bounded(8);
            stream += r == 0 ? '{' : r == 1 ? '}' : char(rng.bounded(256));
        }
        stream += f.link.BuildWireFrame(p);
    }
    stream += randomBytes(rng, 100000);
    f.link.ReceiveLinkBytes(stream);

    // Every valid frame was found, in order, among whatever else was accepted.
    int next = 0;
    for (const auto &d : f.dispatched)
        if (next < plains.size() && d == plains.at(next))
            ++next;
    QCOMPARE(next, plains.size());
    QVERIFY(f.dispatched.size() >= plains.size());
}

void TestLinkRobustness::randomRepliesOfEveryType()
{
    // Well-formed replies with random content, mostly of the multi-frame kinds,
    // drive the transfer states through every combination; the sanitizer build
    // checks that no buffer is ever written out of bounds.
    static const std::uint8_t types[] = {Link::COMMAND, 0x64, Link::RECORD_START, Link::BLOCK_READ_HEADER,
                                         Link::BLOCK_READ_CHUNK, Link::BLOCK_WRITE_ACK, Link::SERVICE,
                                         Link::TEXT_COMMENT_LONG, Link::TEXT_DTMF, 0x73, 0x00, 0xFF};
    QRandomGenerator rng(Seed + 2);
    LinkFixture f;
    for (int n = 0; n < 200000; ++n) {
        QByteArray payload = randomBytes(rng, 13);
        if (rng.bounded(2)) {
            payload[8] = '#';
            payload[9] = char(rng.bounded(9));
        }
        if (rng.bounded(2))
            payload[0] = char(rng.bounded(7)); // a plausible chunk number
        const QByteArray plain = reply(types[rng.bounded(int(sizeof types))], payload);
        std::memcpy(f.link.ReceptionBuffer, plain.constData(), 16);
        f.link.DispatchReply();
        // Whatever the noise left half done, a clean block that follows arrives whole.
        if (n % 20000 == 19999) {
            QByteArray block(Link::BlockSize, '\0');
            for (int i = 0; i < block.size(); ++i)
                block[i] = char(0xC0 ^ i);
            const int blocksBefore = f.blockCount;
            f.link.BlockCompleteFlag = false;
            for (const QByteArray &frame : f.blockReply(17, block)) {
                std::memcpy(f.link.ReceptionBuffer, frame.constData(), 16);
                f.link.DispatchReply();
            }
            QVERIFY2(f.link.BlockCompleteFlag, qPrintable(QString("after %1 random replies").arg(n + 1)));
            QCOMPARE(f.link.BlockAddress, std::uint16_t(17 * 64));
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(f.link.BlockBuffer), 64).toHex(), block.toHex());
            QCOMPARE(f.blockCount, blocksBefore + 1);
        }
    }
    QVERIFY(f.eventRecordCount > 0);
}

QTEST_GUILESS_MAIN(TestLinkRobustness)
#include "tst_linkrobustness.moc"
