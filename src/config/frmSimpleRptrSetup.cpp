#include "config/frmSimpleRptrSetup.h"

#include "platform/Dialogs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>

namespace {

QPointer<frmSimpleRptrSetup> g_window;

struct Radio
{
    QRect box;
    QString role;
    QStringList settings;
    QColor fill;
};

// The diagram, drawn rather than loaded so that it scales with the fonts of the machine.
class RepeaterPicture : public QWidget
{
public:
    explicit RepeaterPicture(QWidget *parent) : QWidget(parent)
    {
        setFixedSize(720, 470);
        setObjectName(QStringLiteral("picRepeater"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), Qt::white);

        const QColor masterFill(0xFF, 0xE8, 0xC0), repeaterFill(0xD8, 0xEC, 0xFF), remoteFill(0xE2, 0xF5, 0xDC);
        const Radio master{{40, 150, 160, 90}, QStringLiteral("MASTER"),
                           {QStringLiteral("MODE M"), QStringLiteral("SAF ON"), QStringLiteral("XADDR 0")},
                           masterFill};
        const Radio repeater{{290, 150, 160, 90}, QStringLiteral("REPEATER"),
                             {QStringLiteral("MODE X"), QStringLiteral("XADDR 1 (1 to 31)")}, repeaterFill};
        const Radio remotes[2] = {
            {{20, 295, 120, 60}, QStringLiteral("REMOTE"), {QStringLiteral("MODE R")}, remoteFill},
            {{160, 295, 120, 60}, QStringLiteral("REMOTE"), {QStringLiteral("MODE R")}, remoteFill}};
        const QStringList subSettings = {QStringLiteral("MODE R"), QStringLiteral("XMAP with 1"),
                                         QStringLiteral("XPRI 1")};
        const Radio subRemotes[2] = {{{540, 60, 160, 90}, QStringLiteral("SUB-REMOTE"), subSettings, remoteFill},
                                     {{540, 240, 160, 90}, QStringLiteral("SUB-REMOTE"), subSettings, remoteFill}};

        QFont title = font();
        title.setPointSize(title.pointSize() + 3);
        title.setBold(true);
        p.setFont(title);
        p.setPen(Qt::black);
        p.drawText(QRect(0, 4, width(), 26), Qt::AlignCenter, QStringLiteral("Store-and-Forward Repeater Network"));

        // Links first, centre to centre, so the radios stand on top of them.
        const QPen linkPen(QColor(0x20, 0x60, 0xC0), 2);
        p.setPen(linkPen);
        p.drawLine(master.box.center(), repeater.box.center());
        for (const Radio &r : remotes)
            p.drawLine(master.box.center(), r.box.center());
        for (const Radio &r : subRemotes)
            p.drawLine(repeater.box.center(), r.box.center());
        // The fallback a sub-remote has when its map also holds address 0, drawn round the repeater.
        QPen fallbackPen = linkPen;
        fallbackPen.setStyle(Qt::DashLine);
        p.setPen(fallbackPen);
        p.setBrush(Qt::NoBrush);
        QPainterPath fallback(QPointF(subRemotes[1].box.left(), subRemotes[1].box.bottom() - 15));
        fallback.quadTo(QPointF(370, 370), QPointF(master.box.right() - 10, master.box.bottom()));
        p.drawPath(fallback);
        p.setFont(font());
        p.drawText(QRect(300, 330, 220, 20), Qt::AlignCenter, QStringLiteral("fallback with 0 in the XMAP"));

        draw(p, master);
        draw(p, repeater);
        for (const Radio &r : remotes)
            draw(p, r);
        for (const Radio &r : subRemotes)
            draw(p, r);

        QFont note = font();
        p.setFont(note);
        p.setPen(QColor(0x30, 0x30, 0x30));
        const QRect notes(20, 385, width() - 40, 80);
        p.drawText(notes, Qt::AlignLeft | Qt::TextWordWrap,
                   QStringLiteral("Every radio of the network gets the same ADDR.\n"
                                  "Remotes that hear the master directly are set up as REMOTE. Remotes that reach it "
                                  "only through the repeater are set up as SUB-REMOTE: their XMAP holds the "
                                  "repeater's XADDR, and XPRI names the one to try first. With 0 also in its XMAP a "
                                  "sub-remote falls back to the master when the repeater fails."));
    }

private:
    void draw(QPainter &p, const Radio &r) const
    {
        // The antenna: a mast with a small radiating tip.
        const QPoint tip(r.box.center().x(), r.box.top() - 18);
        p.setPen(QPen(Qt::black, 2));
        p.drawLine(QPoint(tip.x(), r.box.top()), tip);
        p.setBrush(QColor(0x20, 0x60, 0xC0));
        p.drawEllipse(tip, 4, 4);

        p.setPen(QPen(Qt::black, 1.5));
        p.setBrush(r.fill);
        p.drawRoundedRect(r.box, 8, 8);

        QFont role = font();
        role.setBold(true);
        p.setFont(role);
        const int line = QFontMetrics(role).height();
        p.drawText(QRect(r.box.left(), r.box.top() + 6, r.box.width(), line), Qt::AlignCenter, r.role);
        p.setFont(font());
        int y = r.box.top() + 8 + line;
        for (const QString &s : r.settings) {
            p.drawText(QRect(r.box.left(), y, r.box.width(), line), Qt::AlignCenter, s);
            y += line;
        }
    }
};

} // namespace

frmSimpleRptrSetup::frmSimpleRptrSetup(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSimpleRptrSetup"));
    setWindowTitle(QStringLiteral("Store-and-Forward Repeater Setup"));
    picture = new RepeaterPicture(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Its size counts before it is first shown: the XMAP dialog places it by its width.
    adjustSize();
}

frmSimpleRptrSetup *frmSimpleRptrSetup::load(QWidget *owner)
{
    if (!g_window)
        g_window = new frmSimpleRptrSetup(owner);
    return g_window;
}

bool frmSimpleRptrSetup::exists()
{
    return !g_window.isNull();
}

void frmSimpleRptrSetup::unload()
{
    delete g_window.data();
}

void frmSimpleRptrSetup::showModal()
{
    // A window already shown modeless only becomes modal when it is shown anew.
    if (isVisible())
        hide();
    dialogs().execModal(*this);
}
