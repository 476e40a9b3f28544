// Item model and cell delegate of the table grid: rows are the records of the
// data link's window, read by pointing the link at each row in turn; cells of
// deleted records get their own colours, logical fields are drawn as boxes.
#include "tables/forms/gridmodel.h"

#include <QLineEdit>
#include <QPainter>
#include <exception>

#include "platform/field.h"
#include "platform/qt/qtstring.h"
#include "tables/base/enginedates.h"
#include "tables/forms/grid.h"

namespace kor2 {

namespace {

constexpr const char* kFilled = "kor2Filled";  // editor property: text was set

// Keeps the data link's active record for a scope while another row is read.
class RowPointer {
public:
    RowPointer(TTbGrid& grid, int row) : grid_(grid) {
        TDataSet* ds = grid.DataSet();
        if (ds && ds->Active()) {
            saved_ = ds->ActiveRecordIndex();
            ds->SetActiveRecordIndex(saved_ + row - grid.CurrentRow());
            set_ = true;
        }
    }
    ~RowPointer() {
        if (set_) grid_.DataSet()->SetActiveRecordIndex(saved_);
    }
    RowPointer(const RowPointer&) = delete;
    RowPointer& operator=(const RowPointer&) = delete;

private:
    TTbGrid& grid_;
    int saved_ = 0;
    bool set_ = false;
};

}  // namespace

QString DateEditMask() {
    const bool century = CenturyDisplay;
    CenturyDisplay = true;
    std::string mask = EmptyDateText(DateFormatIndex);
    CenturyDisplay = century;
    for (char& c : mask)
        if (c == ' ') c = '0';
    return QString::fromLatin1(mask.c_str()) + "; ";
}

TTbGridModel::TTbGridModel(TTbGrid& grid) : QAbstractTableModel(&grid), grid_(grid) {}

int TTbGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TTbGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

std::string TTbGridModel::CellText(int row, int column, bool forEdit) const {
    TField* f = grid_.ColumnField(column);
    if (!f) return {};
    try {
        RowPointer at(grid_, row);
        if (f->DataType() == TFieldType::ftBoolean && !forEdit) {
            // A logical value shows as the grid's true or false text.
            if (f->IsNull()) return {};
            std::string t, fl;
            TTbGrid::BooleanTexts(*f, t, fl);
            return f->AsBoolean() ? t : fl;
        }
        return forEdit ? EditText(*f) : f->DisplayText();
    } catch (const std::exception&) {
        return {};
    }
}

std::string TTbGridModel::EditText(const TField& f) {
    // A number is typed with the decimal sign it is shown with.
    return f.DataType() == TFieldType::ftFloat ? f.DisplayText() : f.AsString();
}

QVariant TTbGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columns_) return {};
    const TTbColumn& col = grid_.Column(index.column());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return platform::AnsiToQString(
                CellText(index.row(), index.column(), role == Qt::EditRole));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(col.Alignment | Qt::AlignVCenter);
        case Qt::FontRole:
            return col.Font;
        default:
            return {};
    }
}

bool TTbGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.row() != grid_.CurrentRow()) return false;
    TField* f = grid_.ColumnField(index.column());
    if (!f || !grid_.CanEditGrid() || grid_.Column(index.column()).ReadOnly || f->ReadOnly())
        return false;
    const std::string text = platform::QStringToAnsi(value.toString());
    const bool saved = grid_.writingCell_;
    grid_.writingCell_ = true;  // Edit() checks browse mode: not this editor again
    bool ok = true;
    try {
        TDataSet* ds = grid_.DataSet();
        if (EditText(*f) != text || ds->State() != TDataSetState::dsBrowse) {
            if (ds->State() == TDataSetState::dsBrowse) ds->Edit();
            f->SetAsString(text);
        }
    } catch (const std::exception&) {
        // The grid shows why and keeps the editor open.
        grid_.refusal_ = std::current_exception();
        ok = false;
    }
    grid_.writingCell_ = saved;
    return ok;
}

QVariant TTbGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role != Qt::DisplayRole || section != grid_.CurrentRow()) return {};
        TDataSet* ds = grid_.DataSet();
        if (!ds) return {};
        if (ds->State() == TDataSetState::dsInsert) return QStringLiteral("*");
        if (ds->State() == TDataSetState::dsEdit) return QStringLiteral("I");
        return QStringLiteral(">");
    }
    if (section < 0 || section >= columns_) return {};
    const TTbColumn& col = grid_.Column(section);
    switch (role) {
        case Qt::DisplayRole:
            return platform::AnsiToQString(col.TitleCaption.empty() ? col.FieldName
                                                                    : col.TitleCaption);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(col.TitleAlignment | Qt::AlignVCenter);
        case Qt::FontRole:
            return col.TitleFont;
        default:
            return {};
    }
}

Qt::ItemFlags TTbGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags fl = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    TField* f = grid_.ColumnField(index.column());
    if (f && grid_.CanEditGrid() && !grid_.Column(index.column()).ReadOnly && !f->ReadOnly() &&
        f->DataType() != TFieldType::ftBoolean && !f->IsBlob())
        fl |= Qt::ItemIsEditable;
    return fl;
}

void TTbGridModel::Refresh() {
    const int rows = grid_.WindowRows();
    const int cols = grid_.ColumnCount();
    if (cols != columns_) {
        ResetAll();
        return;
    }
    if (rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows({}, rows, rows_ - 1);
        rows_ = rows;
        endRemoveRows();
    }
    if (rows_ > 0 && columns_ > 0) Q_EMIT dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
    if (rows_ > 0) Q_EMIT headerDataChanged(Qt::Vertical, 0, rows_ - 1);
}

void TTbGridModel::ResetAll() {
    beginResetModel();
    rows_ = grid_.WindowRows();
    columns_ = grid_.ColumnCount();
    endResetModel();
}

// ---------------------------------------------------------------- delegate

TTbGridDelegate::TTbGridDelegate(TTbGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

void TTbGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const TTbRowColors rc = grid_.RowColors(index.row(), index.column());
    QColor brush = rc.cell;
    QColor font = rc.cellText;
    if (grid_.RowDeleted(index.row())) {
        brush = rc.deleted;
        font = rc.deletedText;
    }
    if (option.state & QStyle::State_Selected) {
        brush = rc.highlight;
        font = rc.highlightText;
    }
    if (!grid_.isEnabled()) font = grid_.palette().color(QPalette::Disabled, QPalette::Text);
    painter->save();
    painter->fillRect(option.rect, brush);
    TField* f = grid_.ColumnField(index.column());
    if (f && f->DataType() == TFieldType::ftBoolean && grid_.BooleanBox != bbText) {
        std::string t, fl;
        TTbGrid::BooleanTexts(*f, t, fl);
        const std::string text = static_cast<const TTbGridModel*>(index.model())
                                     ->CellText(index.row(), index.column(), false);
        PaintBox(*painter, option.rect, !text.empty() && text == t, font);
    } else {
        painter->setPen(font);
        painter->setFont(grid_.Column(index.column()).Font);
        const QRect r = option.rect.adjusted(2, 0, -2, 0);
        painter->drawText(
            r, static_cast<int>(grid_.Column(index.column()).Alignment | Qt::AlignVCenter),
            index.data(Qt::DisplayRole).toString());
    }
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(font, 1, Qt::DotLine));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

void TTbGridDelegate::PaintBox(QPainter& p, const QRect& cell, bool marked,
                               const QColor& font) const {
    const int side = std::max(4, std::min(cell.width(), cell.height()) - 6);
    QRect box(0, 0, side, side);
    box.moveCenter(cell.center());
    const QColor red(255, 0, 0);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(font, 1));
    p.setBrush(Qt::NoBrush);
    const TTbBooleanBox style = grid_.BooleanBox;
    if (style == bbCheckBox || style == bbFillBox || style == bbFillBoxRed)
        p.drawRect(box.adjusted(0, 0, -1, -1));
    if (style == bbRButton || style == bbRButtonRed) p.drawEllipse(box.adjusted(0, 0, -1, -1));
    if (!marked) return;
    const QRect inner = box.adjusted(2, 2, -2, -2);
    switch (style) {
        case bbCheckBox: {
            const QRect x = box.adjusted(3, 3, -4, -4);
            p.setPen(QPen(font, 2));
            p.drawLine(x.topLeft(), x.bottomRight());
            p.drawLine(x.topRight(), x.bottomLeft());
            break;
        }
        case bbCheckMark:
            p.setPen(QPen(font, 2));
            p.drawLine(box.left() + 1, box.center().y(), box.center().x(), box.bottom() - 1);
            p.drawLine(box.center().x(), box.bottom() - 1, box.right() - 1, box.top() + 1);
            break;
        case bbFillBox:
        case bbFillBoxRed:
            p.fillRect(inner, style == bbFillBox ? font : red);
            break;
        case bbRButton:
        case bbRButtonRed:
        case bbDot:
        case bbDotRed: {
            const bool red_ = style == bbRButtonRed || style == bbDotRed;
            p.setPen(Qt::NoPen);
            p.setBrush(red_ ? red : font);
            p.drawEllipse(style == bbDot || style == bbDotRed ? box : inner);
            break;
        }
        case bbText:
            break;
    }
}

QWidget* TTbGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                       const QModelIndex& index) const {
    auto* ed = new QLineEdit(parent);
    ed->setFrame(false);
    if (TField* f = grid_.ColumnField(index.column())) {
        if (f->DataType() == TFieldType::ftDate) ed->setInputMask(DateEditMask());
        if (f->DataType() == TFieldType::ftString && f->Size() > 0) ed->setMaxLength(f->Size());
    }
    editor_ = ed;
    return ed;
}

void TTbGridDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
    if (editor == editor_) editor_ = nullptr;  // closed: no longer the open one
    QStyledItemDelegate::destroyEditor(editor, index);
}

void TTbGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    // Filled once when it opens: later redraws of the row (the record going
    // into edit state while the text is stored) keep what the user typed.
    auto* ed = qobject_cast<QLineEdit*>(editor);
    if (!ed || ed->property(kFilled).toBool()) return;
    ed->setText(index.data(Qt::EditRole).toString());
    ed->setProperty(kFilled, true);
}

void TTbGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                   const QModelIndex& index) const {
    if (auto* ed = qobject_cast<QLineEdit*>(editor))
        model->setData(index, ed->text(), Qt::EditRole);
}

}  // namespace kor2
