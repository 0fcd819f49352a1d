// The splash and About window: how long it stays, what closes it, and the main window after it.
#include "app/frmSplash.h"
#include "common/SharedState.h"
#include "platform/Clock.h"
#include "support/ScriptedDialogs.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QtTest>

class TestSplash : public QObject
{
    Q_OBJECT
    QWidget *m_main = nullptr;

    // Shows a new splash and counts its timer's ticks into *ticks.
    QPointer<frmSplash> open(int *ticks)
    {
        auto *splash = new frmSplash(m_main);
        connect(&splash->Timer1, &QTimer::timeout, splash, [ticks] { ++*ticks; });
        if (shared().AboutMode) {
            splash->pBar1->hide();
            splash->show();
            m_main->setEnabled(false);
        } else {
            splash->show();
        }
        return splash;
    }

private slots:
    void initTestCase() { Clock::setScale(0.05); }

    void init()
    {
        resetShared();
        m_main = new QWidget;
    }

    void cleanup() { delete m_main; }

    void splashClosesOnTheFortyFirstTick()
    {
        int ticks = 0;
        QPointer<frmSplash> splash = open(&ticks);
        QVERIFY(splash->pBar1->isVisible());
        QCOMPARE(splash->pBar1->text(), QStringLiteral("LOADING"));
        QCOMPARE(splash->lblPlatform->text(), QStringLiteral("Version 3.0.1"));
        QCOMPARE(splash->lblProductName->text(), QStringLiteral("Wavecrest SS"));
        QVERIFY(!m_main->isVisible());

        int lastBar = 0;
        connect(&splash->Timer1, &QTimer::timeout, splash, [&] { lastBar = splash->pBar1->value(); });
        QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 5000);
        QCOMPARE(ticks, 41);
        QCOMPARE(lastBar, 40);
        QVERIFY(m_main->isVisible());
        QVERIFY(m_main->isEnabled());
    }

    void aboutWindowStaysFourTimesLonger()
    {
        shared().AboutMode = true;
        m_main->show();
        int ticks = 0;
        QPointer<frmSplash> splash = open(&ticks);
        QVERIFY(!splash->pBar1->isVisible());
        QVERIFY(!m_main->isEnabled());

        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 100, 5000);
        QVERIFY(!splash.isNull());
        QVERIFY(!m_main->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 5000);
        QCOMPARE(ticks, 161);
        QVERIFY(m_main->isEnabled());
        QVERIFY(!shared().AboutMode);
    }

    void aKeyClosesAtOnce_data()
    {
        QTest::addColumn<bool>("about");
        QTest::newRow("splash: the main window shows") << false;
        QTest::newRow("About: the main window is enabled again") << true;
    }

    void aKeyClosesAtOnce()
    {
        QFETCH(bool, about);
        shared().AboutMode = about;
        if (about)
            m_main->show();
        int ticks = 0;
        QPointer<frmSplash> splash = open(&ticks);
        QTest::keyClick(splash.data(), Qt::Key_Space);
        QVERIFY(!splash->Timer1.isActive());
        QTRY_VERIFY(splash.isNull());
        QVERIFY(ticks < 40);
        QVERIFY(m_main->isVisible());
        QVERIFY(m_main->isEnabled());
        QVERIFY(!shared().AboutMode);
    }

    void clickOnATextCloses_data()
    {
        QTest::addColumn<QString>("label");
        for (const char *name : {"lblProductName", "lblCompanyProduct", "lblPlatform", "Date", "lblKarvel",
                                 "lblCorporation", "lblCompany"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void clickOnATextCloses()
    {
        QFETCH(QString, label);
        shared().AboutMode = true;
        m_main->show();
        int ticks = 0;
        QPointer<frmSplash> splash = open(&ticks);
        auto *text = splash->findChild<QLabel *>(label);
        QVERIFY(text);
        QVERIFY(!text->text().isEmpty());
        QTest::mouseClick(text, Qt::LeftButton);
        QTRY_VERIFY(splash.isNull());
        QVERIFY(m_main->isEnabled());
    }

    void webAddressOpensWithoutClosing()
    {
        ScriptedDialogs ui;
        int ticks = 0;
        QPointer<frmSplash> splash = open(&ticks);
        QTest::mouseClick(splash->lblURL, Qt::LeftButton);
        QCOMPARE(ui.shown.size(), 1);
        QCOMPARE(ui.shown.first().kind, QStringLiteral("shell"));
        QCOMPARE(ui.shown.first().text, QStringLiteral("https://www.karvel.example"));
        QVERIFY(splash->isVisible());
        QVERIFY(splash->Timer1.isActive());
        QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 5000);   // and it still closes on its own
        QCOMPARE(ticks, 41);
    }

    void noMainWindowIsFine()
    {
        auto *splash = new frmSplash(nullptr);
        QPointer<frmSplash> guard = splash;
        splash->show();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 5000);
    }
};

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
