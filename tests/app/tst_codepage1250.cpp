// The Windows-1250 table used for the log file and the module's texts.

#include "common/CodePage1250.h"

#include <QStringDecoder>
#include <QtTest>

class TestCodePage1250 : public QObject
{
    Q_OBJECT
private slots:
    void knownCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QStringLiteral("GPRS Morvo\r\n") << QByteArray("GPRS Morvo\r\n");
        QTest::newRow("hungarian long vowels") << QStringLiteral("őŐűŰáé") << QByteArray("\xF5\xD5\xFB\xDB\xE1\xE9");
        QTest::newRow("slovak and romanian") << QStringLiteral("ľščťžăşţ") << QByteArray("\xBE\x9A\xE8\x9D\x9E\xE3\xBA\xFE");
        QTest::newRow("euro and quotes") << QStringLiteral("€„”") << QByteArray("\x80\x84\x94");
    }
    void knownCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(ToCp1250(text), bytes);
        QCOMPARE(FromCp1250(bytes), text);
    }

    void outsideThePageBecomesQuestionMark_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("cyrillic") << QStringLiteral("aж") << QByteArray("a?");
        QTest::newRow("latin-1 only (n tilde)") << QStringLiteral("ñ") << QByteArray("?");
        QTest::newRow("outside the basic plane is one character") << QString::fromUtf8("x\xF0\x9F\x98\x80y") << QByteArray("x?y");
        QTest::newRow("replacement character") << QString(QChar(0xFFFD)) << QByteArray("?");
    }
    void outsideThePageBecomesQuestionMark()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(ToCp1250(text), bytes);
    }

    void everyByteRoundTrips()
    {
        for (int b = 0; b < 256; ++b) {
            const QByteArray one(1, char(b));
            const QString text = FromCp1250(one);
            QCOMPARE(text.size(), 1);
            QVERIFY2(ToCp1250(text) == one, qPrintable(QString("byte 0x%1").arg(b, 2, 16)));
        }
        // The five unassigned bytes come back from private-use characters.
        const QByteArray unassigned("\x81\x83\x88\x90\x98");
        const QString privateUse = FromCp1250(unassigned);
        QCOMPARE(privateUse, QString::fromUtf16(u"\uF781\uF783\uF788\uF790\uF798"));
        QCOMPARE(ToCp1250(QStringLiteral("a") + privateUse + QStringLiteral("ő")), QByteArray("a\x81\x83\x88\x90\x98\xF5"));
    }

    void agreesWithTheSystemConverter()
    {
        // An independent table (ICU) where the Qt build has one.
        QStringDecoder system("windows-1250");
        if (!system.isValid())
            QSKIP("no windows-1250 converter in this Qt build");
        for (int b = 0x80; b < 256; ++b) {
            const QByteArray one(1, char(b));
            const QString ours = FromCp1250(one);
            if (ours.at(0).unicode() >= 0xF700 && ours.at(0).unicode() <= 0xF7FF)
                continue; // unassigned in the code page
            QStringDecoder decoder("windows-1250");
            const QString theirs = decoder.decode(one);
            QVERIFY2(ours == theirs, qPrintable(QString("byte 0x%1").arg(b, 2, 16)));
        }
    }
};

QTEST_GUILESS_MAIN(TestCodePage1250)
#include "tst_codepage1250.moc"
