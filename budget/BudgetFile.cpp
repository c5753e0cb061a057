#include "budget/BudgetFile.h"

#include "ledger/GroupName.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QSet>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <limits>


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

namespace {

// Whether the value was not in the set yet.
bool Insert(QSet<QString> &set, const QString &value)
{
    const qsizetype before = set.size();
    set.insert(value);
    return set.size() > before;
}

} // namespace

const BudgetList::Group *BudgetList::GroupOf(const QString &key) const
{
    const auto at = At_.constFind(key);
    return at == At_.cend() ? nullptr : &Groups_.at(*at);
}

void BudgetList::PutEntry(const QString &key, const BudgetEntry &entry)
{
    auto at = At_.constFind(key);
    if (at == At_.cend()) {
        at = At_.insert(key, Groups_.size());
        Groups_.append({key, {}});
    }
    QList<BudgetEntry> &entries = Groups_[*at].Entries;
    const auto later = std::lower_bound(entries.begin(), entries.end(), entry.From,
                                        [](const BudgetEntry &e, int from) { return e.From < from; });
    if (later != entries.end() && later->From == entry.From)
        *later = entry;
    else
        entries.insert(later, entry);
}

void BudgetList::Settle()
{
    Groups_.removeIf([](const Group &g) { return g.Entries.isEmpty(); });
    At_.clear();
    Entries_.clear();
    for (qsizetype i = 0; i < Groups_.size(); ++i) {
        At_.insert(Groups_.at(i).Key, i);
        Entries_.append(Groups_.at(i).Entries);
    }
}

void BudgetList::Put(const BudgetEntry &entry)
{
    PutEntry(GroupNameKey(entry.Category), entry);
    Settle();
}

BudgetList BudgetList::Of(const QList<BudgetEntry> &entries)
{
    BudgetList list;
    for (const BudgetEntry &entry : entries)
        list.PutEntry(GroupNameKey(entry.Category), entry);
    list.Settle();
    return list;
}

const BudgetEntry *BudgetList::At(const QString &key, int from) const
{
    const Group *group = GroupOf(key);
    if (!group)
        return nullptr;
    const auto it = std::find_if(group->Entries.cbegin(), group->Entries.cend(),
                                 [&](const BudgetEntry &e) { return e.From == from; });
    return it == group->Entries.cend() ? nullptr : &*it;
}

void BudgetList::Erase(const QString &key, int from)
{
    if (const auto at = At_.constFind(key); at != At_.cend()) {
        Groups_[*at].Entries.removeIf([&](const BudgetEntry &e) { return e.From == from; });
        Settle();
    }
}

void BudgetList::Set(const QString &category, int from, qint64 cents, bool carryOver)
{
    const QString key = GroupNameKey(category);
    const Group *known = GroupOf(key);
    PutEntry(key, {known ? known->Entries.front().Category : category, from, cents, carryOver});
    Settle();
}

bool BudgetList::Remove(const QString &category, std::optional<int> from)
{
    const QString key = GroupNameKey(category);
    const auto at = At_.constFind(key);
    if (at == At_.cend())
        return false;
    QList<BudgetEntry> &entries = Groups_[*at].Entries;
    const QString name = entries.front().Category;
    const bool held = from && Holding(key, *from);
    // Without a month everything goes; when nothing holds then, amounts set for later months
    // still go.
    const int first = !from ? std::numeric_limits<int>::min() : held ? *from : *from + 1;
    const bool removed = entries.removeIf([&](const BudgetEntry &e) { return e.From >= first; }) > 0;
    // An earlier amount still holds until then; without one the category is gone.
    if (held && Holding(key, *from - 1))
        PutEntry(key, {name, *from, std::nullopt, false});
    Settle();
    return held || removed;
}

const BudgetEntry *BudgetList::Holding(const QString &key, int month) const
{
    const Group *group = GroupOf(key);
    if (!group)
        return nullptr;
    const auto later = std::upper_bound(group->Entries.cbegin(), group->Entries.cend(), month,
                                        [](int m, const BudgetEntry &e) { return m < e.From; });
    if (later == group->Entries.cbegin())
        return nullptr;
    const BudgetEntry &holding = *std::prev(later);
    return holding.Cents ? &holding : nullptr;
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
    keys.reserve(Groups_.size());
    for (const Group &group : Groups_)
        keys.append(group.Key);
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
    if (lines.size() - 1 > MaxEntries)
        throw QelError(u"Die Datei hat mehr als %1 Einträge und ist keine Budgetdatei."_s.arg(MaxEntries));

    BudgetList list;
    QSet<QString> seen; // category key and month
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
        if (!Insert(seen, GroupNameKey(fields.at(0)) + u'\t' + QString::number(*from)))
            damaged(u"Die Kategorie hat für diesen Monat schon einen Eintrag."_s);
        list.PutEntry(GroupNameKey(fields.at(0)), {fields.at(0), *from, cents, fields.at(3) == u"ja"});
    }
    list.Settle();
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
