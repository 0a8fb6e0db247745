#include "app/JobListModel.h"

#include <algorithm>

TJobListModel::TJobListModel(QObject* parent) : QAbstractTableModel(parent) {}

int TJobListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int TJobListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TJobListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    const Row& row = FRows.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return index.column() == ColumnFile ? row.caption : row.result;
    if (role == Qt::DecorationRole && index.column() == ColumnFile)
        return FDecoration;
    return {};
}

QVariant TJobListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == ColumnFile ? QStringLiteral("File") : QStringLiteral("Result");
}

int TJobListModel::rowOf(RowId id) const {
    // Ids grow with the position, so the row is found by a binary search.
    const auto it = std::lower_bound(FRows.cbegin(), FRows.cend(), id,
                                     [](const Row& r, RowId wanted) { return r.id < wanted; });
    return it != FRows.cend() && it->id == id ? static_cast<int>(it - FRows.cbegin()) : -1;
}

bool TJobListModel::append(const QString& caption) {
    return appendAll(QStringList{caption}) == 1;
}

int TJobListModel::appendAll(const QStringList& captions) {
    QList<Row> fresh;
    for (const QString& caption : captions) {
        int& seen = FIndex[caption];
        if (seen > 0)
            continue;
        seen = 1;
        fresh.append(Row{caption, QString(), FNextId++});
    }
    if (fresh.isEmpty())
        return 0;
    const int first = count();
    beginInsertRows({}, first, first + static_cast<int>(fresh.size()) - 1);
    FRows.append(fresh);
    endInsertRows();
    return static_cast<int>(fresh.size());
}

void TJobListModel::setResult(int row, const QString& result) {
    if (row < 0 || row >= count())
        return;
    FRows[row].result = result;
    const QModelIndex cell = index(row, ColumnResult);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
}

void TJobListModel::clearResults() {
    for (Row& row : FRows)
        row.result.clear();
    if (!FRows.isEmpty())
        Q_EMIT dataChanged(index(0, ColumnResult), index(count() - 1, ColumnResult));
}

void TJobListModel::removeRowsAt(QList<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](int row) { return row < 0 || row >= count(); }),
               rows.end());
    // Contiguous runs go in one removal each, from the bottom up so positions stay valid.
    for (qsizetype i = 0; i < rows.size();) {
        const int last = rows[i];
        int first = last;
        while (++i < rows.size() && rows[i] == first - 1)
            first = rows[i];
        beginRemoveRows({}, first, last);
        for (int row = first; row <= last; ++row)
            FIndex.remove(FRows.at(row).caption);
        FRows.remove(first, last - first + 1);
        endRemoveRows();
    }
}

void TJobListModel::clear() {
    beginResetModel();
    FRows.clear();
    FIndex.clear();
    endResetModel();
}
