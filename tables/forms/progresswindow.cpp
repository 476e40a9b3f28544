// Adapter from the engine's progress interface to the TTbProgress100 window:
// each engine step removes one bar character and lets the window repaint.
// Installed by main() through InstallEngineProgressWindow.
#include "tables/forms/progresswindow.h"

#include <QCoreApplication>
#include <memory>

#include "platform/qt/qtstring.h"
#include "tables/base/progress.h"
#include "tables/forms/msgwindow.h"

namespace kor2 {

namespace {

class ProgressWindow : public EngineProgress {
public:
    explicit ProgressWindow(const std::string& text) {
        window_.setWindowTitle(platform::OemToQString(text));
        window_.ShowMsg(window_.Bar());
        Pump();
    }
    void Step() override {
        window_.EngStepProgress();
        Pump();
    }

private:
    static void Pump() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
    TTbProgress100 window_;
};

}  // namespace

void InstallEngineProgressWindow() {
    MakeEngineProgress = [](const std::string& text) -> std::unique_ptr<EngineProgress> {
        return std::make_unique<ProgressWindow>(text);
    };
}

}  // namespace kor2
