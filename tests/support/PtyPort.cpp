#include "support/PtyPort.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PtyPort::PtyPort(QObject *parent) : QObject(parent) {}

PtyPort::~PtyPort()
{
    close();
}

bool PtyPort::open()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return false;
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        close();
        return false;
    }
    const char *name = ::ptsname(m_master);
    if (!name) {
        close();
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    m_slaveHold = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slaveHold >= 0) {
        termios tio{};
        if (::tcgetattr(m_slaveHold, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_slaveHold, TCSANOW, &tio);
        }
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyPort::onReadable);
    return true;
}

void PtyPort::onReadable()
{
    char buf[4096];
    QByteArray all;
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            all.append(buf, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (!all.isEmpty())
        emit received(all);
}

void PtyPort::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
}

void PtyPort::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_slaveHold >= 0)
        ::close(m_slaveHold);
    m_slaveHold = -1;
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    if (!m_link.isEmpty())
        QFile::remove(m_link);
    m_link.clear();
}

bool PtyPort::makeSymlink(const QString &linkPath)
{
    QFile::remove(linkPath);
    if (!QFile::link(m_slavePath, linkPath))
        return false;
    m_link = linkPath;
    return true;
}

int PtyPort::baudRate() const
{
    if (m_slaveHold < 0)
        return 0;
    termios tio{};
    if (::tcgetattr(m_slaveHold, &tio) != 0)
        return 0;
    switch (::cfgetospeed(&tio)) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
    }
}
