// The Qt dialog backend: each primitive creates its form, fills it, shows
// it modally, reads the answer and frees it again.
#include "common/forms/qtdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QWidget>
#include <algorithm>

#include "common/filefilter.h"
#include "common/forms/folderdialog.h"
#include "common/forms/formutil.h"
#include "common/forms/infoscreen.h"
#include "common/forms/listdialog.h"
#include "common/forms/msgdescwindow.h"
#include "common/forms/radiodialog.h"
#include "common/forms/textdialog.h"
#include "common/forms/yesnodialog.h"
#include "common/msgbox.h"
#include "platform/hostfs.h"
#include "platform/qt/msgboxqt.h"
#include "platform/qt/qtstring.h"

namespace kor2 {

int QtDialogs::ChooseFromList(std::string_view title, const std::vector<std::string>& items,
                              int sel, bool listBox) {
    if (listBox) {
        Tin_codedialog form(QApplication::activeWindow());
        form.Fill(std::string(title), items, sel);
        form.exec();
        return form.Chosen();
    }
    Tin_radiodialog form(QApplication::activeWindow());
    form.Fill(std::string(title), items, sel);
    form.exec();
    return form.Chosen();
}

std::string QtDialogs::EditText(std::string_view prompt, int maxLength, std::string_view text) {
    Tin_textdialog form(QApplication::activeWindow());
    form.Fill(std::string(prompt), maxLength, std::string(text));
    form.exec();
    return form.Text();
}

char QtDialogs::AskJaNein(std::string_view question, bool neinPreselected) {
    Tin_janeindialog form(QApplication::activeWindow());
    form.Fill(std::string(question), neinPreselected);
    form.exec();
    return form.Answer();
}

void QtDialogs::ShowTextScreen(std::string_view, const std::vector<std::string>&) {
    // The form takes CaptionText and TextLines itself.
    TShowScreen form(QApplication::activeWindow());
    form.exec();
}

std::optional<std::string> QtDialogs::ChooseFolder(std::string_view startDir) {
    TForm_selectDir form(QApplication::activeWindow());
    form.Folder = startDir;
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.Folder;
}

namespace {

void ShowBox(MsgStyle style, std::string_view caption, const QString& text) {
    platform::BoxIcon icon = platform::BoxIcon::None;
    QString title = OemQ(caption);
    if (style == MsgStyle::Typed)
        icon = caption.substr(0, 6) == "Fehler" ? platform::BoxIcon::Error
                                                : platform::BoxIcon::Information;
    if (style == MsgStyle::Plain) title = QApplication::applicationDisplayName();
    platform::ShowMessageBox(title, text, icon);
}

}  // namespace

void QtDialogs::Message(MsgStyle style, std::string_view caption, std::string_view text) {
    ShowBox(style, caption, OemQ(text));
}

void QtDialogs::MessageHostText(MsgStyle style, std::string_view caption,
                                std::string_view utf8Text) {
    ShowBox(style, caption,
            QString::fromUtf8(utf8Text.data(), static_cast<qsizetype>(utf8Text.size())));
}

YesNoCancel QtDialogs::AskYesNoCancel(std::string_view caption, std::string_view text) {
    switch (platform::AskYesNoCancelBox(OemQ(caption), OemQ(text))) {
        case 0:
            return YesNoCancel::Yes;
        case 1:
            return YesNoCancel::No;
        default:
            return YesNoCancel::Cancel;
    }
}

bool QtDialogs::AskRetry(std::string_view caption, std::string_view text) {
    return platform::AskRetryBox(OemQ(caption), OemQ(text));
}

namespace {

// "description|mask|..." as Qt name filters, one per pair.
QStringList QtFilters(std::string_view filter) {
    QStringList out;
    for (const std::string& f : FileDialogFilters(filter)) out << OemQ(f);
    return out;
}

std::optional<std::string> RunFileDialog(bool save, std::string_view dir, std::string_view filter,
                                         std::string_view fileName = {}) {
    QFileDialog dlg(QApplication::activeWindow());
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setNameFilters(QtFilters(filter));
    // A name typed without extension gets it in the dialog, so that the
    // dialog's question before replacing a file is about the file written.
    if (save) dlg.setDefaultSuffix(OemQ(DefaultSuffix(filter)));
    dlg.setDirectory(QString::fromUtf8(platform::HostPath(dir.empty() ? "." : dir)));
    if (!fileName.empty()) dlg.selectFile(OemQ(fileName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    // The host's name (UTF-8) in the program's path form: code page 850, "\"
    // separators. A name that code page cannot hold is refused here, before
    // the command reads or writes anything under it.
    const QByteArray host = dlg.selectedFiles().first().toUtf8();
    const std::string_view hostName(host.constData(), static_cast<std::size_t>(host.size()));
    auto name = platform::HostToProgram(hostName);
    if (!name) {
        RefuseHostName(hostName);
        return std::nullopt;
    }
    std::replace(name->begin(), name->end(), '/', '\\');
    return name;
}

}  // namespace

std::optional<std::string> QtDialogs::OpenFile(std::string_view dir, std::string_view filter) {
    return RunFileDialog(false, dir, filter);
}

std::optional<std::string> QtDialogs::SaveFile(std::string_view dir, std::string_view filter,
                                               std::string_view fileName) {
    return RunFileDialog(true, dir, filter, fileName);
}

bool QtDialogs::SaveAsksBeforeReplacing() const {
    return true;  // QFileDialog confirms overwriting unless told not to
}

void QtDialogs::ShowErrWindow(std::string_view msg, std::string_view cause,
                              std::string_view remedy) {
    Thelperr form(QApplication::activeWindow());
    form.Fill(std::string(msg), std::string(cause), std::string(remedy));
    form.exec();
}

void QtDialogs::Beep() {
    QApplication::beep();
}

}  // namespace kor2
