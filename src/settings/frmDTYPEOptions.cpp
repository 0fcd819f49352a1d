#include "settings/frmDTYPEOptions.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmDTYPEOptions::frmDTYPEOptions(CommControl &port, QWidget *parent) : OptionDialogBase(port, parent)
{
    setObjectName(QStringLiteral("frmDTYPEOptions"));
    setWindowTitle(QStringLiteral("Diagnostic Type Options"));

    InfoLabel = new QLabel(QStringLiteral("Select the diagnostic type"), this);
    NodeButton = new QPushButton(QStringLiteral("Node"), this);
    RootButton = new QPushButton(QStringLiteral("Root"), this);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    for (QPushButton *choice : {NodeButton, RootButton}) {
        QFont bold = choice->font();
        bold.setBold(true);
        choice->setFont(bold);
        choice->setAutoDefault(false);
    }
    connect(NodeButton, &QPushButton::clicked, this, &frmDTYPEOptions::NodeButton_Click);
    connect(RootButton, &QPushButton::clicked, this, &frmDTYPEOptions::RootButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmDTYPEOptions::CancelButton_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(NodeButton);
    buttons->addWidget(RootButton);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(InfoLabel);
    layout->addLayout(buttons);

    Form_Load();
}

void frmDTYPEOptions::Form_Load()
{
    // No preselection: the two buttons are the choice.
    NodeButton->setVisible(true);
    RootButton->setVisible(true);
}

void frmDTYPEOptions::NodeButton_Click()
{
    sendOptionCommand(m_port, QStringLiteral("dtype") + QStringLiteral(" node"));
    accept();
}

void frmDTYPEOptions::RootButton_Click()
{
    sendOptionCommand(m_port, QStringLiteral("dtype") + QStringLiteral(" root"));
    accept();
}

void frmDTYPEOptions::CancelButton_Click()
{
    reject();
}
