// Windows and dialogs on the screen: each one fits its screen's available area (the desktop less
// its panels) as far as its minimum size allows, and its top left corner, where the title bar and
// the menus are, is always inside that area.
#pragma once

#include <QObject>
#include <QRect>

class QWidget;

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
