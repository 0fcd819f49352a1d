// The main window's receive path, terminal keys and communications log.
#include "app/frmCorvista.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "link/Exchange.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "support/MockCommControl.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/resource.h>

namespace {
// Lets files this process writes grow only to a few bytes, as a full disk would, until lifted.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit low = m_old;
        low.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &low);
    }
    ~FileSizeLimit()
    {
        lift();
        std::signal(SIGXFSZ, m_oldHandler);
    }
    void lift() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};
} // namespace
#endif

class TestReceivePath : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<frmCorvista> w;
    MockCommControl *port = nullptr;

    void receive(const QByteArray &bytes)
    {
        port->feed(bytes);
        QVERIFY(Clock::waitFor([&] { return port->inBufferCount() == 0; }, 1000));
    }

    // What the editor shows once it has caught up with the text.
    QString shownText()
    {
        [&] { QVERIFY(Clock::waitFor([&] { return !w->txtTerm->showPending(); }, 1000)); }();
        return w->txtTerm->toPlainText();
    }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        CommFactory::setFactory([this](QObject *parent) {
            auto p = std::make_unique<MockCommControl>(parent);
            port = p.get();
            return p;
        });
        w = std::make_unique<frmCorvista>();
        w->quitOnUnload = false;
        w->Form_Load();
        shared().LogoutOnQuitPref = false;
        port->setPortOpen(true);
        shared().RxBuffer = QStringLiteral(" ");
    }

    void cleanup()
    {
        w.reset();
        env.reset();
    }

    void chunksShowInTheTerminal_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<QString>("after");
        QTest::newRow("CR LF inside a chunk shows as one line end") << "" << QByteArray("ab\r\nc") << "ab\r\nc";
        QTest::newRow("a lone CR shows as CR LF") << "x" << QByteArray("\r") << "x\r\n";
        QTest::newRow("a lone LF shows nothing") << "x" << QByteArray("\n") << "x";
        QTest::newRow("a backspace first replaces the last character") << "xyz" << QByteArray("\bQ") << "xyQ";
        QTest::newRow("two letters and a backspace show the first") << "" << QByteArray("ab\b") << "a";
        QTest::newRow("a backspace in the middle takes the letter before it") << "" << QByteArray("abc\bd") << "abd";
    }

    void chunksShowInTheTerminal()
    {
        QFETCH(QString, before);
        QFETCH(QByteArray, chunk);
        QFETCH(QString, after);
        w->txtTerm->setText(before);
        receive(chunk);
        QCOMPARE(w->txtTerm->text(), after);
        // RxBuffer gets the chunk unchanged, line feeds and backspaces included.
        QCOMPARE(shared().RxBuffer, QStringLiteral(" ") + QString::fromLatin1(chunk));
    }

    void terminalIsCutBy4096OnlyPast16000()
    {
        w->txtTerm->setText(QString(16000, QLatin1Char('a')));
        receive("z");
        QCOMPARE(w->txtTerm->length(), 16001);
        w->txtTerm->setText(QString(4096, QLatin1Char('a')) + QString(11905, QLatin1Char('b')));
        receive("z");
        QCOMPARE(w->txtTerm->text(), QString(11905, QLatin1Char('b')) + QStringLiteral("z"));
    }

    void aLongChunkCutsTheTerminalToItsLimit()
    {
        const QString old = QString(4096, QLatin1Char('a')) + QString(1809, QLatin1Char('b'))
            + QString(10096, QLatin1Char('c'));
        w->txtTerm->setText(old);
        receive(QByteArray(10000, 'd'));
        QCOMPARE(w->txtTerm->length(), TerminalPane::Limit);
        QCOMPARE(w->txtTerm->text(), QString(10096, QLatin1Char('c')) + QString(10000, QLatin1Char('d')));

        // A megabyte without a CR: only its end shows (benchmarks/bench_receivepath prints how
        // long it takes).
        QByteArray burst;
        for (int i = 0; burst.size() < 1000000; ++i)
            burst += QByteArray::number(i) + ' ';
        receive(burst);
        QCOMPARE(w->txtTerm->text(), QString::fromLatin1(burst.right(TerminalPane::Limit)));
        QCOMPARE(shownText(), w->txtTerm->text());
    }

    void theWidgetShowsTheTextThroughCutsAndBackspaces()
    {
        // Lines of 17 characters with CR LF: the 4096 cut falls between a CR and its LF.
        QString lines;
        while (lines.size() <= 16000)
            lines += QStringLiteral("RSSI -85 dBm   \r\n");
        QCOMPARE(lines.mid(4095, 2), QStringLiteral("\r\n"));
        w->txtTerm->setText(lines);
        const auto shown = [](QString text) {
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        };
        QString expected = lines.mid(4096);
        const QList<std::pair<QByteArray, QString>> steps = {
            {"\bq\r", QStringLiteral("q\r\n")},           // replaces the LF of a CR LF
            {"x\r\n\b\by\r\bz", QStringLiteral("xyz")},
            {"\b\r", QStringLiteral("\r\n")},
            {"\b", QString()},                               // the LF of a CR LF again
            {"\b\b", QString()},                            // a lone CR
        };
        for (const auto &[chunk, added] : steps) {
            receive(chunk);
            if (chunk.startsWith('\b'))
                expected.chop(1);
            expected += added;
            QCOMPARE(w->txtTerm->text(), expected);
            QCOMPARE(shownText(), shown(expected));
        }
    }

    void manySmallChunksUpdateTheEditorOnce()
    {
        w->txtTerm->setText(QStringLiteral(">"));
        int changes = 0;
        connect(w->txtTerm->document(), &QTextDocument::contentsChanged, w.get(), [&] { ++changes; });
        QString expected = QStringLiteral(">");
        for (int i = 0; i < 500; ++i) {
            QString chunk = QStringLiteral("RSSI -%1 dBm\r\n").arg(i);
            expected += chunk;
            w->ShowReceivedText(w->txtTerm, chunk);
        }
        QCOMPARE(w->txtTerm->text(), expected);
        QCOMPARE(shownText(), expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QVERIFY2(changes <= 6, qPrintable(QString::number(changes)));
    }

    void rxBufferKeepsTheNewestMegabyte()
    {
        const QByteArray chunk(300000, 'r');
        for (int i = 0; i < 3; ++i)
            receive(chunk);
        receive(QByteArray(200000, 's') + "tail");
        QCOMPARE(shared().RxBuffer.size(), SharedState::RxBufferLimit);
        QVERIFY(shared().RxBuffer.endsWith(QStringLiteral("sstail")));
        QVERIFY(shared().RxBuffer.startsWith(QLatin1Char('r')));
    }

    void closedSplitBetweenChunksIsFound_data()
    {
        QTest::addColumn<int>("split");
        for (int split = 1; split < 6; ++split)
            QTest::addRow("after %d letters", split) << split;
    }

    void closedSplitBetweenChunksIsFound()
    {
        QFETCH(int, split);
        w->EnableRadioActions();
        const QByteArray reply = QByteArray(100, '-') + "Closed";
        receive(reply.left(100 + split));
        QVERIFY(w->cmdSaveToFile->isEnabled());
        receive(reply.mid(100 + split) + "\r\n>");
        QVERIFY(!w->cmdSaveToFile->isEnabled());
    }

    void closedCountsUntilASenderResetsRxBuffer()
    {
        w->EnableRadioActions();
        receive("CLOSED\r\n");
        // Still found after the bound dropped the word, while nobody resets the text.
        receive(QByteArray(SharedState::RxBufferLimit, 'x'));
        QVERIFY(!shared().RxBuffer.contains(QStringLiteral("CLOSED")));
        w->EnableRadioActions();
        receive("x");
        QVERIFY(!w->cmdSaveToFile->isEnabled());

        shared().RxBuffer = QStringLiteral(" ");
        w->EnableRadioActions();
        receive("OK\r\n>");
        QVERIFY(w->cmdSaveToFile->isEnabled());
    }

    void closedInAnyCaseDisablesTheRadioActions()
    {
        w->EnableRadioActions();
        QVERIFY(w->cmdSaveToFile->isEnabled());
        receive("command line closed\r\n>");
        QVERIFY(!w->cmdSaveToFile->isEnabled());
        QVERIFY(!w->cmdMaster->isEnabled());
        // Later chunks keep disabling until a sender resets RxBuffer.
        w->EnableRadioActions();
        receive("x");
        QVERIFY(!w->cmdPrint->isEnabled());
    }

    void discardedChunksShowAsOneBlank()
    {
        shared().DiscardRx = true;
        w->txtTerm->setText(QStringLiteral("Connected"));
        receive("OPEN\r\n>");
        QCOMPARE(w->txtTerm->text(), QStringLiteral("Connected "));
        QCOMPARE(shared().RxBuffer, QStringLiteral("  "));
    }

    void hiddenTextStillReachesRxBufferAndLog()
    {
        shared().ShowRxText = false;
        w->txtTerm->setText(QStringLiteral("Connecting..."));
        receive(">");
        QCOMPARE(w->txtTerm->text(), QStringLiteral("Connecting..."));
        QCOMPARE(shared().RxBuffer, QStringLiteral(" >"));
    }

    void aCommErrorGivesOneBeepAndOneBox()
    {
        port->raiseError(CommEv::Frame);
        QVERIFY(Clock::waitFor([&] { return env->dialogs().messages().size() == 1; }, 1000));
        receive("more data");
        QCOMPARE(env->dialogs().beeps(), 1);
        const auto box = env->dialogs().messages().first();
        QCOMPARE(box.text, QStringLiteral("Framing Error"));
        QCOMPARE(box.title, QStringLiteral("Click Cancel to quit, OK to ignore."));
        QCOMPARE(box.buttons, int(Msg::OKCancel));
        QCOMPARE(w->panelStatus->text(), QStringLiteral("Status: Framing Error"));
        QVERIFY(port->portOpen());
    }

    void cancelInTheErrorBoxDisconnects()
    {
        env->dialogs().answerMsgBox(Msg::Cancel);
        port->raiseError(CommEv::Overrun);
        QVERIFY(Clock::waitFor([&] { return !port->portOpen(); }, 1000));
        QVERIFY(shared().ConnectAborted);
        QVERIFY(port->takeWritten().endsWith("CLOS\r"));
        QVERIFY(w->txtTerm->text().endsWith(QStringLiteral("Disconnected")));
    }

    void typedKeysGoToTheRadioOnlyWhenOpen()
    {
        w->txtTerm->setText(QStringLiteral(">"));
        QTest::keyClicks(w->txtTerm, QStringLiteral("ab"));
        QTest::keyClick(w->txtTerm, Qt::Key_Return);
        QCOMPARE(port->takeWritten(), QByteArray("ab\r"));
        QCOMPARE(w->txtTerm->text(), QStringLiteral(">"));

        port->setPortOpen(false);
        QTest::keyClicks(w->txtTerm, QStringLiteral("cd"));
        QCOMPARE(port->takeWritten(), QByteArray());
        QVERIFY(w->txtTerm->text().contains(QStringLiteral("cd")));
    }

    void aPasteGoesToTheRadioAsTypedKeys_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("message");
        const QString lines = QStringLiteral("unit\r\nsrev\nmode\r");
        for (const char *how : {"Ctrl+V", "Shift+Insert", "context menu", "middle click"})
            QTest::addRow("%s sends each line end as one CR", how) << how << lines << QByteArray("unit\rsrev\rmode\r") << QString();
        QTest::newRow("a character outside Latin-1 is refused, nothing sent")
            << "Ctrl+V" << QStringLiteral("unit\r\nown Pump \u20ac5") << QByteArray() << OutsideLatin1Message();
        QTest::newRow("a tab is refused, nothing sent") << "context menu" << "pwr\t21" << QByteArray() << ControlCharacterMessage();
    }

    // Only the radio's echo shows what was pasted, and nothing in the pane's menu edits it.
    void aPasteGoesToTheRadioAsTypedKeys()
    {
        QFETCH(QString, how);
        QFETCH(QString, clip);
        QFETCH(QByteArray, sent);
        QFETCH(QString, message);
        const auto mode = how == QLatin1String("middle click") ? QClipboard::Selection : QClipboard::Clipboard;
        if (mode == QClipboard::Selection && !QGuiApplication::clipboard()->supportsSelection())
            QSKIP("This platform has no selection to paste.");
        QGuiApplication::clipboard()->setText(clip, mode);
        w->txtTerm->setText(QStringLiteral(">"));
        if (how == QLatin1String("context menu")) {
            QStringList menu;
            QTimer::singleShot(0, w.get(), [&] {
                for (QAction *a : QApplication::activePopupWidget()->actions())
                    if (!a->isSeparator() && (menu << a->text().remove(u'&')).last() == QLatin1String("Paste"))
                        a->trigger();
                QApplication::activePopupWidget()->close();
            });
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), w->txtTerm->mapToGlobal(QPoint(5, 5)));
            QCoreApplication::sendEvent(w->txtTerm->viewport(), &click);
            QCOMPARE(menu, QStringList({QStringLiteral("Copy"), QStringLiteral("Paste"), QStringLiteral("Select All")}));
        } else if (how == QLatin1String("middle click")) {
            QTest::mouseClick(w->txtTerm->viewport(), Qt::MiddleButton);
        } else {
            QTest::keyClick(w->txtTerm, how == QLatin1String("Ctrl+V") ? Qt::Key_V : Qt::Key_Insert,
                            how == QLatin1String("Ctrl+V") ? Qt::ControlModifier : Qt::ShiftModifier);
        }
        QCOMPARE(port->takeWritten(), sent);
        QCOMPARE(env->dialogs().messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(shownText(), QStringLiteral(">"));
        receive(sent);
        QCOMPARE(w->txtTerm->text(), QStringLiteral(">") + QString::fromLatin1(sent).replace(u'\r', QStringLiteral("\r\n")));

        // Nor can a drag move text out of it: a press inside the selection starts a new one.
        w->txtTerm->selectAll();
        QTest::mousePress(w->txtTerm->viewport(), Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(!w->txtTerm->textCursor().hasSelection());
        QTest::mouseRelease(w->txtTerm->viewport(), Qt::LeftButton, {}, QPoint(3, 3));
    }

    void logFileAnswers_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("dialogsShown");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("a new file starts empty") << false << QList<int>{} << 1 << QByteArray("\r\nabc");
        QTest::newRow("No appends to an existing file") << true << QList<int>{Msg::No} << 1
                                                        << QByteArray("old\r\n\r\nabc");
        QTest::newRow("Yes empties it first") << true << QList<int>{Msg::Yes} << 1 << QByteArray("\r\nabc");
        QTest::newRow("Cancel shows the dialog again") << true << QList<int>{Msg::Cancel, Msg::No} << 2
                                                       << QByteArray("old\r\n\r\nabc");
    }

    void logFileAnswers()
    {
        QFETCH(bool, exists);
        QFETCH(QList<int>, answers);
        QFETCH(int, dialogsShown);
        QFETCH(QByteArray, content);
        const QString path = env->path(QStringLiteral("radio.log"));
        if (exists) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old\r\n");
        }
        for (int i = 0; i < dialogsShown; ++i)
            env->dialogs().answerSave(path);
        for (int a : answers)
            env->dialogs().answerMsgBox(a);
        w->mnuOpenLog_Click();
        int shownDialogs = 0;
        for (const auto &s : env->dialogs().shown)
            shownDialogs += s.kind == QLatin1String("save");
        QCOMPARE(shownDialogs, dialogsShown);
        QCOMPARE(shared().LogFileNum, qint16(1));
        QVERIFY(!w->mnuOpenLog->isEnabled());
        QVERIFY(w->mnuCloseLog->isEnabled());
        QVERIFY(w->windowTitle().endsWith(QStringLiteral(" - radio.log")));

        // The log holds what the terminal shows: line feeds dropped, CR as CR LF.
        receive("\r\nabc");
        w->mnuCloseLog_Click();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
        QVERIFY(w->mnuOpenLog->isEnabled());
    }

    void cancelInTheLogDialogOpensNothing()
    {
        w->mnuOpenLog_Click();
        QCOMPARE(shared().LogFileNum, qint16(0));
        QVERIFY(w->mnuOpenLog->isEnabled());
    }

    // The box names the log and the system's reason; the text still reaches the terminal.
    void aFailedLogWriteKeepsTheTextAndAsks()
    {
#ifndef Q_OS_UNIX
        QSKIP("Needs a file size limit to make a log write fail.");
#else
        const QString path = env->path(QStringLiteral("radio.log"));
        env->dialogs().answerSave(path);
        w->mnuOpenLog_Click();
        QCOMPARE(shared().LogFileNum, qint16(1));
        env->dialogs().answerMsgBox(Msg::Retry);
        env->dialogs().answerMsgBox(Msg::Cancel);
        w->txtTerm->clear();
        {
            FileSizeLimit full(0);
            receive("PROGRAMMED OK");
        }
        QCOMPARE(w->txtTerm->text(), QStringLiteral("PROGRAMMED OK"));
        QCOMPARE(shared().RxBuffer, QStringLiteral(" PROGRAMMED OK"));
        const auto boxes = env->dialogs().messages();
        QCOMPARE(boxes.size(), 2);   // Retry, then Cancel
        for (const auto &box : boxes) {
            QCOMPARE(box.text, QStringLiteral("The log file could not be written:\r\n") + QDir::toNativeSeparators(path)
                                   + QStringLiteral("\r\n\r\nFile too large"));
            QCOMPARE(box.buttons, int(Msg::RetryCancel));
        }
        QCOMPARE(shared().LogFileNum, qint16(0));
#endif
    }

    void textArrivingWhileALogWriteFailsWaitsItsTurn()
    {
#ifndef Q_OS_UNIX
        QSKIP("Needs a file size limit to make a log write fail for a while.");
#else
        const QString path = env->path(QStringLiteral("radio.log"));
        env->dialogs().answerSave(path);
        w->mnuOpenLog_Click();
        QCOMPARE(shared().LogFileNum, qint16(1));
        w->txtTerm->clear();
        env->dialogs().setModal(300);
        FileSizeLimit limit(4);
        int failures = 0;
        env->dialogs().onMsgBox = [&](const ScriptedDialogs::Shown &box) {
            if (box.buttons != Msg::RetryCancel)
                return;
            ++failures;
            if (failures == 1)
                port->feed("IJ");   // the radio goes on talking while the user reads the box
            else
                limit.lift();       // the user made room before answering again
        };
        env->dialogs().answerMsgBox(Msg::Retry);
        env->dialogs().answerMsgBox(Msg::Retry);
        receive("ABCDEFGH");
        Clock::pumpFor(100);
        QCOMPARE(w->txtTerm->text(), QStringLiteral("ABCDEFGHIJ"));
        const auto boxes = env->dialogs().messages();
        QCOMPARE(boxes.size(), 2);
        for (const auto &box : boxes) {
            QCOMPARE(box.buttons, int(Msg::RetryCancel));
            QCOMPARE(box.openBoxes, 0);
        }
        QCOMPARE(shared().LogFileNum, qint16(1));
        w->mnuCloseLog_Click();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("ABCDEFGHIJ"));
#endif
    }

    void theLogsTroubleIsAskedAbout_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<bool>("duringAnOperation");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("logged");   // the file at the log's name at the end; "-": none
        QTest::newRow("log deleted, Yes makes it again and goes on") << "deleted" << false << int(Msg::Yes)
                                                                      << QByteArray("defghi");
        QTest::newRow("log deleted, No closes it") << "deleted" << false << int(Msg::No) << QByteArray("-");
        QTest::newRow("log moved during an operation, asked after it") << "moved" << true << int(Msg::Yes)
                                                                        << QByteArray("defghi");
        // Past what is kept the traffic is lost, and the question says how much.
        QTest::newRow("disk full during an operation, more than is kept") << "full" << true << int(Msg::Retry)
                                                                           << QByteArray();
    }

    void theLogsTroubleIsAskedAbout()
    {
#ifndef Q_OS_UNIX
        QSKIP("Needs a file size limit and a file that can be deleted while open.");
#else
        QFETCH(QString, trouble);
        QFETCH(bool, duringAnOperation);
        QFETCH(int, answer);
        QFETCH(QByteArray, logged);
        Clock::setScale(0.05);
        const QString path = env->path(QStringLiteral("radio.log"));
        env->dialogs().answerSave(path);
        w->mnuOpenLog_Click();
        QCOMPARE(shared().LogFileNum, qint16(1));
        receive("abc");
        // A tick of the log's watch has seen the file where its name leads.
        Clock::pumpFor(1500);
        std::optional<FileSizeLimit> full;
        std::optional<Exchange::LinkOwnership> operation;
        if (duringAnOperation)
            operation.emplace();
        bool asked = false;
        env->dialogs().onMsgBox = [&](const ScriptedDialogs::Shown &) {
            asked = true;
            full.reset();   // the user makes room before Retry
        };
        env->dialogs().answerMsgBox(answer);
        const qsizetype kept = 8 << 20;
        if (trouble == "full") {
            full.emplace(3);
            receive(QByteArray(kept + 1000, 'x'));
        } else {
            if (trouble == "deleted")
                QVERIFY(QFile::remove(path));
            else
                QVERIFY(QFile::rename(path, env->path(QStringLiteral("moved.log"))));
            receive("def");
            QVERIFY(Clock::waitFor([&] { return asked || Dialogs::waiting(QStringLiteral("log")); }, 3000));
            receive("gh");
        }
        QCOMPARE(asked, !duringAnOperation);
        operation.reset();
        QVERIFY(Clock::waitFor([&] { return asked; }, 3000));
        receive(trouble == "full" ? "" : "i");

        const auto boxes = env->dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        const QString shownPath = QDir::toNativeSeparators(path);
        if (trouble == "full") {
            QCOMPARE(boxes[0].text, QStringLiteral("The log file could not be written:\r\n") + shownPath
                                        + QStringLiteral("\r\n\r\nFile too large\r\n\r\n1000 bytes received since "
                                                         "then could not be kept for it."));
            QCOMPARE(boxes[0].buttons, int(Msg::RetryCancel));
            QCOMPARE(QFileInfo(path).size(), qint64(3 + kept));
        } else {
            QCOMPARE(boxes[0].text, QStringLiteral("The log file is no longer there: it was deleted or moved while "
                                                   "it was open.\r\n")
                                        + shownPath + QStringLiteral("\r\n\r\nCreate it again and go on writing the log?"));
            QCOMPARE(boxes[0].buttons, int(Msg::YesNo));
            QCOMPARE(QFile::exists(path), logged != "-");
            if (logged != "-") {
                QFile f(path);
                QVERIFY(f.open(QIODevice::ReadOnly));
                QCOMPARE(f.readAll(), logged);
            }
        }
        QCOMPARE(shared().LogFileNum, qint16(logged == "-" ? 0 : 1));
#endif
    }

    void portTimeoutReportsAndDisablesActions()
    {
        Clock::setScale(0.01);
        w->EnableRadioActions();
        shared().PortTimedOut = false;
        w->StartPortTimeout();
        QVERIFY(Clock::waitFor([] { return shared().PortTimedOut; }, 5000));
        QCOMPARE(env->dialogs().messages().first().title, QStringLiteral("Radio Communications Error"));
        QVERIFY(!w->cmdSaveToFile->isEnabled());
    }
};

QTEST_MAIN(TestReceivePath)
#include "tst_receivepath.moc"
