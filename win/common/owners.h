#pragma once

// Owners of the Win32 and COM resources win/ holds: handles (a registry key, a hook,
// the window front end's GDI objects), COM interface pointers, a BSTR and a VARIANT.
// Each gives back what it holds on every way out of a scope, and where they do the
// same thing they have the same word for it: Get, Put (for an out parameter), Reset,
// Detach.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "win/common/win32.h"

namespace tessaly::win {

// An owning COM interface pointer: AddRef on copy, Release on every way out.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Shares `p`: takes a reference of its own.
    explicit ComPtr(T* p) : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Takes over a reference the caller already owns (an out parameter's result).
    static ComPtr Adopt(T* p) {
        ComPtr result;
        result.p_ = p;
        return result;
    }

    void Reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // For out parameters: drops the current reference and hands out the slot.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    // Gives the reference away (to an out parameter of our own).
    T* Detach() { return std::exchange(p_, nullptr); }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // QueryInterface; null when the object does not have that interface.
    template <class U>
    ComPtr<U> As(REFIID iid) const {
        ComPtr<U> result;
        if (p_) p_->QueryInterface(iid, result.PutVoid());
        return result;
    }

  private:
    T* p_ = nullptr;
};

// An owned handle, given back by `Free` on every way out. `Free` answers whether the
// system took the handle back.
template <class Handle, auto Free>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    // Gives back the handle held, if any, and holds `handle`. True when one was held and
    // the system took it back.
    bool Reset(Handle handle = nullptr) {
        Handle old = std::exchange(handle_, handle);
        return old != nullptr && Free(old);
    }
    // For out parameters: gives back the current handle and hands out the slot.
    Handle* Put() {
        Reset();
        return &handle_;
    }
    Handle Get() const { return handle_; }
    Handle Detach() { return std::exchange(handle_, nullptr); }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    Handle handle_ = nullptr;
};

inline bool CloseKey(HKEY key) {
    return RegCloseKey(key) == ERROR_SUCCESS;
}
inline bool Unhook(HHOOK hook) {
    return UnhookWindowsHookEx(hook) != FALSE;
}

using UniqueHKey = UniqueHandle<HKEY, CloseKey>;
using UniqueHHook = UniqueHandle<HHOOK, Unhook>;

// A BSTR; converts from and to the core's UTF-8.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::wstring_view text)
        : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    static Bstr FromUtf8(std::string_view text);
    static Bstr Adopt(BSTR bstr) {
        Bstr result;
        result.bstr_ = bstr;
        return result;
    }
    Bstr(Bstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            Reset();
            bstr_ = std::exchange(other.bstr_, nullptr);
        }
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { Reset(); }

    void Reset() {
        if (BSTR b = std::exchange(bstr_, nullptr)) SysFreeString(b);
    }
    BSTR* Put() {
        Reset();
        return &bstr_;
    }
    BSTR Get() const { return bstr_; }
    BSTR Detach() { return std::exchange(bstr_, nullptr); }
    std::wstring_view View() const {
        return bstr_ ? std::wstring_view(bstr_, SysStringLen(bstr_)) : std::wstring_view();
    }
    std::string Utf8() const;

  private:
    BSTR bstr_ = nullptr;
};

// A VARIANT that is cleared when it goes.
class Variant {
  public:
    Variant() { VariantInit(&v_); }
    // Some SDKs declare the source without const; it is only read.
    Variant(const Variant& other) : Variant() { VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)); }
    Variant(Variant&& other) noexcept : Variant() { std::swap(v_, other.v_); }
    Variant& operator=(Variant other) noexcept {
        std::swap(v_, other.v_);
        return *this;
    }
    ~Variant() { VariantClear(&v_); }

    static Variant Int(int32_t value);
    static Variant Bool(bool value);
    static Variant Double(double value);
    static Variant Text(std::string_view utf8);
    // Takes a reference of its own on the object; null gives Nothing.
    static Variant Object(IDispatch* object);
    // An optional argument the caller leaves out.
    static Variant Missing();
    // A copy of a VARIANT someone else owns.
    static Variant CopyOf(const VARIANT& v);

    VARIANT* Put() {
        VariantClear(&v_);
        return &v_;
    }
    const VARIANT& Get() const { return v_; }
    VARIANT& Raw() { return v_; }
    VARTYPE Type() const { return V_VT(&v_); }

  private:
    VARIANT v_;
};

}  // namespace tessaly::win
