#pragma once

// The fake Excel's automation objects: each exposes members of the simulated host
// under Excel's names through IDispatch, and some raise events through connection
// points. A member that fails raises DISP_E_EXCEPTION with the host's error number in
// EXCEPINFO, as Excel does (1004 travels as 0x800A03EC).

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "win/common/com_object.h"
#include "win/common/owners.h"
#include "win/common/win32.h"

namespace tessaly::fake {

using win::ComPtr;
using win::Variant;

// The arguments of one call, in declared order; a left-out optional argument counts
// as absent.
class Args {
  public:
    explicit Args(const DISPPARAMS* params);

    size_t Count() const { return values_.size(); }
    bool Has(size_t index) const;
    // An index given as text (an item by name) rather than as a number.
    bool IsText(size_t index) const;
    int32_t Int(size_t index) const;
    bool Bool(size_t index) const;
    double Double(size_t index) const;
    std::string Text(size_t index) const;
    // An object argument; null for Nothing.
    IDispatch* Object(size_t index) const;
    // The value given to a property assignment.
    const VARIANT& Assigned() const;

  private:
    const VARIANT& Required(size_t index) const;
    Variant Converted(size_t index, VARTYPE type) const;

    std::vector<const VARIANT*> values_;
    const VARIANT* assigned_ = nullptr;
};

// One automation object of the fake host.
class FakeObject : public win::ComObject<IDispatch, IConnectionPointContainer> {
  public:
    FakeObject(const char* kind, const void* identity);
    ~FakeObject() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override;
    // IConnectionPointContainer, for objects that raise events
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // The fake object behind an IDispatch the add-in hands back (Goto's range, Copy's
    // bar); null when it is not one of ours.
    static FakeObject* From(IDispatch* object);

    // Every Invoke on the fake's objects so far.
    static int64_t InvokeCount();

  protected:
    using Getter = std::function<Variant(const Args&)>;
    using Setter = std::function<void(const Args&)>;
    // Declares a member (name: a string literal); a name has the same DISPID in every
    // object of the fake.
    void Member(const wchar_t* name, Getter get, Setter set = nullptr);
    // More interfaces the object answers QueryInterface for (as IDispatch).
    virtual bool Has(REFIID) const { return false; }
    // IDispatch and the interfaces Has names; the container only for an object that
    // raises events; the fake object itself to the fake (From).
    void* InterfaceFor(REFIID iid) override;
    // The event interface of the object's connection point, if it has one.
    virtual const IID* Events() const { return nullptr; }
    // A sink was connected or disconnected; the object ties it to the simulated host.
    virtual host::EventConnection Connect(ComPtr<IDispatch> sink);

  private:
    class EventPoint;
    friend class EventPoint;

    // A flat table: an object has a few dozen members at most, and the add-in makes and
    // lets go of thousands of objects (one per bookmarked cell and mark), each of which
    // would otherwise cost a map node and a name string per member. Names are the
    // literals the classes declare.
    struct Entry {
        DISPID id;
        const wchar_t* name;
        Getter get;
        Setter set;
    };
    const Entry* Find(DISPID id) const;
    HRESULT Answer(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception);

    std::vector<Entry> members_;
    const char* kind_;
    const void* identity_;
    std::unique_ptr<EventPoint> events_;
};

// The one object per host object (so the add-in sees the same IUnknown for the same
// cell, sheet or control); null for a null handle.
template <class T, class Handle>
ComPtr<IDispatch> Wrap(const Handle& handle);

// Looks up or remembers the object of a kind and identity.
FakeObject* FindObject(const char* kind, const void* identity);
void RememberObject(const char* kind, const void* identity, FakeObject* object);
void ForgetObject(const char* kind, const void* identity);

template <class T, class Handle>
ComPtr<IDispatch> Wrap(const Handle& handle) {
    if (!handle) return nullptr;
    const void* identity = handle->Identity();
    if (FakeObject* found = FindObject(T::kKind, identity)) return ComPtr<IDispatch>(found);
    return ComPtr<IDispatch>::Adopt(new T(handle));
}

// Sees the calls on the fake's objects and the events raised (the COM benchmark
// records and replays them); at most one at a time.
class CallWatcher {
  public:
    virtual ~CallWatcher() = default;
    // A call begins; what it returns is given back to Answered when it ends (calls
    // made inside it, through the events it raises, come in between).
    virtual size_t Calling(IDispatch* target, DISPID id, WORD flags, const DISPPARAMS* params) = 0;
    virtual void Answered(size_t call, HRESULT hr, const VARIANT* result) = 0;
    // An event, its arguments in declared order, is about to reach a sink; false keeps
    // it from the sink.
    virtual bool Raised(const std::vector<VARIANT>& arguments) = 0;
};
void Watch(CallWatcher* watcher);

// Calls an event sink's member with arguments in declared order; the sink's answer.
HRESULT Fire(IDispatch* sink, DISPID id, std::vector<VARIANT> arguments);

// The sinks' answers since the last ask: how many failed, and the last one.
struct SinkAnswers {
    int failed = 0;
    HRESULT last = S_OK;
};
SinkAnswers TakeSinkAnswers();

}  // namespace tessaly::fake
