#include "app/ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

// The frame the window manager puts around the window. Until the window has been on screen it is
// not known: a usual title bar and border stand in for it.
QMargins frameOf(const QWidget &window)
{
    if (const QWindow *handle = window.windowHandle()) {
        const QMargins known = handle->frameMargins();
        if (!known.isNull())
            return known;
    }
    return {8, 40, 8, 8};
}


// The frame's left (or top) edge moved into the area; a frame larger than the area starts at the
// area's edge, so the title bar and the menus stay on screen.
int clamped(int edge, int length, int areaStart, int areaLength)
{
    return std::max(areaStart, std::min(edge, areaStart + areaLength - length));
}

void place(QWidget &window, const QRect &area, bool centre)
{
    const QMargins frame = frameOf(window);
    // Shrunk to the area, no smaller than the window's layout allows.
    const QSize size = QLayout::closestAcceptableSize(&window, window.size().boundedTo(area.size().shrunkBy(frame)));
    if (size != window.size())
        window.resize(size);
    const QSize outer = size.grownBy(frame);
    QPoint at = window.pos();
    if (centre)
        at = QPoint(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
    at = QPoint(clamped(at.x(), outer.width(), area.x(), area.width()),
                clamped(at.y(), outer.height(), area.y(), area.height()));
    if (at != window.pos())
        window.move(at);
}

} // namespace

namespace ScreenFit {

QRect availableArea(const QWidget &window)
{
    const QScreen *screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QSize room(const QWidget &window, const QRect &area)
{
    return area.size().shrunkBy(frameOf(window));
}

void centreInside(QWidget &window, const QRect &area)
{
    if (!area.isEmpty())
        place(window, area, true);
}

void keepInside(QWidget &window, const QRect &area)
{
    if (!area.isEmpty())
        place(window, area, false);
}

} // namespace ScreenFit

ScreenFitter::ScreenFitter(QObject *parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

bool ScreenFitter::eventFilter(QObject *watched, QEvent *event)
{
    // Menus, tool tips and drop-down lists place themselves; windows and dialogs are fitted as they
    // are shown, after the toolkit or their own code has placed them.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && (type == Qt::Window || type == Qt::Dialog))
            ScreenFit::keepInside(*widget, ScreenFit::availableArea(*widget));
    }
    return QObject::eventFilter(watched, event);
}

ContentFit::ContentFit(QWidget &window, QScrollArea &scroller) : QObject(&window), m_window(window), m_scroller(scroller)
{
    m_window.installEventFilter(this);
    if (QWidget *content = m_scroller.widget())
        content->installEventFilter(this);
}

QSize ContentFit::need()
{
    QWidget *content = m_scroller.widget();
    if (!content)
        return m_window.size();
    if (QLayout *layout = content->layout())
        layout->activate();
    // The window's bars stand above and below the scroller, which spans the window's width.
    const QSize bars = m_window.minimumSizeHint();
    const QSize least = content->minimumSizeHint().expandedTo(content->minimumSize());
    const int frame = 2 * m_scroller.frameWidth();
    return {std::max(bars.width(), least.width() + frame),
            bars.height() - m_scroller.minimumSizeHint().height() + least.height() + frame};
}

QSize ContentFit::room() const
{
    return ScreenFit::room(m_window, ScreenFit::availableArea(m_window));
}

void ContentFit::fitNow()
{
    if (QLayout *layout = m_window.layout())
        layout->activate();
    fit();
}

void ContentFit::fit()
{
    const QRect area = ScreenFit::availableArea(m_window);
    if (m_fitting || area.isEmpty())
        return;
    m_fitting = true;
    const QSize room = ScreenFit::room(m_window, area);
    QSize least = need();
    // Where the room is short one way, that way's scroll bar takes room from the other.
    const int bar = m_window.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &m_scroller);
    if (least.height() > room.height())
        least.rwidth() += bar;
    if (least.width() > room.width())
        least.rheight() += bar;
    // The window never needs to be made larger by hand to show its content, as far as the room goes;
    // a smaller minimum would let the content scroll where the screen has room for all of it.
    least = least.boundedTo(room).expandedTo(m_window.minimumSizeHint());
    const QSize before = m_window.size();
    if (least != m_window.minimumSize())
        m_window.setMinimumSize(least);
    // A window the user has moved partly off the screen stays there, as long as nothing grew.
    if (m_placeAgain || m_window.size() != before || m_window.width() > room.width()
        || m_window.height() > room.height())
        ScreenFit::keepInside(m_window, area);
    m_placeAgain = false;
    m_fitting = false;
}

void ContentFit::watchScreen()
{
    QWindow *handle = m_window.windowHandle();
    if (handle && handle != m_handle) {
        m_handle = handle;
        connect(handle, &QWindow::screenChanged, this, &ContentFit::screenChanged);
    }
    QScreen *screen = m_window.screen();
    if (screen == m_screen)
        return;
    if (m_screen)
        disconnect(m_screen, nullptr, this, nullptr);
    m_screen = screen;
    if (!screen)
        return;
    connect(screen, &QScreen::availableGeometryChanged, this, &ContentFit::screenChanged);
    connect(screen, &QScreen::geometryChanged, this, &ContentFit::screenChanged);
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, &ContentFit::screenChanged);
}

void ContentFit::screenChanged()
{
    watchScreen();
    emit roomChanged();
    m_placeAgain = true;
    fitNow();
}

bool ContentFit::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::LayoutRequest:
        // The layout takes the change in first; then the window is fitted to what it asks for.
        if (auto *widget = static_cast<QWidget *>(watched); widget->isVisible()) {
            if (QLayout *layout = widget->layout())
                layout->activate();
            fitNow();
        }
        break;
    case QEvent::Show:
        if (watched != &m_window)
            break;
        // The first show gives the window its screen: the room is known from here on.
        if (m_screen != m_window.screen()) {
            screenChanged();
        } else {
            m_placeAgain = true;
            fitNow();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
