#include "config/frmSimpleXMAP.h"

#include "app/frmCorvista.h"
#include "config/frmSimpleRptrSetup.h"
#include "link/Exchange.h"
#include "platform/Clock.h"
#include "platform/CommControl.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcSimpleXmap, "wavecrest.config.xmap", QtWarningMsg)

namespace {
constexpr int BoxesPerRow = 8;
// 120 twips between the picture window and this dialog.
constexpr int PictureGap = 8;
} // namespace

frmSimpleXMAP::frmSimpleXMAP(CommControl &port, QWidget *parent) : QDialog(parent), m_port(port)
{
    setObjectName(QStringLiteral("frmSimpleXMAP"));
    setWindowTitle(QStringLiteral("XMAP Setting"));
    setModal(true);

    lblMain = new QLabel(this);
    lblMain->setWordWrap(true);
    QFont bold = lblMain->font();
    bold.setBold(true);
    lblMain->setFont(bold);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    for (int n = 0; n < ExtensionMap::AddressCount; ++n) {
        chkXADDR[n] = new QCheckBox(QString::number(n), this);
        grid->addWidget(chkXADDR[n], n / BoxesPerRow, n % BoxesPerRow);
        connect(chkXADDR[n], &QCheckBox::stateChanged, this, [this, n] { chkXADDR_Click(n); });
    }

    lblMaster = new QLabel(QStringLiteral("(Check '0' if you want this remote to try to connect to the master radio in "
                                          "case the repeater fails.)"),
                           this);
    lblMaster->setWordWrap(true);
    lblXMap = new QLabel(QStringLiteral("Calculated XMAP Here"), this);

    cmdSet = new QPushButton(QStringLiteral("Set"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdHelp = new QPushButton(QStringLiteral("Help"), this);
    for (QPushButton *b : {cmdSet, cmdCancel, cmdHelp})
        b->setAutoDefault(false);
    connect(cmdSet, &QPushButton::clicked, this, &frmSimpleXMAP::cmdSet_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSimpleXMAP::cmdCancel_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmSimpleXMAP::cmdHelp_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdHelp);
    buttons->addStretch();
    buttons->addWidget(cmdSet);
    buttons->addWidget(cmdCancel);
    // Tab takes the buttons as they stand in their row.
    setTabOrder(cmdHelp, cmdSet);
    setTabOrder(cmdSet, cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblMain);
    layout->addLayout(grid);
    layout->addWidget(lblMaster);
    layout->addWidget(lblXMap);
    layout->addLayout(buttons);
    setMinimumWidth(520);

    Form_Load();
}

void frmSimpleXMAP::Form_Load()
{
    ShowXmapStep();
    chkXADDR_Click(0);
}

void frmSimpleXMAP::ShowXmapStep()
{
    XpriStep = false;
    lblMain->setText(QStringLiteral("Select the XADDR's that this remote will be allowed to associate with."));
    for (QCheckBox *box : chkXADDR)
        box->setEnabled(true);
}

void frmSimpleXMAP::chkXADDR_Click(int index)
{
    if (InClick)
        return;
    InClick = true;
    SelectedXaddr = index;
    if (XpriStep) {
        // One choice only; a click on the ticked box leaves it ticked.
        for (int n = 0; n < ExtensionMap::AddressCount; ++n)
            chkXADDR[n]->setChecked(n == index);
    } else {
        for (int n = 0; n < ExtensionMap::AddressCount; ++n)
            XmapBits[n] = chkXADDR[n]->checkState() != Qt::Unchecked;
        lblXMap->setText(QStringLiteral("Current XMAP selection: ") + ExtensionMap::radioForm(XmapBits));
    }
    InClick = false;
}

void frmSimpleXMAP::ShowXpriStep()
{
    InClick = true;
    XpriStep = true;
    setWindowTitle(QStringLiteral("XPRI Setting"));
    lblMain->setText(
        QStringLiteral("Select the AP/REPEATER from the XMAP that you want this remote to associate with first."));
    lblMaster->hide();
    for (QCheckBox *box : chkXADDR) {
        if (box->checkState() == Qt::Unchecked)
            box->setEnabled(false);
        else
            box->setChecked(false);
    }
    chkXADDR[1]->setChecked(true);
    InClick = false;
}

void frmSimpleXMAP::cmdSet_Click()
{
    // The pauses hold clicks back and the pump lets them through: a second click on Set must not
    // run the next step before this one has shown it.
    cmdSet->setEnabled(false);
    try {
        if (XpriStep)
            setXpri();
        else
            setXmap();
    } catch (const CommError &e) {
        qCInfo(lcSimpleXmap) << "set:" << e.text();
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            frmCorvista::showCommErrorBox();
    }
    cmdSet->setEnabled(true);
}

void frmSimpleXMAP::setXmap()
{
    m_port.input();
    Exchange::unawaitedCommand(m_port, QStringLiteral("XMAP ") + ExtensionMap::radioForm(XmapBits), 500, true);
    Clock::sleepMs(250);
    XpriStep = true;
    Clock::doEvents();
    ShowXpriStep();
    Clock::sleepMs(500);
}

void frmSimpleXMAP::setXpri()
{
    m_port.input();
    for (int n = 0; n < ExtensionMap::AddressCount; ++n) {
        if (chkXADDR[n]->isChecked()) {
            SelectedXaddr = n;
            break;
        }
    }
    Exchange::unawaitedCommand(m_port, QStringLiteral("XPRI ") + QString::number(SelectedXaddr), 500, true);
    m_port.input();
    accept();
}

void frmSimpleXMAP::cmdCancel_Click()
{
    reject();
}

void frmSimpleXMAP::cmdHelp_Click()
{
    frmSimpleRptrSetup *picture = frmSimpleRptrSetup::load(parentWidget());
    picture->move(x() - picture->frameGeometry().width() - PictureGap, picture->y());
    picture->showModal();
}
