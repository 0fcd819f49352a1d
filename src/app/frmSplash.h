// The splash window shown at start-up and, later, as the About window (shared().AboutMode).
// It deletes itself when it unloads; create it with new.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QFrame>

class QLabel;
class QProgressBar;

class frmSplash : public QFrame
{
    Q_OBJECT
public:
    // mainWindow (may be null) is shown and enabled when this window unloads. Form_Load runs
    // here, so set shared().AboutMode before constructing the About window.
    explicit frmSplash(QWidget *mainWindow);

    QProgressBar *pBar1 = nullptr;
    QLabel *lblProductName = nullptr;
    QLabel *lblCompanyProduct = nullptr;
    QLabel *lblPlatform = nullptr;
    QLabel *Date = nullptr;
    QLabel *lblKarvel = nullptr;
    QLabel *lblCorporation = nullptr;
    QLabel *lblCompany = nullptr;
    QLabel *lblURL = nullptr;
    QFrame *Shape1 = nullptr;
    QTimer Timer1;

    int TickCount = 0;
    int TickLimit = 0;

    static QString webAddress();

public slots:
    void Form_Load();
    void Timer1_Timer();
    void Date_Click();
    void lblCompany_Click();
    void lblCompanyProduct_Click();
    void lblCorporation_Click();
    void lblKarvel_Click();
    void lblPlatform_Click();
    void lblProductName_Click();
    void lblURL_Click();
    void Form_Unload();

protected:
    void keyPressEvent(QKeyEvent *event) override;   // Form_KeyPress
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void unload();

    QPointer<QWidget> m_mainWindow;
    bool m_unloaded = false;
};
