#pragma once

// Late binding to the host: members are called by name through IDispatch, as a VB
// caller of Excel's object model does. Each member name's DISPID is asked for once per
// interface and kept; a failed call raises host::HostError with the host's number and
// description.

#include <cstdint>
#include <initializer_list>
#include <string>

#include "host/host.h"
#include "win/common/owners.h"

namespace tessaly::win {

class LateBound {
  public:
    // `interfaceName` names the host's interface the object has (one per wrapper
    // class); it keys the DISPID cache.
    LateBound(ComPtr<IDispatch> object, const char* interfaceName);
    virtual ~LateBound() = default;
    LateBound(const LateBound&) = delete;
    LateBound& operator=(const LateBound&) = delete;

    IDispatch* Dispatch() const { return object_.Get(); }
    const ComPtr<IDispatch>& DispatchPtr() const { return object_; }
    // The object's IUnknown: COM's one test of "the same object".
    const void* IdentityKey() const { return identity_.Get(); }
    const char* InterfaceName() const { return interface_; }

    // A property, or a method with a result (arguments in their declared order).
    Variant Get(const wchar_t* name, std::initializer_list<Variant> args = {}) const;
    void Put(const wchar_t* name, const Variant& value) const;
    Variant Call(const wchar_t* name, std::initializer_list<Variant> args = {}) const;

    // How many DISPIDs have been asked of the host so far (for tests of the cache).
    static int64_t NameLookups();

  private:
    DISPID IdOf(const wchar_t* name) const;
    DISPID LookUpId(const wchar_t* name) const;
    Variant Invoke(const wchar_t* name, WORD flags, std::initializer_list<Variant> args,
                   const Variant* putValue) const;

    ComPtr<IDispatch> object_;
    ComPtr<IUnknown> identity_;
    const char* interface_;
};

// A host wrapper: a host:: interface implemented over one late-bound object.
template <class Base>
class Late : public Base, public LateBound {
  public:
    Late(ComPtr<IDispatch> object, const char* interfaceName)
        : LateBound(std::move(object), interfaceName) {}
    const void* Identity() const override { return IdentityKey(); }
};

// Results as the core's types. A value of another kind raises 13 (type mismatch).
int32_t ToInt32(const Variant& v);
bool ToBool(const Variant& v);
double ToDouble(const Variant& v);
std::string ToText(const Variant& v);
// The object in the result; null for Nothing.
ComPtr<IDispatch> ToObject(const Variant& v);

// The host object behind a handle this library made; null for a null handle.
IDispatch* DispatchOf(const host::Object* object);
template <class T>
IDispatch* DispatchOf(const host::Ref<T>& object) {
    return DispatchOf(static_cast<const host::Object*>(object.get()));
}

}  // namespace tessaly::win
