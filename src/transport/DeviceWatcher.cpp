#include "transport/DeviceWatcher.h"

#include "transport/USBPorts.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QSerialPortInfo>
#include <QSocketNotifier>

#include <sys/stat.h>

#include <utility>

#ifdef MORVO3_HAVE_UDEV
#include <libudev.h>
#endif

Q_DECLARE_LOGGING_CATEGORY(lcUsb)

namespace {
#ifdef MORVO3_HAVE_UDEV
constexpr char UdevControlSocket[] = "/run/udev/control";
#endif

// Identity of the device behind a path: the path's own inode and change time (a
// link that is made anew differs) plus the device it resolves to.
QString portIdentity(const QString &path)
{
    struct stat st = {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    return QStringLiteral("%1:%2.%3:%4")
        .arg(st.st_ino)
        .arg(st.st_ctim.tv_sec)
        .arg(st.st_ctim.tv_nsec)
        .arg(QFileInfo(path).canonicalFilePath());
}

QHash<QString, QString> presentExtraPorts()
{
    QHash<QString, QString> present;
    for (const TPortEntry &e : USBPorts::PresentExtraPorts())
        present.insert(e.location, portIdentity(e.location));
    return present;
}

// Paths that left (or were made anew) and paths that came, from one check to the next.
void comparePresence(const QHash<QString, QString> &before, const QHash<QString, QString> &now,
                     QStringList &gone, QStringList &came)
{
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const auto there = now.constFind(it.key());
        if (there == now.cend())
            gone << it.key();
        else if (there.value() != it.value()) {
            // Gone and back again between two checks.
            gone << it.key();
            came << it.key();
        }
    }
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (!before.contains(it.key()))
            came << it.key();
}
}

TDeviceWatcher::TDeviceWatcher(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("TDeviceWatcher"));
#ifdef MORVO3_HAVE_UDEV
    // The monitor can be made without a udev daemon (containers), but then no
    // notice ever comes: without the daemon's control socket the list is polled.
    if (QFileInfo::exists(QString::fromLatin1(UdevControlSocket)))
        m_udev = udev_new();
    if (m_udev)
        m_udevMonitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (m_udevMonitor
        && udev_monitor_filter_add_match_subsystem_devtype(m_udevMonitor, "tty", nullptr) >= 0
        && udev_monitor_enable_receiving(m_udevMonitor) >= 0) {
        m_udevNotifier = new QSocketNotifier(udev_monitor_get_fd(m_udevMonitor), QSocketNotifier::Read, this);
        connect(m_udevNotifier, &QSocketNotifier::activated, this, &TDeviceWatcher::onUdevEvent);
    } else {
        // Containers and minimal systems often have no udev: the port list is polled.
        qCDebug(lcUsb) << "no udev hot-plug notices available, polling the port list";
        if (m_udevMonitor)
            udev_monitor_unref(m_udevMonitor);
        m_udevMonitor = nullptr;
    }
#endif
    if (!m_udevMonitor)
        m_systemPorts = &TDeviceWatcher::SystemPortLocations;
    startChecking();
}

TDeviceWatcher::TDeviceWatcher(PortLister systemPorts, QObject *parent)
    : QObject(parent)
    , m_systemPorts(std::move(systemPorts))
{
    setObjectName(QStringLiteral("TDeviceWatcher"));
    startChecking();
}

void TDeviceWatcher::startChecking()
{
    m_presentExtra = presentExtraPorts();
    m_presentSystem = presentSystemPorts();
    ExtraPortTimer.setObjectName(QStringLiteral("ExtraPortTimer"));
    ExtraPortTimer.setInterval(ExtraPortCheckMs);
    connect(&ExtraPortTimer, &QTimer::timeout, this, &TDeviceWatcher::CheckPorts);
    ExtraPortTimer.start();
}

QStringList TDeviceWatcher::SystemPortLocations()
{
    QStringList locations;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        locations << info.systemLocation();
    return locations;
}

TDeviceWatcher::~TDeviceWatcher()
{
#ifdef MORVO3_HAVE_UDEV
    delete m_udevNotifier;
    if (m_udevMonitor)
        udev_monitor_unref(m_udevMonitor);
    if (m_udev)
        udev_unref(m_udev);
#endif
}

void TDeviceWatcher::ReportChanges(QHash<QString, QString> &known, const QHash<QString, QString> &now)
{
    QStringList gone, came;
    comparePresence(known, now, gone, came);
    known = now;
    for (const QString &path : std::as_const(gone))
        emit deviceRemoved(path);
    for (const QString &path : std::as_const(came))
        emit deviceArrived(path);
}

void TDeviceWatcher::CheckExtraPorts()
{
    ReportChanges(m_presentExtra, presentExtraPorts());
}

QHash<QString, QString> TDeviceWatcher::presentSystemPorts() const
{
    QHash<QString, QString> present;
    if (!m_systemPorts)
        return present;
    for (const QString &path : m_systemPorts()) {
        // An extra port that the system also lists is reported once, as an extra port.
        if (!m_presentExtra.contains(path))
            present.insert(path, portIdentity(path));
    }
    return present;
}

void TDeviceWatcher::CheckSystemPorts()
{
    if (!m_systemPorts)
        return;
    ReportChanges(m_presentSystem, presentSystemPorts());
}

void TDeviceWatcher::CheckPorts()
{
    CheckExtraPorts();
    CheckSystemPorts();
}

void TDeviceWatcher::onUdevEvent()
{
#ifdef MORVO3_HAVE_UDEV
    udev_device *dev = udev_monitor_receive_device(m_udevMonitor);
    if (!dev)
        return;
    const QString action = QString::fromLatin1(udev_device_get_action(dev));
    const char *node = udev_device_get_devnode(dev);
    const QString path = node ? QString::fromLocal8Bit(node) : QString();
    udev_device_unref(dev);
    if (action == QLatin1String("add"))
        emit deviceArrived(path);
    else if (action == QLatin1String("remove"))
        emit deviceRemoved(path);
#endif
}
