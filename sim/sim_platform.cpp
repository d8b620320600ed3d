// The scripted platform for tests.

#include "sim/sim_platform.h"

namespace sim {

// ---- settings

std::optional<std::string> SimSettings::Read(const std::string& app, const std::string& section,
                                             const std::string& key) {
    ++reads_;
    return Get(app, section, key);
}

void SimSettings::Write(const std::string& app, const std::string& section, const std::string& key,
                        const std::string& value) {
    ++writes_;
    Set(app, section, key, value);
}

void SimSettings::Set(const std::string& app, const std::string& section, const std::string& key,
                      const std::string& value) {
    values_[{app, section, key}] = value;
}

std::optional<std::string> SimSettings::Get(const std::string& app, const std::string& section,
                                            const std::string& key) const {
    auto it = values_.find({app, section, key});
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void SimSettings::Remove(const std::string& app, const std::string& section,
                         const std::string& key) {
    values_.erase({app, section, key});
}

void SimSettings::Clear() {
    values_.clear();
}

// ---- clipboard

namespace {

class SavedContent : public platform::ClipboardContent {
  public:
    SavedContent(std::optional<std::string> text, std::optional<platform::Bitmap> bitmap)
        : text(std::move(text)), bitmap(std::move(bitmap)) {}
    std::optional<std::string> text;
    std::optional<platform::Bitmap> bitmap;
};

}  // namespace

std::unique_ptr<platform::ClipboardContent> SimClipboard::Save() {
    return std::make_unique<SavedContent>(text_, bitmap_);
}

void SimClipboard::Restore(const platform::ClipboardContent& content) {
    if (auto* saved = dynamic_cast<const SavedContent*>(&content)) {
        text_ = saved->text;
        bitmap_ = saved->bitmap;
    }
}

void SimClipboard::Clear() {
    ++clears_;
    text_.reset();
    bitmap_.reset();
}

void SimClipboard::PutBitmap(const platform::Bitmap& bitmap) {
    text_.reset();
    bitmap_ = bitmap;
}

void SimClipboard::SetText(std::string text) {
    bitmap_.reset();
    text_ = std::move(text);
}

std::optional<std::string> SimClipboard::Text() const {
    return text_;
}
bool SimClipboard::HasBitmap() const {
    return bitmap_.has_value();
}
std::optional<platform::Bitmap> SimClipboard::GetBitmap() const {
    return bitmap_;
}
bool SimClipboard::Empty() const {
    return !text_ && !bitmap_;
}

// ---- platform

SimPlatform::SimPlatform() = default;

bool SimPlatform::OpenUrl(const std::string& url) {
    if (openUrlFails_) return false;
    urls_.push_back(url);
    return true;
}

platform::MsgAnswer SimPlatform::MessageBox(const std::string& text, const std::string& caption,
                                            platform::MsgIcon icon, platform::MsgButtons buttons) {
    // An OK-only box has nothing to choose, so it leaves the scripted answers alone.
    platform::MsgAnswer answer = platform::MsgAnswer::OK;
    if (buttons != platform::MsgButtons::OK && !answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    messages_.push_back({text, caption, icon, buttons, answer});
    return answer;
}

}  // namespace sim
