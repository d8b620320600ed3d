// The Windows adapters on their own, against the fake Excel and Wine's Win32: the
// error numbers across automation calls, object identity, the DISPID cache, events,
// the registry store, the clipboard and the keyboard.

#include <cstring>
#include <string>
#include <vector>

#include "win/common/com_error.h"
#include "win/common/text.h"
#include "win/excel/excel_host.h"
#include "win/excel/late_bound.h"
#include "win/fake_excel/check.h"
#include "win/fake_excel/fake_excel.h"
#include "win/fake_excel/harness.h"
#include "win/fake_excel/session.h"
#include "win/platform/win_platform.h"

namespace tessaly::fake {

namespace {

using win::ComPtr;

// The host error a call raised, or nothing.
template <class Call>
std::optional<host::HostError> ErrorOf(Call&& call) {
    try {
        call();
        return std::nullopt;
    } catch (const host::HostError& e) {
        return e;
    }
}

class RecordedEvents final : public host::AppEvents {
  public:
    void WorkbookOpen(const host::Ref<host::Workbook>&) override { seen.push_back("open"); }
    void WorkbookBeforeSave(const host::Ref<host::Workbook>& wb, bool saveAsUI,
                            bool& cancel) override {
        seen.push_back("save " + wb->Name() + (saveAsUI ? " as" : ""));
        cancel = cancelSaves;
    }
    void NewWorkbook(const host::Ref<host::Workbook>& wb) override {
        seen.push_back("new " + wb->Name());
    }
    void WorkbookNewSheet(const host::Ref<host::Workbook>&,
                          const host::Ref<host::Sheet>& sh) override {
        seen.push_back("sheet " + sh->Name());
    }
    void SheetChange(const host::Ref<host::Sheet>&, const host::Ref<host::Range>& target) override {
        seen.push_back("change " + target->Address());
    }
    void SheetSelectionChange(const host::Ref<host::Sheet>& sh,
                              const host::Ref<host::Range>& target) override {
        seen.push_back("select " + sh->Name() + "!" + target->Address());
    }

    std::vector<std::string> seen;
    bool cancelSaves = false;
};

void ErrorNumbers() {
    CheckEqual(win::ErrorNumberOf(static_cast<HRESULT>(0x800A03EC)), 1004,
               "0x800A03EC is error 1004");
    CheckEqual(static_cast<unsigned long>(win::HresultOf(1004)), 0x800A03ECul,
               "1004 travels as 0x800A03EC");
    CheckEqual(win::ErrorNumberOf(DISP_E_MEMBERNOTFOUND), 438, "a missing member is 438");
    CheckEqual(win::ErrorNumberOf(DISP_E_TYPEMISMATCH), 13, "a type mismatch is 13");
    CheckEqual(win::ErrorNumberOf(win::HresultOf(host::err::kDisconnected)),
               host::err::kDisconnected, "an HRESULT number travels as itself");
    bool roundTrip = true;
    for (int32_t n : {1, 5, 9, 91, 326, 424, 1004, 32767, 65535}) {
        roundTrip = roundTrip && win::ErrorNumberOf(win::HresultOf(n)) == n;
    }
    Check(roundTrip, "error numbers 1 to 65535 survive the trip");

    const std::string text = "ブックマーク \xF0\x9F\x93\x8C end";
    CheckEqual(win::Narrow(win::Widen(text)), text, "UTF-8 to UTF-16 and back");
    CheckEqual(win::Widen("ブ").size(), size_t{1}, "one Japanese letter is one UTF-16 unit");
}

void Adapter() {
    FakeExcel excel("11.0");
    host::Ref<host::Application> app = win::ExcelApplication(excel.Application());

    CheckEqual(app->Version(), std::string("11.0"), "Version read by name");
    Check(app->ActiveWorkbook() == nullptr, "no workbook: ActiveWorkbook is nothing");
    Check(app->ActiveCell() == nullptr, "no workbook: ActiveCell is nothing");

    RecordedEvents events;
    host::EventConnection connection = app->Advise(events);
    CheckEqual(excel.Sim().AdvisedSinks(), 1, "the sink is connected");
    const std::string book = excel.Sim().NewWorkbook(std::string("Book1"), 2);
    excel.Sim().Select("C4");
    excel.Sim().Edit("D2", "x");
    excel.Sim().AddWorksheet(book, std::string("Extra"));
    const std::vector<std::string> expected = {"new Book1", "select Sheet1!$C$4", "change $D$2",
                                               "sheet Extra"};
    Check(events.seen == expected, "application events arrive with their arguments");
    events.cancelSaves = true;
    Check(!excel.Sim().SaveWorkbook(book), "Cancel set by the sink stops the save");
    events.cancelSaves = false;
    Check(excel.Sim().SaveWorkbook(book), "and a sink that leaves it lets the save go on");

    // Identity is the host object's IUnknown.
    excel.Sim().ActivateSheet(book, "Sheet1");
    excel.Sim().Select("B2");
    Check(host::SameObject(app->ActiveCell(), app->ActiveCell()),
          "the same cell twice is the same");
    Check(host::SameObject(app->ActiveCell(), app->Range("B2")),
          "reached two ways, still the same");
    Check(!host::SameObject(app->ActiveCell(), app->Range("B3")), "another cell is another object");
    Check(host::SameObject(app->ActiveCell()->Parent()->Parent(), app->ActiveWorkbook()),
          "Parent of Parent is the workbook");

    // Worksheets and chart sheets.
    excel.Sim().AddChartSheet(book, std::string("Chart1"));
    host::Ref<host::Sheet> chart = app->ActiveSheet();
    Check(chart && chart->AsWorksheet() == nullptr, "a chart sheet is no worksheet");
    auto sheets = app->ActiveWorkbook()->Sheets();
    Check(sheets->Item(1)->AsWorksheet() != nullptr, "a worksheet is one");
    CheckEqual(app->ActiveWorkbook()->Worksheets()->Count(), 3,
               "Worksheets counts worksheets only");

    // DISPIDs are asked for once per name and interface.
    app->Caption();
    const int64_t lookups = win::LateBound::NameLookups();
    for (int i = 0; i < 10; ++i) app->Caption();
    CheckEqual(win::LateBound::NameLookups(), lookups, "no more lookups for a known name");

    // The host's errors keep their number and description.
    excel.Sim().FailNext("Application.Caption", 1004,
                         "Application-defined or object-defined error");
    auto refused = ErrorOf([&] { app->Caption(); });
    Check(refused && refused->Number() == 1004 &&
              refused->Description() == "Application-defined or object-defined error",
          "1004 and its description reach the add-in");
    auto range =
        ErrorOf([&] { app->ActiveWorkbook()->Worksheets()->Item(1)->Range("not an address"); });
    Check(range && range->Number() == 1004, "a rejected address is 1004");
    win::LateBound late(excel.Application(), "_Application");
    auto missing = ErrorOf([&] { late.Get(L"NoSuchMember"); });
    Check(missing && missing->Number() == 438, "an unknown member is 438");

    // A button's click, with CancelDefault written back.
    auto controls = app->CommandBars()->FindControls(1605);
    if (Check(controls && !controls->empty(), "FindControls finds the design-mode controls")) {
        host::Ref<host::CommandBarControl> clicked;
        host::EventConnection click = (*controls)[0]->AdviseClick(
            [&](const host::Ref<host::CommandBarControl>& ctrl, bool& cancelDefault) {
                clicked = ctrl;
                cancelDefault = true;
            });
        const bool before = excel.Sim().DesignMode();
        excel.Sim().ClickControl(excel.Sim().DesignModeControls()[0]);
        Check(host::SameObject(clicked, (*controls)[0]), "the click names its control");
        CheckEqual(excel.Sim().DesignMode(), before, "CancelDefault set by the handler holds");
        click.Reset();
        excel.Sim().ClickControl(excel.Sim().DesignModeControls()[0]);
        Check(excel.Sim().DesignMode() != before, "after disconnecting, the host acts alone");
    }
    Check(!app->CommandBars()->FindControls(987654).has_value(), "FindControls finds nothing");
    connection.Reset();
    CheckEqual(excel.Sim().AdvisedSinks(), 0, "the sink is disconnected");
}

void Platform() {
    ClearSettings();
    win::RegistrySettingsStore store;
    Check(!store.Read("QEL_BOOKMARK_VEROZARA", "Setting", "Vector").has_value(),
          "an absent value reads as absent");
    store.Write("QEL_BOOKMARK_VEROZARA", "Setting", "Vector", "COLUMN");
    store.Write("QEL_BOOKMARK_VEROZARA", "FormJump", "Name", "ブックマーク");
    store.Write("QEL_BOOKMARK_VEROZARA", "Setting", "key1_0", "");
    CheckEqual(store.Read("QEL_BOOKMARK_VEROZARA", "Setting", "Vector").value_or("?"),
               std::string("COLUMN"), "a value reads back");
    CheckEqual(store.Read("QEL_BOOKMARK_VEROZARA", "FormJump", "Name").value_or("?"),
               std::string("ブックマーク"), "Japanese text reads back");
    CheckEqual(store.Read("QEL_BOOKMARK_VEROZARA", "Setting", "key1_0").value_or("?"),
               std::string(), "an empty value is present and empty");
    // Where GetSetting would find it: a string value under the VB key.
    wchar_t raw[32] = {};
    DWORD size = sizeof raw;
    DWORD type = 0;
    const LSTATUS status = RegGetValueW(
        HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\QEL_BOOKMARK_VEROZARA\\Setting",
        L"Vector", RRF_RT_ANY, &type, raw, &size);
    Check(status == ERROR_SUCCESS && type == REG_SZ && std::wstring(raw) == L"COLUMN",
          "stored as REG_SZ under Software\\VB and VBA Program Settings");
    ClearSettings();

    // The clipboard: the bitmap goes on, the user's content comes back.
    win::WinClipboard clipboard;
    clipboard.Clear();
    platform::Bitmap picture;
    picture.width = 3;
    picture.height = 2;
    for (uint8_t i = 0; i < 18; ++i) picture.bgr.push_back(static_cast<uint8_t>(i * 13));
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        const wchar_t text[] = L"kept";
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
        std::memcpy(GlobalLock(memory), text, sizeof text);
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory);
        CloseClipboard();
    }
    std::unique_ptr<platform::ClipboardContent> saved = clipboard.Save();
    clipboard.Clear();
    clipboard.PutBitmap(picture);
    auto read = win::ReadClipboardBitmap(nullptr);
    Check(read && read->width == 3 && read->height == 2 && read->bgr == picture.bgr,
          "a bitmap put on the clipboard reads back pixel for pixel");
    clipboard.Restore(*saved);
    std::wstring back;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            back = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    Check(back == L"kept", "the user's text is put back");

    // The keyboard.
    win::WinKeyboard keyboard(GetModuleHandleW(nullptr));
    HWND window = CreateWindowExW(0, L"STATIC", L"Front window", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(window);
    CheckEqual(keyboard.ForegroundWindowTitle(255), std::string("Front window"),
               "the foreground window's title");
    CheckEqual(keyboard.ForegroundWindowTitle(6), std::string("Front"),
               "a short buffer cuts the title");
    DestroyWindow(window);
    auto proc = [](int32_t, intptr_t, intptr_t) -> int32_t { return 0; };
    const int32_t hook = keyboard.InstallHook(13, proc, 0);
    Check(hook != 0, "the low-level keyboard hook is installed");
    CheckEqual(keyboard.InstallHook(13, proc, 0), 0, "a second one is refused");
    Check(!keyboard.RemoveHook(hook + 1), "an unknown handle is not removed");
    Check(keyboard.RemoveHook(hook), "the hook is removed");
    Check(!keyboard.RemoveHook(hook), "and only once");
}

// The installed help: beside a library a user copied with its help folder, else two
// folders up, as the package and the zip lay them out.
void InstalledHelp() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring root = std::wstring(temp) + L"tessaly-help";
    const std::wstring page = L"\\help\\free\\soft\\excel\\tessaly\\help.html";
    for (const wchar_t* folder :
         {L"", L"\\x64", L"\\help", L"\\help\\free", L"\\help\\free\\soft",
          L"\\help\\free\\soft\\excel", L"\\help\\free\\soft\\excel\\tessaly"}) {
        CreateDirectoryW((root + folder).c_str(), nullptr);
    }
    CloseHandle(CreateFileW((root + page).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string sitePath = "/free/soft/excel/tessaly/help.html";
    CheckEqual(win::Narrow(win::InstalledSitePage(sitePath, root + L"\\x64\\lib.dll")),
               win::Narrow(root + page), "the package's layout: the help two folders up");
    CheckEqual(win::Narrow(win::InstalledSitePage(sitePath, root + L"\\lib.dll")),
               win::Narrow(root + page), "a library with its help folder beside it");
    CheckEqual(win::Narrow(win::InstalledSitePage("/", root + L"\\lib.dll")),
               win::Narrow(std::wstring(temp) + L"help\\index.html"),
               "a page not beside the library is looked for two folders up");
    DeleteFileW((root + page).c_str());
}

}  // namespace

void AdapterScenario() {
    ErrorNumbers();
    Adapter();
}

void PlatformScenario() {
    Platform();
    InstalledHelp();
}

}  // namespace tessaly::fake
