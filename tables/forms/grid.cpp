// The table grid: a data link keeps a window of the data set's records as the
// grid's rows; keys and clicks move the data set, edits go to its fields, and
// deleted records are restored with Ctrl+Delete. Used by the table browser.
#include "tables/forms/grid.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <exception>

#include "common/forms/formutil.h"
#include "platform/field.h"
#include "platform/qt/msgboxqt.h"
#include "tables/dataset/dbfdataset.h"
#include "tables/forms/gridmodel.h"

namespace kor2 {

class TTbGrid::Link : public TDataLink {
public:
    explicit Link(TTbGrid& grid) : grid_(grid) {}
    using TDataLink::ActiveRecord;

protected:
    void ActiveChanged() override { grid_.LinkActive(); }
    void DataSetChanged() override { grid_.LinkChanged(); }
    void DataSetScrolled(int) override { grid_.LinkChanged(); }
    void LayoutChanged() override { grid_.LinkActive(); }
    void RecordChanged(TField*) override { grid_.LinkRecordChanged(); }
    void EditingChanged() override { grid_.LinkEditingChanged(); }
    // A refused cell value stops the post.
    void UpdateData() override {
        if (!grid_.CommitEditor()) throw ECellRefused();
    }
    // An open editor belongs to the record about to be left. In edit state
    // the post that follows stops on a refused value; in browse state (the
    // record could not be put into edit state) the move stops here.
    void CheckBrowseMode() override {
        if (!grid_.CommitEditor() && DataSet()->State() == TDataSetState::dsBrowse)
            throw ECellRefused();
    }

private:
    TTbGrid& grid_;
};

namespace {

// Title row that draws the depressed column sunken.
class TTbHeader : public QHeaderView {
public:
    explicit TTbHeader(TTbGrid& grid) : QHeaderView(Qt::Horizontal, &grid), grid_(grid) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        painter->save();
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        if (logicalIndex == grid_.DepressedColumn()) {
            // Sunken: dark on the top and left edges, light on the others.
            const QRect r = rect.adjusted(0, 0, -1, -1);
            painter->save();
            painter->setPen(palette().color(QPalette::Dark));
            painter->drawLine(r.topLeft(), r.topRight());
            painter->drawLine(r.topLeft(), r.bottomLeft());
            painter->setPen(palette().color(QPalette::Light));
            painter->drawLine(r.bottomLeft(), r.bottomRight());
            painter->drawLine(r.topRight(), r.bottomRight());
            painter->restore();
        }
    }

private:
    TTbGrid& grid_;
};

}  // namespace

void ShowDataSetException() {
    const std::exception_ptr p = std::current_exception();
    try {
        std::rethrow_exception(p);
    } catch (const ECellRefused&) {
        return;  // the grid shows its own message
    } catch (...) {
    }
    if (DataSetExceptionHandler) {
        DataSetExceptionHandler(p);
        return;
    }
    try {
        std::rethrow_exception(p);
    } catch (const std::exception& e) {
        platform::ShowMessageBox("Fehler : ", OemQ(e.what()), platform::BoxIcon::Error);
    }
}

void RestoreDeletedRecord(TTbDataSet& ds) {
    // Reading a grid's rows moves the work area; the recall must hit this record.
    ds.CheckBrowseMode();
    ds.TTbDataSet::SyncWorkArea();
    ds.SetRecordDeleted(false);
}

TTbGrid::TTbGrid(QWidget* parent) : QTableView(parent), link_(std::make_unique<Link>(*this)) {
    setHorizontalHeader(new TTbHeader(*this));
    model_ = new TTbGridModel(*this);
    setModel(model_);
    setItemDelegate(new TTbGridDelegate(*this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // shown while a table is open
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, &TTbGrid::ScrollBarReleased);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(false);
    horizontalHeader()->setSectionsMovable(true);
    // A click on a title (not a drag or a resize) depresses it.
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->viewport()->installEventFilter(this);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setFixedWidth(14);
    verticalHeader()->setSectionsClickable(false);
    corner_ = findChild<QAbstractButton*>();
    if (corner_ != nullptr) corner_->installEventFilter(this);
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, [this] {
        for (size_t i = 0; i < columns_.size(); ++i)
            columns_[i].Index = horizontalHeader()->visualIndex(static_cast<int>(i));
    });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int logical) {
        if (!(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier)) DepressTitle(logical);
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int logical, int, int size) {
                if (logical >= 0 && logical < ColumnCount()) Column(logical).Width = size;
            });
    SetOptions(options_);
}

TTbGrid::~TTbGrid() {
    link_->SetDataSource(nullptr);
}

TDataSource* TTbGrid::DataSource() const {
    return link_->DataSource();
}

void TTbGrid::SetDataSource(TDataSource* source) {
    link_->SetDataSource(source);
    UpdateBufferCount();
    LinkActive();
}

TDataSet* TTbGrid::DataSet() const {
    return link_->DataSet();
}

int TTbGrid::CurrentRow() const {
    return link_->Active() ? link_->ActiveRecord() : -1;
}

int TTbGrid::WindowRows() const {
    return link_->Active() ? link_->RecordCount() : 0;
}

bool TTbGrid::Guarded(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception&) {
        ShowDataSetException();
    }
    SyncCurrent();
    return false;
}

void TTbGrid::SetDepressDisabled(bool on) {
    depressed_ = -1;
    depressDisabled_ = on;
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->viewport()->update();
}

void TTbGrid::SetDepressedColumn(int column) {
    if (depressDisabled_ || column < 0 || column >= ColumnCount()) column = -1;
    depressed_ = column;
    // The depressed title is the order of the rows: it shows the sort mark.
    if (column >= 0) horizontalHeader()->setSortIndicator(column, Qt::AscendingOrder);
    horizontalHeader()->setSortIndicatorShown(column >= 0);
    horizontalHeader()->viewport()->update();
}

void TTbGrid::DepressTitle(int column) {
    if (depressDisabled_ || column < 0 || column >= ColumnCount()) return;
    SetDepressedColumn(column);
    if (OnDepressTitle) OnDepressTitle(*this, Column(column));
}

void TTbGrid::SetFixedColumns(int n) {
    fixedColumns_ = std::max(0, n);
}

void TTbGrid::SetOptions(const TTbGridOptions& options) {
    options_ = options;
    horizontalHeader()->setVisible(options.titles);
    verticalHeader()->setVisible(options.indicator);
    setShowGrid(options.columnLines || options.rowLines);
    horizontalHeader()->setSectionResizeMode(options.columnResize ? QHeaderView::Interactive
                                                                  : QHeaderView::Fixed);
    setSelectionBehavior(options.rowSelect ? SelectRows : SelectItems);
    viewport()->update();
}

bool TTbGrid::CanEditGrid() const {
    TDataSet* ds = DataSet();
    return options_.editing && !ReadOnly && ds && ds->Active() && ds->CanModify();
}

bool TTbGrid::RefuseChange() {
    TDataSet* ds = DataSet();
    if (!OnChangeRefused || !options_.editing || ReadOnly || !ds || !ds->Active() ||
        ds->CanModify())
        return false;
    OnChangeRefused(*this);
    return true;
}

TField* TTbGrid::ColumnField(int index) const {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || index < 0 || index >= ColumnCount()) return nullptr;
    const std::string& name = columns_[static_cast<size_t>(index)].FieldName;
    return name.empty() ? nullptr : ds->FindField(name);
}

bool TTbGrid::IsBooleanColumn(int column) const {
    const TField* f = ColumnField(column);
    return f && f->DataType() == TFieldType::ftBoolean;
}

int TTbGrid::SelectedIndex() const {
    return std::max(0, currentIndex().column());
}

void TTbGrid::SetSelectedIndex(int column) {
    if (column < 0 || column >= ColumnCount()) return;
    const bool saved = syncing_;
    syncing_ = true;
    const int row = std::max(0, CurrentRow());
    if (row < model_->rowCount()) setCurrentIndex(model_->index(row, column));
    syncing_ = saved;
}

void TTbGrid::BooleanTexts(const TField& field, std::string& trueText, std::string& falseText) {
    // The field's display values when it has them, else the German words.
    const auto* logical = dynamic_cast<const TBooleanField*>(&field);
    if (logical && !logical->DisplayValues().empty()) {
        trueText = logical->TrueText();
        falseText = logical->FalseText();
    } else {
        trueText = "wahr";
        falseText = "falsch";
    }
}

TTbRowColors TTbGrid::RowColors(int row, int col) {
    TTbRowColors c;
    const QPalette& pal = palette();
    c.indicator = pal.color(QPalette::Base);
    c.cell = pal.color(QPalette::Base);
    c.cellText = pal.color(QPalette::Text);
    c.highlight = pal.color(QPalette::Highlight);
    c.highlightText = pal.color(QPalette::HighlightedText);
    c.deleted = QColor(255, 0, 0);
    c.deletedText = pal.color(QPalette::Text);
    if (col >= 0 && col < ColumnCount()) {
        const TTbColumn& column = Column(col);
        if (column.Color.isValid()) c.cell = column.Color;
        if (column.FontColor.isValid()) c.cellText = column.FontColor;
    }
    if (OnChangeColorsEvent && link_->Active() && row >= 0 && row < WindowRows()) {
        const int saved = link_->ActiveRecord();
        link_->SetActiveRecord(row);
        try {
            OnChangeColorsEvent(*this, row, c);
        } catch (...) {
            link_->SetActiveRecord(saved);
            throw;
        }
        link_->SetActiveRecord(saved);
    }
    return c;
}

bool TTbGrid::RowDeleted(int row) {
    auto* tb = dynamic_cast<TTbDataSet*>(DataSet());
    if (!tb || !link_->Active() || row < 0 || row >= WindowRows()) return false;
    const int saved = link_->ActiveRecord();
    link_->SetActiveRecord(row);
    const bool deleted = tb->IsRecordDeleted();
    link_->SetActiveRecord(saved);
    return deleted;
}

bool TTbGrid::Confirm(const char* oemText) {
    QMessageBox box(QMessageBox::Question, windowTitle(), OemQ(oemText),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    return box.exec() == QMessageBox::Ok;
}

bool TTbGrid::ToggleBoolean() {
    const int col = currentIndex().column();
    if (!CanEditGrid() || !IsBooleanColumn(col) || Column(col).ReadOnly) return false;
    TField* f = ColumnField(col);
    if (f->ReadOnly()) return false;
    return Guarded([&] {
        if (!link_->Edit()) return;
        f->SetAsBoolean(!f->AsBoolean());
    });
}

bool TTbGrid::RestoreCurrent() {
    auto* tb = dynamic_cast<TTbDataSet*>(DataSet());
    if (!tb || !tb->Active() || ReadOnly || !tb->CanModify() || !tb->IsRecordDeleted())
        return false;
    if (options_.confirmDelete && !Confirm("Datensatz restaurieren ?")) return false;
    return Guarded([&] { RestoreDeletedRecord(*tb); });
}

// ---------------------------------------------------------------- link events

void TTbGrid::LinkActive() {
    if (!customColumns_) DefaultColumns();
    ApplyColumns();
    UpdateBufferCount();
    SyncCurrent();
}

void TTbGrid::LinkChanged() {
    model_->Refresh();
    SyncCurrent();
}

void TTbGrid::LinkRecordChanged() {
    const int row = CurrentRow();
    if (row >= 0 && row < model_->rowCount() && model_->columnCount() > 0)
        Q_EMIT model_->dataChanged(model_->index(row, 0),
                                   model_->index(row, model_->columnCount() - 1));
    if (model_->rowCount() > 0)
        Q_EMIT model_->headerDataChanged(Qt::Vertical, 0, model_->rowCount() - 1);
}

void TTbGrid::LinkEditingChanged() {
    // A cancelled edit takes a refused text with it.
    if (!link_->Editing()) DropRefusedValue();
    LinkRecordChanged();
}

QWidget* TTbGrid::OpenEditor() const {
    return static_cast<TTbGridDelegate*>(itemDelegate())->OpenEditor();
}

bool TTbGrid::CommitEditor() {
    if (writingCell_) return true;
    const QPointer<QWidget> ed = OpenEditor();
    if (!ed || !ed->isVisible() || state() != EditingState) return true;
    commitData(ed);
    if (ed && ed == refusedEditor_) return false;
    // Committing may already have moved the current cell and closed it.
    if (ed && ed->isVisible()) closeEditor(ed, QAbstractItemDelegate::NoHint);
    return true;
}

void TTbGrid::commitData(QWidget* editor) {
    // Only the editor open now is this view's; a late request for one that
    // was already stored and closed has nothing left to do.
    if (editor == nullptr || editor != OpenEditor()) return;
    // While the refusal's message is on its way the text is not tried again
    // (the message box takes the focus, which would commit once more).
    if (refusalQueued_ && editor == refusedEditor_) return;
    refusal_ = nullptr;
    QTableView::commitData(editor);
    if (!refusal_) {
        if (editor == refusedEditor_) refusedEditor_ = nullptr;
        return;
    }
    // The message is shown from the event loop, never inside the item
    // view's commit, whose editor must outlive the call.
    refusedEditor_ = editor;
    refusalQueued_ = true;
    QMetaObject::invokeMethod(this, &TTbGrid::ShowRefusal, Qt::QueuedConnection);
}

void TTbGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor == nullptr || editor != OpenEditor()) return;
    if (editor == refusedEditor_) {
        // A refused text stays in its cell for correction; Esc drops it.
        if (hint != QAbstractItemDelegate::RevertModelCache) return;
        refusedEditor_ = nullptr;
    }
    QTableView::closeEditor(editor, hint);
}

void TTbGrid::DropRefusedValue() {
    if (QWidget* ed = refusedEditor_) {
        refusedEditor_ = nullptr;
        QTableView::closeEditor(ed, QAbstractItemDelegate::RevertModelCache);
    }
}

void TTbGrid::ShowRefusal() {
    const std::exception_ptr why = std::exchange(refusal_, nullptr);
    if (refusedEditor_ && why) {
        try {
            std::rethrow_exception(why);
        } catch (const std::exception&) {
            ShowDataSetException();
        }
    }
    refusalQueued_ = false;
    if (refusedEditor_) refusedEditor_->setFocus();
}

void TTbGrid::SyncCurrent() {
    if (syncing_) return;
    syncing_ = true;
    const int row = CurrentRow();
    if (row >= 0 && row < model_->rowCount() && model_->columnCount() > 0) {
        const int col = std::clamp(currentIndex().column(), 0, model_->columnCount() - 1);
        const QModelIndex idx = model_->index(row, col);
        if (idx != currentIndex())
            selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
    }
    syncing_ = false;
    UpdateScrollBar();
    viewport()->update();
    verticalHeader()->viewport()->update();
}

void TTbGrid::DefaultColumns() {
    columns_.clear();
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return;
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int i = 0; i < ds->FieldCount(); ++i) {
        const TField& f = ds->Fields(i);
        TTbColumn c;
        c.FieldName = f.FieldName();
        c.Index = i;
        int chars = f.DataType() == TFieldType::ftString ? f.Size() : 10;
        if (f.DataType() == TFieldType::ftBoolean) {
            std::string t, fl;
            BooleanTexts(f, t, fl);
            chars = static_cast<int>(std::max({t.size(), fl.size(), std::size_t{4}}));
        }
        chars = std::clamp(std::max<int>(chars, static_cast<int>(f.FieldName().size())), 2, 40);
        c.Width = chars * digit + 8;
        if (f.DataType() == TFieldType::ftInteger || f.DataType() == TFieldType::ftFloat)
            c.Alignment = Qt::AlignRight;
        if (f.DataType() == TFieldType::ftBoolean) c.Alignment = Qt::AlignHCenter;
        c.Font = font();
        c.TitleFont = font();
        columns_.push_back(c);
    }
}

void TTbGrid::ApplyColumns() {
    model_->ResetAll();
    for (int i = 0; i < ColumnCount(); ++i) {
        const int w = Column(i).Width;
        setColumnWidth(i, w);
        Column(i).Width = w;
    }
}

void TTbGrid::UpdateBufferCount() {
    const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
    link_->SetBufferCount(std::max(1, viewport()->height() / rowHeight));
    model_->Refresh();
}

// ---------------------------------------------------------------- user input

bool TTbGrid::MoveRows(int distance) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return false;
    const bool ok = Guarded([&] { ds->MoveBy(distance); });
    SyncCurrent();
    return ok;
}

void TTbGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);  // commits an editor of previous
    if (syncing_) return;
    if (refusedEditor_ && previous.isValid() && current != previous) {
        // The cell with the refused text stays current.
        syncing_ = true;
        selectionModel()->setCurrentIndex(previous, QItemSelectionModel::ClearAndSelect);
        syncing_ = false;
        return;
    }
    if (!current.isValid() || !link_->Active()) return;
    if (current.row() != CurrentRow()) MoveRows(current.row() - CurrentRow());
}

bool TTbGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // Logical fields are toggled, never typed into.
    if (IsBooleanColumn(index.column()) && trigger != NoEditTriggers) return false;
    return QTableView::edit(index, trigger, event);
}

}  // namespace kor2
