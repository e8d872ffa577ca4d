#include "SimPty.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

Q_DECLARE_LOGGING_CATEGORY(lcSim)

SimPty::SimPty(const QString &linkPath, QObject *parent)
    : QObject(parent)
    , m_linkPath(linkPath)
{
}

SimPty::~SimPty()
{
    unplug();
}

bool SimPty::plug(QString *error)
{
    if (plugged())
        return true;
    auto fail = [&](const QString &what) {
        if (error)
            *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        if (m_slaveKeeper >= 0)
            ::close(m_slaveKeeper);
        if (m_master >= 0)
            ::close(m_master);
        m_slaveKeeper = m_master = -1;
        return false;
    };
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        return fail(QStringLiteral("posix_openpt"));
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail(QStringLiteral("grantpt/unlockpt"));
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0)
        return fail(QStringLiteral("ptsname"));
    m_slaveName = QString::fromLocal8Bit(name);
    m_slaveKeeper = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slaveKeeper < 0)
        return fail(QStringLiteral("open slave"));
    // Raw from the start: no echo of what the program sends, no line editing.
    termios tio{};
    if (::tcgetattr(m_slaveKeeper, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B19200);
        ::cfsetospeed(&tio, B19200);
        ::tcsetattr(m_slaveKeeper, TCSANOW, &tio);
    }
    QFile::remove(m_linkPath);
    if (!QFile::link(m_slaveName, m_linkPath)) {
        errno = EEXIST;
        return fail(QStringLiteral("symlink ") + m_linkPath);
    }
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SimPty::onReadable);
    emit pluggedChanged(true);
    return true;
}

void SimPty::unplug()
{
    if (!plugged())
        return;
    delete m_notifier;
    m_notifier = nullptr;
    QFile::remove(m_linkPath);
    ::close(m_slaveKeeper);
    ::close(m_master);
    m_slaveKeeper = m_master = -1;
    emit pluggedChanged(false);
}

void SimPty::write(const QByteArray &bytes)
{
    if (!plugged())
        return;
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_master, p, size_t(left));
        if (n > 0) {
            p += n;
            left -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        qCDebug(lcSim) << "terminal full, dropped" << left << "bytes";
        return;
    }
}

void SimPty::onReadable()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            emit received(QByteArray(buf, int(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EAGAIN: nothing more for now. EIO cannot happen while we hold the slave open.
        return;
    }
}
