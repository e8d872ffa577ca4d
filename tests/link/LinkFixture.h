#pragma once
// A fresh link with a fixed test key, a transmitter that keeps every wire frame,
// and a record of everything the link told the outside world.

#include "common/Morvo3Texts.h"
#include "link/Communication.h"
#include "link/Requests.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace LinkTest {

inline constexpr std::uint8_t TestKey[16] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                             0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};

// Hex text to bytes; blanks are ignored.
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

inline QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// A plain block: '[' type, the given bytes from offset 2 on (zero padded), ']'.
inline QByteArray reply(std::uint8_t type, const QByteArray &from2 = {})
{
    QByteArray p(Link::PlainBlockSize, '\0');
    p[0] = '[';
    p[1] = char(type);
    for (int i = 0; i < from2.size() && 2 + i < 15; ++i)
        p[2 + i] = from2[i];
    p[15] = ']';
    return p;
}

// A plain block with byte 10 = '#', byte 11 = code, bytes 12.. = data.
inline QByteArray result(std::uint8_t type, std::uint8_t code, const QByteArray &data = {})
{
    QByteArray from2(8, '\0');
    from2 += '#';
    from2 += char(code);
    from2 += data;
    return reply(type, from2);
}

struct Memo {
    MemoTarget target;
    QString text;
    bool force;
};

class LinkFixture
{
public:
    Morvo3Texts texts;
    TLink link{texts, TestKey};
    QList<QByteArray> sent;
    QList<Memo> memos;
    QStringList messages;
    QList<QByteArray> dispatched; // the reception buffer at every dispatched frame
    int statusCount = 0;
    int eventRecordCount = 0;
    int blockCount = 0;
    int passwordRequiredCount = 0;
    int passwordAcceptedCount = 0;
    int passwordChangedCount = 0;
    int eventsErasedCount = 0;

    LinkFixture()
    {
        link.setTransmitter([this](const QByteArray &frame) {
            sent.append(frame);
            return true;
        });
        QObject::connect(&link, &TLink::memoText, [this](MemoTarget t, const QString &s, bool f) {
            memos.append({t, s, f});
        });
        QObject::connect(&link, &TLink::showMessage, [this](const QString &s) { messages.append(s); });
        QObject::connect(&link, &TLink::frameDispatched, [this] {
            dispatched.append(QByteArray(reinterpret_cast<const char *>(link.ReceptionBuffer), 16));
        });
        QObject::connect(&link, &TLink::statusComplete, [this] { ++statusCount; });
        QObject::connect(&link, &TLink::eventRecordComplete, [this] { ++eventRecordCount; });
        QObject::connect(&link, &TLink::blockComplete, [this] { ++blockCount; });
        QObject::connect(&link, &TLink::passwordRequired, [this] { ++passwordRequiredCount; });
        QObject::connect(&link, &TLink::passwordAccepted, [this] { ++passwordAcceptedCount; });
        QObject::connect(&link, &TLink::passwordChanged, [this] { ++passwordChangedCount; });
        QObject::connect(&link, &TLink::eventsErased, [this] { ++eventsErasedCount; });
    }

    // Signals other than frameDispatched, all together.
    int sideEffects() const
    {
        return statusCount + eventRecordCount + blockCount + passwordRequiredCount + passwordAcceptedCount
            + passwordChangedCount + eventsErasedCount + memos.size() + messages.size() + sent.size();
    }

    // The plain block of the i-th frame sent.
    QByteArray sentPlain(int i) const { return link.DecryptPlainBlock(sent.at(i).mid(1, 16)); }

    void receivePlain(const QByteArray &plain) { link.ReceiveLinkBytes(link.BuildWireFrame(plain)); }

    // The module's answer to a block read: header and six chunks with the checksum.
    QList<QByteArray> blockReply(std::uint8_t blockNumber, const QByteArray &block64) const
    {
        QList<QByteArray> frames;
        frames.append(reply(Link::BLOCK_READ_HEADER, QByteArray(11, '\0') + char(blockNumber)));
        const auto chunks = Requests::BlockWriteChunks(reinterpret_cast<const std::uint8_t *>(block64.constData()));
        for (const auto &c : chunks)
            frames.append(TLink::BuildLongPlainBlock(Link::BLOCK_READ_CHUNK, c.args.data()));
        return frames;
    }

    void receiveAll(const QList<QByteArray> &plains)
    {
        for (const auto &p : plains)
            receivePlain(p);
    }

    QStringList memoTexts(MemoTarget target) const
    {
        QStringList out;
        for (const auto &m : memos)
            if (m.target == target)
                out.append(m.text);
        return out;
    }
};

} // namespace LinkTest
