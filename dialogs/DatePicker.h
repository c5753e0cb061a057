#pragma once

#include <QDate>
#include <QLineEdit>

class QCalendarWidget;
class QFrame;

// The entry dialogs' date field. The text is what the user typed, exactly: digits and points
// (a comma, as the keypad's separator key types it, becomes a point), read as a date only when
// it is taken (ReadTypedDate): "15.10.2026", "15.10.26", "15102026", or "15" and "15.10" with
// the rest from the date shown before. Nothing typed is ever turned into another date while
// typing. Up and Down step the day, month or year under the cursor; Alt+Down, F4 or the button
// at the right open a calendar to pick from.
class TQELDatePicker : public QLineEdit
{
    Q_OBJECT

public:
    explicit TQELDatePicker(QWidget *parent = nullptr);

    // How a date is shown, e.g. "dd.MM.yyyy".
    void SetDisplayFormat(const QString &format);
    // Shows the date; typing starts from it.
    void SetDate(QDate date);
    // The date shown before typing began (the last one set, stepped or picked).
    QDate Date() const { return Date_; }
    // The text read as a date; invalid when it cannot be read.
    QDate TypedDate() const;

    void ShowCalendar();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    // Up or Down: steps the part of a readable date that holds the cursor (all selected: the
    // day) and selects that part again.
    void Step(int by);
    void CalendarPicked(QDate date);
    // The calendar popup, made when it is first opened: most bookings are typed.
    void MakeCalendar();

    QString Format_ = QStringLiteral("dd.MM.yyyy");
    QDate Date_;
    QFrame *Popup_ = nullptr;
    QCalendarWidget *Calendar_ = nullptr;
};
