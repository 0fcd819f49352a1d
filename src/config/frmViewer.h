// A read-only window showing a text file's lines, such as a preset's.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class frmViewer : public QDialog
{
    Q_OBJECT
public:
    explicit frmViewer(QWidget *parent = nullptr);

    QPlainTextEdit *txtViewer = nullptr;
    QPushButton *cmdClose = nullptr;

    // The text with its CR LF line ends, as the window was given it.
    QString text() const { return m_text; }
    // Shows the whole text at once: the box lays a text out again each time it is given one, so
    // line by line a long file would take minutes.
    void setText(const QString &text);

    void cmdClose_Click();

private:
    QString m_text;
};
