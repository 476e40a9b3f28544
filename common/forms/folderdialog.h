// TForm_selectDir: the folder choice of SelectDirectory, with a drive box
// and a folder list that lists through the platform's file search.
#pragma once

#include <QListWidget>
#include <string>

#include "platform/qt/formbase.h"

class QComboBox;
class QPushButton;

namespace kor2 {

// A list of the subfolders of one folder, ".." first; a double click enters.
class TDirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TDirectoryListBox(QWidget* parent = nullptr);
    void SetDirectory(const std::string& dir);
    const std::string& Directory() const { return dir_; }
    void SetDrive(const std::string& root);

Q_SIGNALS:
    void DirectoryChanged();

private:
    void Enter(QListWidgetItem* item);
    std::string dir_;
};

class TForm_selectDir : public platform::TForm {
    Q_OBJECT
public:
    explicit TForm_selectDir(QWidget* parent = nullptr);

    std::string Folder;  // the held folder: set before showing, the choice after OK

    QComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    QPushButton* Button_ok;
    QPushButton* Button_cancel;

    void FormCreate();
    void DriveComboBox1Change();
    // The open folder's path in the drive box.
    void ShowFolderPath();
    void Button_okClick();
    void Button_cancelClick();

protected:
    void FormShow() override;
};

}  // namespace kor2
