#include "app/Icons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int S = 32;

QPixmap canvas()
{
    QPixmap p(S, S);
    p.fill(Qt::transparent);
    return p;
}

void page(QPainter &g)
{
    g.setPen(QPen(QColor(60, 60, 60), 1.5));
    g.setBrush(Qt::white);
    QPainterPath path;
    path.moveTo(7, 3);
    path.lineTo(20, 3);
    path.lineTo(25, 8);
    path.lineTo(25, 29);
    path.lineTo(7, 29);
    path.closeSubpath();
    g.drawPath(path);
    g.setPen(QPen(QColor(150, 150, 150), 1.2));
    for (int y = 11; y <= 23; y += 4)
        g.drawLine(10, y, 22, y);
}

void badge(QPainter &g, const QColor &colour, bool plus)
{
    g.setPen(Qt::NoPen);
    g.setBrush(colour);
    g.drawEllipse(QRectF(17, 17, 14, 14));
    g.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    if (plus) {
        g.drawLine(QPointF(24, 20), QPointF(24, 28));
        g.drawLine(QPointF(20, 24), QPointF(28, 24));
    } else {
        g.drawLine(QPointF(21, 21), QPointF(27, 27));
        g.drawLine(QPointF(27, 21), QPointF(21, 27));
    }
}

void plug(QPainter &g, bool joined, const QColor &colour)
{
    g.setPen(QPen(QColor(40, 40, 40), 1.5));
    g.setBrush(colour);
    const int gap = joined ? 0 : 5;
    // left half: the plug with its prongs
    g.drawRoundedRect(QRectF(3, 11, 10 - gap / 2.0, 10), 2, 2);
    g.setPen(QPen(QColor(40, 40, 40), 2));
    g.drawLine(QPointF(13 - gap / 2.0, 13.5), QPointF(17 - gap / 2.0, 13.5));
    g.drawLine(QPointF(13 - gap / 2.0, 18.5), QPointF(17 - gap / 2.0, 18.5));
    g.drawLine(QPointF(0, 16), QPointF(3, 16));
    // right half: the socket
    g.setPen(QPen(QColor(40, 40, 40), 1.5));
    g.drawRoundedRect(QRectF(17 + gap / 2.0, 10, 10, 12), 2, 2);
    g.setPen(QPen(QColor(40, 40, 40), 2));
    g.drawLine(QPointF(27 + gap / 2.0, 16), QPointF(32, 16));
}

QPixmap draw(const QString &key)
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    if (key == QLatin1String("OpenLogFile")) {
        page(g);
        badge(g, QColor(30, 140, 60), true);
    } else if (key == QLatin1String("CloseLogFile")) {
        page(g);
        badge(g, QColor(190, 40, 40), false);
    } else if (key == QLatin1String("Connect")) {
        plug(g, true, QColor(60, 170, 80));
    } else if (key == QLatin1String("Disconnect")) {
        plug(g, false, QColor(200, 70, 60));
    } else if (key == QLatin1String("Properties")) {
        // a serial connector (D shape with pins)
        g.setPen(QPen(QColor(40, 40, 40), 1.5));
        g.setBrush(QColor(200, 205, 215));
        QPainterPath d;
        d.moveTo(3, 9);
        d.lineTo(29, 9);
        d.lineTo(25, 23);
        d.lineTo(7, 23);
        d.closeSubpath();
        g.drawPath(d);
        g.setBrush(QColor(40, 40, 40));
        for (int i = 0; i < 5; ++i)
            g.drawEllipse(QPointF(8.5 + i * 3.75, 13.5), 1.2, 1.2);
        for (int i = 0; i < 4; ++i)
            g.drawEllipse(QPointF(10.4 + i * 3.75, 18.5), 1.2, 1.2);
    } else if (key == QLatin1String("TransmitTextFile")) {
        // a chip with an arrow going into it
        g.setPen(QPen(QColor(40, 40, 40), 1.2));
        for (int i = 0; i < 4; ++i) {
            g.drawLine(QPointF(12 + i * 4, 13), QPointF(12 + i * 4, 10));
            g.drawLine(QPointF(12 + i * 4, 29), QPointF(12 + i * 4, 31));
        }
        g.setBrush(QColor(50, 50, 60));
        g.drawRect(QRectF(9, 13, 16, 16));
        g.setPen(QPen(QColor(30, 110, 210), 3, Qt::SolidLine, Qt::RoundCap));
        g.drawLine(QPointF(17, 1), QPointF(17, 10));
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(30, 110, 210));
        QPainterPath head;
        head.moveTo(11, 7);
        head.lineTo(23, 7);
        head.lineTo(17, 14);
        head.closeSubpath();
        g.drawPath(head);
    } else if (key == QLatin1String("Login")) {
        // a key
        g.setPen(QPen(QColor(150, 110, 10), 3, Qt::SolidLine, Qt::RoundCap));
        g.setBrush(Qt::NoBrush);
        g.drawEllipse(QRectF(3, 10, 11, 11));
        g.drawLine(QPointF(14, 15.5), QPointF(29, 15.5));
        g.drawLine(QPointF(25, 15.5), QPointF(25, 21));
        g.drawLine(QPointF(21, 15.5), QPointF(21, 20));
    } else if (key == QLatin1String("Logout")) {
        // a closed padlock
        g.setPen(QPen(QColor(90, 90, 90), 3));
        g.setBrush(Qt::NoBrush);
        g.drawArc(QRectF(9, 3, 14, 16), 0, 180 * 16);
        g.drawLine(QPointF(9, 11), QPointF(9, 15));
        g.drawLine(QPointF(23, 11), QPointF(23, 15));
        g.setPen(QPen(QColor(40, 40, 40), 1.2));
        g.setBrush(QColor(220, 170, 30));
        g.drawRoundedRect(QRectF(6, 14, 20, 15), 2, 2);
        g.setBrush(QColor(40, 40, 40));
        g.drawEllipse(QPointF(16, 20.5), 2, 2);
    } else if (key == QLatin1String("Terminal")) {
        g.setPen(QPen(QColor(40, 40, 40), 1.5));
        g.setBrush(QColor(20, 30, 50));
        g.drawRoundedRect(QRectF(2, 5, 28, 20), 2, 2);
        g.setPen(QPen(QColor(90, 230, 120), 2));
        g.drawLine(QPointF(7, 11), QPointF(11, 14));
        g.drawLine(QPointF(11, 14), QPointF(7, 17));
        g.drawLine(QPointF(13, 19), QPointF(20, 19));
        g.setPen(QPen(QColor(40, 40, 40), 2));
        g.drawLine(QPointF(10, 29), QPointF(22, 29));
        g.drawLine(QPointF(16, 25), QPointF(16, 29));
    }
    return p;
}

} // namespace

namespace Icons {

QIcon toolIcon(const QString &key)
{
    return QIcon(draw(key));
}

QPixmap connectedImage(int size)
{
    return draw(QStringLiteral("Connect")).scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QPixmap notConnectedImage(int size)
{
    return draw(QStringLiteral("Disconnect")).scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QIcon appIcon()
{
    return QIcon(draw(QStringLiteral("TransmitTextFile")));
}

} // namespace Icons
