#include "app/frmCorvista.h"

#include "app/ClickableLabel.h"
#include "app/Icons.h"
#include "app/ScreenFit.h"
#include "app/TerminalLook.h"
#include "app/frmPreferences.h"
#include "app/frmProperties.h"
#include "app/frmSplash.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "common/frmProgram.h"
#include "config/frmSimpleRptrSetup.h"
#include "diagnostics/frmRSSI.h"
#include "diagnostics/frmZoneData.h"
#include "link/DeviceLoss.h"
#include "link/TerminalPane.h"
#include "link/frmSetPass.h"
#include "settings/frmSetup.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/LinkGate.h"
#include "platform/SettingsStore.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QApplication>
#include <functional>

Q_LOGGING_CATEGORY(lcMainWindow, "wavecrest.app", QtWarningMsg)

namespace {
frmCorvista *g_instance = nullptr;

const char *const kToolKeys[][3] = {
    {"OpenLogFile", "Open log file...", "Open log file..."},
    {"CloseLogFile", "Close log file", "Close log file"},
    {"Connect", "Connect...", "Connect..."},
    {"Disconnect", "Disconnect...", "Disconnect..."},
    {"Properties", "Setup...", "Setup..."},
    {"TransmitTextFile", "Transmit Text File...", "Upgrade radio firmware..."},
    {"Login", "Login...", "Login with a radio password..."},
    {"Logout", "Logout...", "Logout of the radio to prevent unauthorized changes..."},
    {"Terminal", "Terminal", "Show/Hide the Terminal Screen"},
};

const QString kSettingsTabCaptions[6] = {
    QStringLiteral("Radio Settings 1"), QStringLiteral("Radio Settings 2"), QStringLiteral("Network Settings 1"),
    QStringLiteral("Network Settings 2"), QStringLiteral("Store and Forward Settings"),
    QStringLiteral("Network Wide Diagnostics")};

// Pixels for twips at the design's 15 twips per pixel.
constexpr int twips(int t) { return t / 15; }
} // namespace

frmCorvista *frmCorvista::instance()
{
    return g_instance;
}

frmCorvista::frmCorvista(QWidget *parent) : QMainWindow(parent)
{
    g_instance = this;
    MSComm1 = CommFactory::create(this);
    connect(MSComm1.get(), &CommControl::onComm, this, &frmCorvista::MSComm1_OnComm);

    Timer1 = new QTimer(this);
    Timer2 = new QTimer(this);
    tmrPortTO = new QTimer(this);
    Clock::setInterval(*Timer1, 1000);
    Clock::setInterval(*Timer2, 2000);
    Clock::setInterval(*tmrPortTO, 2000);
    connect(Timer1, &QTimer::timeout, this, &frmCorvista::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &frmCorvista::Timer2_Timer);
    connect(tmrPortTO, &QTimer::timeout, this, &frmCorvista::tmrPortTO_Timer);

    buildUi();
    Dialogs::setParentWindow(this);
    // A window refused while an operation holds the radio is told as every refused action is.
    Dialogs::setRefusal([this] { tellBusy(); });
}

frmCorvista::~frmCorvista()
{
    if (g_instance == this)
        g_instance = nullptr;
    Dialogs::setParentWindow(nullptr);
    Dialogs::setRefusal(nullptr);
}

// ---------------------------------------------------------------- building the window

void frmCorvista::buildUi()
{
    setWindowIcon(Icons::appIcon());
    buildMenus();
    buildToolBar();
    buildStatusBar();

    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(twips(60), twips(60), twips(60), twips(60));
    outer->setSpacing(twips(120));

    txtTerm = new TerminalPane(central);
    txtTerm->setObjectName(QStringLiteral("txtTerm"));
    txtTerm->setToolTip(QStringLiteral("Terminal Window to radio."));
    // The pane gives up its height first when the screen is small; a few lines stay.
    txtTerm->setMinimumHeight(120);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    // Terminal text is single-byte characters in a fixed pitch: nothing for the shaper to do, and
    // a radio that streams would otherwise pay for it on every line.
    mono.setStyleStrategy(QFont::PreferNoShaping);
    mono.setPointSize(10);
    txtTerm->setFont(mono);
    txtTerm->keyTyped = [this](int &key) { txtTerm_KeyPress(key); };
    txtTerm->pasted = [this](const QString &text) { txtTerm_Paste(text); };
    txtTerm->textTyped = [this](const QString &text) { return txtTerm_TypedText(text); };
    outer->addWidget(txtTerm, 1);

    auto *middle = new QHBoxLayout;
    m_middle = middle;
    middle->setSpacing(twips(120));
    InfoFrame = new QGroupBox(QStringLiteral("GENERAL"), central);
    InfoFrame->setObjectName(QStringLiteral("InfoFrame"));
    middle->addWidget(InfoFrame, 0);

    SettingsArea = new QWidget(central);
    auto *settingsLayout = new QVBoxLayout(SettingsArea);
    settingsLayout->setContentsMargins(0, 0, 0, 0);
    settingsLayout->setSpacing(0);
    SettingsTab = new QTabBar(SettingsArea);
    SettingsTab->setObjectName(QStringLiteral("SettingsTab"));
    SettingsTab->setExpanding(false);
    SettingsTab->setDrawBase(true);
    // On a narrow screen the tabs scroll, each caption whole; a slightly smaller face shows more of
    // them at once.
    SettingsTab->setUsesScrollButtons(true);
    SettingsTab->setElideMode(Qt::ElideNone);
    QFont tabFont = SettingsTab->font();
    tabFont.setPointSizeF(tabFont.pointSizeF() * 0.9);
    SettingsTab->setFont(tabFont);
    for (const QString &caption : kSettingsTabCaptions)
        SettingsTab->addTab(caption);
    NetSetStack = new QStackedWidget(SettingsArea);
    NetSetStack->setFrameShape(QFrame::StyledPanel);
    for (int i = 0; i < 6; ++i) {
        NetSet[i] = new QFrame(NetSetStack);
        NetSet[i]->setObjectName(QStringLiteral("NetSet%1").arg(i));
        NetSetStack->addWidget(NetSet[i]);
    }
    Pages = buildSettingsPages(InfoFrame, {NetSet[0], NetSet[1], NetSet[2], NetSet[3], NetSet[4], NetSet[5]});
    settingsLayout->addWidget(SettingsTab);
    settingsLayout->addWidget(NetSetStack, 1);
    // Tab takes the tab strip after the GENERAL frame beside it, and before the page below it.
    QWidget::setTabOrder(InfoFrame->findChildren<QWidget *>().constLast(), SettingsTab);
    connect(SettingsTab, &QTabBar::currentChanged, this, [this] { SettingsTab_Click(); });

    frQuick = static_cast<QGroupBox *>(buildTasksView());
    middle->addWidget(frQuick, 1);
    middle->addWidget(SettingsArea, 1);
    SettingsArea->hide();
    outer->addLayout(middle, 0);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(twips(80) + 1);
    buttons->addStretch(1);
    ButtonAdv = new QPushButton(QStringLiteral("Advanced"), central);
    ButtonZoneData = new QPushButton(QStringLiteral("Zone Data"), central);
    ButtonZoneData->setToolTip(QStringLiteral("Click to get Zone Data statistics."));
    ButtonRSSI = new QPushButton(QStringLiteral("RSSI"), central);
    ButtonRSSI->setToolTip(QStringLiteral("Click to get RSSI information. (Remote only)"));
    ButtonRefresh = new QPushButton(QStringLiteral("Refresh"), central);
    ButtonRefresh->setToolTip(QStringLiteral("Click to refresh the screen information."));
    for (QPushButton *b : {ButtonAdv, ButtonZoneData, ButtonRSSI, ButtonRefresh}) {
        b->setMinimumWidth(96);
        buttons->addWidget(b);
    }
    Frame1 = new QFrame(central);
    Frame1->setFrameShape(QFrame::StyledPanel);
    auto *frameLayout = new QHBoxLayout(Frame1);
    frameLayout->setContentsMargins(4, 2, 4, 2);
    imgConnected = new ClickableLabel(Frame1);
    imgConnected->setPixmap(Icons::connectedImage());
    imgConnected->setToolTip(QStringLiteral("Click to disconnect..."));
    imgNotConnected = new ClickableLabel(Frame1);
    imgNotConnected->setPixmap(Icons::notConnectedImage());
    imgNotConnected->setToolTip(QStringLiteral("Click to connect..."));
    frameLayout->addWidget(imgConnected);
    frameLayout->addWidget(imgNotConnected);
    imgConnected->hide();
    buttons->addWidget(Frame1);
    outer->addLayout(buttons);

    connect(ButtonAdv, &QPushButton::clicked, this, &frmCorvista::ButtonAdv_Click);
    connect(ButtonZoneData, &QPushButton::clicked, this, &frmCorvista::ButtonZoneData_Click);
    connect(ButtonRSSI, &QPushButton::clicked, this, &frmCorvista::ButtonRSSI_Click);
    connect(ButtonRefresh, &QPushButton::clicked, this, &frmCorvista::ButtonRefresh_Click);
    connect(imgConnected, &ClickableLabel::clicked, this, &frmCorvista::imgConnected_Click);
    connect(imgNotConnected, &ClickableLabel::clicked, this, &frmCorvista::imgNotConnected_Click);

    // What the screen cannot hold scrolls between the toolbar and the status bar, which stay in view.
    auto *scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("ContentScroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    // The controls take the focus; the view follows them.
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidgetResizable(true);
    scroller->setWidget(central);
    setCentralWidget(scroller);
    m_content = central;
    m_fit = new ContentFit(*this, *scroller);
    connect(m_fit, &ContentFit::roomChanged, this, &frmCorvista::arrangeForScreen);
    arrangeQuickGroups(false);
    resize(1000, 700);
    connectReportButtons();
    connectSettingEdits();
    connectHelpLabels();
    connectLoaderAndPresets();
    connectQuickSetup();
}

QWidget *frmCorvista::buildTasksView()
{
    auto *quick = new QGroupBox(QStringLiteral("Quick Config"));
    quick->setObjectName(QStringLiteral("frQuick"));
    auto *grid = new QGridLayout(quick);
    grid->setSpacing(10);

    frNewRadio = new QGroupBox(QStringLiteral("NEW RADIO"), quick);
    auto *newRadio = new QVBoxLayout(frNewRadio);
    auto *form = new QFormLayout;
    cmbBaud = new QComboBox(frNewRadio);
    cmbBaud->setEditable(true);
    cmbBaud->addItems({QStringLiteral("115200"), QStringLiteral("57600"), QStringLiteral("38400"),
                       QStringLiteral("19200"), QStringLiteral("9600"), QStringLiteral("4800"),
                       QStringLiteral("2400"), QStringLiteral("1200"), QStringLiteral("300")});
    cmbBaud->setCurrentText(QStringLiteral("9600"));
    txtNewADDR = new QLineEdit(QStringLiteral("1000"), frNewRadio);
    sldPwr = new QSlider(Qt::Horizontal, frNewRadio);
    sldPwr->setRange(20, 30);
    sldPwr->setValue(30);
    sldPwr->setTickPosition(QSlider::TicksBelow);
    sldPwr->setMinimumWidth(90);
    lblPwr = new QLabel(frNewRadio);
    auto showPower = [this](int v) { lblPwr->setText(QStringLiteral("%1 dBm").arg(v)); };
    showPower(sldPwr->value());
    connect(sldPwr, &QSlider::valueChanged, this, showPower);
    auto *powerRow = new QHBoxLayout;
    powerRow->addWidget(sldPwr, 1);
    powerRow->addWidget(lblPwr);
    form->addRow(QStringLiteral("Data Baud Rate:"), cmbBaud);
    form->addRow(QStringLiteral("Network Address:"), txtNewADDR);
    form->addRow(QStringLiteral("Output Power:"), powerRow);
    newRadio->addLayout(form);
    auto *roles = new QGridLayout;
    // Made in the order Tab takes them: as the screen reads, each "?" after its own button.
    cmdMaster = new QPushButton(QStringLiteral("Master"), frNewRadio);
    cmdRemote = new QPushButton(QStringLiteral("Remote"), frNewRadio);
    cmdRepeater = new QPushButton(QStringLiteral("Repeater"), frNewRadio);
    cmdRptHelp1 = new QPushButton(QStringLiteral("?"), frNewRadio);
    cmdSubRemote = new QPushButton(QStringLiteral("Sub-Remote"), frNewRadio);
    cmdSubRemote->setToolTip(QStringLiteral("A 'Sub-Remote' is a remote unit that talks through a repeater."));
    cmdRptHelp2 = new QPushButton(QStringLiteral("?"), frNewRadio);
    for (QPushButton *help : {cmdRptHelp1, cmdRptHelp2}) {
        help->setToolTip(QStringLiteral("Store-and-Forward Repeater Setup"));
        help->setFixedWidth(help->sizeHint().height());
    }
    roles->addWidget(cmdMaster, 0, 0);
    roles->addWidget(cmdRemote, 0, 2);
    roles->addWidget(cmdRepeater, 1, 0);
    roles->addWidget(cmdRptHelp1, 1, 1);
    roles->addWidget(cmdSubRemote, 1, 2);
    roles->addWidget(cmdRptHelp2, 1, 3);
    newRadio->addLayout(roles);
    newRadio->addStretch(1);

    frAction = new QGroupBox(QStringLiteral("ACTION"), quick);
    auto *action = new QVBoxLayout(frAction);
    cmdSaveToFile = new QPushButton(QStringLiteral("SAVE TO FILE"), frAction);
    cmdPrint = new QPushButton(QStringLiteral("PRINT"), frAction);
    cmdPrint->setToolTip(QStringLiteral("Prints radio configuration to default printer"));
    cmdProgramFromFile = new QPushButton(QStringLiteral("PROGRAM RADIO FROM FILE"), frAction);
    cmdReadRadio = new QPushButton(QStringLiteral("READ RADIO"), frAction);
    for (QPushButton *b : {cmdSaveToFile, cmdPrint, cmdProgramFromFile, cmdReadRadio})
        action->addWidget(b);
    action->addStretch(1);

    frPreset = new QGroupBox(QStringLiteral("PRESET"), quick);
    auto *preset = new QGridLayout(frPreset);
    for (int i = 0; i < 6; ++i) {
        cmdPre[i] = new QPushButton(QStringLiteral("(Empty)"), frPreset);
        cmdPre[i]->setProperty("Tag", QStringLiteral("EMPTY"));
        QFont f = cmdPre[i]->font();
        f.setPointSize(8);
        cmdPre[i]->setFont(f);
        cmdPre[i]->setMinimumWidth(110);
        preset->addWidget(cmdPre[i], i / 2, i % 2);
    }
    cmdSaveToPreset = new QPushButton(QStringLiteral("SAVE TO PRESET"), frPreset);
    preset->addWidget(cmdSaveToPreset, 3, 0, 1, 2);
    preset->setRowStretch(4, 1);
    return quick;
}

void frmCorvista::arrangeQuickGroups(bool stacked)
{
    auto *grid = static_cast<QGridLayout *>(frQuick->layout());
    for (QWidget *group : {frNewRadio, frAction, frPreset})
        grid->removeWidget(group);
    grid->addWidget(frNewRadio, 0, 0, stacked ? 2 : 1, 1);
    grid->addWidget(frAction, 0, 1);
    grid->addWidget(frPreset, stacked ? 1 : 0, stacked ? 1 : 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, stacked ? 3 : 2);
    grid->setColumnStretch(2, stacked ? 0 : 3);
    // The content's minimum follows at once, for the placement that measures it next.
    grid->activate();
}

void frmCorvista::buildMenus()
{
    QMenuBar *bar = menuBar();
    mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuOpenLog = mnuFile->addAction(QStringLiteral("&Open Log File..."), this, &frmCorvista::mnuOpenLog_Click);
    mnuCloseLog = mnuFile->addAction(QStringLiteral("&Close Log File"), this, &frmCorvista::mnuCloseLog_Click);
    mnuCloseLog->setEnabled(false);
    mnuFile->addSeparator();
    mnuSendText = mnuFile->addAction(QStringLiteral("&Radio Firmware Upgrade..."), this,
                                     &frmCorvista::mnuSendText_Click);
    mnuSendText->setEnabled(false);
    mnuFile->addSeparator();
    mnuFileExit = mnuFile->addAction(QStringLiteral("E&xit"), this, &frmCorvista::mnuFileExit_Click);

    mnuPort = bar->addMenu(QStringLiteral("Serial &Port"));
    mnuOpen = mnuPort->addAction(QStringLiteral("Port &Open"), this, &frmCorvista::mnuOpen_Click);
    mnuOpen->setCheckable(true);
    // The tick shows the port's state; a click only runs the connect sequence.
    connect(mnuOpen, &QAction::triggered, this, [this] { mnuOpen->setChecked(MSComm1->portOpen()); });
    mnuPort->addSeparator();
    mnuProperties = mnuPort->addAction(QStringLiteral("Setup..."), this, &frmCorvista::mnuProperties_Click);

    mnuSpecial = bar->addMenu(QStringLiteral("&Special"));
    mnuPreferences = mnuSpecial->addAction(QStringLiteral("Application Preferences..."), this,
                                           &frmCorvista::mnuPreferences_Click);
    mnuSpecial->addSeparator();
    mnuRadioPassSub = mnuSpecial->addMenu(QStringLiteral("Radio Passwords..."));
    mnuRadioPassSub->setEnabled(false);
    mnuSetPass = mnuRadioPassSub->addAction(QStringLiteral("Set Radio's Customer Password..."), this,
                                            &frmCorvista::mnuSetPass_Click);
    mnuAccessCode = mnuRadioPassSub->addAction(QStringLiteral("Enter Radio Password..."), this,
                                               &frmCorvista::mnuAccessCode_Click);
    mnuEncryptCode = mnuRadioPassSub->addAction(QStringLiteral("Enter Encryption Code..."), this,
                                                &frmCorvista::mnuEncryptCode_Click);
    mnuSetupMode = mnuSpecial->addAction(QStringLiteral("Enter Setup Mode..."), this,
                                         &frmCorvista::mnuSetupMode_Click);
    mnuSetupMode->setEnabled(false);
    mnuConfigRestore = mnuSpecial->addAction(QStringLiteral("Open Configuration Store/Restore Window..."), this,
                                             &frmCorvista::mnuConfigRestore_Click);
    mnuConfigRestore->setEnabled(false);
    for (QAction *a : {mnuSetPass, mnuAccessCode, mnuEncryptCode})
        a->setEnabled(false);

    mnuAbout = bar->addAction(QStringLiteral("&About"), this, &frmCorvista::mnuAbout_Click);

    mnuPreset = new QMenu(QStringLiteral("Preset"), this);
    mnuPresetView = mnuPreset->addAction(QStringLiteral("View"));
    mnuPresetDelete = mnuPreset->addAction(QStringLiteral("Delete"));
    mnuPresetRename = mnuPreset->addAction(QStringLiteral("Rename This Button"));
    mnuPresetEditDesc = mnuPreset->addAction(QStringLiteral("Edit Long Description"));
}

void frmCorvista::buildToolBar()
{
    tbrToolBar = addToolBar(QStringLiteral("Tools"));
    tbrToolBar->setObjectName(QStringLiteral("tbrToolBar"));
    tbrToolBar->setMovable(false);
    tbrToolBar->setIconSize(QSize(28, 28));
    for (const auto &k : kToolKeys) {
        const QString key = QString::fromLatin1(k[0]);
        QAction *a = tbrToolBar->addAction(Icons::toolIcon(key), QString::fromLatin1(k[1]));
        a->setToolTip(QString::fromLatin1(k[2]));
        a->setData(key);
        connect(a, &QAction::triggered, this, [this, key] { tbrToolBar_ButtonClick(key); });
        toolButtons.insert(key, a);
        if (key == QLatin1String("Properties") || key == QLatin1String("Login"))
            tbrToolBar->addSeparator();
    }
    toolButtons["CloseLogFile"]->setEnabled(false);
    toolButtons["Disconnect"]->setEnabled(false);
    toolButtons["TransmitTextFile"]->setEnabled(false);
}

void frmCorvista::buildStatusBar()
{
    panelStatus = new QLabel(QStringLiteral("Status:"), this);
    panelStatus->setToolTip(QStringLiteral("Communications Port Status"));
    panelSettings = new QLabel(QStringLiteral("Settings:"), this);
    panelSettings->setToolTip(QStringLiteral("Communications Port Settings"));
    panelConnectTime = new QLabel(QStringLiteral("Connect Time"), this);
    panelSettings->setMinimumWidth(180);
    panelConnectTime->setMinimumWidth(110);
    statusBar()->addWidget(panelStatus, 1);
    statusBar()->addPermanentWidget(panelSettings);
    statusBar()->addPermanentWidget(panelConnectTime);
}

void frmCorvista::setStatusText(const QString &text)
{
    panelStatus->setText(text);
    // The text stays about 2 s; then Timer2 clears it while the port is open.
    Clock::startTimer(*Timer2, 2000);
}

void frmCorvista::keepStatusText(const QString &text)
{
    panelStatus->setText(text);
    // The running operation's step ("Clearing Unit", the line sent, "Preparing Report") stays.
    Timer2->stop();
}

void frmCorvista::setSettingsText(const QString &text)
{
    panelSettings->setText(text);
}

// ---------------------------------------------------------------- start-up

void frmCorvista::showEvent(QShowEvent *event)
{
    // The window loads when it is first shown, as the splash window closes.
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QMainWindow::showEvent(event);
}

void frmCorvista::Form_Load()
{
    m_loaded = true;
    SharedState &s = shared();
    ClearTempFolder();
    s.LayoutReady = true;
    Clock::seedRandom(quint32(QDateTime::currentMSecsSinceEpoch()));
    s.ShowCommStatus = true;
    s.ShowRxText = true;
    s.DiscardRx = false;
    s.ConnectAborted = false;
    s.KeepAliveCount = 0;
    s.ConnectOnLaunchPending = false;
    s.TerminalVisible = true;
    s.PropertiesOK = false;

    const QString title = Dialogs::applicationTitle();
    setWindowTitle(title);

    // Serial errors 8005 and 8018 end the start-up; any other failure skips only its own step.
    auto step = [](const char *name, const std::function<void()> &body) {
        try {
            body();
        } catch (const CommError &e) {
            if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
                throw;
            qCInfo(lcMainWindow) << "start-up step skipped:" << name << e.number() << e.text();
        } catch (const std::exception &e) {
            qCInfo(lcMainWindow) << "start-up step skipped:" << name << e.what();
        }
    };
    try {
        QString commPort = QStringLiteral("1");
        step("port settings", [&] {
            s.TermLocalEcho = false;
            MSComm1->setSettings(QStringLiteral("19200,N,8,1"));
            MSComm1->setHandshaking(0);
        });
        step("stored preferences", [&] {
            try {
                commPort = GetSetting(title, QStringLiteral("Properties"), QStringLiteral("CommPort"),
                                      QStringLiteral("1"));
                bool pass = false;
                parseStoredBool(GetSetting(title, QStringLiteral("Preferences"), QStringLiteral("PassEnabled"),
                                           QStringLiteral("false")),
                                &pass);
                s.PassEnabledPref = pass;
                txtTerm->clear();
                TerminalLook::readStored(TerminalLook::of(*txtTerm)).applyTo(*txtTerm);
                auto readBool = [&](const char *key, const char *def) {
                    bool v = QString::fromLatin1(def) == QLatin1String("True");
                    parseStoredBool(GetSetting(title, QStringLiteral("Preferences"), QString::fromLatin1(key),
                                               QString::fromLatin1(def)),
                                    &v);
                    return v;
                };
                s.ConnectOnLaunchPref = readBool("ConnectOnLaunch", "False");
                s.KeepAlivePref = readBool("KeepAlive", "True");
                s.LogoutOnQuitPref = readBool("LogoutOnQuit", "True");
            } catch (const RuntimeError &e) {
                if (e.number() != RuntimeErr::PermissionDenied)
                    throw;
                // The store cannot be read: every preference takes its default.
                commPort = QStringLiteral("1");
                s.PassEnabledPref = false;
                TerminalLook::defaults().applyTo(*txtTerm);
                s.ConnectOnLaunchPref = false;
                s.KeepAlivePref = true;
                s.LogoutOnQuitPref = true;
            }
        });
        step("port number", [&] {
            bool ok = false;
            const int port = commPort.trimmed().isEmpty() ? 1 : commPort.trimmed().toInt(&ok);
            MSComm1->setCommPort(commPort.trimmed().isEmpty() || !ok ? 1 : port);
        });
        step("connection images", [&] {
            setConnectedImages(false);
            toolButtons["Login"]->setEnabled(false);
            toolButtons["Logout"]->setEnabled(false);
        });
        step("window position", [&] { placeOnScreen(); });
        if (s.ConnectOnLaunchPref)
            s.ConnectOnLaunchPending = true;
        s.InfoFrameTop0 = InfoFrame->y();
        s.NetSetOffset = 0;
        s.FormHeight0 = height();
        step("preset buttons", [&] { LoadPresetButtons(); });
        step("settings pages", [&] {
            for (QFrame *page : NetSet)
                page->setEnabled(false);
            DisableRadioActions();
        });
        Clock::startTimer(*Timer1, 1000);
    } catch (const CommError &) {
        showCommErrorBox();
    }
}

void frmCorvista::ClearTempFolder()
{
    const QString folder = AppPaths::programFolder() + QStringLiteral("/Temp/");
    bool failed = false;
    if (DirExists(folder)) {
        QDir::setCurrent(folder);
        QDir dir(folder);
        // Another running copy's files stay: its print may be waiting in the printer dialog.
        const bool alone = AppPaths::claimTempFolder();
        const QStringList files = alone ? dir.entryList(QDir::Files | QDir::Hidden | QDir::System) : QStringList();
        for (const QString &file : files) {
            if (!AppPaths::isTempClaim(file) && !dir.remove(file) && dir.exists(file)) {
                failed = true;
                break;
            }
        }
    } else if (!QDir().mkpath(folder)) {
        failed = true;
    } else {
        AppPaths::claimTempFolder();
    }
    if (failed)
        MsgBox(QStringLiteral("Error deleting temp files or\r\ncreating /Temp directory."), Msg::OKOnly, Msg::NoIcon,
               QStringLiteral("File I/O Error"));
}

// ---------------------------------------------------------------- layout and views

void frmCorvista::placeOnScreen()
{
    arrangeForScreen();
    m_fit->fitNow();
    ScreenFit::centreInside(*this, ScreenFit::availableArea(*this));
}

void frmCorvista::arrangeForScreen()
{
    // The Tasks view's width with the groups in a row, whichever view shows now.
    arrangeQuickGroups(false);
    const QMargins margins = m_content->layout()->contentsMargins();
    const int row = margins.left() + InfoFrame->minimumSizeHint().width() + m_middle->spacing()
                    + frQuick->minimumSizeHint().width() + margins.right();
    if (row > m_fit->room().width())
        arrangeQuickGroups(true);
}

void frmCorvista::ToggleTerminal()
{
    SharedState &s = shared();
    s.TerminalVisible = !s.TerminalVisible;
    s.LayoutReady = false;
    const int paneHeight = txtTerm->height();
    txtTerm->setVisible(s.TerminalVisible);
    // The window's minimum takes in the pane's change before the window is resized to it.
    m_fit->fitNow();
    if (!s.TerminalVisible) {
        // The frames move up under the toolbar and the window loses the pane and its margin.
        resize(width(), s.FormHeight0 - paneHeight - twips(120));
    } else {
        resize(width(), s.FormHeight0);
    }
    s.LayoutReady = true;
}

void frmCorvista::ButtonAdv_Click()
{
    SharedState &s = shared();
    s.AdvancedView = !s.AdvancedView;
    if (s.AdvancedView) {
        frQuick->hide();
        ButtonAdv->setText(QStringLiteral("Tasks"));
        SettingsArea->show();
        for (QFrame *page : NetSet)
            page->setEnabled(true);
        NetSetStack->setCurrentIndex(qMax(0, SettingsTab->currentIndex()));
        SettingsTab->setFocus();
    } else {
        frQuick->show();
        ButtonAdv->setText(QStringLiteral("Advanced"));
        SettingsArea->hide();
        for (QFrame *page : NetSet)
            page->setEnabled(false);
        frQuick->raise();
    }
}

void frmCorvista::SettingsTab_Click()
{
    if (frQuick->isHidden())
        NetSetStack->setCurrentIndex(SettingsTab->currentIndex());
    shared().SelectedTabIndex = qint16(SettingsTab->currentIndex() + 1);
}

void frmCorvista::ButtonRSSI_Click()
{
    const Exchange::LinkOwnership action;
    if (refusedWhileBusy(action))
        return;
    if (!MSComm1->portOpen()) {
        MsgBox(QStringLiteral("Please Toggle COMM Port open first."), Msg::OKOnly, Msg::NoIcon,
               QStringLiteral("User Help"));
        return;
    }
    // The radio streams its reports until the window closes; the window holds the link meanwhile.
    frmRSSI window(*MSComm1, this);
    dialogs().execModal(window);
}

void frmCorvista::ButtonZoneData_Click()
{
    const Exchange::LinkOwnership action;
    if (refusedWhileBusy(action))
        return;
    if (!MSComm1->portOpen()) {
        MsgBox(QStringLiteral("Please Toggle COMM Port open first."), Msg::OKOnly, Msg::NoIcon,
               QStringLiteral("User Help"));
        return;
    }
    frmZoneData window(*MSComm1, this);
    dialogs().execModal(window);
}

void frmCorvista::mnuAbout_Click()
{
    shared().AboutMode = true;
    auto *about = new frmSplash(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->show();
    setEnabled(false);
}

void frmCorvista::imgConnected_Click()
{
    if (!refusedDuringFirmwareTransfer())
        DisconnectRadio();
}

void frmCorvista::imgNotConnected_Click()
{
    ConnectRadio();
}

void frmCorvista::Timer2_Timer()
{
    if (MSComm1->portOpen())
        setStatusText(QStringLiteral("Status: "));
    Timer2->stop();
}

void frmCorvista::tbrToolBar_ButtonClick(const QString &key)
{
    const QString k = key.toLower();
    if (k == QLatin1String("openlogfile"))
        mnuOpenLog_Click();
    else if (k == QLatin1String("closelogfile"))
        mnuCloseLog_Click();
    else if (k == QLatin1String("connect"))
        ConnectRadio();
    else if (k == QLatin1String("disconnect"))
        imgConnected_Click();
    else if (k == QLatin1String("properties"))
        mnuProperties_Click();
    else if (k == QLatin1String("terminal"))
        ToggleTerminal();
    else if (k == QLatin1String("transmittextfile"))
        mnuSendText_Click();
    else if (k == QLatin1String("login"))
        mnuAccessCode_Click();
    else if (k == QLatin1String("logout"))
        LogoutRadio();
}

void frmCorvista::mnuPreferences_Click()
{
    if (refusedWhileBusy())
        return;
    frmPreferences dialog(txtTerm, this);
    dialogs().execModal(dialog);
}

void frmCorvista::mnuProperties_Click()
{
    // The dialog switches the port under whatever talks to the radio.
    const Exchange::LinkOwnership action;
    if (refusedWhileBusy(action))
        return;
    frmProperties dialog(*MSComm1, [this](bool open) {
        mnuOpen->setChecked(open);
        mnuSendText->setEnabled(open);
        toolButtons["TransmitTextFile"]->setEnabled(open);
    }, this);
    // Its question before a switch of the port is the switch's own.
    dialogs().execModal(dialog, action.ticket());
    // A switch that left no port open ends the connection the window still showed.
    if (!MSComm1->portOpen() && toolButtons["Disconnect"]->isEnabled()) {
        StopConnectClock();
        showDisconnectedState();
        DisableRadioActions();
        txtTerm->setText(QStringLiteral("Disconnected"));
        shared().ConnectAborted = true;
    }
    if (shared().PropertiesOK) {
        if (!MSComm1->portOpen())
            ConnectRadio();
        else
            shared().RefreshRequested = true;
        shared().PropertiesOK = false;
    }
}

void frmCorvista::setConnectedImages(bool connected)
{
    imgConnected->setVisible(connected);
    imgNotConnected->setVisible(!connected);
}

// ---------------------------------------------------------------- shut-down

void frmCorvista::Form_QueryUnload()
{
    // The repeater set-up picture window closes with the main window.
    if (frmSimpleRptrSetup::exists())
        frmSimpleRptrSetup::unload();
}

void frmCorvista::mnuFileExit_Click()
{
    close();
}

void frmCorvista::closeEvent(QCloseEvent *event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    // A second close while the shut-down waits for the output, and any close while the radio has
    // no firmware, wait.
    if (m_unloading || refusedDuringFirmwareTransfer()) {
        event->ignore();
        return;
    }
    Form_QueryUnload();
    if (!Form_Unload()) {
        event->ignore();
        return;
    }
    event->accept();
}

void frmCorvista::quitOnSignal()
{
    // Stopped between the erase and the verdict the radio would stay without firmware, and the
    // transfer asks nothing of anyone: it goes on, and the shut-down follows it.
    if (shared().FirmwareTransferRunning) {
        quitAfterFirmwareTransfer = true;
        tellDuringFirmwareTransfer(QStringLiteral("The program closes when the radio firmware upgrade has finished."));
        return;
    }
    askOnShutdownDrain = false;
    close();
    // Not closed (a shut-down already under way goes on): its questions are still the user's.
    if (!m_unloaded)
        askOnShutdownDrain = true;
}

bool frmCorvista::refusedDuringFirmwareTransfer()
{
    if (!shared().FirmwareTransferRunning)
        return false;
    // A box would stand on the transfer's wait and hold the file back until it was answered.
    dialogs().beep();
    tellDuringFirmwareTransfer(QStringLiteral("The radio firmware upgrade is running. Wait until it has finished, "
                                              "or click Cancel in the progress window."));
    return true;
}

void frmCorvista::tellDuringFirmwareTransfer(const QString &note)
{
    setStatusText(QStringLiteral("Status: ") + note);
    // The progress window stands in front of every other window: the note goes under its line.
    frmProgram &progress = frmProgram::instance();
    if (progress.isLoaded()) {
        progress.Label1->setText(progress.Label1->text().section(QLatin1Char('\n'), 0, 0) + QLatin1Char('\n') + note);
        progress.resize(progress.width(), qMax(progress.height(), progress.heightForWidth(progress.width())));
    }
}

void frmCorvista::SayLastWordsOfRadioWindows()
{
    // A keyed transmitter goes on sending after the program has gone.
    if (m_frmSetup && m_frmSetup->isLoaded() && m_frmSetup->DKey->isEnabled())
        m_frmSetup->DKey_Click();
    // The password window's unload ends its echo-off bracket.
    if (m_setPassWindow)
        m_setPassWindow->close();
}

bool frmCorvista::Form_Unload()
{
    SharedState &s = shared();
    m_unloading = true;
    struct Unloading
    {
        bool &flag;
        ~Unloading() { flag = false; }
    } unloading{m_unloading};
    // A running operation ends here: nothing of it goes out after the shut-down's own last words,
    // and nothing a handler does while the shut-down waits for the output.
    const LinkGate::WayOut wayOut;
    try {
        SayLastWordsOfRadioWindows();
        if (s.LogoutOnQuitPref) {
            if (!MSComm1->portOpen())
                MSComm1->setPortOpen(true);
            Exchange::commandLine(*MSComm1, QStringLiteral("PASS NONE"));
        }
        if (MSComm1->portOpen()) {
            for (;;) {
                if (MSComm1->waitUntilSent(10000))
                    break;
                // A shut-down that a signal asked for has no one to answer the box.
                if (!askOnShutdownDrain)
                    break;
                const int answer = MsgBox(QStringLiteral("Data cannot be sent"), Msg::AbortRetryIgnore, Msg::Question,
                                          Dialogs::applicationTitle());
                // Abort keeps the program and its output, which goes out as usual; Ignore gives
                // the output up, so that the close that follows does not wait behind it.
                if (answer == Msg::Abort)
                    return false;
                if (answer == Msg::Ignore) {
                    MSComm1->discardOutput();
                    break;
                }
            }
            MSComm1->setPortOpen(false);
        }
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen) {
            const QString text = QStringLiteral("There was an error communicating with the radio. You may not have "
                                                "logged out completely.");
            // A shut-down that a signal asked for has no one to answer a box.
            if (s.LogoutOnQuitPref && askOnShutdownDrain)
                MsgBox(text, Msg::OKOnly, Msg::Exclamation, QStringLiteral("Error"));
            else if (s.LogoutOnQuitPref)
                dialogs().notice(text, Msg::Exclamation, QStringLiteral("Error"));
            m_unloaded = true;
            Dialogs::withdrawAll();
            Timer1->stop();
            if (quitOnUnload)
                QCoreApplication::quit();
            return true;
        }
    }
    if (s.LogFileNum != 0)
        mnuCloseLog_Click();
    m_unloaded = true;
    // A question that waited for an operation has no window left to ask for.
    Dialogs::withdrawAll();
    Timer1->stop();
    Timer2->stop();
    tmrPortTO->stop();
    if (quitOnUnload)
        QCoreApplication::quit();
    return true;
}

// ---------------------------------------------------------------- shared helpers

QString frmCorvista::commErrorText()
{
    return QStringLiteral("There was an error communicating with the radio. Please reconnect and try again");
}

bool frmCorvista::refusedWhileBusy(const Exchange::LinkOwnership &action)
{
    if (action.granted())
        return false;
    tellBusy();
    return true;
}

bool frmCorvista::refusedWhileBusy()
{
    if (!LinkGate::busy())
        return false;
    tellBusy();
    return true;
}

void frmCorvista::tellBusy()
{
    dialogs().beep();
    setStatusText(QStringLiteral("Status: Busy. Please wait until the radio operation has ended."));
}

void frmCorvista::showCommErrorBox()
{
    // Not twice on screen, not again for a lost device that was reported, and not for an
    // operation that the user's Disconnect or Exit ended.
    if (DeviceLoss::boxShowing() || DeviceLoss::reported() || LinkGate::operationEnded())
        return;
    DeviceLoss::showBox();
}

Exchange::PortTimeout frmCorvista::portTimeout()
{
    return {[this](const std::function<bool()> &answered) { StartPortTimeout(answered); },
            [this] { StopPortTimeout(); }, [] { return shared().PortTimedOut; }};
}
