#include "app/ClickableLabel.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

bool isClickKey(const QKeyEvent &key, const QList<int> &ownKeys)
{
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Space
        || ownKeys.contains(key.key());
}

ClickableLabel::ClickableLabel(QWidget *parent) : ClickableLabel(QString(), parent) {}

ClickableLabel::ClickableLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    // Tab only: a click acts at once and leaves the focus where the user was typing.
    setFocusPolicy(Qt::TabFocus);
}

void ClickableLabel::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    if (isEnabled())
        emit clicked();
}

void ClickableLabel::keyPressEvent(QKeyEvent *event)
{
    if (!isClickKey(*event, m_ownKeys)) {
        QLabel::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat() && isEnabled())
        emit clicked();
    event->accept();
}

// A label draws no focus of its own: the keyboard's user is shown where the focus stands.
void ClickableLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}
