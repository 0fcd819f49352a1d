// The keyboard reaches what the mouse reaches, in every window: Enter presses the focused push or
// tool button as Space does, a toolbar's buttons take the focus by Tab (a tab strip's scroll arrows
// do not: the arrow keys scroll it), and Shift+F10 opens the focused control's menu as the menu
// key does.
#pragma once

#include <QObject>

// While it lives, it acts for every window of the application.
class KeyboardAccess : public QObject
{
    Q_OBJECT
public:
    explicit KeyboardAccess(QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
