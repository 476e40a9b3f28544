// Message and progress windows of the table engine (Qt). Created by the
// callers of long operations (pack, index builds, copying).
#include "tables/forms/msgwindow.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/qt/qtstring.h"

namespace kor2 {

TTbMsg::TTbMsg(QWidget* owner) : platform::TForm(owner) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setModal(false);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0x00));  // colour value 0x00FFFF: yellow
    setPalette(pal);
    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    Panel2 = new QLabel(Panel1);
    Panel2->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel2->setAlignment(Qt::AlignCenter);
    auto* inner = new QVBoxLayout(Panel1);
    inner->setContentsMargins(2, 2, 2, 2);
    inner->addWidget(Panel2);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel1);
    resize(0, 0);
}

TTbMsg* TTbMsg::CreateMsg(QWidget* owner, const std::string& caption, const std::string& text) {
    auto* m = new TTbMsg(owner);
    m->setWindowTitle(platform::OemToQString(caption));
    m->message_ = text;
    return m;
}

void TTbMsg::ShowMsg(const std::string& text) {
    if (!text.empty()) message_ = text;
    const QString shown = platform::OemToQString(message_);
    const QFontMetrics fm(font());
    const QSize needed(fm.horizontalAdvance(shown) + MsgMargin, fm.height() + MsgMargin);
    const bool hasCaption = !windowTitle().isEmpty();
    const bool borderChanged = !shownOnce_ || hasCaption != hadCaption_;
    if (borderChanged) {
        setWindowFlags(hasCaption ? Qt::Dialog | Qt::WindowStaysOnTopHint
                                  : Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        hadCaption_ = hasCaption;
    }
    if (borderChanged || width() < needed.width() || height() < needed.height()) {
        resize(needed);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    shownOnce_ = true;
    show();
    Panel2->setText(shown);
    QApplication::processEvents();
}

TTbProgress100::TTbProgress100(QWidget* owner) : TTbMsg(owner) {
    setWindowTitle("Progress");
    bar_.assign(100, '|');
}

void TTbProgress100::EngStepProgress() {
    if (bar_.empty())
        bar_.assign(100, '|');
    else
        bar_.erase(0, 1);
    // An empty bar is shown as one blank: ShowMsg keeps the former text for "".
    ShowMsg(bar_.empty() ? std::string(" ") : bar_);
}

}  // namespace kor2
