// The progress window: Cancel raises DownloadCancelled and closes it, every activation clears the
// flag, and while nobody has cancelled it comes straight back when it loses activation or is
// closed.
#include "common/SharedState.h"
#include "common/frmProgram.h"
#include "platform/Clock.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {
bool activeAndShown(QWidget &w)
{
    return Clock::waitFor([&] { return w.isVisible() && w.isActiveWindow(); }, 500);
}

// Gives queued re-shows and activation changes their turn.
void settle()
{
    Clock::pumpFor(100);
}

// What a window manager does when a window closes: another one becomes active. (The offscreen
// platform keeps a hidden window as its focus window, so a later show would not activate.)
void activate(QWidget &w)
{
    w.activateWindow();
    settle();
}
} // namespace

class TestProgressWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<QWidget> other;   // another window of the program, e.g. the main window

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        other = std::make_unique<QWidget>();
        other->resize(300, 200);
        other->show();
        QVERIFY(activeAndShown(*other));
    }

    void cleanup()
    {
        shared().DownloadCancelled = true;
        frmProgram::instance().unload();
        settle();
        other.reset();
        env.reset();
    }

    void cancelClosesItAndRaisesTheFlag()
    {
        frmProgram &p = frmProgram::instance();
        shared().DownloadCancelled = false;
        p.showModeless();
        QVERIFY(activeAndShown(p));
        QTest::mouseClick(p.Command1, Qt::LeftButton);
        QVERIFY(shared().DownloadCancelled);
        QVERIFY(!p.isVisible());
        settle();
        QVERIFY(!p.isVisible());
    }

    void everyActivationClearsTheFlag_data()
    {
        QTest::addColumn<bool>("cancelFirst");
        QTest::newRow("first show") << false;
        QTest::newRow("show again after a cancel") << true;
    }

    void everyActivationClearsTheFlag()
    {
        QFETCH(bool, cancelFirst);
        frmProgram &p = frmProgram::instance();
        if (cancelFirst) {
            p.showModeless();
            QVERIFY(activeAndShown(p));
            p.Command1->click();
            QVERIFY(shared().DownloadCancelled);
            activate(*other);
        }
        shared().DownloadCancelled = true;
        p.showModeless();
        QVERIFY(activeAndShown(p));
        QVERIFY(!shared().DownloadCancelled);
    }

    void clickingAnotherWindowBringsItStraightBack()
    {
        frmProgram &p = frmProgram::instance();
        p.showModeless();
        QVERIFY(activeAndShown(p));
        activate(*other);
        QVERIFY(activeAndShown(p));
        QVERIFY(!shared().DownloadCancelled);
    }

    void closingItWhileNobodyCancelledLeavesItThere_data()
    {
        QTest::addColumn<bool>("byCloseButton");
        QTest::newRow("the window's close button") << true;
        QTest::newRow("an unload without the flag") << false;
    }

    void closingItWhileNobodyCancelledLeavesItThere()
    {
        QFETCH(bool, byCloseButton);
        frmProgram &p = frmProgram::instance();
        p.showModeless();
        QVERIFY(activeAndShown(p));
        if (byCloseButton)
            p.close();
        else
            p.unload();
        settle();
        QVERIFY(p.isVisible());
        QVERIFY(!shared().DownloadCancelled);
    }

    void flagThenUnloadClosesItForGood()
    {
        frmProgram &p = frmProgram::instance();
        p.showModeless();
        QVERIFY(activeAndShown(p));
        shared().DownloadCancelled = true;
        p.unload();
        activate(*other);
        QVERIFY(!p.isVisible());
        QVERIFY(shared().DownloadCancelled);
    }

    void unloadPutsBackTheDesignTexts()
    {
        frmProgram &p = frmProgram::instance();
        p.setWindowTitle(QStringLiteral("Erasing..."));
        p.Label1->setText(QStringLiteral("Erasing current firmware..."));
        p.ProgressBar1->setValue(70);
        p.showModeless();
        QVERIFY(activeAndShown(p));
        shared().DownloadCancelled = true;
        p.unload();
        QCOMPARE(p.windowTitle(), QStringLiteral("Downloading Software to the radio..."));
        QCOMPARE(p.Label1->text(), QString());
        QCOMPARE(p.ProgressBar1->value(), 0);
    }

    void anOwnerThatClosesTakesItAlong()
    {
        auto owner = std::make_unique<QWidget>();
        owner->show();
        frmProgram *first = &frmProgram::instance();
        first->showModeless(owner.get());
        QVERIFY(activeAndShown(*first));
        QVERIFY(first->isWindow());
        shared().DownloadCancelled = true;
        owner.reset();
        frmProgram &next = frmProgram::instance();
        next.showModeless();
        QVERIFY(activeAndShown(next));
    }
};

QTEST_MAIN(TestProgressWindow)
#include "tst_progresswindow.moc"
