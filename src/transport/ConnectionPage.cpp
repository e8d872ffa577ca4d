#include "transport/ConnectionPage.h"

#include "link/SerialDetails.h"
#include "link/ModuleSession.h"
#include "transport/RelayConnection.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {
template <typename T> T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

// The update link turns dark red under the mouse pointer and is navy otherwise.
class THoverColour : public QObject
{
public:
    using QObject::QObject;
    static void Paint(QWidget *w, bool hover)
    {
        QPalette p = w->palette();
        p.setColor(QPalette::Link, hover ? QColor(128, 0, 0) : QColor(0, 0, 128));
        w->setPalette(p);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (auto *w = qobject_cast<QWidget *>(watched)) {
            if (event->type() == QEvent::Enter)
                Paint(w, true);
            else if (event->type() == QEvent::Leave)
                Paint(w, false);
        }
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

TConnectionPage::TConnectionPage(TModuleSession &session, TRelayConnection &relay, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
    , m_relay(relay)
{
    setObjectName(QStringLiteral("tsKapcsolat"));
    m_rbUSB = named(new QRadioButton(QStringLiteral("A modul USB kábellel csatlakozik a számítógéphez"), this), "rbUSB");
    m_rbUSB->setGeometry(16, 16, 620, 24);
    m_rbUSB->setChecked(true);
    m_rbIPmode = named(new QRadioButton(QStringLiteral("Távoli modul elérése IP (internet) kapcsolaton keresztül"), this), "rbIPmode");
    m_rbIPmode->setGeometry(16, 44, 620, 24);
    connect(m_rbUSB, &QRadioButton::toggled, this, [this](bool on) {
        if (!on)
            return;
        emit focusAway();
        m_session.EnterUsbMode(TModeSwitch::User);
    });
    connect(m_rbIPmode, &QRadioButton::toggled, this, [this](bool on) {
        if (!on)
            return;
        emit focusAway();
        m_session.EnterIpMode();
    });

    auto *group = named(new QGroupBox(QStringLiteral("IP (internet) kapcsolat"), this), "gbGPRS");
    group->setGeometry(16, 80, 640, 470);
    auto addRow = [group](const QString &caption, QLineEdit *edit, int y) {
        auto *label = new QLabel(caption, group);
        // Named after its edit, so the language files find it.
        label->setObjectName(QStringLiteral("lb") + edit->objectName().mid(2));
        label->setGeometry(16, y + 3, 150, 20);
        edit->setGeometry(170, y, 220, 26);
    };
    m_edServerIP = named(new QLineEdit(group), "edServerIP");
    m_edSerialNr = named(new QLineEdit(group), "edSerialNr");
    m_edPWD = named(new QLineEdit(group), "edPWD");
    m_edPWD->setEchoMode(QLineEdit::Password);
    addRow(QStringLiteral("Szerver címe:"), m_edServerIP, 30);
    addRow(QStringLiteral("Modul sorozatszáma:"), m_edSerialNr, 62);
    addRow(QStringLiteral("Jelszó:"), m_edPWD, 94);
    m_cbSavePWD = named(new QCheckBox(QStringLiteral("Jelszó mentése"), group), "cbSavePWD");
    m_cbSavePWD->setGeometry(170, 126, 220, 24);
    m_btGPRS_Connect = named(new QPushButton(QStringLiteral("Kapcsolódás a szerverhez"), group), "btGPRS_Connect");
    m_btGPRS_Connect->setGeometry(410, 30, 210, 30);
    m_btGPRS_Disconnect = named(new QPushButton(QStringLiteral("Kapcsolat bontása"), group), "btGPRS_Disconnect");
    m_btGPRS_Disconnect->setGeometry(410, 66, 210, 30);
    m_memoGPRS = new TMemoControl(QStringLiteral("MemoGPRS"), group);
    m_memoGPRS->setGeometry(16, 160, 608, 256);
    m_btClearMemoGPRS = named(new QPushButton(QStringLiteral("Részletek törlése"), group), "btClearMemoGPRS");
    m_btClearMemoGPRS->setGeometry(16, 424, 160, 30);
    // Design state: the relay controls start disabled.
    for (QWidget *w : std::initializer_list<QWidget *>{m_btGPRS_Connect, m_btGPRS_Disconnect, m_cbSavePWD})
        w->setEnabled(false);
    connect(m_btGPRS_Connect, &QPushButton::clicked, this, &TConnectionPage::btGPRS_ConnectClick);
    connect(m_btGPRS_Disconnect, &QPushButton::clicked, this, &TConnectionPage::btGPRS_DisconnectClick);
    // The inputs were good and the session is being opened: only Disconnect makes sense now.
    connect(&m_relay, &TRelayConnection::connectStarted, this, [this] {
        m_btGPRS_Connect->setEnabled(false);
        m_btGPRS_Disconnect->setEnabled(true);
    });
    // The server closed the session: ready to connect again at once.
    connect(&m_relay, &TModuleTransport::lost, this, [this] {
        if (m_session.IsIpMode())
            ShowRelayIdle();
    });
    connect(m_btClearMemoGPRS, &QPushButton::clicked, this, [this] {
        emit focusAway();
        m_memoGPRS->clear();
    });

    auto *update = named(new QLabel(QStringLiteral("<a href=\"#\">Programfrissítések keresése</a>"), this), "lbVersionUpdate");
    update->setGeometry(16, 560, 300, 22);
    connect(update, &QLabel::linkActivated, this, &TConnectionPage::updateCheckRequested);
    THoverColour::Paint(update, false);
    update->installEventFilter(new THoverColour(update));

    connect(&session, &TModuleSession::modeChanged, this, [this](TConnectionMode mode, TModeSwitch how) {
        ApplyMode(mode == TConnectionMode::IP, how == TModeSwitch::User);
    });
}

TConnectionPage::RelayInputs TConnectionPage::Inputs() const
{
    return {m_edServerIP->text(), m_edSerialNr->text(), m_storedPassword, m_cbSavePWD->isChecked()};
}

void TConnectionPage::LoadInputs(const RelayInputs &inputs)
{
    m_edServerIP->setText(inputs.serverAddress);
    m_edSerialNr->setText(inputs.serialNr);
    m_edPWD->setText(inputs.password);
    m_storedPassword = inputs.password;
}

void TConnectionPage::SetSavePassword(bool save)
{
    m_cbSavePWD->setChecked(save);
}

void TConnectionPage::btGPRS_ConnectClick()
{
    emit focusAway();
    // A typed password replaces the stored one only when the user says so.
    QString password = m_storedPassword;
    const QString typed = m_edPWD->text();
    if (!typed.isEmpty() && typed != m_storedPassword) {
        if (m_askOverwrite && m_askOverwrite()) {
            m_edPWD->setText(typed.toUpper());
            m_storedPassword = m_edPWD->text();
            emit saveSettingsRequested();
            password = m_storedPassword;
        }
    }
    // The button stays usable for new input until the inputs pass (the relay
    // says connectStarted), and during the short pauses after bad input.
    m_btGPRS_Connect->setEnabled(false);
    const TRelayConnectResult result = m_relay.ConnectWithInputs(m_edServerIP->text(), m_edSerialNr->text(), password);
    if (result == TRelayConnectResult::Busy)
        return;
    if (result != TRelayConnectResult::Connected && m_session.IsIpMode())
        ShowRelayIdle();
}

void TConnectionPage::btGPRS_DisconnectClick()
{
    m_relay.DisconnectFromServer();
    ShowRelayIdle();
    emit relayDisconnected();
    m_session.ForgetModule();
    emit focusAway();
}

void TConnectionPage::ShowRelayIdle()
{
    m_btGPRS_Connect->setEnabled(true);
    m_btGPRS_Disconnect->setEnabled(false);
}

void TConnectionPage::ApplyMode(bool ipMode, bool byUser)
{
    // The radio buttons follow the session, whoever switched it.
    const QSignalBlocker usbBlock(m_rbUSB);
    const QSignalBlocker ipBlock(m_rbIPmode);
    m_rbUSB->setChecked(!ipMode);
    m_rbIPmode->setChecked(ipMode);
    for (QWidget *w : std::initializer_list<QWidget *>{m_edServerIP, m_edSerialNr, m_edPWD, m_memoGPRS,
                                                       m_btClearMemoGPRS})
        w->setEnabled(ipMode);
    m_btGPRS_Disconnect->setEnabled(false);
    m_btGPRS_Connect->setEnabled(ipMode);
    // At start-up the save box keeps its design state.
    if (ipMode || byUser)
        m_cbSavePWD->setEnabled(ipMode);
}
