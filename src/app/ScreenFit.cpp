#include "app/ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QScreen>
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
