// Thh, the program's main window: the graphics window with the main menu
// (spring file, spreadsheet export, printing, full check and messages,
// material table and table browser, fatigue diagrams, help texts).
// Created once by main(); its handlers call the shell commands of app/shell.
#pragma once

#include <memory>

#include "graphics/qt/graphwidget.h"
#include "tables/forms/menucaptions.h"

class QAction;
class QCloseEvent;
class QMenu;
class QMenuBar;

namespace kor2 {

class QtGraphPrintJob;
struct CommandLine;

class Thh : public TFquorgra {
    Q_OBJECT
public:
    explicit Thh(QWidget* parent = nullptr);
    ~Thh() override;

    // Start-up after creation: settings, window size and colour from them
    // (SetupGraphForm), command line or default spring, caption. True when the message window
    // should follow once shown.
    bool StartUp(const CommandLine& cmd);

    // The captions the table browser's menu takes from this menu.
    Dbf4MenuCaptions BrowserMenuCaptions() const;

    QMenuBar* MainMenu1;
    QMenu* mi_Datei;
    QAction* mi_DateiOeffnen;
    QAction* mi_DateiSpeichern;
    QAction* mi_DateiSpeichernUnter;
    QAction* mi_DateiTabellenkalkulation;
    QAction* mi_DateiTabellenkalkulationNeu;
    QAction* mi_DateiDrucken;
    QAction* mi_DateiBeenden;
    QMenu* mi_Berechnung;
    QAction* mi_BerechnungPruefen;
    QAction* mi_Fehlerliste;
    QAction* mi_Fehlerbericht;
    QMenu* mi_Datenbank;
    QAction* mi_dbfmaterial;
    QAction* mi_TabelleAnzeigen;
    QMenu* mi_Grafik;
    QAction* mi_GoodmanBildschirm;
    QAction* mi_HaighBildschirm;
    QMenu* mi_GrafikCad;
    QAction* mi_GoodmanDxf;
    QAction* mi_GoodmanIges;
    QAction* mi_GoodmanTxt;
    QAction* mi_HaighDxf;
    QAction* mi_HaighIges;
    QAction* mi_HaighTxt;
    QMenu* mi_Hilfe;
    QAction* mi_HilfeProgramm;
    QAction* mi_HilfeDatei;
    QAction* mi_HilfeBerechnung;
    QAction* mi_HilfeGrafik;

    void mi_DateiOeffnenClick();
    void mi_DateiSpeichernClick();
    void mi_DateiSpeichernUnterClick();
    void mi_BerechnungPruefenClick();
    void mi_FehlerlisteClick();
    void mi_FehlerberichtClick();
    void mi_dbfmaterialClick();
    // The spreadsheet export; update saves a modified spring first and
    // writes into the workbook the first export made.
    void mi_DateiTabellenkalkulationClick(bool update);
    // The print selection, then the ticked outputs in one print job.
    void mi_DateiDruckenClick();
    void mi_TabelleAnzeigenClick();
    void GoodmanClick(uint16_t mode);
    void HaighClick(uint16_t mode);

    // Caption of the window and of the error-list item from the current state.
    void UpdateCaptions();

    // The diagram shown last on the screen, drawn again for the current
    // spring (after an open or a new material); nothing when none was shown.
    enum class View : uint8_t { None, Goodman, Haigh };
    View ShownView() const { return view_; }
    void RedrawView();

protected:
    void closeEvent(QCloseEvent* e) override;
    // The drawing starts below the menu bar.
    int DrawingTop() const override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    std::unique_ptr<QtGraphPrintJob> printJob_;  // the graphics print job on Qt's printer
    View view_ = View::None;
};

}  // namespace kor2
