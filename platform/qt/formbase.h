// The dialogs' base for every form of the program: a modal QDialog with the
// key preview of the class library's forms (FormKeyDown sees keys before the
// focused control), FormShow on showing, scaling by a percentage, and a
// least size from the form's layout.
#pragma once

#include <QDialog>

class QKeyEvent;

namespace kor2::platform {

// Lets the widget's layout fix its least size from the controls' needs,
// measured with the style and fonts they will be shown with. Nothing
// without a layout.
void SettleLayout(QWidget& widget);

class TForm : public QDialog {
    Q_OBJECT
public:
    explicit TForm(QWidget* parent = nullptr);

    // Forms with key preview call this after their controls exist.
    void EnableKeyPreview();
    // Size and font scaled by percent / 100, and the controls' geometry
    // unless a layout places them.
    void ScaleBy(int percent);
    // After the contents changed: the form grows to what its layout needs
    // in the screen's fonts, and takes just that size in the directions of
    // shrink; its centre stays where it was.
    void FitToLayout(Qt::Orientations shrink = {});

protected:
    // Returns true when the key was consumed.
    virtual bool FormKeyDown(int key) {
        (void)key;
        return false;
    }
    virtual void FormShow() {}
    // Closing by the window's close box: like the platform's forms, the
    // form just closes; the handlers decide about AbortFlag.
    void reject() override;

    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool keyPreview_ = false;
};

}  // namespace kor2::platform
