// The parameter image: building primitives, directory walk, validity check,
// folding and the .KVD header and loading rules.

#include "ExpectedImage.h"

#include "params/EE_Struct.h"
#include "params/FieldCodec.h"

#include <QtTest>
#include <cstring>

namespace {
QByteArray ImageBytes(const TParamImage &image, int from, int count)
{
    return QByteArray(reinterpret_cast<const char *>(image.bytes) + from, count);
}

// An image with the right header and one record whose payload makes the
// directory end at directoryEnd, followed by a terminator byte.
TParamImage ImageEndingAt(int directoryEnd, std::uint8_t terminator)
{
    TParamImage image;
    image.InitImageHeader();
    const int payload = directoryEnd - 64 - 19;
    // dimension 1, element size = payload
    image.ReserveField("BLOB", 2, 1, static_cast<std::uint16_t>(payload));
    image.bytes[directoryEnd] = terminator;
    return image;
}

TParamImage BuiltDefaultImage()
{
    TParamImage image;
    FieldCodec::BuildImageFromValues(FieldCodec::DefaultParamValues(), image);
    return image;
}
} // namespace

class TestParamImage : public QObject
{
    Q_OBJECT
private slots:
    void defaultValuesBuildTheDescribedImage();
    void findField_data();
    void findField();
    void namesAreCutAndPadded();
    void validityDependsOnWhereTheDirectoryEnds_data();
    void validityDependsOnWhereTheDirectoryEnds();
    void invalidHeaderOrDirectory_data();
    void invalidHeaderOrDirectory();
    void recordHeaderPastTheBufferEndsTheWalk();
    void clearedImageHasNoFields();
    void appendsStopAtTheBufferEnd();
    void padImageAlwaysAppendsOneByte();
    void foldCharacter_data();
    void foldCharacter();
    void appendTextElement_data();
    void appendTextElement();
    void kvdHeader_data();
    void kvdHeader();
    void loadFileBytes_data();
    void loadFileBytes();
    void fieldReadersStayInsideTheBuffer();
};

void TestParamImage::defaultValuesBuildTheDescribedImage()
{
    const TParamImage image = BuiltDefaultImage();
    QCOMPARE(image.fill, ExpectedImage::Length);
    const QByteArray expected = ExpectedImage::FreshImage();
    const QByteArray actual = ImageBytes(image, 0, ExpectedImage::Length);
    for (int i = 0; i < ExpectedImage::Length; ++i) {
        if (actual.at(i) != expected.at(i))
            QFAIL(qPrintable(QStringLiteral("byte %1 is %2, expected %3").arg(i).arg(quint8(actual.at(i))).arg(quint8(expected.at(i)))));
    }
    QVERIFY(image.IsImageValid());
    // Nothing beyond the image length is written.
    QCOMPARE(ImageBytes(image, ExpectedImage::Length, 4096 - ExpectedImage::Length),
             QByteArray(4096 - ExpectedImage::Length, '\0'));
}

void TestParamImage::findField_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("offset");
    for (const auto &r : ExpectedImage::Directory())
        QTest::newRow(r.name) << QByteArray(r.name) << r.payloadAt;
    QTest::newRow("unknown") << QByteArray("NO_SUCH_FIELD") << -1;
    QTest::newRow("lower case") << QByteArray("zone_circuit") << -1;
    QTest::newRow("prefix only") << QByteArray("ZONE") << -1;
    QTest::newRow("empty") << QByteArray() << -1;
}

void TestParamImage::findField()
{
    QFETCH(QByteArray, name);
    QFETCH(int, offset);
    const TParamImage image = BuiltDefaultImage();
    QCOMPARE(image.FindField(name), offset);
    QCOMPARE(int(image.bytes[ExpectedImage::Terminator]), 0);
}

void TestParamImage::namesAreCutAndPadded()
{
    TParamImage image;
    image.InitImageHeader();
    image.AppendByteField("ZONE_SENSE_TIME", 7);          // exactly 15
    image.AppendByteField("A_VERY_LONG_FIELD_NAME", 9);   // cut to 15
    image.AppendByteField("AB", 3);                        // padded
    QCOMPARE(ImageBytes(image, 64, 15), QByteArray("ZONE_SENSE_TIME"));
    QCOMPARE(ImageBytes(image, 84, 15), QByteArray("A_VERY_LONG_FIE"));
    QCOMPARE(ImageBytes(image, 104, 15), QByteArray("AB             "));
    QCOMPARE(image.ReadFieldByte("A_VERY_LONG_FIE"), std::uint8_t(9));
    QCOMPARE(image.ReadFieldByte("A_VERY_LONG_FIELD_OTHER"), std::uint8_t(9));
    QCOMPARE(image.ReadFieldByte("AB"), std::uint8_t(3));
    QCOMPARE(image.FindField("A"), -1);
}

void TestParamImage::validityDependsOnWhereTheDirectoryEnds_data()
{
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("terminator");
    QTest::addColumn<bool>("valid");
    QTest::newRow("2560 zero") << 2560 << 0x00 << false;
    QTest::newRow("2561 zero") << 2561 << 0x00 << true;
    QTest::newRow("2623 zero") << 2623 << 0x00 << true;
    QTest::newRow("2624 0xFF") << 2624 << 0xFF << true;
    QTest::newRow("2625 zero") << 2625 << 0x00 << false;
    QTest::newRow("2000 zero") << 2000 << 0x00 << false;
}

void TestParamImage::validityDependsOnWhereTheDirectoryEnds()
{
    QFETCH(int, end);
    QFETCH(int, terminator);
    QFETCH(bool, valid);
    const TParamImage image = ImageEndingAt(end, std::uint8_t(terminator));
    QCOMPARE(image.IsImageValid(), valid);
}

void TestParamImage::invalidHeaderOrDirectory_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("value");
    QTest::newRow("header letter changed") << 5 << int('X');
    QTest::newRow("header cut short") << 41 << 0;
    QTest::newRow("header 0xFF") << 10 << 0xFF;
    QTest::newRow("header longer") << 42 << int('X');
    QTest::newRow("zero dimension") << 64 + 16 << 0;
    QTest::newRow("zero element size") << 87 + 18 << 0;
}

void TestParamImage::invalidHeaderOrDirectory()
{
    QFETCH(int, offset);
    QFETCH(int, value);
    TParamImage image = BuiltDefaultImage();
    if (offset == 87 + 18)
        image.bytes[87 + 17] = 0; // both size bytes of the second record
    image.bytes[offset] = std::uint8_t(value);
    QVERIFY(!image.IsImageValid());
}

void TestParamImage::recordHeaderPastTheBufferEndsTheWalk()
{
    // A chain of records that reaches the last bytes of the buffer: the record
    // starting at 4085 has only 11 bytes left.
    TParamImage image;
    image.InitImageHeader();
    image.ReserveField("FILLER", 2, 1, 4085 - 64 - 19 - 19 - 1);
    image.ReserveField("FILLER2", 2, 1, 1);
    QCOMPARE(image.fill, 4085);
    std::memcpy(image.bytes + 4085, "TAIL_FIELD_", 11);
    QCOMPARE(image.FindField("TAIL_FIELD_"), -1);
    QCOMPARE(image.ReadFieldByte("TAIL_FIELD_"), std::uint8_t(0));
    QVERIFY(!image.IsImageValid());
    QCOMPARE(image.FindField("FILLER2"), 4085 - 1);
}

void TestParamImage::clearedImageHasNoFields()
{
    TParamImage image = BuiltDefaultImage();
    image.ClearImage();
    QCOMPARE(image.fill, 0);
    QCOMPARE(image.FindField("ZONE_CIRCUIT"), -1);
    QCOMPARE(image.ReadFieldByte("ALARMTIME"), std::uint8_t(0));
    QVERIFY(!image.ReadFieldFlag("REL1_BEEP"));
    QVERIFY(!image.IsImageValid());
    QCOMPARE(ImageBytes(image, 0, 4096), QByteArray(4096, '\0'));
}

void TestParamImage::appendsStopAtTheBufferEnd()
{
    TParamImage image;
    image.fill = 4095;
    image.AppendImageWord(0x1234);
    QCOMPARE(image.fill, 4096);
    QCOMPARE(int(image.bytes[4095]), 0x12);
    image.AppendImageByte(0x55);
    image.AppendFieldHeader("X", 1, 1, 1);
    QCOMPARE(image.fill, 4096);
    QCOMPARE(int(image.bytes[4095]), 0x12);
}

void TestParamImage::padImageAlwaysAppendsOneByte()
{
    TParamImage image;
    image.fill = 2688;
    image.bytes[2688] = 0x77;
    image.PadImage();
    QCOMPARE(image.fill, 2689);
    QCOMPARE(int(image.bytes[2688]), 0);

    image.fill = 100;
    image.PadImage();
    QCOMPARE(image.fill, 2688);
}

void TestParamImage::foldCharacter_data()
{
    QTest::addColumn<int>("in");
    QTest::addColumn<int>("out");
    const int folded[][2] = {{0xC1, 'A'}, {0xC9, 'E'}, {0xCD, 'I'}, {0xD3, 'O'}, {0xD5, 'O'}, {0xD6, 'O'},
                             {0xDA, 'U'}, {0xDB, 'U'}, {0xDC, 'U'}, {0xE1, 'a'}, {0xE9, 'e'}, {0xED, 'i'},
                             {0xF3, 'o'}, {0xF5, 'o'}, {0xF6, 'o'}, {0xFA, 'u'}};
    for (const auto &f : folded)
        QTest::addRow("0x%02X", f[0]) << f[0] << f[1];
    // Lower-case double-acute and diaeresis u stay, as do other bytes.
    for (int keep : {0xFB, 0xFC, 0x00, 0x41, 0xC8, 0xFF, 0x8A})
        QTest::addRow("0x%02X kept", keep) << keep << keep;
}

void TestParamImage::foldCharacter()
{
    QFETCH(int, in);
    QFETCH(int, out);
    QCOMPARE(int(TParamImage::FoldCharacter(std::uint8_t(in))), out);
}

void TestParamImage::appendTextElement_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<QByteArray>("element");
    QTest::newRow("folded and cut") << QByteArray("\xC9les \xFC") << 5 << QByteArray("\x05" "Eles ", 6);
    QTest::newRow("empty 160") << QByteArray() << 160 << QByteArray(161, '\0');
    QTest::newRow("short padded") << QByteArray("\xE1" "b") << 4 << QByteArray("\x02" "ab\0\0", 5);
    QTest::newRow("exact length") << QByteArray("abc") << 3 << QByteArray("\x03" "abc", 4);
}

void TestParamImage::appendTextElement()
{
    QFETCH(QByteArray, text);
    QFETCH(int, n);
    QFETCH(QByteArray, element);
    TParamImage image;
    image.fill = 10;
    image.bytes[10 + n + 1] = 0x99; // the byte after the element stays
    image.AppendTextElement(text, n);
    QCOMPARE(image.fill, 10 + n + 1);
    QCOMPARE(ImageBytes(image, 10, n + 1), element);
    QCOMPARE(int(image.bytes[10 + n + 1]), 0x99);
}

void TestParamImage::kvdHeader_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<bool>("recognised");
    QTest::addColumn<QByteArray>("headerText"); // the first 64 bytes without their zero bytes
    const QByteArray id(ParamImage::IdentificationString);
    const QByteArray idText("ZEHL,64,31,Morvo3 GPRS,DataStruct PGMv1.10");
    QTest::newRow("built header") << (id + QByteArray(22, '\0')) << true << idText;
    QTest::newRow("zero bytes inside skipped") << (QByteArray("ZEHL,64,31,") + QByteArray(3, '\0') + id.mid(11) + QByteArray(19, '\0')) << true << idText;
    QTest::newRow("header only, short file") << id << true << idText;
    QTest::newRow("0xFF kept") << (id + QByteArray(1, '\xFF') + QByteArray(21, '\0')) << false << (idText + "\xFF");
    QTest::newRow("text after id inside 64") << (id + QByteArray("X") + QByteArray(21, '\0')) << false << (idText + "X");
    QTest::newRow("text after 64 ignored") << (id + QByteArray(22, '\0') + QByteArray("garbage")) << true << idText;
    QTest::newRow("id pushed past 64") << (QByteArray(30, 'A') + id) << false
                                       << QByteArray("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAZEHL,64,31,Morvo3 GPRS,DataStruct ");
    QTest::newRow("empty") << QByteArray() << false << QByteArray();
    QTest::newRow("10 bytes") << id.left(10) << false << QByteArray("ZEHL,64,31");
    QTest::newRow("63 bytes cut id") << (QByteArray(22, '\0') + id.left(41)) << false
                                     << QByteArray("ZEHL,64,31,Morvo3 GPRS,DataStruct PGMv1.1");
    QTest::newRow("other file") << QByteArray("PK\x03\x04 this is a zip file, not parameters") << false
                                << QByteArray("PK\x03\x04 this is a zip file, not parameters");
}

void TestParamImage::kvdHeader()
{
    QFETCH(QByteArray, start);
    QFETCH(bool, recognised);
    QFETCH(QByteArray, headerText);
    QCOMPARE(TParamImage::IsKvdHeader(start), recognised);
    QCOMPARE(TParamImage::KvdHeaderText(start), headerText);
}

void TestParamImage::loadFileBytes_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("copied");
    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("10") << 10 << 10;
    QTest::newRow("100") << 100 << 100;
    QTest::newRow("2688") << 2688 << 2688;
    QTest::newRow("5000") << 5000 << 4096;
    QTest::newRow("1 MB") << (1 << 20) << 4096;
}

void TestParamImage::loadFileBytes()
{
    QFETCH(int, size);
    QFETCH(int, copied);
    TParamImage image;
    std::memset(image.bytes, 0xAB, sizeof image.bytes);
    image.fill = 1234;
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char(i % 251);
    image.LoadFileBytes(data);
    QCOMPARE(image.fill, 1234);
    QCOMPARE(ImageBytes(image, 0, copied), data.left(copied));
    QCOMPARE(ImageBytes(image, copied, 4096 - copied), QByteArray(4096 - copied, '\xAB'));
}

void TestParamImage::fieldReadersStayInsideTheBuffer()
{
    // A directory whose last record announces far more payload than the
    // buffer holds: readers give 0 for what lies beyond.
    TParamImage image;
    image.InitImageHeader();
    image.ReserveField("FILL", 2, 1, 3900);
    image.AppendFieldHeader("LAST", 2, 200, 200);
    const int at = image.FindField("LAST");
    QCOMPARE(at, 64 + 19 + 3900 + 19);
    QCOMPARE(image.ReadFieldElement("LAST", 4096 - at), std::uint8_t(0));
    QCOMPARE(image.ReadFieldElement("LAST", 1 << 30), std::uint8_t(0));
    QCOMPARE(image.ReadFieldElement("LAST", -1), std::uint8_t(0));
    bool present = false;
    const QByteArray payload = FieldCodec::FieldPayloadBytes(image, "LAST", 40000, &present);
    QVERIFY(present);
    QCOMPARE(payload.size(), 40000);
    QCOMPARE(payload.mid(4096 - at), QByteArray(40000 - (4096 - at), '\0'));
}

QTEST_GUILESS_MAIN(TestParamImage)
#include "tst_paramimage.moc"
