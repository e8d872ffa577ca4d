#include "transport/UsbTransport.h"

#include "common/Morvo3Texts.h"
#include "transport/DeviceWatcher.h"

#include <QFileInfo>

TUsbTransport::TUsbTransport(Morvo3Texts &texts, const Options &options, QObject *parent)
    : TModuleTransport(parent)
    , m_texts(texts)
    , m_options(options)
{
    setObjectName(QStringLiteral("TUsbTransport"));
    if (m_options.watchDevices) {
        m_watcher = new TDeviceWatcher(this);
        connect(m_watcher, &TDeviceWatcher::deviceArrived, this, &TUsbTransport::DeviceArrived);
        connect(m_watcher, &TDeviceWatcher::deviceRemoved, this, &TUsbTransport::DeviceRemoved);
    }
}

TUsbTransport::~TUsbTransport()
{
    Close();
}

bool TUsbTransport::Open()
{
    m_open = true;
    CreateReader();
    return true;
}

void TUsbTransport::Close()
{
    m_open = false;
    ReleaseReader();
}

bool TUsbTransport::IsUp() const
{
    return m_reader && m_reader->opened();
}

bool TUsbTransport::Write(const QByteArray &wireFrame)
{
    if (!IsUp())
        return false;
    return m_reader->WriteData(wireFrame) == wireFrame.size();
}

void TUsbTransport::CreateReader()
{
    ReleaseReader();   // never two readers
    m_reader = new TCommunicator(this, QString(), TCommunicator::DefaultBaudRate, m_options.lister);
    m_reader->SetOnData([this](const QByteArray &bytes) {
        emit bytesReceived(bytes);
    });
    connect(m_reader, &TCommunicator::deviceOpened, this, &TUsbTransport::up);
    connect(m_reader, &TCommunicator::openFailed, this, [this](const QString &location) {
        emit openFailed(location);
        emit message(m_texts.text(QStringLiteral("lbTXT_DEVICE_OPEN_FAILED")));
    });
    // A hang-up on the open port is a removal of the device.
    connect(m_reader, &TCommunicator::deviceLost, this, &TUsbTransport::DeviceRemoved);
    if (m_options.searchAtOnce)
        m_reader->SearchNow();
}

void TUsbTransport::ReleaseReader()
{
    if (!m_reader)
        return;
    TCommunicator *reader = m_reader;
    m_reader = nullptr;
    reader->CloseDevice();
    reader->SetOnData({});
    reader->disconnect(this);
    // Released from inside its own notifications too, so it goes at the next turn
    // of the event loop; it is out of this transport's children at once.
    reader->setParent(nullptr);
    reader->deleteLater();
}

bool TUsbTransport::DeviceStillPresent() const
{
    return m_reader && m_reader->opened() && QFileInfo::exists(m_reader->location());
}

void TUsbTransport::DeviceRemoved()
{
    if (!m_open || DeviceStillPresent())
        return;
    ReleaseReader();
    emit lost();
}

void TUsbTransport::DeviceArrived()
{
    // A transfer on the open module must not be cut because some other device came.
    if (!m_open || DeviceStillPresent())
        return;
    CreateReader();
    emit restarted();
}
