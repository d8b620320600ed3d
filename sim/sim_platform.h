#pragma once

// sim::SimPlatform - a scripted operating system for tests: settings in memory,
// message boxes logged and answered from a queue, a clock that moves only when told,
// and a clipboard that holds text or a bitmap.

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"

namespace sim {

class SimSettings : public platform::SettingsStore {
  public:
    using Key = std::tuple<std::string, std::string, std::string>;  // app, section, key

    std::optional<std::string> Read(const std::string& app, const std::string& section,
                                    const std::string& key) override;
    void Write(const std::string& app, const std::string& section, const std::string& key,
               const std::string& value) override;

    // Test helpers: not counted as reads or writes.
    void Set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value);
    std::optional<std::string> Get(const std::string& app, const std::string& section,
                                   const std::string& key) const;
    void Remove(const std::string& app, const std::string& section, const std::string& key);
    void Clear();
    const std::map<Key, std::string>& Entries() const { return values_; }
    int Reads() const { return reads_; }
    int Writes() const { return writes_; }

  private:
    std::map<Key, std::string> values_;
    int reads_ = 0;
    int writes_ = 0;
};

class SimClipboard : public platform::Clipboard {
  public:
    std::unique_ptr<platform::ClipboardContent> Save() override;
    void Restore(const platform::ClipboardContent& content) override;
    void Clear() override;
    void PutBitmap(const platform::Bitmap& bitmap) override;

    void SetText(std::string text);  // replaces whatever was there
    std::optional<std::string> Text() const;
    bool HasBitmap() const;
    std::optional<platform::Bitmap> GetBitmap() const;
    bool Empty() const;
    int Clears() const { return clears_; }

  private:
    std::optional<std::string> text_;
    std::optional<platform::Bitmap> bitmap_;
    int clears_ = 0;
};

class SimPlatform : public platform::Platform {
  public:
    struct Shown {
        std::string text;
        std::string caption;
        platform::MsgIcon icon = platform::MsgIcon::None;
        platform::MsgButtons buttons = platform::MsgButtons::OK;
        platform::MsgAnswer answer = platform::MsgAnswer::OK;  // what the user chose
    };

    SimPlatform();

    // platform::Platform
    platform::SettingsStore& Settings() override { return settings_; }
    std::string LocaleCountryName() override { return country_; }
    bool OpenUrl(const std::string& url) override;
    platform::MsgAnswer MessageBox(const std::string& text, const std::string& caption,
                                   platform::MsgIcon icon, platform::MsgButtons buttons) override;
    void Beep() override { ++beeps_; }
    double MonotonicSeconds() override { return now_; }
    SimClipboard& Clipboard() override { return clipboard_; }
    // The attached keyboard (a SimKeyboard attaches itself), else none.
    platform::Keyboard& Keyboard() override {
        return keyboard_ != nullptr ? *keyboard_ : platform::Platform::Keyboard();
    }
    void AttachKeyboard(platform::Keyboard* keyboard) { keyboard_ = keyboard; }
    // The attached window front end (a test's ScriptedWindows attaches itself), else
    // none: a window is then closed as soon as it is shown.
    platform::Windows& Windows() override {
        return windows_ != nullptr ? *windows_ : platform::Platform::Windows();
    }
    void AttachWindows(platform::Windows* windows) { windows_ = windows; }

    // Settings.
    SimSettings& Store() { return settings_; }
    void Set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) {
        settings_.Set(app, section, key, value);
    }
    std::optional<std::string> Get(const std::string& app, const std::string& section,
                                   const std::string& key) const {
        return settings_.Get(app, section, key);
    }

    // Locale; "" stands for a country that cannot be had.
    void SetCountry(std::string country) { country_ = std::move(country); }

    // Message boxes: boxes with OK and Cancel take their answer from the queue (OK once
    // it is empty); OK-only boxes answer OK and leave the queue alone.
    void Answer(platform::MsgAnswer answer) { answers_.push_back(answer); }
    const std::vector<Shown>& Messages() const { return messages_; }
    void ClearMessages() { messages_.clear(); }
    size_t PendingAnswers() const { return answers_.size(); }

    int Beeps() const { return beeps_; }

    // URLs.
    const std::vector<std::string>& OpenedUrls() const { return urls_; }
    void SetOpenUrlFails(bool fails) { openUrlFails_ = fails; }

    // Clock: starts at 1000 seconds (well past any 0.2-second guard) and moves only
    // when told.
    void SetNow(double seconds) { now_ = seconds; }
    void Advance(double seconds) { now_ += seconds; }

  private:
    SimSettings settings_;
    SimClipboard clipboard_;
    std::string country_ = "United States";
    std::deque<platform::MsgAnswer> answers_;
    std::vector<Shown> messages_;
    std::vector<std::string> urls_;
    bool openUrlFails_ = false;
    int beeps_ = 0;
    double now_ = 1000.0;
    platform::Keyboard* keyboard_ = nullptr;
    platform::Windows* windows_ = nullptr;
};

}  // namespace sim
