#include "config/frmViewer.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmViewer::frmViewer(QWidget *parent) : QDialog(parent)
{
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    txtViewer = new QPlainTextEdit(this);
    txtViewer->setReadOnly(true);
    txtViewer->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtViewer->setFont(QFont(QStringLiteral("Tahoma"), 9));
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    layout->addWidget(txtViewer, 1);
    layout->addWidget(cmdClose, 0, Qt::AlignHCenter);
    resize(520, 560);
    connect(cmdClose, &QPushButton::clicked, this, &frmViewer::cmdClose_Click);
}

void frmViewer::setText(const QString &text)
{
    m_text = text;
    // The edit box breaks lines at LF alone; a CR would show as a glyph of its own.
    QString shown = m_text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.endsWith(QLatin1Char('\n')))
        shown.chop(1);
    txtViewer->setPlainText(shown);
}

void frmViewer::cmdClose_Click()
{
    accept();
}
