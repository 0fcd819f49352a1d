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
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionGroupBox>
#include <QTimer>
#include <algorithm>

Q_LOGGING_CATEGORY(lcDiagnostics, "wavecrest.diagnostics", QtWarningMsg)

namespace {
constexpr int Margin = 4;
constexpr int BarGap = 4;
} // namespace

ZoneFrame::ZoneFrame(const QString &title, QWidget *parent) : QGroupBox(title, parent)
{
}

void ZoneFrame::paintEvent(QPaintEvent *event)
{
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (m_drawn.isNull() || m_drawn.size() != pixels || m_drawn.devicePixelRatio() != ratio
        || m_drawnTitle != option.text || m_drawnState != int(option.state)) {
        m_drawn = QPixmap(pixels);
        m_drawn.setDevicePixelRatio(ratio);
        m_drawn.fill(Qt::transparent);
        QPainter painter(&m_drawn);
        style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
        m_drawnTitle = option.text;
        m_drawnState = int(option.state);
    }
    // Only the parts asked for: a copy of the whole frame is large enough for the painter to hand
    // it out to worker threads, which costs more than the copy.
    QPainter painter(this);
    for (const QRect &part : event->region())
        painter.drawPixmap(part, m_drawn, QRectF(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio));
}

void ZoneFrame::changeEvent(QEvent *event)
{
    // A new palette, font or style draws the frame differently.
    m_drawn = QPixmap();
    QGroupBox::changeEvent(event);
}

ZoneBar::ZoneBar(const QColor &colour, QWidget *parent) : QWidget(parent), m_colour(colour)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // The bar fills itself: what lies behind it is not painted when it grows.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ZoneBar::setHeightTwips(int twips)
{
    // The windows set every bar on every poll; most keep their height.
    if (twips == m_height)
        return;
    m_height = twips;
    if (auto *chart = qobject_cast<ZoneChart *>(parentWidget()))
        chart->barChanged(this);
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
    // Measuring text is the dear part of a layout, and the captions change only with the scale.
    bool same = m_measuredCaptions.size() == m_ticks.size();
    for (qsizetype k = 0; same && k < m_ticks.size(); ++k)
        same = m_ticks[k]->text() == m_measuredCaptions[k];
    if (!same) {
        m_measuredCaptions.clear();
        int widest = 0;
        for (const QLabel *label : m_ticks) {
            m_measuredCaptions << label->text();
            widest = std::max(widest, label->fontMetrics().horizontalAdvance(label->text()));
        }
        m_tickColumnWidth = widest + Margin;
    }
    return m_tickColumnWidth;
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
    const int tickWidth = tickColumnWidth();
    const int tickHeight = n > 0 ? m_ticks.first()->fontMetrics().height() : 0;
    for (int k = 0; k < n; ++k) {
        const int y = plot.bottom() - (n > 1 ? plot.height() * k / (n - 1) : 0);
        m_ticks[k]->setGeometry(0, y - tickHeight / 2, tickWidth, tickHeight);
    }
    const int bars = int(m_bars.size());
    const int rowHeight = fontMetrics().height() + 2;
    for (int i = 0; i < bars; ++i) {
        const QRect slot = placeBar(i, plot);
        for (int row = 0; row * bars < m_footers.size(); ++row)
            footer(i, row)->setGeometry(slot.left() - BarGap / 2, plot.bottom() + plot.top() + 2 + row * rowHeight,
                                        slot.width() + BarGap, rowHeight);
    }
    // The grid moves only with the plot; bars and captions that moved repaint themselves.
    if (plot != m_plot) {
        m_plot = plot;
        update();
    }
}

QRect ZoneChart::placeBar(int i, const QRect &plot)
{
    const int slot = (plot.width() - BarGap) / int(m_bars.size());
    const int x = plot.left() + BarGap + i * slot;
    ZoneBar *bar = m_bars[i];
    const int pixels = int(qRound(double(plot.height()) * std::clamp(bar->heightTwips(), 0, ZoneBar::FullScale)
                                  / ZoneBar::FullScale));
    bar->setGeometry(x, plot.bottom() + 1 - pixels, std::max(1, slot - BarGap), pixels);
    bar->setVisible(pixels > 0);
    return QRect(x, plot.top(), slot - BarGap, plot.height());
}

void ZoneChart::barChanged(ZoneBar *bar)
{
    // Only the bar moves: the plot stays as the last layout left it.
    if (const qsizetype i = m_bars.indexOf(bar); i >= 0)
        placeBar(int(i), m_plot.isNull() ? plotRect() : m_plot);
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
