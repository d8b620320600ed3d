#pragma once

// Owners of the Win32 and automation resources win/ holds: a registry key, a hook, a
// BSTR and a VARIANT. Each releases what it holds on every way out of a scope.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "win/common/win32.h"

namespace tessaly::win {

class UniqueHKey {
  public:
    UniqueHKey() = default;
    explicit UniqueHKey(HKEY key) : key_(key) {}
    UniqueHKey(UniqueHKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    UniqueHKey& operator=(UniqueHKey&& other) noexcept {
        if (this != &other) {
            Reset();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }
    UniqueHKey(const UniqueHKey&) = delete;
    UniqueHKey& operator=(const UniqueHKey&) = delete;
    ~UniqueHKey() { Reset(); }

    void Reset() {
        if (HKEY key = std::exchange(key_, nullptr)) RegCloseKey(key);
    }
    HKEY* Put() {
        Reset();
        return &key_;
    }
    HKEY Get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

  private:
    HKEY key_ = nullptr;
};

class UniqueHHook {
  public:
    UniqueHHook() = default;
    explicit UniqueHHook(HHOOK hook) : hook_(hook) {}
    UniqueHHook(UniqueHHook&& other) noexcept : hook_(std::exchange(other.hook_, nullptr)) {}
    UniqueHHook& operator=(UniqueHHook&& other) noexcept {
        if (this != &other) {
            Reset();
            hook_ = std::exchange(other.hook_, nullptr);
        }
        return *this;
    }
    UniqueHHook(const UniqueHHook&) = delete;
    UniqueHHook& operator=(const UniqueHHook&) = delete;
    ~UniqueHHook() { Reset(); }

    // True when a hook was held and Windows took it off.
    bool Reset() {
        HHOOK hook = std::exchange(hook_, nullptr);
        return hook != nullptr && UnhookWindowsHookEx(hook) != FALSE;
    }
    HHOOK Get() const { return hook_; }
    explicit operator bool() const { return hook_ != nullptr; }

  private:
    HHOOK hook_ = nullptr;
};

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
