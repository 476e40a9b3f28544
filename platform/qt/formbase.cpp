// Dialog base of the program's forms: key preview, FormShow, scaling and
// fitting to the layout.
#include "platform/qt/formbase.h"

#include <QKeyEvent>
#include <QLayout>
#include <QShowEvent>

namespace kor2::platform {

TForm::TForm(QWidget* parent) : QDialog(parent) {
    setModal(true);
}

void TForm::EnableKeyPreview() {
    keyPreview_ = true;
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

void TForm::ScaleBy(int percent) {
    if (percent == 100 || percent <= 0) return;
    auto scale = [percent](int v) { return v * percent / 100; };
    // A layout places the controls itself, from the scaled font.
    if (layout() == nullptr) {
        for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QRect g = w->geometry();
            w->setGeometry(scale(g.x()), scale(g.y()), scale(g.width()), scale(g.height()));
        }
    }
    QFont f = font();
    if (f.pointSizeF() > 0) f.setPointSizeF(f.pointSizeF() * percent / 100.0);
    setFont(f);
    resize(scale(width()), scale(height()));
}

void SettleLayout(QWidget& widget) {
    QLayout* l = widget.layout();
    if (l == nullptr) return;
    widget.ensurePolished();
    l->invalidate();
    l->activate();
}

void TForm::FitToLayout(Qt::Orientations shrink) {
    if (layout() == nullptr) return;
    SettleLayout(*this);
    const QSize least = minimumSizeHint();
    QSize target = size().expandedTo(least);
    if (shrink & Qt::Horizontal) target.setWidth(least.width());
    if (shrink & Qt::Vertical) target.setHeight(least.height());
    const QPoint centre = geometry().center();
    resize(target);
    move(centre - rect().center());
}

void TForm::reject() {
    done(QDialog::Rejected);
}

void TForm::keyPressEvent(QKeyEvent* e) {
    if (FormKeyDown(e->key())) return;
    QDialog::keyPressEvent(e);
}

void TForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormShow();
}

bool TForm::eventFilter(QObject* watched, QEvent* e) {
    if (keyPreview_ && e->type() == QEvent::KeyPress)
        if (FormKeyDown(static_cast<QKeyEvent*>(e)->key())) return true;
    return QDialog::eventFilter(watched, e);
}

}  // namespace kor2::platform
