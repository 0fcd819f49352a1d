// The restore window's frame: its controls, the port handover at opening and closing, the wake-up,
// the one exchange every command goes through, the toolbar and the selection buttons.
#include "restore/frmRestore.h"

#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "common/frmProgram.h"
#include "link/DeviceLoss.h"
#include "link/Exchange.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "restore/RestoreRules.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcRestore, "wavecrest.restore", QtWarningMsg)

namespace {

QPointer<frmRestore> s_open;

constexpr int TwipsPerPixel = 15;
constexpr int RowStep = 360;   // twips from one row to the next on a page
const QColor ButtonShadow = QColor(160, 160, 160);

bool isPortError(const CommError &e)
{
    return e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen;
}

} // namespace

void RestoreBox::setValue(const QString &text)
{
    m_value = text;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    setText(shown.trimmed());
    setCursorPosition(0);
}

frmRestore::Flags &frmRestore::flags()
{
    static Flags f;
    return f;
}

void frmRestore::resetFlags()
{
    flags() = Flags{};
}

frmRestore *frmRestore::openWindow()
{
    return s_open.data();
}

void frmRestore::unloadOpenWindow()
{
    if (frmRestore *w = s_open.data())
        w->unload();
}

frmRestore::frmRestore(frmCorvista &mainWindow) : QWidget(&mainWindow, Qt::Dialog), m_main(mainWindow)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("Configuration Store/Restore"));
    setWindowModality(Qt::ApplicationModal);
    MSComm2 = CommFactory::create(this);
    connect(MSComm2.get(), &CommControl::onComm, this, &frmRestore::MSComm2_OnComm);
    Timer1 = new QTimer(this);
    connect(Timer1, &QTimer::timeout, this, &frmRestore::Timer1_Timer);
    buildUi();
    s_open = this;
}

frmRestore::~frmRestore()
{
    // The shared progress window may have been shown over this one; it outlives it.
    frmProgram &progress = frmProgram::instance();
    if (progress.parentWidget() == this)
        progress.setParent(nullptr, progress.windowFlags());
}

void frmRestore::buildUi()
{
    auto *layout = new QVBoxLayout(this);
    Toolbar1 = new QToolBar(this);
    const struct
    {
        const char *key;
        const char *tip;
        QStyle::StandardPixmap icon;
    } keys[] = {{"OpenConfig", "Open A Configuration File", QStyle::SP_DialogOpenButton},
                {"SaveConfig", "Save Current Settings To A File", QStyle::SP_DialogSaveButton},
                {"ProgramRadio", "Program Selected Settings To The Radio", QStyle::SP_ArrowRight},
                {"Refresh", "Refresh Radio Settings", QStyle::SP_BrowserReload}};
    for (const auto &k : keys) {
        QAction *a = Toolbar1->addAction(style()->standardIcon(k.icon), QString());
        a->setToolTip(QString::fromLatin1(k.tip));
        const QString key = QString::fromLatin1(k.key);
        connect(a, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
        toolButtons.insert(key, a);
    }
    layout->addWidget(Toolbar1);

    DescriptionFrame = new QGroupBox(this);
    auto *heads = new QHBoxLayout(DescriptionFrame);
    Label1 = new QLabel(QStringLiteral("Select Settings to reprogram in the radio:"), DescriptionFrame);
    Label2 = new QLabel(QStringLiteral("Current Settings:"), DescriptionFrame);
    FileSettingsLabel = new QLabel(QStringLiteral("Settings in file"), DescriptionFrame);
    for (QLabel *l : {Label1, Label2, FileSettingsLabel}) {
        l->setWordWrap(true);
        l->setFixedWidth(225);
        heads->addWidget(l, 0, Qt::AlignBottom);
    }
    layout->addWidget(DescriptionFrame);

    TabStrip = new QTabBar(this);
    for (const char *caption : {"Radio Information", "Radio Settings 1...", "Radio Settings 2...",
                                "Network Settings 1...", "Network Settings 2...", "Store && Forward Settings...",
                                "Network Wide Diagnostic Settings..."})
        TabStrip->addTab(QString::fromLatin1(caption));   // "&&" shows one "&"
    // On a narrow screen the tabs scroll, each caption whole; a slightly smaller face shows more of
    // them at once.
    TabStrip->setUsesScrollButtons(true);
    TabStrip->setElideMode(Qt::ElideNone);
    TabStrip->setExpanding(false);
    QFont tabFont = TabStrip->font();
    tabFont.setPointSizeF(tabFont.pointSizeF() * 0.9);
    TabStrip->setFont(tabFont);
    connect(TabStrip, &QTabBar::currentChanged, this, &frmRestore::TabStrip_Click);
    layout->addWidget(TabStrip);
    RadSetStack = new QStackedWidget(this);
    for (int i = 0; i < 7; ++i) {
        RadSet[i] = new QFrame(RadSetStack);
        RadSet[i]->setFrameShape(QFrame::StyledPanel);
        RadSet[i]->setMinimumSize(700, 8 * RowStep / TwipsPerPixel + 8);
        RadSetStack->addWidget(RadSet[i]);
    }
    layout->addWidget(RadSetStack);

    int placed[7] = {};
    for (const RadioSetting &row : RadioSettingCatalogue()) {
        if (!row.hasRestoreEntry())
            continue;
        const int page = Restore::pageOf(row);
        const int top = RowStep * ++placed[page];
        QCheckBox *c = new QCheckBox(row.restoreCaption, RadSet[page]);
        c->setObjectName(row.restoreCheck);
        c->setEnabled(false);
        auto *current = new RestoreBox(RadSet[page]);
        current->setObjectName(row.box);
        auto *fresh = new RestoreBox(RadSet[page]);
        fresh->setObjectName(row.restoreNewBox());
        for (RestoreBox *b : {current, fresh}) {
            b->setReadOnly(true);
            b->setValue(QStringLiteral("n/a"));
        }
        m_boxes.insert(row.box, current);
        m_boxes.insert(row.restoreNewBox(), fresh);
        m_checks.insert(row.restoreCheck, c);
        m_tops.insert(row.box, top);
        c->setGeometry(8, top / TwipsPerPixel - 12, 228, 22);
        current->setGeometry(240, top / TwipsPerPixel - 12, 220, 22);
        fresh->setGeometry(468, top / TwipsPerPixel - 12, 220, 22);
    }
    // The owner texts come back with their line end; the file fills the New owner boxes.
    m_boxes[QStringLiteral("OwnerName")]->setValue(QStringLiteral("n/a\r\n"));
    m_boxes[QStringLiteral("OwnerMessage")]->setValue(QStringLiteral("n/a\r\n"));
    m_boxes[QStringLiteral("NewOwnerName")]->setValue(QString());
    m_boxes[QStringLiteral("NewOwnerMessage")]->setValue(QString());
    connect(m_checks[QStringLiteral("ModeCheck")], &QCheckBox::toggled, this, &frmRestore::ModeCheck_Click);

    DiagWarnLabel = new QLabel(
        QStringLiteral("These features are only accessible with radio firmware versions 2.0.0 and above."), RadSet[6]);
    DiagWarnLabel->setGeometry(8, 4 * RowStep / TwipsPerPixel + 8, 680, 22);
    SkipLabel = new QLabel(QStringLiteral("Click for more Information"), RadSet[3]);
    SkipLabel->setGeometry(468, 6 * RowStep / TwipsPerPixel, 220, 20);

    Frame2 = new QFrame(this);
    auto *progress = new QHBoxLayout(Frame2);
    for (int i = 0; i < 10; ++i) {
        ProgressBlock[i] = new QLabel(Frame2);
        ProgressBlock[i]->setFixedSize(24, 14);
        setBlockFill(i, ButtonShadow);
        progress->addWidget(ProgressBlock[i]);
    }
    ProgressLabel = new QLabel(QStringLiteral("100%"), Frame2);
    progress->addWidget(ProgressLabel);
    progress->addStretch();

    CheckAllButton = new QPushButton(QStringLiteral("Check All"), this);
    UnCheckAllButton = new QPushButton(QStringLiteral("Uncheck All"), this);
    CloseButton = new QPushButton(QStringLiteral("Close Window"), this);
    CheckAllButton->setEnabled(false);
    UnCheckAllButton->setEnabled(false);
    connect(CheckAllButton, &QPushButton::clicked, this, &frmRestore::CheckAllButton_Click);
    connect(UnCheckAllButton, &QPushButton::clicked, this, &frmRestore::UnCheckAllButton_Click);
    connect(CloseButton, &QPushButton::clicked, this, &frmRestore::CloseButton_Click);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(Frame2, 1);
    bottom->addWidget(CheckAllButton);
    bottom->addWidget(UnCheckAllButton);
    bottom->addWidget(CloseButton);
    layout->addLayout(bottom);
    // Wide enough for every tab, where the screen has room for that.
    resize(sizeHint());
}

void frmRestore::setBlockFill(int index, const QColor &colour)
{
    m_blockFill[index] = colour;
    ProgressBlock[index]->setStyleSheet(
        QStringLiteral("background-color: %1; border: 2px solid palette(button);").arg(colour.name()));
}

void frmRestore::Form_Load()
{
    Busy busy(*this);
    SharedState &s = shared();
    m_linkOwnership.emplace();
    flags().CloseRequested = false;
    Timer1->stop();
    s.RestoreCommFailed = false;
    s.RxBuffer = QStringLiteral(" ");
    try {
        MSComm2->setSettings(m_main.MSComm1->settings());
        MSComm2->setCommPort(m_main.MSComm1->commPort());
        MSComm2->setHandshaking(m_main.MSComm1->handshaking());
    } catch (const CommError &e) {
        if (isPortError(e))
            frmCorvista::showCommErrorBox();
        else
            MsgBox(e.text(), Msg::OKOnly, Msg::Exclamation);
        return;
    }
    s.TermLocalEcho = false;
    try {
        MSComm2->setPortOpen(true);
    } catch (const CommError &e) {
        if (isPortError(e)) {
            frmCorvista::showCommErrorBox();
            return;
        }
        MsgBox(e.text(), Msg::OKOnly, Msg::Exclamation);
    }

    ProgressLabel->setText(QString());
    ProgressLabel->hide();
    for (int i = 0; i < 10; ++i) {
        setBlockFill(i, ButtonShadow);
        ProgressBlock[i]->hide();
        Clock::doEvents();
        if (m_unloaded)
            return;
    }
    TabStrip->setCurrentIndex(0);
    RadSetStack->setCurrentIndex(0);
    FileSettingsLabel->setText(QStringLiteral("Open a file for\nrestoring settings..."));
    toolButtons[QStringLiteral("ProgramRadio")]->setEnabled(false);
    toolButtons[QStringLiteral("SaveConfig")]->setEnabled(false);
    applyRevisionLayout();
    Clock::doEvents();
    if (m_unloaded)
        return;
    WakeRestoreRadio();
}

void frmRestore::applyRevisionLayout()
{
    const QString rev = shared().FirmwareRevNumber;
    const auto showRow = [this](const QString &boxName, bool shown) {
        const RadioSetting *row = findSettingByBox(boxName);
        for (QWidget *w : {static_cast<QWidget *>(box(boxName)), static_cast<QWidget *>(box(row->restoreNewBox()))}) {
            w->setVisible(shown);
            w->setEnabled(shown);
        }
        check(row->restoreCheck)->setVisible(shown);
        check(row->restoreCheck)->setEnabled(false);
    };
    const auto moveRow = [this](const QString &boxName, int top) {
        const RadioSetting *row = findSettingByBox(boxName);
        m_tops[boxName] = top;
        for (QWidget *w : {static_cast<QWidget *>(box(boxName)), static_cast<QWidget *>(box(row->restoreNewBox())),
                           static_cast<QWidget *>(check(row->restoreCheck))})
            w->move(w->x(), top / TwipsPerPixel - 12);
    };
    const QStringList extensionRows = {u"XMAP"_qs, u"XPRI"_qs, u"XRSSI"_qs, u"DTYPE"_qs, u"DLINK"_qs, u"SoftRTU"_qs};
    // The tests in their order: below 200 (else 200 or more), below 300, 300 or more, below 320,
    // 320 or more. An unreadable revision meets each of them, so the later ones win.
    const bool below200 = revisionGatePasses(RevisionGate::Below200, rev);
    for (const QString &b : {u"XMIN"_qs, u"XMAX"_qs})
        showRow(b, below200);
    for (const QString &b : extensionRows)
        showRow(b, !below200);
    DiagWarnLabel->setVisible(below200);
    const auto place = [&](bool from300) {
        for (const QString &b : {u"RXD"_qs, u"CSADDR"_qs})
            showRow(b, from300);
        moveRow(u"HopTime"_qs, from300 ? 1080 : 720);
        moveRow(u"SkippedZones"_qs, from300 ? 1440 : 1080);
        moveRow(u"SleepMode"_qs, from300 ? 1800 : 1440);
    };
    const std::optional<double> value = firmwareRevisionValue(rev);
    if (!value || *value < 300)
        place(false);
    if (!value || *value >= 300)
        place(true);
    const bool from320 = revisionGatePasses(RevisionGate::From320, rev);
    for (const QString &b : {u"LPMHOLD"_qs, u"LPM"_qs})
        showRow(b, from320);
}

void frmRestore::StartReadoutTimer()
{
    Clock::startTimer(*Timer1, 1);
}

void frmRestore::StopReadoutTimer()
{
    Timer1->stop();
}

void frmRestore::SendRestoreCommand(const QString &command)
{
    Busy busy(*this);
    SharedState &s = shared();
    // A window closed under a running procedure has nothing more to send.
    if (m_unloaded)
        throw RestoreLost();
    // A text that would be more than one command, or that the radio cannot take, is not written,
    // not even the CRs that look for the prompt.
    const QByteArray bytes = Exchange::commandBytes(command);
    if (!MSComm2->portOpen()) {
        if (!DeviceLoss::reported())
            MsgBox(QStringLiteral("Error: Port is not open"), Msg::OKOnly, Msg::Critical, QStringLiteral("Error"));
        return;
    }
    Exchange::commandLine(*MSComm2, QString());
    Clock::sleepMs(50);
    s.RxBuffer = MSComm2->inputText();
    if (!s.RxBuffer.endsWith(QLatin1Char('>'))) {
        Clock::sleepMs(100);
        Exchange::commandLine(*MSComm2, QString());
        Clock::sleepMs(50);
        s.RxBuffer = MSComm2->inputText();
    }
    if (!s.RxBuffer.endsWith(QLatin1Char('>'))) {
        qCInfo(lcRestore) << "no prompt before" << command.trimmed();
        frmCorvista::showCommErrorBox();
        // A window closed while the box was open has been dealt with (the main window's tick
        // closes it and connects again); a second request would connect twice.
        if (!m_unloaded && !DeviceLoss::reported())
            s.RestoreCommFailed = true;
        throw RestoreLost();
    }
    Exchange::sendRaw(*MSComm2, bytes);
}

QString frmRestore::restoreExchange(const QString &command)
{
    SharedState &s = shared();
    s.RxBuffer = QStringLiteral(" ");
    SendRestoreCommand(command);
    Clock::sleepMs(50);
    s.RxBuffer = MSComm2->inputText();
    return s.RxBuffer;
}

void frmRestore::WakeRestoreRadio()
{
    Busy busy(*this);
    SharedState &s = shared();
    try {
        for (int attempt = 0; attempt < 30 && MSComm2->portOpen(); ++attempt) {
            Clock::doEvents();
            if (m_unloaded || !MSComm2->portOpen())
                break;
            Exchange::sendRaw(*MSComm2, QByteArray{"\x1b\r\n"});
            Clock::sleepMs(qint64(Clock::random() * 701 + 400));
            for (int j = 0; j < 4; ++j) {
                Exchange::sendRaw(*MSComm2, QByteArray{"\r\r"});
                Clock::sleepMs(100);
            }
            s.RxBuffer += MSComm2->inputText();
            if (s.RxBuffer.endsWith(QLatin1Char('>')))
                break;
        }
    } catch (const CommError &e) {
        if (isPortError(e) && !m_unloaded) {
            frmCorvista::showCommErrorBox();
            return;
        }
    } catch (const RestoreLost &) {
        return;
    }
    if (m_unloaded)
        return;
    flags().RereadRequested = true;
    StartReadoutTimer();
}

void frmRestore::MSComm2_OnComm()
{
    Busy busy(*this);
    const int event = MSComm2->commEvent();
    // Received text stays in the port for the direct reads; event texts are shown nowhere.
    if (event == CommEv::Send || event == CommEv::Receive || (event >= CommEv::CTS && event <= CommEv::EOFChar))
        return;
    if (event == CommEv::DeviceLost) {
        // The port is closed already. Say so once, give the port back (which fails quietly while
        // the device is missing) and leave the main window disconnected: no reconnect follows.
        DeviceLoss::report();
        unload();
        shared().RestoreCommFailed = false;
        m_main.DisconnectRadio();
        return;
    }
    try {
        dialogs().beep();
        if (MsgBox(CommEv::errorText(event), Msg::OKCancel, Msg::NoIcon, QStringLiteral("Click Cancel to quit, OK to ignore."))
            == Msg::Cancel)
            MSComm2->setPortOpen(false);
    } catch (const CommError &e) {
        if (isPortError(e))
            frmCorvista::showCommErrorBox();
    }
}

void frmRestore::Toolbar1_ButtonClick(const QString &key)
{
    Busy busy(*this);
    // Save and Program talk to the radio; a read-out that lets events run keeps the port.
    if (m_reading && (key == QLatin1String("SaveConfig") || key == QLatin1String("ProgramRadio"))) {
        dialogs().beep();
        return;
    }
    if (key == QLatin1String("OpenConfig"))
        ReadConfigurationFile();
    else if (key == QLatin1String("SaveConfig"))
        SaveConfiguration();
    else if (key == QLatin1String("ProgramRadio"))
        ProgramSelectedSettings();
    else if (key == QLatin1String("Refresh"))
        RequestReread();
}

void frmRestore::TabStrip_Click()
{
    RadSetStack->setCurrentIndex(TabStrip->currentIndex());
}

void frmRestore::setRowEnabled(const QString &boxName, bool enabled)
{
    const RadioSetting *row = findSettingByBox(boxName);
    box(boxName)->setEnabled(enabled);
    box(row->restoreNewBox())->setEnabled(enabled);
    check(row->restoreCheck)->setEnabled(enabled);
}

void frmRestore::applyRule(int rule)
{
    const QString mode = box(QStringLiteral("Mode"))->value();
    switch (static_cast<Restore::Rule>(rule)) {
    case Restore::Rule::Master:
        for (const QString &b : Restore::masterRuleBoxes())
            setRowEnabled(b, mode == QLatin1String("MODE M"));
        break;
    case Restore::Rule::Sleep:
        setRowEnabled(Restore::SleepBox, mode != QLatin1String("MODE M"));
        break;
    case Restore::Rule::Remote:
        setRowEnabled(Restore::XaddrBox, mode != QLatin1String("MODE R"));
        break;
    case Restore::Rule::None:
        break;
    }
}

void frmRestore::CheckAllButton_Click()
{
    for (const RadioSetting *row : Restore::rows())
        if (QCheckBox *c = check(row->restoreCheck); c->isEnabled())
            c->setChecked(true);
}

void frmRestore::UnCheckAllButton_Click()
{
    for (const RadioSetting *row : Restore::rows())
        if (QCheckBox *c = check(row->restoreCheck); c->isEnabled())
            c->setChecked(false);
}

void frmRestore::ModeCheck_Click()
{
    const QString mode = check(QStringLiteral("ModeCheck"))->isChecked() ? box(QStringLiteral("NewMode"))->value()
                                                                          : box(QStringLiteral("Mode"))->value();
    bool master = false, sleep = false;
    if (mode == QLatin1String("MODE M"))
        master = true;
    else if (mode == QLatin1String("MODE R"))
        sleep = true;
    else if (mode != QLatin1String("MODE X"))
        return;
    for (const QString &b : Restore::modeCheckMasterBoxes())
        setRowEnabled(b, master);
    setRowEnabled(Restore::SleepBox, sleep);
}

void frmRestore::CloseButton_Click()
{
    Busy busy(*this);
    if (flags().ExchangeIdle)
        unload();
    else
        flags().CloseRequested = true;
}

void frmRestore::RequestReread()
{
    flags().RereadRequested = true;
}

void frmRestore::endExchange()
{
    if (flags().CloseRequested)
        unload();
    else
        flags().ExchangeIdle = true;
}

void frmRestore::unload()
{
    if (m_unloaded)
        return;
    Busy busy(*this);
    m_unloaded = true;
    Timer1->stop();
    Form_Unload();
    hide();
    if (s_open == this)
        s_open = nullptr;
}

void frmRestore::deleteIfUnloaded()
{
    if (!m_unloaded || m_deleting)
        return;
    m_deleting = true;
    deleteLater();
}

void frmRestore::Form_Unload()
{
    try {
        MSComm2->setPortOpen(false);
        m_main.MSComm1->setPortOpen(true);
        shared().RefreshRequested = true;
    } catch (const CommError &e) {
        if (isPortError(e))
            frmCorvista::showCommErrorBox();
    }
    m_linkOwnership.reset();
    m_main.setEnabled(true);
    m_main.activateWindow();
}

void frmRestore::closeEvent(QCloseEvent *event)
{
    Busy busy(*this);
    event->accept();
    unload();
}
