// Thh, the main window: builds the menu and forwards every command to the
// shell commands and the subsystems' entry points. main() creates it once;
// the window itself is the graphics window on which screen diagrams appear,
// in the area below the menu bar.
#include "app/qt/mainwindow.h"

#include <functional>

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

#include "app/shell.h"
#include "app/spreadsheet.h"
#include "app/startup.h"
#include "common/errdesc.h"
#include "common/filepath.h"
#include "common/forms/formutil.h"
#include "common/forms/graphprint.h"
#include "common/forms/printselect.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/msgbox.h"
#include "common/printsel.h"
#include "common/reporthead.h"
#include "common/sheetapp.h"
#include "graphics/window/graphwin.h"
#include "graphics/cadout.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "platform/qt/qtstring.h"
#include "spring/fatiguediag.h"
#include "tables/browser/procedural.h"

namespace kor2 {

using platform::OemToQString;

namespace {

// A failure raised inside a command (a table that cannot be opened, a
// damaged table) ends that command with its message; the program, its
// spring and the other commands go on.
void RunCommand(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        EndFailedCommand(e);
    }
}

QAction* AddItem(QMenu* menu, std::string_view oemText, std::function<void()> f) {
    QAction* a = menu->addAction(OemToQString(oemText));
    QObject::connect(a, &QAction::triggered, menu, [f = std::move(f)] { RunCommand(f); });
    return a;
}

}  // namespace

Thh::Thh(QWidget* parent) : TFquorgra(GraphWindow, parent) {
    setObjectName("Thh");
    resize(800, 600);
    MainMenu1 = new QMenuBar(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(MainMenu1);
    MainMenu1->installEventFilter(this);  // the drawing area follows the bar's height

    mi_Datei = MainMenu1->addMenu(OemToQString("&Datei"));
    mi_DateiOeffnen = AddItem(mi_Datei, "&Öffnen..."_oem, [this] { mi_DateiOeffnenClick(); });
    mi_DateiSpeichern = AddItem(mi_Datei, "&Speichern", [this] { mi_DateiSpeichernClick(); });
    mi_DateiSpeichernUnter =
        AddItem(mi_Datei, "Speichern &unter...", [this] { mi_DateiSpeichernUnterClick(); });
    mi_Datei->addSeparator();
    mi_DateiTabellenkalkulation = AddItem(mi_Datei, "Export &Tabellenkalkulation",
                                          [this] { mi_DateiTabellenkalkulationClick(false); });
    mi_DateiTabellenkalkulationNeu = AddItem(mi_Datei, "Tabellenkalkulation a&ktualisieren",
                                             [this] { mi_DateiTabellenkalkulationClick(true); });
    mi_DateiDrucken = AddItem(mi_Datei, "&Drucken...", [this] { mi_DateiDruckenClick(); });
    mi_Datei->addSeparator();
    mi_DateiBeenden = AddItem(mi_Datei, "&Beenden", [this] { close(); });

    mi_Berechnung = MainMenu1->addMenu(OemToQString("&Berechnung"));
    mi_BerechnungPruefen = AddItem(mi_Berechnung, "&Nachrechnen (Gesamtprüfung)"_oem,
                                   [this] { mi_BerechnungPruefenClick(); });
    mi_Fehlerliste = AddItem(mi_Berechnung, ErrorListCaption(), [this] { mi_FehlerlisteClick(); });
    mi_Fehlerbericht =
        AddItem(mi_Berechnung, "Meldungs&bericht", [this] { mi_FehlerberichtClick(); });

    mi_Datenbank = MainMenu1->addMenu(OemToQString("Daten&bank"));
    mi_dbfmaterial = AddItem(mi_Datenbank, "Material", [this] { mi_dbfmaterialClick(); });
    mi_TabelleAnzeigen =
        AddItem(mi_Datenbank, "&Tabelle anzeigen...", [this] { mi_TabelleAnzeigenClick(); });

    mi_Grafik = MainMenu1->addMenu(OemToQString("&Grafik"));
    mi_GoodmanBildschirm =
        AddItem(mi_Grafik, "&Goodman-Diagramm", [this] { GoodmanClick(kCadScreen); });
    mi_HaighBildschirm = AddItem(mi_Grafik, "&Haigh-Diagramm", [this] { HaighClick(kCadScreen); });
    mi_GrafikCad = mi_Grafik->addMenu(OemToQString("&CAD-Datei"));
    mi_GoodmanDxf =
        AddItem(mi_GrafikCad, "Goodman-Diagramm als DXF", [this] { GoodmanClick(kCadDxf); });
    mi_GoodmanIges =
        AddItem(mi_GrafikCad, "Goodman-Diagramm als IGES", [this] { GoodmanClick(kCadIges); });
    mi_GoodmanTxt = AddItem(mi_GrafikCad, "Goodman-Diagramm als CAD-Text",
                            [this] { GoodmanClick(kCadTextFile); });
    mi_HaighDxf = AddItem(mi_GrafikCad, "Haigh-Diagramm als DXF", [this] { HaighClick(kCadDxf); });
    mi_HaighIges =
        AddItem(mi_GrafikCad, "Haigh-Diagramm als IGES", [this] { HaighClick(kCadIges); });
    mi_HaighTxt =
        AddItem(mi_GrafikCad, "Haigh-Diagramm als CAD-Text", [this] { HaighClick(kCadTextFile); });

    mi_Hilfe = MainMenu1->addMenu(OemToQString("&Hilfe"));
    mi_HilfeProgramm = AddItem(mi_Hilfe, "&Programm", [] { ShowHelpText(kHelpProgram, 1); });
    mi_HilfeDatei = AddItem(mi_Hilfe, "&Federdateien", [] { ShowHelpText(kHelpFile, 1); });
    mi_HilfeBerechnung =
        AddItem(mi_Hilfe, "&Berechnung und Meldungen", [] { ShowHelpText(kHelpCheck, 1); });
    mi_HilfeGrafik = AddItem(mi_Hilfe, "&Diagramme", [] { ShowHelpText(kHelpDiagrams, 1); });

    printJob_ = std::make_unique<QtGraphPrintJob>(*this);
    SetPrintJobBackend(printJob_.get());
    UpdateCaptions();
}

bool Thh::StartUp(const CommandLine& cmd) {
    const bool showMessages = RunWindowStartUp(cmd);
    SetupGraphForm(*this);  // size and colour from the configuration just read
    UpdateCaptions();
    update();
    return showMessages;
}

void Thh::UpdateCaptions() {
    setWindowTitle(OemToQString(MainWindowCaption()));
    mi_Fehlerliste->setText(OemToQString(ErrorListCaption()));
}

Thh::~Thh() {
    SetPrintJobBackend(nullptr);
}

// This menu has no edit or view menu; the browser's take the words the
// program uses for them.
Dbf4MenuCaptions Thh::BrowserMenuCaptions() const {
    Dbf4MenuCaptions c;
    c.file = mi_Datei->title();
    c.print = mi_DateiDrucken->text();
    c.exit = mi_DateiBeenden->text();
    c.edit = OemToQString("&Bearbeiten");
    c.view = OemToQString("&Ansicht");
    c.help = mi_Hilfe->title();
    c.common = mi_Datenbank->title();
    c.datei = mi_Datei->title();
    return c;
}

void Thh::mi_DateiOeffnenClick() {
    const bool opened = OpenSpringCommand();
    UpdateCaptions();
    if (opened) RedrawView();
}

void Thh::RedrawView() {
    if (view_ == View::None) return;
    if (CalcErrorFlag) {
        // No diagram of this spring: nothing of the one before stays; the
        // messages are in the error list.
        GraphClear();
        return;
    }
    if (view_ == View::Goodman) {
        GoodmanClick(kCadScreen);
    } else {
        HaighClick(kCadScreen);
    }
}

void Thh::mi_DateiSpeichernClick() {
    SaveSpringCommand();
    UpdateCaptions();
}

void Thh::mi_DateiSpeichernUnterClick() {
    SaveSpringAsCommand();
    UpdateCaptions();
}

void Thh::mi_DateiTabellenkalkulationClick(bool update) {
    AbortFlag = false;
    if (update) {
        SpreadsheetUpdateCommand();
    } else {
        SpreadsheetCommand();
    }
    // The stand-in of the spreadsheet program writes a workbook file; the
    // user learns where it is.
    const auto* file = dynamic_cast<const SpreadsheetFileApp*>(ExcelApp.get());
    if (!AbortFlag && file != nullptr && file->WorkbookCount() > 0)
        ShowInfo(platform::DisplayPath(file->WorkbookFileName(file->WorkbookCount())) +
                 " wurde angelegt.");
    UpdateCaptions();
}

// Outputs of the print selection: the graphics window as it stands, and
// the two fatigue diagrams drawn into it.
void Thh::mi_DateiDruckenClick() {
    AbortFlag = false;
    if (!ShowPrintSelection({"Grafikfenster", "Goodman-Diagramm", "Haigh-Diagramm"})) return;
    PrintTickedOutputs(PrintMacroIndex, {[] {}, [this] { GoodmanClick(kCadScreen); },
                                         [this] { HaighClick(kCadScreen); }});
    UpdateCaptions();
    update();
}

void Thh::mi_BerechnungPruefenClick() {
    RunCheckCommand();
    UpdateCaptions();
    ShowCalcMessages();
}

void Thh::mi_FehlerlisteClick() {
    AbortFlag = false;
    ShowCalcMessages();
}

void Thh::mi_FehlerberichtClick() {
    AbortFlag = false;
    ReportCalcMessages();
}

// Browse and edit the material table; the chosen material goes into the
// spring, which is then checked again and drawn.
void Thh::mi_dbfmaterialClick() {
    const bool taken = SelectMaterialCommand();
    UpdateCaptions();
    if (taken) RedrawView();
    update();
}

// Any dBase table in the table browser.
void Thh::mi_TabelleAnzeigenClick() {
    AbortFlag = false;
    std::string chosen;
    OpenFileDialogSimple(DbfFolder, "*.dbf", chosen);
    if (AbortFlag || chosen.empty()) return;
    DbfOpenTable(chosen);
    if (AbortFlag) return;
    DbfSetTitles("", ExtractFileBaseName(chosen));
    SetHelpNumber(kHelpTableWindow);  // the browser's help is about this window
    DbfShowTable("", 0);
    DbfCloseTable();
}

void Thh::GoodmanClick(uint16_t mode) {
    AbortFlag = false;
    if (mode == kCadScreen) view_ = View::Goodman;
    PlotGoodmanDiagram(mode);
    UpdateCaptions();  // the drawing may add a message
    update();
}

void Thh::HaighClick(uint16_t mode) {
    AbortFlag = false;
    if (mode == kCadScreen) view_ = View::Haigh;
    PlotHaighDiagram(mode);
    UpdateCaptions();
    update();
}

int Thh::DrawingTop() const {
    return MainMenu1->isVisible() ? MainMenu1->geometry().bottom() + 1 : 0;
}

bool Thh::eventFilter(QObject* watched, QEvent* e) {
    if (watched == MainMenu1 && (e->type() == QEvent::Resize || e->type() == QEvent::Move)) {
        UpdateGeometry();
        update();
    }
    return TFquorgra::eventFilter(watched, e);
}

void Thh::closeEvent(QCloseEvent* e) {
    if (CloseMainWindow()) {
        e->accept();
    } else {
        e->ignore();
    }
}

}  // namespace kor2
