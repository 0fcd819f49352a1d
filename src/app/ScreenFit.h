// Windows and dialogs on the screen: each one fits its screen's available area (the desktop less
// its panels) as far as its minimum size allows, and its top left corner, where the title bar and
// the menus are, is always inside that area.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class QScreen;
class QScrollArea;
class QWidget;
class QWindow;

namespace ScreenFit {

// The area of the screen the window shows on, less the desktop's panels.
QRect availableArea(const QWidget &window);
// The size the window itself may have inside the area, its frame aside.
QSize room(const QWidget &window, const QRect &area);
// Makes the window no larger than the area, frame included, and centres it there.
void centreInside(QWidget &window, const QRect &area);
// Makes the window no larger than the area and moves it no further than it takes to be inside.
void keepInside(QWidget &window, const QRect &area);

} // namespace ScreenFit

// While it lives, every window and dialog that is shown is kept inside its screen's available
// area: one placed by the toolkit, by its own code, or beside another window.
class ScreenFitter : public QObject
{
    Q_OBJECT
public:
    explicit ScreenFitter(QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// Keeps a window whose content scrolls on its screen, whatever changes: after every change of the
// content's layout (a view switched, a page or group shown or hidden, the terminal toggled), of the
// window's own bars, of its screen or of the screen's available area or scale, the window is as
// large as its content needs as far as the area allows, and never larger than the area. What the
// area cannot hold scrolls inside the window, between its bars, which stay in view.
class ContentFit : public QObject
{
    Q_OBJECT
public:
    ContentFit(QWidget &window, QScrollArea &scroller);

    // The window's size that shows all of the content without scrolling.
    QSize need();
    // The size the window may have inside its screen's available area, its frame aside.
    QSize room() const;
    // Takes in the layout changes made so far and fits the window to them at once, for code that
    // goes on to measure or resize the window; otherwise the fit follows the change by itself.
    void fitNow();

signals:
    // Another screen, area or scale: the content may choose its arrangement for the new room; the
    // window is fitted to it next.
    void roomChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fit();
    void watchScreen();
    void screenChanged();

    QWidget &m_window;
    QScrollArea &m_scroller;
    QPointer<QWindow> m_handle;
    QPointer<QScreen> m_screen;
    bool m_fitting = false;
    bool m_placeAgain = false;   // shown or moved to another room: placed inside it whatever else
};
