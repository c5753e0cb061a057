#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>

// The names the entry dialogs offer: 20 income categories and 10 expense groups of 20
// sub-categories each. Held as the 7,130-byte record that Entrys.dat stores, so a file is
// taken over byte for byte. Every name is a length byte and 30 character bytes
// (Windows-1252); a name of length 0 is an empty slot.
class CategoryTable
{
public:
    static constexpr int NameSize = 31;
    static constexpr int MaxNameLength = 30;
    static constexpr int IncomeCount = 20;
    static constexpr int GroupCount = 10;
    static constexpr int SubCategoryCount = 20;
    static constexpr int GroupSize = NameSize + SubCategoryCount * NameSize;        // 651
    static constexpr int RecordSize = IncomeCount * NameSize + GroupCount * GroupSize; // 7130

    CategoryTable(); // all slots empty

    // Entrys.dat when it exists, otherwise the built-in defaults. A file shorter than one
    // record throws QelError; the names it holds whole stay in the table, the rest are empty.
    void LoadCategoryTable(const QString &path);
    void FillDefaultCategories();
    // Takes the first RecordSize bytes; with fewer, the whole names among them, then throws.
    void LoadRecord(QByteArrayView bytes, const QString &path);

    // The names as stored (a length byte above 30 counts as 30).
    QString IncomeName(int i) const;
    QString GroupName(int g) const;
    QString SubCategory(int g, int k) const;

    QByteArray Record() const;

private:
    QString NameAt(int offset) const;
    void SetNameAt(int offset, const QString &name);

    std::array<unsigned char, RecordSize> Record_{};
};

// A name the entry dialogs skip: nothing left after trimming codes up to 32.
bool IsBlankCategoryName(const QString &name);
