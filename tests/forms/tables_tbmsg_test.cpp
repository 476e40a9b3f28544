// The table engine's message and progress windows, offscreen.
#include <gtest/gtest.h>

#include <QLabel>
#include <memory>

#include "tables/forms/msgwindow.h"

namespace kor2 {
namespace {

TEST(TablesTbMsg, LongerTextEnlargesShorterKeepsTheSize) {
    std::unique_ptr<TTbMsg> m(TTbMsg::CreateMsg(nullptr, "", "kurz"));
    m->ShowMsg("");
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(m->Panel2->text(), "kurz");
    const QSize small = m->size();
    m->ShowMsg("ein deutlich laengerer Text fuer das Fenster");
    EXPECT_GT(m->width(), small.width());
    const QSize large = m->size();
    m->ShowMsg("x");
    EXPECT_EQ(m->size(), large);
    EXPECT_EQ(m->Message(), "x");
    EXPECT_TRUE(m->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST(TablesTbMsg, ProgressBarEmptiesAndRefills) {
    TTbProgress100 p;
    EXPECT_EQ(p.windowTitle(), "Progress");
    for (int i = 0; i < 100; ++i) p.EngStepProgress();
    EXPECT_TRUE(p.Bar().empty());
    p.EngStepProgress();
    EXPECT_EQ(p.Bar(), std::string(100, '|'));
    p.EngStepProgress();
    EXPECT_EQ(p.Panel2->text(), QString(99, '|'));
}

}  // namespace
}  // namespace kor2
