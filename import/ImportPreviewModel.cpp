#include "import/ImportPreviewModel.h"

#include "import/LedgerText.h"
#include "ledger/FuncUnit.h"

#include <QMap>

ImportPreviewModel::ImportPreviewModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void ImportPreviewModel::SetRows(QList<ImportCandidate> rows)
{
    beginResetModel();
    Rows_ = std::move(rows);
    endResetModel();
    emit SummaryChanged();
}

void ImportPreviewModel::Reassign(const std::function<void(ImportCandidate &)> &assign)
{
    for (ImportCandidate &c : Rows_) {
        if (!c.ByHand)
            assign(c);
    }
    if (!Rows_.isEmpty())
        emit dataChanged(index(0, ColCategory), index(int(Rows_.size()) - 1, ColPurpose));
}

void ImportPreviewModel::SetTicked(int row, bool ticked)
{
    if (row < 0 || row >= Rows_.size())
        return;
    ImportCandidate &c = Rows_[row];
    if (!IsBookable(c) || c.Ticked == ticked)
        return;
    c.Ticked = ticked;
    emit dataChanged(index(row, ColTick), index(row, ColumnCount - 1));
    emit SummaryChanged();
}

void ImportPreviewModel::ToggleTicked(int row)
{
    if (row >= 0 && row < Rows_.size())
        SetTicked(row, !Rows_.at(row).Ticked);
}

int ImportPreviewModel::ChosenCount() const
{
    int n = 0;
    for (const ImportCandidate &c : Rows_)
        n += c.Ticked && IsBookable(c) ? 1 : 0;
    return n;
}

QString ImportPreviewModel::Summary() const
{
    int fresh = 0;
    qint64 income = 0;
    qint64 expense = 0;
    QMap<int, QString> books; // by year and month
    for (const ImportCandidate &c : Rows_) {
        fresh += c.Status == ImportStatus::New ? 1 : 0;
        if (!c.Ticked || !IsBookable(c))
            continue;
        (c.Row.Credit ? income : expense) += c.Row.AmountCents;
        books.insert(c.Row.BookingDate.year() * 12 + c.Row.BookingDate.month(), c.BookName);
    }
    const QString euro = QStringLiteral(" €");
    const auto counted = [](qsizetype n, const char16_t *one, const char16_t *many) -> QString {
        return QString::number(n) + u' ' + QString::fromUtf16(n == 1 ? one : many);
    };
    QString text = QStringLiteral("%1, %2 neu · zu übernehmen: %3, Einnahmen %4, Ausgaben %5")
                       .arg(counted(Rows_.size(), u"Zeile", u"Zeilen"))
                       .arg(fresh)
                       .arg(counted(ChosenCount(), u"Buchung", u"Buchungen"),
                            FormatAmount(double(income) / 100.0) + euro, FormatAmount(double(expense) / 100.0) + euro);
    if (!books.isEmpty())
        text += QStringLiteral(" · in ") + books.values().join(QStringLiteral(", "));
    QStringList unreadable;
    for (const ImportCandidate &c : Rows_) {
        if (c.Status == ImportStatus::Unreadable)
            unreadable.append(QString::number(c.Row.Line));
    }
    if (!unreadable.isEmpty())
        text += QStringLiteral(" · unlesbar: %1 %2")
                    .arg(unreadable.size() == 1 ? QStringLiteral("Zeile") : QStringLiteral("Zeilen"), unreadable.join(u", "));
    return text;
}

int ImportPreviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(Rows_.size());
}

int ImportPreviewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ImportPreviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= Rows_.size())
        return {};
    const ImportCandidate &c = Rows_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case ColDate: return c.DateText;
        case ColKind:
            if (c.Status == ImportStatus::Unreadable)
                return QString();
            return c.Row.Credit ? IncomeKind() : ExpenseKind();
        case ColAmount:
            return c.Status == ImportStatus::ForeignCurrency ? c.Amount + u' ' + c.Row.Currency.trimmed() : c.Amount;
        case ColCategory: return c.Category;
        case ColPurpose: return c.Purpose;
        case ColCounterparty: return c.Row.Counterparty;
        case ColBankText: return BankText(c.Row);
        case ColStatus: return StatusLine(c);
        default: return {};
        }
    case Qt::CheckStateRole:
        if (index.column() == ColTick && c.Status != ImportStatus::Unreadable)
            return c.Ticked && IsBookable(c) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == ColAmount)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ToolTipRole: {
        QStringList lines{c.Row.Counterparty, BankText(c.Row)};
        if (!c.Row.CounterpartyAccount.isEmpty())
            lines.append(QStringLiteral("Konto: ") + c.Row.CounterpartyAccount);
        if (!c.Row.Reference.isEmpty())
            lines.append(QStringLiteral("Referenz: ") + c.Row.Reference);
        // The status column is narrow: what a row matched is read here, too.
        if (const QString status = StatusLine(c); status != StatusText(c.Status))
            lines.append(QStringLiteral("Status: ") + status);
        lines.removeAll(QString());
        return lines.join(u'\n');
    }
    case StatusRole: return int(c.Status);
    case CreditRole: return c.Row.Credit;
    default: return {};
    }
}

QVariant ImportPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char16_t *const titles[] = {u"", u"Datum", u"Art", u"Betrag (€)", u"Kategorie", u"Verwendung",
                                             u"Gegenseite", u"Buchungstext der Bank", u"Status"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf16(titles[section]) : QVariant();
}

Qt::ItemFlags ImportPreviewModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const ImportCandidate &c = Rows_.at(index.row());
    if (index.column() == ColTick && IsBookable(c))
        f |= Qt::ItemIsUserCheckable;
    if ((index.column() == ColCategory || index.column() == ColPurpose) && IsBookable(c))
        f |= Qt::ItemIsEditable;
    return f;
}

bool ImportPreviewModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= Rows_.size())
        return false;
    ImportCandidate &c = Rows_[index.row()];
    if (role == Qt::CheckStateRole && index.column() == ColTick) {
        if (!IsBookable(c))
            return false;
        SetTicked(index.row(), value.toInt() == Qt::Checked);
        return true;
    }
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const bool category = index.column() == ColCategory;
    // As the entry dialogs take a text.
    const QString text = CapitalizeFirst(value.toString());
    if (!LedgerText::Problem(text, category ? QStringLiteral("Kategorie") : QStringLiteral("Verwendung"), category)
             .isEmpty())
        return false;
    QString &field = category ? c.Category : c.Purpose;
    if (field == text)
        return true;
    field = text;
    c.ByHand = true;
    emit dataChanged(index, index);
    if (category)
        emit CategoryEdited(index.row());
    return true;
}
