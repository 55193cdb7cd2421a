#pragma once
// A progress line on a terminal:
// "[#######-------------]  35 %   120 000 zapisów   81 000 zapisów/s", redrawn in place at
// most ten times a second; clear() removes it.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>

namespace refhost::app {

class ProgressBar {
public:
    // `unit`: what is counted, in the genitive plural ("zapisów", "firm").
    ProgressBar(std::ostream& out, std::string unit)
        : out_(out), unit_(std::move(unit)), start_(Clock::now()) {}

    // `done` of `total` (any measure of the work), `items` of the unit so far.
    void update(std::uint64_t done, std::uint64_t total, long long items) {
        const auto now = Clock::now();
        if (drawn_ && now - last_ < std::chrono::milliseconds(100) && done < total) return;
        last_ = now;
        drawn_ = true;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        const int percent =
            total == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(100, done * 100 / total));
        constexpr int kWidth = 30;
        std::string bar(kWidth, '-');
        for (int i = 0; i < percent * kWidth / 100; ++i) bar[static_cast<std::size_t>(i)] = '#';
        char line[200];
        std::snprintf(line, sizeof line, "\r[%s] %3d %%  %10lld %s  %9.1f %s/s", bar.c_str(),
                      percent, items, unit_.c_str(), seconds > 0 ? items / seconds : 0.0,
                      unit_.c_str());
        out_ << line << std::flush;
    }

    void clear() {
        if (drawn_) out_ << "\r\033[K" << std::flush;
        drawn_ = false;
    }

private:
    using Clock = std::chrono::steady_clock;
    std::ostream& out_;
    std::string unit_;
    Clock::time_point start_;
    Clock::time_point last_;
    bool drawn_ = false;
};

}  // namespace refhost::app
