#include "runtime/ui/scripted/scripted_ui.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "citforms/values/text.h"
#include "runtime/ui/scripted/button_captions.h"

namespace citforms::runtime {

namespace {

std::string_view trim(std::string_view s) { return values::trim(s, " \t\r\n\f\v"); }

std::string describe(const ScriptedAnswer& answer) {
    return answer.number > 0 ? std::to_string(answer.number) : answer.caption;
}

}  // namespace

std::string escapeField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string_view iconName(host::MessageIcon icon) {
    switch (icon) {
        case host::MessageIcon::None:
            return "none";
        case host::MessageIcon::Information:
            return "information";
        case host::MessageIcon::Question:
            return "question";
        case host::MessageIcon::Warning:
            return "warning";
        case host::MessageIcon::Error:
            return "error";
    }
    return "none";
}

ScriptedUi::ScriptedUi(std::ostream* transcript, std::vector<ScriptedAnswer> script)
    : transcript_(transcript), script_(std::move(script)) {}

values::Result<std::vector<ScriptedAnswer>> ScriptedUi::parseScript(std::string_view list) {
    std::vector<ScriptedAnswer> answers;
    if (trim(list).empty()) return answers;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string_view::npos) comma = list.size();
        std::string_view item = trim(list.substr(start, comma - start));
        start = comma + 1;
        if (item.empty()) {
            return values::Result<std::vector<ScriptedAnswer>>::failure(
                "empty answer in the answer list");
        }
        ScriptedAnswer answer;
        const bool allDigits = std::all_of(item.begin(), item.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        });
        if (allDigits) {
            auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), answer.number);
            if (ec != std::errc() || answer.number < 1) {
                return values::Result<std::vector<ScriptedAnswer>>::failure(
                    "button number out of range in the answer list: " + std::string(item));
            }
        } else {
            answer.caption = std::string(item);
        }
        answers.push_back(std::move(answer));
    }
    return answers;
}

void ScriptedUi::addAnswer(ScriptedAnswer answer) {
    std::lock_guard lock(mutex_);
    script_.push_back(std::move(answer));
}

int ScriptedUi::message(const host::MessageRequest& request) {
    const std::vector<std::string> captions = splitButtons(request.buttons);
    const int count = static_cast<int>(captions.size());
    const int defaultButton = std::clamp(request.defaultButton, 1, count);

    std::lock_guard lock(mutex_);
    TranscriptEntry entry{request, defaultButton, "default"};
    if (count == 1) {
        entry.answer = 1;
        entry.how = "single";
    } else if (nextAnswer_ < script_.size()) {
        const ScriptedAnswer& scripted = script_[nextAnswer_++];
        const int chosen = scripted.number > 0 ? (scripted.number <= count ? scripted.number : 0)
                                               : findButton(captions, scripted.caption);
        if (chosen > 0) {
            entry.answer = chosen;
            entry.how = "script";
        } else {
            entry.how = "unmatched:" + describe(scripted);
        }
    }
    if (transcript_ != nullptr) {
        *transcript_ << transcriptLine(entry) << '\n';
        transcript_->flush();
    }
    const int answer = entry.answer;
    entries_.push_back(std::move(entry));
    return answer;
}

std::string ScriptedUi::transcriptLine(const TranscriptEntry& entry) {
    const std::vector<std::string> captions = splitButtons(entry.request.buttons);
    const std::string caption =
        entry.answer >= 1 && entry.answer <= static_cast<int>(captions.size())
            ? plainCaption(captions[static_cast<std::size_t>(entry.answer) - 1])
            : std::string();
    std::string line = "message";
    for (std::string_view field :
         {std::string_view(entry.request.title), iconName(entry.request.icon),
          std::string_view(entry.request.text), std::string_view(entry.request.buttons)}) {
        line += '\t';
        line += escapeField(field);
    }
    line += '\t';
    line += std::to_string(entry.answer);
    line += '\t';
    line += escapeField(caption);
    line += '\t';
    line += escapeField(entry.how);
    return line;
}

void ScriptedUi::setBusy(bool busy) {
    std::lock_guard lock(mutex_);
    if (busy) {
        ++busyOn_;
        ++busyDepth_;
    } else {
        ++busyOff_;
        if (busyDepth_ > 0) --busyDepth_;
    }
}

std::vector<TranscriptEntry> ScriptedUi::entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::size_t ScriptedUi::answersLeft() const {
    std::lock_guard lock(mutex_);
    return script_.size() - nextAnswer_;
}

int ScriptedUi::busyOnCalls() const {
    std::lock_guard lock(mutex_);
    return busyOn_;
}

int ScriptedUi::busyOffCalls() const {
    std::lock_guard lock(mutex_);
    return busyOff_;
}

int ScriptedUi::busyDepth() const {
    std::lock_guard lock(mutex_);
    return busyDepth_;
}

}  // namespace citforms::runtime

namespace citforms::runtime {

namespace {

std::string joinFields(std::initializer_list<std::string_view> fields) {
    std::string line;
    for (std::string_view f : fields) {
        if (!line.empty()) line += '\t';
        line += escapeField(f);
    }
    return line;
}

std::size_t findEntry(const host::UiWindow& window, int field) {
    const auto& entries = window.model().entries;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].field == field) return i;
    return entries.size();
}

// The `occurrence`-th button captioned `caption` ("&" and case as findButton() takes them),
// by its position on the panel first; buttons of a page other than the shown one are not
// reachable.
std::size_t findCaption(const host::UiWindow& window, std::string_view caption,
                        int occurrence = 1) {
    const auto& buttons = window.model().buttons;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].page != -1 && buttons[i].page != window.page()) continue;
        if (findButton({buttons[i].caption}, caption) == 1 && --occurrence <= 0) return i;
    }
    return buttons.size();
}

}  // namespace

void ScriptedUi::write(const std::string& line) {
    std::lock_guard lock(mutex_);
    if (transcript_ == nullptr) return;
    *transcript_ << line << '\n';
    transcript_->flush();
}

void ScriptedUi::unmet(const SessionStep& step, const std::string& why) {
    ++failures_;
    write(joinFields({"unmet", std::to_string(step.line), why}));
}

bool ScriptedUi::queue(const SessionStep& step) {
    if (step.kind == SessionStep::Kind::Answer) {
        auto parsed = parseScript(step.name);
        if (parsed && parsed->size() == 1) addAnswer(parsed->front());
        else addAnswer(ScriptedAnswer{0, step.name});
        return true;
    }
    if (step.kind == SessionStep::Kind::Pick) {
        menuPicks_.push_back(step.number);
        return true;
    }
    if (step.kind == SessionStep::Kind::Wait) {
        // Another user's turn, for sessions run beside one another: the line tells the other
        // side that this one is waiting.
        write(joinFields({"wait", step.name}));
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!std::filesystem::exists(step.name)) {
            if (std::chrono::steady_clock::now() > until) {
                unmet(step, "no file " + step.name + " after 60 s");
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }
    return false;
}

int ScriptedUi::popupMenu(const std::string& items) {
    int chosen = 0;
    if (!menuPicks_.empty()) {
        chosen = menuPicks_.front();
        menuPicks_.pop_front();
    }
    if (chosen > static_cast<int>(splitButtons(items).size())) chosen = 0;
    write(joinFields({"menu", items, std::to_string(chosen)}));
    return chosen;
}

void ScriptedUi::focusWindow(std::string_view name) {
    write(joinFields({"window", "focus", name}));
}

int ScriptedUi::runSession(std::vector<SessionStep> steps,
                           const std::function<bool(const SessionStep&)>& open) {
    steps_ = std::move(steps);
    nextStep_ = 0;
    while (nextStep_ < steps_.size()) {
        const SessionStep step = steps_[nextStep_++];
        if (queue(step)) continue;
        if (step.kind != SessionStep::Kind::Open) {
            unmet(step, "no window is open");
            continue;
        }
        if (!open(step)) unmet(step, "window " + step.name + " was not opened");
    }
    if (answersLeft() > 0) {
        ++failures_;
        write(joinFields({"unmet", "end", std::to_string(answersLeft()) + " answer(s) not used"}));
    }
    return failures_;
}

int ScriptedUi::runWindow(const host::WindowRequest& request) {
    host::UiWindow& window = *request.window;
    const host::WindowModel& model = window.model();
    write(joinFields({"window", "open", model.name, model.title,
                      std::to_string(model.pages.size()), std::to_string(model.entries.size())}));
    // A status line the window opens with (a read-only declaration's reason) is written too.
    std::string status;
    while (!window.finished()) {
        if (window.status() != status) {
            status = window.status();
            write(joinFields({"status", model.name, status}));
        }
        if (nextStep_ >= steps_.size()) {
            // The script ended with the window open: it is closed as its close box would.
            if (!window.requestClose()) break;
            continue;
        }
        const SessionStep step = steps_[nextStep_++];
        if (queue(step)) continue;
        if (step.kind == SessionStep::Kind::Close) {
            window.requestClose();
            continue;
        }
        replay(window, step);
    }
    write(joinFields({"window", "close", model.name, std::to_string(window.result())}));
    return window.result();
}

void ScriptedUi::replay(host::UiWindow& window, const SessionStep& step) {
    const host::WindowModel& model = window.model();
    using Kind = SessionStep::Kind;
    const std::string where = " in " + model.name;
    auto entry = [&]() -> std::optional<std::size_t> {
        const std::size_t i = findEntry(window, step.number);
        if (i >= model.entries.size()) {
            unmet(step, "no entry of position " + std::to_string(step.number) + where);
            return std::nullopt;
        }
        return i;
    };
    switch (step.kind) {
        case Kind::Type:
        case Kind::Choose:
            if (auto i = entry()) {
                if (!window.entryEnabled(*i)) {
                    unmet(step, "position " + std::to_string(step.number) + " is not editable");
                } else if (!window.edit(*i, step.text)) {
                    unmet(step, "position " + std::to_string(step.number) + " refused '" +
                                    step.text + "'");
                }
            }
            break;
        case Kind::Press: {
            const std::size_t b = findCaption(window, step.name, std::max(step.number, 1));
            if (b >= model.buttons.size()) {
                unmet(step, "no button " + step.name + where);
            } else if (!window.buttonEnabled(b)) {
                unmet(step, "button " + step.name + " is disabled");
            } else {
                window.press(b);
                if (const auto focus = window.takeFocusRequest(); focus && *focus < model.entries.size())
                    write(joinFields({"focus", model.name,
                                      std::to_string(model.entries[*focus].field),
                                      std::to_string(window.page() + 1)}));
            }
            break;
        }
        case Kind::Define: {
            std::size_t found = model.buttons.size();
            for (std::size_t b = 0; b < model.buttons.size(); ++b) {
                if (model.buttons[b].field == step.number && model.buttons[b].caption == "D")
                    found = b;
            }
            if (found >= model.buttons.size()) {
                unmet(step, "no definition button beside position " +
                                std::to_string(step.number) + where);
            } else {
                window.showPage(model.buttons[found].page);
                window.press(found);
            }
            break;
        }
        case Kind::Page:
            if (step.number < 1 || step.number > static_cast<int>(model.pages.size())) {
                unmet(step, "no page " + std::to_string(step.number) + where);
            } else {
                window.showPage(step.number - 1);
                write(joinFields({"page", model.name, std::to_string(window.page() + 1)}));
            }
            break;
        case Kind::Show:
            if (auto i = entry())
                write(joinFields({"field", model.name, std::to_string(step.number),
                                  window.display(*i)}));
            break;
        case Kind::Expect:
            if (auto i = entry()) {
                const std::string shown = window.display(*i);
                if (shown != step.text)
                    unmet(step, "position " + std::to_string(step.number) + " shows '" + shown +
                                    "', not '" + step.text + "'");
            }
            break;
        case Kind::ExpectEnabled: {
            const std::size_t b = findCaption(window, step.name);
            if (b >= model.buttons.size()) {
                unmet(step, "no button " + step.name + where);
            } else if (window.buttonEnabled(b) != (step.text == "yes")) {
                unmet(step, "button " + step.name + " is " +
                                (window.buttonEnabled(b) ? "enabled" : "disabled"));
            }
            break;
        }
        case Kind::Calendar:
            if (auto i = entry()) window.pickDate(*i);
            break;
        case Kind::Open:
            unmet(step, "a window opens from its caller's button, not inside " + model.name);
            break;
        case Kind::Pick:
        case Kind::Answer:
        case Kind::Close:
        case Kind::Wait:
            break;
    }
}

}  // namespace citforms::runtime
