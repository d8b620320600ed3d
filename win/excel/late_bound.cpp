#include "win/excel/late_bound.h"

#include <array>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "win/common/com_error.h"
#include "win/common/text.h"

namespace tessaly::win {

namespace {

using CacheKey = std::pair<std::string, std::wstring>;

// Shared by every object of the library; the host's user-interface thread is the only
// one that calls the host.
std::map<CacheKey, DISPID>& DispIdCache() {
    static std::map<CacheKey, DISPID> cache;
    return cache;
}

int64_t lookups = 0;

// Excel's member names and argument conventions are its English ones, whatever the
// user's locale; a client asking in another locale can be refused by an Excel without
// that language ("Old format or invalid type library").
constexpr LCID kEnglishUs = 0x0409;

[[noreturn]] void TypeMismatch() {
    host::Raise(host::err::kTypeMismatch, "Type mismatch");
}

// The value itself when it came by reference inside a VARIANT.
const VARIANT& Deref(const VARIANT& v) {
    if (V_VT(&v) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(&v) != nullptr) {
        return *V_VARIANTREF(&v);
    }
    return v;
}

Variant Converted(const Variant& v, VARTYPE type) {
    Variant out;
    if (FAILED(VariantChangeType(out.Put(), const_cast<VARIANT*>(&Deref(v.Get())), 0, type)))
        TypeMismatch();
    return out;
}

// A host member that throws instead of answering has failed; COM's own stubs answer
// such a call with RPC_E_SERVERFAULT ("The server threw an exception"), and nothing
// of another module's runtime may unwind through the add-in's core, whose clean-ups
// expect host errors only.
template <class Call>
HRESULT AskHost(Call&& call) noexcept {
    try {
        return call();
    } catch (...) {
        return RPC_E_SERVERFAULT;
    }
}

}  // namespace

LateBound::LateBound(ComPtr<IDispatch> object, const char* interfaceName)
    : object_(std::move(object)), interface_(interfaceName) {
    if (!object_) host::Raise(host::err::kObjectRequired, "Object required");
    identity_ = object_.As<IUnknown>(IID_IUnknown);
}

int64_t LateBound::NameLookups() {
    return lookups;
}

namespace {

// Every call asks for a DISPID, so the last answers are kept by the addresses of the
// interface and member names (the wrappers pass string literals) in front of the map,
// which would build two strings per call. An entry is trusted only while its texts are
// still the ones it was made for.
struct RecentId {
    const char* interfaceName = nullptr;
    const wchar_t* member = nullptr;
    std::string interfaceText;
    std::wstring memberText;
    DISPID id = DISPID_UNKNOWN;
};
constexpr size_t kRecentIds = 256;

RecentId& RecentSlot(const char* interfaceName, const wchar_t* member) {
    static std::array<RecentId, kRecentIds> recent;
    const auto mix =
        reinterpret_cast<uintptr_t>(interfaceName) * 31u ^ reinterpret_cast<uintptr_t>(member);
    return recent[(mix ^ (mix >> 9)) % kRecentIds];
}

}  // namespace

DISPID LateBound::IdOf(const wchar_t* name) const {
    RecentId& slot = RecentSlot(interface_, name);
    if (slot.interfaceName == interface_ && slot.member == name &&
        slot.interfaceText == interface_ && slot.memberText == name)
        return slot.id;
    const DISPID id = LookUpId(name);
    slot = RecentId{interface_, name, interface_, name, id};
    return id;
}

DISPID LateBound::LookUpId(const wchar_t* name) const {
    CacheKey key{interface_, name};
    auto& cache = DispIdCache();
    if (auto found = cache.find(key); found != cache.end()) return found->second;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    ++lookups;
    const HRESULT hr =
        AskHost([&] { return object_->GetIDsOfNames(IID_NULL, names, 1, kEnglishUs, &id); });
    if (FAILED(hr)) throw HostErrorOf(hr, nullptr);
    cache.emplace(std::move(key), id);
    return id;
}

Variant LateBound::Invoke(const wchar_t* name, WORD flags, std::initializer_list<Variant> args,
                          const Variant* putValue) const {
    const DISPID id = IdOf(name);
    // DISPPARAMS takes the arguments last to first; the copies are shallow, the
    // Variants in `args` keep owning what they point to.
    // The wrappers pass a handful at most; the heap is for a longer list only.
    constexpr size_t kOnStack = 12;
    std::array<VARIANT, kOnStack> few;
    std::vector<VARIANT> many;
    const size_t count = args.size() + (putValue ? 1 : 0);
    VARIANT* reversed = few.data();
    if (count > kOnStack) {
        many.resize(count);
        reversed = many.data();
    }
    size_t at = 0;
    if (putValue) reversed[at++] = putValue->Get();
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) reversed[at++] = it->Get();
    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = count == 0 ? nullptr : reversed;
    params.cArgs = static_cast<UINT>(count);
    if (putValue) {
        params.rgdispidNamedArgs = &namedPut;
        params.cNamedArgs = 1;
    }
    Variant result;
    EXCEPINFO info{};
    UINT argError = 0;
    const HRESULT hr = AskHost([&] {
        return object_->Invoke(id, IID_NULL, kEnglishUs, flags, &params,
                               putValue ? nullptr : result.Put(), &info, &argError);
    });
    if (FAILED(hr)) throw HostErrorOf(hr, &info);
    return result;
}

Variant LateBound::Get(const wchar_t* name, std::initializer_list<Variant> args) const {
    return Invoke(name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, nullptr);
}

void LateBound::Put(const wchar_t* name, const Variant& value) const {
    Invoke(name, DISPATCH_PROPERTYPUT, {}, &value);
}

Variant LateBound::Call(const wchar_t* name, std::initializer_list<Variant> args) const {
    return Invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, nullptr);
}

int32_t ToInt32(const Variant& v) {
    return V_I4(&Converted(v, VT_I4).Get());
}

bool ToBool(const Variant& v) {
    return V_BOOL(&Converted(v, VT_BOOL).Get()) != VARIANT_FALSE;
}

double ToDouble(const Variant& v) {
    return V_R8(&Converted(v, VT_R8).Get());
}

std::string ToText(const Variant& v) {
    // Most answers are text already: no converted copy of them.
    const VARIANT& value = Deref(v.Get());
    if (V_VT(&value) == VT_BSTR) {
        BSTR b = V_BSTR(&value);
        return b ? Narrow(std::wstring_view(b, SysStringLen(b))) : std::string();
    }
    Variant text = Converted(v, VT_BSTR);
    BSTR b = V_BSTR(&text.Get());
    return b ? Bstr(std::wstring_view(b, SysStringLen(b))).Utf8() : std::string();
}

ComPtr<IDispatch> ToObject(const Variant& v) {
    const VARIANT& value = Deref(v.Get());
    switch (V_VT(&value)) {
        case VT_EMPTY:
        case VT_NULL:
            return nullptr;
        case VT_DISPATCH:
            return ComPtr<IDispatch>(V_DISPATCH(&value));
        case VT_DISPATCH | VT_BYREF:
            return V_DISPATCHREF(&value) ? ComPtr<IDispatch>(*V_DISPATCHREF(&value)) : nullptr;
        case VT_UNKNOWN:
            return V_UNKNOWN(&value)
                       ? ComPtr<IUnknown>(V_UNKNOWN(&value)).As<IDispatch>(IID_IDispatch)
                       : nullptr;
        default:
            host::Raise(host::err::kObjectRequired, "Object required");
    }
}

IDispatch* DispatchOf(const host::Object* object) {
    if (object == nullptr) return nullptr;
    const auto* late = dynamic_cast<const LateBound*>(object);
    if (late == nullptr) TypeMismatch();
    return late->Dispatch();
}

}  // namespace tessaly::win
