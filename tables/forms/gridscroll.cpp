// The table grid's vertical scroll bar. The grid holds only the window of
// records it shows, so the bar stands for the whole table: in natural order
// its position is the record number, under an index (where record numbers
// give no order) it shows top, middle or end. Its steps move the data set.
#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>

#include "tables/dataset/filedataset.h"
#include "tables/forms/grid.h"
#include "tables/forms/gridmodel.h"

namespace kor2 {

namespace {

constexpr int kUnorderedEnd = 4;  // range of the bar when it shows top, middle, end

// Record numbers give the order and the position of a record.
bool Sequenced(TDataSet& ds) {
    auto* file = dynamic_cast<TTbFileDataSet*>(&ds);
    return (file == nullptr || file->IsSequenced()) && ds.State() != TDataSetState::dsInsert &&
           ds.RecNo() > 0;
}

}  // namespace

void TTbGrid::UpdateScrollBar() {
    QScrollBar* bar = verticalScrollBar();
    const QSignalBlocker quiet(bar);
    TDataSet* ds = DataSet();
    const bool active = ds != nullptr && ds->Active();
    setVerticalScrollBarPolicy(active ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    if (!active || ds->IsEmpty()) {
        bar->setRange(0, 0);
        bar->setEnabled(false);
        return;
    }
    bar->setEnabled(true);
    if (bar->isSliderDown()) return;  // the thumb follows the mouse until it is let go
    try {
        scrollBarSequenced_ = Sequenced(*ds);
        if (scrollBarSequenced_) {
            const int count = std::max(1, ds->RecordCount());
            bar->setRange(1, count);
            bar->setPageStep(std::max(1, WindowRows()));
            bar->setValue(std::clamp(ds->RecNo(), 1, count));
        } else {
            bar->setRange(0, kUnorderedEnd);
            bar->setPageStep(1);
            bar->setValue(ds->Bof() ? 0 : ds->Eof() ? kUnorderedEnd : kUnorderedEnd / 2);
        }
    } catch (const std::exception&) {
        bar->setRange(0, 0);  // the table could not say where it stands
    }
    bar->setSingleStep(1);
}

void TTbGrid::updateGeometries() {
    QTableView::updateGeometries();
    UpdateScrollBar();               // the view set the bar's range from the rows it holds
    verticalHeader()->setOffset(0);  // and would scroll the rows by its value
}

void TTbGrid::scrollContentsBy(int dx, int) {
    // Every row of the window is shown: only the columns scroll.
    QTableView::scrollContentsBy(dx, 0);
}

void TTbGrid::verticalScrollbarAction(int action) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return;
    const int page = std::max(1, WindowRows() - 1);
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            MoveRows(1);
            break;
        case QAbstractSlider::SliderSingleStepSub:
            MoveRows(-1);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            MoveRows(page);
            break;
        case QAbstractSlider::SliderPageStepSub:
            MoveRows(-page);
            break;
        case QAbstractSlider::SliderToMinimum:
            Guarded([&] { ds->First(); });
            break;
        case QAbstractSlider::SliderToMaximum:
            Guarded([&] { ds->Last(); });
            break;
        default:
            return;  // a drag: the record follows when the thumb is let go
    }
    SyncCurrent();
    // The bar would otherwise take the position the step computed.
    verticalScrollBar()->setSliderPosition(verticalScrollBar()->value());
}

void TTbGrid::ScrollBarReleased() {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return;
    QScrollBar* bar = verticalScrollBar();
    const int at = bar->sliderPosition();
    if (scrollBarSequenced_) {
        Guarded([&] { ds->SetRecNo(at); });
    } else if (at <= bar->minimum()) {
        Guarded([&] { ds->First(); });
    } else if (at >= bar->maximum()) {
        Guarded([&] { ds->Last(); });
    }
    SyncCurrent();
    UpdateScrollBar();
}

}  // namespace kor2
