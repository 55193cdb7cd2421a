#include "runtime/ui/scripted/scripted_ui.h"

#include <algorithm>
#include <cctype>
#include <charconv>

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
