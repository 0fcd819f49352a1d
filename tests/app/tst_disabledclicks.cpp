// A disabled control takes no click, whichever way its clicks arrive: the preset buttons' filter,
// the clickable connection images, the settings labels and value boxes, the splash labels' filter,
// and the keys that act as a click.
#include "app/ClickableLabel.h"
#include "app/KeyboardAccess.h"
#include "app/frmCorvista.h"
#include "app/frmSplash.h"
#include "common/SharedState.h"
#include "support/MockCommControl.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

enum class Click { Left, Right, PressOnly, ReleaseOnly, Double, Enter, Space, F1, F2, MenuKey };

// The ways a mouse can act on a control, each sent as Qt sends the real one.
void act(QWidget *w, Click click)
{
    switch (click) {
    case Click::Left: QTest::mouseClick(w, Qt::LeftButton); break;
    case Click::Right: QTest::mouseClick(w, Qt::RightButton); break;
    case Click::PressOnly: QTest::mousePress(w, Qt::LeftButton); break;
    case Click::ReleaseOnly: QTest::mouseRelease(w, Qt::LeftButton); break;
    case Click::Double: QTest::mouseDClick(w, Qt::LeftButton); break;
    case Click::Enter: QTest::keyClick(w, Qt::Key_Return); break;
    case Click::Space: QTest::keyClick(w, Qt::Key_Space); break;
    case Click::F1: QTest::keyClick(w, Qt::Key_F1); break;
    case Click::F2: QTest::keyClick(w, Qt::Key_F2); break;
    case Click::MenuKey: {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(1, 1), w->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(w, &menu);
        break;
    }
    }
}

void addClickRows()
{
    QTest::addColumn<int>("click");
    QTest::newRow("left click") << int(Click::Left);
    QTest::newRow("right click") << int(Click::Right);
    QTest::newRow("press alone") << int(Click::PressOnly);
    QTest::newRow("release alone") << int(Click::ReleaseOnly);
    QTest::newRow("double click") << int(Click::Double);
}

// The keys that act on a focused control as a click does; the splash closes on any key.
void addClickAndKeyRows()
{
    addClickRows();
    QTest::newRow("Enter") << int(Click::Enter);
    QTest::newRow("Space") << int(Click::Space);
    QTest::newRow("F1") << int(Click::F1);
    QTest::newRow("F2") << int(Click::F2);
    QTest::newRow("the menu key") << int(Click::MenuKey);
}

void writePreset(const QString &home, int slot, const QString &caption)
{
    QDir().mkpath(home + "/Presets");
    QFile f(home + QStringLiteral("/Presets/Preset%1.txt").arg(slot));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("#PresetFile%1\r\n#Name:%2 site\r\n#PresetCaption:%2\r\n"
                           "#With Firmware Version:  17-2851A01\r\nADDR 1001\r\n")
                .arg(slot)
                .arg(caption)
                .toLatin1());
}

} // namespace

class TestDisabledClicks : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    MockCommControl *port = nullptr;
    const KeyboardAccess keys;

    std::unique_ptr<frmCorvista> makeWindow()
    {
        auto w = std::make_unique<frmCorvista>();
        w->quitOnUnload = false;
        w->Form_Load();
        w->show();
        return w;
    }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>(0.01);
        CommFactory::setFactory([this](QObject *parent) {
            auto p = std::make_unique<MockCommControl>(parent);
            port = p.get();
            return p;
        });
    }

    void cleanup() { env.reset(); }

    void presetButtons_data() { addClickAndKeyRows(); }

    // Slot 1 holds a preset but no radio is connected; slot 2 is free. Neither may ask to program,
    // open the preset menu or touch the port.
    void presetButtons()
    {
        QFETCH(int, click);
        writePreset(env->home(), 1, "Pump");
        auto w = makeWindow();
        QPushButton *used = w->cmdPre[0];
        QPushButton *free = w->cmdPre[1];
        QCOMPARE(used->text(), QStringLiteral("Pump"));
        QVERIFY(!used->isEnabled());
        QCOMPARE(free->text(), QStringLiteral("(Empty)"));
        QVERIFY(!free->isEnabled());

        // Should the menu open after all, it is closed again so the test goes on to fail.
        QSignalSpy menus(w->mnuPreset, &QMenu::aboutToShow);
        QTimer closer;
        closer.setInterval(5);
        connect(&closer, &QTimer::timeout, [&] {
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
        });
        closer.start();
        shared().PresetMenuIndex = -1;

        for (QPushButton *b : {used, free})
            act(b, Click(click));
        QVERIFY(env->dialogs().shown.isEmpty());
        QCOMPARE(menus.size(), 0);
        QCOMPARE(shared().PresetMenuIndex, -1);
        QVERIFY(!port->portOpen());
        QVERIFY(port->written().isEmpty());
        QCOMPARE(free->text(), QStringLiteral("(Empty)"));
    }

    void presetButtonsDuringATask_data() { addClickAndKeyRows(); }

    // While a Tasks-view operation runs, frQuick is disabled and with it every preset button,
    // though each keeps its own Enabled flag.
    void presetButtonsDuringATask()
    {
        QFETCH(int, click);
        writePreset(env->home(), 1, "Pump");
        auto w = makeWindow();
        w->cmdPre[0]->setEnabled(true);
        w->frQuick->setEnabled(false);
        QSignalSpy menus(w->mnuPreset, &QMenu::aboutToShow);
        QTimer closer;
        closer.setInterval(5);
        connect(&closer, &QTimer::timeout, [&] {
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
        });
        closer.start();
        act(w->cmdPre[0], Click(click));
        QVERIFY(env->dialogs().shown.isEmpty());
        QCOMPARE(menus.size(), 0);
        QVERIFY(port->written().isEmpty());
    }

    void connectionImages_data() { addClickAndKeyRows(); }

    void connectionImages()
    {
        QFETCH(int, click);
        auto w = makeWindow();
        for (ClickableLabel *image : {w->imgConnected, w->imgNotConnected}) {
            QSignalSpy clicks(image, &ClickableLabel::clicked);
            image->setEnabled(false);
            act(image, Click(click));
            QCOMPARE(clicks.size(), 0);
        }
        QVERIFY(!port->portOpen());
        QVERIFY(port->written().isEmpty());
    }

    void settingLabelsAndBoxes_data() { addClickAndKeyRows(); }

    void settingLabelsAndBoxes()
    {
        QFETCH(int, click);
        auto w = makeWindow();
        ValueBox *box = w->Pages.box(QStringLiteral("RxTimeOut"));
        SettingLabel *label = w->Pages.label(QStringLiteral("RxTimeOut"));
        box->setEnabled(false);
        label->setEnabled(false);
        QSignalSpy boxClicks(box, &ValueBox::clicked);
        QSignalSpy labelClicks(label, &SettingLabel::clicked);
        act(box, Click(click));
        act(label, Click(click));
        QCOMPARE(boxClicks.size(), 0);
        QCOMPARE(labelClicks.size(), 0);
        QVERIFY(env->dialogs().shown.isEmpty());
    }

    void splashLabels_data() { addClickRows(); }

    void splashLabels()
    {
        QFETCH(int, click);
        QWidget main;
        QPointer<frmSplash> splash = new frmSplash(&main);
        splash->Timer1.stop();   // it would close the window on its own
        splash->show();
        for (QLabel *label : {splash->lblURL, splash->lblProductName, splash->Date}) {
            label->setEnabled(false);
            act(label, Click(click));
        }
        QCoreApplication::processEvents();
        QVERIFY(!splash.isNull());
        QVERIFY(splash->isVisible());
        QVERIFY(env->dialogs().shown.isEmpty());
        delete splash.data();
    }
};

QTEST_MAIN(TestDisabledClicks)
#include "tst_disabledclicks.moc"
