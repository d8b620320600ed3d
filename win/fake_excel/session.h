#pragma once

// What a scenario needs around the fake Excel: the real add-in created by its ProgID
// and connected, the settings in the registry, and a user who answers message boxes.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "win/common/addin_interfaces.h"
#include "win/common/com_ptr.h"
#include "win/fake_excel/fake_excel.h"

namespace tessaly::fake {

// An in-process object created from its ProgID as COM on Windows finds it, the user's
// classes before the machine's; nothing when the class or its library is missing.
win::ComPtr<IUnknown> CreateInProcess(const std::wstring& progId);

// The add-in as the host holds it.
class AddinSession {
  public:
    explicit AddinSession(FakeExcel& excel);
    ~AddinSession();
    AddinSession(const AddinSession&) = delete;
    AddinSession& operator=(const AddinSession&) = delete;

    bool Created() const { return static_cast<bool>(extensibility_); }
    HRESULT Connect();
    HRESULT Disconnect();
    // The add-in's automation interface, as a caller by name sees it.
    IDispatch* Automation() const { return automation_.Get(); }
    // Lets go of every reference the host holds.
    void Release();

  private:
    FakeExcel& excel_;
    win::ComPtr<win::IDTExtensibility2> extensibility_;
    win::ComPtr<IDispatch> automation_;
};

// Answers the message boxes shown on this thread (OK unless told otherwise) and keeps
// what they said.
class MessageBoxes {
  public:
    struct Shown {
        std::string caption;
        std::string text;
    };
    MessageBoxes();
    ~MessageBoxes();
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;

    void Answer(int button) { answers_.push_back(button); }
    const std::vector<Shown>& All() const { return shown_; }
    void Clear() { shown_.clear(); }

  private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
    std::deque<int> answers_;
    std::vector<Shown> shown_;
};

// The add-in's settings where it keeps them (application QEL_BOOKMARK_VEROZARA).
void ClearSettings();
void SaveSetting(const std::string& section, const std::string& key, const std::string& value);
std::optional<std::string> ReadSetting(const std::string& section, const std::string& key);

// A click as a user makes it: a moment after the last one, so that no command's guard
// against repeats takes it for a repeat.
bool Click(FakeExcel& excel, const std::string& bar, const std::string& caption);
void Pause();

// The library's DllCanUnloadNow, asked directly; nothing when it is not loaded.
std::optional<HRESULT> AskCanUnloadNow();

}  // namespace tessaly::fake
