#include "win/common/com_error.h"

#include "win/common/owners.h"
#include "win/common/text.h"

namespace tessaly::win {

namespace {

struct KnownError {
    HRESULT hr;
    int32_t number;
    const char* description;
};

// Automation failures VB reports under its own numbers.
constexpr KnownError kKnownErrors[] = {
    {E_INVALIDARG, 5, "Invalid procedure call or argument"},
    {DISP_E_OVERFLOW, 6, "Overflow"},
    {E_OUTOFMEMORY, 7, "Out of memory"},
    {DISP_E_BADINDEX, 9, "Subscript out of range"},
    {DISP_E_DIVBYZERO, 11, "Division by zero"},
    {DISP_E_TYPEMISMATCH, 13, "Type mismatch"},
    {E_NOINTERFACE, 430,
     "Class does not support Automation or does not support expected interface"},
    {DISP_E_MEMBERNOTFOUND, 438, "Object doesn't support this property or method"},
    {DISP_E_UNKNOWNNAME, 438, "Object doesn't support this property or method"},
    {DISP_E_PARAMNOTFOUND, 448, "Named argument not found"},
    {DISP_E_PARAMNOTOPTIONAL, 449, "Argument not optional"},
    {DISP_E_BADPARAMCOUNT, 450, "Wrong number of arguments or invalid property assignment"},
};

std::string SystemMessage(HRESULT hr) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 && text ? std::wstring(text, length) : std::wstring();
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return Narrow(message);
}

}  // namespace

int32_t ErrorNumberOf(HRESULT hr) {
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) return HRESULT_CODE(hr);
    for (const KnownError& known : kKnownErrors) {
        if (known.hr == hr) return known.number;
    }
    return static_cast<int32_t>(hr);
}

HRESULT HresultOf(int32_t number) {
    if (number > 0 && number <= 0xFFFF) {
        return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<unsigned>(number));
    }
    if (number < 0) return static_cast<HRESULT>(number);
    return E_FAIL;
}

std::string DescriptionOf(HRESULT hr) {
    for (const KnownError& known : kKnownErrors) {
        if (known.hr == hr) return known.description;
    }
    const std::string system = SystemMessage(hr);
    return system.empty() ? "Automation error" : "Automation error\r\n" + system;
}

host::HostError HostErrorOf(HRESULT hr, EXCEPINFO* info) {
    if (hr == DISP_E_EXCEPTION && info != nullptr) {
        if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
        Bstr description = Bstr::Adopt(info->bstrDescription);
        Bstr source = Bstr::Adopt(info->bstrSource);
        Bstr helpFile = Bstr::Adopt(info->bstrHelpFile);
        info->bstrDescription = info->bstrSource = info->bstrHelpFile = nullptr;
        const HRESULT code =
            info->wCode != 0 ? HresultOf(info->wCode) : (info->scode != 0 ? info->scode : E_FAIL);
        std::string text = description.Utf8();
        if (text.empty()) text = DescriptionOf(code);
        return host::HostError(ErrorNumberOf(code), text);
    }
    return host::HostError(ErrorNumberOf(hr), DescriptionOf(hr));
}

HRESULT ReportHostError(const host::HostError& error, EXCEPINFO* info, const wchar_t* source) {
    if (info != nullptr) {
        *info = EXCEPINFO{};
        info->scode = HresultOf(error.Number());
        info->bstrDescription = Bstr::FromUtf8(error.Description()).Detach();
        info->bstrSource = Bstr(source ? source : L"").Detach();
    }
    return DISP_E_EXCEPTION;
}

}  // namespace tessaly::win
