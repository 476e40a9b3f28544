// Internals of the table grid: the item model over the data link's window of
// records and the delegate that draws cells (deleted colours, logical boxes)
// and makes their editors. Used only by grid.cpp.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <string>

namespace kor2 {

class TTbGrid;
class TField;

class TTbGridModel : public QAbstractTableModel {
public:
    explicit TTbGridModel(TTbGrid& grid);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Brings rows and columns in line with the grid and redraws every cell.
    void Refresh();
    void ResetAll();
    // Text of a field in window row (display or edit form); empty on error.
    std::string CellText(int row, int column, bool forEdit) const;
    // The text an editor of the field starts with: a float as it is shown.
    static std::string EditText(const TField& f);

private:
    TTbGrid& grid_;
    int rows_ = 0;
    int columns_ = 0;
};

class TTbGridDelegate : public QStyledItemDelegate {
public:
    explicit TTbGridDelegate(TTbGrid& grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    // The editor open now, if any.
    QWidget* OpenEditor() const { return editor_; }

private:
    void PaintBox(QPainter& p, const QRect& cell, bool marked, const QColor& font) const;
    TTbGrid& grid_;
    mutable QPointer<QWidget> editor_;
};

// Input mask of a date editor in the engine's DATE format, always with the
// century (the date fields show it).
QString DateEditMask();

}  // namespace kor2
