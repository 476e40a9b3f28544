// A stand-in for the table browser window in the shell tests: shown, it
// goes to a record and is left with OK or with Abbrechen, as a user would.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tables/browser/browsermodel.h"

namespace kor2::test {

// The table browser as the user leaves it: on record `row` (0: on the
// record it opened on), with OK or with Abbrechen. It keeps the record it
// opened on and the messages shown over it.
class PickingWindow : public Dbf4Window {
public:
    int32_t row = 0;
    bool ok = true;
    int32_t openedOn = 0;
    std::vector<std::string> messages;
    BrowserResult ShowModal(Tdbf4& browser) override {
        browser.FormShow();
        openedOn = browser.GetRecNo();
        if (row > 0) browser.GoRecord(row);
        if (ok)
            browser.AcceptAndClose();
        else
            browser.Button_cancelClick();
        return ok ? BrowserResult::Ok : BrowserResult::Cancelled;
    }
    void CloseWindow(BrowserResult) override {}
    int GridColumn() override { return 0; }
    int GridRow() override { return 0; }
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
};

}  // namespace kor2::test
