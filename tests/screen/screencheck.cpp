// Geometry and text checks of a shown window, measured with the fonts the
// platform really uses (the X server's in the screen test).
#include "screen/screencheck.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QWidget>

namespace kor2::test {
namespace {

std::string Name(const QWidget& w) {
    const QString n = w.objectName().isEmpty() ? w.metaObject()->className() : w.objectName();
    return n.toStdString();
}

std::string Rect(const QRect& r) {
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) +
           "x" + std::to_string(r.height());
}

// The text as drawn: "&x" shows x underlined, "&&" shows "&".
QString Shown(const QString& text) {
    QString s;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        s += text[i];
    }
    return s;
}

// The widest line of a text in the widget's font.
int TextWidth(const QWidget& w, const QString& text) {
    int widest = 0;
    for (const QString& line : Shown(text).split('\n'))
        widest = std::max(widest, w.fontMetrics().horizontalAdvance(line));
    return widest;
}

void CheckPushButton(const QPushButton& b, const std::string& path,
                     std::vector<std::string>& faults) {
    if (b.text().isEmpty()) return;
    QStyleOptionButton opt;
    opt.initFrom(&b);
    opt.text = b.text();
    if (b.isDefault()) opt.features |= QStyleOptionButton::DefaultButton;
    const QRect inside = b.style()->subElementRect(QStyle::SE_PushButtonContents, &opt, &b);
    const int need = TextWidth(b, b.text()) + (b.icon().isNull() ? 0 : b.iconSize().width() + 4);
    if (need > inside.width() || b.fontMetrics().height() > inside.height())
        faults.push_back(path + ": text \"" + Shown(b.text()).toStdString() + "\" needs " +
                         std::to_string(need) + " pixels, the button shows " +
                         std::to_string(inside.width()));
}

void CheckTexts(const QWidget& c, const std::string& path, std::vector<std::string>& faults) {
    auto cut = [&](const QString& text, QSize need) {
        faults.push_back(path + ": text \"" + Shown(text).toStdString() + "\" needs " +
                         std::to_string(need.width()) + "x" + std::to_string(need.height()) +
                         ", has " + std::to_string(c.width()) + "x" + std::to_string(c.height()));
    };
    if (const auto* b = qobject_cast<const QPushButton*>(&c)) {
        CheckPushButton(*b, path, faults);
    } else if (qobject_cast<const QCheckBox*>(&c) || qobject_cast<const QRadioButton*>(&c)) {
        const auto& b = static_cast<const QAbstractButton&>(c);
        const QSize need = b.sizeHint();
        if (!b.text().isEmpty() && (need.width() > b.width() || need.height() > b.height()))
            cut(b.text(), need);
    } else if (const auto* t = qobject_cast<const QToolButton*>(&c)) {
        const int need = TextWidth(*t, t->text()) + 4;
        if (t->toolButtonStyle() != Qt::ToolButtonIconOnly && !t->text().isEmpty() &&
            t->icon().isNull() && need > t->width())
            cut(t->text(), {need, t->height()});
    } else if (const auto* l = qobject_cast<const QLabel*>(&c)) {
        if (l->text().isEmpty()) return;
        if (l->wordWrap()) {
            const int h = l->heightForWidth(l->width());
            if (h > l->height()) cut(l->text(), {l->width(), h});
        } else {
            const QSize need = l->sizeHint();
            if (need.width() > l->width() || need.height() > l->height()) cut(l->text(), need);
        }
    } else if (const auto* g = qobject_cast<const QGroupBox*>(&c)) {
        const int need = TextWidth(*g, g->title()) + 16;
        if (!g->title().isEmpty() && need > g->width()) cut(g->title(), {need, g->height()});
    } else if (const auto* m = qobject_cast<const QMenuBar*>(&c)) {
        for (QAction* a : m->actions()) {
            if (!a->isVisible() || a->isSeparator()) continue;
            const QRect r = m->actionGeometry(a);
            if (r.isEmpty() || !m->rect().contains(r))
                faults.push_back(path + ": menu \"" + Shown(a->text()).toStdString() +
                                 "\" does not show in the menu bar");
        }
    }
}

void CheckChildren(const QWidget& w, const std::string& path, std::vector<std::string>& faults) {
    const auto* area = qobject_cast<const QAbstractScrollArea*>(&w);
    for (QWidget* c : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (c->isWindow() || !c->isVisible()) continue;
        const std::string cpath = path + "/" + Name(*c);
        if (!w.rect().contains(c->geometry()))
            faults.push_back(cpath + " at " + Rect(c->geometry()) + " lies outside " + path +
                             " of " + std::to_string(w.width()) + "x" + std::to_string(w.height()));
        CheckTexts(*c, cpath, faults);
        // What a view scrolls may lie outside its viewport.
        if (area == nullptr || c != area->viewport()) CheckChildren(*c, cpath, faults);
    }
}

}  // namespace

std::vector<std::string> LayoutFaults(QWidget& window) {
    std::vector<std::string> faults;
    if (const QScreen* s = window.screen(); s && !s->geometry().contains(window.frameGeometry()))
        faults.push_back(Name(window) + " at " + Rect(window.frameGeometry()) +
                         " reaches beyond the screen " + Rect(s->geometry()));
    CheckTexts(window, Name(window), faults);
    CheckChildren(window, Name(window), faults);
    return faults;
}

}  // namespace kor2::test
