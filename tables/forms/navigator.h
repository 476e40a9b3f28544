// Data-aware navigator of the table engine: ten buttons that move, insert,
// delete, edit, post, cancel and refresh a data source's data set; Delete
// restores a record marked as deleted. The table browser holds one.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "platform/dataset.h"

class QToolButton;

namespace kor2 {

enum TNavigateBtn {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh
};
constexpr int NavigateBtnCount = 10;

class TTbNavigator : public QWidget {
    Q_OBJECT
public:
    explicit TTbNavigator(QWidget* parent = nullptr);
    ~TTbNavigator() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);

    bool ConfirmDelete = true;
    bool ConfirmRestore = false;
    void SetShowHint(bool on);
    // The buttons shown; the others are hidden.
    void SetVisibleButtons(const std::array<bool, NavigateBtnCount>& visible);
    QToolButton* Button(TNavigateBtn btn) const { return buttons_[btn]; }

    // Runs the button's action, as a click does.
    void BtnClick(TNavigateBtn btn);
    std::function<void(TTbNavigator& sender, TNavigateBtn btn)> OnClick;
    // With this set, Insert, Delete and Edit stay enabled on a data set that
    // may not be changed; their click changes nothing and calls this.
    std::function<void(TTbNavigator& sender)> OnChangeRefused;

private:
    class Link;
    friend class Link;
    void UpdateButtons();
    void DeleteOrRestore(TDataSet& ds);
    bool Confirm(const char* oemText);

    std::unique_ptr<Link> link_;
    std::array<QToolButton*, NavigateBtnCount> buttons_{};
};

}  // namespace kor2
