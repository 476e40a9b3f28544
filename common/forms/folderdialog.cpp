// TForm_selectDir: caption "Select Directory"; FormShow shows the held
// folder, the drive box shows the open folder's path and the folders above
// it, choosing one there moves the folder list to it, OK takes the list's
// folder and Cancel sets AbortFlag.
#include "common/forms/folderdialog.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
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
            addItem(platform::OemToQString(f.name));
    setCurrentRow(0);
    Q_EMIT DirectoryChanged();
}

void TDirectoryListBox::SetDrive(const std::string& root) {
    SetDirectory(root);
}

void TDirectoryListBox::Enter(QListWidgetItem* item) {
    if (item == nullptr) return;
    const std::string name = platform::QStringToOem(item->text());
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
    // Room for a path of 30 characters; a longer one does not widen the dialog.
    DriveComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    DriveComboBox1->setMinimumContentsLength(30);
    DirectoryListBox1 = new TDirectoryListBox(this);
    DirectoryListBox1->setObjectName("DirectoryListBox1");
    Button_ok = MakeButton(this, "Button_ok", "OK");
    Button_ok->setDefault(true);
    Button_cancel = MakeButton(this, "Button_cancel", "Abbrechen");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DriveComboBox1);
    layout->addWidget(DirectoryListBox1, 1);
    layout->addLayout(ButtonRow({Button_ok, Button_cancel}));
    connect(DriveComboBox1, &QComboBox::activated, this, &TForm_selectDir::DriveComboBox1Change);
    connect(DirectoryListBox1, &TDirectoryListBox::DirectoryChanged, this,
            &TForm_selectDir::ShowFolderPath);
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

// The drive box holds the open folder and the folders above it, up to the
// root; the open folder is shown.
void TForm_selectDir::ShowFolderPath() {
    const std::string dir = DirectoryListBox1->Directory();
    QStringList chain{"/"};
    for (std::size_t slash = dir.find('/', 1); slash != std::string::npos;
         slash = dir.find('/', slash + 1))
        chain.append(platform::OemToQString(dir.substr(0, slash)));
    if (dir != "/") chain.append(platform::OemToQString(dir));
    const QSignalBlocker quiet(DriveComboBox1);
    DriveComboBox1->clear();
    DriveComboBox1->addItems(chain);
    DriveComboBox1->setCurrentIndex(DriveComboBox1->count() - 1);
}

void TForm_selectDir::DriveComboBox1Change() {
    DirectoryListBox1->SetDrive(platform::QStringToOem(DriveComboBox1->currentText()));
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
