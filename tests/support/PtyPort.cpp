#include "support/PtyPort.h"
#include "platform/Clock.h"
#include "platform/OutputQueueSource.h"

#include <QFile>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <deque>
#include <dlfcn.h>
#include <functional>
#include <limits>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

int speedOf(const termios &tio)
{
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

using RealWrite = ssize_t (*)(int, const void *, size_t);

// Line-timed pseudo-terminals by the device number of their slave: what to do when a program in
// this process writes to that slave or changes its settings.
struct LineWatch
{
    const void *owner;
    dev_t device;
    std::function<ssize_t(RealWrite, int, const void *, size_t)> write;
    std::function<void()> changing;
    std::function<void()> flushing;
    // The driver's drain: it begins and ends, and meanwhile asks how long until the line is through.
    std::function<void(bool)> draining;
    std::function<double()> drainLeft;
};

std::atomic<int> g_watchCount{0};

std::recursive_mutex &watchMutex()
{
    static std::recursive_mutex m;
    return m;
}

std::vector<LineWatch> &watches()
{
    static std::vector<LineWatch> w;
    return w;
}

// The watch for the terminal behind fd, or none. Holds watchMutex() while f runs.
template<typename F>
bool withWatch(int fd, F f)
{
    if (g_watchCount.load() == 0)
        return false;
    const int savedErrno = errno;
    struct stat st{};
    const bool chr = ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode);
    errno = savedErrno;
    if (!chr)
        return false;
    std::lock_guard lock(watchMutex());
    for (const LineWatch &w : watches()) {
        if (w.device == st.st_rdev) {
            f(w);
            return true;
        }
    }
    return false;
}

} // namespace

// Every write, drain and change of a terminal's settings by a program in this process passes
// through these first, so the far end of a line-timed pseudo-terminal knows to the
// microsecond when each byte was written and whether the line changed under it.
extern "C" ssize_t write(int fd, const void *buf, size_t count)
{
    static const RealWrite real = reinterpret_cast<RealWrite>(::dlsym(RTLD_NEXT, "write"));
    ssize_t result = 0;
    if (withWatch(fd, [&](const LineWatch &w) { result = w.write(real, fd, buf, count); }))
        return result;
    return real(fd, buf, count);
}

extern "C" int tcsetattr(int fd, int action, const termios *tio) noexcept
{
    using Real = int (*)(int, int, const termios *);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "tcsetattr"));
    const int savedErrno = errno;
    withWatch(fd, [](const LineWatch &w) { w.changing(); });
    errno = savedErrno;
    return real(fd, action, tio);
}

// A UART's driver returns from its drain once the last byte has left the line.
extern "C" int tcdrain(int fd)
{
    using Real = int (*)(int);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "tcdrain"));
    if (withWatch(fd, [](const LineWatch &w) { w.draining(true); })) {
        // Asleep outside the watch's lock: the program's thread writes meanwhile.
        for (double left = 1; left > 0;) {
            if (!withWatch(fd, [&](const LineWatch &w) { left = w.drainLeft(); }))
                break;
            if (left > 0)
                ::usleep(useconds_t(std::clamp(left * 1e6, 100.0, 5000.0)));
        }
        withWatch(fd, [](const LineWatch &w) { w.draining(false); });
    }
    return real(fd);
}

extern "C" int tcflush(int fd, int queue) noexcept
{
    using Real = int (*)(int, int);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "tcflush"));
    const int savedErrno = errno;
    if (queue == TCOFLUSH || queue == TCIOFLUSH)
        withWatch(fd, [](const LineWatch &w) { w.flushing(); });
    errno = savedErrno;
    return real(fd, queue);
}

// The far end of a line-timed pseudo-terminal. Each byte the program writes is stamped with the
// moment its stop bit goes by, at the speed the slave has when it is written, one after another
// as on a UART; the byte waits in the terminal (as in a driver's queue) until then, and a thread
// of its own hands it on at that moment, even while the program's thread sleeps. When the program
// changes the slave's settings (closing the port restores them too), what is not through by then
// is lost. Times are nominal seconds of the program's clock.
class PtyPort::LineReader
{
public:
    LineReader(PtyPort *owner, int master, int slave) : m_owner(owner), m_master(master), m_slave(slave)
    {
        struct stat st{};
        if (::fstat(slave, &st) == 0)
            m_device = st.st_rdev;
        if (::pipe(m_stop) != 0)
            m_stop[0] = m_stop[1] = -1;
        m_thread = std::thread([this] { run(); });
        std::lock_guard lock(watchMutex());
        watches().push_back({this, m_device,
                             [this](RealWrite real, int fd, const void *buf, size_t count) {
                                 return written(real, fd, buf, count);
                             },
                             [this] { lineChanging(); }, [this] { lineFlushed(); },
                             [this](bool on) { drainState(on); }, [this] { return drainLeft(); }});
        ++g_watchCount;
    }

    ~LineReader()
    {
        {
            std::lock_guard lock(watchMutex());
            std::erase_if(watches(), [this](const LineWatch &w) { return w.owner == this; });
            --g_watchCount;
        }
        if (m_stop[1] >= 0) {
            const char c = 0;
            while (::write(m_stop[1], &c, 1) < 0 && errno == EINTR) {
            }
        }
        m_thread.join();
        for (int fd : m_stop)
            if (fd >= 0)
                ::close(fd);
    }

    // Nothing on the line.
    bool idle()
    {
        std::lock_guard lock(m_mutex);
        return m_through.empty();
    }

    // Bytes written and not yet through the line.
    int queued()
    {
        std::lock_guard lock(m_mutex);
        const auto pending = std::upper_bound(m_through.begin(), m_through.end(), Clock::nowSeconds());
        return int(m_through.end() - pending);
    }

    int drains() const { return m_drains; }
    bool draining() const { return m_draining; }
    int undrainedChanges() const { return m_undrainedChanges; }

    void hold(double seconds)
    {
        std::lock_guard lock(m_mutex);
        const double now = Clock::nowSeconds();
        for (double &at : m_through)
            if (at > now)
                at += seconds;
        m_lineFreeAt = std::max(m_lineFreeAt, now) + seconds;
    }

private:
    // A byte's time on the line at the slave's settings now.
    double byteSeconds() const
    {
        termios tio{};
        int baud = ::tcgetattr(m_slave, &tio) == 0 ? speedOf(tio) : 0;
        if (baud <= 0)
            baud = 9600;
        int dataBits = 8;
        switch (tio.c_cflag & CSIZE) {
        case CS5: dataBits = 5; break;
        case CS6: dataBits = 6; break;
        case CS7: dataBits = 7; break;
        default: break;
        }
        const int bits = 1 + dataBits + ((tio.c_cflag & PARENB) ? 1 : 0) + ((tio.c_cflag & CSTOPB) ? 2 : 1);
        return double(bits) / baud;
    }

    void post(const QByteArray &bytes, bool arrived)
    {
        if (bytes.isEmpty())
            return;
        PtyPort *owner = m_owner;
        ++owner->m_posted;
        QMetaObject::invokeMethod(owner, [owner, bytes, arrived] {
            --owner->m_posted;
            if (arrived)
                emit owner->received(bytes);
            else
                owner->m_lost += bytes;
        }, Qt::QueuedConnection);
    }

    // Up to count bytes from the terminal, waiting at most waitMs for bytes the kernel is still
    // moving to the master's side.
    QByteArray takeBytes(qsizetype count, int waitMs)
    {
        QByteArray out;
        char buf[4096];
        while (out.size() < count) {
            const ssize_t n = ::read(m_master, buf, size_t(std::min<qsizetype>(count - out.size(), sizeof buf)));
            if (n > 0) {
                out.append(buf, int(n));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            pollfd p{m_master, POLLIN, 0};
            if (waitMs <= 0 || ::poll(&p, 1, waitMs) <= 0)
                break;
        }
        return out;
    }

    // The program's write to the slave, on the program's thread.
    ssize_t written(RealWrite real, int fd, const void *buf, size_t count)
    {
        std::lock_guard lock(m_mutex);
        const double now = Clock::nowSeconds();
        const ssize_t done = real(fd, buf, count);
        const int savedErrno = errno;
        if (done > 0) {
            m_undrained = true;
            const double perByte = byteSeconds();
            for (ssize_t i = 0; i < done; ++i) {
                m_lineFreeAt = std::max(now, m_lineFreeAt) + perByte;
                m_through.push_back(m_lineFreeAt);
            }
        }
        errno = savedErrno;
        return done;
    }

    // Before the program changes the slave's settings, on the program's thread: what is not
    // through is lost.
    void lineChanging()
    {
        if (m_undrained.exchange(false))
            ++m_undrainedChanges;
        cutLine(true);
    }

    void drainState(bool on)
    {
        if (on)
            ++m_drains;
        else
            m_undrained = false;
        m_draining = on;
    }

    // Real seconds until the last byte written is through.
    double drainLeft()
    {
        std::lock_guard lock(m_mutex);
        return m_through.empty() ? 0 : std::max(0.0, (m_through.back() - Clock::nowSeconds()) * Clock::scale());
    }

    // The program discards its output queue (tcflush): what is through still arrives, the rest
    // never does.
    void lineFlushed() { cutLine(false); }

    void cutLine(bool keepLost)
    {
        std::lock_guard lock(m_mutex);
        const double now = Clock::nowSeconds();
        qsizetype through = 0;
        while (through < qsizetype(m_through.size()) && m_through[size_t(through)] <= now)
            ++through;
        const QByteArray bytes = takeBytes(qsizetype(m_through.size()), 200);
        post(bytes.left(through), true);
        if (keepLost)
            post(bytes.mid(through), false);
        m_through.clear();
        m_lineFreeAt = now;
    }

    // What is through by now. Holds m_mutex.
    QByteArray takeThrough()
    {
        const double now = Clock::nowSeconds();
        qsizetype through = 0;
        while (through < qsizetype(m_through.size()) && m_through[size_t(through)] <= now)
            ++through;
        const QByteArray bytes = takeBytes(through, 0);
        m_through.erase(m_through.begin(), m_through.begin() + bytes.size());
        return bytes;
    }

    void run()
    {
        for (;;) {
            short events = 0;
            timespec wait{};
            timespec *timeout = nullptr;
            QByteArray through;
            {
                std::lock_guard lock(m_mutex);
                through = takeThrough();
                if (m_through.empty()) {
                    // Bytes that come with no stamp (written before the line was timed) go at once.
                    through += takeBytes(std::numeric_limits<int>::max(), 0);
                    events = POLLIN;
                } else {
                    const double real = std::max(0.0002, (m_through.front() - Clock::nowSeconds()) * Clock::scale());
                    const qint64 ns = qint64(real * 1e9);
                    wait.tv_sec = time_t(ns / 1000000000);
                    wait.tv_nsec = long(ns % 1000000000);
                    timeout = &wait;
                }
            }
            // Posting wakes the receiver's event loop, a write this thread must not make while it
            // holds the line (the program's thread takes the two locks the other way round).
            post(through, true);
            pollfd fds[2] = {{m_master, events, 0}, {m_stop[0], POLLIN, 0}};
            const int ready = ::ppoll(fds, 2, timeout, nullptr);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0 || fds[1].revents != 0)
                return;
            if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) && !(fds[0].revents & POLLIN))
                return;
        }
    }

    PtyPort *m_owner;
    int m_master;
    int m_slave;
    dev_t m_device = 0;
    int m_stop[2] = {-1, -1};
    std::mutex m_mutex;
    std::deque<double> m_through;  // for each byte in the terminal, when it is through the line
    std::atomic<int> m_drains{0};
    std::atomic<bool> m_draining{false};
    std::atomic<bool> m_undrained{false};  // written since the last drain
    std::atomic<int> m_undrainedChanges{0};
    double m_lineFreeAt = 0;
    std::thread m_thread;
};

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

void PtyPort::setLineTiming(bool on)
{
    if (on == lineTiming() || m_master < 0 || m_slaveHold < 0)
        return;
    if (on) {
        if (m_notifier)
            m_notifier->setEnabled(false);
        m_lineReader = std::make_unique<LineReader>(this, m_master, m_slaveHold);
    } else {
        m_lineReader.reset();
        if (m_notifier)
            m_notifier->setEnabled(true);
    }
}

int PtyPort::drainCalls() const
{
    return m_lineReader ? m_lineReader->drains() : 0;
}

bool PtyPort::draining() const
{
    return m_lineReader && m_lineReader->draining();
}

int PtyPort::undrainedChanges() const
{
    return m_lineReader ? m_lineReader->undrainedChanges() : 0;
}

int PtyPort::queuedBytes() const
{
    return m_lineReader ? m_lineReader->queued() : 0;
}

void PtyPort::holdLine(double seconds)
{
    if (m_lineReader)
        m_lineReader->hold(seconds);
}

std::unique_ptr<OutputQueueSource> PtyPort::queueSource()
{
    class Source : public OutputQueueSource
    {
    public:
        explicit Source(PtyPort *pty) : m_pty(pty) {}
        int queued() override { return m_pty ? m_pty->queuedBytes() : 0; }

    private:
        QPointer<PtyPort> m_pty;
    };
    return std::make_unique<Source>(this);
}

QByteArray PtyPort::lostBytes() const
{
    return m_lost;
}

bool PtyPort::lineQuiet() const
{
    if (m_master < 0)
        return true;
    int pending = 0;
    if (::ioctl(m_master, FIONREAD, &pending) == 0 && pending > 0)
        return false;
    return !m_lineReader || (m_lineReader->idle() && m_posted == 0);
}

void PtyPort::close()
{
    m_lineReader.reset();
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
    return speedOf(tio);
}

QMetaObject::Connection onHeard(PtyPort *pty, const QObject *context, const QByteArray &text,
                                std::function<void()> f, Qt::ConnectionType type)
{
    auto tail = std::make_shared<QByteArray>();
    return QObject::connect(
        pty, &PtyPort::received, context,
        [tail, text, f = std::move(f)](const QByteArray &bytes) {
            *tail += bytes;
            const qsizetype at = tail->lastIndexOf(text);
            if (at >= 0)
                tail->remove(0, at + text.size());
            else if (tail->size() >= text.size())
                tail->remove(0, tail->size() - text.size() + 1);
            if (at >= 0)
                f();
        },
        type);
}
