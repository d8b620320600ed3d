#pragma once

// What a scenario needs around the fake Excel: the real add-in loaded by its ProgID
// and connected as Office does it, the settings in the registry, and a user who answers message
// boxes.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "win/common/addin_interfaces.h"
#include "win/common/owners.h"
#include "win/fake_excel/com_addins.h"
#include "win/fake_excel/fake_excel.h"

namespace tessaly::fake {

// The add-in as the host holds it: loaded with the host's other COM add-ins, as Office
// loads them at start-up.
class AddinSession {
  public:
    explicit AddinSession(FakeExcel& excel);
    ~AddinSession();
    AddinSession(const AddinSession&) = delete;
    AddinSession& operator=(const AddinSession&) = delete;

    // Tessaly.Connect is registered to load at start-up and its ProgID names a class.
    bool Created() const;
    // The host starts; S_OK when Tessaly.Connect is connected.
    HRESULT Connect();
    // The host exits; the add-ins stay held until Release.
    HRESULT Disconnect();
    // The add-in's automation interface, as a caller by name sees it.
    IDispatch* Automation() const { return automation_.Get(); }
    // Lets go of every reference the host holds.
    void Release();
    ComAddins& Addins() { return addins_; }

  private:
    ComAddins addins_;
    win::ComPtr<IDispatch> automation_;
};

// Answers the message boxes shown on this thread (OK unless told otherwise) and keeps
// what they said. Answers told beforehand go to any dialog that opens next.
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
    // Forgets what was shown and the answers not given yet.
    void Clear() {
        shown_.clear();
        answers_.clear();
    }

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
// Ctrl and `key` as the user types them, then this thread's messages for a moment: the
// keyboard hook runs on this thread while it takes them (a window the shortcut opens
// runs its own loop inside).
void PressCtrlAnd(WORD key);

// The library's DllCanUnloadNow, asked directly; nothing when it is not loaded.
std::optional<HRESULT> AskCanUnloadNow();

}  // namespace tessaly::fake
