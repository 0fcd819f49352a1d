// The radio's end of a pseudo-terminal. The program opens slavePath() as its serial device;
// what it writes arrives here through received(), and write() sends bytes to it.
// The host keeps a slave descriptor of its own so the master never sees a hang-up before the
// program opens the device. Linux and other POSIX systems only.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

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

signals:
    void received(const QByteArray &bytes);

private:
    void onReadable();

    int m_master = -1;
    int m_slaveHold = -1;
    QString m_slavePath;
    QString m_link;
    QSocketNotifier *m_notifier = nullptr;
};
