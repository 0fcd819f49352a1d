// What the diagnostics windows share: one zone's scale and bars as a drawn chart, writing a
// command, and the few steps both zone windows take the same way (frame captions, switching updates).
#pragma once

#include "link/Exchange.h"

#include <QColor>
#include <QGroupBox>
#include <QList>
#include <QLoggingCategory>
#include <QPixmap>
#include <QWidget>

Q_DECLARE_LOGGING_CATEGORY(lcDiagnostics)

class CommControl;
class QAction;
class QLabel;
class QTimer;

// A zone's frame. Every count or bar that changes inside it has the frame paint the area behind
// it again, and the style lays out the caption each time; the frame keeps what the style drew
// and only copies it, until its size, caption, state or look changes.
class ZoneFrame : public QGroupBox
{
    Q_OBJECT
public:
    ZoneFrame(const QString &title, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QPixmap m_drawn;
    QString m_drawnTitle;
    int m_drawnState = 0;
};

// A filled bar measured as the windows compute it: its bottom edge at 4455 twips, 3615 twips
// high at full scale. The chart it sits in maps that onto its own height.
class ZoneBar : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Bottom = 4455;
    static constexpr int FullScale = 3615;

    ZoneBar(const QColor &colour, QWidget *parent);

    // Height in twips; the top follows from the fixed bottom edge.
    void setHeightTwips(int twips);
    int heightTwips() const { return m_height; }
    int topTwips() const { return Bottom - m_height; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour;
    int m_height = 0;
};

// One zone's chart: 11 tick captions up the left side (0 at the bottom, the top tick at full
// scale), a grid line per tick, the bars side by side, and under each bar the given rows of labels.
class ZoneChart : public QWidget
{
    Q_OBJECT
public:
    ZoneChart(const QStringList &tickCaptions, const QList<QColor> &barColours, int footerRows, QWidget *parent);

    QLabel *tick(int k) const { return m_ticks[k]; }
    ZoneBar *bar(int i) const { return m_bars[i]; }
    QLabel *footer(int bar, int row) const { return m_footers[row * m_bars.size() + bar]; }

    // Places the captions and bars again (after tick captions changed).
    void relayout();
    // Places one bar again at its new height.
    void barChanged(ZoneBar *bar);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int tickColumnWidth() const;
    int footerHeight() const;
    QRect plotRect() const;
    // Puts bar i at its height in plot; gives the bar's slot (its column of the plot).
    QRect placeBar(int i, const QRect &plot);

    QList<QLabel *> m_ticks;
    QList<ZoneBar *> m_bars;
    QList<QLabel *> m_footers;
    mutable QStringList m_measuredCaptions;  // the tick captions m_tickColumnWidth was measured for
    mutable int m_tickColumnWidth = 0;
    QRect m_plot;  // the plot as the last layout placed it
};

namespace Diagnostics {
// Writes a command of the diagnostics windows (CR added) as the code of the window that holds the
// link. A lost port (8005, 8018) shows the standard message and returns false; any other failure
// of the write is passed over.
bool send(CommControl &port, const Exchange::LinkOwnership &window, const QString &command);
} // namespace Diagnostics

namespace ZoneWindow {

// "Zone 3", and "Zone 3 (skipped)" once the radio says it skips the zone.
QString caption(int zone);
QString skippedCaption(int zone);

// "&Stop Zone Updates" / "&Start Zone Updates": stops both timers when either runs; otherwise
// empties RxBuffer and starts polling again at pollMs.
void toggleUpdates(QTimer &pollTimer, QTimer &resetTimer, QAction &menu, int pollMs);
// Both timers off and the menu offering to start again.
void stopUpdates(QTimer &pollTimer, QTimer &resetTimer, QAction &menu);
// Starts a timer that is off; a running one keeps its countdown.
void enable(QTimer &timer, int nominalMs);

extern const QString StopCaption;
extern const QString StartCaption;

} // namespace ZoneWindow
