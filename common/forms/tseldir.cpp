// TForm_selectDir: caption "Select Directory"; FormShow shows the held
// folder, a drive change moves the folder list to that drive, OK takes the
// list's folder and Cancel sets AbortFlag.
#include "common/forms/tseldir.h"

#include <QComboBox>
#include <QPushButton>
#include <algorithm>

#include "common/forms/formutil.h"
#include "common/globals.h"
#include "platform/hostfs.h"
#include "platform/qt/qtstring.h"

namespace kor2 {

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemDoubleClicked, this, &TDirectoryListBox::Enter);
}

void TDirectoryListBox::SetDirectory(const std::string& dir) {
    dir_ = dir.empty() ? platform::GetCurrentDir() : dir;
    std::replace(dir_.begin(), dir_.end(), '\\', '/');
    while (dir_.size() > 1 && dir_.back() == '/') dir_.pop_back();
    clear();
    if (dir_ != "/") addItem("..");
    for (const platform::FoundFile& f : platform::FindFiles(dir_ + "/*", platform::faDirectory))
        if ((f.attr & platform::faDirectory) && f.name != "." && f.name != "..")
            addItem(platform::AnsiToQString(f.name));
    setCurrentRow(0);
}

void TDirectoryListBox::SetDrive(const std::string& root) {
    SetDirectory(root);
}

void TDirectoryListBox::Enter(QListWidgetItem* item) {
    if (item == nullptr) return;
    const std::string name = platform::QStringToAnsi(item->text());
    if (name == "..") {
        const std::size_t slash = dir_.find_last_of('/');
        SetDirectory(slash == 0 || slash == std::string::npos ? "/" : dir_.substr(0, slash));
    } else {
        SetDirectory((dir_ == "/" ? dir_ : dir_ + "/") + name);
    }
}

TForm_selectDir::TForm_selectDir(QWidget* parent) : TForm(parent) {
    setObjectName("Form_selectDir");
    resize(320, 330);
    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName("DriveComboBox1");
    DriveComboBox1->setGeometry(8, 8, 304, 24);
    DriveComboBox1->addItem("/");
    DirectoryListBox1 = new TDirectoryListBox(this);
    DirectoryListBox1->setObjectName("DirectoryListBox1");
    DirectoryListBox1->setGeometry(8, 40, 304, 240);
    Button_ok = new QPushButton("OK", this);
    Button_ok->setObjectName("Button_ok");
    Button_ok->setGeometry(8, 292, 80, 28);
    Button_ok->setDefault(true);
    Button_cancel = new QPushButton(OemQ("Abbrechen"), this);
    Button_cancel->setObjectName("Button_cancel");
    Button_cancel->setGeometry(96, 292, 90, 28);
    connect(DriveComboBox1, &QComboBox::activated, this, &TForm_selectDir::DriveComboBox1Change);
    connect(Button_ok, &QPushButton::clicked, this, &TForm_selectDir::Button_okClick);
    connect(Button_cancel, &QPushButton::clicked, this, &TForm_selectDir::Button_cancelClick);
    FormCreate();
}

void TForm_selectDir::FormCreate() {
    setWindowTitle("Select Directory");
    CenterDialogOnGraph(*this);
}

void TForm_selectDir::FormShow() {
    DirectoryListBox1->SetDirectory(Folder);
}

void TForm_selectDir::DriveComboBox1Change() {
    DirectoryListBox1->SetDrive(platform::QStringToAnsi(DriveComboBox1->currentText()));
}

void TForm_selectDir::Button_okClick() {
    Folder = DirectoryListBox1->Directory();
    std::replace(Folder.begin(), Folder.end(), '/', '\\');  // the program's path form
    accept();
}

void TForm_selectDir::Button_cancelClick() {
    AbortFlag = true;
    reject();
}

}  // namespace kor2
