// The widgets of the settings pages, made from the catalogue: a label and a read-only value box
// per setting on the "GENERAL" frame and the six NetSet pages, and the two layouts the read-out
// applies to them (by firmware revision and by radio mode).
#pragma once

#include "app/ClickableLabel.h"
#include "settings/RadioSettingCatalogue.h"

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QString>

class QFrame;
class QGroupBox;

// A setting's value: read-only text the user clicks to edit the setting. A box set to more than
// one line shows each line of its text (the radio's reply keeps its CR LF in text()).
class ValueBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit ValueBox(QWidget *parent = nullptr);

    void setLineCount(int lines);
    int lineCount() const { return m_lineCount; }

    // Outer width and height the box needs to show each of these texts whole.
    int widthFor(const QStringList &texts) const;
    int heightForLines(int lines) const;
    // Whether the text area is wide enough for every line of this text.
    bool showsWhole(const QString &text) const;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    // Enter, Space and F2 on the focused box edit the setting as a click does.
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int m_lineCount = 1;
};

// A setting's name; a click on it asks for the setting's help, and so do Enter and F1 when Tab
// has brought the focus to it.
class SettingLabel : public ClickableLabel
{
    Q_OBJECT
public:
    explicit SettingLabel(const QString &caption, QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

struct SettingsPages
{
    QGroupBox *InfoFrame = nullptr;
    QList<QFrame *> NetSet;

    // By the box's name ("Mode"); nullptr for an unknown name.
    ValueBox *box(const QString &boxName) const;
    // By the label's name ("RmdLabel") or by its box's name ("Mode").
    SettingLabel *label(const QString &name) const;
    // The catalogue row of a box or label name.
    const RadioSetting *row(const QString &name) const;
    // GeneralPage gives InfoFrame, 0-5 the NetSet frame.
    QWidget *pageFrame(int page) const;

    QHash<QString, ValueBox *> boxes;      // by box name
    QHash<QString, SettingLabel *> labels; // by label name
};

// Fills InfoFrame and the six NetSet frames with a label and a value box per catalogue row.
SettingsPages buildSettingsPages(QGroupBox *InfoFrame, const QList<QFrame *> &NetSet);

// Shows and enables, or hides and disables, each revision-gated box together with its label.
void applyVersionLayout(const SettingsPages &pages, const QString &FirmwareRevNumber);

// Sets the Enabled state and pointer of the mode-dependent boxes from the whole text of the
// Mode box (case ignored); labels are never touched.
void applyModeLayout(const SettingsPages &pages, const QString &modeText);

// The top, in twips, that the row's box and label take on their page: rows stand 360 twips
// apart from 360 on, and a hidden row gives up its place to the rows below it.
int rowTopTwips(const SettingsPages &pages, const QString &boxName);
