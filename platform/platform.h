#pragma once

// The operating system as the add-in sees it. One Platform object is handed to
// Connect at construction; each service is a small interface of its own so that a
// host (simulated, terminal, Windows) can mix real and scripted parts.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The per-user settings store, addressed by application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Nothing when the value is absent.
    virtual std::optional<std::string> Read(const std::string& app, const std::string& section,
                                            const std::string& key) = 0;
    virtual void Write(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& value) = 0;
};

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, OKCancel };
enum class MsgAnswer { OK, Cancel };

// A 24-bit picture, rows top to bottom, three bytes per pixel in blue, green, red order.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgr;
};

// Whatever the user had on the clipboard, kept to be put back.
class ClipboardContent {
public:
    virtual ~ClipboardContent() = default;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual std::unique_ptr<ClipboardContent> Save() = 0;
    virtual void Restore(const ClipboardContent& content) = 0;
    virtual void Clear() = 0;
    virtual void PutBitmap(const Bitmap& bitmap) = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    virtual SettingsStore& Settings() = 0;
    // English name of the country of the user's locale; empty when it cannot be had.
    virtual std::string LocaleCountryName() = 0;
    // Opens a URL in the user's browser without waiting; false when that failed.
    virtual bool OpenUrl(const std::string& url) = 0;
    // Modal; returns the user's answer.
    virtual MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                 MsgButtons buttons) = 0;
    virtual void Beep() = 0;
    // Seconds from an arbitrary start; never goes backwards.
    virtual double MonotonicSeconds() = 0;
    virtual platform::Clipboard& Clipboard() = 0;
};

}  // namespace platform
