#include "dialogs/DayPanel.h"

#include "controls/ColorRef.h"
#include "controls/OrvoSkinButton.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr quint32 FrameColor = 0x9F6B00;
constexpr quint32 TitleColor = 0xC08000;

// White days, yellow under the mouse, orange while pressed; no frame. The focus colour
// stays that of a new button.
const SkinButtonScheme DayScheme{0xFFFFFF, 0xFFFFFF, 0x93E8FD, 0x72E0FC, 0x26A7FD, 0x26A7FD, 0xFFBB77, 0xFFFFFF,
                                 13417909};

} // namespace

TQELDayPanel::TQELDayPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DayPanel"));
    resize(152, 128);
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (int d = 1; d <= 31; ++d) {
        auto *button = new TOrvoSkinButton(this);
        const QString caption = QStringLiteral("%1").arg(d, 2, 10, QLatin1Char('0'));
        button->setObjectName(QStringLiteral("btnDay") + caption);
        button->setGeometry(3 + 21 * ((d - 1) % 7), 20 + 21 * ((d - 1) / 7), 20, 20);
        button->SetCaption(caption);
        DayScheme.ApplyTo(*button);
        button->SetShowFrame(false);
        // The button's release must not travel on and count as a click on the background.
        button->setAttribute(Qt::WA_NoMousePropagation);
        connect(button, &TOrvoSkinButton::Clicked, this, [this, caption] { Change(caption); });
        DayButtons_.append(button);
    }
    // Any left click elsewhere in the program closes the picker without a choice.
    qApp->installEventFilter(this);
}

TQELDayPanel::~TQELDayPanel()
{
    qApp->removeEventFilter(this);
}

void TQELDayPanel::Change(const QString &day)
{
    SelectedDay_ = day;
    emit OnChange();
}

// MouseInside follows enter and leave as the pointer moves. A press can also reach us
// without an enter before it (input synthesised by tests or tools, a picker shown under a
// resting pointer), so a press aimed at the picker or one of its buttons counts as inside
// too; otherwise a click on a day would first close the picker as a click elsewhere.
bool TQELDayPanel::PressIsInside(QObject *target) const
{
    if (MouseInside_)
        return true;
    const auto *widget = qobject_cast<const QWidget *>(target);
    return widget && (widget == this || isAncestorOf(widget));
}

bool TQELDayPanel::eventFilter(QObject *watched, QEvent *event)
{
    // One physical press is seen by the platform window first and then by each widget it
    // is passed up to; only the first delivery to a widget is spontaneous.
    if (event->type() == QEvent::MouseButtonPress && event->spontaneous() && watched->isWidgetType()
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && !PressIsInside(watched))
        Change(QString());
    return false;
}

void TQELDayPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QPen(ColorFromRef(FrameColor), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, width() - 1, height() - 1);
    p.fillRect(QRect(QPoint(2, 2), QPoint(width() - 3, 17)), ColorFromRef(TitleColor));

    const QFont font(QStringLiteral("MS Sans Serif"), 8);
    const QFontMetrics fm(font);
    const QString title = QStringLiteral("Tag wählen");
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(width() / 2 - fm.horizontalAdvance(title) / 2, 9 - fm.height() / 2 + fm.ascent(), title);
}

void TQELDayPanel::mousePressEvent(QMouseEvent *event)
{
    // Taken here so that it does not reach the dialog; the click comes on release.
    event->accept();
}

void TQELDayPanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    emit OnClick();
    Change(QString());
}

void TQELDayPanel::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    MouseInside_ = true;
    emit OnMouseEnter();
}

void TQELDayPanel::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    MouseInside_ = false;
    emit OnMouseLeave();
}
