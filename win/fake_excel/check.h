#pragma once

// The harness's checks: each prints one line, and a failed one makes the run fail.

#include <cstdio>
#include <sstream>
#include <string>

namespace tessaly::fake {

class Checks {
  public:
    static Checks& Current() {
        static Checks checks;
        return checks;
    }
    void Record(bool ok, const std::string& what) {
        ++count_;
        if (!ok) ++failures_;
        std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
        std::fflush(stdout);
    }
    int Failures() const { return failures_; }
    int Count() const { return count_; }

  private:
    int failures_ = 0;
    int count_ = 0;
};

inline bool Check(bool ok, const std::string& what) {
    Checks::Current().Record(ok, what);
    return ok;
}

template <class A, class B>
bool CheckEqual(const A& actual, const B& expected, const std::string& what) {
    const bool ok = actual == expected;
    if (ok) return Check(true, what);
    std::ostringstream text;
    text << what << ": got [" << actual << "], expected [" << expected << "]";
    return Check(false, text.str());
}

}  // namespace tessaly::fake
