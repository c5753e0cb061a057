#include "ledger/Regional.h"

Regional::Regional()
    : ShortDateFormat_(QStringLiteral("dd.MM.yyyy"))
    , LongTimeFormat_(QStringLiteral("HH:mm:ss"))
    , CurrencySymbol_(QStringLiteral("€"))
    , DecimalSeparator_(u',')
    , Locale_(QLocale::German, QLocale::Germany)
    , Collator_(Locale_)
{
    Collator_.setCaseSensitivity(Qt::CaseSensitive);
    Collator_.setNumericMode(false);
    Collator_.setIgnorePunctuation(false);
}

QString Regional::DateText(QDate date) const
{
    return date.toString(ShortDateFormat_);
}

QString Regional::TimeText(QTime time) const
{
    return time.toString(LongTimeFormat_);
}

QDate Regional::ParseDate(const QString &text) const
{
    // QDate::fromString is lenient about digit counts and signs; the short form wants
    // exactly one digit per format letter and the separators in place.
    if (text.size() != ShortDateFormat_.size())
        return {};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar f = ShortDateFormat_[i];
        const QChar c = text[i];
        if (f.isLetter() ? !(c >= u'0' && c <= u'9') : c != f)
            return {};
    }
    return QDate::fromString(text, ShortDateFormat_);
}

QString Regional::UpperCase(const QString &text) const
{
    return Locale_.toUpper(text);
}

int Regional::Compare(const QString &a, const QString &b) const
{
    return Collator_.compare(a, b);
}
