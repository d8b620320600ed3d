#pragma once

// A clipboard inside the process: holds one text or one bitmap, and can be saved
// and put back.

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/platform.h"

namespace linuxplatform {

class MemoryClipboard : public platform::Clipboard {
  public:
    std::unique_ptr<platform::ClipboardContent> Save() override;
    // Content saved by another clipboard leaves this one empty.
    void Restore(const platform::ClipboardContent& content) override;
    void Clear() override;
    void PutBitmap(const platform::Bitmap& bitmap) override;

    void PutText(std::string text);
    std::optional<std::string> Text() const;
    std::optional<platform::Bitmap> GetBitmap() const;
    bool Empty() const { return std::holds_alternative<std::monostate>(content_); }

    using Content = std::variant<std::monostate, std::string, platform::Bitmap>;

  private:
    Content content_;
};

}  // namespace linuxplatform
