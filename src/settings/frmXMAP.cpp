#include "settings/frmXMAP.h"

#include "common/SharedState.h"
#include "settings/OptionDialogBase.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int BoxesPerRow = 4;
}

frmXMAP::frmXMAP(CommControl &port, QWidget *parent) : QDialog(parent), m_port(port)
{
    setObjectName(QStringLiteral("frmXMAP"));
    setWindowTitle(QStringLiteral("XMAP Configuration"));
    setModal(true);

    Label1 = new QLabel(
        QStringLiteral("Choose the extension addresses that the remote will be allowed to communicate with:"), this);
    Label1->setWordWrap(true);

    auto *grid = new QGridLayout;
    for (int n = 0; n < ExtensionMap::AddressCount; ++n) {
        Check1[n] = new QCheckBox(QString::number(n), this);
        grid->addWidget(Check1[n], n / BoxesPerRow, n % BoxesPerRow);
    }

    CurrentButton = new QPushButton(QStringLiteral("Current"), this);
    CheckAllButton = new QPushButton(QStringLiteral("Check All"), this);
    UnCheckAllButton = new QPushButton(QStringLiteral("Uncheck All"), this);
    ProgramButton = new QPushButton(QStringLiteral("Program Settings"), this);
    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    for (QPushButton *button : {CurrentButton, CheckAllButton, UnCheckAllButton, ProgramButton, CloseButton})
        button->setAutoDefault(false);
    connect(CurrentButton, &QPushButton::clicked, this, &frmXMAP::CurrentButton_Click);
    connect(CheckAllButton, &QPushButton::clicked, this, &frmXMAP::CheckAllButton_Click);
    connect(UnCheckAllButton, &QPushButton::clicked, this, &frmXMAP::UnCheckAllButton_Click);
    connect(ProgramButton, &QPushButton::clicked, this, &frmXMAP::ProgramButton_Click);
    connect(CloseButton, &QPushButton::clicked, this, &frmXMAP::CloseButton_Click);

    auto *selection = new QVBoxLayout;
    selection->addWidget(CurrentButton);
    selection->addWidget(CheckAllButton);
    selection->addWidget(UnCheckAllButton);
    selection->addStretch();
    auto *middle = new QHBoxLayout;
    middle->addLayout(grid);
    middle->addSpacing(16);
    middle->addLayout(selection);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ProgramButton);
    buttons->addWidget(CloseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(middle);
    layout->addLayout(buttons);
}

ExtensionMap::Ticks frmXMAP::ticks() const
{
    ExtensionMap::Ticks ticks{};
    for (int n = 0; n < ExtensionMap::AddressCount; ++n)
        ticks[n] = Check1[n]->isChecked();
    return ticks;
}

void frmXMAP::setTicks(const ExtensionMap::Ticks &ticks)
{
    for (int n = 0; n < ExtensionMap::AddressCount; ++n)
        Check1[n]->setChecked(ticks[n]);
}

void frmXMAP::CurrentButton_Click()
{
    setTicks(ExtensionMap::applyRadioForm(shared().CurrentXmap, ticks()));
}

void frmXMAP::CheckAllButton_Click()
{
    ExtensionMap::Ticks all;
    all.fill(true);
    setTicks(all);
}

void frmXMAP::UnCheckAllButton_Click()
{
    setTicks(ExtensionMap::Ticks{});
}

void frmXMAP::ProgramButton_Click()
{
    const QString map = ExtensionMap::radioForm(ticks());
    // Not awaited: the radio's answer is not judged.
    sendOptionCommand(m_port, QStringLiteral("xmap ") + map);
    shared().RefreshRequested = true;
    accept();
}

void frmXMAP::CloseButton_Click()
{
    reject();
}
