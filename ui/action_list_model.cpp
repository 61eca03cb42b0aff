#include "ui/action_list_model.h"

#include "app/list_controller.h"
#include "app/main_window_presenter.h"

namespace clickwisp {

ActionListModel::ActionListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void ActionListModel::setController(TMouseCtrl* controller)
{
    beginResetModel();
    m_controller = controller;
    m_rows = controller ? controller->Count() : 0;
    m_columns = controller ? controller->GetConfig().GetCols().Count() : 0;
    endResetModel();
}

int ActionListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ActionListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

Qt::Alignment ActionListModel::alignmentFor(const std::string& align)
{
    switch (ColumnAlignOf(align)) {
    case ColumnAlign::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case ColumnAlign::Centre: return Qt::AlignHCenter | Qt::AlignVCenter;
    case ColumnAlign::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QVariant ActionListModel::data(const QModelIndex& index, int role) const
{
    if (!m_controller || !index.isValid() || index.row() >= m_controller->Count())
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(m_controller->GetCellText(index.row(), index.column()));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(alignmentFor(m_controller->GetConfig().GetCols().Col(index.column()).Align()));
    return {};
}

QVariant ActionListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!m_controller || orientation != Qt::Horizontal || section < 0 || section >= m_columns)
        return {};
    const auto col = m_controller->GetConfig().GetCols().Col(section);
    if (role == Qt::DisplayRole)
        return QString::fromStdString(col.Name());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(alignmentFor(col.Align()));
    return {};
}

void ActionListModel::listReset()
{
    beginResetModel();
    m_rows = m_controller ? m_controller->Count() : 0;
    endResetModel();
}

void ActionListModel::rowsInserted(int first, int count)
{
    if (count <= 0)
        return;
    beginInsertRows({}, first, first + count - 1);
    m_rows += count;
    endInsertRows();
    // The numbers of the rows below changed too.
    rowsChanged(first + count, m_rows - 1);
}

void ActionListModel::rowsRemoved(int first, int count)
{
    if (count <= 0)
        return;
    beginRemoveRows({}, first, first + count - 1);
    m_rows -= count;
    endRemoveRows();
    rowsChanged(first, m_rows - 1);
}

void ActionListModel::rowMoved(int from, int to)
{
    if (from == to)
        return;
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    endMoveRows();
    rowsChanged(std::min(from, to), std::max(from, to));
}

void ActionListModel::rowChanged(int row)
{
    rowsChanged(row, row);
}

void ActionListModel::rowsChanged(int first, int last)
{
    // Without columns (a configuration with no col) there are no cells to
    // repaint, and index(row, -1) would be no index at all.
    if (m_columns <= 0 || first < 0 || first > last || last >= m_rows)
        return;
    emit dataChanged(index(first, 0), index(last, m_columns - 1));
}

} // namespace clickwisp
