#include "diagnostics/frmRSSI.h"

#include "common/SharedState.h"
#include "diagnostics/ZoneChart.h"
#include "platform/Clock.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

namespace {
constexpr int ParseMs = 100;
constexpr int BarMin = 50;    // -120 dBm
constexpr int BarMax = 120;   // -50 dBm
constexpr int DbmToBar = 170;

// The value of a report's level field: leading blanks skipped, an optional sign, the digits up
// to the first character that is not one; nothing when there are no digits ("----", "ERR").
std::optional<int> levelValue(const QString &field)
{
    qsizetype i = 0;
    while (i < field.size() && field[i] == QLatin1Char(' '))
        ++i;
    int sign = 1;
    if (i < field.size() && (field[i] == QLatin1Char('-') || field[i] == QLatin1Char('+'))) {
        sign = field[i] == QLatin1Char('-') ? -1 : 1;
        ++i;
    }
    if (i >= field.size() || !field[i].isDigit())
        return std::nullopt;
    int value = 0;
    for (; i < field.size() && field[i].isDigit() && value < 100000; ++i)
        value = value * 10 + field[i].digitValue();
    return sign * value;
}

// The scale under the bar: each caption centred on its mark. The marks lie inset by half the
// widest caption, and the bar above is inset as much, so the outer captions fit under its ends.
class ScaleRow : public QWidget
{
public:
    ScaleRow(const QList<QLabel *> &labels, QWidget *parent) : QWidget(parent), m_labels(labels)
    {
        for (QLabel *label : m_labels) {
            label->setParent(this);
            m_widest = std::max(m_widest, label->fontMetrics().horizontalAdvance(label->text()) + 8);
        }
        setMinimumHeight(fontMetrics().height() + TickLength + 2);
        setMinimumWidth(m_widest * int(m_labels.size()));
    }

    int inset() const { return m_widest / 2; }

protected:
    void resizeEvent(QResizeEvent *) override
    {
        for (int k = 0; k < m_labels.size(); ++k)
            m_labels[k]->setGeometry(markX(k) - m_widest / 2, TickLength + 1, m_widest, fontMetrics().height());
        for (QLabel *label : m_labels)
            label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        for (int k = 0; k < m_labels.size(); ++k)
            painter.drawLine(markX(k), 0, markX(k), TickLength);
    }

private:
    static constexpr int TickLength = 5;

    int markX(int k) const { return inset() + (width() - 1 - 2 * inset()) * k / int(m_labels.size() - 1); }

    QList<QLabel *> m_labels;
    int m_widest = 0;
};
} // namespace

frmRSSI::frmRSSI(CommControl &port, QWidget *parent) : QDialog(parent), m_port(port)
{
    buildUi();
    Form_Load();
    Clock::startTimer(*Timer1, ParseMs);
}

frmRSSI::~frmRSSI() = default;

void frmRSSI::buildUi()
{
    setWindowTitle(QStringLiteral("RSSI"));
    setModal(true);

    Text1 = new QLineEdit(QStringLiteral("n/a"), this);
    Text1->setReadOnly(true);
    Text1->setAlignment(Qt::AlignCenter);
    Text1->setFixedWidth(Text1->fontMetrics().horizontalAdvance(QStringLiteral("-120 dBm")) + 16);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(BarMin, BarMax);
    ProgressBar1->setTextVisible(false);

    const auto mark = [this](int dbm) { return new QLabel(QStringLiteral("%1 dBm").arg(dbm), this); };
    Label3 = mark(-120);
    Label8 = mark(-110);
    Label7 = mark(-100);
    Label6 = mark(-90);
    Label1 = mark(-80);
    Label5 = mark(-70);
    Label4 = mark(-60);
    Label2 = mark(-50);
    auto *scale = new ScaleRow({Label3, Label8, Label7, Label6, Label1, Label5, Label4, Label2}, this);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &frmRSSI::Command1_Click);

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(Text1);
    top->addStretch();
    layout->addLayout(top);
    auto *bar = new QVBoxLayout;
    bar->setSpacing(0);
    auto *barRow = new QHBoxLayout;
    barRow->setContentsMargins(scale->inset(), 0, scale->inset(), 0);
    barRow->addWidget(ProgressBar1);
    bar->addLayout(barRow);
    bar->addWidget(scale);
    layout->addLayout(bar);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    connect(Timer1, &QTimer::timeout, this, &frmRSSI::Timer1_Timer);
}

void frmRSSI::Form_Load()
{
    ProgressBar1->setValue(BarMin);
    shared().RxBuffer = QStringLiteral(" ");
    // The radio goes on reporting until it gets a CR.
    Diagnostics::send(m_port, m_ownsLink, QStringLiteral("rssi"));
}

void frmRSSI::Timer1_Timer()
{
    QString &rx = shared().RxBuffer;
    // A report is whole once "dBm" follows its "RSSI ": a "dBm" in front of it is the tail of an
    // earlier, cut report, and "RSSI" without its blank has no level yet to cut out.
    const qsizetype at = rx.indexOf(QLatin1String("RSSI "));
    if (at < 0 || rx.indexOf(QLatin1String("dBm"), at + 5) < 0)
        return;
    Text1->setText(rx.mid(at + 5, 4));
    rx = QStringLiteral(" ");
    // A report without a number is a radio that hears nothing: the bar shows no signal, where 0 dBm
    // would fill it as the strongest signal.
    const std::optional<int> dbm = levelValue(Text1->text());
    ProgressBar1->setValue(dbm ? std::clamp(*dbm + DbmToBar, BarMin, BarMax) : BarMin);
}

void frmRSSI::Command1_Click()
{
    reject();
}

void frmRSSI::Form_Unload()
{
    Timer1->stop();
    // A bare CR ends the reports.
    Diagnostics::send(m_port, m_ownsLink, QString());
}

void frmRSSI::done(int result)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
    }
    QDialog::done(result);
}
