// The settings catalogue and the pages built from it: the table's invariants, the revision
// gates, the read-out order, and what the version and mode layouts do to the boxes and labels.
#include "settings/RadioSettingCatalogue.h"
#include "settings/SettingsPages.h"

#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// The main window's frames as the pages need them, all shown side by side so every page is
// laid out at once.
struct Harness
{
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    SettingsPages pages;

    Harness()
    {
        auto *row = new QHBoxLayout(window.get());
        auto *info = new QGroupBox(QStringLiteral("GENERAL"), window.get());
        info->setObjectName(QStringLiteral("InfoFrame"));
        row->addWidget(info);
        QList<QFrame *> netSet;
        for (int i = 0; i < NetSetPageCount; ++i) {
            auto *frame = new QFrame(window.get());
            frame->setObjectName(QStringLiteral("NetSet%1").arg(i));
            row->addWidget(frame);
            netSet << frame;
        }
        pages = buildSettingsPages(info, netSet);
        window->show();
        settle();
    }

    void settle() const
    {
        window->layout()->activate();
        for (QWidget *frame : window->findChildren<QWidget *>())
            if (frame->layout())
                frame->layout()->activate();
        QCoreApplication::processEvents();
    }
};

QSet<QString> namesOf(const QStringList &list)
{
    return QSet<QString>(list.begin(), list.end());
}

const QStringList MasterOnlyBoxes = {QStringLiteral("RetryCount"),   QStringLiteral("RepeatCount"),
                                     QStringLiteral("HopTime"),      QStringLiteral("SkippedZones"),
                                     QStringLiteral("DataBuff"),     QStringLiteral("StoreAndForward"),
                                     QStringLiteral("FEC"),          QStringLiteral("LPM")};

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void tableInvariants();
    void readOutOrder_data();
    void readOutOrder();
    void revisionGate_data();
    void revisionGate();
    void pagesHoldTheirRows_data();
    void pagesHoldTheirRows();
    void everyBoxAndLabelAsDesigned();
    void boxesShowTheirLongestReplies_data();
    void boxesShowTheirLongestReplies();
    void softwareRevisionShowsBothLines();
    void clicksReachTheHandlers();
    void versionLayout_data();
    void versionLayout();
    void modeLayout_data();
    void modeLayout();
    void csaddrIsLeftAloneAtMaster();
};

void TestCatalogue::tableInvariants()
{
    const QList<RadioSetting> &rows = RadioSettingCatalogue();
    QCOMPARE(rows.size(), 40);

    QSet<QString> keywords, boxes, labels, checks;
    QSet<int> restoreOrders, reportOrders;
    for (const RadioSetting &row : rows) {
        QVERIFY2(!keywords.contains(row.keyword), qPrintable(row.keyword));
        QVERIFY2(!boxes.contains(row.box), qPrintable(row.box));
        QVERIFY2(!labels.contains(row.label), qPrintable(row.label));
        keywords << row.keyword;
        boxes << row.box;
        labels << row.label;
        QCOMPARE(findSettingByBox(row.box), &row);
        QCOMPARE(findSettingByLabel(row.label), &row);
        QCOMPARE(findSettingByKeyword(row.keyword.toUpper()), &row);
        if (row.hasRestoreEntry()) {
            QVERIFY(!checks.contains(row.restoreCheck));
            checks << row.restoreCheck;
            restoreOrders << row.restoreOrder;
            QCOMPARE(row.restoreNewBox(), QStringLiteral("New") + row.box);
        }
        if (row.reportOrder > 0)
            reportOrders << row.reportOrder;
        // A set command is the command word, one blank and the value.
        if (row.editKind == EditKind::Input || row.editKind == EditKind::Toggle || row.editKind == EditKind::YesNo)
            QVERIFY2(row.commandWord == row.keyword + QLatin1Char(' '), qPrintable(row.box));
    }
    QCOMPARE(findSettingByBox(QStringLiteral("NoSuchBox")), nullptr);

    // The restore window shows 35 rows: all but these five.
    QStringList noRestore;
    for (const RadioSetting &row : rows)
        if (!row.hasRestoreEntry())
            noRestore << row.keyword;
    QCOMPARE(noRestore, (QStringList{"ser", "srev", "temp", "alrm", "show sync"}));
    QCOMPARE(restoreOrders.size(), 35);
    QCOMPARE(*std::min_element(restoreOrders.begin(), restoreOrders.end()), 1);
    QCOMPARE(*std::max_element(restoreOrders.begin(), restoreOrders.end()), 35);
    QCOMPARE(reportOrders.size(), 32);

    // Only the low power mode labels have no help.
    QStringList noHelp;
    for (const RadioSetting &row : rows)
        if (!row.help)
            noHelp << row.label;
    QCOMPARE(noHelp, (QStringList{"LPMHOLDLabel", "LPMLabel"}));
}

void TestCatalogue::readOutOrder_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("group");

    struct Step { const char *keyword; const char *box; int group; };
    static const Step steps[] = {
        {"ser", "SerialNumber", 1},    {"unit", "UnitAddr", 1},         {"srev", "SoftwareRev", 1},
        {"own", "OwnerName", 1},       {"owm", "OwnerMessage", 2},      {"temp", "Temperature", 2},
        {"alrm", "AlarmInfo", 2},      {"mode", "Mode", 3},             {"pwr", "PowerLevel", 3},
        {"baud", "BaudRate", 3},       {"port", "Port", 3},             {"device", "DeviceType", 4},
        {"amask", "AlarmMask", 4},     {"asense", "AlarmSense", 4},     {"cts", "CTSdelay", 5},
        {"ctshold", "CTSHOLDdelay", 5}, {"rxtot", "RxTimeOut", 5},      {"rxd", "RXD", 6},
        {"sleep", "SleepMode", 6},     {"lpmhold", "LPMHOLD", 6},       {"addr", "NetworkAddress", 7},
        {"csaddr", "CSADDR", 7},       {"hoptime", "HopTime", 7},       {"skip", "SkippedZones", 7},
        {"lpm", "LPM", 7},             {"repeat", "RepeatCount", 8},    {"retry", "RetryCount", 8},
        {"fec", "FEC", 8},             {"buff", "DataBuff", 8},         {"saf", "StoreAndForward", 9},
        {"xaddr", "XADDR", 9},         {"xmin", "XMIN", 9},             {"xmax", "XMAX", 9},
        {"xpri", "XPRI", 9},           {"xrssi", "XRSSI", 9},           {"show sync", "ShowSync", 9},
        {"dtype", "DTYPE", 10},        {"dlink", "DLINK", 10},          {"rtu", "SoftRTU", 10},
    };
    int position = 0;
    for (const Step &step : steps) {
        ++position;
        QTest::addRow("step %d: \"%s\" into %s, group %d", position, step.keyword, step.box, step.group)
            << position << QString::fromLatin1(step.keyword) << QString::fromLatin1(step.box) << step.group;
    }
}

void TestCatalogue::readOutOrder()
{
    QFETCH(int, position);
    QFETCH(QString, keyword);
    QFETCH(QString, box);
    QFETCH(int, group);

    // Walking the table in its order and skipping the unread row gives the read-out's steps.
    QList<const RadioSetting *> queried;
    for (const RadioSetting &row : RadioSettingCatalogue())
        if (row.readOutPosition > 0)
            queried << &row;
    QCOMPARE(queried.size(), 39);
    const RadioSetting *row = queried.at(position - 1);
    QCOMPARE(row->readOutPosition, position);
    QCOMPARE(row->keyword, keyword);
    QCOMPARE(row->box, box);
    QCOMPARE(row->readOutGroup, group);
}

void TestCatalogue::revisionGate_data()
{
    QTest::addColumn<RevisionGate>("gate");
    QTest::addColumn<QString>("revision");
    QTest::addColumn<bool>("queried");
    QTest::addColumn<bool>("shown");

    using G = RevisionGate;
    QTest::newRow("no gate, 120") << G::None << "120" << true << true;
    QTest::newRow("below 200 at 199") << G::Below200 << "199" << true << true;
    QTest::newRow("below 200 at exactly 200") << G::Below200 << "200" << false << false;
    QTest::newRow("from 200 at 199") << G::From200 << "199" << false << false;
    QTest::newRow("from 200 at exactly 200") << G::From200 << "200" << true << true;
    QTest::newRow("from 300 at 299") << G::From300 << "299" << false << false;
    QTest::newRow("from 300 at exactly 300") << G::From300 << "300" << true << true;
    QTest::newRow("from 320 at 319") << G::From320 << "319" << false << false;
    QTest::newRow("from 320 at exactly 320") << G::From320 << "320" << true << true;
    QTest::newRow("from 320 at 410") << G::From320 << "410" << true << true;
    QTest::newRow("extension rows at exactly 200") << G::NotBelow200 << "200" << true << true;
    QTest::newRow("extension rows at 199") << G::NotBelow200 << "199" << false << false;
    // A revision that does not read as a number: every test is taken as true, so the queries
    // go out, the layout takes its below-N sides, and the other branch of below-200 is not taken.
    QTest::newRow("from 300, no reply to srev") << G::From300 << "" << true << false;
    QTest::newRow("from 200, letters") << G::From200 << "3x0" << true << false;
    QTest::newRow("below 200, letters") << G::Below200 << "3x0" << true << true;
    QTest::newRow("extension rows, letters") << G::NotBelow200 << "3x0" << false << false;
    QTest::newRow("from 320, blanks around the digits") << G::From320 << " 320 " << true << true;
}

void TestCatalogue::revisionGate()
{
    QFETCH(RevisionGate, gate);
    QFETCH(QString, revision);
    QFETCH(bool, queried);
    QFETCH(bool, shown);
    QCOMPARE(revisionGatePasses(gate, revision), queried);
    QCOMPARE(versionLayoutShows(gate, revision), shown);
}

void TestCatalogue::pagesHoldTheirRows_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("boxesTopDown");

    QTest::newRow("GENERAL") << GeneralPage
                             << QStringList{"SerialNumber", "SoftwareRev", "OwnerName", "OwnerMessage",
                                            "AlarmInfo", "Temperature", "UnitAddr"};
    QTest::newRow("Radio Settings 1")
        << 0 << QStringList{"Mode", "PowerLevel", "BaudRate", "Port", "DeviceType", "AlarmMask", "AlarmSense"};
    QTest::newRow("Radio Settings 2")
        << 1 << QStringList{"CTSdelay", "CTSHOLDdelay", "RxTimeOut", "RXD", "SleepMode", "LPMHOLD"};
    QTest::newRow("Network Settings 1")
        << 2 << QStringList{"NetworkAddress", "CSADDR", "HopTime", "SkippedZones", "LPM"};
    QTest::newRow("Network Settings 2") << 3 << QStringList{"RepeatCount", "RetryCount", "FEC", "DataBuff"};
    QTest::newRow("Store and Forward Settings")
        << 4 << QStringList{"StoreAndForward", "XADDR", "XMIN", "XMAX", "XMAP", "XPRI", "XRSSI", "ShowSync"};
    QTest::newRow("Network Wide Diagnostics") << 5 << QStringList{"DTYPE", "DLINK", "SoftRTU"};
}

void TestCatalogue::pagesHoldTheirRows()
{
    QFETCH(int, page);
    QFETCH(QStringList, boxesTopDown);

    Harness h;
    QWidget *frame = h.pages.pageFrame(page);
    QVERIFY(frame);
    QStringList onFrame;
    for (ValueBox *box : frame->findChildren<ValueBox *>())
        onFrame << box->objectName();
    QCOMPARE(namesOf(onFrame), namesOf(boxesTopDown));

    // With every row shown, each row stands below the one before, its label beside its box.
    int lastTop = -1;
    for (const QString &name : boxesTopDown) {
        ValueBox *box = h.pages.box(name);
        SettingLabel *label = h.pages.label(name);
        QVERIFY2(box && label, qPrintable(name));
        QCOMPARE(label->parentWidget(), frame);
        QVERIFY2(box->y() > lastTop, qPrintable(name));
        QVERIFY2(label->x() + label->width() <= box->x(), qPrintable(name));
        QVERIFY2(label->y() < box->y() + box->height() && box->y() < label->y() + label->height(),
                 qPrintable(name));
        lastTop = box->y();
    }
}

void TestCatalogue::everyBoxAndLabelAsDesigned()
{
    Harness h;
    QCOMPARE(h.pages.boxes.size(), 40);
    QCOMPARE(h.pages.labels.size(), 40);
    for (const RadioSetting &row : RadioSettingCatalogue()) {
        ValueBox *box = h.pages.box(row.box);
        SettingLabel *label = h.pages.label(row.label);
        QVERIFY2(box && label, qPrintable(row.box));
        QCOMPARE(h.pages.label(row.box), label);
        QCOMPARE(h.pages.row(row.label), &row);
        QCOMPARE(box->parentWidget(), h.pages.pageFrame(row.page));
        QCOMPARE(label->text(), row.caption);
        QCOMPARE(label->toolTip(), QStringLiteral("Click for more Information"));
        QCOMPARE(box->toolTip(), row.toolTip);
        QVERIFY(box->isReadOnly());
        const bool emptyAtStart = row.box == "SoftwareRev" || row.box == "OwnerName" || row.box == "OwnerMessage"
                                  || row.box == "AlarmInfo";
        const QString design = row.box == "XMAP" ? QStringLiteral("Click to view/change")
                               : emptyAtStart    ? QString()
                                                 : QStringLiteral("n/a");
        QCOMPARE(box->text(), design);
    }
}

void TestCatalogue::boxesShowTheirLongestReplies_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("reply");

    QTest::newRow("serial number") << "SerialNumber" << "SN 00123456";
    QTest::newRow("unit address") << "UnitAddr" << "UNIT 65000";
    QTest::newRow("owner name of 30 characters") << "OwnerName" << "WAVECREST SS 900 MHZ RADIO 123";
    QTest::newRow("owner message of 30 characters") << "OwnerMessage" << "KARVEL FIELD SERVICE DEPT 0042";
    QTest::newRow("mode") << "Mode" << "MODE M";
    QTest::newRow("power") << "PowerLevel" << "PWR 30 dBm";
    QTest::newRow("baud rate and format") << "BaudRate" << "BAUD 115200 8N1";
    QTest::newRow("port") << "Port" << "PORT RS485";
    QTest::newRow("device CTS KEY") << "DeviceType" << "DEVICE CTS KEY";
    QTest::newRow("alarm mask") << "AlarmMask" << "MASK: FFFF FFFF";
    QTest::newRow("alarm sense") << "AlarmSense" << "ALARM ACTIVE HI";
    QTest::newRow("CTS hold") << "CTSHOLDdelay" << "CTSHOLD 6000";
    QTest::newRow("receive time-out none") << "RxTimeOut" << "RXTOT NONE";
    QTest::newRow("low power mode hold") << "LPMHOLD" << "LPMHOLD 1000";
    QTest::newRow("clock sync not available") << "CSADDR" << "NOT AVAILABLE";
    QTest::newRow("skipped zones") << "SkippedZones" << "SKIP 1,2,3,4";
    QTest::newRow("repeat count not available") << "RepeatCount" << "NOT AVAILABLE";
    QTest::newRow("extension address not available") << "XADDR" << "NOT AVAILABLE";
    QTest::newRow("extension map design text") << "XMAP" << "Click to view/change";
    QTest::newRow("extension RSSI") << "XRSSI" << "XRSSI -120";
    QTest::newRow("sync not available") << "ShowSync" << "NOT AVAILABLE";
    QTest::newRow("diagnostic link") << "DLINK" << "DLINK 115200 (OFF)";
    QTest::newRow("software RTU") << "SoftRTU" << "RTU 80 (OFF)";
    QTest::newRow("software revision, both lines") << "SoftwareRev" << "17-2851A01\r\n3.2.0  01Jan2024";
}

void TestCatalogue::boxesShowTheirLongestReplies()
{
    QFETCH(QString, box);
    QFETCH(QString, reply);

    Harness h;
    ValueBox *valueBox = h.pages.box(box);
    QVERIFY(valueBox);
    valueBox->setText(reply);
    QVERIFY2(valueBox->showsWhole(reply), qPrintable(QStringLiteral("%1 px wide").arg(valueBox->width())));
    QCOMPARE(valueBox->cursorPosition(), reply.size());
}

void TestCatalogue::softwareRevisionShowsBothLines()
{
    Harness h;
    ValueBox *srev = h.pages.box(QStringLiteral("SoftwareRev"));
    ValueBox *serial = h.pages.box(QStringLiteral("SerialNumber"));
    const QString reply = QStringLiteral("17-2851A01\r\n3.2.0  01Jan2024");
    srev->setText(reply);
    // The text stays as the radio sent it, so every reader cuts the same reply.
    QCOMPARE(srev->text(), reply);
    QCOMPARE(srev->lineCount(), 2);
    QVERIFY(srev->height() >= serial->height() + QFontMetrics(srev->font()).lineSpacing());
    QVERIFY(!srev->showsWhole(QStringLiteral("a\r\nb\r\nc")));
}

void TestCatalogue::clicksReachTheHandlers()
{
    Harness h;
    ValueBox *box = h.pages.box(QStringLiteral("RxTimeOut"));
    SettingLabel *label = h.pages.label(QStringLiteral("RxTimeOut"));
    QSignalSpy boxClicks(box, &ValueBox::clicked);
    QSignalSpy labelClicks(label, &SettingLabel::clicked);

    QTest::mouseClick(box, Qt::LeftButton);
    QTest::mouseClick(label, Qt::LeftButton);
    QTest::mouseClick(box, Qt::RightButton);
    QTest::mouseClick(label, Qt::RightButton);
    QCOMPARE(boxClicks.size(), 1);
    QCOMPARE(labelClicks.size(), 1);

    // A box the mode layout has disabled raises no click.
    ValueBox *hop = h.pages.box(QStringLiteral("HopTime"));
    applyModeLayout(h.pages, QStringLiteral("MODE R"));
    QSignalSpy hopClicks(hop, &ValueBox::clicked);
    QTest::mouseClick(hop, Qt::LeftButton);
    QCOMPARE(hopClicks.size(), 0);
}

void TestCatalogue::versionLayout_data()
{
    QTest::addColumn<QString>("revision");
    QTest::addColumn<QStringList>("hidden");
    QTest::addColumn<int>("hopTop");
    QTest::addColumn<int>("skipTop");
    QTest::addColumn<int>("sleepTop");
    QTest::addColumn<int>("showSyncTop");

    QTest::newRow("199: extension range, nothing of 200 on")
        << "199" << QStringList{"RXD", "LPMHOLD", "CSADDR", "LPM", "XMAP", "XPRI", "XRSSI", "DTYPE", "DLINK", "SoftRTU"}
        << 720 << 1080 << 1440 << 1800;
    QTest::newRow("210: extension map, no holdover or clock sync")
        << "210" << QStringList{"RXD", "LPMHOLD", "CSADDR", "LPM", "XMIN", "XMAX"} << 720 << 1080 << 1440 << 2160;
    QTest::newRow("300: clock sync and holdover shown")
        << "300" << QStringList{"LPMHOLD", "LPM", "XMIN", "XMAX"} << 1080 << 1440 << 1800 << 2160;
    QTest::newRow("320: everything of 200 on")
        << "320" << QStringList{"XMIN", "XMAX"} << 1080 << 1440 << 1800 << 2160;
    QTest::newRow("no revision read: the below-N sides")
        << "" << QStringList{"RXD", "LPMHOLD", "CSADDR", "LPM", "XMAP", "XPRI", "XRSSI", "DTYPE", "DLINK", "SoftRTU"}
        << 720 << 1080 << 1440 << 1800;
}

void TestCatalogue::versionLayout()
{
    QFETCH(QString, revision);
    QFETCH(QStringList, hidden);
    QFETCH(int, hopTop);
    QFETCH(int, skipTop);
    QFETCH(int, sleepTop);
    QFETCH(int, showSyncTop);

    Harness h;
    // Start from the opposite layout so every row has to be set.
    applyVersionLayout(h.pages, revision.isEmpty() || revision.toInt() < 200 ? QStringLiteral("320")
                                                                             : QStringLiteral("150"));
    applyModeLayout(h.pages, QStringLiteral("MODE M"));
    applyVersionLayout(h.pages, revision);
    h.settle();

    for (const RadioSetting &row : RadioSettingCatalogue()) {
        ValueBox *box = h.pages.box(row.box);
        SettingLabel *label = h.pages.label(row.box);
        const bool shouldShow = !hidden.contains(row.box);
        QVERIFY2(box->isVisible() == shouldShow, qPrintable(row.box));
        QVERIFY2(label->isVisible() == shouldShow, qPrintable(row.label));
        if (!shouldShow) {
            QVERIFY2(!box->isEnabled() && !label->isEnabled(), qPrintable(row.box));
        } else if (row.gate != RevisionGate::None) {
            QVERIFY2(box->isEnabled() && label->isEnabled(), qPrintable(row.box));
        }
    }

    QCOMPARE(rowTopTwips(h.pages, QStringLiteral("HopTime")), hopTop);
    QCOMPARE(rowTopTwips(h.pages, QStringLiteral("SkippedZones")), skipTop);
    QCOMPARE(rowTopTwips(h.pages, QStringLiteral("SleepMode")), sleepTop);
    QCOMPARE(rowTopTwips(h.pages, QStringLiteral("ShowSync")), showSyncTop);

    // On screen: the shown rows of each page stand at an even pitch, so a hidden row leaves no gap.
    for (int page = 0; page < NetSetPageCount; ++page) {
        QList<int> tops;
        for (ValueBox *box : h.pages.pageFrame(page)->findChildren<ValueBox *>())
            if (box->isVisible())
                tops << box->y();
        std::sort(tops.begin(), tops.end());
        for (int i = 2; i < tops.size(); ++i)
            QCOMPARE(tops[i] - tops[i - 1], tops[1] - tops[0]);
    }
    // The moved rows take the place the hidden row had (one pitch below the row before it).
    const int pitch = h.pages.box("SkippedZones")->y() - h.pages.box("HopTime")->y();
    QCOMPARE(h.pages.box("HopTime")->y() - h.pages.box("NetworkAddress")->y(), pitch * (hopTop / 360 - 1));
}

void TestCatalogue::modeLayout_data()
{
    QTest::addColumn<QString>("modeText");
    QTest::addColumn<bool>("masterRowsOpen");
    QTest::addColumn<bool>("xaddrOpen");

    QTest::newRow("MODE M: master rows open, sleep closed") << "MODE M" << true << true;
    QTest::newRow("mode m: case does not matter") << "mode m" << true << true;
    QTest::newRow("MODE R: master rows and extension address closed") << "MODE R" << false << false;
    QTest::newRow("MODE X: master rows closed, extension address open") << "MODE X" << false << true;
    QTest::newRow("MODE M with a trailing blank is not the master") << "MODE M " << false << true;
    QTest::newRow("design text n/a") << "n/a" << false << true;
}

void TestCatalogue::modeLayout()
{
    QFETCH(QString, modeText);
    QFETCH(bool, masterRowsOpen);
    QFETCH(bool, xaddrOpen);

    Harness h;
    applyVersionLayout(h.pages, QStringLiteral("320"));
    // Start from the opposite mode so every box has to be set.
    applyModeLayout(h.pages, masterRowsOpen ? QStringLiteral("MODE R") : QStringLiteral("MODE M"));
    QHash<QString, bool> enabledBefore;
    for (const RadioSetting &row : RadioSettingCatalogue()) {
        enabledBefore.insert(row.label, h.pages.label(row.label)->isEnabled());
        enabledBefore.insert(row.box, h.pages.box(row.box)->isEnabled());
    }
    applyModeLayout(h.pages, modeText);

    const auto expect = [&](const QString &name, bool open) {
        ValueBox *box = h.pages.box(name);
        QVERIFY2(box->isEnabled() == open, qPrintable(name));
        QVERIFY2(box->cursor().shape() == (open ? Qt::ArrowCursor : Qt::ForbiddenCursor), qPrintable(name));
    };
    for (const QString &name : MasterOnlyBoxes)
        expect(name, masterRowsOpen);
    expect(QStringLiteral("SleepMode"), !masterRowsOpen);
    expect(QStringLiteral("XADDR"), xaddrOpen);
    if (!masterRowsOpen)
        expect(QStringLiteral("CSADDR"), false);

    // Nothing else changes: no label, and no box without a mode rule.
    for (const RadioSetting &row : RadioSettingCatalogue()) {
        QVERIFY2(h.pages.label(row.box)->isEnabled() == enabledBefore.value(row.label), qPrintable(row.label));
        if (row.modeLayout == ModeLayout::None)
            QVERIFY2(h.pages.box(row.box)->isEnabled() == enabledBefore.value(row.box), qPrintable(row.box));
    }
}

void TestCatalogue::csaddrIsLeftAloneAtMaster()
{
    Harness h;
    ValueBox *csaddr = h.pages.box(QStringLiteral("CSADDR"));

    // Away from the master it is closed; the master's layout does not open it again ...
    applyVersionLayout(h.pages, QStringLiteral("320"));
    applyModeLayout(h.pages, QStringLiteral("MODE R"));
    applyModeLayout(h.pages, QStringLiteral("MODE M"));
    QVERIFY(!csaddr->isEnabled());
    QCOMPARE(csaddr->cursor().shape(), Qt::ForbiddenCursor);

    // ... the version layout of the next read-out does.
    applyVersionLayout(h.pages, QStringLiteral("320"));
    applyModeLayout(h.pages, QStringLiteral("MODE M"));
    QVERIFY(csaddr->isEnabled());
}

QTEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
