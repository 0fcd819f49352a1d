// The real message and input boxes: what their labels show of a prompt written with CR line ends.
#include "platform/Dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace {

const QString UnitPrompt = QStringLiteral("Enter the Unit Address:\r\r    10000 to 65000");
const QString UnitShown = QStringLiteral("Enter the Unit Address:\n\n    10000 to 65000");

// Runs show() while a timer reads the text of every label of the modal box it opens, then closes
// the box. Returns the label texts.
QStringList labelsOfModalBox(const std::function<void()> &show)
{
    QStringList texts;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        for (const QLabel *label : box->findChildren<QLabel *>())
            texts << label->text();
        box->reject();
    });
    poll.start();
    show();
    return texts;
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { setDialogs(nullptr); }

    void promptLineEndsShowAsLines_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("input box") << "input";
        QTest::newRow("message box") << "msgbox";
    }

    void promptLineEndsShowAsLines()
    {
        QFETCH(QString, kind);
        QString answer = QStringLiteral("unchanged");
        const QStringList labels = labelsOfModalBox([&] {
            if (kind == QLatin1String("input"))
                answer = dialogs().inputBox(UnitPrompt, QStringLiteral("Program Unit Address"),
                                            QStringLiteral("UNIT 1"));
            else
                MsgBox(UnitPrompt);
        });
        QVERIFY2(labels.contains(UnitShown), qPrintable(labels.join(QLatin1Char('|'))));
        if (kind == QLatin1String("input"))
            QVERIFY(answer.isEmpty());
    }

    void crLfPairsGiveOneLineEndEach()
    {
        const QStringList labels = labelsOfModalBox([] {
            dialogs().inputBox(QStringLiteral("Select the UNIT number.\r\n\r\nValid numbers"), QString(), QString());
        });
        QVERIFY2(labels.contains(QStringLiteral("Select the UNIT number.\n\nValid numbers")),
                 qPrintable(labels.join(QLatin1Char('|'))));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
