#pragma once

#include "import/ImportMatcher.h"

#include <QAbstractTableModel>

#include <functional>

// The preview of an import as a table: a tick, date, kind, amount, category and purpose
// (both editable), counterparty, the bank's text and the status of each row. Only rows
// that may be booked can be ticked; the others show why not.
class ImportPreviewModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { ColTick, ColDate, ColKind, ColAmount, ColCategory, ColPurpose, ColCounterparty, ColBankText, ColStatus, ColumnCount };
    static constexpr int StatusRole = Qt::UserRole;     // ImportStatus as int
    static constexpr int CreditRole = Qt::UserRole + 1; // bool

    explicit ImportPreviewModel(QObject *parent = nullptr);

    void SetRows(QList<ImportCandidate> rows);
    const QList<ImportCandidate> &Rows() const { return Rows_; }

    // Gives the rows the user has not changed by hand their texts anew (after the rules
    // changed).
    void Reassign(const std::function<void(ImportCandidate &)> &assign);
    void SetTicked(int row, bool ticked);
    void ToggleTicked(int row);

    // "14 Zeilen, 10 neu · zu übernehmen: 11 Buchungen, Einnahmen 2000.00 €, Ausgaben
    // 845.10 € · in März 2026, April 2026"
    QString Summary() const;
    int ChosenCount() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    // The user gave a row another category (not a change made by Reassign).
    void CategoryEdited(int row);
    void SummaryChanged();

private:
    QList<ImportCandidate> Rows_;
};

