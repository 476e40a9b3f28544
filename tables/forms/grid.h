// Data-aware grid of the table engine: shows a window of records of a data
// source (deleted records in their own colours, logical fields as boxes),
// edits cells, restores deleted records. The table browser holds one.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QTableView>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dataset.h"

namespace kor2 {

class TTbGrid;
class TTbGridModel;
class TTbDataSet;

// Restores the current record of a dBase data set when it is marked as
// deleted; the work area is put on that record first, also when the data set
// does not follow every scroll.
void RestoreDeletedRecord(TTbDataSet& ds);
// Called in a catch block of a data-aware control: hands the exception to
// DataSetExceptionHandler, or shows its text in a message box.
void ShowDataSetException();

// Stops a data-set command while a cell holds a value its field refused; the
// grid shows the refusal itself, so ShowDataSetException shows nothing.
class ECellRefused : public std::runtime_error {
public:
    ECellRefused() : std::runtime_error("cell value refused") {}
};

enum TTbBooleanBox {
    bbCheckBox,
    bbCheckMark,
    bbText,
    bbFillBox,
    bbFillBoxRed,
    bbRButton,
    bbRButtonRed,
    bbDot,
    bbDotRed
};

// One column: the field it shows and how it shows it and its title. An
// invalid colour stands for the grid's own.
struct TTbColumn {
    std::string FieldName;
    QColor Color;
    int Width = 64;
    QFont Font;
    QColor FontColor;
    Qt::Alignment Alignment = Qt::AlignLeft;
    bool ReadOnly = false;
    QColor TitleColor;
    std::string TitleCaption;  // empty: the field name
    Qt::Alignment TitleAlignment = Qt::AlignLeft;
    QFont TitleFont;
    QColor TitleFontColor;
    int Index = 0;  // position among the grid's columns
};

// The seven colours of a row, filled before it is drawn.
struct TTbRowColors {
    QColor indicator, cell, cellText, highlight, highlightText, deleted, deletedText;
};

struct TTbGridOptions {
    bool editing = true;
    bool titles = true;
    bool indicator = true;
    bool columnResize = true;
    bool columnLines = true;
    bool rowLines = true;
    bool tabs = true;
    bool confirmDelete = true;
    bool rowSelect = false;
};

using TTbGridClickEvent = std::function<void(TTbGrid& sender, TTbColumn& column)>;
using TTbNotifyEvent = std::function<void(TTbGrid& sender)>;
// Row is the window row being drawn; it is the data link's active record during the call.
using TTbChangeColorsEvent = std::function<void(TTbGrid& sender, int row, TTbRowColors& colors)>;
// Key codes as the platform numbers them (Up 38, Down 40, Enter 13 ...).
using TTbKeyEvent = std::function<void(TTbGrid& sender, int key)>;

class TTbGrid : public QTableView {
    Q_OBJECT
public:
    explicit TTbGrid(QWidget* parent = nullptr);
    ~TTbGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;

    bool AutoAppend = true;
    TTbBooleanBox BooleanBox = bbCheckBox;
    bool ReadOnly = false;
    bool DepressDisabled() const { return depressDisabled_; }
    void SetDepressDisabled(bool on);
    int DepressedColumn() const { return depressed_; }
    // Marks the title of column (-1: none) as the order the rows are in,
    // without OnDepressTitle.
    void SetDepressedColumn(int column);
    int FixedColumns() const { return fixedColumns_; }
    void SetFixedColumns(int n);
    const TTbGridOptions& Options() const { return options_; }
    void SetOptions(const TTbGridOptions& options);

    TTbGridClickEvent OnDepressTitle;
    TTbGridClickEvent OnCellClick;
    TTbNotifyEvent OnCornerLeftClick, OnCornerRightClick;
    TTbChangeColorsEvent OnChangeColorsEvent;
    TTbKeyEvent OnKeyDown;
    // A key that would change a data set that may not be changed (typing,
    // Insert, Ctrl+Delete): the grid changes nothing and calls this, so that
    // the user is told why.
    TTbNotifyEvent OnChangeRefused;

    // Columns: one per field unless set up from a saved layout.
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    TTbColumn& Column(int index) { return columns_.at(static_cast<size_t>(index)); }
    TField* ColumnField(int index) const;
    int SelectedIndex() const;
    void SetSelectedIndex(int column);
    // Reads the layout property "savedColumns"; writing it stores an empty list.
    void ReadSavedColumns(const std::vector<std::string>& lines);
    std::vector<std::string> SavedColumns() const { return {}; }

    // The texts a logical field is drawn and toggled with.
    static void BooleanTexts(const TField& field, std::string& trueText, std::string& falseText);
    // Colours of a cell of a window row, after OnChangeColorsEvent.
    TTbRowColors RowColors(int row, int column);
    // Is the record in window row marked as deleted.
    bool RowDeleted(int row);
    // Toggles the logical field of the current column; false when not allowed.
    bool ToggleBoolean();
    // Restores the current record when it is marked as deleted (Ctrl+Delete).
    bool RestoreCurrent();
    bool CanEditGrid() const;
    // True after OnChangeRefused was called: the grid edits, but its data
    // set may not be changed.
    bool RefuseChange();
    // Stores the text of an open cell editor into its field and closes it.
    // False when the field refused the text: the editor stays open with it
    // and the refusal is shown once the current event is done.
    bool CommitEditor();
    // The cell editor open now, if any.
    QWidget* OpenEditor() const;
    // Closes an editor holding a refused text without storing it.
    void DropRefusedValue();
    // The data link's active row within the window, and the rows the window holds.
    int CurrentRow() const;
    int WindowRows() const;
    // Runs a data-set command; an exception goes to DataSetExceptionHandler
    // or a message box. False when one was raised.
    bool Guarded(const std::function<void()>& command);

protected:
    // Tab and Shift+Tab stay in the grid when the tab option is on.
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    // The vertical scroll bar stands for the table, not for the rows shown.
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void verticalScrollbarAction(int action) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    class Link;
    friend class Link;
    friend class TTbGridModel;
    void LinkActive();
    void LinkChanged();
    void LinkRecordChanged();
    void LinkEditingChanged();
    void ShowRefusal();
    void SyncCurrent();
    void DefaultColumns();
    void ApplyColumns();
    void UpdateBufferCount();
    // Range and thumb of the vertical scroll bar from the data set's position.
    void UpdateScrollBar();
    void ScrollBarReleased();
    // Makes a column's title the depressed one and fires OnDepressTitle.
    void DepressTitle(int column);
    bool MoveRows(int distance);
    bool Confirm(const char* oemText);
    bool IsBooleanColumn(int column) const;

    std::unique_ptr<Link> link_;
    QWidget* corner_ = nullptr;  // the top-left corner cell
    TTbGridModel* model_ = nullptr;
    std::vector<TTbColumn> columns_;
    bool customColumns_ = false;
    bool syncing_ = false;
    bool scrollBarSequenced_ = false;  // its position is the record number
    bool writingCell_ = false;         // an editor's text is being stored
    std::exception_ptr refusal_;       // why the field refused the last text
    QPointer<QWidget> refusedEditor_;  // editor whose text was refused
    bool refusalQueued_ = false;       // its message is on its way
    bool depressDisabled_ = false;
    int depressed_ = -1;
    int fixedColumns_ = 0;
    TTbGridOptions options_;
};

}  // namespace kor2
