#include "diagnostics/frmZoneData.h"

#include "common/SharedState.h"
#include "platform/LinkGate.h"
#include "diagnostics/ZoneChart.h"
#include "diagnostics/ZoneData.h"
#include "diagnostics/frmZoneQuality.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
constexpr int FastPollMs = 50;
constexpr int ResetMs = 500;
constexpr int ScaleTicks = 11;

const QColor TxColour(0x1f, 0x5f, 0xbf);
const QColor RxColour(0x2e, 0x8b, 0x3e);
const QColor ErrorColour(0xc0, 0x30, 0x30);

qint64 captionValue(const QLabel *label)
{
    return label->text().trimmed().toLongLong();
}

// Counts change on every poll. A count label held at a fixed size repaints just itself for a new
// count: it is as wide as that many of the font's widest digit, so only a count with another
// number of digits lays the window out again.
void showCount(QLabel *label, const QString &text)
{
    if (label->minimumSize() != label->maximumSize() || label->text().size() != text.size()) {
        const QFontMetrics metrics(label->font());
        QChar widest = QLatin1Char('0');
        for (char digit = '1'; digit <= '9'; ++digit)
            if (metrics.horizontalAdvance(QLatin1Char(digit)) > metrics.horizontalAdvance(widest))
                widest = QLatin1Char(digit);
        label->setText(QString(text.size(), widest));
        label->setFixedSize(label->sizeHint());
    }
    label->setText(text);
}
} // namespace

frmZoneData::frmZoneData(CommControl &port, QWidget *parent) : QDialog(parent), m_port(port)
{
    buildUi();
    Form_Load();
    Clock::startTimer(*pollTimer, m_pollMs);
}

frmZoneData::~frmZoneData() = default;

void frmZoneData::buildUi()
{
    setWindowTitle(QStringLiteral("Zone Data"));
    setModal(true);

    menuBar = new QMenuBar(this);
    mnuToggleZoneUpdates = menuBar->addAction(ZoneWindow::StopCaption);
    mnuShowZoneQuality = menuBar->addAction(QStringLiteral("Show Zone &Quality"));
    mnuResetZoneData = menuBar->addAction(QStringLiteral("Reset &Zone Data"));
    mnuExitScreen = menuBar->addAction(QStringLiteral("&Exit Screen"));
    connect(mnuToggleZoneUpdates, &QAction::triggered, this, &frmZoneData::mnuToggleZoneUpdates_Click);
    connect(mnuShowZoneQuality, &QAction::triggered, this, &frmZoneData::mnuShowZoneQuality_Click);
    connect(mnuResetZoneData, &QAction::triggered, this, &frmZoneData::mnuResetZoneData_Click);
    connect(mnuExitScreen, &QAction::triggered, this, &frmZoneData::mnuExitScreen_Click);

    auto *outer = new QVBoxLayout(this);
    outer->setMenuBar(menuBar);
    auto *zones = new QHBoxLayout;
    zones->setSpacing(6);
    outer->addLayout(zones);

    QStringList ticks;
    for (int k = 0; k < ScaleTicks; ++k)
        ticks << QString::number(k);
    for (int i = 0; i < 8; ++i) {
        frameZone[i] = new ZoneFrame(ZoneWindow::caption(i + 1), this);
        auto *box = new QVBoxLayout(frameZone[i]);
        box->setContentsMargins(4, 6, 4, 4);
        m_chart[i] = new ZoneChart(ticks, {TxColour, RxColour, ErrorColour}, 0, frameZone[i]);
        box->addWidget(m_chart[i], 1);
        for (int k = 0; k < ScaleTicks; ++k)
            labelZone[ScaleTicks * i + k] = m_chart[i]->tick(k);
        zoneTXBar[i] = m_chart[i]->bar(0);
        zoneRXBar[i] = m_chart[i]->bar(1);
        zoneErrorsBar[i] = m_chart[i]->bar(2);

        // Under the bars, one line per bar in the bar's colour: its caption and its count.
        auto *legend = new QGridLayout;
        legend->setContentsMargins(2, 0, 2, 0);
        legend->setVerticalSpacing(0);
        box->addLayout(legend);
        const struct { QLabel **caption; QLabel **count; const char *text; QColor colour; } rows[] = {
            {&lblTx[i], &zoneTXCount[i], "Tx.", TxColour},
            {&lblZoneRx[i], &zoneRXCount[i], "Rx.", RxColour},
            {&lblZoneErrors[i], &zoneErrorsCount[i], "Errors", ErrorColour},
        };
        for (int r = 0; r < 3; ++r) {
            *rows[r].caption = new QLabel(QString::fromLatin1(rows[r].text), frameZone[i]);
            *rows[r].count = new QLabel(QStringLiteral("0"), frameZone[i]);
            (*rows[r].count)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            showCount(*rows[r].count, QStringLiteral("0"));
            for (QLabel *label : {*rows[r].caption, *rows[r].count}) {
                QPalette palette = label->palette();
                palette.setColor(QPalette::WindowText, rows[r].colour.darker(120));
                label->setPalette(palette);
            }
            legend->addWidget(*rows[r].caption, r, 0);
            // At the size of its text the count keeps to the right of its column, as it did filling it.
            legend->addWidget(*rows[r].count, r, 1, Qt::AlignRight | Qt::AlignVCenter);
        }
        zones->addWidget(frameZone[i]);
    }

    pollTimer = new QTimer(this);
    resetTimer = new QTimer(this);
    connect(pollTimer, &QTimer::timeout, this, &frmZoneData::pollTimer_Timer);
    connect(resetTimer, &QTimer::timeout, this, &frmZoneData::resetTimer_Timer);
    resize(1040, 470);
}

void frmZoneData::Form_Load()
{
    shared().RxBuffer = QStringLiteral(" ");
    sendCommand(QStringLiteral("skip"));
    for (int i = 0; i < 8; ++i)
        for (ZoneBar *bar : {zoneTXBar[i], zoneRXBar[i], zoneErrorsBar[i]})
            bar->setHeightTwips(0);
}

void frmZoneData::sendCommand(const QString &command)
{
    if (!Diagnostics::send(m_port, m_ownsLink, command))
        ZoneWindow::stopUpdates(*pollTimer, *resetTimer, *mnuToggleZoneUpdates);
}

void frmZoneData::pollTimer_Timer()
{
    if (m_pollMs != FastPollMs) {
        m_pollMs = FastPollMs;
        Clock::startTimer(*pollTimer, m_pollMs);
    }
    bool late = false;
    if (resetTimer->isActive()) {
        resetTimer->stop();
        late = true;
    }
    QString &rx = shared().RxBuffer;
    if (rx.isEmpty()) {
        sendCommand(QStringLiteral("ZONE DATA"));
        return;
    }
    if (rx.contains(QLatin1String("zone clear"))) {
        rx.clear();
    } else if (rx.contains(QLatin1String("SKIP"))) {
        ShowSkippedZones();
    } else if (ZoneData::looksComplete(rx)
               && ZoneData::readCounts(rx, {ZoneData::TxTotal, ZoneData::RxTotal, ZoneData::RxError}).complete) {
        ParseZoneData();
    } else if (!late) {
        // A reply still coming in, or one that cannot be read to its end, gets 500 ms more.
        Clock::startTimer(*resetTimer, ResetMs);
        pollTimer->stop();
    } else {
        qCDebug(lcDiagnostics) << "dropped unusable zone reply" << rx.size();
        rx.clear();
    }
    UpdateZoneGraph();
}

void frmZoneData::resetTimer_Timer()
{
    // The reset timer stays on: the poll tick it starts sees that and takes the reply as late.
    ZoneWindow::enable(*pollTimer, m_pollMs);
}

void frmZoneData::Form_GotFocus()
{
    if (!pollTimer->isActive() && !resetTimer->isActive() && mnuToggleZoneUpdates->text() == ZoneWindow::StopCaption)
        ZoneWindow::enable(*pollTimer, m_pollMs);
}

void frmZoneData::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_GotFocus();
}

void frmZoneData::mnuToggleZoneUpdates_Click()
{
    ZoneWindow::toggleUpdates(*pollTimer, *resetTimer, *mnuToggleZoneUpdates, m_pollMs);
}

void frmZoneData::mnuShowZoneQuality_Click()
{
    pollTimer->stop();
    resetTimer->stop();
    {
        const LinkGate::OwnerCode windowsCode(m_ownsLink.ticket());
        frmZoneQuality quality(m_port, this);
        dialogs().execModal(quality);
    }
    // Activation does not always reach a window that gets the focus back, so resume here too.
    Form_GotFocus();
}

void frmZoneData::mnuResetZoneData_Click()
{
    for (int i = 0; i < 8; ++i) {
        for (int k = 0; k < ScaleTicks; ++k)
            labelZone[ScaleTicks * i + k]->setText(QString::number(k));
        for (QLabel *count : {zoneTXCount[i], zoneRXCount[i], zoneErrorsCount[i]})
            showCount(count, QStringLiteral("0"));
    }
    sendCommand(QStringLiteral("zone clear"));
    UpdateZoneGraph();
}

void frmZoneData::mnuExitScreen_Click()
{
    close();
}

void frmZoneData::ParseZoneData()
{
    using namespace ZoneData;
    QString &rx = shared().RxBuffer;
    const Counts counts = readCounts(rx, {TxTotal, RxTotal, RxError});
    for (int z = 0; z < Zones; ++z) {
        QLabel *labels[FieldCount] = {zoneTXCount[z], zoneRXCount[z], zoneErrorsCount[z]};
        qint64 *prev[FieldCount] = {&PrevTxTotal[z], &PrevRxTotal[z], &PrevRxError[z]};
        for (int f = 0; f < FieldCount; ++f) {
            const std::optional<qint64> n = counts.value[z][f];
            if (!n)
                continue;
            // A count shows only when it rose by 1 to 999: anything else is taken for a reset
            // or a garbled line and waits for the next reply.
            if (*prev[f] < *n && *n < *prev[f] + 1000)
                showCount(labels[f], QString::number(*n));
            *prev[f] = *n;
        }
    }
    if (counts.complete)
        rx.clear();
}

void frmZoneData::ShowSkippedZones()
{
    const ZoneData::SkipReply reply = ZoneData::readSkip(shared().RxBuffer);
    if (!reply.found)
        return;
    for (const int zone : reply.zones)
        frameZone[zone - 1]->setTitle(ZoneWindow::skippedCaption(zone));
    shared().RxBuffer.clear();
}

void frmZoneData::UpdateZoneGraph()
{
    qint64 max = 0;
    for (int i = 0; i < 8; ++i)
        for (const QLabel *count : {zoneTXCount[i], zoneRXCount[i], zoneErrorsCount[i]})
            max = std::max(max, captionValue(count));

    const auto rescale = [this](bool up) {
        for (QLabel *tick : labelZone) {
            const qint64 v = captionValue(tick);
            tick->setText(QString::number(up ? v * 10 : v / 10));
        }
    };
    while (max > captionValue(labelZone[10]))
        rescale(true);
    while (max != 0 && max * 10 < captionValue(labelZone[10]))
        rescale(false);

    for (int i = 0; i < 8; ++i) {
        const double perUnit = double(ZoneBar::FullScale) / double(captionValue(labelZone[ScaleTicks * i + 10]));
        zoneTXBar[i]->setHeightTwips(int(std::lround(perUnit * double(captionValue(zoneTXCount[i])))));
        zoneRXBar[i]->setHeightTwips(int(std::lround(perUnit * double(captionValue(zoneRXCount[i])))));
        zoneErrorsBar[i]->setHeightTwips(int(std::lround(perUnit * double(captionValue(zoneErrorsCount[i])))));
        m_chart[i]->relayout();
    }
}
