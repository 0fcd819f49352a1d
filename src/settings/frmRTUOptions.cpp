#include "settings/frmRTUOptions.h"

#include "common/Module1.h"
#include "platform/Dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
constexpr int LowestId = 0;
constexpr int HighestId = 80;
// The id stands after the reply label "RTU" and its blank, in at most two characters.
constexpr int IdStart = 4;
constexpr int IdWidth = 2;
} // namespace

frmRTUOptions::frmRTUOptions(CommControl &port, const QString &SoftRTUText, QWidget *parent)
    : OptionDialogBase(port, parent)
{
    setObjectName(QStringLiteral("frmRTUOptions"));
    setWindowTitle(QStringLiteral("Software RTU Options"));

    InfoLabel = new QLabel(this);
    makeOnOffOptions(OnOption, QStringLiteral("Software RTU"));
    Label = new QLabel(QStringLiteral("Enter the RTU ID (0 - 80):"), this);
    RTUID = new QLineEdit(this);
    RTUID->setFixedWidth(RTUID->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    Label->setBuddy(RTUID);

    QHBoxLayout *buttons = makeProgramButtons(OKButton, CancelButton);
    connect(OKButton, &QPushButton::clicked, this, &frmRTUOptions::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmRTUOptions::CancelButton_Click);

    auto *idRow = new QHBoxLayout;
    idRow->addWidget(Label);
    idRow->addWidget(RTUID);
    idRow->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(InfoLabel);
    layout->addWidget(OnOption[0]);
    layout->addWidget(OnOption[1]);
    layout->addLayout(idRow);
    layout->addLayout(buttons);

    Form_Load(SoftRTUText);
}

void frmRTUOptions::Form_Load(const QString &SoftRTUText)
{
    InfoLabel->setText(QStringLiteral("Select if software RTU should be enabled,\n"
                                      "and what RTU id should be used."));
    Label->setVisible(true);
    RTUID->setVisible(true);
    selectOnOff(OnOption, SoftRTUText);
    QString id = SoftRTUText.mid(IdStart, IdWidth);
    // A one-digit id is followed by the blank before "(ON)".
    if (id.contains(QLatin1Char(' ')))
        id = SoftRTUText.mid(IdStart, 1);
    RTUID->setText(id);
}

bool frmRTUOptions::RTUIDAccepted(const QString &typed)
{
    // The id goes to the radio as typed: a line end in it would start a command of its own.
    if (HoldsControlCharacter(typed))
        return false;
    bool ok = false;
    const double value = QLocale::c().toDouble(typed.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return false;
    // The default rounding mode takes a half to the even neighbour: 80.5 counts as 80.
    const double whole = std::nearbyint(value);
    return whole >= LowestId && whole <= HighestId;
}

void frmRTUOptions::OKButton_Click()
{
    sendOnOff(QStringLiteral("rtu"), OnOption);
    pauseBetweenCommands();
    const QString typed = RTUID->text();
    if (RTUIDAccepted(typed))
        sendOptionCommand(m_port, QStringLiteral("rtu ") + typed);
    else
        MsgBox(QStringLiteral("The RTU ID must be a number between 0 and 80, inclusive."), Msg::OKOnly,
               Msg::Information, QStringLiteral("Error"));
    // The on/off choice has gone to the radio either way.
    accept();
}

void frmRTUOptions::CancelButton_Click()
{
    reject();
}
