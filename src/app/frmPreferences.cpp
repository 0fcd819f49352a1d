#include "app/frmPreferences.h"

#include "app/TerminalColours.h"
#include "app/TerminalLook.h"
#include "common/SharedState.h"
#include "config/ConfigFiles.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A greyed box counts as ticked: only a clear box means no.
bool ticked(const QCheckBox *box)
{
    return box->checkState() != Qt::Unchecked;
}

void selectColour(QComboBox *list, const QColor &colour)
{
    const int row = TerminalColours::rowOf(TerminalColours::fromQColor(colour));
    if (row >= 0)
        list->setCurrentIndex(row);
}

quint32 selectedColour(const QComboBox *list)
{
    return TerminalColours::table().value(list->currentIndex(), TerminalColours::table().first()).value;
}

} // namespace

void savePreference(const QString &key, const QString &value, QString &failure)
{
    QString error;
    if (!SaveSetting(Dialogs::applicationTitle(), QStringLiteral("Preferences"), key, value, &error)
        && failure.isEmpty())
        failure = error;
}

void showPreferenceFailure(const QString &failure)
{
    if (!failure.isEmpty())
        ConfigFiles::showWriteFailure(SettingsStore::fileName(Dialogs::applicationTitle()), failure);
}

frmPreferences::frmPreferences(QPlainTextEdit *txtTerm, QWidget *parent)
    : QDialog(parent), m_txtTerm(txtTerm)
{
    setObjectName(QStringLiteral("frmPreferences"));
    setWindowTitle(QStringLiteral("Preferences"));
    setModal(true);

    TextColorList = new QComboBox(this);
    TextColorList->setObjectName(QStringLiteral("TextColorList"));
    BackgroundColorList = new QComboBox(this);
    BackgroundColorList->setObjectName(QStringLiteral("BackgroundColorList"));
    BoldCheck = new QCheckBox(QStringLiteral("Use Bold Text"), this);
    BoldCheck->setObjectName(QStringLiteral("BoldCheck"));
    ConnectOnLaunchCheck = new QCheckBox(QStringLiteral("Connect On Application Launch"), this);
    ConnectOnLaunchCheck->setObjectName(QStringLiteral("ConnectOnLaunchCheck"));
    KeepAliveCheck = new QCheckBox(QStringLiteral("Keep Radio Connection Alive"), this);
    KeepAliveCheck->setObjectName(QStringLiteral("KeepAliveCheck"));
    KeepAliveCheck->setToolTip(QStringLiteral("If this is checked, the software will periodically send a carriage "
                                              "return to the radio, keeping the connection active."));
    LogoutCheck = new QCheckBox(QStringLiteral("Logout User On Program Exit"), this);
    LogoutCheck->setObjectName(QStringLiteral("LogoutCheck"));
    LogoutCheck->setToolTip(QStringLiteral("If this is checked, the application will logout the user on exiting."));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *colours = new QFormLayout;
    colours->addRow(new QLabel(QStringLiteral("Text Color"), this), TextColorList);
    colours->addRow(new QLabel(QStringLiteral("Text Background Color"), this), BackgroundColorList);
    colours->addRow(QString(), BoldCheck);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(OKButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(CancelButton, QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(colours);
    layout->addSpacing(8);
    layout->addWidget(ConnectOnLaunchCheck);
    layout->addWidget(KeepAliveCheck);
    layout->addWidget(LogoutCheck);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OKButton, &QPushButton::clicked, this, &frmPreferences::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmPreferences::CancelButton_Click);

    Form_Load();
}

void frmPreferences::Form_Load()
{
    for (QComboBox *list : {TextColorList, BackgroundColorList}) {
        list->clear();
        for (const TerminalColours::Entry &e : TerminalColours::table())
            list->addItem(e.name);
        list->setCurrentIndex(0);
    }
    const TerminalLook look = m_txtTerm ? TerminalLook::of(*m_txtTerm) : TerminalLook::defaults();
    selectColour(TextColorList, look.text);
    selectColour(BackgroundColorList, look.back);

    ConnectOnLaunchCheck->setChecked(shared().ConnectOnLaunchPref);
    KeepAliveCheck->setChecked(shared().KeepAlivePref);
    LogoutCheck->setChecked(shared().LogoutOnQuitPref);
    BoldCheck->setChecked(look.bold);
}

void frmPreferences::OKButton_Click()
{
    SharedState &s = shared();
    QString failure;
    s.ConnectOnLaunchPref = ticked(ConnectOnLaunchCheck);
    savePreference(QStringLiteral("ConnectOnLaunch"), storedBoolText(s.ConnectOnLaunchPref), failure);
    s.KeepAlivePref = ticked(KeepAliveCheck);
    savePreference(QStringLiteral("KeepAlive"), storedBoolText(s.KeepAlivePref), failure);
    s.LogoutOnQuitPref = ticked(LogoutCheck);
    savePreference(QStringLiteral("LogoutOnQuit"), storedBoolText(s.LogoutOnQuitPref), failure);

    const bool bold = ticked(BoldCheck);
    if (m_txtTerm)
        setTerminalBold(*m_txtTerm, bold);
    savePreference(QStringLiteral("BoldText"), storedBoolText(bold), failure);

    const quint32 text = selectedColour(TextColorList);
    if (m_txtTerm)
        setTerminalTextColour(*m_txtTerm, TerminalColours::toQColor(text));
    savePreference(QStringLiteral("TextColor"), TerminalColours::toStoredText(text), failure);

    const quint32 back = selectedColour(BackgroundColorList);
    if (m_txtTerm)
        setTerminalBackColour(*m_txtTerm, TerminalColours::toQColor(back));
    savePreference(QStringLiteral("BackColor"), TerminalColours::toStoredText(back), failure);

    showPreferenceFailure(failure);
    accept();
}

void frmPreferences::CancelButton_Click()
{
    reject();
}
