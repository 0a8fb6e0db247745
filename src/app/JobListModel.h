#pragma once
// The job list's rows: the source path as added and one Result text. A row also carries an
// identity that never changes, so a running job can find its row again after other rows were
// removed. An index of the captions keeps the duplicate test of adding cheap on long lists.

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariant>

class TJobListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColumnFile = 0, ColumnResult = 1, ColumnCount = 2 };
    using RowId = quint64;

    explicit TJobListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    int count() const { return static_cast<int>(FRows.size()); }
    const QString& caption(int row) const { return FRows.at(row).caption; }
    const QString& result(int row) const { return FRows.at(row).result; }
    RowId rowId(int row) const { return FRows.at(row).id; }
    // The position of the row with that identity, or -1 when it is gone.
    int rowOf(RowId id) const;

    // Exact, case-sensitive comparison with every caption.
    bool contains(const QString& caption) const { return FIndex.contains(caption); }
    // Appends a row unless one has that caption already; true when a row was added.
    bool append(const QString& caption);
    // Appends every caption not present yet, in order, as one insertion.
    int appendAll(const QStringList& captions);

    void setResult(int row, const QString& result);
    void clearResults();
    // Removes the rows at the given positions (any order, duplicates allowed).
    void removeRowsAt(QList<int> rows);
    void clear();

    // The picture shown beside every caption (set by the window; the model stays widget-free).
    void setRowDecoration(const QVariant& decoration) { FDecoration = decoration; }

private:
    struct Row {
        QString caption;
        QString result;
        RowId id;
    };
    QList<Row> FRows;
    QHash<QString, int> FIndex; // caption -> how many rows carry it (0 or 1 through append)
    RowId FNextId = 1;
    QVariant FDecoration;
};
