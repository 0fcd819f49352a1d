#include "diagnostics/frmZoneQuality.h"

#include "common/SharedState.h"
#include "diagnostics/ZoneChart.h"
#include "diagnostics/ZoneData.h"
#include "platform/Clock.h"

#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace {
constexpr int PollMs = 150;
constexpr int ResetMs = 500;
constexpr int ScaleTicks = 11;
// A change of more than this many points waits for the next reply to confirm it.
constexpr int JumpPoints = 10;

const QString UnknownData = QStringLiteral("unknownData");
const QString IncompleteZoneData = QStringLiteral("incompleteZoneData");
const QColor UsableColour(0x2a, 0x7f, 0x9e);
} // namespace

frmZoneQuality::frmZoneQuality(CommControl &port, QWidget *parent) : QDialog(parent), m_port(port)
{
    buildUi();
    Form_Load();
    Clock::startTimer(*pollTimer, PollMs);
}

frmZoneQuality::~frmZoneQuality() = default;

void frmZoneQuality::buildUi()
{
    setWindowTitle(QStringLiteral("Zone Quality"));
    setModal(true);

    menuBar = new QMenuBar(this);
    mnuSelectFilter = menuBar->addMenu(QStringLiteral("Select &Filter"));
    mnuNormalAveraging = mnuSelectFilter->addAction(QStringLiteral("&Normal Averaging"));
    mnuBlockedFrequencies = mnuSelectFilter->addAction(QStringLiteral("&Blocked Frequencies"));
    mnuNormalAveraging->setCheckable(true);
    mnuBlockedFrequencies->setCheckable(true);
    mnuNormalAveraging->setChecked(true);
    mnuToggleZoneUpdates = menuBar->addAction(ZoneWindow::StopCaption);
    mnuExitScreen = menuBar->addAction(QStringLiteral("&Exit Screen"));
    connect(mnuNormalAveraging, &QAction::triggered, this, &frmZoneQuality::mnuNormalAveraging_Click);
    connect(mnuBlockedFrequencies, &QAction::triggered, this, &frmZoneQuality::mnuBlockedFrequencies_Click);
    connect(mnuToggleZoneUpdates, &QAction::triggered, this, &frmZoneQuality::mnuToggleZoneUpdates_Click);
    connect(mnuExitScreen, &QAction::triggered, this, &frmZoneQuality::mnuExitScreen_Click);

    auto *outer = new QVBoxLayout(this);
    outer->setMenuBar(menuBar);
    auto *zones = new QHBoxLayout;
    zones->setSpacing(6);
    outer->addLayout(zones);

    QStringList ticks;
    for (int k = 0; k < ScaleTicks; ++k)
        ticks << QString::number(10 * k);
    for (int i = 0; i < 8; ++i) {
        frameZone[i] = new ZoneFrame(ZoneWindow::caption(i + 1), this);
        auto *box = new QVBoxLayout(frameZone[i]);
        box->setContentsMargins(4, 6, 4, 4);
        auto *chart = new ZoneChart(ticks, {UsableColour}, 1, frameZone[i]);
        box->addWidget(chart);
        for (int k = 0; k < ScaleTicks; ++k)
            labelZone[ScaleTicks * i + k] = chart->tick(k);
        usableBar[i] = chart->bar(0);
        percentUsable[i] = chart->footer(0, 0);
        percentUsable[i]->setText(QStringLiteral("0"));
        zones->addWidget(frameZone[i]);
    }
    lblPercent = new QLabel(QStringLiteral("% Usable"), this);
    lblPercent->setAlignment(Qt::AlignHCenter);
    outer->addWidget(lblPercent);

    pollTimer = new QTimer(this);
    resetTimer = new QTimer(this);
    connect(pollTimer, &QTimer::timeout, this, &frmZoneQuality::pollTimer_Timer);
    connect(resetTimer, &QTimer::timeout, this, &frmZoneQuality::resetTimer_Timer);
    resize(880, 400);
}

void frmZoneQuality::Form_Load()
{
    shared().RxBuffer = QStringLiteral(" ");
    sendCommand(QStringLiteral("skip"));
    for (ZoneBar *bar : usableBar)
        bar->setHeightTwips(0);
    DiscardIncomplete = false;
    SkippedCount = 0;
}

void frmZoneQuality::sendCommand(const QString &command)
{
    if (!Diagnostics::send(m_port, m_ownsLink, command))
        ZoneWindow::stopUpdates(*pollTimer, *resetTimer, *mnuToggleZoneUpdates);
}

void frmZoneQuality::startResetTimer(const QString &tag)
{
    resetTimerTag = tag;
    ZoneWindow::enable(*resetTimer, ResetMs);
}

void frmZoneQuality::pollTimer_Timer()
{
    bool late = false;
    if (resetTimer->isActive() && resetTimerTag == UnknownData) {
        resetTimer->stop();
        late = true;
    }
    QString &rx = shared().RxBuffer;
    if (rx.isEmpty()) {
        sendCommand(QStringLiteral("ZONE DATA"));
    } else if (rx.contains(QLatin1String("zone clear"))) {
        rx.clear();
    } else if (rx.contains(QLatin1String("SKIP"))) {
        ShowAndCountSkippedZones();
    } else if (rx.contains(QLatin1String("1:"))) {
        if (DiscardIncomplete) {
            qCDebug(lcDiagnostics) << "dropped incomplete zone reply" << rx.size();
            rx.clear();
            resetTimer->stop();
            DiscardIncomplete = false;
        } else if (ZoneData::looksComplete(rx)
                   && ZoneData::readCounts(rx, {ZoneData::RxTotal, ZoneData::RxError}).complete) {
            resetTimer->stop();
            ParseZoneTotals();
            UpdateZoneQuality();
        } else {
            startResetTimer(IncompleteZoneData);
        }
    } else if (!late) {
        startResetTimer(UnknownData);
        pollTimer->stop();
    } else {
        rx.clear();
    }
}

void frmZoneQuality::resetTimer_Timer()
{
    if (resetTimerTag == UnknownData)
        ZoneWindow::enable(*pollTimer, PollMs);
    else
        DiscardIncomplete = true;
}

void frmZoneQuality::mnuNormalAveraging_Click()
{
    mnuNormalAveraging->setChecked(true);
    mnuBlockedFrequencies->setChecked(false);
}

void frmZoneQuality::mnuBlockedFrequencies_Click()
{
    mnuBlockedFrequencies->setChecked(true);
    mnuNormalAveraging->setChecked(false);
}

void frmZoneQuality::mnuToggleZoneUpdates_Click()
{
    ZoneWindow::toggleUpdates(*pollTimer, *resetTimer, *mnuToggleZoneUpdates, PollMs);
}

void frmZoneQuality::mnuExitScreen_Click()
{
    close();
}

void frmZoneQuality::ShowAndCountSkippedZones()
{
    const ZoneData::SkipReply reply = ZoneData::readSkip(shared().RxBuffer);
    if (!reply.found)
        return;
    for (const int zone : reply.zones) {
        frameZone[zone - 1]->setTitle(ZoneWindow::skippedCaption(zone));
        // The main window's read-out asks "skip" too: a zone named again is not counted twice.
        if (!m_skipped[zone - 1]) {
            m_skipped[zone - 1] = true;
            ++SkippedCount;
        }
    }
    shared().RxBuffer.clear();
}

void frmZoneQuality::ParseZoneTotals()
{
    QString &rx = shared().RxBuffer;
    const ZoneData::Counts counts = ZoneData::readCounts(rx, {ZoneData::RxTotal, ZoneData::RxError});
    for (int z = 0; z < ZoneData::Zones; ++z) {
        if (const auto total = counts.value[z][ZoneData::RxTotal])
            RxTotal[z] = *total;
        if (const auto errors = counts.value[z][ZoneData::RxError])
            RxError[z] = *errors;
    }
    if (counts.complete)
        rx.clear();
}

void frmZoneQuality::UpdateZoneQuality()
{
    const bool blocked = mnuBlockedFrequencies->isChecked();
    double sum = 0;
    for (const qint64 rx : RxTotal)
        sum += double(rx);
    // With every zone skipped there is no average to measure against; each zone is then measured
    // against its own total, as the normal filter does.
    const bool haveAverage = SkippedCount < 8;
    const double average = haveAverage ? sum / (8 - SkippedCount) : 0;

    for (int i = 0; i < 8; ++i) {
        const qint64 rx = RxTotal[i];
        const qint64 err = RxError[i];
        if (rx <= 0) {
            percentUsable[i]->setText(QStringLiteral("0"));
        } else {
            const double d = blocked && haveAverage ? average : double(rx);
            const qint64 pct = qint64(std::floor(double(rx - err) * 100.0 / d));
            const qint64 shown = percentUsable[i]->text().toLongLong();
            if (!JumpPending[i] && (pct < shown - JumpPoints || pct > shown + JumpPoints)) {
                JumpPending[i] = true;
            } else {
                JumpPending[i] = false;
                percentUsable[i]->setText(QString::number(pct));
            }
        }
        // Above the average the blocked-frequency filter computes more than 100.
        const qint64 caption = std::clamp<qint64>(percentUsable[i]->text().toLongLong(), 0, 100);
        percentUsable[i]->setText(QString::number(caption));
        usableBar[i]->setHeightTwips(int(caption * ZoneBar::FullScale / 100));
    }
}
