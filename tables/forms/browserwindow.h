// The table browser window: grid, navigator, buttons and menu over the one
// browser table of the model dbf4(); the model decides, the window shows and
// forwards events. main() installs it with InstallDbf4Window.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/qt/formbase.h"
#include "tables/browser/browsermodel.h"
#include "tables/forms/menucaptions.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;

namespace kor2 {

class TTbGrid;
class TTbNavigator;

class Tdbf4Form : public platform::TForm, public Dbf4Window {
    Q_OBJECT
public:
    explicit Tdbf4Form(Tdbf4& model, QWidget* parent = nullptr);
    ~Tdbf4Form() override;

    // Gives the menu the main menu's captions.
    void TakeMenuCaptions(const Dbf4MenuCaptions& captions);

    // Dbf4Window
    BrowserResult ShowModal(Tdbf4& browser) override;
    void CloseWindow(BrowserResult result) override;
    int GridColumn() override;
    int GridRow() override;
    void ShowMessage(std::string_view text) override;
    void BringToFront() override;

    QLabel* Label_title1;
    QLabel* Label_recno;
    QLabel* Label_filename;
    QLabel* Label_title2;
    TTbGrid* TbGrid1;
    TTbNavigator* TbNavigator1;
    QPushButton* Button_ok;
    QPushButton* Button_cancel;
    QPushButton* Button_search;
    QPushButton* Button_SearchNext;
    QMenuBar* MainMenu1;
    QMenu* mi_File;
    QAction* mi_fileExportHtml;
    QAction* mi_fileSaveAsDelimited;
    QAction* N1;
    QAction* mi_fileAppenddbf;
    QAction* mi_fileAppendDelimited;
    QAction* N2;
    QAction* mi_filePrint;
    QAction* N3;
    QAction* mi_fileExit;
    QMenu* mi_edit;
    QAction* mi_editAppend;
    QAction* mi_editPack;
    QMenu* mi_view;
    QAction* mi_viewSearch;
    QAction* mi_viewSearchNext;
    QMenu* mi_Help;
    QAction* mi_helpdbf;
    QAction* mi_helpCommon;
    QAction* mi_helphilfebild;
    QAction* mi_helpDatei;

protected:
    void FormShow() override;
    void resizeEvent(QResizeEvent* e) override;
    // Esc leaves as Cancel does.
    void reject() override;
    // The close box (Alt+F4) asks before a changed record is dropped.
    void closeEvent(QCloseEvent* e) override;

private:
    void FormCreate();
    void BuildMenu();
    void Place();
    // Runs a model handler; a failure is shown and the window stays open.
    void Run(const std::function<void()>& handler);
    // Fills the widgets from the model: caption, labels, mode.
    void ShowModel();
    // Widens the window to hold the title and the table's largest counter.
    void FitLabels();

    class RecnoLink;
    std::unique_ptr<RecnoLink> recnoLink_;  // Label_recno follows the data set
    Tdbf4& model_;
    BrowserResult result_ = BrowserResult::Cancelled;
    int top_ = 0;           // height of the menu bar above the client area
    bool scaled_ = false;   // scaled to the screen at its first showing
    bool closing_ = false;  // closed by its own handlers, not by the close box
};

// Creates the window for dbf4() and registers it; the caller keeps it (and
// unregisters it by destroying it). The menu takes the captions given, else
// keeps its own. Needs a QApplication.
std::unique_ptr<Tdbf4Form> InstallDbf4Window(QWidget* parent = nullptr,
                                             const Dbf4MenuCaptions* captions = nullptr);

}  // namespace kor2
