#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Regional;

// The four lists of the ledger; each holds one kind of row.
//   Income, Expend: caption date text; amount, category, purpose
//   Regular:        caption day text;  amount, category, purpose, kind
//   Books:          caption book key;  name, last change, income total, expense total
enum class ListKind { Income, Expend, Regular, Books };

enum class ColumnAlignment { Left, Right, Center };

struct ListColumn
{
    QString Caption;
    int Width = 50;
    ColumnAlignment Alignment = ColumnAlignment::Left;

    bool operator==(const ListColumn &) const = default;
};

struct ListRow
{
    QString Caption;
    QStringList SubItems;
    // Stored with every row; the program always writes the values given here.
    qint32 ImageIndex = 0;
    qint32 StateIndex = -1;
    qint32 OverlayIndex = -1;
    quint32 Data = 0;
    QList<qint16> SubItemImages; // one per sub-item; a missing entry counts as -1
    // Never stored: which booking of the change logs the row shows (empty for a row not yet
    // saved), and the revision of it that the row was read at. Not compared.
    QByteArray Id;
    QByteArray Base;

    static ListRow Make(QString caption, QStringList subItems);

    // Sub-item i, or an empty text when the row has fewer.
    QString SubItem(int i) const;
    qint16 SubItemImage(int i) const;

    // Missing sub-item images compare equal to explicit -1s.
    bool operator==(const ListRow &other) const;
};

// A colour, character set or other value that a record gives either by name or as a number.
struct NamedValue
{
    QString Name; // empty: the number holds
    qint32 Number = 0;

    bool operator==(const NamedValue &) const = default;
};

// The presentation a list record carries beside its rows and columns. The reader takes
// it over from a file, the writer writes it back; the program never changes it.
struct ListPresentation
{
    int Left = 6;
    int Top = 54;
    int Width = 619;
    int Height = 440;
    QString BevelKind = QStringLiteral("bkFlat");
    QString BorderStyle = QStringLiteral("bsNone");
    NamedValue Color{QStringLiteral("clWhite")};
    bool ColumnClick = false;
    NamedValue FontCharset{QStringLiteral("DEFAULT_CHARSET")};
    NamedValue FontColor{QStringLiteral("clBlack")};
    int FontHeight = -11;
    QString FontName = QStringLiteral("MS Sans Serif");
    QStringList FontStyle;
    bool GridLines = true;
    bool HideSelection = false;
    bool IconWrapText = false;
    bool OwnerDraw = true;
    bool ReadOnly = true;
    bool RowSelect = true;
    bool ParentFont = false;
    bool ParentShowHint = false;
    bool ShowColumnHeaders = false;
    bool ShowHint = true;
    int TabOrder = 0;
    QString ViewStyle = QStringLiteral("vsReport");

    bool operator==(const ListPresentation &) const = default;
};

class BookingList
{
public:
    explicit BookingList(ListKind kind);

    ListKind Kind() const { return Kind_; }
    static QList<ListColumn> StandardColumns(ListKind kind);

    qsizetype RowCount() const { return Rows_.size(); }
    bool IsEmpty() const { return Rows_.isEmpty(); }
    const ListRow &Row(qsizetype i) const { return Rows_.at(i); }
    const QList<ListRow> &Rows() const { return Rows_; }
    ListRow &MutableRow(qsizetype i) { return Rows_[i]; }

    qsizetype AddRow(ListRow row);
    void ReplaceRow(qsizetype i, ListRow row);
    void SetSubItem(qsizetype row, int subItem, const QString &text);
    void RemoveRow(qsizetype i);
    void ClearRows();
    void ReserveRows(qsizetype n) { Rows_.reserve(n); }

    const QList<ListColumn> &Columns() const { return Columns_; }
    void SetColumns(QList<ListColumn> columns) { Columns_ = std::move(columns); }
    void SetColumnAlignment(int column, ColumnAlignment alignment);

    const ListPresentation &Presentation() const { return Presentation_; }
    ListPresentation &Presentation() { return Presentation_; }

    // The selected row, or -1. It follows its row through sorting and is cleared when the
    // row goes away.
    qsizetype Selected() const { return Selected_; }
    void SetSelected(qsizetype i);

    // Orders the rows by caption with the regional comparison; rows of equal caption keep
    // their order.
    void SortByCaption(const Regional &regional);

private:
    ListKind Kind_;
    QList<ListRow> Rows_;
    QList<ListColumn> Columns_;
    ListPresentation Presentation_;
    qsizetype Selected_ = -1;
};
