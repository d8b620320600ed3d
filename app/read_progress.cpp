#include "app/read_progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

namespace app {

namespace {

class TerminalProgress {
  public:
    void operator()(const sim::xlsx::ReadProgress& progress) {
        const auto now = std::chrono::steady_clock::now();
        if (!reading_) {
            start_ = now;  // a new read
            reading_ = true;
        }
        if (progress.fraction >= 1.0) {
            if (shown_) std::fputs("\r\033[K", stderr);
            shown_ = reading_ = false;
            return;
        }
        if (now - start_ < std::chrono::seconds(1)) return;
        const int percent = static_cast<int>(progress.fraction * 100.0);
        std::fprintf(stderr, "\r\033[KReading sheet %zu of %zu (%s): %d%%", progress.sheetIndex + 1,
                     progress.sheetCount, progress.sheet.c_str(), percent);
        std::fflush(stderr);
        shown_ = true;
    }

  private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    bool reading_ = false;
    bool shown_ = false;
};

}  // namespace

sim::xlsx::ReadOptions ReadOptionsFor(const sim::xlsx::Budget& budget) {
    sim::xlsx::ReadOptions options;
    options.budget = budget;
    if (isatty(STDERR_FILENO)) {
        auto progress = std::make_shared<TerminalProgress>();
        options.progress = [progress](const sim::xlsx::ReadProgress& p) { (*progress)(p); };
    }
    return options;
}

}  // namespace app
