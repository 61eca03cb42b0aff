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
    if (first + count < m_rows)
        emit dataChanged(index(first + count, 0), index(m_rows - 1, m_columns - 1));
}

void ActionListModel::rowsRemoved(int first, int count)
{
    if (count <= 0)
        return;
    beginRemoveRows({}, first, first + count - 1);
    m_rows -= count;
    endRemoveRows();
    if (first < m_rows)
        emit dataChanged(index(first, 0), index(m_rows - 1, m_columns - 1));
}

void ActionListModel::rowMoved(int from, int to)
{
    if (from == to)
        return;
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    endMoveRows();
    emit dataChanged(index(std::min(from, to), 0), index(std::max(from, to), m_columns - 1));
}

void ActionListModel::rowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, m_columns - 1));
}

} // namespace clickwisp
