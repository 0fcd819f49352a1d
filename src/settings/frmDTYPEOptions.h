// "Diagnostic Type Options": makes the radio a diagnostic node or the network's root.
#pragma once

#include "settings/OptionDialogBase.h"

class QLabel;
class QPushButton;

class frmDTYPEOptions : public OptionDialogBase
{
    Q_OBJECT
public:
    explicit frmDTYPEOptions(CommControl &port, QWidget *parent = nullptr);

    QPushButton *NodeButton = nullptr;
    QPushButton *RootButton = nullptr;
    QPushButton *CancelButton = nullptr;
    QLabel *InfoLabel = nullptr;

public slots:
    void Form_Load();
    void NodeButton_Click();
    void RootButton_Click();
    void CancelButton_Click();
};
