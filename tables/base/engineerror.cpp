// Error state, standard error texts and platform services of the table engine.
// Called by every engine routine (SetEngineError) and by the data-set layer,
// which switches exception mode on.
#include "tables/base/engineerror.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "platform/codepage.h"
#include "platform/oemtext.h"
#include "platform/sysclock.h"

namespace kor2 {

namespace {

struct CodeText {
    uint16_t code;
    const char* text;
};

// Codes 1 to 162 are the operating system's and run-time's I/O result codes.
const CodeText kErrorTexts[] = {
    {1, "Unzulässiger DOS-Funktionscode"_oem},
    {2, "Datei nicht gefunden"},
    {3, "Pfad nicht gefunden"},
    {4, "Zu viele Dateien geöffnet"_oem},
    {5, "Dateizugriff verweigert"},
    {6, "Unzulässiges Datei-Handle"_oem},
    {8, "Zu wenig Speicher"},
    {9, "Unzulässige Speicherblock-Adresse"_oem},
    {10, "Ungültige MS-DOS-Umgebung"_oem},
    {11, "Unzulässiges Aufrufformat"_oem},
    {12, "Unzulässiger Dateizugriff "_oem},
    {13, "Datenfehler"},
    {14, "Ungültiges Peripheriegerät"_oem},
    {15, "Unzulässige Laufwerknummer."_oem},
    {16, "Entfernen des aktiven Verzeichnisses unzulässig"_oem},
    {17, "Umbenennung auf ein anderes Laufwerk unzulässig"_oem},
    {18, "Zu viele Dateien geöffnet"_oem},
    {19, "Diskette schreibgeschützt"_oem},
    {20, "Ungültiges Peripheriegerät"_oem},
    {21, "Laufwerk nicht bereit"},
    {22, "Unbekannter Befehl"},
    {23, "Prüfsummenfehler"_oem},
    {24, "Ungültiger Diskparameterblock"_oem},
    {25, "Plattenpositionierungsfehler"},
    {26, "Unbekanntes Medium"},
    {27, "Sektor nicht gefunden."},
    {28, "Kein Papier im Drucker"},
    {29, "Schreibfehler bei Zugriff auf Peripheriegerät"_oem},
    {30, "Lesefehler bei Zugriff auf Peripheriegerät"_oem},
    {31, "Allgemeiner Fehler"},
    {32, "Fehler beim gemeinsamen Dateizugriff"},
    {33, "Fehler bei Dateisperre"},
    {34, "Unzulässiger Diskettenwechsel"_oem},
    {35, "Zugriff zum Dateikontrollblock unmöglich"_oem},
    {36, "Überlauf des gemeinsamen Dateipuffers"_oem},
    {50, "Netzwerkanfrage nicht unterstützt"_oem},
    {51, "Gerät mit Fernzugriff nicht bereit"_oem},
    {52, "Doppelte Namensgebung auf Netzwerk"},
    {53, "Netzwerkname nicht gefunden"},
    {54, "Netzwerk überlastet"_oem},
    {55, "Gerät nicht mehr auf dem Netzwerk vorhanden"_oem},
    {56, "NetBios Befehlsgrenze überschritten"_oem},
    {57, "Gerätefehler im Netzwerk-Adapter"_oem},
    {58, "Falsche Antwort vom Netzwerk"},
    {59, "Unerwarteter Netzwerkfehler"},
    {60, "Konflikt beim Adapter mit Fernzugriff"},
    {100, "Disketten-/Festplatten-Lesefehler"},
    {101, "Disketten-/Festplatten-Schreibfehler"},
    {102, "Datei nicht zugewiesen (assign)"},
    {103, "Datei nicht geöffnet"_oem},
    {104, "Datei zur Eingabe nicht geöffnet"_oem},
    {105, "Datei zur Ausgabe nicht geöffnet"_oem},
    {106, "Unzulässiges Zahlenformat"_oem},
    {150, "Diskette schreibgeschützt"_oem},
    {151, "Ungültiges Peripheriegerät"_oem},
    {152, "Laufwerk nicht bereit"},
    {153, "Unbekannter Befehl"},
    {154, "Prüfsummenfehler"_oem},
    {155, "Ungültiger Diskparameterblock"_oem},
    {156, "Plattenpositionierungsfehler"},
    {157, "Unbekanntes Medium"},
    {158, "Sektor nicht gefunden."},
    {159, "Kein Papier im Drucker"},
    {160, "Schreibfehler bei Zugriff auf Peripheriegerät"_oem},
    {161, "Lesefehler bei Zugriff auf Peripheriegerät"_oem},
    {162, "Fehler beim gemeinsamen Dateizugriff"},
    {200, "Division durch Null"},
    {201, "Bereichsprüffehler"_oem},
    {202, "Stapelüberlauf"_oem},
    {203, "Heapüberlauf"_oem},
    {204, "Unzulässige Zeigeroperation"_oem},
    {205, "Fließkommaüberlauf"_oem},
    {206, "Fließkommaunterlauf"_oem},
    {207, "Fließkommafehler"_oem},
    {208, "Overlay-Manager nicht installiert"},
    {209, "Overlay-Lesefehler"},
    {210, "Keine dBASE-Datei"},
    {211, "Unzulässige Feldangabe"_oem},
    {212, "Anfrage außerhalb Bereich"_oem},
    {213, "Unerwartetes Dateiende"},
    {214, "Datenbank wird bereits benutzt"},
    {215, "Keine Datenbank (bzw. kein Arbeitsbereich) geöffnet."_oem},
    {216, "Allgemeine Schutzverletzung (GPF)"},
    {217, "Zu wenig Platz im Arbeitsspeicher"},
    {218, "Unzulässige Zeigervariable"_oem},
    {219, "Datei-Handle nicht duplizierbar"},
    {220, "Unzulässiger Parameter"_oem},
    {221, "Index-Datei nicht geöffnet"_oem},
    {222, "Beschädigte Index-Datei"_oem},
    {223, "Falsche Index-Version"},
    {224, "Zyklische Relation"},
    {225, "Exklusiver Zugriff erforderlich"},
    {226, "BROWSE nicht aktiv"},
    {227, "Speichermediumplatz unzureichend "},
    {228, "Anzahl Push/Pops nicht ausgeglichen "},
    {229, "dBASE IV Memo-Dateien nicht unterstützt"_oem},
    {230, "Keine dBASE Variablen geladen"},
    {231, "Bildschirmbibliothek nicht gefunden"},
    {239, "Fehlender Doppelpunkt in der Zeitangabe"},
    {240, "Nicht-numerisches Zeichen in der Zeitangabe"},
    {241, "Ungültige Zeitangabe"_oem},
    {242, "Negative Zeitangabe"},
    {243, "Negatives TimeDiff-Ergebnis"},
    {254, "Interner Tabellen-Fehler"},
    {266, "Unzulässige Größe des Datenpuffers"_oem},
    {1003, "Unzulässige Memo-Adresse"_oem},
    {1004, "Speichermedium voll          "},
    {1005, "Memo-Schreibfehler"},
    {1007, "Memo ist bereits geöffnet"_oem},
    {1012, "Unzureichender Speichermediumplatz zum Packen der Memo-Datei"},
    {1017, "Memo-Datei nicht sperrbar"},
    {1018, "Memo-Datei nicht entsperrbar"},
    {1019, "Unzulässige Memo-Operation: Datei nicht geöffnet oder kein Memo-Feld in der Datei"_oem},
    {1100, "Nicht anwendbar bei eingebundenen Listen"},
    {1101, "Virtuelle Datei-Verwaltungs-Unit nicht eingebunden"},
    {1102, "Fehler in der Verwaltung der virtuellen Datei"},
    {1103, "Unzulässige Ausführung "_oem},
    {1200, "Datensatz nicht gesperrt"},
    {1201, "Datei nicht gesperrt"},
    {1202,
     "Semaphore-Dateifehler. Abhilfe: Am Netzwerk anmelden oder SHARE.EXE vor dem Start "
     "von Windows laden"},
    {1300, "File format not supported"},
};

EngineMessageBoxFn& MessageBoxHook() {
    static EngineMessageBoxFn hook;
    return hook;
}

}  // namespace

std::string EngineStandardText(uint16_t code) {
    if (code >= 1203 && code <= 1299) return "Netzwerkfehler";
    for (const auto& e : kErrorTexts)
        if (e.code == code) return e.text;
    return "Unbekannter Fehler";
}

std::string EngineErrorText(uint16_t code) {
    if (code == 0) return {};
    return "Fehler Nr. " + std::to_string(code) + " (" + EngineStandardText(code) + ")";
}

void SetEngineError(uint16_t code, const std::string& message) {
    EngineErrorCode = code;
    PendingErrorCode = code;
    EngineErrorMsg = message;
    if (ErrorHandling) HandleEngineError();
}

std::string TakeErrorMsg() {
    std::string msg = std::move(EngineErrorMsg);
    EngineErrorMsg.clear();
    PendingErrorCode = 0;
    return msg;
}

std::string LastErrorText() {
    if (PendingErrorCode == 0) return {};
    std::string text = EngineErrorText(PendingErrorCode);
    return text + "\r\n" + TakeErrorMsg();
}

void HandleEngineError() {
    if (EngineHalting) return;
    PendingErrorCode = EngineErrorCode;
    const uint16_t code = EngineErrorCode;
    if (code == 0) return;
    const std::string text = EngineErrorText(code);
    if (ExceptionMode) RaiseEngineError(text + "\r\n" + TakeErrorMsg());
    MessageBoxShort(text + "\r\n" + TakeErrorMsg(), "Programm angehalten.", MB_ICONSTOP | MB_OK);
    EngineHalting = true;
    std::exit(code);
}

bool SetErrorHandling(bool on) {
    return std::exchange(ErrorHandling, on);
}
bool SetExceptionMode(bool on) {
    return std::exchange(ExceptionMode, on);
}

void RaiseEngineError(const std::string& message) {
    throw ETableError(message);
}

void ResetEngineErrorState() {
    EngineErrorCode = 0;
    EngineErrorMsg.clear();
    PendingErrorCode = 0;
    ErrorHandling = true;
    ExceptionMode = false;
    EngineHalting = false;
}

QuietEngineErrors::QuietEngineErrors(bool keepNew)
    : code_(EngineErrorCode),
      pending_(PendingErrorCode),
      msg_(EngineErrorMsg),
      handling_(SetErrorHandling(false)),
      keepNew_(keepNew) {}

QuietEngineErrors::~QuietEngineErrors() {
    ErrorHandling = handling_;
    if (keepNew_ && code_ == 0) return;
    EngineErrorCode = code_;
    PendingErrorCode = pending_;
    EngineErrorMsg = msg_;
}

void EndOfWork::End() {
    if (!undo_) return;
    const std::function<void()> undo = std::exchange(undo_, nullptr);
    if (EngineErrorCode == 0) {
        undo();
        return;
    }
    // The work failed with error handling off: its error stays the one recorded.
    QuietEngineErrors quiet;
    undo();
}

EndOfWork::~EndOfWork() {
    if (!undo_) return;
    QuietEngineErrors quiet(true);
    try {
        undo_();
    } catch (...) {
        // A raise of a layer above the engine: the failure being unwound is
        // the one that counts.
    }
}

void EngGetMem(EngMemBlock& block, uint16_t size) {
    block = std::make_unique<uint8_t[]>(size);
}

void EngFreeMem(EngMemBlock& block, uint16_t /*size*/) {
    if (!block) {
        SetEngineError(9, "Versuch Null-Zeiger freizugeben [FreeMem()]");
        return;
    }
    block.reset();
}

std::string LStrAnsiToOem(const std::string& text) {
    return platform::CharToOem(text);
}
std::string LStrOemToAnsi(const std::string& text) {
    return platform::OemToChar(text);
}

void SetEngineMessageBox(EngineMessageBoxFn fn) {
    MessageBoxHook() = std::move(fn);
}

int MessageBoxShort(const std::string& text, const std::string& caption, unsigned flags) {
    const std::string t = text.substr(0, 255);
    const std::string c = caption.substr(0, 255);
    if (MessageBoxHook()) return MessageBoxHook()(t, c, flags);
    std::fprintf(stderr, "%s\n%s\n", platform::OemToUtf8(c).c_str(),
                 platform::OemToUtf8(t).c_str());
    return IDOK;
}

uint16_t GetWindowsVersion() {
    // There is no such version on this platform: the answer of a failed query.
    return 7;
}

void GetToday(int& year, int& month, int& day, int& weekday) {
    const platform::DateTime now = platform::Now();
    year = now.year;
    month = now.month;
    day = now.day;
    weekday = now.dayOfWeek + 1;
}

void FileDateParts(int64_t fileDate, FileDatePartsRec& parts) {
    const std::time_t t = static_cast<std::time_t>(fileDate);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) {
        parts = {};
        return;
    }
    parts.year = tm.tm_year + 1900;
    parts.month = tm.tm_mon + 1;
    parts.day = tm.tm_mday;
    parts.hour = tm.tm_hour;
    parts.minute = tm.tm_min;
    parts.second = tm.tm_sec;
    parts.millisecond = 0;
}

uint64_t PhysicalMemory(int unit) {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    const uint64_t bytes = pages > 0 && pageSize > 0
                               ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize)
                               : 0;
    if (unit == 1) return bytes / 1024;
    if (unit == 2) return bytes / 1048576;
    return bytes;
}

uint8_t CountFloppyDrives() {
    return 0;
}

}  // namespace kor2
