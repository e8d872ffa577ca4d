// Field encodings without widgets: what each kind of control value becomes in
// the image and what comes back from it, and the readable dump of an image.

#include "ExpectedImage.h"

#include "params/EE_Struct.h"
#include "params/FieldCatalogue.h"
#include "params/FieldCodec.h"

#include <QtTest>

using namespace FieldCodec;

namespace {
QByteArray Payload(const TParamImage &image, const char *name, int size)
{
    const int at = image.FindField(name);
    return at < 0 ? QByteArray() : QByteArray(reinterpret_cast<const char *>(image.bytes) + at, size);
}

QStringList Cells(const QString &chars)
{
    QStringList cells;
    for (QChar c : chars)
        cells << (c == QLatin1Char('_') ? QString() : QString(c));
    return cells;
}

using ByteChanges = QList<QPair<int, int>>; // offset, new value

const std::uint8_t *U8(const QByteArray &a)
{
    return reinterpret_cast<const std::uint8_t *>(a.constData());
}
} // namespace

class TestFieldCodec : public QObject
{
    Q_OBJECT
private slots:
    void relayMask_data();
    void relayMask();
    void eventMatrix_data();
    void eventMatrix();
    void smsText_data();
    void smsText();
    void dialString_data();
    void dialString();
    void unpackDialString_data();
    void unpackDialString();
    void hexDigits_data();
    void hexDigits();
    void smsElementLoading_data();
    void smsElementLoading();
    void storedSmsSurvivesLoadAndSave_data();
    void storedSmsSurvivesLoadAndSave();
    void cellValidation_data();
    void cellValidation();
    void numbersAreCutToTheirLowByte();
    void dumpShowsEveryFieldDecoded();
    void listFieldDifferences_data();
    void listFieldDifferences();
    void dumpOfDamagedImages_data();
    void dumpOfDamagedImages();
};

void TestFieldCodec::relayMask_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("phone call and test report") << QList<int>{0, 11} << QByteArray("\x08\x01", 2);
    QTest::newRow("none") << QList<int>{} << QByteArray("\x00\x00", 2);
    QTest::newRow("row 7 and 8 straddle the bytes") << QList<int>{7, 8} << QByteArray("\x01\x80", 2);
    QTest::newRow("all twelve") << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11} << QByteArray("\x0F\xFF", 2);
}

void TestFieldCodec::relayMask()
{
    QFETCH(QList<int>, rows);
    QFETCH(QByteArray, bytes);
    TParamValues v = DefaultParamValues();
    for (int k : rows) {
        v.relay1Rows[k] = true;
        v.relay2Rows[11 - k] = true; // the other relay must not mix in
    }
    TParamImage image;
    BuildImageFromValues(v, image);
    QCOMPARE(Payload(image, "REL1_ACT", 2), bytes);
    // And back: the same rows come out of the two bytes.
    const auto back = RelayRowsOfMask(std::uint8_t(bytes.at(0)), std::uint8_t(bytes.at(1)));
    for (int k = 0; k < RelayRows; ++k)
        QCOMPARE(back[k], rows.contains(k));
    // Bits 12 to 15 of a loaded mask do not reach any row.
    const auto high = RelayRowsOfMask(0xF0, 0x00);
    for (int k = 0; k < RelayRows; ++k)
        QVERIFY(!high[k]);
}

void TestFieldCodec::eventMatrix_data()
{
    QTest::addColumn<int>("event");
    QTest::addColumn<QList<bool>>("targets"); // S1 S2 S3 S4 Center
    QTest::addColumn<QByteArray>("word");
    QTest::newRow("10. Disarm S1 + Center") << 9 << QList<bool>{true, false, false, false, true} << QByteArray("\x00\x11", 2);
    QTest::newRow("01. all") << 0 << QList<bool>{true, true, true, true, true} << QByteArray("\x00\x1F", 2);
    QTest::newRow("11. S4 only") << 10 << QList<bool>{false, false, false, true, false} << QByteArray("\x00\x08", 2);
}

void TestFieldCodec::eventMatrix()
{
    QFETCH(int, event);
    QFETCH(QList<bool>, targets);
    QFETCH(QByteArray, word);
    TParamValues v = DefaultParamValues();
    v.eventMatrix[event] = std::uint8_t(MatrixWord(targets[0], targets[1], targets[2], targets[3], targets[4]));
    TParamImage image;
    BuildImageFromValues(v, image);
    const QByteArray all = Payload(image, "EVENT_MATRIX", 22);
    for (int e = 0; e < EventCount; ++e)
        QCOMPARE(all.mid(2 * e, 2), e == event ? word : QByteArray(2, '\0'));
}

void TestFieldCodec::smsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("element");
    QTest::newRow("a-acute seventh of ten") << QStringLiteral("Riaszt\u00e1s 1") << QByteArray("\x0A" "Riasztas 1", 11);
    QTest::newRow("every folded accent") << QStringLiteral("ÁÉÍÓŐÖÚŰÜáéíóőöú") << QByteArray("\x10" "AEIOOOUUUaeiooou", 17);
    QTest::newRow("u double acute and diaeresis kept") << QStringLiteral("űü") << QByteArray("\x02\xFB\xFC", 3);
    QTest::newRow("other code page letters kept") << QStringLiteral("Čř€") << QByteArray("\x03\xC8\xF8\x80", 4);
    QTest::newRow("unmappable becomes ? and the rest stays") << QStringLiteral("a\u2713b\U0001F600c") << QByteArray("\x05" "a?b?c", 6);
    QTest::newRow("cut at 160") << QString(170, QLatin1Char('x')) << (QByteArray(1, char(160)) + QByteArray(160, 'x'));
}

void TestFieldCodec::smsText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, element);
    TParamValues v = DefaultParamValues();
    v.eventSms[3] = text;
    TParamImage image;
    BuildImageFromValues(v, image);
    const QByteArray sms = Payload(image, "EVENT_SMS", 11 * 161);
    QCOMPARE(sms.mid(3 * 161, element.size()), element);
    QCOMPARE(sms.mid(3 * 161 + element.size(), 161 - element.size()), QByteArray(161 - element.size(), '\0'));
    QCOMPARE(sms.mid(2 * 161, 161), QByteArray(161, '\0'));
}

void TestFieldCodec::dialString_data()
{
    QTest::addColumn<QString>("cells"); // '_' = empty cell
    QTest::addColumn<bool>("user");
    QTest::addColumn<QByteArray>("element");
    QTest::newRow("gap closed") << QStringLiteral("+36_12__________") << true
                                << (QByteArray("\x05+3612", 6) + QByteArray(11, '\0'));
    QTest::newRow("user keeps * and #") << QStringLiteral("*12#____________") << true
                                        << (QByteArray("\x04*12#", 5) + QByteArray(12, '\0'));
    QTest::newRow("central drops * and #") << QStringLiteral("*12#____________") << false
                                           << (QByteArray("\x02" "12", 3) + QByteArray(14, '\0'));
    QTest::newRow("letters dropped") << QStringLiteral("1a2b____________") << false
                                     << (QByteArray("\x02" "12", 3) + QByteArray(14, '\0'));
    QTest::newRow("sixteen digits") << QStringLiteral("0123456789012345") << false
                                    << QByteArray("\x10" "0123456789012345", 17);
    QTest::newRow("empty") << QStringLiteral("________________") << true << QByteArray(17, '\0');
}

void TestFieldCodec::dialString()
{
    QFETCH(QString, cells);
    QFETCH(bool, user);
    QFETCH(QByteArray, element);
    const QStringList c = Cells(cells);
    QCOMPARE(PackDialString(c, user ? DialSet::User : DialSet::Plain), element);

    // In the image: user phone 1 (user set), central 2 and SMS forwarding 2 (plain set).
    TParamValues v = DefaultParamValues();
    (user ? v.userPhone[0] : v.centralPhone[1]) = c;
    v.smsForward2 = c;
    TParamImage image;
    BuildImageFromValues(v, image);
    QCOMPARE(Payload(image, "PHONE_NUMBERS", 102).mid(user ? 0 : 5 * 17, 17), element);
    QCOMPARE(Payload(image, "SMSFW_NUMBER2", 17), PackDialString(c, DialSet::Plain));
}

void TestFieldCodec::unpackDialString_data()
{
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<bool>("user");
    QTest::addColumn<QString>("cells");
    QTest::newRow("user number with *") << (QByteArray("\x04*12#", 5) + QByteArray(12, '\0')) << true << QStringLiteral("*12#____________");
    QTest::newRow("plain set leaves * cell empty") << (QByteArray("\x04*12#", 5) + QByteArray(12, '\0')) << false << QStringLiteral("_12_____________");
    QTest::newRow("count above 16 is 0") << QByteArray("\x11" "1234567890123456", 17) << false << QStringLiteral("________________");
    QTest::newRow("count limits the cells") << QByteArray("\x02" "12345678901234567", 17) << false << QStringLiteral("12______________");
}

void TestFieldCodec::unpackDialString()
{
    QFETCH(QByteArray, element);
    QFETCH(bool, user);
    QFETCH(QString, cells);
    QCOMPARE(UnpackDialString(U8(element), user ? DialSet::User : DialSet::Plain), Cells(cells));
}

void TestFieldCodec::hexDigits_data()
{
    QTest::addColumn<QStringList>("account");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("1 2 A f") << QStringList{"1", "2", "A", "f"} << QByteArray("\x01\x02\x0A\x00", 4);
    QTest::newRow("empty and junk") << QStringList{"", "G", "F", "9x"} << QByteArray("\x00\x00\x0F\x09", 4);
    QTest::newRow("missing cells") << QStringList{"E"} << QByteArray("\x0E\x00\x00\x00", 4);
}

void TestFieldCodec::hexDigits()
{
    QFETCH(QStringList, account);
    QFETCH(QByteArray, bytes);
    TParamValues v = DefaultParamValues();
    v.account = account;
    v.eventCode[10] = account.mid(0, 3);
    TParamImage image;
    BuildImageFromValues(v, image);
    QCOMPARE(Payload(image, "CTID_ACCOUNT", 4), bytes);
    QCOMPARE(Payload(image, "EVENT_CTID", 33).mid(30, 3), bytes.left(3));
    // On the way back a contact ID digit is masked to four bits, an account
    // digit is not.
    QCOMPARE(HexCellOfDigit(0x1B), QStringLiteral("B"));
    QCOMPARE(AccountCellOfValue(10), QStringLiteral("A"));
    QCOMPARE(AccountCellOfValue(16), QStringLiteral("G"));
}

void TestFieldCodec::smsElementLoading_data()
{
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<QString>("text");
    QTest::newRow("length 160 is the whole text") << (QByteArray(1, char(160)) + QByteArray(159, 'x') + "y")
                                                  << (QString(159, QLatin1Char('x')) + QStringLiteral("y"));
    QTest::newRow("length 161 is empty") << (QByteArray(1, char(161)) + QByteArray(160, 'x')) << QString();
    QTest::newRow("length 200 is empty") << (QByteArray(1, char(200)) + QByteArray(160, 'x')) << QString();
    QTest::newRow("trailing spaces removed") << QByteArray("\x06" "abc   ", 7) << QStringLiteral("abc");
    QTest::newRow("0x00 and 0xFF skipped") << QByteArray("\x05" "a\x00" "b\xFF" "c", 6) << QStringLiteral("abc");
    QTest::newRow("length limits the text") << QByteArray("\x02" "abcdef", 7) << QStringLiteral("ab");
    QTest::newRow("stored letters not unfolded") << QByteArray("\x03\xFB\xFC" "a", 4) << QStringLiteral("űüa");
}

void TestFieldCodec::smsElementLoading()
{
    QFETCH(QByteArray, element);
    QFETCH(QString, text);
    QByteArray full = element;
    full.append(QByteArray(161 - element.size(), '\0'));
    QCOMPARE(SmsTextOfElement(U8(full)), text);
}

void TestFieldCodec::storedSmsSurvivesLoadAndSave_data()
{
    QTest::addColumn<QByteArray>("element");
    // Bytes the code page leaves unassigned, between and beside ordinary ones.
    QTest::newRow("unassigned bytes") << QByteArray("\x08" "a\x81\x83\x88\x90\x98\x9A" "z", 9);
    QTest::newRow("only unassigned bytes") << QByteArray("\x05\x98\x90\x88\x83\x81", 6);
    QTest::newRow("code page letters and signs") << QByteArray("\x07\xFB\xFC\x8A\xE8\x80\x84\x94", 8);
}

void TestFieldCodec::storedSmsSurvivesLoadAndSave()
{
    // Read from a stored element into the editor's value, then written back:
    // the same bytes again.
    QFETCH(QByteArray, element);
    QByteArray stored = element;
    stored.append(QByteArray(161 - element.size(), '\0'));
    TParamValues v = DefaultParamValues();
    v.eventSms[5] = SmsTextOfElement(U8(stored));
    TParamImage image;
    BuildImageFromValues(v, image);
    const QByteArray sms = Payload(image, "EVENT_SMS", 11 * 161);
    QCOMPARE(sms.mid(5 * 161, 161).toHex(' '), stored.toHex(' '));
}

void TestFieldCodec::cellValidation_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("dial");
    QTest::addColumn<QString>("hex");
    QTest::newRow("digit") << "7" << "7" << "7";
    QTest::newRow("plus") << "+" << "+" << "";
    QTest::newRow("star") << "*" << "" << "";
    QTest::newRow("lower hex") << "c" << "" << "C";
    QTest::newRow("two characters") << "12" << "1" << "1";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("letter G") << "g" << "" << "";
}

void TestFieldCodec::cellValidation()
{
    QFETCH(QString, cell);
    QFETCH(QString, dial);
    QFETCH(QString, hex);
    QCOMPARE(ValidateDialCell(cell), dial);
    QCOMPARE(ValidateHexCell(cell), hex);
}

void TestFieldCodec::numbersAreCutToTheirLowByte()
{
    TParamValues v = DefaultParamValues();
    v.zoneSenseTime[2] = 0x1FE;
    v.clip = {-1, 3, 0, 2};
    v.centralModeRegular = false;
    v.testHour = 23;
    v.testMinute = 59;
    TParamImage image;
    BuildImageFromValues(v, image);
    QCOMPARE(Payload(image, "ZONE_SENSE_TIME", 4), QByteArray("\x00\x00\xFE\x00", 4));
    QCOMPARE(Payload(image, "INCALL_CLIP", 4), QByteArray("\xFF\x03\x00\x02", 4));
    QCOMPARE(image.ReadFieldByte("CENTRAL_MODE"), std::uint8_t(1));
    QCOMPARE(image.ReadFieldByte("TEST_TIME_H"), std::uint8_t(23));
    QCOMPARE(image.ReadFieldByte("TEST_TIME_M"), std::uint8_t(59));
    QVERIFY(image.IsImageValid());
}

void TestFieldCodec::dumpShowsEveryFieldDecoded()
{
    TParamValues v = DefaultParamValues();
    v.eventSms[0] = QStringLiteral("Betörés \"Z1\"");
    v.userPhone[1] = Cells(QStringLiteral("+3630#___________").left(16));
    v.account = QStringList{"1", "2", "A", "f"};
    v.relay1Rows[0] = v.relay1Rows[11] = true;
    TParamImage image;
    BuildImageFromValues(v, image);
    const QStringList lines = DumpImageFields(image);
    QCOMPARE(lines.size(), 29);
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(lines.at(i).startsWith(QString::fromLatin1(ExpectedImage::Directory().at(i).name) + " = "), qPrintable(lines.at(i)));
    QVERIFY(lines.contains(QStringLiteral("EVENT_CTID = 130 130 130 130 130 130 130 130 401 401 602")));
    QVERIFY(lines.contains(QStringLiteral("CTID_ACCOUNT = 12A0")));
    QVERIFY(lines.contains(QStringLiteral("REL1_ACT = 0x0801")));
    QVERIFY(lines.contains(QStringLiteral("ALARMTIME = 5")));
    QVERIFY(lines.contains(QStringLiteral("ZONE_24H = 0 0 0 0")));
    QVERIFY(lines.contains(QStringLiteral("PHONE_NUMBERS = \"\" \"+3630#\" \"\" \"\" \"\" \"\"")));
    const QString sms = lines.at(7);
    QVERIFY2(sms.startsWith(QStringLiteral("EVENT_SMS = \"Betores \\\"Z1\\\"\" \"\"")), qPrintable(sms));
}

void TestFieldCodec::listFieldDifferences_data()
{
    // The module's image is a fresh one with these bytes changed; the editor's is fresh.
    QTest::addColumn<ByteChanges>("changes");
    QTest::addColumn<int>("moduleLength");
    // "where|field|index|module value|editor value"
    QTest::addColumn<QStringList>("expected");
    using Changes = ByteChanges;
    QTest::newRow("equal") << Changes{} << 2688 << QStringList{};
    QTest::newRow("header byte") << Changes{{5, 'X'}} << 2688 << QStringList{"H|header|5|0x58|0x36"};
    QTest::newRow("zone sense time and relay mask")
        << Changes{{108, 7}, {2341, 0x05}} << 2688
        << QStringList{"E|ZONE_SENSE_TIME|2|7|0", "E|REL1_ACT|0|0x0005|0x0000"};
    QTest::newRow("SMS text in the code page") << Changes{{452, 2}, {453, 'h'}, {454, 0xF5}} << 2688
                                               << QStringList{QString::fromUtf8("E|EVENT_SMS|1|\"hő\"|\"\"")};
    QTest::newRow("dial string and hex digits") << Changes{{2098, 2}, {2099, '1'}, {2100, '#'}, {2276, 11}} << 2688
                                                << QStringList{"E|PHONE_NUMBERS|1|\"1#\"|\"\"", "E|CTID_ACCOUNT|0|00B0|0000"};
    QTest::newRow("record header") << Changes{{80, 5}} << 2688
                                   << QStringList{"R|ZONE_CIRCUIT|-1|5A 4F 4E 45 5F 43 49 52 43 55 49 54 20 20 20 02 05 00 01"
                                                  "|5A 4F 4E 45 5F 43 49 52 43 55 49 54 20 20 20 02 04 00 01"};
    QTest::newRow("padding") << Changes{{2687, 1}} << 2688 << QStringList{"P|padding|2687|0x01|0x00"};
    // A shorter module image is compared over its length only.
    QTest::newRow("short module image") << Changes{{108, 7}, {2341, 0x05}} << 2000
                                        << QStringList{"E|ZONE_SENSE_TIME|2|7|0"};
}

void TestFieldCodec::listFieldDifferences()
{
    using Where = FieldCatalogue::TFieldDifference::Where;
    QFETCH(ByteChanges, changes);
    QFETCH(int, moduleLength);
    QFETCH(QStringList, expected);
    const QByteArray editor = ExpectedImage::FreshImage();
    QByteArray module = editor;
    for (const auto &[offset, value] : changes)
        module[offset] = char(value);
    module.truncate(moduleLength);
    QStringList got;
    for (const FieldCatalogue::TFieldDifference &d : FieldCatalogue::ListFieldDifferences(module, editor)) {
        const char *where = d.where == Where::Element ? "E" : d.where == Where::RecordHeader ? "R"
                          : d.where == Where::Header ? "H" : "P";
        got << QStringLiteral("%1|%2|%3|%4|%5").arg(QLatin1String(where), d.field).arg(d.index).arg(d.moduleValue, d.editorValue);
    }
    QCOMPARE(got, expected);
}

void TestFieldCodec::dumpOfDamagedImages_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("absent");          // lines "NAME = (absent)"
    QTest::addColumn<QString>("expectedLine"); // one line that must be there (empty: none)
    QTest::newRow("empty") << QByteArray() << 29 << QString();
    QTest::newRow("10 bytes") << QByteArray("0123456789") << 29 << QString();
    QTest::newRow("63 bytes") << QByteArray(63, 'Z') << 29 << QString();
    QByteArray noise(1 << 20, '\0');
    quint32 seed = 12345;
    for (char &c : noise) {
        seed = seed * 1103515245u + 12345u;
        c = char(seed >> 24);
    }
    // No record of random bytes carries a catalogue name.
    QTest::newRow("1 MB noise") << noise << 29 << QString();
    QByteArray huge = ExpectedImage::FreshImage();
    huge[2081 - 19 + 16] = char(255); // PHONE_NUMBERS dimension 255 x 17
    huge[2081 - 19 + 17] = char(0xFF);
    huge[2081 - 19 + 18] = char(0xFF); // element size 65535
    // The eight fields before it show, and so does it: the catalogue's own sizes say
    // what is read. The 20 records after it cannot be reached.
    QTest::newRow("oversized record") << huge << 20 << QStringLiteral("PHONE_NUMBERS = \"\" \"\" \"\" \"\" \"\" \"\"");
}

void TestFieldCodec::dumpOfDamagedImages()
{
    QFETCH(QByteArray, data);
    QFETCH(int, absent);
    QFETCH(QString, expectedLine);
    TParamImage image;
    image.LoadFileBytes(data);
    const QStringList lines = DumpImageFields(image);
    QCOMPARE(lines.size(), 29);
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(lines.at(i).startsWith(QString::fromLatin1(ExpectedImage::Directory().at(i).name) + " = "), qPrintable(lines.at(i)));
    QCOMPARE(lines.filter(QStringLiteral(" = (absent)")).size(), absent);
    if (!expectedLine.isEmpty())
        QVERIFY2(lines.contains(expectedLine), qPrintable(lines.join('\n')));
}

QTEST_GUILESS_MAIN(TestFieldCodec)
#include "tst_fieldcodec.moc"
