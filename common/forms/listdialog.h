// Tin_codedialog: the choice from a list of eight or more entries, with
// Enter and double click as OK. Shown by the Qt dialog backend for
// SelectFromList.
#pragma once

#include <string>
#include <vector>

#include "platform/qt/formbase.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace kor2 {

class Tin_codedialog : public platform::TForm {
    Q_OBJECT
public:
    explicit Tin_codedialog(QWidget* parent = nullptr);

    // Title and items in code page 850; sel is 1-based.
    void Fill(const std::string& title, const std::vector<std::string>& items, int sel);
    int Chosen() const;  // 1-based

    QLabel* Label1;
    QListWidget* ListBox1;
    QPushButton* button_ok;
    QPushButton* button_cancel;
    QPushButton* Button_hilfetext;
    QPushButton* Button_hilfebild;

    void FormCreate();
    void button_okClick();
    void button_cancelClick();
    void Button_hilfetextClick();
    void Button_hilfebildClick();
    void ListBox1DblClick();

protected:
    bool FormKeyDown(int key) override;
};

}  // namespace kor2
