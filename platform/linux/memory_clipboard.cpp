#include "platform/linux/memory_clipboard.h"

namespace linuxplatform {

namespace {

class SavedContent : public platform::ClipboardContent {
  public:
    explicit SavedContent(MemoryClipboard::Content content) : content(std::move(content)) {}
    MemoryClipboard::Content content;
};

}  // namespace

std::unique_ptr<platform::ClipboardContent> MemoryClipboard::Save() {
    return std::make_unique<SavedContent>(content_);
}

void MemoryClipboard::Restore(const platform::ClipboardContent& content) {
    const auto* saved = dynamic_cast<const SavedContent*>(&content);
    content_ = saved ? saved->content : Content{};
}

void MemoryClipboard::Clear() {
    content_ = std::monostate{};
}

void MemoryClipboard::PutBitmap(const platform::Bitmap& bitmap) {
    content_ = bitmap;
}

void MemoryClipboard::PutText(std::string text) {
    content_ = std::move(text);
}

std::optional<std::string> MemoryClipboard::Text() const {
    if (const auto* text = std::get_if<std::string>(&content_)) return *text;
    return std::nullopt;
}

std::optional<platform::Bitmap> MemoryClipboard::GetBitmap() const {
    if (const auto* bitmap = std::get_if<platform::Bitmap>(&content_)) return *bitmap;
    return std::nullopt;
}

}  // namespace linuxplatform
