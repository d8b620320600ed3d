// Scenarios: the real add-in, created by its ProgID, connected to a fake Excel and used
// as a user would, with what the user would see read back from the fake.

#include <algorithm>
#include <cstring>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "addin/list_bitmap.h"
#include "locale/const.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "win/common/addin_interfaces.h"
#include "win/common/owners.h"
#include "win/common/text.h"
#include "win/fake_excel/check.h"
#include "win/fake_excel/fake_excel.h"
#include "win/fake_excel/harness.h"
#include "win/fake_excel/opened_urls.h"
#include "win/fake_excel/session.h"

namespace tessaly::fake {

namespace {

using win::Bstr;
using win::ComPtr;
using win::Variant;

constexpr char kMenuBar[] = "Worksheet Menu Bar";
constexpr char kOnAction[] = "!<Tessaly.Connect>";
constexpr int kEnglish = 200;
constexpr int kJapanese = 100;

// A text of the add-in's string table, as the core has it.
std::string Text(int base, int offset) {
    return std::string(StringTableEntry(base + offset).value_or("(missing)"));
}

const sim::ControlInfo* FindTag(const std::vector<sim::ControlInfo>& controls,
                                const std::string& tag) {
    for (const sim::ControlInfo& control : controls) {
        if (control.tag == tag) return &control;
        if (const sim::ControlInfo* inner = FindTag(control.controls, tag)) return inner;
    }
    return nullptr;
}

// Every control of every bar, popups' items included.
void AllControls(const std::vector<sim::ControlInfo>& controls,
                 std::vector<sim::ControlInfo>& into) {
    for (const sim::ControlInfo& control : controls) {
        into.push_back(control);
        AllControls(control.controls, into);
    }
}

std::vector<sim::ControlInfo> AllControls(FakeExcel& excel) {
    std::vector<sim::ControlInfo> all;
    for (const sim::CommandBarInfo& bar : excel.Sim().CommandBarList()) {
        AllControls(bar.controls, all);
    }
    return all;
}

// The seven commands: caption offset, face (0: the list bitmap), enabled and begin
// group at creation.
struct Row {
    int offset;
    int face;
    bool enabled;
    bool beginGroup;
};
const Row kCommands[] = {
    {str::kListCommand, 0, false, false},         {str::kAddOrDeleteCommand, 2525, true, true},
    {str::kNextCommand, 2526, false, false},      {str::kPreviousCommand, 2527, false, false},
    {str::kDeleteAllCommand, 2528, false, false}, {str::kSettingCommand, 611, true, true},
    {str::kHelpCommand, 3278, true, true}};

void CheckButton(const sim::ControlInfo& c, const Row& row, int base, int style,
                 const std::string& where) {
    const std::string name = where + " " + Text(base, row.offset);
    CheckEqual(c.caption, Text(base, row.offset), name + ": caption");
    CheckEqual(c.style, style, name + ": style");
    if (row.face == 0) {
        Check(c.hasPastedFace && c.pastedFace == ListBitmap(),
              name + ": face is the list bitmap from the clipboard");
    } else {
        CheckEqual(c.faceId, row.face, name + ": face");
    }
    CheckEqual(c.enabled, row.enabled, name + ": enabled");
    CheckEqual(c.beginGroup, row.beginGroup, name + ": begin group");
    CheckEqual(c.onAction, std::string(kOnAction), name + ": OnAction");
    CheckEqual(c.clickHandlers, 1, name + ": its click reaches the add-in");
}

// The user's own clipboard text, to see that the add-in gives it back.
void PutUserText(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        std::memcpy(GlobalLock(memory), text.c_str(), bytes);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

std::wstring UserText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// The layout of a host older than version 12: maker menu, product menu, toolbar.
void CheckMenuLayout(FakeExcel& excel, int base) {
    auto menuBar = excel.Sim().CommandBar(kMenuBar);
    if (!Check(menuBar.has_value(), "the menu bar is there")) return;
    const sim::ControlInfo* maker = FindTag(menuBar->controls, "QEL");
    if (!Check(maker != nullptr, "maker menu (tag QEL) on the menu bar")) return;
    CheckEqual(maker->type, 10, "maker menu is a popup");
    CheckEqual(maker->caption, Text(base, str::kMakerMenu), "maker menu caption");
    Check(maker->beginGroup, "maker menu begins a group");
    if (!Check(maker->controls.size() == 2, "maker menu holds the product menu and the site")) {
        return;
    }
    const sim::ControlInfo& product = maker->controls[0];
    CheckEqual(product.tag, std::string("BOOKMARK"), "product menu tag");
    CheckEqual(product.caption, Text(base, str::kProductMenu), "product menu caption");
    if (Check(product.controls.size() == 7, "product menu holds the seven commands")) {
        for (size_t i = 0; i < 7; ++i)
            CheckButton(product.controls[i], kCommands[i], base, 3, "menu");
    }
    const sim::ControlInfo& site = maker->controls[1];
    CheckEqual(site.tag, std::string("QEL_SITE"), "developer's site item is last");
    CheckEqual(site.caption, Text(base, str::kDeveloperSiteItem), "developer's site caption");
    CheckEqual(site.faceId, 1016, "developer's site face");
    CheckEqual(site.style, 3, "developer's site style");
    Check(site.beginGroup && site.enabled, "developer's site begins a group, enabled");
    CheckEqual(site.onAction, std::string(kOnAction), "developer's site OnAction");
    CheckEqual(site.clickHandlers, 1, "developer's site click reaches the add-in");

    auto toolbar = excel.Sim().CommandBar(Text(base, str::kBarName));
    if (!Check(toolbar.has_value(), "toolbar " + Text(base, str::kBarName) + " built")) return;
    if (Check(toolbar->controls.size() == 7, "toolbar holds the seven copies")) {
        for (size_t i = 0; i < 7; ++i) {
            Row copy = kCommands[i];
            CheckButton(toolbar->controls[i], copy, base, 1, "toolbar");
        }
    }
    CheckEqual(toolbar->protection, 1, "toolbar cannot be customised");
    Check(toolbar->temporary, "toolbar is temporary");
}

void CheckDesignModeSinks(FakeExcel& excel, int expected, const std::string& what) {
    int controls = 0;
    bool all = true;
    for (const sim::ControlInfo& c : AllControls(excel)) {
        if (c.id != 1605) continue;
        ++controls;
        all = all && c.clickHandlers == expected;
    }
    Check(controls > 0 && all, what);
}

// ---- Scenarios -----------------------------------------------------------------------

void Excel11() {
    ClearSettings();
    FakeExcel excel("11.0");
    PutUserText(L"the user's own text");
    AddinSession addin(excel);
    if (!Check(addin.Created(), "Tessaly.Connect created by its ProgID")) return;
    Check(SUCCEEDED(addin.Connect()), "OnConnection on Excel 11");
    CheckMenuLayout(excel, kEnglish);
    auto toolbar = excel.Sim().CommandBar(Text(kEnglish, str::kBarName));
    if (toolbar) {
        Check(toolbar->visible && toolbar->position == 1 && toolbar->rowIndex == -1,
              "toolbar restored to its defaults: shown, on top, last row");
    }
    CheckEqual(win::Narrow(UserText()), std::string("the user's own text"),
               "the user's clipboard is given back");
    CheckEqual(excel.Sim().AdvisedSinks(), 1, "application events connected");
    CheckDesignModeSinks(excel, 1, "every design-mode control has the add-in's sink");
    Check(SUCCEEDED(addin.Disconnect()), "OnDisconnection");
}

void Excel16() {
    ClearSettings();
    FakeExcel excel("16.0");
    AddinSession addin(excel);
    if (!Check(addin.Created(), "Tessaly.Connect created by its ProgID")) return;
    Check(SUCCEEDED(addin.Connect()), "OnConnection on Excel 16");
    auto menuBar = excel.Sim().CommandBar(kMenuBar);
    Check(menuBar && FindTag(menuBar->controls, "QEL") == nullptr, "no maker menu on Excel 16");
    auto toolbar = excel.Sim().CommandBar(Text(kEnglish, str::kBarName));
    if (Check(toolbar.has_value(), "toolbar built") &&
        Check(toolbar->controls.size() == 8, "toolbar holds eight buttons")) {
        for (size_t i = 0; i < 7; ++i)
            CheckButton(toolbar->controls[i], kCommands[i], kEnglish, 1, "toolbar");
        const sim::ControlInfo& site = toolbar->controls[7];
        CheckEqual(site.tag, std::string("QEL_SITE"), "developer's site button tag");
        CheckEqual(site.caption, Text(kEnglish, str::kDeveloperSiteItem),
                   "developer's site caption");
        CheckEqual(site.faceId, 1016, "developer's site face");
        Check(site.style == 1 && site.beginGroup && site.enabled,
              "developer's site style and state");
        CheckEqual(toolbar->protection, 1, "toolbar cannot be customised");
        Check(toolbar->visible, "toolbar always shown on Excel 12 and later");
    }
    Check(SUCCEEDED(addin.Disconnect()), "OnDisconnection");
}

std::optional<sim::ControlInfo> Button(FakeExcel& excel, const std::string& caption) {
    auto toolbar = excel.Sim().CommandBar(Text(kEnglish, str::kBarName));
    if (!toolbar) return std::nullopt;
    for (const sim::ControlInfo& c : toolbar->controls) {
        if (c.caption == caption) return c;
    }
    return std::nullopt;
}

void Clicks() {
    ClearSettings();
    FakeExcel excel("16.0");
    MessageBoxes boxes;
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 16")) return;
    const std::string bar = Text(kEnglish, str::kBarName);
    const std::string book = excel.Sim().NewWorkbook();
    const std::string add = Text(kEnglish, str::kAddOrDeleteCommand),
                      next = Text(kEnglish, str::kNextCommand),
                      previous = Text(kEnglish, str::kPreviousCommand),
                      clear = Text(kEnglish, str::kDeleteAllCommand);

    excel.Sim().Select("B3");
    Check(Click(excel, bar, add), "click " + add);
    auto marks = excel.Sim().OleObjects(book, "Sheet1");
    if (Check(marks.size() == 1, "the bookmark's mark is on the sheet")) {
        CheckEqual(marks[0].classType, std::string("Forms.Label.1"), "mark is a label");
        CheckEqual(marks[0].label.caption, std::string("*"), "mark shows *");
    }
    CheckEqual(Button(excel, add).value_or(sim::ControlInfo{}).state, -1,
               "add/delete button pressed on a bookmarked cell");
    Check(Button(excel, next).value_or(sim::ControlInfo{}).enabled, "next enabled");

    excel.Sim().Select("D5");
    Click(excel, bar, add);
    CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{2}, "two marks");

    excel.Sim().Select("A1");
    Click(excel, bar, next);
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$B$3"), "next jumps to B3");
    Click(excel, bar, next);
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$D$5"), "next again jumps to D5");
    Click(excel, bar, previous);
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$B$3"), "previous jumps back to B3");

    // Delete all asks first; Cancel keeps everything.
    boxes.Answer(IDCANCEL);
    Click(excel, bar, clear);
    if (Check(boxes.All().size() == 1, "delete all asks for confirmation")) {
        CheckEqual(boxes.All()[0].text, Text(kEnglish, str::kConfirmDeleteAllMessage),
                   "confirmation text");
        CheckEqual(boxes.All()[0].caption, std::string("Tessaly"), "message box caption");
    }
    CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{2}, "Cancel keeps both");
    boxes.Answer(IDOK);
    Click(excel, bar, clear);
    CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{0}, "OK deletes all");
    Check(!Button(excel, next).value_or(sim::ControlInfo{}).enabled, "next disabled again");

    // Toggle: on, then off.
    excel.Sim().Select("C2");
    Click(excel, bar, add);
    CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{1}, "toggle adds");
    Click(excel, bar, add);
    CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{0}, "toggle removes");
    CheckEqual(Button(excel, add).value_or(sim::ControlInfo{}).state, 0, "button up again");
    addin.Disconnect();
}

void Save() {
    ClearSettings();
    SaveSetting("Setting", "SaveMark", "1");
    FakeExcel excel("16.0");
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 16")) return;
    const std::string bar = Text(kEnglish, str::kBarName);
    const std::string book = excel.Sim().NewWorkbook("Data.xlsx");
    excel.Sim().Select("B3");
    Click(excel, bar, Text(kEnglish, str::kAddOrDeleteCommand));
    Check(excel.Sim().SaveWorkbook(book), "the save goes ahead");
    auto property = excel.Sim().CustomProperty(book, "QEL_BOOKMARK");
    Check(property.has_value() && !property->empty(), "the save wrote QEL_BOOKMARK");
    const sim::WorkbookSpec saved = excel.Sim().Snapshot(book);
    Check(!saved.sheets.empty() && saved.sheets[0].oleObjects.empty(),
          "the marks are off while the workbook is written");
    excel.Sim().Select("A1");
    CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{1},
               "the mark is back after the save");

    // Opened again, the workbook brings its bookmark back.
    excel.Sim().CloseWorkbook(book);
    excel.Sim().OpenWorkbook(saved);
    CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{1},
               "the reopened workbook shows its bookmark");
    excel.Sim().Select("A1");
    Click(excel, bar, Text(kEnglish, str::kNextCommand));
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$B$3"),
               "the restored bookmark is a jump target");
    addin.Disconnect();
    ClearSettings();
}

void SettingsFirst() {
    ClearSettings();
    FakeExcel excel("11.0");
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 11")) return;
    auto toolbar = excel.Sim().Application()->CommandBars()->Item(Text(kEnglish, str::kBarName));
    toolbar->SetPosition(4);
    toolbar->SetLeft(300);
    toolbar->SetTop(200);
    toolbar->SetVisible(false);
    Check(SUCCEEDED(addin.Disconnect()), "OnDisconnection");
    CheckEqual(ReadSetting("Bar", "Position").value_or("(absent)"), std::string("4"),
               "registry Bar\\Position");
    CheckEqual(ReadSetting("Bar", "Left").value_or("(absent)"), std::string("300"),
               "registry Bar\\Left");
    CheckEqual(ReadSetting("Bar", "Top").value_or("(absent)"), std::string("200"),
               "registry Bar\\Top");
    CheckEqual(ReadSetting("Bar", "Visible").value_or("(absent)"), std::string("False"),
               "registry Bar\\Visible");
    Check(ReadSetting("Bar", "RowIndex").has_value(), "registry Bar\\RowIndex");
}

void SettingsSecond() {
    CheckEqual(ReadSetting("Bar", "Left").value_or("(absent)"), std::string("300"),
               "the earlier run's settings are in the registry");
    FakeExcel excel("11.0");
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 11")) return;
    auto toolbar = excel.Sim().CommandBar(Text(kEnglish, str::kBarName));
    if (Check(toolbar.has_value(), "toolbar built")) {
        CheckEqual(toolbar->position, 4, "toolbar floats where it was left");
        CheckEqual(toolbar->left, 300, "toolbar left restored");
        CheckEqual(toolbar->top, 200, "toolbar top restored");
        CheckEqual(toolbar->visible, false, "toolbar stays hidden on Excel 11");
    }
    addin.Disconnect();
    ClearSettings();
}

void Japanese() {
    ClearSettings();
    char country[256] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SENGCOUNTRY, country, 256);
    if (!CheckEqual(std::string(country), std::string("Japan"), "the user's locale is Japan")) {
        return;
    }
    FakeExcel excel("11.0");
    MessageBoxes boxes;
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 11")) return;
    CheckMenuLayout(excel, kJapanese);
    const std::string book = excel.Sim().NewWorkbook();
    excel.Sim().Select("B3");
    Click(excel, Text(kJapanese, str::kBarName), Text(kJapanese, str::kAddOrDeleteCommand));
    boxes.Answer(IDCANCEL);
    Click(excel, Text(kJapanese, str::kBarName), Text(kJapanese, str::kDeleteAllCommand));
    if (Check(boxes.All().size() == 1, "delete all asks in Japanese")) {
        CheckEqual(boxes.All()[0].text, Text(kJapanese, str::kConfirmDeleteAllMessage),
                   "Japanese confirmation text");
    }
    addin.Disconnect();
}

void Errors() {
    ClearSettings();
    FakeExcel excel("16.0");
    MessageBoxes boxes;
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 16")) return;
    const std::string bar = Text(kEnglish, str::kBarName);
    const std::string book = excel.Sim().NewWorkbook();
    excel.Sim().Select("B3");
    Click(excel, bar, Text(kEnglish, str::kAddOrDeleteCommand));
    excel.Sim().Select("A1");

    // Excel refuses the jump: its 1004 and description reach the user as they are.
    excel.Sim().FailNext("Application.Goto", 1004, "Application-defined or object-defined error");
    Click(excel, bar, Text(kEnglish, str::kNextCommand));
    if (Check(boxes.All().size() == 1, "the refused jump is reported")) {
        CheckEqual(boxes.All()[0].text,
                   std::string("(1004) Application-defined or object-defined error"),
                   "the host's number and description");
    }
    // A protected sheet refuses to delete the mark with 1004, which the add-in reads as
    // "protected".
    boxes.Clear();
    excel.Sim().Protect(book, "Sheet1");
    excel.Sim().Select("B3");
    Click(excel, bar, Text(kEnglish, str::kAddOrDeleteCommand));
    if (Check(boxes.All().size() == 1, "the refused deletion is reported")) {
        CheckEqual(boxes.All()[0].text, Text(kEnglish, str::kBookmarkNotDeletedMessage),
                   "1004 read as a protected sheet");
    }
    addin.Disconnect();
}

// Invokes a member of the add-in by name.
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args,
                     VARIANT* result, DISPID* id = nullptr) {
    DISPID member = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
    if (id) *id = member;
    if (FAILED(hr)) return hr;
    DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()),
                      0};
    EXCEPINFO exception{};
    UINT argError = 0;
    return object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                          &exception, &argError);
}

void CallsByName() {
    ClearSettings();
    FakeExcel excel("16.0");
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 16")) return;
    IDispatch* automation = addin.Automation();
    const std::string bar = Text(kEnglish, str::kBarName);
    const std::string book = excel.Sim().NewWorkbook();
    excel.Sim().Select("B3");
    Click(excel, bar, Text(kEnglish, str::kAddOrDeleteCommand));
    excel.Sim().Select("D5");
    Click(excel, bar, Text(kEnglish, str::kAddOrDeleteCommand));
    excel.Sim().Select("A1");

    const wchar_t* names[] = {L"subCall_List",    L"subCall_AddOrDelete",  L"subCall_Next",
                              L"subCall_Befor",   L"subBeforOrNext",       L"subCall_Clear",
                              L"subCall_Setting", L"subCall_Help",         L"DesignButtonClick",
                              L"fncAppCaption",   L"subCall_DeveloperSite"};
    bool slots = true;
    for (int i = 0; i < 11; ++i) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR name[] = {const_cast<LPOLESTR>(names[i])};
        slots = slots && SUCCEEDED(automation->GetIDsOfNames(IID_NULL, name, 1, 0, &id)) &&
                id == win::kFirstConnectDispId + i;
    }
    Check(slots, "the eleven operations answer by name in slot order");
    DISPID id = 0;
    LPOLESTR lower[] = {const_cast<LPOLESTR>(L"SUBCALL_NEXT")};
    Check(SUCCEEDED(automation->GetIDsOfNames(IID_NULL, lower, 1, 0, &id)) &&
              id == win::kFirstConnectDispId + 2,
          "names are matched without regard to case");
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"subCall_Nothing")};
    Check(automation->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id) == DISP_E_UNKNOWNNAME,
          "an unknown name is refused");

    Variant caption;
    Check(SUCCEEDED(InvokeByName(automation, L"fncAppCaption", {}, caption.Put())) &&
              caption.Type() == VT_BSTR,
          "fncAppCaption returns text");
    CheckEqual(
        win::Narrow(std::wstring_view(V_BSTR(&caption.Get()) ? V_BSTR(&caption.Get()) : L"")),
        excel.Sim().Caption(), "fncAppCaption is the host's caption");

    Pause();
    VARIANT_BOOL before = VARIANT_FALSE;
    VARIANT byRef;
    V_VT(&byRef) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&byRef) = &before;
    Check(SUCCEEDED(InvokeByName(automation, L"subBeforOrNext", {byRef}, nullptr)),
          "subBeforOrNext by name with a Boolean by reference");
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$B$3"), "it jumped to the next one");
    Pause();
    InvokeByName(automation, L"subCall_Next", {}, nullptr);
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$D$5"), "subCall_Next by name");
    Pause();
    InvokeByName(automation, L"subCall_Befor", {}, nullptr);
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$B$3"), "subCall_Befor by name");

    // Through the type library's description of the vtable: the slots must be where
    // the type library says.
    ComPtr<ITypeInfo> info;
    if (Check(SUCCEEDED(automation->GetTypeInfo(0, 0, info.Put())), "type information given")) {
        ComPtr<IUnknown> vtable = ComPtr<IDispatch>(automation).As<IUnknown>(win::IID__Connect);
        Variant viaTypeInfo;
        DISPPARAMS none{};
        EXCEPINFO exception{};
        UINT argError = 0;
        const HRESULT hr = info->Invoke(vtable.Get(), win::kFirstConnectDispId + 9, DISPATCH_METHOD,
                                        &none, viaTypeInfo.Put(), &exception, &argError);
        Check(SUCCEEDED(hr) && viaTypeInfo.Type() == VT_BSTR &&
                  win::Narrow(V_BSTR(&viaTypeInfo.Get())) == excel.Sim().Caption(),
              "fncAppCaption through the type library reaches the right slot");
    }

    // The design-mode control's click calls DesignButtonClick: the marks come off
    // while design mode is on, and come back when it is switched off.
    auto designControls = excel.Sim().DesignModeControls();
    if (Check(!designControls.empty(), "the host has a design-mode control")) {
        excel.Sim().ClickControl(designControls[0]);
        CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{0},
                   "design mode takes the marks off");
        excel.Sim().ClickControl(designControls[0]);
        CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{2},
                   "leaving design mode puts them back");
    }
    addin.Disconnect();
}

void Disconnect() {
    ClearSettings();
    FakeExcel excel("11.0");
    {
        AddinSession addin(excel);
        if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 11")) return;
        Check(SUCCEEDED(addin.Disconnect()), "OnDisconnection");
        Check(!excel.Sim().CommandBar(Text(kEnglish, str::kBarName)).has_value(),
              "toolbar deleted");
        auto menuBar = excel.Sim().CommandBar(kMenuBar);
        Check(menuBar && FindTag(menuBar->controls, "QEL") == nullptr, "maker menu deleted");
        bool anyLeft = false;
        for (const sim::ControlInfo& c : AllControls(excel)) {
            anyLeft = anyLeft || c.onAction == kOnAction;
        }
        Check(!anyLeft, "no control of the add-in is left");
        CheckEqual(excel.Sim().AdvisedSinks(), 0, "application events disconnected");
        CheckEqual(AskCanUnloadNow().value_or(E_FAIL), S_FALSE,
                   "DllCanUnloadNow says no while the host holds the add-in");
    }
    CheckDesignModeSinks(excel, 0, "the design-mode sinks end with the add-in");
    CheckEqual(AskCanUnloadNow().value_or(E_FAIL), S_OK,
               "DllCanUnloadNow says yes after the last release");
    CoFreeUnusedLibrariesEx(0, 0);
    Check(GetModuleHandleW(L"QEL_BOOKMARK_VEROZARA.dll") == nullptr, "COM unloads the library");
}

// The host's main window (class XLMAIN). From version 15 on each workbook has one,
// titled "<book> - Excel"; before 15 a single one is titled "Microsoft Excel - <book>"
// while its workbook window is maximised. Neither is Application.Caption. Sources:
// "Programming for the Single Document Interface in Excel" and "Application.hWnd
// property (Excel)", Office VBA docs.
HWND HostMainWindow(const std::string& title) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"XLMAIN";
    RegisterClassExW(&windowClass);  // already registered is fine
    return CreateWindowExW(0, L"XLMAIN", win::Widen(title).c_str(),
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

// Another instance of the host: its main window made on a thread of its own, which
// pumps that window's messages until the window goes with the object.
class OtherInstanceWindow {
  public:
    explicit OtherInstanceWindow(const std::string& title) {
        std::promise<HWND> made;
        std::future<HWND> window = made.get_future();
        thread_ = std::thread([made = std::move(made), title]() mutable {
            HWND own = HostMainWindow(title);
            made.set_value(own);
            if (own == nullptr) return;
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
            DestroyWindow(own);
        });
        window_ = window.get();
    }
    ~OtherInstanceWindow() {
        PostThreadMessageW(GetWindowThreadProcessId(window_, nullptr), WM_QUIT, 0, 0);
        thread_.join();
    }
    OtherInstanceWindow(const OtherInstanceWindow&) = delete;
    OtherInstanceWindow& operator=(const OtherInstanceWindow&) = delete;
    HWND Window() const { return window_; }

  private:
    std::thread thread_;
    HWND window_ = nullptr;
};

void ShortcutOn(const char* version) {
    const std::string on = std::string("Excel ") + version + ": ";
    ClearSettings();
    SaveSetting("Setting", "key1_2", "Ctrl");
    SaveSetting("Setting", "key2_2", "HOME");
    FakeExcel excel(version);
    const std::string book = excel.Sim().NewWorkbook();
    // The main window in front; from version 15 on its title is not the host's caption.
    const bool sdi = std::stod(version) >= 15.0;
    const std::string title = sdi ? book + " - Excel" : "Microsoft Excel - " + book;
    HWND window = HostMainWindow(title);
    if (sdi) Check(title != excel.Sim().Caption(), on + "the window's title is not the caption");
    SetForegroundWindow(window);
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), on + "connected")) return;
    Check(excel.Sim().KeyState("^{HOME}") == sim::KeyBinding::Silenced,
          on + "the host's own Ctrl+Home is silenced");
    const std::string bar = Text(kEnglish, str::kBarName);
    excel.Sim().Select("B3");
    Click(excel, bar, Text(kEnglish, str::kAddOrDeleteCommand));
    excel.Sim().Select("A1");

    auto press = [] { PressCtrlAnd(VK_HOME); };
    press();
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$B$3"),
               on + "Ctrl+Home in the host's window runs the next-bookmark command");
    // A dialog of the host in front: the main window is disabled beneath it.
    excel.Sim().Select("A1");
    EnableWindow(window, FALSE);
    press();
    EnableWindow(window, TRUE);
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$A$1"),
               on + "nothing runs while a dialog of the host is in front");
    // Another window of a different class, titled as the host's caption.
    HWND other = CreateWindowExW(0, L"STATIC", win::Widen(excel.Sim().Caption()).c_str(),
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    press();
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$A$1"),
               on + "nothing runs for a window that only bears the caption");
    DestroyWindow(other);
    // Another instance's main window, of the host's class and bearing our window's title.
    {
        OtherInstanceWindow another(title);
        SetForegroundWindow(another.Window());
        if (Check(GetForegroundWindow() == another.Window(),
                  on + "another instance's main window comes to the front")) {
            press();
            CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$A$1"),
                       on + "nothing runs while another instance's main window is in front");
        }
        SetForegroundWindow(window);
    }
    SetForegroundWindow(window);
    Check(GetForegroundWindow() == window, on + "the workbook's window comes back to the front");
    press();
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$B$3"),
               on + "the workbook's window in front again: the command runs");
    excel.Sim().Select("A1");
    addin.Disconnect();
    Check(excel.Sim().KeyState("^{HOME}") == sim::KeyBinding::HostDefault,
          on + "disconnection gives Ctrl+Home back to the host");
    excel.Sim().Select("A1");
    press();
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$A$1"),
               on + "the hook is gone after disconnection");
    DestroyWindow(window);
    ClearSettings();
}

// One window per workbook from version 15 on: a second workbook's own main window in
// front takes the shortcut as the first one's does.
void SecondWorkbookWindow() {
    ClearSettings();
    SaveSetting("Setting", "key1_2", "Ctrl");
    SaveSetting("Setting", "key2_2", "HOME");
    FakeExcel excel("16.0");
    const std::string first = excel.Sim().NewWorkbook();
    HWND firstWindow = HostMainWindow(first + " - Excel");
    SetForegroundWindow(firstWindow);
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "two workbooks: connected")) return;
    const std::string second = excel.Sim().NewWorkbook();
    HWND secondWindow = HostMainWindow(second + " - Excel");
    SetForegroundWindow(secondWindow);
    excel.Sim().Select(second, "Sheet1", "B3");
    Click(excel, Text(kEnglish, str::kBarName), Text(kEnglish, str::kAddOrDeleteCommand));
    excel.Sim().Select(second, "Sheet1", "A1");
    PressCtrlAnd(VK_HOME);
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$B$3"),
               "two workbooks: Ctrl+Home in the second workbook's own window runs the command");
    // Its window disabled beneath a dialog of the host: nothing runs.
    excel.Sim().Select(second, "Sheet1", "A1");
    EnableWindow(secondWindow, FALSE);
    PressCtrlAnd(VK_HOME);
    EnableWindow(secondWindow, TRUE);
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$A$1"),
               "two workbooks: nothing runs while that window is disabled");
    addin.Disconnect();
    DestroyWindow(secondWindow);
    DestroyWindow(firstWindow);
    ClearSettings();
}

// The host's main window in front decides whether a shortcut runs: one main window
// before version 15, one per workbook from 15 on.
void RuleMainWindow() {
    ShortcutOn("11.0");
    ShortcutOn("16.0");
    SecondWorkbookWindow();
}

// The shell opens URLs without waiting; the stand-in browser runs a moment later.
std::string WaitForUrls(size_t lines) {
    std::string text;
    for (int i = 0; i < 100; ++i) {
        text = OpenedUrls();
        if (static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= lines) break;
        Sleep(100);
    }
    return text;
}

// After the per-user installer and nothing else: Excel finds the add-in from its
// add-in key, the class from the user's classes, and Help opens an installed page.
void Installed() {
    DeleteFileW(kOpenedUrls);
    DWORD behavior = 0, size = sizeof behavior;
    CheckEqual(RegGetValueW(HKEY_CURRENT_USER,
                            L"Software\\Microsoft\\Office\\Excel\\Addins\\Tessaly.Connect",
                            L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behavior, &size),
               static_cast<LSTATUS>(ERROR_SUCCESS), "the add-in key is there");
    CheckEqual(static_cast<int>(behavior), 3, "loaded at start-up");
    FakeExcel excel("16.0");
    MessageBoxes boxes;
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "the installed add-in connects")) {
        return;
    }
    const std::string bar = Text(kEnglish, str::kBarName),
                      add = Text(kEnglish, str::kAddOrDeleteCommand);
    const std::string book = excel.Sim().NewWorkbook();
    excel.Sim().Select("B3");
    Click(excel, bar, add);
    CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{1}, "add/delete adds");
    Click(excel, bar, add);
    CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{0}, "and deletes again");

    Click(excel, bar, Text(kEnglish, str::kHelpCommand));
    std::string opened = WaitForUrls(1);
    if (!opened.empty() && opened.back() == '\n') opened.pop_back();
    const std::wstring page = win::Widen(opened);
    const std::wstring ending = L"\\Tessaly\\help\\free\\soft\\excel\\tessaly\\help.html";
    Check(page.size() > ending.size() &&
              _wcsicmp(page.c_str() + page.size() - ending.size(), ending.c_str()) == 0,
          "Help opens the installed help page (" + opened + ")");
    Check(GetFileAttributesW(page.c_str()) != INVALID_FILE_ATTRIBUTES, "and the page exists");
    addin.Disconnect();
}

void Web() {
    ClearSettings();
    DeleteFileW(kOpenedUrls);
    FakeExcel excel("16.0");
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 16")) return;
    const int64_t callsBefore = excel.Sim().TotalCalls();
    Click(excel, Text(kEnglish, str::kBarName), Text(kEnglish, str::kHelpCommand));
    CheckEqual(WaitForUrls(1), BrowserTarget(HelpPageUrl()) + "\n",
               "online help opens the help page");
    Click(excel, Text(kEnglish, str::kBarName), Text(kEnglish, str::kDeveloperSiteItem));
    CheckEqual(WaitForUrls(2),
               BrowserTarget(HelpPageUrl()) + "\n" + BrowserTarget(kSiteRootUrl) + "\n",
               "the developer's site opens the site's root");
    CheckEqual(excel.Sim().TotalCalls(), callsBefore,
               "with no workbook open, neither touches the host");
    addin.Disconnect();
}

}  // namespace

namespace {

const std::map<std::string, std::function<void()>>& Scenarios() {
    static const std::map<std::string, std::function<void()>> scenarios = {
        {"excel11", Excel11},
        {"excel16", Excel16},
        {"clicks", Clicks},
        {"save", Save},
        {"settings_first", SettingsFirst},
        {"settings_second", SettingsSecond},
        {"japanese", Japanese},
        {"errors", Errors},
        {"calls_by_name", CallsByName},
        {"disconnect", Disconnect},
        {"rule_loading", RuleLoading},
        {"rule_events", RuleEvents},
        {"rule_tag", RuleTag},
        {"rule_main_window", RuleMainWindow},
        {"web", Web},
        {"installed", Installed},
        {"adapter", AdapterScenario},
        {"platform", PlatformScenario},
        {"rule_edit_mode", RuleEditModeScenario},
        {"rule_barrier", RuleBarrierScenario},
        {"rule_hook_timeout", RuleHookTimeoutScenario},
    };
    return scenarios;
}

}  // namespace

bool RunScenario(const std::string& name) {
    auto found = Scenarios().find(name);
    if (found == Scenarios().end()) return false;
    found->second();
    return true;
}

std::string ScenarioNames() {
    std::string names;
    for (const auto& [name, run] : Scenarios()) names += (names.empty() ? "" : "|") + name;
    return names;
}

}  // namespace tessaly::fake
