#include "settings/OptionDialogBase.h"

#include "app/frmCorvista.h"
#include "link/Exchange.h"
#include "platform/Clock.h"
#include "platform/CommControl.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>

namespace {
constexpr int CommandPauseMs = 100;
}

void sendOptionCommand(CommControl &port, const QString &text)
{
    if (!port.portOpen())
        return;
    try {
        Exchange::commandLine(port, text);
    } catch (const CommError &) {
        frmCorvista::showCommErrorBox();
    }
}

OptionDialogBase::OptionDialogBase(CommControl &port, QWidget *parent) : QDialog(parent), m_port(port)
{
    setModal(true);
}

void OptionDialogBase::done(int result)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
    }
    QDialog::done(result);
}

void OptionDialogBase::Form_Unload()
{
    sendOptionCommand(m_port, QString());
}

void OptionDialogBase::pauseBetweenCommands()
{
    Clock::sleepMs(CommandPauseMs);
}

void OptionDialogBase::makeOnOffOptions(QRadioButton *(&OnOption)[2], const QString &setting)
{
    OnOption[0] = new QRadioButton(setting + QStringLiteral(" Enabled"), this);
    OnOption[1] = new QRadioButton(setting + QStringLiteral(" Disabled"), this);
    auto *group = new QButtonGroup(this);
    group->addButton(OnOption[0]);
    group->addButton(OnOption[1]);
}

void OptionDialogBase::selectOnOff(QRadioButton *const (&OnOption)[2], const QString &boxText)
{
    // The dialogs compare exactly: "on" is not "ON".
    OnOption[boxText.contains(QStringLiteral("ON")) ? 0 : 1]->setChecked(true);
}

void OptionDialogBase::sendOnOff(const QString &keyword, QRadioButton *const (&OnOption)[2])
{
    sendOptionCommand(m_port, keyword + (OnOption[0]->isChecked() ? QStringLiteral(" on") : QStringLiteral(" off")));
}

QHBoxLayout *OptionDialogBase::makeProgramButtons(QPushButton *&OKButton, QPushButton *&CancelButton)
{
    OKButton = new QPushButton(QStringLiteral("Program Settings"), this);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    OKButton->setDefault(true);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(OKButton);
    row->addWidget(CancelButton);
    return row;
}
