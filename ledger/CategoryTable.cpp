#include "ledger/CategoryTable.h"

#include "ledger/QelError.h"
#include "ledger/Win1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace {

constexpr int IncomeOffset(int i) { return CategoryTable::NameSize * i; }
constexpr int GroupOffset(int g)
{
    return CategoryTable::IncomeCount * CategoryTable::NameSize + CategoryTable::GroupSize * g;
}
constexpr int SubCategoryOffset(int g, int k) { return GroupOffset(g) + CategoryTable::NameSize * (k + 1); }

QString ShortRecordMessage(const QString &path)
{
    return QStringLiteral("E/A-Fehler beim Lesen der Kategoriedatei \"%1\": "
                          "Die Datei enthält weniger als %2 Bytes.")
        .arg(QDir::toNativeSeparators(path))
        .arg(CategoryTable::RecordSize);
}

} // namespace

CategoryTable::CategoryTable() = default;

void CategoryTable::LoadCategoryTable(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        FillDefaultCategories();
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw QelError(QStringLiteral("E/A-Fehler beim Öffnen der Kategoriedatei \"%1\": %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    LoadRecord(file.read(RecordSize), path);
}

void CategoryTable::LoadRecord(QByteArrayView bytes, const QString &path)
{
    if (bytes.size() >= RecordSize) {
        std::memcpy(Record_.data(), bytes.data(), RecordSize);
        return;
    }
    // What was read stays: every name whose 31 bytes are all there; the rest are empty.
    // Names lie on 31-byte steps throughout (a group is its name and 20 sub-categories).
    const qsizetype whole = bytes.size() / NameSize * NameSize;
    Record_.fill(0);
    if (whole > 0) // an empty file gives no data pointer at all
        std::memcpy(Record_.data(), bytes.data(), whole);
    throw QelError(ShortRecordMessage(path));
}

void CategoryTable::FillDefaultCategories()
{
    for (int i = 0; i < IncomeCount; ++i)
        Record_[IncomeOffset(i)] = 0;
    for (int g = 0; g < GroupCount; ++g) {
        Record_[GroupOffset(g)] = 0;
        for (int k = 0; k < SubCategoryCount; ++k)
            Record_[SubCategoryOffset(g, k)] = 0;
    }

    const QStringList income = {
        QStringLiteral("Gehalt"),           QStringLiteral("Rente"),
        QStringLiteral("Arbeitslosengeld"), QStringLiteral("Kindergeld"),
        QStringLiteral("Erziehungsgeld"),   QStringLiteral("Miete"),
        QStringLiteral("Zinsen"),           QStringLiteral("Kapitalerträge"),
        QStringLiteral("Steuererstattung"), QStringLiteral("Fahrkostenerstattung"),
        QStringLiteral("Zuwendungen"),      QStringLiteral("Sonstige"),
    };
    for (int i = 0; i < income.size(); ++i)
        SetNameAt(IncomeOffset(i), income.at(i));

    struct Group
    {
        QString Name;
        QStringList SubCategories;
    };
    const QList<Group> groups = {
        {QStringLiteral("Wohnen"),
         {QStringLiteral("Miete"), QStringLiteral("Nebenkosten"), QStringLiteral("Heizung"),
          QStringLiteral("Strom"), QStringLiteral("Wasser"), QStringLiteral("Telefon"),
          QStringLiteral("GEZ-Gebühren"), QStringLiteral("Darlehens-Tilgung"), QStringLiteral("Bausparen"),
          QStringLiteral("Renovierung"), QStringLiteral("Reparaturen"), QStringLiteral("Umbauten"),
          QStringLiteral("Möbel"), QStringLiteral("Abfallgebühr"), QStringLiteral("Schornsteinfeger"),
          QStringLiteral("Sonstige")}},
        {QStringLiteral("Haushalt"),
         {QStringLiteral("Nahrungsmittel"), QStringLiteral("Genussmittel"), QStringLiteral("Körperpflege"),
          QStringLiteral("Medikamente"), QStringLiteral("Reinigungsmittel"), QStringLiteral("Kleidung"),
          QStringLiteral("Elektrogeräte"), QStringLiteral("Geschenke"), QStringLiteral("Getränke"),
          QStringLiteral("Sonstige")}},
        // The group name keeps its trailing blank; bookings store it so.
        {QStringLiteral("Auto "),
         {QStringLiteral("Tanken"), QStringLiteral("KFZ-Steuer"), QStringLiteral("Versicherung"),
          QStringLiteral("Wartung"), QStringLiteral("Reparatur"), QStringLiteral("Raten"),
          QStringLiteral("Zubehör"), QStringLiteral("Parkgebühr"), QStringLiteral("Autowäsche"),
          QStringLiteral("Sonstige")}},
        {QStringLiteral("Freizeit"),
         {QStringLiteral("Hobby"), QStringLiteral("Literatur"), QStringLiteral("Kinobesuch"),
          QStringLiteral("Veranstaltung"), QStringLiteral("CD's/DVD's"), QStringLiteral("Spiele/Software"),
          QStringLiteral("Spielwaren"), QStringLiteral("Haustiere"), QStringLiteral("Pflanzen"),
          QStringLiteral("Werkzeug"), QStringLiteral("Sonstige")}},
        {QStringLiteral("Erziehung"),
         {QStringLiteral("KITA-Beitrag"), QStringLiteral("Essengeld"), QStringLiteral("Ausflug"),
          QStringLiteral("Kinderfeier"), QStringLiteral("Sonstige")}},
        {QStringLiteral("Ausbildung"),
         {QStringLiteral("Schulgeld"), QStringLiteral("Lehrmittel"), QStringLiteral("Fortbildung"),
          QStringLiteral("Fahrkosten"), QStringLiteral("Sonstige")}},
        {QStringLiteral("Beruf"),
         {QStringLiteral("Fachliteratur"), QStringLiteral("Berufsbekleidung"), QStringLiteral("Reinigungskosten"),
          QStringLiteral("Fahrkosten"), QStringLiteral("Arbeitsmittel"), QStringLiteral("Bewerbungskosten"),
          QStringLiteral("Sonstige")}},
        {QStringLiteral("Sonstige"),
         {QStringLiteral("Steuern"), QStringLiteral("Versicherungen"), QStringLiteral("Altersvorsorge"),
          QStringLiteral("Kreditkosten"), QStringLiteral("Bankgebühren"), QStringLiteral("Unterhaltszahlung"),
          QStringLiteral("Verkehrsmittel"), QStringLiteral("Arztbesuch"), QStringLiteral("Krankenhausaufenthalt"),
          QStringLiteral("Anwaltskosten"), QStringLiteral("Sonstige")}},
    };
    for (int g = 0; g < groups.size(); ++g) {
        SetNameAt(GroupOffset(g), groups.at(g).Name);
        const QStringList &subs = groups.at(g).SubCategories;
        for (int k = 0; k < subs.size(); ++k)
            SetNameAt(SubCategoryOffset(g, k), subs.at(k));
    }
}

QString CategoryTable::IncomeName(int i) const
{
    return i >= 0 && i < IncomeCount ? NameAt(IncomeOffset(i)) : QString();
}

QString CategoryTable::GroupName(int g) const
{
    return g >= 0 && g < GroupCount ? NameAt(GroupOffset(g)) : QString();
}

QString CategoryTable::SubCategory(int g, int k) const
{
    if (g < 0 || g >= GroupCount || k < 0 || k >= SubCategoryCount)
        return {};
    return NameAt(SubCategoryOffset(g, k));
}

QByteArray CategoryTable::Record() const
{
    return QByteArray(reinterpret_cast<const char *>(Record_.data()), RecordSize);
}

QString CategoryTable::NameAt(int offset) const
{
    // A length byte above 30 would reach into the next slot; the name ends at 30.
    const int length = std::min<int>(Record_[offset], MaxNameLength);
    return Win1252::Decode(QByteArrayView(reinterpret_cast<const char *>(Record_.data()) + offset + 1, length));
}

void CategoryTable::SetNameAt(int offset, const QString &name)
{
    const QByteArray bytes = Win1252::Encode(name).left(MaxNameLength);
    Record_[offset] = static_cast<unsigned char>(bytes.size());
    std::memcpy(Record_.data() + offset + 1, bytes.constData(), bytes.size());
}

bool IsBlankCategoryName(const QString &name)
{
    return std::all_of(name.cbegin(), name.cend(), [](QChar ch) { return ch.unicode() <= 32; });
}
