// Every place that reads a file the user chose or the program found beside it, given what is not
// a plain file there (a FIFO, a folder), a file far larger than its kind, or a text file that
// starts with a byte-order mark: UTF-8, or UTF-16 as Windows editors save "Unicode" text, whole,
// cut off or damaged.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "restore/frmRestore.h"
#include "support/MockCommControl.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString App = QStringLiteral("KARVEL Wavecrest SS Configuration");
const QByteArray Bom("\xEF\xBB\xBF");

enum class Reader { ConfigFile, NewRadio, Preset, RestoreLoad, LogAppend, SettingsStore, Firmware };
enum class Odd { Fifo, Folder, Oversized, ByteOrderMark, Utf8, Utf8BeyondLatin1, Utf8CutOff, Utf16LE, Utf16BE,
                 Utf16BeyondLatin1, Utf16OddLength, Utf16LoneSurrogate };

// A reader that opens a FIFO the blocking way waits for a writer for ever. Once the reader has
// had ten seconds, this lends it both ends and says so, so that a test of that fault fails instead
// of hanging.
class FifoRescue
{
public:
    explicit FifoRescue(const QString &path) : m_path(QFile::encodeName(path))
    {
#ifdef Q_OS_UNIX
        m_thread = std::thread([this] {
            for (int waited = 0; !m_stop && waited < 10000; waited += 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            while (!m_stop) {
                m_rescued = true;
                const int r = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK);
                const int w = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
                if (w >= 0)
                    ::close(w);
                if (r >= 0)
                    ::close(r);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
#endif
    }
    bool rescued() const { return m_rescued; }
    ~FifoRescue()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    QByteArray m_path;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_rescued{false};
    std::thread m_thread;
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray crLf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines)
        out += line.toLatin1() + "\r\n";
    return out;
}

const QStringList SavedConfiguration{"#Created by Karvel Wavecrest Configuration Software Version 3.0.1",
                                     "#With Firmware Version:  17-2851A01 3.2.0  01Jan2024", "UNIT 12345",
                                     "ADDR 1001"};
// Each reader's text holds this word where the test reads it back: a character beyond ASCII goes
// in its place.
const QString Word = QStringLiteral("Karvel");
const QStringList Baseline{"#Karvel baseline", "XPRI 2", "CTS 7"};
const QStringList Preset{"#PresetFile1", "#Name:Tower site master", "#PresetCaption:Karvel",
                         "#With Firmware Version:  17-2851A01 3.2.0  01Jan2024", "ADDR 1001"};
// A header record and one data record: no end record follows.
const QStringList Firmware{"S013000031372D3238353141303120332E332E30D3", "S21401000000070E151C232A31383F464D545B6269A2"};

} // namespace

Q_DECLARE_METATYPE(Reader)
Q_DECLARE_METATYPE(Odd)

class TestFileReaders : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<frmCorvista> w;
    MockCommControl *port = nullptr;

    void openWindow()
    {
        w = std::make_unique<frmCorvista>();
        w->quitOnUnload = false;
        w->Form_Load();
        shared().LogoutOnQuitPref = false;
        // As when a radio is connected: the runs end with a read-out request, not a connect. No
        // keep-alive meets the port meanwhile.
        w->Timer1->stop();
        port->setPortOpen(true);
        port->takeWritten();
    }

private slots:
    void initTestCase()
    {
#ifndef Q_OS_UNIX
        QSKIP("Needs FIFOs.");
#else
        // A log opened on a FIFO whose reader went away must fail its write, not end the test.
        std::signal(SIGPIPE, SIG_IGN);
#endif
    }

    void init()
    {
        env = std::make_unique<TestEnv>(0.01);
        CommFactory::setFactory([this](QObject *parent) {
            auto p = std::make_unique<MockCommControl>(parent);
            if (!port)
                port = p.get();   // the main window's; the restore window makes one of its own
            return p;
        });
    }

    void cleanup()
    {
        w.reset();
        port = nullptr;
        env.reset();
    }

    void oddFilesAreRefusedAtOnce_data()
    {
        QTest::addColumn<Reader>("reader");
        QTest::addColumn<Odd>("odd");
        QTest::addColumn<QString>("reason");   // in the message; empty: no message, the read goes on
        const struct
        {
            Reader reader;
            const char *name;
            bool oversized;
            bool byteOrderMark;
        } readers[] = {
            {Reader::ConfigFile, "configuration file", true, true},
            {Reader::NewRadio, "NewRadio.txt", true, true},
            {Reader::Preset, "preset", true, true},
            {Reader::RestoreLoad, "restore window's Load", true, true},
            {Reader::LogAppend, "log append", false, false},
            {Reader::SettingsStore, "settings store", true, true},
            {Reader::Firmware, "firmware file", true, false},   // a UTF-16 one: every record is checked
        };
        for (const auto &r : readers) {
            // The store's rule: a store that cannot be read gives every default, and start-up goes on.
            const bool store = r.reader == Reader::SettingsStore;
            QTest::addRow("%s: a FIFO %s", r.name, store ? "gives the defaults" : "is named in the message")
                << r.reader << Odd::Fifo << (store ? QString() : QStringLiteral("not a file"));
            QTest::addRow("%s: a folder %s", r.name, store ? "gives the defaults" : "is named in the message")
                << r.reader << Odd::Folder << (store ? QString() : QStringLiteral("folder"));
            if (r.oversized)
                QTest::addRow("%s: an oversized file %s", r.name,
                              store ? "gives the defaults" : "is named in the message")
                    << r.reader << Odd::Oversized << (store ? QString() : QStringLiteral("larger than"));
            if (r.byteOrderMark)
                QTest::addRow("%s: a byte-order mark is read as without it", r.name)
                    << r.reader << Odd::ByteOrderMark << QString();
            if (r.oversized) {
                QTest::addRow("%s: UTF-16LE is read as its text", r.name) << r.reader << Odd::Utf16LE << QString();
                QTest::addRow("%s: UTF-16BE is read as its text", r.name) << r.reader << Odd::Utf16BE << QString();
                QTest::addRow("%s: UTF-8 behind its mark is read as UTF-8", r.name)
                    << r.reader << Odd::Utf8 << QString();
                for (const auto &[odd, what, reason] :
                     {std::tuple{Odd::Utf8BeyondLatin1, "UTF-8 beyond Latin-1", "cannot hold"},
                      {Odd::Utf8CutOff, "UTF-8 cut off in a character", "cut off or damaged"},
                      {Odd::Utf16OddLength, "UTF-16 of an odd length", "cut off or damaged"},
                      {Odd::Utf16LoneSurrogate, "UTF-16 with a lone surrogate", "cut off or damaged"}})
                    QTest::addRow("%s: %s %s", r.name, what, store ? "gives the defaults" : "is named in the message")
                        << r.reader << odd << (store ? QString() : QString::fromLatin1(reason));
            }
        }
        QTest::newRow("preset: UTF-16 beyond Latin-1 is named and not replaced without a question")
            << Reader::Preset << Odd::Utf16BeyondLatin1 << QStringLiteral("cannot hold");
    }

    void oddFilesAreRefusedAtOnce()
    {
        QFETCH(Reader, reader);
        QFETCH(Odd, odd);
        QFETCH(QString, reason);
#ifdef Q_OS_UNIX
        QString path;
        QStringList content;
        switch (reader) {
        case Reader::ConfigFile: path = env->path("chosen.txt"); content = SavedConfiguration; break;
        case Reader::NewRadio: path = env->path("NewRadio.txt"); content = Baseline; break;
        case Reader::Preset: path = env->path("Presets/Preset1.txt"); content = Preset; break;
        case Reader::RestoreLoad: path = env->path("chosen.txt"); content = QStringList{"OWN North " + Word}; break;
        case Reader::LogAppend: path = env->path("radio.log"); break;
        case Reader::SettingsStore:
            path = SettingsStore::fileName(App);
            content = QStringList{"[Properties]", "CommPort=3", "Site=" + Word};
            break;
        case Reader::Firmware: path = env->path("radio.s28"); content = Firmware; break;
        }
        const bool decoded =
            odd == Odd::ByteOrderMark || odd == Odd::Utf8 || odd == Odd::Utf16LE || odd == Odd::Utf16BE;
        // The text the reader should see: with a letter of Latin-1 beyond ASCII where UTF-8 gives one.
        const QString accented = odd == Odd::Utf8 ? QStringLiteral("K\u00E4rvel") : Word;

        if (reader == Reader::NewRadio)
            writeFile(env->path("chosen.txt"), crLf(SavedConfiguration));
        // A preset's button is in use when its file changes under it.
        const bool presetInUse = reader == Reader::Preset && !decoded && odd != Odd::Utf16BeyondLatin1;
        if (presetInUse)
            writeFile(path, crLf(Preset));
        if (reader != Reader::SettingsStore) {
            openWindow();
            QCOMPARE(w->cmdPre[0]->property("Tag").toString(), presetInUse ? QString() : "EMPTY");
        }

        QFile::remove(path);
        QDir().mkpath(QFileInfo(path).path());
        std::unique_ptr<FifoRescue> rescue;
        switch (odd) {
        case Odd::Fifo:
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
            rescue = std::make_unique<FifoRescue>(path);
            break;
        case Odd::Folder: QVERIFY(QDir().mkpath(path)); break;
        case Odd::Oversized: {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(crLf(content));
            QVERIFY(f.resize(reader == Reader::Firmware ? 17 << 20 : 2 << 20));
            break;
        }
        case Odd::ByteOrderMark: writeFile(path, Bom + crLf(content)); break;
        case Odd::Utf8:
        case Odd::Utf8BeyondLatin1:
        case Odd::Utf8CutOff: {
            const QString text = QString::fromLatin1(crLf(content)).replace(Word, accented)
                + (odd == Odd::Utf8BeyondLatin1 ? QStringLiteral("#\u2013\r\n") : QString());
            writeFile(path, Bom + text.toUtf8() + (odd == Odd::Utf8CutOff ? "\xC3" : ""));   // cut in a character
            break;
        }
        default: {
            QStringEncoder encode(odd == Odd::Utf16BE ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                                  QStringConverter::Flag::WriteBom);
            const QString dash = odd == Odd::Utf16BeyondLatin1 ? QStringLiteral("\u2013 ") : QString();
            // Cut half-way through a character, or through a pair of surrogates.
            const QByteArray cut = odd == Odd::Utf16OddLength       ? QByteArray("#")
                                 : odd == Odd::Utf16LoneSurrogate ? QByteArray("\x3D\xD8", 2)
                                                                  : QByteArray();
            writeFile(path,
                      encode(QString::fromLatin1(crLf(content)).replace("Tower site", "Tower " + dash + "site")) + cut);
        }
        }
        const QStringList written = odd == Odd::Utf16BeyondLatin1 ? crLfFileLines(path) : QStringList();

        std::unique_ptr<frmRestore> restore;
        QString read;
        switch (reader) {
        case Reader::ConfigFile:
            if (decoded) {
                QString name = path;
                QVERIFY(w->LoadConfigurationFile(name, false));
                read = shared().ConfigLines.value(0);
            } else {
                env->dialogs().answerOpen(path);
                w->cmdProgramFromFile_Click();
            }
            break;
        case Reader::NewRadio:
            if (decoded) {
                QString name;
                QVERIFY(w->LoadConfigurationFile(name, true));
                read = shared().ConfigLines.value(0);
            } else {
                env->dialogs().answerOpen(env->path("chosen.txt"));
                w->cmdProgramFromFile_Click();
            }
            break;
        case Reader::Preset:
            if (decoded) {
                w->LoadPresetButtons();
                read = w->cmdPre[0]->text();
            } else if (odd == Odd::Utf16BeyondLatin1) {
                w->LoadPresetButtons();
                env->dialogs().answerInput(QStringLiteral("Pump"));
                env->dialogs().answerInput(QStringLiteral("Pump station"));
                env->dialogs().answerMsgBox(Msg::No);   // replace the file with a new preset?
                w->cmdSaveToPreset_Click();
                QCOMPARE(env->dialogs().shown.size(), 3);
                QCOMPARE(crLfFileLines(path), written);
            } else {
                w->LoadPresetButtons();
                env->dialogs().answerMsgBox(Msg::Yes);   // "Program connected radio using preset"
                w->cmdPre_MouseUp(0, 1);
            }
            break;
        case Reader::RestoreLoad:
            restore = std::make_unique<frmRestore>(*w);
            env->dialogs().answerOpen(path);
            restore->ReadConfigurationFile();
            read = restore->box(QStringLiteral("NewOwnerName"))->value();
            break;
        case Reader::LogAppend:
            env->dialogs().answerSave(path);
            env->dialogs().answerMsgBox(Msg::No);   // if asked to replace it: append
            w->mnuOpenLog_Click();
            break;
        case Reader::SettingsStore:
            openWindow();
            read = QString::number(port->commPort());
            if (decoded)
                read += u' ' + GetSetting(App, QStringLiteral("Properties"), QStringLiteral("Site"));
            break;
        case Reader::Firmware:
            env->dialogs().answerOpen(path);
            w->mnuSendText_Click();
            read = env->dialogs().messageTexts().value(0);
            break;
        }
        const bool rescued = rescue && rescue->rescued();
        rescue.reset();

        QVERIFY2(!rescued, "the reader waited for a writer of the FIFO");
        QCOMPARE(port->written(), QByteArray());
        QStringList named;
        for (const auto &box : env->dialogs().messages())
            if (box.text.contains(QDir::toNativeSeparators(path)))
                named << box.text;
        if (!reason.isEmpty()) {
            QCOMPARE(named.size(), 1);
            QVERIFY2(named[0].contains(reason), qPrintable(named[0]));
        } else {
            QCOMPARE(named, QStringList{});
        }
        if (reader == Reader::LogAppend) {
            QCOMPARE(shared().LogFileNum, qint16(0));
            QVERIFY(w->mnuOpenLog->isEnabled());
        }
        if (reader == Reader::SettingsStore && !decoded) {
            QCOMPARE(read, QStringLiteral("1"));
            QVERIFY(shared().KeepAlivePref);
        }
        if (decoded && reader == Reader::Firmware) {
            // Taken as a firmware file: its header passes, its records are checked up to the end
            // record it lacks.
            QVERIFY2(read.startsWith(QLatin1String("Error: This firmware file is damaged. Line 2 ")), qPrintable(read));
        } else if (decoded) {
            QString expected = reader == Reader::Preset        ? Word
                             : reader == Reader::SettingsStore ? "3 " + Word
                             : reader == Reader::RestoreLoad   ? "North " + Word
                                                               : content.first();
            QCOMPARE(read, expected.replace(Word, accented));
            QVERIFY(env->dialogs().messages().isEmpty());
        }
#endif
    }
};

QTEST_MAIN(TestFileReaders)
#include "tst_filereaders.moc"
