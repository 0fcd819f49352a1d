#include "app/frmSplash.h"

#include "common/SharedState.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int BarMaximum = 40;
constexpr int SplashTicks = 40;
constexpr int AboutTicks = 160;
constexpr int TickMs = 15;

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, int pointSize, bool bold,
                  const char *colour)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont f = label->font();
    f.setPointSize(pointSize);
    f.setBold(bold);
    label->setFont(f);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QColor(QLatin1String(colour)));
    label->setPalette(p);
    return label;
}
} // namespace

QString frmSplash::webAddress()
{
    return QStringLiteral("https://www.karvel.example");
}

frmSplash::frmSplash(QWidget *mainWindow)
    : QFrame(nullptr, Qt::Dialog | Qt::FramelessWindowHint), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Dialogs::applicationTitle());
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, Qt::white);
    setPalette(windowPalette);
    // Without a title bar, a thin line keeps the window apart from what lies behind it.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);

    // Shape1: the maker's band down the left side, holding the maker's name.
    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFixedWidth(150);
    Shape1->setAutoFillBackground(true);
    QPalette band = Shape1->palette();
    band.setColor(QPalette::Window, QColor(0x00, 0x1f, 0x5c));
    Shape1->setPalette(band);

    lblKarvel = makeLabel(Shape1, "lblKarvel", QStringLiteral("KARVEL"), 20, true, "#ffffff");
    lblCorporation = makeLabel(Shape1, "lblCorporation", QStringLiteral("Corporation"), 10, false, "#c8d6f0");
    auto *bandLayout = new QVBoxLayout(Shape1);
    bandLayout->setContentsMargins(16, 24, 12, 24);
    bandLayout->addWidget(lblKarvel);
    bandLayout->addWidget(lblCorporation);
    bandLayout->addStretch(1);

    lblProductName = makeLabel(this, "lblProductName", QStringLiteral("Wavecrest SS"), 26, true, "#001f5c");
    lblCompanyProduct = makeLabel(this, "lblCompanyProduct", QStringLiteral("Configuration Software"), 13, false,
                                  "#333333");
    lblPlatform = makeLabel(this, "lblPlatform", QString(), 10, true, "#333333");
    Date = makeLabel(this, "Date", QStringLiteral("Released April 15, 2024"), 9, false, "#555555");
    lblCompany = makeLabel(this, "lblCompany", QStringLiteral("Copyright \u00a9 2024 Karvel Corporation"), 9, false,
                           "#555555");
    lblURL = makeLabel(this, "lblURL", QStringLiteral("www.karvel.example"), 9, false, "#0645ad");
    QFont link = lblURL->font();
    link.setUnderline(true);
    lblURL->setFont(link);
    lblURL->setCursor(Qt::PointingHandCursor);
    lblURL->setToolTip(webAddress());

    pBar1 = new QProgressBar(this);
    pBar1->setObjectName(QStringLiteral("pBar1"));
    pBar1->setFormat(QStringLiteral("LOADING"));
    pBar1->setTextVisible(true);
    pBar1->setAlignment(Qt::AlignCenter);
    pBar1->setVisible(false);

    auto *content = new QVBoxLayout;
    content->setContentsMargins(24, 22, 24, 18);
    content->setSpacing(4);
    content->addWidget(lblProductName);
    content->addWidget(lblCompanyProduct);
    content->addSpacing(14);
    content->addWidget(lblPlatform);
    content->addWidget(Date);
    content->addStretch(1);
    content->addWidget(lblCompany);
    content->addWidget(lblURL);
    content->addSpacing(10);
    content->addWidget(pBar1);

    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(Shape1);
    outer->addLayout(content, 1);
    setFixedSize(520, 280);

    for (QLabel *label : {Date, lblCompany, lblCompanyProduct, lblCorporation, lblKarvel, lblPlatform, lblProductName,
                          lblURL})
        label->installEventFilter(this);

    if (const QScreen *s = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }

    connect(&Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
    Form_Load();
}

void frmSplash::Form_Load()
{
    if (!shared().AboutMode) {
        pBar1->setRange(1, BarMaximum);
        pBar1->setValue(1);
        pBar1->setVisible(true);
        TickLimit = SplashTicks;
    } else {
        TickLimit = AboutTicks;
    }
    lblPlatform->setText(QStringLiteral("Version %1.%2.%3")
                             .arg(WAVECREST_VERSION_MAJOR)
                             .arg(WAVECREST_VERSION_MINOR)
                             .arg(WAVECREST_VERSION_PATCH));
    Clock::startTimer(Timer1, TickMs);
    TickCount = 1;
}

void frmSplash::Timer1_Timer()
{
    if (TickCount <= TickLimit) {
        ++TickCount;
        pBar1->setValue(qMin(TickCount, BarMaximum));
    } else {
        unload();
    }
}

void frmSplash::Date_Click() { unload(); }
void frmSplash::lblCompany_Click() { unload(); }
void frmSplash::lblCompanyProduct_Click() { unload(); }
void frmSplash::lblCorporation_Click() { unload(); }
void frmSplash::lblKarvel_Click() { unload(); }
void frmSplash::lblPlatform_Click() { unload(); }
void frmSplash::lblProductName_Click() { unload(); }

void frmSplash::lblURL_Click()
{
    dialogs().shellOpen(webAddress());
}

void frmSplash::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    Timer1.stop();
    if (m_mainWindow) {
        m_mainWindow->show();
        m_mainWindow->setEnabled(true);
    }
    shared().AboutMode = false;
}

void frmSplash::unload()
{
    close();
}

void frmSplash::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    unload();
}

void frmSplash::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    // Keys go to this window, not the main window behind it.
    activateWindow();
    setFocus();
}

void frmSplash::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

bool frmSplash::eventFilter(QObject *watched, QEvent *event)
{
    // A filter sees the mouse events of a disabled label as well; those are not clicks.
    const auto *label = qobject_cast<QWidget *>(watched);
    if (event->type() != QEvent::MouseButtonRelease
        || static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton || !label || !label->isEnabled())
        return QFrame::eventFilter(watched, event);
    if (watched == lblURL)
        lblURL_Click();
    else if (watched == Date)
        Date_Click();
    else if (watched == lblCompany)
        lblCompany_Click();
    else if (watched == lblCompanyProduct)
        lblCompanyProduct_Click();
    else if (watched == lblCorporation)
        lblCorporation_Click();
    else if (watched == lblKarvel)
        lblKarvel_Click();
    else if (watched == lblPlatform)
        lblPlatform_Click();
    else if (watched == lblProductName)
        lblProductName_Click();
    else
        return QFrame::eventFilter(watched, event);
    return true;
}
