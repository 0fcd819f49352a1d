// A label that reports a click (the connection images, captions that act when clicked). Tab
// reaches it, and Enter or Space acts on it as a click does.
#pragma once

#include <QLabel>
#include <QList>

class QKeyEvent;

// Whether the key acts on the focused control as a click does: Enter (the keypad's too) or Space,
// or one of the control's own keys (F2 to edit, F1 for help), each without modifiers.
bool isClickKey(const QKeyEvent &key, const QList<int> &ownKeys = {});

class ClickableLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget *parent = nullptr);
    explicit ClickableLabel(const QString &text, QWidget *parent = nullptr);

    // One more key that acts as a click, beside Enter and Space.
    void addClickKey(int key) { m_ownKeys << key; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QList<int> m_ownKeys;
};
