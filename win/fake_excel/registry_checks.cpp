// What registration leaves in the registry, what unregistration takes away, and what
// the library carries: its type library and its resources.

#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "addin/list_bitmap.h"
#include "host/operations.h"
#include "locale/resource_strings.h"
#include "win/common/addin_interfaces.h"
#include "win/common/owners.h"
#include "win/common/text.h"
#include "win/fake_excel/check.h"
#include "win/fake_excel/harness.h"

namespace tessaly::fake {

using win::Bstr;
using win::ComPtr;
using win::Narrow;
using win::UniqueHKey;
using win::Widen;

namespace {

const wchar_t kClsid[] = L"{92B48704-39D5-4429-AB9F-35D3853D9BAC}";
const wchar_t kLibid[] = L"{CC8DB9A8-497F-4BFF-85BA-6DD710491D41}";
const wchar_t kConnectIid[] = L"{E380F14A-1415-489C-96E3-6982F7F9C931}";
const wchar_t kAddinKey[] = L"Software\\Microsoft\\Office\\Excel\\Addins\\Tessaly.Connect";

bool KeyExists(HKEY hive, const std::wstring& path) {
    UniqueHKey key;
    return RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

struct Value {
    DWORD type = 0;
    std::vector<BYTE> bytes;
};

std::optional<Value> ReadValue(HKEY hive, const std::wstring& path, const wchar_t* name) {
    UniqueHKey key;
    if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    Value value;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.bytes.resize(size);
    if (RegQueryValueExW(key.Get(), name, nullptr, &value.type, value.bytes.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.bytes.resize(size);
    return value;
}

// A REG_SZ value as UTF-8, without its terminating NUL; "(absent)" or "(type n)" when it
// is not a string.
std::string ReadText(HKEY hive, const std::wstring& path, const wchar_t* name) {
    std::optional<Value> value = ReadValue(hive, path, name);
    if (!value) return "(absent)";
    if (value->type != REG_SZ) return "(type " + std::to_string(value->type) + ")";
    std::wstring text(value->bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), value->bytes.data(), text.size() * sizeof(wchar_t));
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return Narrow(text);
}

std::set<std::string> Names(HKEY hive, const std::wstring& path, bool values) {
    std::set<std::string> names;
    UniqueHKey key;
    if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        const LSTATUS status =
            values ? RegEnumValueW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr)
                   : RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;
        names.insert(Narrow(std::wstring(name, length)));
    }
    return names;
}

std::string Joined(const std::set<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ",") + name;
    return out;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void CheckClasses(HKEY hive, const std::string& where, const std::wstring& dllPath) {
    const std::wstring clsid = std::wstring(L"Software\\Classes\\CLSID\\") + kClsid;
    CheckEqual(ReadText(hive, clsid, nullptr), std::string("Tessaly.Connect"),
               where + " CLSID default value");
    CheckEqual(Joined(Names(hive, clsid, false)), std::string("InprocServer32,ProgID,TypeLib"),
               where + " CLSID subkeys");
    CheckEqual(Lower(ReadText(hive, clsid + L"\\InprocServer32", nullptr)), Lower(Narrow(dllPath)),
               where + " InprocServer32 is the library");
    CheckEqual(ReadText(hive, clsid + L"\\InprocServer32", L"ThreadingModel"),
               std::string("Apartment"), where + " ThreadingModel");
    CheckEqual(ReadText(hive, clsid + L"\\ProgID", nullptr), std::string("Tessaly.Connect"),
               where + " CLSID ProgID");
    CheckEqual(ReadText(hive, clsid + L"\\TypeLib", nullptr), Narrow(kLibid),
               where + " CLSID TypeLib");
    const std::wstring progId = L"Software\\Classes\\Tessaly.Connect";
    CheckEqual(ReadText(hive, progId, nullptr), std::string("Tessaly.Connect"),
               where + " ProgID default value");
    CheckEqual(ReadText(hive, progId + L"\\CLSID", nullptr), Narrow(kClsid),
               where + " ProgID CLSID");
}

void CheckAddinKey() {
    CheckEqual(Joined(Names(HKEY_CURRENT_USER, kAddinKey, true)),
               std::string("Description,FriendlyName,LoadBehavior"),
               "add-in key holds three values");
    CheckEqual(ReadText(HKEY_CURRENT_USER, kAddinKey, L"FriendlyName"), std::string("Tessaly"),
               "add-in FriendlyName");
    CheckEqual(ReadText(HKEY_CURRENT_USER, kAddinKey, L"Description"),
               std::string("The bookmark function is added to Excel.\r\n"),
               "add-in Description ends with CR LF");
    std::optional<Value> load = ReadValue(HKEY_CURRENT_USER, kAddinKey, L"LoadBehavior");
    DWORD number = 0;
    if (load && load->bytes.size() == sizeof number) {
        std::memcpy(&number, load->bytes.data(), sizeof number);
    }
    Check(load && load->type == REG_DWORD && number == 3, "add-in LoadBehavior is DWORD 3");
}

void CheckClassesGone(HKEY hive, const std::string& where) {
    Check(!KeyExists(hive, std::wstring(L"Software\\Classes\\CLSID\\") + kClsid),
          where + " CLSID key removed");
    Check(!KeyExists(hive, L"Software\\Classes\\Tessaly.Connect"), where + " ProgID key removed");
}

// Whether a method's parameters are those the operation table declares for its slot:
// a by-reference Boolean as [in, out] VARIANT_BOOL* with its name, a text result as
// [out, retval] BSTR*, nothing else.
bool ParametersAsDeclared(ITypeInfo* info, const FUNCDESC& desc, const Operation& operation) {
    const bool hasResult = operation.result == OperationResult::kText;
    if (desc.cParams != static_cast<SHORT>(operation.ArgumentCount() + (hasResult ? 1 : 0))) {
        return false;
    }
    auto is = [&](SHORT index, VARTYPE pointee, USHORT flags) {
        const ELEMDESC& param = desc.lprgelemdescParam[index];
        return param.tdesc.vt == VT_PTR && param.tdesc.lptdesc != nullptr &&
               param.tdesc.lptdesc->vt == pointee && (param.paramdesc.wParamFlags & flags) == flags;
    };
    if (operation.argument == OperationArgument::kBooleanByRef) {
        if (!is(0, VT_BOOL, PARAMFLAG_FIN | PARAMFLAG_FOUT)) return false;
        BSTR names[2] = {};
        UINT count = 0;
        info->GetNames(desc.memid, names, 2, &count);
        Bstr method = Bstr::Adopt(names[0]);
        Bstr argument = Bstr::Adopt(names[1]);
        if (count != 2 || argument.Utf8() != operation.argumentName) return false;
    }
    return !hasResult || is(desc.cParams - 1, VT_BSTR, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
}

// _Connect as the type library describes it: eleven operations in slot order, each at
// its vtable slot after IDispatch's seven, with the DISPIDs Invoke answers to. A type
// library is made for one bitness: its system kind and its vtable offsets (pointer
// sized) must be those of the library that carries it.
void CheckConnectTypeInfo(ITypeLib* library, int pointerSize = static_cast<int>(sizeof(void*))) {
    Bstr name;
    library->GetDocumentation(-1, name.Put(), nullptr, nullptr, nullptr);
    CheckEqual(name.Utf8(), std::string("Tessaly"), "type library name");
    TLIBATTR* libraryAttr = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&libraryAttr))) {
        const SYSKIND expectedKind = pointerSize == 4 ? SYS_WIN32 : SYS_WIN64;
        CheckEqual(static_cast<int>(libraryAttr->syskind), static_cast<int>(expectedKind),
                   "type library made for " + std::to_string(pointerSize * 8) + "-bit code");
        library->ReleaseTLibAttr(libraryAttr);
    }
    ComPtr<ITypeInfo> info;
    if (!Check(SUCCEEDED(library->GetTypeInfoOfGuid(win::IID__Connect, info.Put())),
               "type library describes _Connect")) {
        return;
    }
    // A dual interface's own description is its TKIND_INTERFACE twin.
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> vtable;
    if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &ref))) info->GetRefTypeInfo(ref, vtable.Put());
    ITypeInfo* described = vtable ? vtable.Get() : info.Get();
    TYPEATTR* attr = nullptr;
    described->GetTypeAttr(&attr);
    const std::vector<std::string> expected = {
        "subCall_List",      "subCall_AddOrDelete", "subCall_Next",         "subCall_Befor",
        "subBeforOrNext",    "subCall_Clear",       "subCall_Setting",      "subCall_Help",
        "DesignButtonClick", "fncAppCaption",       "subCall_DeveloperSite"};
    const int functions = attr ? attr->cFuncs : 0;
    CheckEqual(functions, static_cast<int>(expected.size()), "_Connect has eleven operations");
    if (attr) described->ReleaseTypeAttr(attr);
    // Offsets in the vtable follow the slot order, after IUnknown's three and
    // IDispatch's four entries.
    SHORT first = -1;
    for (int i = 0; i < functions && i < static_cast<int>(expected.size()); ++i) {
        FUNCDESC* desc = nullptr;
        if (FAILED(described->GetFuncDesc(static_cast<UINT>(i), &desc))) continue;
        BSTR raw = nullptr;
        UINT count = 0;
        described->GetNames(desc->memid, &raw, 1, &count);
        Bstr functionName = Bstr::Adopt(raw);
        if (i == 0) first = desc->oVft;
        // oleaut32 answers offsets in the reading process's pointers, whatever the
        // library was made for (Wine's typelib.c scales the stored offset by
        // sizeof(void*) over the library's pointer size, as Windows does).
        const auto pointer = static_cast<SHORT>(sizeof(void*));
        const bool ok = functionName.Utf8() == expected[static_cast<size_t>(i)] &&
                        desc->memid == win::kFirstConnectDispId + i && first == 7 * pointer &&
                        desc->oVft == first + i * pointer;
        Check(ok, "slot " + std::to_string(i + 1) + " is " + expected[static_cast<size_t>(i)] +
                      " (got " + functionName.Utf8() + ", DISPID " + std::to_string(desc->memid) +
                      ", offset " + std::to_string(desc->oVft) + ")");
        if (static_cast<size_t>(i) < kOperations.size()) {
            Check(ParametersAsDeclared(described, *desc, kOperations[static_cast<size_t>(i)]),
                  "slot " + std::to_string(i + 1) + " takes and gives what the operation table " +
                      "declares");
        }
        described->ReleaseFuncDesc(desc);
    }
}

}  // namespace

void CheckRegistered(const std::wstring& dllPath) {
    CheckClasses(HKEY_LOCAL_MACHINE, "machine", dllPath);
    CheckAddinKey();
    CLSID clsid{};
    Check(SUCCEEDED(CLSIDFromProgID(L"Tessaly.Connect", &clsid)) &&
              IsEqualCLSID(clsid, win::CLSID_Connect),
          "ProgID Tessaly.Connect names the class");
    ComPtr<ITypeLib> library;
    if (Check(SUCCEEDED(LoadRegTypeLib(win::LIBID_Tessaly, 1, 0, LOCALE_NEUTRAL, library.Put())),
              "type library registered")) {
        CheckConnectTypeInfo(library.Get());
    }
    Check(KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"Interface\\") + kConnectIid),
          "_Connect registered as an interface");
}

void CheckUnregistered() {
    CheckClassesGone(HKEY_LOCAL_MACHINE, "machine");
    Check(!KeyExists(HKEY_CURRENT_USER, kAddinKey), "add-in key removed");
    CLSID clsid{};
    Check(FAILED(CLSIDFromProgID(L"Tessaly.Connect", &clsid)), "ProgID no longer known");
    ComPtr<ITypeLib> library;
    Check(FAILED(LoadRegTypeLib(win::LIBID_Tessaly, 1, 0, LOCALE_NEUTRAL, library.Put())),
          "type library unregistered");
    Check(!KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"TypeLib\\") + kLibid),
          "TypeLib key removed");
    Check(!KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"Interface\\") + kConnectIid),
          "_Connect interface key removed");
}

void CheckUserRegistered(const std::wstring& dllPath) {
    CheckClasses(HKEY_CURRENT_USER, "user", dllPath);
    CheckAddinKey();
    Check(!KeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\Classes\\CLSID\\") + kClsid),
          "per-user registration leaves the machine's classes alone");
}

void CheckUserUnregistered() {
    CheckClassesGone(HKEY_CURRENT_USER, "user");
    Check(!KeyExists(HKEY_CURRENT_USER, kAddinKey), "add-in key removed");
}

void CheckLibrary(const std::wstring& dllPath) {
    HMODULE library = LoadLibraryW(dllPath.c_str());
    if (!Check(library != nullptr, "the library loads on its own")) return;

    ComPtr<ITypeLib> typeLibrary;
    if (Check(SUCCEEDED(LoadTypeLibEx(dllPath.c_str(), REGKIND_NONE, typeLibrary.Put())),
              "type library embedded")) {
        CheckConnectTypeInfo(typeLibrary.Get());
    }

    // The string table: every id of the core's table, nothing else, the same text.
    int same = 0, missing = 0, differing = 0, extra = 0, entries = 0;
    for (int32_t id = 0; id <= 0xFFFF; ++id) {
        const wchar_t* text = nullptr;
        const int length =
            LoadStringW(library, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
        std::optional<std::string_view> expected = StringTableEntry(id);
        if (!expected) {
            if (length > 0) ++extra;
            continue;
        }
        ++entries;
        if (length <= 0) {
            ++missing;
        } else if (Narrow(std::wstring_view(text, static_cast<size_t>(length))) != *expected) {
            ++differing;
        } else {
            ++same;
        }
    }
    CheckEqual(missing + differing + extra, 0, "string resources equal the core's table");
    Check(same > 0 && same == entries,
          "string resources hold all " + std::to_string(entries) + " entries");
    HRSRC english = FindResourceExW(library, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(200 / 16 + 1),
                                    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    HRSRC japanese = FindResourceExW(library, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(100 / 16 + 1),
                                     MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    Check(english && japanese, "both blocks stored under language 1033");

    // Bitmap 10: the list picture, pixel for pixel.
    HRSRC found = FindResourceW(library, MAKEINTRESOURCEW(10), MAKEINTRESOURCEW(2));
    HGLOBAL loaded = found ? LoadResource(library, found) : nullptr;
    const auto* bytes = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    if (Check(bytes != nullptr, "bitmap resource 10 present")) {
        BITMAPINFOHEADER header;
        std::memcpy(&header, bytes, sizeof header);
        Check(header.biWidth == 16 && header.biHeight == 15 && header.biBitCount == 24,
              "bitmap 10 is 16 x 15 at 24 bits");
        const platform::Bitmap& picture = ListBitmap();
        bool same_pixels = static_cast<int>(picture.bgr.size()) == 16 * 15 * 3;
        for (int y = 0; same_pixels && y < 15; ++y) {
            const BYTE* row = bytes + header.biSize + static_cast<size_t>(14 - y) * 48;
            same_pixels =
                std::memcmp(row, picture.bgr.data() + static_cast<size_t>(y) * 48, 48) == 0;
        }
        Check(same_pixels, "bitmap 10 is the list picture");
    }
    FreeLibrary(library);
}

namespace {

// Every resource of a library by type, name and language, with its bytes.
using ResourceKey = std::tuple<std::wstring, std::wstring, WORD>;
using Resources = std::map<ResourceKey, std::string>;

std::wstring ResourceId(LPCWSTR id) {
    return IS_INTRESOURCE(id) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(id))
                              : std::wstring(id);
}

struct ResourceWalk {
    HMODULE module;
    Resources* into;
    std::wstring type;
    LPCWSTR typeId;
    std::wstring name;
    LPCWSTR nameId;
};

BOOL CALLBACK OnLanguage(HMODULE module, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    auto& walk = *reinterpret_cast<ResourceWalk*>(param);
    HRSRC found = FindResourceExW(module, walk.typeId, walk.nameId, language);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* bytes = static_cast<const char*>(loaded ? LockResource(loaded) : nullptr);
    (*walk.into)[{walk.type, walk.name, language}] =
        bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
    auto& walk = *reinterpret_cast<ResourceWalk*>(param);
    walk.name = ResourceId(name);
    walk.nameId = name;
    EnumResourceLanguagesW(module, type, name, OnLanguage, param);
    return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPWSTR type, LONG_PTR param) {
    auto& walk = *reinterpret_cast<ResourceWalk*>(param);
    walk.type = ResourceId(type);
    walk.typeId = type;
    EnumResourceNamesW(module, type, OnName, param);
    return TRUE;
}

Resources ReadResources(HMODULE module) {
    Resources resources;
    ResourceWalk walk{module, &resources, {}, nullptr, {}, nullptr};
    EnumResourceTypesW(module, OnType, reinterpret_cast<LONG_PTR>(&walk));
    return resources;
}

// Loaded for its resources only: a 64-bit process cannot run 32-bit code, but it can
// read a 32-bit library's resources and type library.
HMODULE LoadAsData(const std::wstring& path) {
    return LoadLibraryExW(path.c_str(), nullptr,
                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

}  // namespace

void CheckOtherBitnessLibrary(const std::wstring& otherPath, const std::wstring& ownPath) {
    HMODULE other = LoadAsData(otherPath);
    HMODULE own = LoadAsData(ownPath);
    if (Check(other && own, "both libraries open for their resources")) {
        const Resources otherResources = ReadResources(other);
        const Resources ownResources = ReadResources(own);
        // The type library alone differs: it is made for each bitness.
        auto withoutTypeLibrary = [](Resources resources) {
            std::erase_if(resources,
                          [](const auto& entry) { return std::get<0>(entry.first) == L"TYPELIB"; });
            return resources;
        };
        const Resources a = withoutTypeLibrary(otherResources);
        const Resources b = withoutTypeLibrary(ownResources);
        Check(!a.empty() && a == b, "resources equal the other library's (" +
                                        std::to_string(a.size()) + " and " +
                                        std::to_string(b.size()) + " entries)");
        Check(otherResources.size() == a.size() + 1 && ownResources.size() == b.size() + 1,
              "each library carries one type library");
    }
    if (other) FreeLibrary(other);
    if (own) FreeLibrary(own);

    ComPtr<ITypeLib> typeLibrary;
    if (Check(SUCCEEDED(LoadTypeLibEx(otherPath.c_str(), REGKIND_NONE, typeLibrary.Put())),
              "the other library's type library reads")) {
        CheckConnectTypeInfo(typeLibrary.Get(), sizeof(void*) == 8 ? 4 : 8);
    }
}

}  // namespace tessaly::fake
