#include "app/KeyboardAccess.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

KeyboardAccess::KeyboardAccess(QObject *parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

bool KeyboardAccess::eventFilter(QObject *watched, QEvent *event)
{
    if (!watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    auto *widget = static_cast<QWidget *>(watched);
    if (event->type() == QEvent::Polish) {
        // A toolbar holds the only way to some actions (Logout, the terminal's toggle, the restore
        // window's Program): its buttons take their turn in the Tab order like any other.
        if (qobject_cast<QToolButton *>(widget) && qobject_cast<QToolBar *>(widget->parentWidget()))
            widget->setFocusPolicy(Qt::TabFocus);
        // A tab strip's scroll arrows are no stop of their own: the arrow keys on the strip move
        // through its tabs and scroll it.
        if (qobject_cast<QToolButton *>(widget) && qobject_cast<QTabBar *>(widget->parentWidget()))
            widget->setFocusPolicy(Qt::NoFocus);
        return QObject::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    // A filter sees the keys of a disabled control as well; those press nothing.
    if (key->isAutoRepeat() || !widget->isEnabled())
        return QObject::eventFilter(watched, event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier
        && (qobject_cast<QPushButton *>(widget) || qobject_cast<QToolButton *>(widget))) {
        static_cast<QAbstractButton *>(widget)->click();
        return true;
    }
    if (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier) {
        const QPoint at = widget->rect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, widget->mapToGlobal(at), key->modifiers());
        QApplication::sendEvent(widget, &menu);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
