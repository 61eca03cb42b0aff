#pragma once

#include <QAbstractTableModel>

namespace clickwisp {

class TMouseCtrl;

// The list view's model: one row per action of the controller, one column
// per configured column. Texts are asked from the controller's GetCellText
// each time a cell is painted; nothing is cached but the row count, which
// follows the controller's change notices (they arrive after each change).
class ActionListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ActionListModel(QObject* parent = nullptr);

    // Attaches the controller (or detaches it with null) and resets the model.
    void setController(TMouseCtrl* controller);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The controller's notices.
    void listReset();
    void rowsInserted(int first, int count);
    void rowsRemoved(int first, int count);
    void rowMoved(int from, int to);
    void rowChanged(int row);

    // The alignment a configured Align text stands for: only the exact words
    // "right" and "center" change it from left.
    static Qt::Alignment alignmentFor(const std::string& align);

private:
    // Repaints rows first to last (inclusive) in every column.
    void rowsChanged(int first, int last);

    TMouseCtrl* m_controller = nullptr;
    int m_rows = 0;
    int m_columns = 0;
};

} // namespace clickwisp
