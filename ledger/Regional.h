#pragma once

#include <QCollator>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <optional>

// The user's regional conventions as the ledger uses them: date and time texts, the
// currency symbol, upper-casing and the comparison that orders list captions.
// German conventions by default. The short date keeps a four-digit year, which is why
// the formats are fixed here instead of taken from QLocale (whose German short format
// has two).
class Regional
{
public:
    Regional();

    const QString &ShortDateFormat() const { return ShortDateFormat_; }
    const QString &LongTimeFormat() const { return LongTimeFormat_; }
    const QString &CurrencySymbol() const { return CurrencySymbol_; }
    QChar DecimalSeparator() const { return DecimalSeparator_; }
    const QLocale &Locale() const { return Locale_; }

    QString DateText(QDate date) const;
    QString TimeText(QTime time) const;
    // A date text read back; the whole text must follow the short date form.
    QDate ParseDate(const QString &text) const;

    QString UpperCase(const QString &text) const;

    // Locale-aware, case-sensitive comparison of two captions (<0, 0, >0).
    int Compare(const QString &a, const QString &b) const;

private:
    QString ShortDateFormat_;
    QString LongTimeFormat_;
    QString CurrencySymbol_;
    QChar DecimalSeparator_;
    QLocale Locale_;
    // Made at the first comparison that needs it: the collation tables cost memory that a
    // start which compares only book keys does not need.
    mutable std::optional<QCollator> Collator_;
};
