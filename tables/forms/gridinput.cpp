// Keyboard and mouse of the table grid: arrow, page and Tab keys move the
// data set (appending only when allowed), logical cells toggle, Ctrl+Delete
// restores, title and corner clicks raise the grid's events.
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "platform/oemtext.h"
#include "tables/forms/grid.h"
#include "tables/forms/gridmodel.h"

namespace kor2 {

namespace {

// The platform's numbers of the keys a key handler may ask about.
int PlatformKey(const QKeyEvent& e) {
    switch (e.key()) {
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 9;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Delete:
            return 46;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_End:
            return 35;
        default:
            return e.key() < 256 ? e.key() : 0;
    }
}

}  // namespace

bool TTbGrid::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        const bool tab = k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab;
        if (tab && options_.tabs && !options_.rowSelect &&
            !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(k);
            return true;
        }
    }
    return QTableView::event(e);
}

void TTbGrid::keyPressEvent(QKeyEvent* e) {
    const bool wasVisible = isVisible();
    const bool wasEditing = state() == EditingState;  // the key handler may store the cell
    if (OnKeyDown) OnKeyDown(*this, PlatformKey(*e));
    // A key whose handler closed the window moves nothing behind the pick.
    if (wasVisible && !isVisible()) return;
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) {
        QTableView::keyPressEvent(e);
        return;
    }
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const int col = currentIndex().column();
    const bool canAppend = AutoAppend && CanEditGrid();
    switch (e->key()) {
        case Qt::Key_Up:
            MoveRows(-1);
            return;
        case Qt::Key_Down:
            // A new record nobody typed into gets no second one behind it.
            if (ds->State() == TDataSetState::dsInsert && !ds->Modified()) return;
            MoveRows(1);
            if (ds->Eof() && canAppend) Guarded([&] { ds->Append(); });
            SyncCurrent();
            return;
        case Qt::Key_PageUp:
            MoveRows(-std::max(1, WindowRows() - 1));
            return;
        case Qt::Key_PageDown:
            MoveRows(std::max(1, WindowRows() - 1));
            return;
        case Qt::Key_Home:
        case Qt::Key_End:
            if (ctrl) {
                Guarded([&] { e->key() == Qt::Key_Home ? ds->First() : ds->Last(); });
                SyncCurrent();
                return;
            }
            break;
        case Qt::Key_Escape:
            if (ds->State() == TDataSetState::dsEdit || ds->State() == TDataSetState::dsInsert) {
                Guarded([&] { ds->Cancel(); });
                return;
            }
            break;
        case Qt::Key_Insert:
            if (e->modifiers() == Qt::NoModifier && RefuseChange()) return;
            if (CanEditGrid() && e->modifiers() == Qt::NoModifier) {
                Guarded([&] { ds->Insert(); });
                return;
            }
            break;
        case Qt::Key_Delete:
            if (ctrl) {
                if (RefuseChange()) return;
                if (RowDeleted(CurrentRow())) {
                    RestoreCurrent();
                } else if (CanEditGrid() &&
                           (!options_.confirmDelete || Confirm("Datensatz löschen ?"_oem))) {
                    Guarded([&] { ds->Delete(); });
                }
                return;
            }
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (options_.tabs && !options_.rowSelect && ColumnCount() > 0) {
                const bool back =
                    e->key() == Qt::Key_Backtab || (e->modifiers() & Qt::ShiftModifier);
                int next = col + (back ? -1 : 1);
                if (next >= ColumnCount()) {
                    next = 0;
                    MoveRows(1);
                    if (ds->Eof() && canAppend) Guarded([&] { ds->Append(); });
                } else if (next < 0) {
                    next = ColumnCount() - 1;
                    MoveRows(-1);
                }
                SyncCurrent();
                SetSelectedIndex(next);
                return;
            }
            break;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (IsBooleanColumn(col) && ToggleBoolean()) return;
            if (e->key() == Qt::Key_Space) break;
            // Enter that ends a cell's editing stays here (the editor stores
            // its text); on a row it goes on to the window's default button.
            if (wasEditing) {
                e->accept();
                return;
            }
            e->ignore();
            return;
        default:
            if ((e->key() == Qt::Key_F2 || e->key() == Qt::Key_Backspace ||
                 (!ctrl && !e->text().isEmpty() && e->text()[0].isPrint())) &&
                RefuseChange())
                return;
            if (IsBooleanColumn(col) &&
                (e->key() == Qt::Key_Backspace || (!e->text().isEmpty() && e->text()[0].isPrint())))
                return;  // logical fields take no typed text
            break;
    }
    QTableView::keyPressEvent(e);
}

void TTbGrid::mousePressEvent(QMouseEvent* e) {
    const QModelIndex idx = indexAt(e->position().toPoint());
    QTableView::mousePressEvent(e);
    if (!idx.isValid() || !(DataSet() && DataSet()->Active())) return;
    if (e->button() == Qt::LeftButton && IsBooleanColumn(idx.column()) && idx.row() == CurrentRow())
        ToggleBoolean();
    if (OnCellClick && idx.column() < ColumnCount()) OnCellClick(*this, Column(idx.column()));
}

void TTbGrid::wheelEvent(QWheelEvent* e) {
    const int notches = e->angleDelta().y() / 120;
    if (notches != 0) MoveRows(-notches);
    e->accept();
}

void TTbGrid::resizeEvent(QResizeEvent* e) {
    QTableView::resizeEvent(e);
    UpdateBufferCount();
    SyncCurrent();
}

bool TTbGrid::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        // The scroll area watches its scroll bars too: their clicks pass.
        if (watched == corner_) {
            if (me->button() == Qt::LeftButton && OnCornerLeftClick) OnCornerLeftClick(*this);
            if (me->button() == Qt::RightButton && OnCornerRightClick) OnCornerRightClick(*this);
            return true;
        }
        if (watched == horizontalHeader()->viewport() && me->button() == Qt::RightButton &&
            !(me->modifiers() & Qt::ShiftModifier) && !depressDisabled_) {
            const int logical = horizontalHeader()->logicalIndexAt(me->position().toPoint());
            if (logical >= 0 && logical < ColumnCount()) {
                DepressTitle(logical);
                return true;
            }
        }
    }
    return QTableView::eventFilter(watched, e);
}

}  // namespace kor2
