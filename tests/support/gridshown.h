#pragma once
// What a grid draws, for comparing with a file written from it: its titles,
// then every row it holds (fetched to the end), each cell's text trimmed.

#include <QAbstractItemModel>
#include <QString>
#include <QTableView>

#include <vector>

namespace ktest {

using Grid = std::vector<std::vector<QString>>;

inline Grid shownBy(QTableView* grid)
{
    QAbstractItemModel* m = grid->model();
    while (m->canFetchMore({})) m->fetchMore({});
    Grid out(1);
    for (int c = 0; c < m->columnCount(); ++c) out[0].push_back(m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    for (int r = 0; r < m->rowCount(); ++r) {
        out.emplace_back();
        for (int c = 0; c < m->columnCount(); ++c) out.back().push_back(m->index(r, c).data().toString().trimmed());
    }
    return out;
}

} // namespace ktest
