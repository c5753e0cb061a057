#pragma once

#include <QDateEdit>

// A date written with a two-digit year ("15.10.26"): 00 to 49 are this century, 50 to 99
// the last. Invalid for any other text.
QDate ShortYearDate(const QString &text);

// The entry dialogs' date field: Qt's date edit with its look, its calendar and the arrow
// keys stepping day, month or year, typed the way dates are written here. The field moves
// on to the month by itself after two day digits; the point the user types after them is
// then taken as written, not as a second step on to the year. "15.10.2026", "1.10.2026",
// "15.10.26" and "15102026" all give the 15th of October 2026, also after coming back
// with Shift+Tab. Tab and Shift+Tab leave the field instead of walking its parts.
class TQELDatePicker : public QDateEdit
{
    Q_OBJECT

public:
    explicit TQELDatePicker(QWidget *parent = nullptr);

    // Takes what is typed as the date, a two-digit year included; Qt would drop such a year
    // and keep the old one. Called before the date is read and when the field is left.
    void CommitTyping();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    // The last typed digit filled its part and the field moved on to the next one.
    bool MovedOnByDigit_ = false;
};
