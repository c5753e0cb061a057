#include "dialogs/DatePicker.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

using namespace Qt::StringLiterals;

QDate ShortYearDate(const QString &text)
{
    // Qt reads "yy" as 19yy.
    const QDate date = QDate::fromString(text.trimmed(), u"d.M.yy"_s);
    return date.isValid() && date.year() < 1950 ? date.addYears(100) : date;
}

TQELDatePicker::TQELDatePicker(QWidget *parent)
    : QDateEdit(parent)
{
}

void TQELDatePicker::CommitTyping()
{
    if (const QDate date = ShortYearDate(lineEdit()->text()); date.isValid())
        setDate(date);
}

bool TQELDatePicker::event(QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            CommitTyping();
            // QWidget's own step, not the date edit's walk over day, month and year.
            return QWidget::focusNextPrevChild(key->key() == Qt::Key_Tab);
        }
    }
    return QDateEdit::event(event);
}

void TQELDatePicker::keyPressEvent(QKeyEvent *event)
{
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    const QString text = plain ? event->text() : QString();
    // The keypad's separator key types a comma on German keyboards.
    const bool point = text == u"." || text == u",";
    if (point && MovedOnByDigit_) {
        MovedOnByDigit_ = false;
        event->accept();
        return;
    }
    const int section = currentSectionIndex();
    if (text == u",") {
        QKeyEvent asPoint(event->type(), Qt::Key_Period, event->modifiers(), u"."_s, event->isAutoRepeat());
        QDateEdit::keyPressEvent(&asPoint);
        event->setAccepted(asPoint.isAccepted());
    } else {
        QDateEdit::keyPressEvent(event);
    }
    MovedOnByDigit_ = text.size() == 1 && text.front().isDigit() && currentSectionIndex() != section;
}

void TQELDatePicker::focusInEvent(QFocusEvent *event)
{
    QDateEdit::focusInEvent(event);
    MovedOnByDigit_ = false;
    // A date is typed from its day on, whichever way the field was reached by keyboard.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason
        || event->reason() == Qt::OtherFocusReason) {
        setSelectedSection(DaySection);
    }
}

void TQELDatePicker::focusOutEvent(QFocusEvent *event)
{
    CommitTyping();
    QDateEdit::focusOutEvent(event);
}
