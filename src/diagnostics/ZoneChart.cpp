#include "diagnostics/ZoneChart.h"

#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "platform/LinkGate.h"
#include "link/Exchange.h"
#include "platform/Clock.h"
#include "platform/CommControl.h"

#include <QAction>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QTimer>
#include <algorithm>

Q_LOGGING_CATEGORY(lcDiagnostics, "wavecrest.diagnostics", QtWarningMsg)

namespace {
constexpr int Margin = 4;
constexpr int BarGap = 4;
} // namespace

ZoneBar::ZoneBar(const QColor &colour, QWidget *parent) : QWidget(parent), m_colour(colour)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ZoneBar::setHeightTwips(int twips)
{
    m_height = twips;
    if (auto *chart = qobject_cast<ZoneChart *>(parentWidget()))
        chart->relayout();
}

void ZoneBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_colour);
    painter.setPen(m_colour.darker(140));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

ZoneChart::ZoneChart(const QStringList &tickCaptions, const QList<QColor> &barColours, int footerRows,
                     QWidget *parent)
    : QWidget(parent)
{
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    for (const QString &text : tickCaptions) {
        auto *label = new QLabel(text, this);
        label->setFont(small);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_ticks << label;
    }
    for (const QColor &colour : barColours)
        m_bars << new ZoneBar(colour, this);
    for (int i = 0; i < footerRows * barColours.size(); ++i) {
        auto *label = new QLabel(this);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        m_footers << label;
    }
}

int ZoneChart::tickColumnWidth() const
{
    int widest = 0;
    for (const QLabel *label : m_ticks)
        widest = std::max(widest, label->fontMetrics().horizontalAdvance(label->text()));
    return widest + Margin;
}

int ZoneChart::footerHeight() const
{
    const int rows = m_bars.isEmpty() ? 0 : int(m_footers.size() / m_bars.size());
    return rows * (fontMetrics().height() + 2);
}

QRect ZoneChart::plotRect() const
{
    // Half a caption's height above the top tick and below the bottom one keeps them inside.
    const int half = m_ticks.isEmpty() ? 0 : m_ticks.first()->fontMetrics().height() / 2 + 1;
    const int left = tickColumnWidth() + Margin;
    return QRect(QPoint(left, half), QPoint(width() - Margin - 1, height() - footerHeight() - half - 1));
}

void ZoneChart::relayout()
{
    const QRect plot = plotRect();
    const int n = int(m_ticks.size());
    for (int k = 0; k < n; ++k) {
        QLabel *label = m_ticks[k];
        const int h = label->fontMetrics().height();
        const int y = plot.bottom() - (n > 1 ? plot.height() * k / (n - 1) : 0);
        label->setGeometry(0, y - h / 2, tickColumnWidth(), h);
    }
    const int bars = int(m_bars.size());
    if (bars == 0)
        return;
    const int slot = (plot.width() - BarGap) / bars;
    for (int i = 0; i < bars; ++i) {
        ZoneBar *bar = m_bars[i];
        const int x = plot.left() + BarGap + i * slot;
        const int pixels = int(qRound(double(plot.height()) * std::clamp(bar->heightTwips(), 0, ZoneBar::FullScale)
                                      / ZoneBar::FullScale));
        bar->setGeometry(x, plot.bottom() + 1 - pixels, std::max(1, slot - BarGap), pixels);
        bar->setVisible(pixels > 0);
        const int rowHeight = fontMetrics().height() + 2;
        for (int row = 0; row * bars < m_footers.size(); ++row)
            footer(i, row)->setGeometry(x - BarGap / 2, plot.bottom() + plot.top() + 2 + row * rowHeight, slot,
                                        rowHeight);
    }
    update();
}

QSize ZoneChart::sizeHint() const
{
    return {tickColumnWidth() + Margin + int(m_bars.size()) * 34 + BarGap, 241 + footerHeight() + 20};
}

QSize ZoneChart::minimumSizeHint() const
{
    return {tickColumnWidth() + Margin + int(m_bars.size()) * 16 + BarGap, 150 + footerHeight()};
}

void ZoneChart::resizeEvent(QResizeEvent *)
{
    relayout();
}

void ZoneChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect plot = plotRect();
    const int n = int(m_ticks.size());
    painter.setPen(palette().color(QPalette::Mid));
    for (int k = 1; k < n; ++k) {
        const int y = plot.bottom() - plot.height() * k / (n - 1);
        painter.drawLine(plot.left(), y, plot.right(), y);
    }
    // The zero line and the scale's spine stand out from the grid.
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(plot.left(), plot.bottom(), plot.right(), plot.bottom());
    painter.drawLine(plot.left(), plot.top(), plot.left(), plot.bottom());
}

namespace Diagnostics {

bool send(CommControl &port, const Exchange::LinkOwnership &window, const QString &command)
{
    try {
        qCDebug(lcDiagnostics) << "send" << command;
        const LinkGate::OwnerCode windowsCode(window.ticket());
        Exchange::commandLine(port, command);
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen) {
            frmCorvista::showCommErrorBox();
            return false;
        }
    }
    return true;
}

} // namespace Diagnostics

namespace ZoneWindow {

const QString StopCaption = QStringLiteral("&Stop Zone Updates");
const QString StartCaption = QStringLiteral("&Start Zone Updates");

QString caption(int zone)
{
    return QStringLiteral("Zone ") + QString::number(zone);
}

QString skippedCaption(int zone)
{
    return caption(zone) + QStringLiteral(" (skipped)");
}

void enable(QTimer &timer, int nominalMs)
{
    if (!timer.isActive())
        Clock::startTimer(timer, nominalMs);
}

void stopUpdates(QTimer &pollTimer, QTimer &resetTimer, QAction &menu)
{
    pollTimer.stop();
    resetTimer.stop();
    menu.setText(StartCaption);
}

void toggleUpdates(QTimer &pollTimer, QTimer &resetTimer, QAction &menu, int pollMs)
{
    if (pollTimer.isActive() || resetTimer.isActive()) {
        stopUpdates(pollTimer, resetTimer, menu);
        return;
    }
    shared().RxBuffer.clear();
    enable(pollTimer, pollMs);
    menu.setText(StopCaption);
}

} // namespace ZoneWindow
