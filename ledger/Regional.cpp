#include "ledger/Regional.h"

#include <algorithm>

Regional::Regional()
    : ShortDateFormat_(QStringLiteral("dd.MM.yyyy"))
    , LongTimeFormat_(QStringLiteral("HH:mm:ss"))
    , CurrencySymbol_(QStringLiteral("€"))
    , DecimalSeparator_(u',')
    , Locale_(QLocale::German, QLocale::Germany)
{
}

namespace {

// Two digits of n (0..99) at out.
void TwoDigits(QChar *out, int n)
{
    out[0] = QChar(char16_t(u'0' + n / 10));
    out[1] = QChar(char16_t(u'0' + n % 10));
}

} // namespace

QString Regional::DateText(QDate date) const
{
    // The book list shows a date per book: the fixed form is put together directly.
    if (ShortDateFormat_ == u"dd.MM.yyyy" && date.isValid() && date.year() >= 1000 && date.year() <= 9999) {
        QString text(10, u'.');
        QChar *out = text.data();
        TwoDigits(out, date.day());
        TwoDigits(out + 3, date.month());
        TwoDigits(out + 6, date.year() / 100);
        TwoDigits(out + 8, date.year() % 100);
        return text;
    }
    return date.toString(ShortDateFormat_);
}

QString Regional::TimeText(QTime time) const
{
    if (LongTimeFormat_ == u"HH:mm:ss" && time.isValid()) {
        QString text(8, u':');
        QChar *out = text.data();
        TwoDigits(out, time.hour());
        TwoDigits(out + 3, time.minute());
        TwoDigits(out + 6, time.second());
        return text;
    }
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
    // Digits alone of the same length, as book keys are, collate as they read: spare the
    // collator.
    const auto digits = [](const QString &s) {
        return std::all_of(s.begin(), s.end(), [](QChar ch) { return ch >= u'0' && ch <= u'9'; });
    };
    if (a.size() == b.size() && !a.isEmpty() && digits(a) && digits(b))
        return QStringView(a).compare(QStringView(b));
    if (!Collator_) {
        Collator_.emplace(Locale_);
        Collator_->setCaseSensitivity(Qt::CaseSensitive);
        Collator_->setNumericMode(false);
        Collator_->setIgnorePunctuation(false);
    }
    return Collator_->compare(a, b);
}
