#pragma once

// IUnknown written once, for every COM object of the add-in and the fake host: a
// reference count and a QueryInterface that answers for the interfaces the object
// derives from. COM's rules for QueryInterface hold by construction ("a call to
// QueryInterface with IID_IUnknown must always return the same physical pointer
// value"; the set of interfaces "must be static"; any interface reachable from any
// other: "Rules for Implementing QueryInterface", COM documentation), and so does its
// duty to AddRef the pointer it returns and to answer E_POINTER for a null out
// parameter (IUnknown::QueryInterface).

#include <type_traits>

#include "win/common/win32.h"

namespace tessaly::win {

// The IID of an interface objects here implement; specialised beside the interface.
template <class Interface>
struct InterfaceId;
template <>
struct InterfaceId<IUnknown> {
    static const IID& Get() { return IID_IUnknown; }
};
template <>
struct InterfaceId<IDispatch> {
    static const IID& Get() { return IID_IDispatch; }
};
template <>
struct InterfaceId<IClassFactory> {
    static const IID& Get() { return IID_IClassFactory; }
};
template <>
struct InterfaceId<IConnectionPoint> {
    static const IID& Get() { return IID_IConnectionPoint; }
};
template <>
struct InterfaceId<IConnectionPointContainer> {
    static const IID& Get() { return IID_IConnectionPointContainer; }
};

namespace com_detail {

// The interfaces of one object and the lookup of an IID among them: IUnknown is the
// first interface's (one identity), IDispatch the first that derives from it.
template <class First, class... Rest>
class Interfaces : public First, public Rest... {
  protected:
    void* Lookup(REFIID iid) {
        if (IsEqualIID(iid, IID_IUnknown)) return static_cast<First*>(this);
        void* found = Match<First>(iid);
        ((found = found != nullptr ? found : Match<Rest>(iid)), ...);
        return found;
    }

  private:
    template <class I>
    void* Match(REFIID iid) {
        if (IsEqualIID(iid, InterfaceId<I>::Get())) return static_cast<I*>(this);
        if constexpr (std::is_base_of_v<IDispatch, I> && !std::is_same_v<IDispatch, I>) {
            if (IsEqualIID(iid, IID_IDispatch))
                return static_cast<IDispatch*>(static_cast<I*>(this));
        }
        return nullptr;
    }
};

}  // namespace com_detail

// An object of its own: made with one reference (the maker's), gone with the last.
// COM may release from another thread, so the count is interlocked.
template <class... Interfaces>
class ComObject : public com_detail::Interfaces<Interfaces...> {
  public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = InterfaceFor(iid);
        if (*out == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return left;
    }

  protected:
    ComObject() = default;
    virtual ~ComObject() = default;

    // The pointer handed out for `iid`, null for none. An object that answers for an
    // interface only at times, or for one it does not derive from, says so here and
    // leaves the rest to this.
    virtual void* InterfaceFor(REFIID iid) { return this->Lookup(iid); }

  private:
    volatile LONG refs_ = 1;
};

// A part with an identity of its own whose life is its owner's: it answers
// QueryInterface for its own interfaces only, and counts on its owner. A connection
// point is one: an object apart from its container ("the interface pointer returned is
// always that of a connection point": IConnectionPointContainer::FindConnectionPoint)
// that hands the container back on request (IConnectionPoint::
// GetConnectionPointContainer), so the container lives while the point is held.
template <class... Interfaces>
class ComPart : public com_detail::Interfaces<Interfaces...> {
  public:
    explicit ComPart(IUnknown& owner) : owner_(owner) {}
    ComPart(const ComPart&) = delete;
    ComPart& operator=(const ComPart&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = this->Lookup(iid);
        if (*out == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }

  protected:
    ~ComPart() = default;
    IUnknown& Owner() const { return owner_; }

  private:
    IUnknown& owner_;
};

}  // namespace tessaly::win
