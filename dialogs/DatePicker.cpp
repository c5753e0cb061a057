#include "dialogs/DatePicker.h"

#include "ledger/FuncUnit.h"
#include "support/ResourceImages.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QFocusEvent>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// What the field keeps of a text: digits and points, a comma as a point.
QString DateCharacters(QStringView text)
{
    QString kept;
    for (const QChar ch : text) {
        if (ch == u',')
            kept.append(u'.');
        else if (ch == u'.' || (ch >= u'0' && ch <= u'9'))
            kept.append(ch);
    }
    return kept;
}

} // namespace

TQELDatePicker::TQELDatePicker(QWidget *parent)
    : QLineEdit(parent)
{
    setMaxLength(10);
    // The calendar picture of the regular dialog's day button.
    QAction *open = addAction(QIcon(TransparentCornerPixmap(ResourceBitmap(u"BTNPIC_DAYPICKER"_s))),
                              QLineEdit::TrailingPosition);
    open->setText(u"Kalender"_s); // what a screen reader calls the button
    open->setToolTip(u"Kalender (Alt+Pfeil nach unten)"_s);
    connect(open, &QAction::triggered, this, &TQELDatePicker::ShowCalendar);

    // Typed, pasted, dropped or composed: every way in keeps only what a date is written with.
    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString kept = DateCharacters(text);
        if (kept == text)
            return;
        const qsizetype cursor = DateCharacters(QStringView(text).first(cursorPosition())).size();
        setText(kept);
        setCursorPosition(int(cursor));
    });
}

void TQELDatePicker::MakeCalendar()
{
    Popup_ = new QFrame(this, Qt::Popup);
    Popup_->setFrameStyle(QFrame::Box | QFrame::Plain);
    Calendar_ = new QCalendarWidget(Popup_);
    Calendar_->setObjectName(u"DateTimePickerCalendar"_s);
    Calendar_->setLocale(QLocale(QLocale::German, QLocale::Germany));
    Calendar_->setFirstDayOfWeek(Qt::Monday);
    Calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    auto *layout = new QVBoxLayout(Popup_);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(Calendar_);
    // Return and a click pick a day; Escape closes the popup without a choice.
    connect(Calendar_, &QCalendarWidget::activated, this, &TQELDatePicker::CalendarPicked);
    connect(Calendar_, &QCalendarWidget::clicked, this, &TQELDatePicker::CalendarPicked);
}

void TQELDatePicker::SetDisplayFormat(const QString &format)
{
    Format_ = format;
    if (Date_.isValid())
        setText(Date_.toString(Format_));
}

void TQELDatePicker::SetDate(QDate date)
{
    Date_ = date;
    setText(date.toString(Format_));
}

QDate TQELDatePicker::TypedDate() const
{
    return ReadTypedDate(text(), Date_);
}

void TQELDatePicker::ShowCalendar()
{
    if (!Calendar_)
        MakeCalendar();
    const QDate typed = TypedDate();
    Calendar_->setSelectedDate(typed.isValid() ? typed : Date_.isValid() ? Date_ : QDate::currentDate());
    Popup_->adjustSize();
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen *screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - Popup_->width())));
        if (at.y() + Popup_->height() > room.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - Popup_->height());
    }
    Popup_->move(at);
    Popup_->show();
    Calendar_->setFocus(Qt::PopupFocusReason);
}

void TQELDatePicker::CalendarPicked(QDate date)
{
    Popup_->hide();
    SetDate(date);
    setFocus(Qt::OtherFocusReason);
    selectAll();
}

void TQELDatePicker::Step(int by)
{
    const QDate date = TypedDate();
    if (!date.isValid()) {
        QApplication::beep();
        return;
    }
    const qsizetype at = hasSelectedText() ? selectionStart() : cursorPosition();
    const int part = int(std::min<qsizetype>(text().first(std::min<qsizetype>(at, text().size())).count(u'.'), 2));
    const QDate stepped = part == 0 ? date.addDays(by) : part == 1 ? date.addMonths(by) : date.addYears(by);
    if (!stepped.isValid())
        return;
    SetDate(stepped);
    // The same part selected again, so that the arrows go on stepping it.
    const QStringList parts = text().split(u'.');
    qsizetype start = 0;
    for (int i = 0; i < part && i < parts.size(); ++i)
        start += parts.at(i).size() + 1;
    setSelection(int(start), int(part < parts.size() ? parts.at(part).size() : 0));
}

void TQELDatePicker::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        Step(event->key() == Qt::Key_Up ? 1 : -1);
        return;
    }
    if ((modifiers == Qt::AltModifier && event->key() == Qt::Key_Down)
        || (modifiers == Qt::NoModifier && event->key() == Qt::Key_F4)) {
        ShowCalendar();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TQELDatePicker::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    // A date is typed whole, whichever way the field was reached by keyboard.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason
        || event->reason() == Qt::OtherFocusReason || event->reason() == Qt::ShortcutFocusReason) {
        selectAll();
    }
}

void TQELDatePicker::focusOutEvent(QFocusEvent *event)
{
    // A readable date is shown whole once the field is left ("15.10.26" as "15.10.2026"); an
    // unreadable text stays as typed, for the check on OK to point at.
    if (event->reason() != Qt::PopupFocusReason) {
        if (const QDate date = TypedDate(); date.isValid())
            SetDate(date);
    }
    QLineEdit::focusOutEvent(event);
}
