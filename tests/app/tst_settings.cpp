// The settings file: the protected server password (two random pairs, tied to
// the MAC address text), the values that round-trip through the file, an
// emptied field keeping the old value, other lines of the file left alone, and
// files that are damaged in every way loading as defaults. The choice of the
// network interface whose address protects the password.

#include "app/MACunit.h"
#include "app/Settings.h"

#include "Morvo3Config.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString Mac = QStringLiteral("00-1a-2b-3c-4d-5e");
// Only the first 16 characters of the 17 take part in the key.
const QString OtherMac = QStringLiteral("00-1a-2b-3c-4e-5e");
const QString Password = QStringLiteral("0123-4567-89AB-CDEF-0123");

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

// Runs with a fixed MAC address text while it lives.
struct FixedMac
{
    explicit FixedMac(const QString &mac) { MACunit::SetMacAddressSource([mac] { return mac; }); }
    ~FixedMac() { MACunit::SetMacAddressSource({}); }
};
}

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void passwordSavedTwiceDiffersAndDecodes();
    void decodeKnownValue();
    void passwordFromAnotherComputerIsEmpty();
    void passwordNotTwentyDigitsIsNotStored();
    void roundTrip_data();
    void roundTrip();
    void emptiedFieldsKeepTheOldValues();
    void otherLinesStayAsTheyWere();
    void damagedFilesGiveDefaults_data();
    void damagedFilesGiveDefaults();
    void interfaceChoice_data();
    void interfaceChoice();

private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("morvo3.INI")); }
};

void TestSettings::passwordSavedTwiceDiffersAndDecodes()
{
    const QString a = Settings::EncodeStoredPassword(Password, Mac);
    const QString b = Settings::EncodeStoredPassword(Password.toLower(), Mac);
    QCOMPARE(a.size(), 64);
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{64}$")).match(a).hasMatch());
    // The random pairs make the values differ (equal only with odds of 1 in 65025).
    QVERIFY(a != b);
    QCOMPARE(Settings::DecodeStoredPassword(a, Mac), Password);
    QCOMPARE(Settings::DecodeStoredPassword(b.toLower(), Mac), Password);
}

void TestSettings::decodeKnownValue()
{
    // "ZEHL" "3A" "0123456789ABCDEF0123" "7F" "SOFT" encrypted by openssl under
    // the default settings key XOR "00-1a-2b-3c-4d-5" (16 characters of the MAC text).
    if (QByteArray(reinterpret_cast<const char *>(Morvo3Config::SettingsKey), 16)
        != QByteArray::fromHex("53657474696E67734B65794D6F727633"))
        QSKIP("built with another settings key");
    const QString stored = QStringLiteral("DC36A2918C9B926EAE8FB3E9699F533529835D5313FDAC3019891858F5734484");
    QCOMPARE(Settings::DecodeStoredPassword(stored, Mac), Password);
}

void TestSettings::passwordFromAnotherComputerIsEmpty()
{
    const QString stored = Settings::EncodeStoredPassword(Password, Mac);
    QCOMPARE(Settings::DecodeStoredPassword(stored, OtherMac), QString());
    QCOMPARE(Settings::DecodeStoredPassword(stored, QString()), QString());

    // Through the file: written on one computer, read on another.
    {
        FixedMac here(Mac);
        TSettingsValues v;
        v.Password = Password;
        v.SavePassword = true;
        QVERIFY(Settings::SaveSettings(path(), v));
        QCOMPARE(Settings::LoadSettings(path()).Password, Password);
    }
    FixedMac there(OtherMac);
    const TSettingsValues loaded = Settings::LoadSettings(path());
    QCOMPARE(loaded.Password, QString());
    QCOMPARE(loaded.SavePassword, true);
}

void TestSettings::passwordNotTwentyDigitsIsNotStored()
{
    QCOMPARE(Settings::EncodeStoredPassword(QStringLiteral("0123-4567-89AB-CDEF-012"), Mac), QString());
    QCOMPARE(Settings::EncodeStoredPassword(QStringLiteral("0123456789ABCDEF01234"), Mac), QString());
    FixedMac here(Mac);
    TSettingsValues v;
    v.Password = QStringLiteral("12345");
    v.SavePassword = true;
    QVERIFY(Settings::SaveSettings(path(), v));
    QVERIFY(readFile(path()).contains("\nPWD=\n"));
    QVERIFY(readFile(path()).contains("\nPWD_STORE=True\n"));
}

void TestSettings::roundTrip_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("savePassword");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QByteArray>("expectedLines");

    QTest::newRow("HUN, password kept, updates allowed") << "HUN" << true << true
        << QByteArray("PWD_STORE=True\n|LNG_CODE=HUN\n|ALLOWED=True\n");
    QTest::newRow("ENG, password not kept") << "ENG" << false << true
        << QByteArray("PWD=\n|PWD_STORE=False\n|LNG_CODE=ENG\n");
    QTest::newRow("SK, updates not allowed") << "SK" << false << false << QByteArray("LNG_CODE=SK\n|ALLOWED=False\n");
    QTest::newRow("RO") << "RO" << true << false << QByteArray("LNG_CODE=RO\n");
}

void TestSettings::roundTrip()
{
    QFETCH(QString, language);
    QFETCH(bool, savePassword);
    QFETCH(bool, allowed);
    QFETCH(QByteArray, expectedLines);
    FixedMac here(Mac);
    QFile::remove(path());
    TSettingsValues v;
    v.ServerIP = QStringLiteral("relay.example.org");
    v.SerialNr = QStringLiteral("SN-0ABC");
    v.Password = Password;
    v.SavePassword = savePassword;
    v.LanguageCode = language;
    v.UpdateCheckAllowed = allowed;
    QVERIFY(Settings::SaveSettings(path(), v));

    const QByteArray text = readFile(path());
    for (const QByteArray &line : expectedLines.split('|'))
        QVERIFY2(text.contains('\n' + line), text.constData());
    QVERIFY(text.contains("[GPRS]\nIP=relay.example.org\nID=SN-0ABC\n"));

    const TSettingsValues loaded = Settings::LoadSettings(path());
    QCOMPARE(loaded.ServerIP, v.ServerIP);
    QCOMPARE(loaded.SerialNr, v.SerialNr);
    QCOMPARE(loaded.Password, savePassword ? Password : QString());
    QCOMPARE(loaded.SavePassword, savePassword);
    QCOMPARE(loaded.LanguageCode, language);
    QCOMPARE(loaded.UpdateCheckAllowed, allowed);
}

void TestSettings::emptiedFieldsKeepTheOldValues()
{
    FixedMac here(Mac);
    QFile::remove(path());
    TSettingsValues v;
    v.ServerIP = QStringLiteral("10.0.0.1");
    v.SerialNr = QStringLiteral("7A7");
    v.LanguageCode = QStringLiteral("ENG");
    QVERIFY(Settings::SaveSettings(path(), v));
    v.ServerIP.clear();
    v.SerialNr.clear();
    v.LanguageCode = QStringLiteral("UNKNOWN");   // not a language: LNG_CODE is left alone
    QVERIFY(Settings::SaveSettings(path(), v));
    const TSettingsValues loaded = Settings::LoadSettings(path());
    QCOMPARE(loaded.ServerIP, QStringLiteral("10.0.0.1"));
    QCOMPARE(loaded.SerialNr, QStringLiteral("7A7"));
    QCOMPARE(loaded.LanguageCode, QStringLiteral("ENG"));
}

void TestSettings::otherLinesStayAsTheyWere()
{
    // A file edited by hand, with Windows line ends, a comment, another section,
    // a quoted value and lower-case key names.
    FixedMac here(Mac);
    const QByteArray before = "; kept by hand\r\n[OTHER]\r\nX=\"quoted, kept\"\r\n\r\n[gprs]\r\nip=1.2.3.4\r\n"
                              "\r\n[VERSION_CHECK]\r\nALLOWED=True\r\n";
    writeFile(path(), before);
    TSettingsValues v = Settings::LoadSettings(path());
    QCOMPARE(v.ServerIP, QStringLiteral("1.2.3.4"));
    v.ServerIP = QStringLiteral("host name=with equals");
    v.UpdateCheckAllowed = false;
    QVERIFY(Settings::SaveSettings(path(), v));
    const QByteArray after = readFile(path());
    QCOMPARE(after,
             QByteArray("; kept by hand\r\n[OTHER]\r\nX=\"quoted, kept\"\r\n\r\n[gprs]\r\nip=host name=with equals\r\n"
                        "PWD=\r\nPWD_STORE=False\r\n\r\n[VERSION_CHECK]\r\nALLOWED=False\r\n"));
    QCOMPARE(Settings::LoadSettings(path()).ServerIP, QStringLiteral("host name=with equals"));
}

void TestSettings::damagedFilesGiveDefaults_data()
{
    QTest::addColumn<QByteArray>("content");
    QByteArray garbage;
    for (int i = 0; i < 70000; ++i)
        garbage += char((i * 7919 + 13) & 0xFF);
    QTest::newRow("binary garbage") << garbage;
    QTest::newRow("garbage around the sections") << garbage + "\n[GPRS]\nPWD=" + garbage.left(64) + "\n" + garbage;
    QTest::newRow("a 2 MB line") << QByteArray("[GPRS]\nPWD=") + QByteArray(2 * 1024 * 1024, 'A') + "\n";
    QTest::newRow("PWD of 63 digits") << QByteArray("[GPRS]\nPWD=") + QByteArray(63, 'A') + "\n";
    QTest::newRow("PWD of 64 non-hex characters") << QByteArray("[GPRS]\nPWD=") + QByteArray(64, 'Z') + "\n";
    QTest::newRow("PWD of 64 digits that are no password") << QByteArray("[GPRS]\nPWD=") + QByteArray(64, 'A') + "\n";
    QTest::newRow("values in the wrong case") << QByteArray("[GPRS]\nPWD_STORE=true\n[VERSION_CHECK]\nALLOWED=TRUE\n");
    QTest::newRow("section without its bracket") << QByteArray("[GPRS\nPWD_STORE=True\n");
    static const char withNuls[] = "[GPRS]\0\nPWD_STORE=\0True\n";
    QTest::newRow("NUL bytes") << QByteArray(withNuls, sizeof withNuls - 1);
    QTest::newRow("empty") << QByteArray();
}

void TestSettings::damagedFilesGiveDefaults()
{
    QFETCH(QByteArray, content);
    FixedMac here(Mac);
    writeFile(path(), content);
    const TSettingsValues v = Settings::LoadSettings(path());
    QCOMPARE(v.Password, QString());
    QCOMPARE(v.SavePassword, false);
    QVERIFY(v.LanguageCode == QLatin1String("UNKNOWN") || Settings::LanguageIndexForCode(v.LanguageCode) < 0);
    // ALLOWED is "True" unless the file says otherwise in exactly that spelling.
    if (!content.contains("ALLOWED"))
        QCOMPARE(v.UpdateCheckAllowed, true);
    else
        QCOMPARE(v.UpdateCheckAllowed, false);
    // Saving over such a file works and gives a readable file again.
    TSettingsValues w;
    w.ServerIP = QStringLiteral("10.1.1.1");
    w.LanguageCode = QStringLiteral("SK");
    QVERIFY(Settings::SaveSettings(path(), w));
    const TSettingsValues back = Settings::LoadSettings(path());
    QCOMPARE(back.ServerIP, QStringLiteral("10.1.1.1"));
    QCOMPARE(back.LanguageCode, QStringLiteral("SK"));
}

void TestSettings::interfaceChoice_data()
{
    QTest::addColumn<QList<TNetInterfaceInfo>>("interfaces");
    QTest::addColumn<QString>("mac");
    const TNetInterfaceInfo lo{QStringLiteral("lo"), QStringLiteral("00:00:00:00:00:00"), true};
    const TNetInterfaceInfo eth0{QStringLiteral("eth0"), QStringLiteral("52:54:00:AB:cd:0F"), false};
    const TNetInterfaceInfo enp{QStringLiteral("enp3s0"), QStringLiteral("00:1A:2B:3C:4D:5E"), false};
    const TNetInterfaceInfo tun{QStringLiteral("a-tun"), QString(), false};
    const TNetInterfaceInfo zero{QStringLiteral("0zero"), QStringLiteral("00:00:00:00:00:00"), false};
    const TNetInterfaceInfo loopbackWithMac{QStringLiteral("0lo"), QStringLiteral("02:00:00:00:00:01"), true};
    QTest::newRow("none") << QList<TNetInterfaceInfo>{} << QString();
    QTest::newRow("loopback only") << QList<TNetInterfaceInfo>{lo} << QString();
    QTest::newRow("one interface, lower case") << QList<TNetInterfaceInfo>{lo, eth0} << "52-54-00-ab-cd-0f";
    QTest::newRow("ordered by name, not by listing") << QList<TNetInterfaceInfo>{eth0, enp, lo} << "00-1a-2b-3c-4d-5e";
    QTest::newRow("same set, other listing") << QList<TNetInterfaceInfo>{lo, enp, eth0} << "00-1a-2b-3c-4d-5e";
    QTest::newRow("without hardware address skipped") << QList<TNetInterfaceInfo>{tun, zero, eth0} << "52-54-00-ab-cd-0f";
    QTest::newRow("loopback with an address skipped") << QList<TNetInterfaceInfo>{loopbackWithMac, eth0} << "52-54-00-ab-cd-0f";
}

void TestSettings::interfaceChoice()
{
    QFETCH(QList<TNetInterfaceInfo>, interfaces);
    QFETCH(QString, mac);
    QCOMPARE(MACunit::ChooseMacAddressText(interfaces), mac);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
