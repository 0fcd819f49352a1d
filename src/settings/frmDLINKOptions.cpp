#include "settings/frmDLINKOptions.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

const char *const frmDLINKOptions::Rates[RateCount] = {"1200",  "2400",  "4800",  "9600",
                                                       "19200", "38400", "57600", "115200"};

frmDLINKOptions::frmDLINKOptions(CommControl &port, const QString &DLINKText, QWidget *parent)
    : OptionDialogBase(port, parent)
{
    setObjectName(QStringLiteral("frmDLINKOptions"));
    setWindowTitle(QStringLiteral("Diagnostic Link Options"));

    InfoLabel = new QLabel(this);
    makeOnOffOptions(OnOption, QStringLiteral("Diagnostic Link"));

    BaudFrame = new QGroupBox(QStringLiteral("Baud Rate"), this);
    auto *rateGrid = new QGridLayout(BaudFrame);
    auto *rateGroup = new QButtonGroup(this);
    for (int i = 0; i < RateCount; ++i) {
        BaudRate[i] = new QRadioButton(QString::fromLatin1(Rates[i]), BaudFrame);
        rateGroup->addButton(BaudRate[i]);
        rateGrid->addWidget(BaudRate[i], i % 4, i / 4);
    }

    QHBoxLayout *buttons = makeProgramButtons(OKButton, CancelButton);
    connect(OKButton, &QPushButton::clicked, this, &frmDLINKOptions::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmDLINKOptions::CancelButton_Click);

    auto *options = new QVBoxLayout;
    options->addWidget(OnOption[0]);
    options->addWidget(OnOption[1]);
    options->addStretch();
    auto *middle = new QHBoxLayout;
    middle->addLayout(options);
    middle->addWidget(BaudFrame);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(InfoLabel);
    layout->addLayout(middle);
    layout->addLayout(buttons);

    Form_Load(DLINKText);
}

void frmDLINKOptions::Form_Load(const QString &DLINKText)
{
    InfoLabel->setText(QStringLiteral("Select the baud rate for the diagnostic link,\n"
                                      "and select if the diagnostic link should be enabled."));
    selectOnOff(OnOption, DLINKText);
    for (int i = 0; i < RateCount; ++i) {
        if (DLINKText.contains(QLatin1String(Rates[i]))) {
            BaudRate[i]->setChecked(true);
            break;
        }
    }
}

void frmDLINKOptions::OKButton_Click()
{
    sendOnOff(QStringLiteral("dlink"), OnOption);
    pauseBetweenCommands();
    for (int i = 0; i < RateCount; ++i) {
        if (BaudRate[i]->isChecked()) {
            sendOptionCommand(m_port, QStringLiteral("dlink ") + QLatin1String(Rates[i]));
            break;
        }
    }
    accept();
}

void frmDLINKOptions::CancelButton_Click()
{
    reject();
}
