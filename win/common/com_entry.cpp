#include "win/common/com_entry.h"

#include <new>

#include "host/host_error.h"
#include "win/common/com_error.h"

namespace tessaly::win {

namespace {

// The add-in's own errors carry its name as their source.
constexpr wchar_t kErrorSource[] = L"Tessaly";

}  // namespace

HRESULT HresultOfCurrentException(EXCEPINFO* exception) noexcept {
    try {
        throw;
    } catch (const host::HostError& e) {
        if (exception == nullptr) return HresultOf(e.Number());
        try {
            return ReportHostError(e, exception, kErrorSource);
        } catch (...) {
            // No room for the description: the number alone goes back.
            SysFreeString(exception->bstrDescription);
            SysFreeString(exception->bstrSource);
            *exception = EXCEPINFO{};
            exception->scode = HresultOf(e.Number());
            return DISP_E_EXCEPTION;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace tessaly::win
