#include "transport/USBCommunicator.h"

#include <QLoggingCategory>
#include <QSerialPort>

Q_LOGGING_CATEGORY(lcUsb, "morvo3.usb", QtWarningMsg)

TCommunicator::TCommunicator(QObject *owner, const QString &description, int baudRate, PortLister lister)
    : QObject(owner)
    , m_description(description.isEmpty() ? DefaultDescription : description)
    , m_baudRate(baudRate)
    , m_lister(lister ? std::move(lister) : PortLister(&USBPorts::ListSerialPorts))
    , m_port(new QSerialPort(this))
{
    setObjectName(QStringLiteral("TCommunicator"));
    // A child, so that the diagnostic timers panel finds it by name.
    SearchTimer.setParent(this);
    SearchTimer.setObjectName(QStringLiteral("USBRefreshTimer"));
    SearchTimer.setInterval(SearchIntervalMs);
    SearchTimer.setSingleShot(true);
    connect(&SearchTimer, &QTimer::timeout, this, &TCommunicator::Search);
    connect(m_port, &QSerialPort::readyRead, this, &TCommunicator::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onPortError(int(e)); });
    SearchTimer.start();
}

TCommunicator::~TCommunicator()
{
    CloseDevice();
}

void TCommunicator::SetOnData(DataCallback callback)
{
    m_onData = std::move(callback);
}

void TCommunicator::Search()
{
    SearchTimer.stop();
    if (m_opened || m_lost)
        return;
    const QList<TPortEntry> ports = m_lister();
    for (const TPortEntry &entry : ports) {
        // Exact, case-sensitive comparison of the whole description; the first match wins.
        if (entry.description != m_description)
            continue;
        m_location = entry.location;
        OpenDevice();
        break;
    }
    if (m_opened) {
        emit deviceOpened(m_location);
        return;
    }
    if (!m_location.isEmpty() && !m_reportedFailures.contains(m_location)) {
        // Found but unusable (held by another program, no access, not a terminal):
        // tell once, then keep looking every second.
        m_reportedFailures.append(m_location);
        const QString failed = m_location;
        m_location.clear();
        SearchTimer.start();
        emit openFailed(failed);
        return;
    }
    m_location.clear();
    SearchTimer.start();
}

void TCommunicator::OpenDevice()
{
    if (m_location.isEmpty() || m_port->isOpen())
        return;
    m_port->setPortName(m_location);
    bool ok = false;
    for (int attempt = 0; attempt < OpenAttempts && !ok; ++attempt) {
        ok = m_port->open(QIODevice::ReadWrite);
        if (!ok)
            qCDebug(lcUsb) << "open attempt" << attempt + 1 << "failed:" << m_port->errorString();
    }
    if (!ok)
        return;
    m_port->setBaudRate(m_baudRate);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_port->clearError();
    m_opened = true;
    qCDebug(lcUsb) << "opened" << m_location;
}

int TCommunicator::CloseDevice()
{
    SearchTimer.stop();
    if (m_port->isOpen())
        m_port->close();
    m_opened = false;
    return 0;
}

qint64 TCommunicator::WriteData(const QByteArray &bytes)
{
    if (!m_opened || !m_port->isOpen())
        return 0;
    const qint64 n = m_port->write(bytes);
    if (n < 0) {
        qCDebug(lcUsb) << "write failed:" << m_port->errorString();
        return 0;
    }
    return n;
}

void TCommunicator::onReadyRead()
{
    if (!m_opened)
        return;
    const QByteArray data = m_port->readAll();
    if (!data.isEmpty() && m_onData)
        m_onData(data);
}

void TCommunicator::onPortError(int error)
{
    const auto e = QSerialPort::SerialPortError(error);
    if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError || !m_opened)
        return;
    if (e == QSerialPort::OpenError || e == QSerialPort::DeviceNotFoundError || e == QSerialPort::PermissionError)
        return; // reported by a failed open, handled by the search
    // A hang-up or read error repeats for as long as the port stays open and would
    // keep the event loop busy: close once and report the loss.
    qCDebug(lcUsb) << "port lost:" << m_port->errorString();
    m_port->close();
    m_opened = false;
    m_lost = true;
    QMetaObject::invokeMethod(this, &TCommunicator::deviceLost, Qt::QueuedConnection);
}
