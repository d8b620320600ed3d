#include "win/tests/ui_scenarios.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "locale/const.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "win/common/text.h"
#include "win/fake_excel/check.h"
#include "win/fake_excel/fake_excel.h"
#include "win/fake_excel/opened_urls.h"
#include "win/fake_excel/session.h"
#include "win/tests/ui_desktop.h"

namespace tessaly::fake::ui {

namespace {

// The host's caption, which is also its main window's title.
constexpr char kHostCaption[] = "Microsoft Excel";
constexpr int kJapanese = 100;
constexpr int kEnglish = 200;
constexpr char kSheet[] = "Sheet1";
// The colour dialog's edit fields for red, green and blue.
constexpr int kColorRedEdit = 706;
constexpr int kColorGreenEdit = 707;
constexpr int kColorBlueEdit = 708;

int LanguageBase() {
    char country[256] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SENGCOUNTRY, country, 256);
    return std::string(country) == "Japan" ? kJapanese : kEnglish;
}

std::string Text(int base, int offset) {
    return std::string(StringTableEntry(base + offset).value_or("(missing)"));
}

std::string Utf8(const std::wstring& text) {
    return win::Narrow(text);
}

double TwipsPerPixel() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

int Pixels(double twips) {
    return static_cast<int>(std::lround(twips / TwipsPerPixel()));
}

bool Near(long actual, long expected, long tolerance = 1) {
    return std::labs(actual - expected) <= tolerance;
}

DWORD StyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
}

DWORD ExStyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
}

bool Checked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string Setting(const std::string& key) {
    return ReadSetting("Setting", key).value_or("(absent)");
}

// The darkest grey level in a part of the screen: text drawn in grey never reaches the
// black of ordinary text.
int DarkestLevel(const RECT& screen) {
    int darkest = 255;
    const std::vector<uint8_t> pixels = ScreenPixels(screen);
    for (size_t i = 0; i + 2 < pixels.size(); i += 3)
        darkest = std::min(darkest, (pixels[i] + pixels[i + 1] + pixels[i + 2]) / 3);
    return darkest;
}

RECT EntryTextRect(HWND tree, const std::wstring& text) {
    RECT rect{};
    if (std::optional<TreeEntry> entry = FindTreeEntry(tree, text)) {
        std::memcpy(&rect, &entry->item, sizeof entry->item);
        SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
        MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    }
    return rect;
}

// The middle of a graphical button shows the colour (once it is drawn).
bool CheckShowsColor(HWND button, COLORREF color, const std::string& what) {
    WaitUntil([&] { return ScreenPixel(CenterOf(button)) == color; }, 2000);
    return CheckEqual(ScreenPixel(CenterOf(button)), color, what);
}

std::vector<std::string> TreeLines(HWND tree) {
    std::vector<std::string> lines;
    for (const TreeEntry& entry : TreeEntries(tree))
        lines.push_back(std::string(static_cast<size_t>(entry.depth) * 2, ' ') + Utf8(entry.text));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : " | ") + line;
    return text;
}

// The real add-in in a fake Excel whose main window stands on the display.
class UiSession {
  public:
    explicit UiSession(std::wstring shots)
        : shots_(std::move(shots)), base_(LanguageBase()), excel_("16.0") {
        excel_.Sim().SetCaption(kHostCaption);
        desktop_ = std::make_unique<HostDesktop>(kHostCaption);
        addin_ = std::make_unique<AddinSession>(excel_);
        connected_ = Check(addin_->Created() && SUCCEEDED(addin_->Connect()),
                           "the add-in connects to the fake Excel");
    }
    ~UiSession() {
        if (connected_) addin_->Disconnect();
        addin_.reset();
        desktop_.reset();
    }
    UiSession(const UiSession&) = delete;
    UiSession& operator=(const UiSession&) = delete;

    bool Connected() const { return connected_; }
    void Disconnect() {
        if (connected_) Check(SUCCEEDED(addin_->Disconnect()), "OnDisconnection");
        connected_ = false;
    }
    sim::Excel& Sim() { return excel_.Sim(); }
    HostDesktop& Desktop() { return *desktop_; }
    HWND MainWindow() const { return desktop_->MainWindow(); }
    std::wstring T(int offset) const { return win::Widen(Text(base_, offset)); }

    // ---- On the host's thread, before the user starts --------------------------------
    void AddBookmark(const std::string& book, const std::string& sheet, const std::string& cell) {
        Sim().Select(book, sheet, cell);
        Click(excel_, Text(base_, str::kBarName), Text(base_, str::kAddOrDeleteCommand));
    }

    // ---- From the user's thread ------------------------------------------------------
    // A click on the add-in's toolbar button with the caption at `offset`.
    void ClickCommand(int offset) {
        desktop_->PostToHost([this, caption = Text(base_, offset)] {
            Click(excel_, Text(base_, str::kBarName), caption);
        });
    }
    void OnHost(const std::function<void()>& action) {
        Check(desktop_->OnHost(action), "the host's thread answers");
    }
    std::string ActiveCell() {
        std::string cell;
        desktop_->OnHost(
            [&] { cell = Sim().ActiveWorkbookName() + "!" + Sim().ActiveCellAddress(); });
        return cell;
    }
    bool ActiveCellBecomes(const std::string& expected, const std::string& what) {
        WaitUntil([&] { return ActiveCell() == expected; }, 3000);
        return CheckEqual(ActiveCell(), expected, what);
    }
    void BringHostToFront() {
        OnHost([&] { SetForegroundWindow(MainWindow()); });
        Check(WaitUntil([&] { return GetForegroundWindow() == MainWindow(); }),
              "the host's main window is in front");
    }
    void Photograph(HWND window, const std::wstring& name) {
        OnHost([&] {
            RedrawWindow(window, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        });
        Settle(400);
        const std::wstring path =
            shots_ + L"\\" + name + (base_ == kJapanese ? L"-ja.png" : L"-en.png");
        Check(SaveScreenshot(window, path), "screenshot " + Utf8(path));
    }

  private:
    std::wstring shots_;
    int base_;
    FakeExcel excel_;
    std::unique_ptr<HostDesktop> desktop_;
    std::unique_ptr<AddinSession> addin_;
    bool connected_ = false;
};

HWND TreeOf(HWND list) {
    std::vector<HWND> trees = ChildrenOfClass(list, WC_TREEVIEWW);
    return trees.empty() ? nullptr : trees.front();
}

// Clicks a tree entry and waits for it to be selected.
bool ClickEntry(HWND tree, const std::wstring& text, bool twice = false) {
    std::optional<TreeEntry> entry = FindTreeEntry(tree, text);
    if (!Check(entry.has_value(), "the tree lists " + Utf8(text))) return false;
    const POINT at = TreeEntryPoint(tree, entry->item);
    if (twice) {
        DoubleClickAt(at);
    } else {
        ClickAt(at);
    }
    return WaitUntil([&] { return SelectedTreeText(tree) == text; }, 2000);
}

// Opens a drop-down list with the mouse and picks an entry in the opened list.
bool PickFromList(HWND combo, const std::wstring& entry) {
    ClickAt(CenterOf(combo));
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!GetComboBoxInfo(combo, &info) ||
        !WaitUntil([&] { return IsWindowVisible(info.hwndList) != FALSE; }, 2000)) {
        return Check(false, "the list opens for " + Utf8(entry));
    }
    const auto index =
        static_cast<int>(SendMessageW(info.hwndList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(entry.c_str())));
    if (index < 0) return Check(false, "the opened list offers " + Utf8(entry));
    // Scrolled into view as the user would with the wheel.
    SendMessageW(info.hwndList, LB_SETTOPINDEX, static_cast<WPARAM>(std::max(0, index - 3)), 0);
    Settle(100);
    RECT item{};
    SendMessageW(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    ClickAt(CenterOf(info.hwndList, item));
    WaitUntil([&] { return IsWindowVisible(info.hwndList) == FALSE; }, 2000);
    return WaitUntil([&] { return WindowText(combo) == entry; }, 2000);
}

// ---- The list window -------------------------------------------------------------------

void ListWindow(UiSession& ui) {
    const std::string sales = "Sales.xlsx";
    const std::string costs = "Costs.xlsx";
    ui.Sim().NewWorkbook(sales);
    ui.Sim().NewWorkbook(costs);
    // In the collection: Sales, Costs, Sales, Sales.
    ui.AddBookmark(sales, kSheet, "B3");
    ui.AddBookmark(costs, kSheet, "C4");
    ui.AddBookmark(sales, kSheet, "E7");
    ui.AddBookmark(sales, kSheet, "D5");
    ui.Sim().DefineName(sales, kSheet, "D5", "Total");
    ui.Sim().HideRows(sales, kSheet, 7);
    ui.Sim().Select(sales, kSheet, "A1");

    ui.Desktop().Run([&] {
        ui.ClickCommand(str::kListCommand);
        HWND list = WaitForDialog(ui.T(str::kListTitle));
        if (!Check(list != nullptr, "the list window opens with its caption")) return;
        Check((StyleOf(list) & WS_THICKFRAME) != 0 && (ExStyleOf(list) & WS_EX_TOOLWINDOW) != 0 &&
                  (StyleOf(list) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0,
              "a sizable tool window without minimise and maximise buttons");
        Check(GetWindow(list, GW_OWNER) == ui.MainWindow() && !IsWindowEnabled(ui.MainWindow()),
              "modal over the host's main window");
        HWND tree = TreeOf(list);
        if (!Check(tree != nullptr, "the list holds a tree view")) return;
        CheckEqual(Joined(TreeLines(tree)),
                   Joined({"Sales.xlsx", "  Sheet1", "    B3", "    E7", "    D5 ( Total )",
                           "Costs.xlsx", "  Sheet1", "    C4"}),
                   "each workbook and sheet once, where its first bookmark stands");
        HWND go = ChildWithText(list, L"Button", ui.T(str::kListGoto));
        HWND goAndClose = ChildWithText(list, L"Button", ui.T(str::kListGotoAndClose));
        HWND close = ChildWithText(list, L"Button", ui.T(str::kListClose));
        if (!Check(go && goAndClose && close, "the three buttons with their captions")) return;
        Check(!IsWindowEnabled(go) && !IsWindowEnabled(goAndClose) && IsWindowEnabled(close),
              "the jump buttons start disabled");

        Check(DarkestLevel(EntryTextRect(tree, L"E7")) >
                  DarkestLevel(EntryTextRect(tree, L"B3")) + 40,
              "the entry on a hidden row is drawn grey");

        ClickEntry(tree, L"E7");
        Check(!IsWindowEnabled(go) && !IsWindowEnabled(goAndClose),
              "a grey entry (hidden row) leaves the jump buttons disabled");
        ClickEntry(tree, L"C4");
        Check(WaitUntil([&] { return IsWindowEnabled(go) && IsWindowEnabled(goAndClose); }),
              "a cell entry enables both jump buttons");
        ClickEntry(tree, L"Sales.xlsx");
        Check(WaitUntil([&] { return !IsWindowEnabled(go); }), "a workbook entry disables them");

        ClickEntry(tree, L"C4");
        WaitUntil([&] { return IsWindowEnabled(go) != FALSE; });
        ClickAt(CenterOf(go));
        ui.ActiveCellBecomes(costs + "!$C$4", "Goto jumps to the other workbook's cell");
        Check(IsWindow(list) && IsWindowVisible(list), "Goto leaves the list open");
        Check(WaitUntil([&] { return GetForegroundWindow() == list; }),
              "the list keeps the keyboard after Goto");

        ClickEntry(tree, L"B3");
        PressKey(VK_RETURN);
        ui.ActiveCellBecomes(sales + "!$B$3", "Enter on an entry jumps");
        ClickEntry(tree, L"D5 ( Total )", true);
        ui.ActiveCellBecomes(sales + "!$D$5", "a double-click on a named cell's entry jumps");
        ClickEntry(tree, L"E7", true);
        Settle(300);
        CheckEqual(ui.ActiveCell(), sales + "!$D$5", "a double-click on a grey entry does nothing");

        ui.ClickCommand(str::kListCommand);
        Settle(800);
        CheckEqual(CountDialogs(ui.T(str::kListTitle)), 1,
                   "the command run while the list is open does nothing");

        // Too small: the window snaps back to 5000 x 2000 twips, the buttons in their
        // column with Close at the bottom.
        SetWindowPos(list, nullptr, 0, 0, 120, 60, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT outer{};
        Check(WaitUntil([&] {
                  outer = ScreenRect(list);
                  return Near(outer.right - outer.left, Pixels(5000)) &&
                         Near(outer.bottom - outer.top, Pixels(2000));
              }),
              "resized below the minimum, the list snaps back to 5000 x 2000 twips");
        RECT client{};
        GetClientRect(list, &client);
        RECT closeRect = ScreenRect(close);
        MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&closeRect), 2);
        RECT goRect = ScreenRect(go);
        MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&goRect), 2);
        Check(Near(closeRect.bottom, client.bottom - Pixels(50)) && Near(goRect.top, Pixels(50)) &&
                  Near(goRect.left, closeRect.left),
              "Goto at the top and Close at the bottom of the buttons' column");

        // Moved and sized by the user, then closed with the close box.
        SetWindowPos(list, nullptr, 120, 90, 560, 380, SWP_NOZORDER | SWP_NOACTIVATE);
        Settle(300);
        PostMessageW(list, WM_SYSCOMMAND, SC_CLOSE, 0);
        Check(WaitUntilGone(list), "the close box closes the list");
        const double twips = TwipsPerPixel();
        CheckEqual(ReadSetting("FormJump", "Left").value_or("(absent)"),
                   std::to_string(std::lround(120 * twips)), "placement saved: Left");
        CheckEqual(ReadSetting("FormJump", "Top").value_or("(absent)"),
                   std::to_string(std::lround(90 * twips)), "placement saved: Top");
        CheckEqual(ReadSetting("FormJump", "Width").value_or("(absent)"),
                   std::to_string(std::lround(560 * twips)), "placement saved: Width");
        CheckEqual(ReadSetting("FormJump", "Height").value_or("(absent)"),
                   std::to_string(std::lround(380 * twips)), "placement saved: Height");
        Check(IsWindowEnabled(ui.MainWindow()) != FALSE, "the host's window is enabled again");

        ui.ClickCommand(str::kListCommand);
        list = WaitForDialog(ui.T(str::kListTitle));
        if (!Check(list != nullptr, "the list opens again")) return;
        outer = ScreenRect(list);
        Check(outer.left == 120 && outer.top == 90 && outer.right - outer.left == 560 &&
                  outer.bottom - outer.top == 380,
              "the placement comes back at the next opening");
        tree = TreeOf(list);
        goAndClose = ChildWithText(list, L"Button", ui.T(str::kListGotoAndClose));
        ClickEntry(tree, L"C4");
        WaitUntil([&] { return IsWindowEnabled(goAndClose) != FALSE; });
        ClickAt(CenterOf(goAndClose));
        Check(WaitUntilGone(list), "Goto and Close closes the list");
        ui.ActiveCellBecomes(costs + "!$C$4", "Goto and Close jumps");

        ui.ClickCommand(str::kListCommand);
        list = WaitForDialog(ui.T(str::kListTitle));
        if (!Check(list != nullptr, "the list opens once more")) return;
        PressKey(VK_ESCAPE);
        Check(WaitUntilGone(list), "Esc closes the list");
        CheckEqual(ReadSetting("FormJump", "Left").value_or("(absent)"),
                   std::to_string(std::lround(120 * twips)), "Esc saves the same placement");

        // The host lets the add-in go while the list is open: the list closes through
        // its own closing steps and the host's window is usable again.
        ui.ClickCommand(str::kListCommand);
        list = WaitForDialog(ui.T(str::kListTitle));
        if (!Check(list != nullptr, "the list opens before the disconnection")) return;
        SetWindowPos(list, nullptr, 150, 100, 560, 380, SWP_NOZORDER | SWP_NOACTIVATE);
        Settle(300);
        ui.Desktop().PostToHost([&] { ui.Disconnect(); });
        Check(WaitUntilGone(list), "disconnection closes the open list");
        CheckEqual(ReadSetting("FormJump", "Left").value_or("(absent)"),
                   std::to_string(std::lround(150 * twips)), "and saves its placement");
        Check(WaitUntil([&] { return IsWindowEnabled(ui.MainWindow()) != FALSE; }),
              "the host's window is enabled again after the disconnection");
    });
}

// ---- The settings window and the shortcut keys ------------------------------------------

void SettingsWindow(UiSession& ui) {
    const std::string sales = "Sales.xlsx";
    ui.Sim().NewWorkbook(sales);
    ui.AddBookmark(sales, kSheet, "B3");
    ui.AddBookmark(sales, kSheet, "D5");
    ui.Sim().Select(sales, kSheet, "A1");

    ui.Desktop().Run([&] {
        ui.ClickCommand(str::kSettingCommand);
        HWND dialog = WaitForDialog(ui.T(str::kSettingTitle));
        if (!Check(dialog != nullptr, "the settings window opens with its caption")) return;
        Check((StyleOf(dialog) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0,
              "a fixed dialog without minimise and maximise buttons");
        Check(!IsWindowEnabled(ui.MainWindow()), "modal over the host's main window");

        // The stored values, as loaded.
        Check(Checked(ChildWithText(dialog, L"Button", ui.T(str::kSettingMarkOn))) &&
                  !Checked(ChildWithText(dialog, L"Button", ui.T(str::kSettingMarkOff))),
              "marks on");
        Check(Checked(ChildWithText(dialog, L"Button", ui.T(str::kSettingVectorColumn))) &&
                  !Checked(ChildWithText(dialog, L"Button", ui.T(str::kSettingVectorRow))),
              "column order");
        Check(!Checked(ChildWithText(dialog, L"Button", ui.T(str::kSettingConfirm))),
              "no confirmation");
        Check(Checked(ChildWithText(dialog, L"Button", ui.T(str::kSettingSave))),
              "saving in the workbook");
        std::vector<HWND> keys = ChildrenOfClass(dialog, L"ComboBox");
        if (!CheckEqual(keys.size(), size_t{10}, "five rows of two key lists")) return;
        std::vector<std::string> shown;
        for (HWND key : keys) shown.push_back(Utf8(WindowText(key)));
        CheckEqual(Joined(shown), Joined({"", "", "", "", "Ctrl", "HOME", "", "", "", ""}),
                   "the stored keys are selected");
        HWND colorButton = ChildWithStyle(dialog, L"Button", BS_OWNERDRAW, BS_TYPEMASK);
        if (!Check(colorButton != nullptr, "a graphical colour button")) return;
        CheckShowsColor(colorButton, RGB(255, 0, 0), "the colour button shows the stored colour");
        Check(
            ChildWithText(dialog, L"Static", L"Title : Tessaly") != nullptr &&
                ChildWithText(dialog, L"Static", L"Version : 1.00  Update : Jun 23, 2006") &&
                ChildWithText(dialog, L"Static", win::Widen(std::string("URL : ") + kSiteRootUrl)),
            "the title, version and URL labels");

        // Marks off grey the colour and hide it on the button; on again, it comes back.
        HWND colorLabel = ChildWithText(dialog, L"Static", ui.T(str::kSettingColor));
        ClickAt(CenterOf(ChildWithText(dialog, L"Button", ui.T(str::kSettingMarkOff))));
        Check(WaitUntil(
                  [&] { return !IsWindowEnabled(colorButton) && !IsWindowEnabled(colorLabel); }),
              "marks off disable the colour label and button");
        CheckShowsColor(colorButton, GetSysColor(COLOR_BTNFACE), "and the button shows no colour");
        ClickAt(CenterOf(ChildWithText(dialog, L"Button", ui.T(str::kSettingMarkOn))));
        Check(
            WaitUntil([&] { return IsWindowEnabled(colorButton) && IsWindowEnabled(colorLabel); }),
            "marks on enable them again");
        CheckShowsColor(colorButton, RGB(255, 0, 0), "with the colour it had");

        // The key lists open 400 pixels high.
        ClickAt(CenterOf(keys[1]));
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (GetComboBoxInfo(keys[1], &info) &&
            WaitUntil([&] { return IsWindowVisible(info.hwndList) != FALSE; }, 2000)) {
            Check(Near(ScreenRect(info.hwndList).bottom, ScreenRect(keys[1]).top + 400, 3),
                  "an opened key list reaches 400 pixels below the list's top");
            ui.Photograph(dialog, L"settings-keys");
            PressKey(VK_ESCAPE);
            Check(IsWindowVisible(dialog) != FALSE, "Esc in an opened list only closes the list");
        } else {
            Check(false, "the key list opens");
        }

        // Ctrl+HOME a second time: refused with the message, nothing saved.
        PickFromList(keys[0], L"Ctrl");
        PickFromList(keys[1], L"HOME");
        HWND ok = ChildWithText(dialog, L"Button", ui.T(str::kSettingOK));
        ClickAt(CenterOf(ok));
        HWND box = nullptr;
        WaitUntil([&] { return (box = FindOwnedDialog(dialog)) != nullptr; });
        if (Check(box != nullptr, "a duplicate key is refused with a message")) {
            CheckEqual(Utf8(WindowText(box)), std::string(kAppTitle), "the message's title");
            Check(ChildWithText(box, L"Static", ui.T(str::kBadShortcutKeyMessage)) != nullptr,
                  "the offset-16 message");
            Settle(300);
            PressKey(VK_RETURN);
            Check(WaitUntilGone(box), "Enter closes the message");
        }
        Check(IsWindowVisible(dialog) != FALSE, "the settings window stays open");
        CheckEqual(Setting("key1_0"), std::string("(absent)"), "nothing is saved");

        PickFromList(keys[5], L"END");

        // The colour dialog: cancelled keeps the colour, a picked one shows on the button.
        ClickAt(CenterOf(colorButton));
        HWND colors = nullptr;
        WaitUntil([&] { return (colors = FindOwnedDialog(dialog)) != nullptr; });
        if (Check(colors != nullptr, "the colour button opens the colour dialog")) {
            Settle(300);
            PressKey(VK_ESCAPE);
            WaitUntilGone(colors);
            CheckShowsColor(colorButton, RGB(255, 0, 0),
                            "cancelling the colour dialog keeps the colour");
        }
        ClickAt(CenterOf(colorButton));
        colors = nullptr;
        WaitUntil([&] { return (colors = FindOwnedDialog(dialog)) != nullptr; });
        if (Check(colors != nullptr, "the colour dialog opens again")) {
            Settle(300);
            SetDlgItemTextW(colors, kColorRedEdit, L"0");
            SetDlgItemTextW(colors, kColorGreenEdit, L"128");
            SetDlgItemTextW(colors, kColorBlueEdit, L"0");
            ClickAt(CenterOf(GetDlgItem(colors, IDOK)));
            WaitUntilGone(colors);
            CheckShowsColor(colorButton, RGB(0, 128, 0), "the picked colour shows on the button");
        }

        // The tip picture cycles through its seven pictures.
        HWND tip = ChildWithStyle(dialog, L"Static", SS_OWNERDRAW, SS_TYPEMASK);
        if (Check(tip != nullptr, "the tip picture")) {
            const RECT area = ScreenRect(tip);
            std::vector<std::vector<uint8_t>> pictures;
            std::vector<uint8_t> shown = ScreenPixels(area);
            for (int i = 0; i < 8; ++i) {
                // Apart from the last click, so that no two make a double-click.
                ClickAt({area.left + 10 + 25 * i, (area.top + area.bottom) / 2});
                // Every click changes the picture; wait for it to be drawn.
                WaitUntil([&] { return ScreenPixels(area) != shown; }, 2000);
                shown = ScreenPixels(area);
                pictures.push_back(shown);
            }
            bool distinct = true;
            for (int i = 0; i < 7; ++i)
                for (int j = i + 1; j < 7; ++j) distinct = distinct && pictures[i] != pictures[j];
            Check(distinct, "seven different tip pictures");
            Check(pictures[7] == pictures[0], "the eighth click shows the first picture again");
        }

        DeleteFileW(kOpenedUrls);
        ClickAt(CenterOf(
            ChildWithText(dialog, L"Static", win::Widen(std::string("URL : ") + kSiteRootUrl))));
        WaitUntil([] { return !OpenedUrls().empty(); });
        CheckEqual(OpenedUrls(), BrowserTarget(kSiteRootUrl) + "\n",
                   "the URL label opens the site in the browser");
        if (!WaitUntil([&] { return GetForegroundWindow() == dialog; }, 2000)) {
            ClickAt({ScreenRect(dialog).left + 60, ScreenRect(dialog).top + 8});
        }

        ui.Photograph(dialog, L"settings-changed");
        ClickAt(CenterOf(ok));
        Check(WaitUntilGone(dialog), "OK closes the settings window");
        const std::map<std::string, std::string> saved = {
            {"Mark", "TRUE"}, {"Color", "32768"}, {"SaveMark", "1"},  {"Vector", "COLUMN"},
            {"Confirm", "0"}, {"key1_0", "Ctrl"}, {"key2_0", "HOME"}, {"key1_1", ""},
            {"key2_1", ""},   {"key1_2", "Ctrl"}, {"key2_2", "END"},  {"key1_3", ""},
            {"key2_3", ""},   {"key1_4", ""},     {"key2_4", ""}};
        for (const auto& [key, value] : saved) CheckEqual(Setting(key), value, "OK saved " + key);
        std::vector<sim::OleObjectInfo> marks;
        ui.OnHost([&] { marks = ui.Sim().OleObjects(sales, kSheet); });
        bool recoloured = !marks.empty();
        for (const sim::OleObjectInfo& mark : marks)
            recoloured = recoloured && mark.label.foreColor == 32768;
        Check(recoloured, "the marks take the new colour");

        // The shortcuts set in the window work through the keyboard hook.
        ui.BringHostToFront();
        sim::KeyBinding end = sim::KeyBinding::HostDefault;
        sim::KeyBinding home = sim::KeyBinding::HostDefault;
        ui.OnHost([&] {
            end = ui.Sim().KeyState("^{END}");
            home = ui.Sim().KeyState("^{HOME}");
        });
        Check(end == sim::KeyBinding::Silenced && home == sim::KeyBinding::Silenced,
              "the host's own Ctrl+End and Ctrl+Home are silenced");
        PressKey(VK_END, {VK_CONTROL});
        ui.ActiveCellBecomes(sales + "!$B$3",
                             "Ctrl+End in the host's window runs the next-bookmark command");

        PressKey(VK_HOME, {VK_CONTROL});
        HWND list = WaitForDialog(ui.T(str::kListTitle));
        if (Check(list != nullptr, "Ctrl+Home opens the bookmark list")) {
            PressKey(VK_END, {VK_CONTROL});
            Settle(300);
            CheckEqual(ui.ActiveCell(), sales + "!$B$3",
                       "no command while the list window is in front");
            PressKey(VK_ESCAPE);
            Check(WaitUntilGone(list), "Esc closes the list");
        }

        HWND other = nullptr;
        ui.OnHost([&] {
            other = CreateWindowExW(0, L"Static", L"Another program",
                                    WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 200, 320, 200, nullptr,
                                    nullptr, GetModuleHandleW(nullptr), nullptr);
            SetForegroundWindow(other);
        });
        WaitUntil([&] { return GetForegroundWindow() == other; });
        PressKey(VK_END, {VK_CONTROL});
        Settle(300);
        CheckEqual(ui.ActiveCell(), sales + "!$B$3",
                   "no command while another program is in front");
        ui.OnHost([&] { DestroyWindow(other); });

        ui.BringHostToFront();
        PressKey(VK_END, {VK_CONTROL});
        ui.ActiveCellBecomes(sales + "!$D$5", "with the host in front again, Ctrl+End runs again");
    });
}

// ---- Both windows in the user's language -------------------------------------------------

void LookAtWindows(UiSession& ui) {
    const bool japanese = LanguageBase() == kJapanese;
    const std::string book = japanese ? "売上.xlsx" : "Sales.xlsx";
    const std::string sheet = japanese ? "集計" : "Summary";
    const std::string other = japanese ? "経費.xlsx" : "Costs.xlsx";
    ui.Sim().NewWorkbook(book);
    ui.Sim().RenameSheet(book, kSheet, sheet);
    ui.Sim().NewWorkbook(other);
    ui.AddBookmark(book, sheet, "B3");
    ui.AddBookmark(book, sheet, "D5");
    ui.AddBookmark(other, kSheet, "C4");
    ui.AddBookmark(book, sheet, "E7");
    ui.Sim().DefineName(book, sheet, "D5", japanese ? "合計" : "Total");
    ui.Sim().HideRows(book, sheet, 7);

    ui.Desktop().Run([&] {
        ui.ClickCommand(str::kListCommand);
        HWND list = WaitForDialog(ui.T(str::kListTitle));
        if (Check(list != nullptr, "the list window opens with its caption in this language")) {
            Check(ChildWithText(list, L"Button", ui.T(str::kListGoto)) &&
                      ChildWithText(list, L"Button", ui.T(str::kListGotoAndClose)) &&
                      ChildWithText(list, L"Button", ui.T(str::kListClose)),
                  "the list's buttons in this language");
            HWND tree = TreeOf(list);
            ClickEntry(tree, L"D5 ( " + win::Widen(japanese ? "合計" : "Total") + L" )");
            ui.Photograph(list, L"list");
            PressKey(VK_ESCAPE);
            Check(WaitUntilGone(list), "Esc closes the list");
        }
        ui.ClickCommand(str::kSettingCommand);
        HWND dialog = WaitForDialog(ui.T(str::kSettingTitle));
        if (Check(dialog != nullptr,
                  "the settings window opens with its caption in this language")) {
            Check(ChildWithText(dialog, L"Button", ui.T(str::kSettingMarkFrame)) &&
                      ChildWithText(dialog, L"Button", ui.T(str::kSettingOK)) &&
                      ChildWithText(dialog, L"Static", ui.T(str::kListCommand)),
                  "the settings window's captions in this language");
            ui.Photograph(dialog, L"settings");

            // The same shortcut twice: the refusal in this language.
            std::vector<HWND> keys = ChildrenOfClass(dialog, L"ComboBox");
            if (keys.size() == 10 && PickFromList(keys[0], L"Ctrl") &&
                PickFromList(keys[1], L"HOME") && PickFromList(keys[2], L"Ctrl") &&
                PickFromList(keys[3], L"HOME")) {
                ClickAt(CenterOf(ChildWithText(dialog, L"Button", ui.T(str::kSettingOK))));
                HWND box = nullptr;
                WaitUntil([&] { return (box = FindOwnedDialog(dialog)) != nullptr; });
                if (Check(box != nullptr &&
                              ChildWithText(box, L"Static", ui.T(str::kBadShortcutKeyMessage)) !=
                                  nullptr,
                          "the duplicate key message in this language")) {
                    Settle(300);
                    ui.Photograph(box, L"message");
                    PressKey(VK_RETURN);
                    Check(WaitUntilGone(box), "Enter closes the message");
                }
            }
            PressKey(VK_ESCAPE);
            Check(WaitUntilGone(dialog), "Esc closes the settings window");
            CheckEqual(Setting("Mark"), std::string("(absent)"), "Esc saves nothing");
        }
    });
}

void StoreSettingsOfTheSettingsScenario() {
    SaveSetting("Setting", "Mark", "TRUE");
    SaveSetting("Setting", "Color", "255");
    SaveSetting("Setting", "Vector", "COLUMN");
    SaveSetting("Setting", "Confirm", "0");
    SaveSetting("Setting", "SaveMark", "1");
    SaveSetting("Setting", "key1_2", "Ctrl");
    SaveSetting("Setting", "key2_2", "HOME");
}

const std::map<std::string, std::function<void(UiSession&)>>& Scenarios() {
    static const std::map<std::string, std::function<void(UiSession&)>> scenarios = {
        {"list", ListWindow},
        {"settings", SettingsWindow},
        {"look", LookAtWindows},
    };
    return scenarios;
}

}  // namespace

bool RunUiScenario(const std::string& name, const std::wstring& shots) {
    const auto found = Scenarios().find(name);
    if (found == Scenarios().end()) return false;
    ClearSettings();
    if (name == "settings") StoreSettingsOfTheSettingsScenario();
    {
        UiSession ui(shots);
        if (ui.Connected()) found->second(ui);
    }
    ClearSettings();
    return true;
}

std::string UiScenarioNames() {
    std::string names;
    for (const auto& [name, run] : Scenarios()) names += (names.empty() ? "" : "|") + name;
    return names;
}

}  // namespace tessaly::fake::ui
