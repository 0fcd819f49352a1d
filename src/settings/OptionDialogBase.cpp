#include "settings/OptionDialogBase.h"

#include "app/frmCorvista.h"
#include "link/Exchange.h"
#include "platform/Clock.h"
#include "platform/CommControl.h"

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
