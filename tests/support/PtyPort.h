// The radio's end of a pseudo-terminal. The program opens slavePath() as its serial device;
// what it writes arrives here through received(), and write() sends bytes to it.
// The host keeps a slave descriptor of its own so the master never sees a hang-up before the
// program opens the device. Linux and other POSIX systems only.
// setLineTiming(true) makes the far end a strict UART: it takes the program's bytes no faster than
// the line speed the program set, and a byte still on the line (or queued behind it) when the
// program changes the line's settings or closes the port is lost; lostBytes() shows them.
// On such a line queuedBytes() is what a UART driver reports as its output queue (TIOCOUTQ): the
// bytes written and not yet through; queueSource() hands that to the program's serial control.
// Its driver's drain (tcdrain) returns once the last byte is through; drainCalls() counts the
// calls, and undrainedChanges() the line changes that came after a write with no drain between.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QSocketNotifier;
class OutputQueueSource;

class PtyPort : public QObject
{
    Q_OBJECT
public:
    explicit PtyPort(QObject *parent = nullptr);
    ~PtyPort() override;

    // False when the system gives no pseudo-terminal (tests then skip).
    bool open();
    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    // Writes everything (blocking briefly when the terminal's buffer is full).
    void write(const QByteArray &bytes);
    // Closes the master: the program's port sees the device go away.
    void close();
    // A stable name for people: a symbolic link to the slave.
    bool makeSymlink(const QString &linkPath);
    // The line speed the program set on its end (0 when unknown).
    int baudRate() const;

    void setLineTiming(bool on);
    bool lineTiming() const { return m_lineReader != nullptr; }
    // What the program sent that never arrived because the line changed under it.
    QByteArray lostBytes() const;
    // Everything the program wrote has come out of received() (or was lost).
    bool lineQuiet() const;
    int drainCalls() const;
    bool draining() const;  // a drain is under way
    int undrainedChanges() const;
    // The program's bytes still on their way through the line (0 without line timing).
    int queuedBytes() const;
    // A source for SerialCommControl::setOutputQueueSource that reports queuedBytes().
    std::unique_ptr<OutputQueueSource> queueSource();
    // The line stops for this many nominal seconds: the bytes on it and behind it wait (a far end
    // that holds the sender back).
    void holdLine(double seconds);

signals:
    void received(const QByteArray &bytes);

private:
    class LineReader;

    void onReadable();

    int m_master = -1;
    int m_slaveHold = -1;
    QString m_slavePath;
    QString m_link;
    QSocketNotifier *m_notifier = nullptr;
    std::unique_ptr<LineReader> m_lineReader;
    std::atomic<int> m_posted{0};  // line-timed bytes on their way to received()
    QByteArray m_lost;
};

// Runs f (in context's thread, as a connection of the given type) each time the program's bytes
// complete text: the line hands them on a few at a time, so a word can come in pieces.
QMetaObject::Connection onHeard(PtyPort *pty, const QObject *context, const QByteArray &text,
                                std::function<void()> f, Qt::ConnectionType type = Qt::AutoConnection);
