#include "app/frmProperties.h"

#include "common/SharedState.h"
#include "config/ConfigFiles.h"
#include "platform/CommControl.h"
#include "platform/Dialogs.h"
#include "platform/PortMap.h"
#include "platform/SettingsStore.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcProperties, "wavecrest.app", QtWarningMsg)

namespace {
constexpr int PortCount = 16;
}

frmProperties::frmProperties(CommControl &comm, std::function<void(bool)> showPortState, QWidget *parent)
    : QDialog(parent), MSComm1(comm), m_showPortState(std::move(showPortState))
{
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("Setup"));
    setModal(true);

    SelectPort = new QLabel(QStringLiteral("Please select the Com Port you would like to use for diagnostic "
                                           "communication with the Wavecrest radio:"), this);
    SelectPort->setObjectName(QStringLiteral("SelectPort"));
    SelectPort->setWordWrap(true);
    lblPort = new QLabel(QStringLiteral("Port:"), this);
    cboPort = new QComboBox(this);
    cboPort->setObjectName(QStringLiteral("cboPort"));
    lblPort->setBuddy(cboPort);
    lblDevice = new QLabel(this);
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    lblDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto *portRow = new QHBoxLayout;
    portRow->addWidget(lblPort);
    portRow->addWidget(cboPort);
    portRow->addSpacing(8);
    portRow->addWidget(lblDevice, 1);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(SelectPort);
    layout->addSpacing(6);
    layout->addLayout(portRow);
    layout->addSpacing(10);
    layout->addWidget(buttons);
    setMinimumWidth(420);

    connect(cmdOK, &QPushButton::clicked, this, &frmProperties::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmProperties::cmdCancel_Click);
    connect(cboPort, &QComboBox::currentIndexChanged, this, &frmProperties::showDevice);

    Form_Load();
}

void frmProperties::Form_Load()
{
    adjustSize();
    if (const QScreen *s = screen()) {
        QRect r = frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
    LoadPropertySettings();
}

void frmProperties::LoadPropertySettings()
{
    cboPort->clear();
    for (int n = 1; n <= PortCount; ++n)
        cboPort->addItem(QStringLiteral("Com%1").arg(n));
    cboPort->setCurrentIndex(MSComm1.commPort() - 1);
    showDevice();
}

void frmProperties::showDevice()
{
    const int port = cboPort->currentIndex() + 1;
    const QString device = port >= 1 ? PortMap::deviceFor(port) : QString();
    lblDevice->setText(device.isEmpty() ? QStringLiteral("Device: not present") : QStringLiteral("Device: ") + device);
}

void frmProperties::cmdOK_Click()
{
    const int oldPort = MSComm1.commPort();
    const int newPort = cboPort->currentIndex() + 1;
    bool wasOpen = false;

    if (newPort != oldPort) {
        QString failure;
        try {
            if (MSComm1.portOpen()) {
                const int answer = MsgBox(
                    QStringLiteral("Warning: The COM port is already open. Changing the COM port will close the "
                                   "current session,\npossibly interupting a connection with a radio.\n\n"
                                   "Do you wish to continue and switch COM ports?"),
                    Msg::YesNo, Msg::Exclamation, QStringLiteral("Warning"));
                if (answer != Msg::Yes) {
                    reject();
                    return;
                }
                // A plain close: the radio gets no "CLOS" and the new port no handshake.
                MSComm1.setPortOpen(false);
                wasOpen = true;
            }
            MSComm1.setCommPort(newPort);
            if (wasOpen) {
                MSComm1.setPortOpen(true);
                if (m_showPortState)
                    m_showPortState(MSComm1.portOpen());
            }
        } catch (const CommError &e) {
            failure = e.text();
        } catch (const std::exception &e) {
            failure = QString::fromStdString(e.what());
        }
        if (!failure.isNull()) {
            qCInfo(lcProperties) << "port switch" << oldPort << "->" << newPort << "failed:" << failure;
            MsgBox(failure, Msg::OKOnly, Msg::Exclamation);
            try {
                MSComm1.setCommPort(oldPort);
            } catch (const std::exception &) {
                // The port stays on whichever number it has; nothing is saved either way.
            }
            // The port closed for the switch stays closed; the menus must not go on saying it is open.
            if (wasOpen && m_showPortState)
                m_showPortState(MSComm1.portOpen());
            return;
        }
    }

    QString error;
    if (!SaveSetting(Dialogs::applicationTitle(), QStringLiteral("Properties"), QStringLiteral("CommPort"),
                     QString::number(MSComm1.commPort()), &error))
        ConfigFiles::showWriteFailure(SettingsStore::fileName(Dialogs::applicationTitle()), error);
    shared().PropertiesOK = true;
    accept();
}

void frmProperties::cmdCancel_Click()
{
    shared().PropertiesOK = false;
    reject();
}
