// The browser model's file, edit and help menu commands: HTML export, delimited
// export and import, appending another table, appending a blank record and the
// help items. Called by the browser window's menu.
#include <cstdio>
#include <optional>

#include "common/dialogs.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/report.h"
#include "common/textfile.h"
#include "common/textout.h"
#include "common/textutil.h"
#include "platform/progfiles.h"
#include "platform/sysclock.h"
#include "tables/base/commandtext.h"
#include "tables/browser/browsermodel.h"

namespace kor2 {

namespace {

std::string HoursMinutes() {
    const platform::DateTime now = platform::Now();
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d:%02d", now.hour % 100, now.minute % 100);
    return buf;
}

// The name without folders, drive and extension ("\" or "/" separate).
std::string BareName(const std::string& path) {
    std::string name = path.substr(path.find_last_of("\\/:") + 1);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

// Adds the default extension when the chosen name has none.
std::string WithDefaultExt(std::string name, const char* ext) {
    const std::string last = name.substr(name.find_last_of("\\/:") + 1);
    if (last.find('.') == std::string::npos) name += std::string(".") + ext;
    return name;
}

std::string TableFolder(const Tdbf4& b) {
    return RemoveBackslash(ExtractFilePathL(b.tbdbf.DbfFileName()));
}

// A cancelled file dialog ends the command without effect, AbortFlag clear.
std::optional<std::string> Chosen(std::optional<std::string> chosen) {
    if (!chosen) AbortFlag = false;
    return chosen;
}

}  // namespace

bool Tdbf4::ExportHtml(const std::string& fileName) {
    // Written as the HTML report writes: the Windows character set, declared
    // in the file, and markup characters of the texts escaped.
    auto html = [](std::string_view oem) { return HtmlEscape(OemToAnsiLine(oem)); };
    const bool dosTable = tbdbf.TableLanguage == tlOem;
    TextFile f;
    f.Assign(fileName);
    bool ok = f.Rewrite();
    auto line = [&](const std::string& s) { ok = ok && f.WriteLine(s); };
    line("<HTML>");
    line("<head><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1252\">"
         "<title>" +
         html(BareName(fileName)) + "</title></head>");
    line("<BODY BGCOLOR=\"C0C0C0\">");
    line("<P>" + html(CaptionText + "V" + ProgramVersion) + "</P>");
    line("<P>" + html(platform::DisplayPath(fileName)) + "</P>");
    line("<P>" + html(TodayToStr()) + " - " + HoursMinutes() + "</P>");
    line("<HR>");
    line("<TABLE BORDER = \"1\" WIDTH= \"100%\">");
    const int fields = GetFieldCount();
    std::string row = "<TR>";
    for (int i = 1; i <= fields; ++i) {
        std::string name;
        GetFieldName(i, name);
        row += "<TD><CENTER>" + html(name) + "</CENTER></TD>";
    }
    line(row + "</TR>");
    const int32_t count = GetRecordCount();
    for (int32_t r = 1; r <= count && ok; ++r) {
        row = "<TR>";
        for (int i = 1; i <= fields; ++i) {
            std::string s;
            tbdbf.Peek(i, r, s);
            row += "<TD>" + (dosTable ? html(s) : HtmlEscape(s)) + "</TD>";
        }
        line(row + "</TR>");
    }
    line("</TABLE>");
    line("</BODY>");
    line("</HTML>");
    if (!ok) {
        f.Discard();
        return false;
    }
    return f.Close();
}

void Tdbf4::mi_fileExportHtmlClick() {
    const auto chosen =
        Chosen(Dialogs().SaveFile(TableFolder(*this), "HTML files|*.HTM;*.HTML|All files|*.*",
                                  BareName(tbdbf.DbfFileName())));
    if (!chosen) return;
    const std::string name = WithDefaultExt(*chosen, "htm");
    if (!ExportHtml(name)) {
        Dialogs().Message(MsgStyle::Plain, "", name);
        return;
    }
    if (!HtmlBrowserPath.empty()) OpenInBrowser(name);
}

void Tdbf4::mi_fileSaveAsDelimitedClick() {
    const auto c = Chosen(Dialogs().SaveFile(TableFolder(*this), "txt|*.txt|All files|*.*"));
    if (!c) return;
    // The file lock keeps other programs from changing records while they
    // are copied; the export of a table locked elsewhere still runs.
    EndOfWork unlock;
    if (tbdbf.FLock()) unlock.Arm([this] { tbdbf.UnLock(); });
    tbdbf.CopyToDelimited(*c);
    unlock.End();
}

void Tdbf4::mi_fileAppenddbfClick() {
    if (RefusedAsReadOnly()) return;
    if (const auto c = Chosen(Dialogs().OpenFile(TableFolder(*this), "*.dbf|*.dbf")))
        tbdbf.AppendFrom(QuoteName(WithDefaultExt(*c, "dbf")));
}

void Tdbf4::mi_fileAppendDelimitedClick() {
    if (RefusedAsReadOnly()) return;
    if (const auto c = Chosen(Dialogs().OpenFile(TableFolder(*this), "*.txt|*.txt")))
        tbdbf.AppendFromDelimited(WithDefaultExt(*c, "txt"));
}

void Tdbf4::mi_editAppendClick() {
    if (RefusedAsReadOnly()) return;
    tbdbf.CheckBrowseMode();
    tbdbf.SyncWorkArea();
    AppendBlankRecord();
}

void Tdbf4::mi_helpdbfClick() {
    ShowHelpText(HelpNumber, 1);
    AbortFlag = false;
}

void Tdbf4::mi_helpCommonClick() {
    ShowHelpText(3210, 1);
    AbortFlag = false;
}

void Tdbf4::mi_helphilfebildClick() {
    ShowHelpText(HelpNumber, 2);
    if (GetDbf4Window() != nullptr) GetDbf4Window()->BringToFront();
    AbortFlag = false;
}

void Tdbf4::mi_helpDateiClick() { Message(platform::DisplayPath(Label_filename)); }

}  // namespace kor2
