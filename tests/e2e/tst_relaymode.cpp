// The real program in IP mode against the simulated relay server: the
// connection page's input checks, connect, identification and login through
// the relay, a read and a compare with the parameter page's buttons, the
// disconnect button, and a server that closes the session by itself.

#include "SimProcess.h"

#include "app/Application.h"
#include "app/DialogForm.h"
#include "app/Main.h"
#include "link/SerialDetails.h"
#include "params/ParamFiles.h"
#include "transport/RelayConnection.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <memory>

namespace {
constexpr int ParameterPage = 2;
const QString ServerPassword = QStringLiteral("01000000000000000000");

// The whole program, started with the relay server's port on its command line.
struct RelayRig
{
    std::unique_ptr<TMorvo3Application> app;
    TMainForm *main = nullptr;

    explicit RelayRig(quint16 port)
        : app(std::make_unique<TMorvo3Application>(QStringList{QString::number(port)}))
    {
        app->Start();
        main = app->MainForm();
        main->show();
        QTest::mouseClick(get<QRadioButton>("rbIPmode"), Qt::LeftButton, {}, QPoint(8, 8));
    }
    ~RelayRig()
    {
        if (main)
            main->close();
    }
    template <typename T = QWidget> T *get(const char *name) const { return main->findChild<T *>(QLatin1String(name)); }
    QString memo() const { return get<TMemoControl>("MemoGPRS")->Lines().join(QLatin1Char('\n')); }
    // Types the inputs and presses Connect; a new password is confirmed with Yes.
    void connect(const QString &server, const QString &serial, const QString &password)
    {
        get<QLineEdit>("edServerIP")->setText(server);
        get<QLineEdit>("edSerialNr")->setText(serial);
        get<QLineEdit>("edPWD")->setText(password);
        QTimer::singleShot(200, main, [this] {
            if (auto *yes = app->Windows().Dialog->findChild<QPushButton *>(QStringLiteral("btnYes"));
                yes && app->Windows().Dialog->isVisible())
                yes->click();
        });
        QTest::mouseClick(get<QPushButton>("btGPRS_Connect"), Qt::LeftButton);
    }
    bool commandsEnabled() const
    {
        return !get("spbReadModule")->isHidden() && get("spbReadModuleDisabled")->isHidden();
    }
};
} // namespace

class TestRelayMode : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void inputChecks_data();
    void inputChecks();
    void connectIdentifyReadCompareDisconnect();
    void serverClosesTheSession();
};

void TestRelayMode::initTestCase()
{
    if (SimProcess::executable().isEmpty())
        QSKIP("morvo3-sim is not built");
}

void TestRelayMode::inputChecks_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("line");
    QTest::newRow("no password") << QString() << "ABC" << "Kérem, kapcsolódás előtt adja meg a jelszót!";
    QTest::newRow("19 digits") << "0100000000000000000" << "ABC" << "Hibás a megadott jelszó !";
    QTest::newRow("serial of one digit") << ServerPassword << "7" << "Hibás a megadott sorozatszám!";
    QTest::newRow("serial 000") << ServerPassword << "000" << "Hibás a megadott sorozatszám!";
}

void TestRelayMode::inputChecks()
{
    QFETCH(QString, password);
    QFETCH(QString, serial);
    QFETCH(QString, line);
    // No server behind the port: bad input never gets as far as connecting.
    RelayRig rig(1);
    rig.connect(QStringLiteral("127.0.0.1"), serial, password);
    QTRY_VERIFY_WITH_TIMEOUT(rig.memo().contains(line), 3000);
    QVERIFY(!rig.memo().contains(QStringLiteral("Kapcsolódás a szerverhez...")));
    QVERIFY(rig.get("btGPRS_Connect")->isEnabled());
    QVERIFY(!rig.get("btGPRS_Disconnect")->isEnabled());
    QVERIFY(!rig.main->Relay()->Connected);
}

void TestRelayMode::connectIdentifyReadCompareDisconnect()
{
    SimProcess sim;
    QVERIFY2(sim.startRelay({"--serial", "ABC", "--rtt", "300", "--status-interval", "0"}), qPrintable(sim.lastError()));
    RelayRig rig(sim.relayPort());
    QCOMPARE(rig.main->Relay()->ServerPort(), sim.relayPort());
    rig.connect(QStringLiteral("127.0.0.1"), QStringLiteral("ABC"), ServerPassword);
    QVERIFY(rig.main->Relay()->Connected);
    QVERIFY(!rig.get("btGPRS_Connect")->isEnabled());
    QVERIFY(rig.get("btGPRS_Disconnect")->isEnabled());
    QVERIFY(rig.memo().contains(QStringLiteral("GPRS connected...")));

    // Link check, login and identification run as over the cable.
    QTRY_VERIFY_WITH_TIMEOUT(!rig.get<QLabel>("lbVersion")->text().isEmpty(), 20000);
    QCOMPARE(rig.get<QLabel>("lbVersion")->text(), QStringLiteral("Morvo3  GPRS v2.04  HW3  DataVersion:110"));
    QVERIFY(rig.commandsEnabled());
    QCOMPARE(rig.main->ConnectionIndicator(), TConnectionIndicator::OK);

    QSignalSpy finished(rig.main->ParamCommands(), &TParamPageCommands::transferFinished);
    rig.get<QTabWidget>("pcMain")->setCurrentIndex(ParameterPage);
    QTest::mouseClick(rig.get<QToolButton>("spbReadModule"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    QCOMPARE(finished.at(0).at(0).value<TTransferOutcome>(), TTransferOutcome::Success);
    QTest::mouseClick(rig.get<QToolButton>("spbCompareData"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 60000);
    QCOMPARE(finished.at(1).at(0).value<TTransferOutcome>(), TTransferOutcome::Success);

    QTest::mouseClick(rig.get<QPushButton>("btGPRS_Disconnect"), Qt::LeftButton);
    QVERIFY(rig.get("btGPRS_Connect")->isEnabled());
    QVERIFY(!rig.get("btGPRS_Disconnect")->isEnabled());
    QCOMPARE(rig.get<QLabel>("lbVersion")->text(), QString());
    QVERIFY(!rig.commandsEnabled());
    QVERIFY(!rig.main->Core().Link.PasswordAcceptedFlag);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.main->Relay()->Connected, 2000);
}

void TestRelayMode::serverClosesTheSession()
{
    SimProcess sim;
    QVERIFY2(sim.startRelay({"--serial", "ABC", "--rtt", "50", "--status-interval", "0", "--close-after", "4"}),
             qPrintable(sim.lastError()));
    RelayRig rig(sim.relayPort());
    rig.connect(QStringLiteral("127.0.0.1"), QStringLiteral("ABC"), ServerPassword);
    QVERIFY(rig.main->Relay()->Connected);
    QTRY_VERIFY_WITH_TIMEOUT(rig.memo().contains(QStringLiteral("Disconnected from GPRS server.")), 10000);
    QCOMPARE(rig.main->ConnectionIndicator(), TConnectionIndicator::NONE);
    QCOMPARE(rig.get<QLabel>("lbVersion")->text(), QString());
    QVERIFY(!rig.commandsEnabled());
    // Nothing is left half-open: Connect is offered and works at once.
    QVERIFY(rig.get("btGPRS_Connect")->isEnabled());
    QVERIFY(!rig.get("btGPRS_Disconnect")->isEnabled());
    rig.connect(QStringLiteral("127.0.0.1"), QStringLiteral("ABC"), ServerPassword);
    QVERIFY(rig.main->Relay()->Connected);
}

QTEST_MAIN(TestRelayMode)
#include "tst_relaymode.moc"
