#include "documents/ReceiptText.h"

#include "statements/StatementText.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

// Words beside a total, the surer first. A line with only "EUR" counts for little.
struct TotalWord
{
    QStringView Word;
    int Weight;
};
constexpr std::array TotalWords{
    TotalWord{u"zu zahlen", 7},       TotalWord{u"zahlbetrag", 7},     TotalWord{u"zahlungsbetrag", 7},
    TotalWord{u"fälliger betrag", 7}, TotalWord{u"rechnungsbetrag", 6}, TotalWord{u"gesamtbetrag", 6},
    TotalWord{u"endbetrag", 6},       TotalWord{u"gesamtsumme", 5},    TotalWord{u"bruttobetrag", 5},
    TotalWord{u"bruttosumme", 5},     TotalWord{u"à payer", 7},        TotalWord{u"total ttc", 5},
    TotalWord{u"summe", 4},           TotalWord{u"gesamt", 4},         TotalWord{u"total", 4},
    TotalWord{u"brutto", 3},          TotalWord{u"betrag", 2},         TotalWord{u"eur", 1},
};
// Lines that carry an amount which is not the total.
constexpr std::array NotTotalWords{
    QStringView(u"zwischensumme"), QStringView(u"netto"),  QStringView(u"rückgeld"), QStringView(u"wechselgeld"),
    QStringView(u"gegeben"),       QStringView(u"rabatt"), QStringView(u"ersparnis"), QStringView(u"gespart"),
    QStringView(u"punkte"),        QStringView(u"pfand"),  QStringView(u"trinkgeld"), QStringView(u"zuschl"),
    QStringView(u"abschl"),        QStringView(u"anzahlung"), QStringView(u"ohne ust"), QStringView(u"ohne mwst"),
    QStringView(u"positionssumme"), QStringView(u"warenwert"), QStringView(u"skonto"), QStringView(u"bezahlt"),
    QStringView(u"total ht"),
};
constexpr std::array TaxWords{QStringView(u"mwst"), QStringView(u"ust"), QStringView(u"steuer"),
                              QStringView(u"vat"), QStringView(u"taxe")};
// How the total was paid: the same amount beside it bears the total out.
constexpr std::array PaymentWords{QStringView(u"ec-karte"), QStringView(u"girocard"), QStringView(u"kartenzahlung"),
                                  QStringView(u"visa"),     QStringView(u"mastercard"), QStringView(u"maestro"),
                                  QStringView(u"kreditkarte"), QStringView(u"paypal")};
// Cash handed over is what was given, not the total.
constexpr std::array CashWords{QStringView(u"bar "), QStringView(u"bar:"), QStringView(u"bargeld")};
// Words at a receipt's top that name no seller.
constexpr std::array NoSellerWords{
    QStringView(u"rechnung"), QStringView(u"quittung"), QStringView(u"kassenbon"), QStringView(u"beleg"),
    QStringView(u"willkommen"), QStringView(u"herzlich"), QStringView(u"seite"), QStringView(u"tel"),
    QStringView(u"fax"), QStringView(u"www."), QStringView(u"@"), QStringView(u"kunde"), QStringView(u"datum"),
    QStringView(u"beispiel"), QStringView(u"steuernummer"), QStringView(u"ust"), QStringView(u"filiale"),
};
constexpr std::array CompanyForms{QStringView(u"gmbh"), QStringView(u" ag"),  QStringView(u" kg"),
                                  QStringView(u" ohg"), QStringView(u" e.k"), QStringView(u" ug"),
                                  QStringView(u" gbr"), QStringView(u" se"),  QStringView(u" mbh")};
constexpr std::array DateWords{QStringView(u"rechnungsdatum"), QStringView(u"belegdatum"), QStringView(u"datum"),
                               QStringView(u"vom"), QStringView(u"date de facture")};
constexpr std::array NotDateWords{QStringView(u"fällig"), QStringView(u"zahlbar"), QStringView(u"bestellung"),
                                  QStringView(u"lieferdatum"), QStringView(u"leistungsdatum"), QStringView(u"gültig"),
                                  QStringView(u"bis"), QStringView(u"mhd"), QStringView(u"geboren")};

bool ContainsAny(const QString &lower, auto const &words)
{
    return std::any_of(words.begin(), words.end(), [&lower](QStringView word) { return lower.contains(word); });
}

bool HasTotalWord(const QString &lower)
{
    return std::any_of(TotalWords.begin(), TotalWords.end(),
                       [&lower](const TotalWord &word) { return word.Weight > 1 && lower.contains(word.Word); });
}

struct FoundAmount
{
    qint64 Cents;
    qsizetype Position;
};

// Amounts as receipts print them: "12,34", "1.234,56", "12.34", "-1,50", "1,50-", "12,34 €".
QList<FoundAmount> AmountsIn(const QString &line)
{
    static const QRegularExpression pattern(
        uR"((?<![\d.,])(-\s?)?(\d{1,3}(?:[. ]\d{3})+|\d{1,9})([,.])(\d{2})(?!\d)(?![.,]\d)(?!\s?%)(-(?!\d))?)"_s);
    QList<FoundAmount> amounts;
    for (const QRegularExpressionMatch &match : pattern.globalMatch(line)) {
        QString whole = match.captured(2);
        const QChar separator = match.captured(3).front();
        // "1.234" followed by ",56" is read whole; a point between groups with a decimal point
        // would be a thousands separator the other way round, which receipts do not use.
        if (separator == u'.' && (whole.contains(u'.') || whole.contains(u' ')))
            continue;
        whole.remove(u'.').remove(u' ');
        bool ok = false;
        const qint64 units = whole.toLongLong(&ok);
        if (!ok)
            continue;
        qint64 cents = units * 100 + match.captured(4).toInt();
        if (cents > StatementText::MaxAmountCents)
            continue;
        if (match.hasCaptured(1) || match.hasCaptured(5))
            cents = -cents;
        amounts.append({cents, match.capturedStart()});
    }
    return amounts;
}

// The rate of a VAT line ("19%", "7,00 %"), in hundredths of a percent.
std::optional<int> VatRate(const QString &lower)
{
    static const QRegularExpression percent(uR"((?<![\d,.])(\d{1,2})(?:[,.](\d{1,2}))?\s?%)"_s);
    const QRegularExpressionMatch match = percent.match(lower);
    if (!match.hasMatch())
        return std::nullopt;
    const int rate = match.captured(1).toInt() * 100 + match.captured(2).leftJustified(2, u'0').toInt();
    if (rate <= 0 || rate > 2500)
        return std::nullopt;
    return rate;
}

bool IsVatLine(const QString &lower)
{
    return VatRate(lower) && (ContainsAny(lower, TaxWords) || AmountsIn(lower).size() >= 2);
}

// Whether tax is the rate's share of net (or of gross), to the cent as invoices round it.
bool TaxOfNet(qint64 net, qint64 tax, int rate)
{
    return net > 0 && std::abs(net * rate - tax * 10000) <= 10000;
}
bool TaxOfGross(qint64 gross, qint64 tax, int rate)
{
    return gross > 0 && std::abs(gross * rate - tax * (10000 + rate)) <= 10000 + rate;
}

// What the VAT lines add up to (the gross of each), where every such line bears its rate out.
std::optional<qint64> VatLinesTotal(const QStringList &lower)
{
    qint64 sum = 0;
    int lines = 0;
    for (const QString &line : lower) {
        if (!IsVatLine(line) || HasTotalWord(line))
            continue;
        const int rate = *VatRate(line);
        QList<qint64> amounts;
        for (const FoundAmount &amount : AmountsIn(line))
            amounts.append(amount.Cents);
        std::optional<qint64> gross;
        for (qsizetype a = 0; a < amounts.size() && !gross; ++a) {
            for (qsizetype b = 0; b < amounts.size() && !gross; ++b) {
                if (a == b)
                    continue;
                if (TaxOfNet(amounts[a], amounts[b], rate))
                    gross = amounts[a] + amounts[b];
                else if (TaxOfGross(amounts[a], amounts[b], rate))
                    gross = amounts[a];
            }
        }
        if (gross) {
            sum += *gross;
            ++lines;
        }
    }
    if (lines == 0)
        return std::nullopt;
    return sum;
}

struct Candidate
{
    qint64 Cents;
    int Weight;
    int Line;
};

QList<Candidate> TotalCandidates(const QStringList &lower)
{
    QList<Candidate> candidates;
    for (int i = 0; i < lower.size(); ++i) {
        const QString &line = lower.at(i);
        int weight = 0;
        for (const TotalWord &word : TotalWords) {
            const qsizetype at = line.indexOf(word.Word);
            // Whole words only for the short ones ("eur" in "Euro-Preis" counts, "euro" in "neuro" not).
            if (at < 0 || (at > 0 && line.at(at - 1).isLetter() && word.Weight < 6))
                continue;
            weight = std::max(weight, word.Weight);
        }
        if (weight == 0 || ContainsAny(line, NotTotalWords) || ContainsAny(line, CashWords)
            || (weight < 4 && ContainsAny(line, PaymentWords)))
            continue;
        if (ContainsAny(line, TaxWords) && !line.contains(u"inkl"_s) && !line.contains(u"incl"_s) && weight < 6)
            continue;
        QList<FoundAmount> amounts = AmountsIn(line);
        // The amount may stand in the next line, as in two-column layouts.
        for (int next = i + 1; amounts.isEmpty() && next < std::min<int>(i + 3, lower.size()); ++next) {
            const QString &below = lower.at(next);
            // What was paid or given back stands below an unreadable total, not the total.
            if (!ContainsAny(below, NotTotalWords) && !ContainsAny(below, PaymentWords) && !ContainsAny(below, CashWords)
                && !IsVatLine(below))
                amounts = AmountsIn(below);
        }
        if (amounts.isEmpty())
            continue;
        // The rightmost amount of a line is its sum.
        candidates.append({amounts.back().Cents, weight, i});
    }
    return candidates;
}

struct TotalFound
{
    qint64 Cents = 0;
    bool Sure = false;
    QString Doubt;
};

std::optional<TotalFound> FindTotal(const QStringList &lower)
{
    const QList<Candidate> candidates = TotalCandidates(lower);
    const std::optional<qint64> vat = VatLinesTotal(lower);
    QList<qint64> paid;
    for (const QString &line : lower) {
        if (ContainsAny(line, PaymentWords) && !ContainsAny(line, NotTotalWords)) {
            for (const FoundAmount &amount : AmountsIn(line))
                paid.append(amount.Cents);
        }
    }
    TotalFound found;
    // The total itself unreadable: what the VAT lines add up to, never sure.
    if (candidates.isEmpty() && vat && *vat > 0) {
        found.Cents = *vat;
        found.Doubt = u"Der Gesamtbetrag ist nicht lesbar; er ist aus den Steuerzeilen errechnet."_s;
        return found;
    }
    if (candidates.isEmpty()) {
        // No word for the total: the largest amount, never sure.
        qint64 largest = 0;
        for (const QString &line : lower) {
            for (const FoundAmount &amount : AmountsIn(line))
                largest = std::max(largest, amount.Cents);
        }
        if (largest == 0)
            return std::nullopt;
        found.Cents = largest;
        found.Doubt = u"Kein Wort wie „Summe“ oder „zu zahlen“ steht bei einem Betrag; der größte Betrag ist genommen."_s;
        return found;
    }
    // What a line calls the amount to pay wins (after deposits the VAT lines no longer add
    // up to it); then a total the VAT lines or the payment bear out; then the surer word,
    // then the larger amount.
    const auto borneOut = [&](qint64 cents) { return (vat && *vat == cents) || paid.contains(cents); };
    const auto best = std::max_element(candidates.begin(), candidates.end(), [&](const Candidate &a, const Candidate &b) {
        const auto key = [&](const Candidate &c) {
            return std::tuple(c.Weight >= 7, borneOut(c.Cents), c.Weight, c.Cents);
        };
        return key(a) < key(b);
    });
    found.Cents = best->Cents;
    if (borneOut(best->Cents)) {
        found.Sure = true;
        return found;
    }
    if (vat) {
        found.Doubt = u"Die Steuerzeilen ergeben %1, nicht den Betrag bei „Summe“."_s.arg(
            QString::number(double(*vat) / 100.0, 'f', 2));
        return found;
    }
    // Unsure where the surest words stand beside different amounts.
    bool agree = true;
    for (const Candidate &candidate : candidates) {
        if (candidate.Weight == best->Weight && candidate.Cents != best->Cents)
            agree = false;
    }
    found.Sure = agree && best->Weight >= 4;
    if (!found.Sure)
        found.Doubt = u"Der Gesamtbetrag ist nicht eindeutig zu erkennen."_s;
    return found;
}

const QStringList MonthNames{u"januar"_s, u"februar"_s, u"märz"_s,     u"april"_s,   u"mai"_s,      u"juni"_s,
                             u"juli"_s,   u"august"_s,  u"september"_s, u"oktober"_s, u"november"_s, u"dezember"_s};

struct DateFound
{
    QDate Date;
    bool Sure = false;
};

QList<QDate> DatesIn(const QString &lower, const QDate &today)
{
    static const QRegularExpression numeric(uR"((?<![\d.])(\d{1,2})\.\s?(\d{1,2})\.\s?(\d{4}|\d{2})?(?![\d]))"_s);
    static const QRegularExpression iso(uR"((?<!\d)(\d{4})-(\d{2})-(\d{2})(?!\d))"_s);
    // Day first, as in Europe ("16/11/2017").
    static const QRegularExpression slashes(uR"((?<![\d/])(\d{1,2})/(\d{1,2})/(\d{4})(?![\d/]))"_s);
    static const QRegularExpression named(
        uR"((?<!\d)(\d{1,2})\.?\s*(januar|februar|märz|april|mai|juni|juli|august|september|oktober|november|dezember)\s+(\d{4}))"_s);
    QList<QDate> dates;
    for (const QRegularExpressionMatch &match : numeric.globalMatch(lower)) {
        int year = today.year();
        if (match.hasCaptured(3)) {
            year = match.captured(3).toInt();
            if (match.captured(3).size() == 2)
                year = StatementText::FullYear(year);
        }
        const QDate date(year, match.captured(2).toInt(), match.captured(1).toInt());
        if (date.isValid())
            dates.append(date);
    }
    for (const QRegularExpressionMatch &match : slashes.globalMatch(lower)) {
        const QDate date(match.captured(3).toInt(), match.captured(2).toInt(), match.captured(1).toInt());
        if (date.isValid())
            dates.append(date);
    }
    for (const QRegularExpressionMatch &match : iso.globalMatch(lower)) {
        const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
        if (date.isValid())
            dates.append(date);
    }
    for (const QRegularExpressionMatch &match : named.globalMatch(lower)) {
        const QDate date(match.captured(3).toInt(), int(MonthNames.indexOf(match.captured(2))) + 1,
                         match.captured(1).toInt());
        if (date.isValid())
            dates.append(date);
    }
    // Nothing after today (plus a day for time zones) and nothing from before receipts were kept.
    dates.removeIf([&today](const QDate &date) { return date > today.addDays(1) || date.year() < 1990; });
    return dates;
}

std::optional<DateFound> FindDate(const QStringList &lower, const QDate &today)
{
    std::optional<QDate> labelled;
    QList<QDate> all;
    for (const QString &line : lower) {
        const QList<QDate> dates = DatesIn(line, today);
        all += dates;
        if (!labelled && !dates.isEmpty() && ContainsAny(line, DateWords) && !ContainsAny(line, NotDateWords))
            labelled = dates.front();
    }
    if (labelled)
        return DateFound{*labelled, true};
    if (all.isEmpty())
        return std::nullopt;
    const bool one = std::all_of(all.begin(), all.end(), [&all](const QDate &date) { return date == all.front(); });
    return DateFound{all.front(), one};
}

struct SellerFound
{
    QString Name;
    bool Sure = false;
};

QString SellerFromLine(const QString &line)
{
    QString name = line;
    // "Name: Lieferant GmbH", "Verkäufer: ..."
    static const QRegularExpression label(uR"(^[\w .-]{1,20}:\s*)"_s);
    name.remove(label);
    // A sender line above an address window: "Name · Street · Town".
    static const QRegularExpression separators(uR"(\s[·|•–-]\s|\s{3,})"_s);
    if (const qsizetype at = name.indexOf(separators); at > 0)
        name = name.first(at);
    return name.simplified();
}

std::optional<SellerFound> FindSeller(const QStringList &lines, const QStringList &lower, const QStringList &known)
{
    // A seller the books know, wherever the receipt names it; the longest name wins.
    QString bestKnown;
    for (const QString &seller : known) {
        const QString needle = seller.simplified().toLower();
        if (needle.size() < 3 || needle.size() <= bestKnown.size())
            continue;
        for (const QString &line : lower) {
            const qsizetype at = line.indexOf(needle);
            if (at >= 0 && (at == 0 || !line.at(at - 1).isLetterOrNumber())
                && (at + needle.size() == line.size() || !line.at(at + needle.size()).isLetterOrNumber())) {
                bestKnown = seller.simplified();
                break;
            }
        }
    }
    if (!bestKnown.isEmpty())
        return SellerFound{bestKnown, true};
    // An invoice that labels its seller.
    for (int i = 0; i < lower.size(); ++i) {
        if (lower.at(i).contains(u"verkäufer"_s) || lower.at(i).contains(u"lieferant:"_s)
            || lower.at(i).contains(u"rechnungssteller"_s)) {
            for (int next = i; next < std::min<int>(i + 4, lower.size()); ++next) {
                const QString candidate = SellerFromLine(lines.at(next));
                if (candidate.size() >= 3 && (lower.at(next).startsWith(u"name"_s)
                                              || ContainsAny(u" "_s + candidate.toLower(), CompanyForms)))
                    return SellerFound{candidate, true};
            }
        }
    }
    // The first lines of a receipt: a company form there is sure, else the first line with words.
    std::optional<QString> first;
    for (int i = 0; i < std::min<int>(12, lines.size()); ++i) {
        const QString &line = lower.at(i);
        const qsizetype letters = std::count_if(line.begin(), line.end(), [](QChar c) { return c.isLetter(); });
        if (letters < 3 || ContainsAny(line, NoSellerWords) || !AmountsIn(line).isEmpty())
            continue;
        static const QRegularExpression address(uR"(\d{5}\s|str\.|straße|strasse|platz\s\d|weg\s\d)"_s);
        if (line.contains(address))
            continue;
        if (ContainsAny(u" "_s + line, CompanyForms))
            return SellerFound{SellerFromLine(lines.at(i)), true};
        if (!first)
            first = SellerFromLine(lines.at(i));
    }
    if (first && !first->isEmpty())
        return SellerFound{*first, false};
    return std::nullopt;
}

} // namespace

namespace ReceiptText {

std::optional<DocumentProposal> Propose(const QString &text, const Options &options)
{
    QStringList lines;
    for (QString line : text.split(u'\n')) {
        line.replace(QChar(0x00A0), u' ').replace(u'\t', u' ');
        line = line.trimmed();
        if (!line.isEmpty())
            lines.append(line.left(500));
        if (lines.size() >= 5000)
            break;
    }
    QStringList lower;
    lower.reserve(lines.size());
    for (const QString &line : std::as_const(lines))
        lower.append(line.toLower());
    const QDate today = options.Today.isValid() ? options.Today : QDate::currentDate();

    const std::optional<TotalFound> total = FindTotal(lower);
    const std::optional<DateFound> date = FindDate(lower, today);
    if (!total && !date)
        return std::nullopt;
    DocumentProposal proposal;
    proposal.Source = options.Source;
    if (total) {
        proposal.AmountCents = total->Cents < 0 ? -total->Cents : total->Cents;
        proposal.Income = total->Cents < 0;
        proposal.AmountSure = total->Sure;
        if (!total->Doubt.isEmpty())
            proposal.Doubts.append(total->Doubt);
    } else {
        proposal.Doubts.append(u"Kein Betrag gefunden."_s);
    }
    if (date) {
        proposal.Date = date->Date;
        proposal.DateSure = date->Sure;
        if (!date->Sure)
            proposal.Doubts.append(u"Das Datum ist nicht eindeutig zu erkennen."_s);
    } else {
        proposal.Doubts.append(u"Kein Datum gefunden."_s);
    }
    if (const std::optional<SellerFound> seller = FindSeller(lines, lower, options.KnownSellers)) {
        proposal.Seller = seller->Name;
        proposal.SellerSure = seller->Sure;
    }
    if (!proposal.SellerSure)
        proposal.Doubts.append(u"Der Verkäufer ist nicht sicher zu erkennen."_s);
    return proposal;
}

} // namespace ReceiptText
