// "Store-and-Forward Repeater Setup": a picture of a network whose remotes reach the master
// through a store-and-forward repeater, with the settings each role gets. It does nothing else.
#pragma once

#include <QDialog>

class frmSimpleRptrSetup : public QDialog
{
    Q_OBJECT
public:
    explicit frmSimpleRptrSetup(QWidget *parent = nullptr);

    // The one window: made, owned by owner, at its first use and kept until it is unloaded.
    static frmSimpleRptrSetup *load(QWidget *owner);
    static bool exists();
    static void unload();

    // Shows it modally even when it stands open modeless already.
    void showModal();

    QWidget *picture = nullptr;
};
