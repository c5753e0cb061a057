#include "budget/BudgetFile.h"

#include "ledger/GroupName.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Header = "Haushaltsbuch Budgets 1";
// Far beyond any household's budgets; a larger file is no budget file.
constexpr qsizetype MaxFileBytes = 1024 * 1024;
constexpr qsizetype MaxCategoryLength = 30;

QString Quoted(QStringView text)
{
    return u'„' + text.toString() + u'“';
}

bool AllDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// "300.00" as the file holds it: digits, a point, two digits.
std::optional<qint64> StoredCents(QStringView text)
{
    const qsizetype point = text.indexOf(u'.');
    if (point < 1 || point != text.size() - 3 || point > 9)
        return std::nullopt;
    const QStringView whole = text.first(point);
    const QStringView cents = text.sliced(point + 1);
    if (!AllDigits(whole) || !AllDigits(cents))
        return std::nullopt;
    return whole.toLongLong() * 100 + cents.toInt();
}

QString StoredText(qint64 cents)
{
    return u"%1.%2"_s.arg(cents / 100).arg(cents % 100, 2, 10, QChar(u'0'));
}

bool ValidCategory(QStringView name)
{
    return !name.trimmed().isEmpty() && name.size() <= MaxCategoryLength
           && std::none_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

int BudgetMonth(int year, int month)
{
    return year * 12 + month - 1;
}

QString BudgetMonthText(int month)
{
    return u"%1.%2"_s.arg(month % 12 + 1, 2, 10, QChar(u'0')).arg(month / 12, 4, 10, QChar(u'0'));
}

std::optional<int> ReadBudgetMonth(QStringView text)
{
    const qsizetype point = text.indexOf(u'.');
    if (point < 1 || point > 2 || text.size() - point - 1 != 4)
        return std::nullopt;
    const QStringView month = text.first(point);
    const QStringView year = text.sliced(point + 1);
    if (!AllDigits(month) || !AllDigits(year))
        return std::nullopt;
    const int m = month.toInt();
    const int y = year.toInt();
    if (m < 1 || m > 12 || y < 1900)
        return std::nullopt;
    return BudgetMonth(y, m);
}

qint64 ReadBudgetAmount(QStringView typed)
{
    const QStringView text = typed.trimmed();
    if (text.isEmpty())
        throw QelError(u"Bitte geben Sie einen Betrag für das Budget an."_s);
    if (text.startsWith(u'-'))
        throw QelError(u"Ein Budget kann nicht negativ sein: %1."_s.arg(Quoted(text)));
    QString amount;
    for (const QChar ch : text) {
        const std::optional<QChar> kept = FilterAmountKey(ch);
        if (!kept || *kept == u'\b')
            throw QelError(u"%1 ist kein gültiger Betrag. Erlaubt sind nur Ziffern und ein Punkt oder Komma."_s.arg(
                Quoted(text)));
        amount.append(*kept);
    }
    if (!CheckAmountText(amount))
        throw QelError(u"%1 ist kein gültiger Betrag. Es darf nur ein Punkt oder Komma gesetzt werden."_s.arg(
            Quoted(text)));
    amount = NormalizeAmountText(amount);
    const qsizetype point = amount.indexOf(u'.');
    QStringView whole = QStringView(amount).first(point);
    const QStringView decimals = QStringView(amount).sliced(point + 1);
    if (decimals.size() > 2)
        throw QelError(u"%1 ist kein gültiger Betrag. Erlaubt sind höchstens zwei Stellen nach dem Komma."_s.arg(
            Quoted(text)));
    while (whole.size() > 1 && whole.front() == u'0')
        whole = whole.sliced(1);
    const QString tooLarge = u"Ein Budget darf höchstens 999.999.999,99 € betragen, nicht %1."_s.arg(Quoted(text));
    if (whole.size() > 9)
        throw QelError(tooLarge);
    const qint64 cents = whole.toLongLong() * 100 + (decimals.size() == 1 ? decimals.toInt() * 10 : decimals.toInt());
    if (cents > MaxBudgetCents)
        throw QelError(tooLarge);
    return cents;
}

qsizetype BudgetList::Find(const QString &key, int from) const
{
    for (qsizetype i = 0; i < Entries_.size(); ++i) {
        if (Entries_.at(i).From == from && GroupNameKey(Entries_.at(i).Category) == key)
            return i;
    }
    return -1;
}

void BudgetList::Put(const BudgetEntry &entry)
{
    const QString key = GroupNameKey(entry.Category);
    if (const qsizetype at = Find(key, entry.From); at >= 0) {
        Entries_[at] = entry;
        return;
    }
    // After the category's entries of earlier months; a new category goes last.
    qsizetype at = Entries_.size();
    for (qsizetype i = 0; i < Entries_.size(); ++i) {
        if (GroupNameKey(Entries_.at(i).Category) != key)
            continue;
        at = i + 1;
        if (Entries_.at(i).From > entry.From) {
            at = i;
            break;
        }
    }
    Entries_.insert(at, entry);
}

void BudgetList::Erase(const QString &key, int from)
{
    if (const qsizetype at = Find(key, from); at >= 0)
        Entries_.removeAt(at);
}

void BudgetList::Set(const QString &category, int from, qint64 cents, bool carryOver)
{
    const QString key = GroupNameKey(category);
    const auto known = std::find_if(Entries_.cbegin(), Entries_.cend(),
                                    [&](const BudgetEntry &e) { return GroupNameKey(e.Category) == key; });
    Put({known != Entries_.cend() ? known->Category : category, from, cents, carryOver});
}

bool BudgetList::Remove(const QString &category, std::optional<int> from)
{
    const QString key = GroupNameKey(category);
    if (!from) {
        return Entries_.removeIf([&](const BudgetEntry &e) { return GroupNameKey(e.Category) == key; }) > 0;
    }
    if (!Holding(key, *from)) {
        // Nothing holds then, but amounts set for later months still go.
        return Entries_.removeIf([&](const BudgetEntry &e) {
                   return e.From > *from && GroupNameKey(e.Category) == key;
               }) > 0;
    }
    const QString name = std::find_if(Entries_.cbegin(), Entries_.cend(), [&](const BudgetEntry &e) {
                             return GroupNameKey(e.Category) == key;
                         })->Category;
    Entries_.removeIf([&](const BudgetEntry &e) { return e.From >= *from && GroupNameKey(e.Category) == key; });
    // An earlier amount still holds until then; without one the category is gone.
    if (Holding(key, *from - 1))
        Put({name, *from, std::nullopt, false});
    return true;
}

const BudgetEntry *BudgetList::Holding(const QString &key, int month) const
{
    const BudgetEntry *holding = nullptr;
    for (const BudgetEntry &e : Entries_) {
        if (e.From <= month && (!holding || e.From > holding->From) && GroupNameKey(e.Category) == key)
            holding = &e;
    }
    return holding && holding->Cents ? holding : nullptr;
}

std::optional<int> BudgetList::RunStart(const QString &key, int month) const
{
    const BudgetEntry *holding = Holding(key, month);
    if (!holding)
        return std::nullopt;
    int start = holding->From;
    // Each earlier entry that holds up to the start continues the run.
    while (const BudgetEntry *before = Holding(key, start - 1))
        start = before->From;
    return start;
}

QStringList BudgetList::Keys() const
{
    QStringList keys;
    for (const BudgetEntry &e : Entries_) {
        const QString key = GroupNameKey(e.Category);
        if (!keys.contains(key))
            keys.append(key);
    }
    return keys;
}

QByteArray BudgetList::Bytes() const
{
    QByteArray bytes = Header + '\n';
    for (const BudgetEntry &e : Entries_) {
        bytes += e.Category.toUtf8() + '\t' + BudgetMonthText(e.From).toLatin1() + '\t'
                 + (e.Cents ? StoredText(*e.Cents).toLatin1() : QByteArray("-")) + '\t'
                 + (e.CarryOver ? "ja" : "nein") + '\n';
    }
    return bytes;
}

BudgetList BudgetList::Parse(QByteArrayView data)
{
    if (data.size() > MaxFileBytes)
        throw QelError(u"Die Datei ist größer als eine Budgetdatei sein kann."_s);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(data);
    if (decoder.hasError())
        throw QelError(u"Die Datei enthält Zeichen, die kein UTF-8 sind."_s);
    QStringList lines = text.split(u'\n');
    if (lines.size() < 2 || lines.front() != QString::fromLatin1(Header) || !lines.back().isEmpty())
        throw QelError(u"Die Datei ist keine vollständige Budgetdatei."_s);
    lines.removeLast();

    BudgetList list;
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const auto damaged = [&](const QString &why) {
            throw QelError(u"Zeile %1: %2"_s.arg(n + 1).arg(why));
        };
        const QStringList fields = lines.at(n).split(u'\t');
        if (fields.size() != 4)
            damaged(u"Es werden vier Felder erwartet."_s);
        if (!ValidCategory(fields.at(0)))
            damaged(u"Die Kategorie ist leer, zu lang oder enthält Steuerzeichen."_s);
        const std::optional<int> from = ReadBudgetMonth(fields.at(1));
        if (!from)
            damaged(u"Der Monat ist ungültig."_s);
        std::optional<qint64> cents;
        if (fields.at(2) != u"-") {
            cents = StoredCents(fields.at(2));
            if (!cents || *cents > MaxBudgetCents)
                damaged(u"Der Betrag ist ungültig."_s);
        }
        if (fields.at(3) != u"ja" && fields.at(3) != u"nein")
            damaged(u"Der Übertrag muss \"ja\" oder \"nein\" sein."_s);
        if (list.Find(GroupNameKey(fields.at(0)), *from) >= 0)
            damaged(u"Die Kategorie hat für diesen Monat schon einen Eintrag."_s);
        list.Put({fields.at(0), *from, cents, fields.at(3) == u"ja"});
    }
    return list;
}

QString BudgetSetText(const QString &category, int from, qint64 cents)
{
    const QString amount = QString::number(cents / 100) + u',' + QString::number(cents % 100).rightJustified(2, u'0');
    return u"Budget „%1“ ab %2: %3 €"_s.arg(category, BudgetMonthText(from), amount);
}

QString BudgetRemovedText(const QString &category, std::optional<int> from)
{
    return from ? u"Budget „%1“ endet vor %2"_s.arg(category, BudgetMonthText(*from))
                : u"Budget „%1“ entfernt"_s.arg(category);
}

BudgetStore::BudgetStore(LedgerPaths paths)
    : Paths_(std::move(paths))
{
}

QString BudgetStore::FileName()
{
    return u"Budgets.dat"_s;
}

BudgetList BudgetStore::Load() const
{
    if (!QFileInfo::exists(Path()))
        return {};
    const QByteArray bytes = ListFiles::ReadFile(Path());
    BudgetList list;
    try {
        list = BudgetList::Parse(bytes);
    } catch (const QelError &error) {
        throw QelError(u"Die Budgetdatei %1 ist beschädigt und bleibt unverändert. %2"_s.arg(
            Quoted(QDir::toNativeSeparators(Path())), error.Message()));
    }
    return list;
}

void BudgetStore::Save(const BudgetList &budgets) const
{
    ListFiles::WriteFile(Path(), budgets.Bytes());
}
