// Reading, writing and comparing the parameters against the simulated module over
// its USB line: the core procedures with the real editor and a recording host.

#include "SimProcess.h"
#include "TransferTestHost.h"

#include "app/AppCore.h"
#include "link/Requests.h"
#include "params/FieldCatalogue.h"
#include "params/ParamEditor.h"
#include "params/ParamFiles.h"
#include "transport/USBCommunicator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

constexpr int ConnectTicks = 50;      // the search looks every second
constexpr int LoginTicks = 30;
constexpr int Rel1TimeOffset = 2361;  // REL1_TIME payload, block 36
constexpr int Rel2TimeOffset = 2402;  // REL2_TIME payload, block 37
constexpr int SenseTime1Offset = 106; // ZONE_SENSE_TIME[0], block 1
constexpr int Sms0FirstCharOffset = 292;
constexpr int SenseTime3Offset = 108; // ZONE_SENSE_TIME[2], block 1
constexpr int Rel1ActLowOffset = 2341; // low byte of REL1_ACT, block 36

enum class TProc { Read, Write, Compare };

QByteArray bytesOf(const TParamImage &image, int count = ParamImage::ImageLength)
{
    return QByteArray(reinterpret_cast<const char *>(image.bytes), count);
}

// One simulated module, one program core connected to it, one editor: fresh per test.
struct TModuleBench
{
    SimProcess Sim;
    QTemporaryDir Dir;
    TAppCore Core;
    std::unique_ptr<TCommunicator> Reader;
    std::unique_ptr<TParamEditor> Editor = std::make_unique<TParamEditor>();
    TTransferTestHost Host{Editor.get()};
    TModuleTransfer Transfer{Core.Wait, Core.Texts, Core.Image, Core.Link, Core.Session.ParameterTransferActive, Host};
    bool Accepted = false;

    ~TModuleBench()
    {
        Core.Link.setTransmitter({});
        if (Reader)
            Reader->CloseDevice();
    }

    // Starts the module with options, opens its line and logs in.
    bool connect(const QStringList &options, bool expectLogin = true)
    {
        if (!Sim.start(QStringList{QStringLiteral("--no-pacing")} + options)) {
            qWarning("simulator: %s", qPrintable(Sim.lastError()));
            return false;
        }
        const QString location = Sim.linkPath();
        Reader = std::make_unique<TCommunicator>(nullptr, QString(), TCommunicator::DefaultBaudRate, [location] {
            return QList<TPortEntry>{{TCommunicator::DefaultDescription, location}};
        });
        Reader->SetOnData([this](const QByteArray &bytes) { Core.Link.ReceiveLinkBytes(bytes); });
        Core.Link.setTransmitter([this](const QByteArray &frame) {
            return Reader && Reader->opened() && Reader->WriteData(frame) == frame.size();
        });
        Host.TransportIsUp = [this] { return Reader && Reader->opened(); };
        if (!Core.Wait.WaitFor(ConnectTicks, [this] { return Reader->opened(); }))
            return false;
        QObject::connect(&Core.Link, &TLink::passwordAccepted, &Core, [this] { Accepted = true; });
        Requests::SendLoginPassword(Core.Link, Core.Session.ModulePassword);
        if (!expectLogin)
            return true;
        return Core.Wait.WaitFor(LoginTicks, [this] { return Accepted; });
    }

    // The module's image as it holds it now.
    QByteArray moduleImage()
    {
        const QString path = Dir.filePath(QStringLiteral("module-%1.bin").arg(++m_dumps));
        if (!Sim.controlOk(QStringLiteral("dump-image %1").arg(path)))
            return QByteArray();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray();
        return f.readAll().left(ParamImage::ImageLength);
    }

    bool setModuleByte(int offset, int value)
    {
        return Sim.controlOk(QStringLiteral("set-byte %1 %2").arg(offset).arg(value));
    }

    TTransferOutcome run(TProc proc)
    {
        switch (proc) {
        case TProc::Read: return Transfer.spbReadModuleClick();
        case TProc::Write: return Transfer.spbWriteModuleClick();
        case TProc::Compare: return Transfer.spbCompareDataClick();
        }
        return TTransferOutcome::Busy;
    }

    // Presses STOP once position is reached: as a click handled during the next
    // wait, or at once, before the procedure looks at the next block.
    void stopAtPosition(int position, bool atOnce)
    {
        Host.OnPosition = [this, position, atOnce](int p) {
            if (p != position)
                return;
            if (atOnce)
                Core.Wait.StopRequested = true;
            else
                QTimer::singleShot(0, &Core, [this] { Core.Wait.StopRequested = true; });
        };
    }

    template <typename T>
    T *control(const char *name) const { return Editor->findChild<T *>(QString::fromLatin1(name)); }

    // Procedure bracket: the transfer flag is down and the commands are back.
    bool bracketClosed() const
    {
        return !Core.Session.ParameterTransferActive && Host.CommandsEnabled && Host.DisableCount == Host.EnableCount;
    }

private:
    int m_dumps = 0;
};

} // namespace

Q_DECLARE_METATYPE(TProc)

class TestTransfer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readSaveOpenRoundTrip();
    void writeChangesExactlyTheEditedFields();
    void compareAfterRead_data();
    void compareAfterRead();
    void faults_data();
    void faults();
    void stopDuringTransfer_data();
    void stopDuringTransfer();
    void passwordInTheModulesCodePage();
    void differencesAfterAStoppedCompare();
    void readingTheRestHonoursStop();
};

void TestTransfer::initTestCase()
{
    if (SimProcess::executable().isEmpty())
        QSKIP("the simulated module is not built");
}

void TestTransfer::readSaveOpenRoundTrip()
{
    TModuleBench b;
    QVERIFY2(b.connect({}), qPrintable(b.Sim.output()));
    QVERIFY(b.setModuleByte(Rel1TimeOffset, 17));
    QVERIFY(b.setModuleByte(Sms0FirstCharOffset - 1, 1)); // EVENT_SMS[0]: one character,
    QVERIFY(b.setModuleByte(Sms0FirstCharOffset, 'Q'));   // 'Q'
    const QByteArray module = b.moduleImage();
    QCOMPARE(module.size(), ParamImage::ImageLength);

    QCOMPARE(b.Transfer.spbReadModuleClick(), TTransferOutcome::Success);
    QCOMPARE(b.Host.Maximum, ModuleTransfer::ProgressMaximum);
    QCOMPARE(b.Host.Position, ModuleTransfer::ProgressMaximum);
    QVERIFY(!b.Host.isRed());
    QVERIFY(b.Host.Messages.isEmpty());
    QVERIFY(b.bracketClosed());
    QCOMPARE(b.control<QSpinBox>("seREL1time")->value(), 17);
    QCOMPARE(b.control<QLineEdit>("edSMS1")->text(), QStringLiteral("Q"));
    QCOMPARE(bytesOf(b.Core.Image), module);

    // Save: the file is exactly the module's image.
    TParamFiles files(b.Core.Texts, b.Core.Image, b.Host);
    const QString path = b.Dir.filePath(QStringLiteral("module.KVD"));
    TParamFiles::Dialogs dialogs;
    dialogs.saveFileName = [&] { return path; };
    dialogs.openFileName = [&] { return path; };
    files.setDialogs(dialogs);
    QCOMPARE(files.spbSaveClick(), TFileOutcome::Saved);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), module);

    // Open after editing: the module's values come back.
    b.control<QSpinBox>("seREL1time")->setValue(3);
    b.control<QLineEdit>("edSMS1")->setText(QStringLiteral("changed"));
    QCOMPARE(files.spbOpenClick(), TFileOutcome::Loaded);
    QCOMPARE(b.control<QSpinBox>("seREL1time")->value(), 17);
    QCOMPARE(b.control<QLineEdit>("edSMS1")->text(), QStringLiteral("Q"));
}

void TestTransfer::writeChangesExactlyTheEditedFields()
{
    TModuleBench b;
    QVERIFY2(b.connect({}), qPrintable(b.Sim.output()));
    QCOMPARE(b.Transfer.spbReadModuleClick(), TTransferOutcome::Success);
    const QByteArray before = b.moduleImage();

    b.control<QSpinBox>("seREL1time")->setValue(33);
    b.control<QLineEdit>("edSMS1")->setText(QStringLiteral("Betores"));
    b.Host.Positions.clear();
    QCOMPARE(b.Transfer.spbWriteModuleClick(), TTransferOutcome::Success);
    QCOMPARE(b.Host.Position, ModuleTransfer::ProgressMaximum);
    QVERIFY(!b.Host.isRed());
    QVERIFY(b.bracketClosed());
    QCOMPARE(b.Host.Positions.first(), ModuleTransfer::ProgressStarted);
    QCOMPARE(b.Host.Positions.size(), 2 + ParamImage::BlockCount);

    const QByteArray after = b.moduleImage();
    QCOMPARE(DescribeImageDifferences(before, after),
             (QStringList{QStringLiteral("EVENT_SMS[0]"), QStringLiteral("REL1_TIME[0]")}));
    QCOMPARE(std::uint8_t(after.at(Rel1TimeOffset)), std::uint8_t(33));
    QCOMPARE(after, bytesOf(b.Core.Image));
    // The write leaves the editor as it was.
    QCOMPARE(b.control<QSpinBox>("seREL1time")->value(), 33);
    QCOMPARE(b.Host.EditorLoads, 1); // only the read loaded it
}

void TestTransfer::compareAfterRead_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("block");

    QTest::newRow("unchanged") << QString() << int(TTransferOutcome::Success) << ModuleTransfer::ProgressMaximum << -1;
    QTest::newRow("seREL1time") << QStringLiteral("seREL1time") << int(TTransferOutcome::Different) << 39 << 36;
    QTest::newRow("first SMS character") << QStringLiteral("edSMS1") << int(TTransferOutcome::Different) << 7 << 4;
}

void TestTransfer::compareAfterRead()
{
    QFETCH(QString, edit);
    QFETCH(int, outcome);
    QFETCH(int, position);
    QFETCH(int, block);

    TModuleBench b;
    QVERIFY2(b.connect({}), qPrintable(b.Sim.output()));
    QCOMPARE(b.Transfer.spbReadModuleClick(), TTransferOutcome::Success);
    if (edit == QLatin1String("seREL1time"))
        b.control<QSpinBox>("seREL1time")->setValue(b.control<QSpinBox>("seREL1time")->value() + 1);
    else if (edit == QLatin1String("edSMS1"))
        b.control<QLineEdit>("edSMS1")->setText(QStringLiteral("X"));
    const QByteArray moduleBefore = b.moduleImage();

    QCOMPARE(int(b.Transfer.spbCompareDataClick()), outcome);
    QCOMPARE(b.Host.Position, position);
    QCOMPARE(b.Host.isRed(), block >= 0);
    QCOMPARE(b.Transfer.firstDifferentBlock(), block);
    QVERIFY(b.Host.Messages.isEmpty()); // the bar alone answers
    QVERIFY(b.bracketClosed());
    QCOMPARE(b.moduleImage(), moduleBefore);
}

void TestTransfer::faults_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<TProc>("proc");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("red");
    QTest::addColumn<QString>("message");  // "" none, a catalogue key, or "incompatible"
    QTest::addColumn<bool>("asked");
    QTest::addColumn<double>("minSeconds");
    QTest::addColumn<double>("maxSeconds");

    const QStringList foreign{QStringLiteral("--id-string"), QStringLiteral("ZEHL,64,31,Morvo2 GSM,DataStruct PGMv1.02")};
    const int ok = int(TTransferOutcome::Success);
    const int failed = int(TTransferOutcome::BlockFailed);

    QTest::newRow("no answer at all") << QStringList{QStringLiteral("--mute")} << TProc::Read << false
        << int(TTransferOutcome::NoConnection) << 2 << true << "lbTXT_NO_CONNECTION" << false << 9.5 << 11.5;
    QTest::newRow("silent after block 4") << QStringList{QStringLiteral("--silent-after"), QStringLiteral("4")}
        << TProc::Read << false << failed << 7 << true << "" << false << 4.0 << 6.5;
    QTest::newRow("block 17 answered as 18") << QStringList{QStringLiteral("--wrong-block"), QStringLiteral("17")}
        << TProc::Read << false << failed << 19 << true << "" << false << 0.0 << 1.4;
    QTest::newRow("bad checksum once") << QStringList{QStringLiteral("--bad-checksum"), QStringLiteral("9")}
        << TProc::Read << false << ok << 44 << false << "" << false << 1.3 << 3.5;
    QTest::newRow("foreign module, read cancelled") << foreign << TProc::Read << false
        << int(TTransferOutcome::Cancelled) << 2 << true << "" << true << 0.0 << 3.0;
    QTest::newRow("foreign module, read anyway") << foreign << TProc::Read << true
        << ok << 44 << false << "" << true << 0.0 << 3.0;
    QTest::newRow("foreign module, write refused") << foreign << TProc::Write << false
        << int(TTransferOutcome::Incompatible) << 1 << true << "incompatible" << false << 0.0 << 3.0;
    QTest::newRow("foreign module, compare refused") << foreign << TProc::Compare << false
        << int(TTransferOutcome::Incompatible) << 2 << true << "incompatible" << false << 0.0 << 3.0;
    QTest::newRow("write not acknowledged") << QStringList{QStringLiteral("--no-write-ack")} << TProc::Write << false
        << failed << 2 << true << "" << false << 47.0 << 50.0;
}

void TestTransfer::faults()
{
    QFETCH(QStringList, options);
    QFETCH(TProc, proc);
    QFETCH(bool, answerYes);
    QFETCH(int, outcome);
    QFETCH(int, position);
    QFETCH(bool, red);
    QFETCH(QString, message);
    QFETCH(bool, asked);
    QFETCH(double, minSeconds);
    QFETCH(double, maxSeconds);
    const int ok = int(TTransferOutcome::Success);
    const int failed = int(TTransferOutcome::BlockFailed);

    TModuleBench b;
    const bool muted = options.contains(QStringLiteral("--mute"));
    QVERIFY2(b.connect(options, !muted), qPrintable(b.Sim.output()));
    b.Host.AnswerYes = answerYes;
    auto *rel1 = b.control<QSpinBox>("seREL1time");
    rel1->setValue(12); // an edit of the user's
    TParamImage editorImage;
    b.Editor->BuildImageFromEditor(editorImage);
    b.Core.Image = editorImage;
    const QByteArray moduleBefore = b.moduleImage();

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(int(b.run(proc)), outcome);
    const double seconds = clock.elapsed() / 1000.0;

    QCOMPARE(b.Host.Position, position);
    QCOMPARE(b.Host.isRed(), red);
    QVERIFY2(seconds >= minSeconds && seconds <= maxSeconds, qPrintable(QString::number(seconds)));
    QVERIFY(b.bracketClosed());
    QCOMPARE(b.Host.Questions.size(), asked ? 1 : 0);

    const QString incompatible = b.Core.Texts.text(QStringLiteral("lbTXT_INCOMPATIBLE_MODULE")) + QStringLiteral(" :  ")
        + QString::fromLatin1(ParamImage::IdentificationString) + QStringLiteral("  <-->  ")
        + options.value(1);
    if (message.isEmpty())
        QVERIFY2(b.Host.Messages.isEmpty(), qPrintable(b.Host.Messages.join(QLatin1Char('|'))));
    else if (message == QLatin1String("incompatible"))
        QCOMPARE(b.Host.Messages, QStringList{incompatible});
    else
        QCOMPARE(b.Host.Messages, QStringList{b.Core.Texts.text(message)});
    if (asked) {
        QCOMPARE(b.Host.Questions.constFirst(),
                 incompatible + QStringLiteral("   ") + b.Core.Texts.text(QStringLiteral("lbTXT_READ_DATA_ANYHOW")));
    }

    if (proc == TProc::Read && outcome != ok) {
        // A failed read clears the image once it has started on the blocks; the editor stays.
        const bool cleared = outcome == failed;
        QCOMPARE(bytesOf(b.Core.Image, ParamImage::BufferCapacity),
                 cleared ? QByteArray(ParamImage::BufferCapacity, '\0') : bytesOf(editorImage, ParamImage::BufferCapacity));
        QCOMPARE(rel1->value(), 12);
        QCOMPARE(b.Host.EditorLoads, 0);
    }
    if (proc == TProc::Write) {
        // The image is the editor's; the editor is untouched; the module kept what it had.
        QCOMPARE(bytesOf(b.Core.Image), bytesOf(editorImage));
        QCOMPARE(rel1->value(), 12);
        QCOMPARE(b.moduleImage(), moduleBefore);
    }
    if (proc == TProc::Compare && outcome == int(TTransferOutcome::Incompatible))
        QVERIFY(b.Core.Wait.StopRequested); // stays set until the next procedure starts
}

void TestTransfer::stopDuringTransfer_data()
{
    QTest::addColumn<TProc>("proc");
    QTest::addColumn<bool>("atOnce");
    QTest::newRow("read, during a wait") << TProc::Read << false;
    QTest::newRow("write, during a wait") << TProc::Write << false;
    QTest::newRow("compare, during a wait") << TProc::Compare << false;
    // The block was complete (a written one acknowledged) when STOP came: a
    // stopped write is red all the same, the module holds old and new blocks.
    QTest::newRow("read, between blocks") << TProc::Read << true;
    QTest::newRow("write, between blocks") << TProc::Write << true;
    QTest::newRow("compare, between blocks") << TProc::Compare << true;
}

void TestTransfer::stopDuringTransfer()
{
    QFETCH(TProc, proc);
    QFETCH(bool, atOnce);
    constexpr int StopPosition = 12; // after block 9

    TModuleBench b;
    QVERIFY2(b.connect({}), qPrintable(b.Sim.output()));
    // The module differs from the editor early (block 1) and late (block 37).
    QVERIFY(b.setModuleByte(Rel2TimeOffset, 9));
    auto *sense = b.control<QSpinBox>("seZonaErz1");
    QVERIFY(sense);
    const int senseValue = proc == TProc::Compare ? sense->value() : 4;
    sense->setValue(senseValue); // compare must not stop at block 1 before STOP
    const QByteArray moduleBefore = b.moduleImage();
    b.stopAtPosition(StopPosition, atOnce);

    QCOMPARE(b.run(proc), TTransferOutcome::Stopped);
    QVERIFY(b.Host.isRed());
    if (atOnce)
        QCOMPARE(b.Host.Position, StopPosition);
    else
        QVERIFY(b.Host.Position >= StopPosition && b.Host.Position < ModuleTransfer::ProgressMaximum);
    QVERIFY(b.bracketClosed());
    QVERIFY(b.Host.Messages.isEmpty());
    const int last = b.Transfer.lastGoodBlock();
    QCOMPARE(b.Host.Position, last + ModuleTransfer::ProgressFirstBlock);

    const QByteArray module = b.moduleImage();
    switch (proc) {
    case TProc::Read:
        QCOMPARE(bytesOf(b.Core.Image, ParamImage::BufferCapacity), QByteArray(ParamImage::BufferCapacity, '\0'));
        QCOMPARE(sense->value(), senseValue);
        QCOMPARE(b.Host.EditorLoads, 0);
        QCOMPARE(module, moduleBefore);
        break;
    case TProc::Write:
        // Blocks up to the last acknowledged one are new, the rest are the module's.
        QCOMPARE(std::uint8_t(module.at(SenseTime1Offset)), std::uint8_t(4));
        QCOMPARE(std::uint8_t(module.at(Rel2TimeOffset)), std::uint8_t(9));
        QCOMPARE(module.left((last + 1) * ParamImage::BlockLength),
                 bytesOf(b.Core.Image).left((last + 1) * ParamImage::BlockLength));
        QCOMPARE(module.mid((last + 1) * ParamImage::BlockLength), moduleBefore.mid((last + 1) * ParamImage::BlockLength));
        break;
    case TProc::Compare:
        QCOMPARE(module, moduleBefore);
        QCOMPARE(sense->value(), senseValue);
        break;
    }
}

void TestTransfer::passwordInTheModulesCodePage()
{
    // The module holds the password bytes F5 FB 31 32: "őű12" in its code page. The
    // simulator takes its password as Latin-1 text, in which these bytes read "õû12".
    TModuleBench b;
    b.Core.Session.ModulePassword = QString::fromUtf8("őű12");
    QVERIFY2(b.connect({QStringLiteral("--password"), QString::fromUtf8("õû12")}), qPrintable(b.Sim.output()));
    QVERIFY(b.Accepted);
    QCOMPARE(b.Transfer.spbCompareDataClick(), TTransferOutcome::Success);
}

void TestTransfer::differencesAfterAStoppedCompare()
{
    using Where = FieldCatalogue::TFieldDifference::Where;
    TModuleBench b;
    QVERIFY2(b.connect({}), qPrintable(b.Sim.output()));
    // The module and a fresh editor hold the same image but for two bytes.
    QVERIFY(b.setModuleByte(SenseTime3Offset, 7));
    QVERIFY(b.setModuleByte(Rel1ActLowOffset, 0x05));

    QCOMPARE(b.Transfer.ReadRestAfterCompare(), TTransferOutcome::NothingToRead);
    QCOMPARE(b.Transfer.spbCompareDataClick(), TTransferOutcome::Different);
    // The compare stops at the first differing block and reads no further.
    QCOMPARE(b.Transfer.firstDifferentBlock(), 1);
    QCOMPARE(b.Transfer.lastGoodBlock(), 1);
    QCOMPARE(b.Transfer.compareStopBlock(), 1);
    QVERIFY(b.Transfer.CanReadRestAfterCompare());

    b.Host.Positions.clear();
    const int buildsBefore = b.Host.EditorBuilds;
    QCOMPARE(b.Transfer.ReadRestAfterCompare(), TTransferOutcome::Success);
    QVERIFY(b.bracketClosed());
    QVERIFY(!b.Host.isRed());
    QCOMPARE(b.Host.EditorBuilds, buildsBefore); // compared with the editor as the compare saw it
    // Started, link ready, block 0 (known from the compare), then blocks 1 to 41.
    QList<int> positions{1, 2, 3};
    for (int n = 1; n <= 41; ++n)
        positions << n + 3;
    QCOMPARE(b.Host.Positions, positions);
    QCOMPARE(b.Transfer.TransferBuffer(), b.moduleImage());

    const QList<FieldCatalogue::TFieldDifference> expected{
        {Where::Element, QStringLiteral("ZONE_SENSE_TIME"), 2, QStringLiteral("7"), QStringLiteral("0")},
        {Where::Element, QStringLiteral("REL1_ACT"), 0, QStringLiteral("0x0005"), QStringLiteral("0x0000")},
    };
    const auto got = FieldCatalogue::ListFieldDifferences(b.Transfer.TransferBuffer(), b.Transfer.ComparedEditorImage());
    QCOMPARE(got.size(), expected.size());
    for (int i = 0; i < got.size(); ++i) {
        QCOMPARE(got.at(i).field, expected.at(i).field);
        QCOMPARE(got.at(i).index, expected.at(i).index);
        QCOMPARE(got.at(i).moduleValue, expected.at(i).moduleValue);
        QCOMPARE(got.at(i).editorValue, expected.at(i).editorValue);
        QVERIFY(got.at(i) == expected.at(i));
    }
    // The editor was not touched by any of it.
    QCOMPARE(b.control<QSpinBox>("seZonaErz3")->value(), 0);

    // A read replaces what the compare left: nothing to continue after it.
    QCOMPARE(b.Transfer.spbReadModuleClick(), TTransferOutcome::Success);
    QVERIFY(!b.Transfer.CanReadRestAfterCompare());
    QCOMPARE(b.Transfer.ReadRestAfterCompare(), TTransferOutcome::NothingToRead);
}

void TestTransfer::readingTheRestHonoursStop()
{
    TModuleBench b;
    QVERIFY2(b.connect({}), qPrintable(b.Sim.output()));
    QVERIFY(b.setModuleByte(Rel1ActLowOffset, 0x05));
    QCOMPARE(b.Transfer.spbCompareDataClick(), TTransferOutcome::Different);
    QCOMPARE(b.Transfer.compareStopBlock(), 36);

    // STOP after block 38 is in.
    b.stopAtPosition(38 + ModuleTransfer::ProgressFirstBlock, false);
    b.Host.Positions.clear();
    QCOMPARE(b.Transfer.ReadRestAfterCompare(), TTransferOutcome::Stopped);
    QVERIFY(b.Host.isRed());
    QVERIFY(b.bracketClosed());
    QCOMPARE(b.Host.Positions.last(), 38 + ModuleTransfer::ProgressFirstBlock);
    QCOMPARE(b.Transfer.lastGoodBlock(), 38);

    // The compare's blocks are still there: a second attempt reads to the end. The
    // answer to the block request that STOP abandoned comes in first: give it time,
    // as a user would take it before the next click.
    b.Host.OnPosition = nullptr;
    QTest::qWait(500);
    QVERIFY(b.Transfer.CanReadRestAfterCompare());
    const TTransferOutcome again = b.Transfer.ReadRestAfterCompare();
    QVERIFY2(again == TTransferOutcome::Success, qPrintable(TransferOutcomeName(again) + ": " + b.Host.Messages.join('|')));
    QCOMPARE(b.Transfer.TransferBuffer(), b.moduleImage());
}

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
