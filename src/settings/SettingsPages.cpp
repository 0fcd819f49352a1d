#include "settings/SettingsPages.h"

#include <QBoxLayout>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLoggingCategory>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <map>

namespace {

Q_LOGGING_CATEGORY(lcPages, "wavecrest.settings", QtWarningMsg)

// QLineEdit keeps this much room between its frame and its text on each side.
constexpr int LineEditHorizontalMargin = 2;
constexpr int LineEditVerticalMargin = 1;
// Room for the text cursor at the end of the text, so a full box does not scroll by a pixel.
constexpr int CursorRoom = 2;

constexpr int RowPitchTwips = 360;

const QString NotAvailable = QStringLiteral("NOT AVAILABLE");

QStringList linesOf(const QString &text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineBreak);
}

// Every text the box may have to show whole: its longest reply, its design text, and
// "NOT AVAILABLE" where the read-out can put it there.
QStringList textsShownIn(const RadioSetting &row)
{
    QStringList texts{row.longestReply, row.designText};
    if (!row.specialReply.isEmpty() || row.notQueriedAtModeR)
        texts << NotAvailable;
    return texts;
}

} // namespace

// ---------------------------------------------------------------------------------------------

ValueBox::ValueBox(QWidget *parent)
    : QLineEdit(parent)
{
    setReadOnly(true);
    setCursor(Qt::ArrowCursor);
}

void ValueBox::setLineCount(int lines)
{
    m_lineCount = std::max(1, lines);
    update();
}

int ValueBox::widthFor(const QStringList &texts) const
{
    const QFontMetrics fm(font());
    int textWidth = 0;
    for (const QString &text : texts)
        for (const QString &line : linesOf(text))
            textWidth = std::max(textWidth, fm.horizontalAdvance(line));
    const QMargins tm = textMargins();
    const QMargins cm = contentsMargins();
    const int w = textWidth + CursorRoom + 2 * LineEditHorizontalMargin + tm.left() + tm.right()
                  + cm.left() + cm.right();
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    return style()->sizeFromContents(QStyle::CT_LineEdit, &opt, QSize(w, fm.height()), this).width();
}

int ValueBox::heightForLines(int lines) const
{
    const QFontMetrics fm(font());
    const QMargins tm = textMargins();
    const QMargins cm = contentsMargins();
    const int h = fm.height() + (lines - 1) * fm.lineSpacing() + 2 * LineEditVerticalMargin + tm.top()
                  + tm.bottom() + cm.top() + cm.bottom();
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    return style()->sizeFromContents(QStyle::CT_LineEdit, &opt, QSize(fm.height(), h), this).height();
}

bool ValueBox::showsWhole(const QString &text) const
{
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    const QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &opt, this)
                           .marginsRemoved(textMargins());
    const int room = area.width() - 2 * LineEditHorizontalMargin;
    const QFontMetrics fm(font());
    const QStringList lines = linesOf(text);
    if (lines.size() > m_lineCount)
        return false;
    return std::all_of(lines.begin(), lines.end(),
                       [&](const QString &line) { return fm.horizontalAdvance(line) < room; });
}

void ValueBox::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && isEnabled())
        emit clicked();
}

void ValueBox::keyPressEvent(QKeyEvent *event)
{
    if (!isClickKey(*event, {Qt::Key_F2})) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat() && isEnabled())
        emit clicked();
    event->accept();
}

// One line is QLineEdit's own drawing; a box of several lines draws the same panel and puts
// each line of its text under the one before.
void ValueBox::paintEvent(QPaintEvent *event)
{
    if (m_lineCount <= 1) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);

    const QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this)
                           .marginsRemoved(textMargins())
                           .adjusted(LineEditHorizontalMargin, LineEditVerticalMargin,
                                     -LineEditHorizontalMargin, -LineEditVerticalMargin);
    const QFontMetrics fm(font());
    painter.setClipRect(area);
    painter.setPen(palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, QPalette::Text));
    int top = area.top();
    for (const QString &line : linesOf(text())) {
        painter.drawText(QRect(area.left(), top, area.width(), fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         line);
        top += fm.lineSpacing();
    }
}

// ---------------------------------------------------------------------------------------------

SettingLabel::SettingLabel(const QString &caption, QWidget *parent)
    : ClickableLabel(caption, parent)
{
    // F1 is help's key.
    addClickKey(Qt::Key_F1);
}

void SettingLabel::mousePressEvent(QMouseEvent *event)
{
    // The help comes with the release, over the label.
    m_pressed = event->button() == Qt::LeftButton && isEnabled();
    QLabel::mousePressEvent(event);
}

void SettingLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && isEnabled() && event->button() == Qt::LeftButton
                       && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit clicked();
}

// ---------------------------------------------------------------------------------------------

ValueBox *SettingsPages::box(const QString &boxName) const
{
    return boxes.value(boxName, nullptr);
}

SettingLabel *SettingsPages::label(const QString &name) const
{
    if (SettingLabel *byLabel = labels.value(name, nullptr))
        return byLabel;
    if (const RadioSetting *setting = findSettingByBox(name))
        return labels.value(setting->label, nullptr);
    return nullptr;
}

const RadioSetting *SettingsPages::row(const QString &name) const
{
    if (const RadioSetting *byBox = findSettingByBox(name))
        return byBox;
    return findSettingByLabel(name);
}

QWidget *SettingsPages::pageFrame(int page) const
{
    if (page == GeneralPage)
        return InfoFrame;
    if (page >= 0 && page < NetSet.size())
        return NetSet.at(page);
    return nullptr;
}

SettingsPages buildSettingsPages(QGroupBox *InfoFrame, const QList<QFrame *> &NetSet)
{
    SettingsPages pages;
    pages.InfoFrame = InfoFrame;
    pages.NetSet = NetSet;

    // Rows by page, each page in its top-to-bottom order.
    std::map<int, QList<const RadioSetting *>> rowsOfPage;
    for (const RadioSetting &setting : RadioSettingCatalogue())
        rowsOfPage[setting.page].append(&setting);

    for (auto &[page, rows] : rowsOfPage) {
        QWidget *frame = pages.pageFrame(page);
        if (!frame) {
            qCWarning(lcPages) << "no frame for settings page" << page;
            continue;
        }
        std::sort(rows.begin(), rows.end(),
                  [](const RadioSetting *a, const RadioSetting *b) { return a->pageRow < b->pageRow; });

        auto *grid = new QGridLayout;
        grid->setColumnStretch(2, 1);
        if (!frame->layout()) {
            frame->setLayout(grid);
        } else if (auto *outer = qobject_cast<QBoxLayout *>(frame->layout())) {
            outer->addLayout(grid);
        } else {
            qCWarning(lcPages) << "settings page" << page << "already has a layout of another kind";
            delete grid;
            continue;
        }

        QList<ValueBox *> pageBoxes;
        int boxWidth = 0;
        int gridRow = 0;
        for (const RadioSetting *setting : rows) {
            auto *label = new SettingLabel(setting->caption, frame);
            label->setObjectName(setting->label);
            label->setToolTip(QStringLiteral("Click for more Information"));

            auto *box = new ValueBox(frame);
            box->setObjectName(setting->box);
            box->setText(setting->designText);
            box->setToolTip(setting->toolTip);
            const int lines = int(linesOf(setting->longestReply).size());
            box->setLineCount(lines);
            if (lines > 1)
                box->setFixedHeight(box->heightForLines(lines));
            boxWidth = std::max(boxWidth, box->widthFor(textsShownIn(*setting)));

            grid->addWidget(label, gridRow, 0, lines > 1 ? Qt::AlignTop : Qt::AlignVCenter);
            grid->addWidget(box, gridRow, 1);
            ++gridRow;

            pageBoxes.append(box);
            pages.boxes.insert(setting->box, box);
            pages.labels.insert(setting->label, label);
        }
        // One width per page keeps the boxes in a tidy column.
        for (ValueBox *box : pageBoxes)
            box->setFixedWidth(boxWidth);
        grid->setRowStretch(gridRow, 1);
    }
    return pages;
}

// Rows of a grid whose widgets are all hidden take no height and no spacing, so the rows below
// a hidden one move up a place: the moves the design gives for SleepMode, HopTime,
// SkippedZones and ShowSync follow from the hiding alone (rowTopTwips gives those tops).
void applyVersionLayout(const SettingsPages &pages, const QString &FirmwareRevNumber)
{
    qCDebug(lcPages) << "version layout for revision" << FirmwareRevNumber;
    for (const RadioSetting &setting : RadioSettingCatalogue()) {
        if (setting.gate == RevisionGate::None)
            continue;
        const bool shown = versionLayoutShows(setting.gate, FirmwareRevNumber);
        for (QWidget *widget : {static_cast<QWidget *>(pages.box(setting.box)),
                                static_cast<QWidget *>(pages.label(setting.label))}) {
            if (!widget)
                continue;
            widget->setVisible(shown);
            widget->setEnabled(shown);
        }
    }
}

void applyModeLayout(const SettingsPages &pages, const QString &modeText)
{
    const bool master = modeText.compare(QLatin1String("MODE M"), Qt::CaseInsensitive) == 0;
    const bool remote = modeText.compare(QLatin1String("MODE R"), Qt::CaseInsensitive) == 0;
    const auto set = [](ValueBox *box, bool enabled) {
        box->setEnabled(enabled);
        box->setCursor(enabled ? Qt::ArrowCursor : Qt::ForbiddenCursor);
    };
    for (const RadioSetting &setting : RadioSettingCatalogue()) {
        ValueBox *box = pages.box(setting.box);
        if (!box)
            continue;
        switch (setting.modeLayout) {
        case ModeLayout::None:
            break;
        case ModeLayout::MasterOnly:
            set(box, master);
            break;
        case ModeLayout::NotMaster:
            set(box, !master);
            break;
        case ModeLayout::NotRemote:
            set(box, !remote);
            break;
        case ModeLayout::DisabledUnlessMaster:
            // At "MODE M" the version layout, which ran earlier, has the last word.
            if (!master)
                set(box, false);
            break;
        }
    }
}

int rowTopTwips(const SettingsPages &pages, const QString &boxName)
{
    const RadioSetting *setting = findSettingByBox(boxName);
    if (!setting)
        return 0;
    int shownAbove = 0;
    for (const RadioSetting &other : RadioSettingCatalogue()) {
        if (other.page != setting->page || other.pageRow >= setting->pageRow)
            continue;
        if (const ValueBox *box = pages.box(other.box); box && !box->isHidden())
            ++shownAbove;
    }
    return RowPitchTwips * (shownAbove + 1);
}
