// What the CIT-8 window hands to the host's own windows (the reference host's stand-ins say
// only that they are not there, so the scripted sessions cannot show the arguments).
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "citforms/windows/window_opener.h"
#include "citforms/support/fake_host.h"

namespace citforms::windows {
namespace {

// Works the window it is given with `drive`, then closes it.
class DrivingUi : public testing::FakeUi {
public:
    int runWindow(const host::WindowRequest& request) override {
        host::UiWindow& w = *request.window;
        if (drive) drive(w);
        if (!w.finished()) w.requestClose();
        return w.result();
    }
    std::function<void(host::UiWindow&)> drive;
};

void press(host::UiWindow& w, const std::string& caption, int field = 0) {
    const auto& buttons = w.model().buttons;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].caption == caption && buttons[i].field == field) return w.press(i);
    }
    ADD_FAILURE() << "no button " << caption;
}

TEST(Cit8WindowHostCalls, TransferDefinitionAndPrintParameters) {
    const std::string transferQuery =
        "select id_przelewu from PRZELEW where id_deklaracje_nag = 7 AND id_firmy = 1";
    const struct {
        std::string caption;
        int field;
        testing::Rows transfers;
        std::string call;
        int request;  // GLOBALREQUEST after the call
    } cases[] = {
        {"Przelew", 0, {}, "settlements.UP_PRZELEW 1|0|7", 1},
        {"Przelew", 0, {{"5"}}, "settlements.UP_PRZELEW 1|5|7", 2},
        {"Definicja", 0, {}, "statements.DEF_ZESTAW_NEW 7|DD||", 0},
        {"D", 145, {}, "statements.DEF_ZESTAW_NEW 7|DD||145", 0},
        {"Drukuj", 0, {}, "declarations.PARAM_PRN_DEKLAR CIT-8", 0},
    };
    for (const auto& c : cases) {
        testing::FakeHost fake;
        fake.data.globalValues.DANE_ID_FIRMY = 1;
        fake.declarations.printAnswer = 0;
        fake.utility.script(transferQuery, c.transfers);
        DrivingUi ui;
        ui.drive = [&](host::UiWindow& w) { press(w, c.caption, c.field); };
        host::HostBinding binding = fake.binding();
        binding.ui = &ui;
        store::DeclarationFields fields(73);
        module::DeclarationState state;
        state.CIT_ID_DEKLARACJI = 7;
        WindowOpener opener(binding, nullptr, fields, state, nullptr);
        ASSERT_TRUE(opener.open("CIT_8_73", WindowArguments{true, 0, true, 0, {}}));
        const std::vector<std::string> calls = fake.callNames();
        EXPECT_NE(std::find(calls.begin(), calls.end(), c.call), calls.end()) << c.call;
        EXPECT_EQ(fake.data.globalValues.GLOBALREQUEST, c.request) << c.call;
        EXPECT_TRUE(ui.messages.empty()) << c.call;
        EXPECT_TRUE(fake.utility.messages.empty()) << c.call;
    }
}

std::size_t entryOf(const host::UiWindow& w, int field) {
    const auto& entries = w.model().entries;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].field == field) return i;
    ADD_FAILURE() << "no entry of position " << field;
    return 0;
}

// Closing a window that holds typed changes asks, and "Anuluj" goes back to it with what was
// typed; "Nie zapisuj" closes with the values as they were; an attachment window asks the
// same over its own values. A window without changes closes without a word.
TEST(FormWindowClose, AsksWhileChangesAreHeldAndLetsThePersonGoBack) {
    testing::FakeHost fake;
    DrivingUi ui;
    host::HostBinding binding = fake.binding();
    binding.ui = &ui;
    store::DeclarationFields fields(73);
    fields.main()[8].setText("Stara nazwa");
    fields.main()[7].setText("2");  // a correction: ORD-ZU is open to it
    fields.form("ORD-ZU")[13].setText("Pierwsze");
    module::DeclarationState state;
    state.CIT_ID_DEKLARACJI = 7;
    WindowOpener opener(binding, nullptr, fields, state, nullptr);
    const WindowArguments stored{true, 0, true};

    ui.drive = nullptr;  // nothing typed
    ASSERT_TRUE(opener.open("CIT_8_73", stored));
    EXPECT_TRUE(ui.messages.empty());

    ui.drive = [&](host::UiWindow& w) {
        ASSERT_TRUE(w.edit(entryOf(w, 8), "Nowa nazwa"));
        ui.answers = {3};  // "Anuluj"
        EXPECT_FALSE(w.requestClose());
        EXPECT_FALSE(w.finished());
        EXPECT_EQ(w.display(entryOf(w, 8)), "Nowa nazwa");
        ui.answers = {2};  // "Nie zapisuj"
        EXPECT_TRUE(w.requestClose());
    };
    ASSERT_TRUE(opener.open("CIT_8_73", stored));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Czy chcesz zapisać deklarację?");
    EXPECT_EQ(ui.messages[0].buttons, "&Zapisz|&Nie zapisuj|&Anuluj");
    EXPECT_EQ(fields.main()[8].text().substr(0, 11), "Stara nazwa");

    ui.messages.clear();
    ui.drive = [&](host::UiWindow& w) {
        if (w.model().name != "CIT_ORDZU") return press(w, "ORD-ZU");
        ASSERT_TRUE(w.edit(entryOf(w, 13), "Drugie"));
        ui.answers = {2};
    };
    ASSERT_TRUE(opener.open("CIT_8_73", stored));
    EXPECT_EQ(ui.messages.size(), 1u);  // the attachment's question; the CIT-8 holds none
    EXPECT_EQ(fields.form("ORD-ZU")[13].text().substr(0, 8), "Pierwsze");
}

}  // namespace
}  // namespace citforms::windows
