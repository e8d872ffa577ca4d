// The text catalogue and its window.

#include "common/Morvo3Texts.h"
#include "app/TextContainer.h"

#include <QDirIterator>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

namespace {
// Every key a procedure of the program composes a message from.
const QStringList UsedKeys = {
    "lbTXT_ARM_STATE_ARMED", "lbTXT_ARM_STATE_DISARMED", "lbTXT_BAD_PORT_NUMBER", "lbTXT_CANNOT_SAVE_DATA",
    "lbTXT_CANNOT_SEND_DATA", "lbTXT_CENTRAL_STATION", "lbTXT_CLEAN_SUCCES", "lbTXT_comment0", "lbTXT_comment1",
    "lbTXT_comment2", "lbTXT_comment3", "lbTXT_comment4", "lbTXT_comment4b", "lbTXT_comment5", "lbTXT_comment6",
    "lbTXT_comment7", "lbTXT_comment8", "lbTXT_comment9", "lbTXT_CONNECTED_MODULE_NAME",
    "lbTXT_CONNECTING_TO_SERVER", "lbTXT_EVENT_DATE", "lbTXT_EVENT_PROPS", "lbTXT_EVENT_TARGET",
    "lbTXT_EVENT_TYPE_ER", "lbTXT_EVENT_TYPE_NO", "lbTXT_EVENT_TYPE_OK", "lbTXT_EVENT_TYPE_RE",
    "lbTXT_EVENT_TYPE_ST", "lbTXT_EVENT_TYPE_TO", "lbTXT_EVENT_TYPE_UN", "lbTXT_EVSTATE_DELAYED",
    "lbTXT_EVSTATE_FINSHED", "lbTXT_EVSTATE_PROCESSING", "lbTXT_EVSTATE_STOPPED", "lbTXT_FAILED_TO_READ_FILE",
    "lbTXT_GIVE_PASSWORD_FIRST", "lbTXT_GIVEN_PWD_NOT_CORRECT", "lbTXT_INCOMPATIBLE_FILE",
    "lbTXT_INCOMPATIBLE_MODULE", "lbTXT_INPUT_LABEL_ALARM", "lbTXT_INPUT_LABEL_DISARMED",
    "lbTXT_INPUT_LABEL_IDLE", "lbTXT_INVALID_PWD", "lbTXT_INVALID_SERIAL_NR", "lbTXT_NEW_PW_Form_CAPTION",
    "lbTXT_NO_CONNECTION", "lbTXT_NO_SERIAL_CONN", "lbTXT_NO_UPDATE_REQUIRED", "lbTXT_OFF", "lbTXT_ON",
    "lbTXT_OPEN", "lbTXT_PASSWORD", "lbTXT_PW_CAPTION1", "lbTXT_PW_CAPTION2", "lbTXT_PW_CAPTION3",
    "lbTXT_PW_CAPTION4", "lbTXT_PW_CHANGE_OK", "lbTXT_READ_DATA_ANYHOW", "lbTXT_VANTREL_INCOMPATIBLE",
    "lbTXT_SECUR_PW_OK", "lbTXT_SHORT", "lbTXT_STARTED_VANTREL_NAME", "lbTXT_TEST_ANSWER_OK",
    "lbTXT_UNABLE_TO_CONNECT", "lbTXT_DEVICE_OPEN_FAILED", "lbTXT_NOT_AVAILABLE"};
} // namespace

class TestTexts : public QObject
{
    Q_OBJECT
private slots:
    void everyUsedKeyHasAText()
    {
        Morvo3Texts texts;
        // Beside the keys listed above, every key a source file names literally.
        QStringList keys = UsedKeys;
        QStringList named;
        const QString sources = QFINDTESTDATA("../../src");
        QVERIFY2(!sources.isEmpty(), "the source tree is not found next to the test");
        const QRegularExpression literal(QStringLiteral("\"(lbTXT_[A-Za-z0-9_]+)\""));
        QDirIterator it(sources, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith(QLatin1String("/Morvo3Texts.cpp")))
                continue; // the catalogue itself
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
            const QString text = QString::fromUtf8(file.readAll());
            for (auto m = literal.globalMatch(text); m.hasNext();) {
                const QString key = m.next().captured(1);
                named << key;
                if (!keys.contains(key))
                    keys << key;
            }
        }
        QVERIFY2(named.contains("lbTXT_NO_SERIAL_CONN"), "the scan missed a key the transfer procedures name");
        for (const QString &key : std::as_const(keys)) {
            QVERIFY2(texts.contains(key), qPrintable(key));
            QVERIFY2(!texts.text(key).trimmed().isEmpty(), qPrintable(key));
        }
    }

    void builtInTexts_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("leading blank kept") << "lbTXT_NO_SERIAL_CONN" << " Nincs soros kapcsolat.";
        QTest::newRow("legend keeps two blanks") << "lbTXT_comment0" << "  Jelmagyarázat:";
        QTest::newRow("two lines") << "lbTXT_BAD_PORT_NUMBER"
                                   << "A megadott portszám nem értelmezhető,\nalapértelmezett port érvényben : 3333!";
        QTest::newRow("programme name") << "lbTXT_STARTED_VANTREL_NAME" << "Program :";
    }
    void builtInTexts()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QCOMPARE(Morvo3Texts().text(key), text);
    }

    void containerFollowsTheCatalogue()
    {
        Morvo3Texts texts;
        TTextContainer container(texts);
        for (const QString &key : texts.keys()) {
            QLabel *label = container.findChild<QLabel *>(key);
            QVERIFY2(label, qPrintable(key));
            QCOMPARE(label->text(), texts.text(key));
        }
        QVERIFY(texts.setText("lbTXT_NO_CONNECTION", "No connection!"));
        QCOMPARE(container.findChild<QLabel *>("lbTXT_NO_CONNECTION")->text(), QString("No connection!"));
        texts.resetToBuiltIn();
        QCOMPARE(container.findChild<QLabel *>("lbTXT_NO_CONNECTION")->text(), QString("Nincs kapcsolat!"));
        QVERIFY(!container.isVisible());
    }
};

QTEST_MAIN(TestTexts)
#include "tst_texts.moc"
