#pragma once

// The fake Excel's COM add-ins, loaded and unloaded as Office does: the add-ins listed
// under the host's Addins key are created by their ProgID at start-up and told, through
// IDTExtensibility2, what happens to them; the COM add-ins list ticks and unticks them.

#include <string>
#include <vector>

#include "win/common/addin_interfaces.h"
#include "win/common/owners.h"
#include "win/fake_excel/fake_excel.h"

namespace tessaly::fake {

// Where Office looks for COM add-ins, below HKEY_CURRENT_USER and then
// HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kAddinsKey[] = L"Software\\Microsoft\\Office\\Excel\\Addins";

class ComAddins {
  public:
    explicit ComAddins(FakeExcel& excel);
    ~ComAddins();
    ComAddins(const ComAddins&) = delete;
    ComAddins& operator=(const ComAddins&) = delete;

    // The host starts: every add-in registered with LoadBehavior 3 is created by its
    // ProgID and connected, then all connected ones hear OnAddInsUpdate and then
    // OnStartupComplete.
    void StartUp();
    // The host exits: OnBeginShutdown to each connected add-in, then OnDisconnection.
    // The add-ins are still held until Release.
    void ShutDown();
    // Lets go of every add-in.
    void Release();

    // The COM add-ins list: ticks or unticks an add-in. False for an unknown ProgID.
    bool SetConnected(const std::string& progId, bool connect);
    bool Connected(const std::string& progId) const;
    // The host's COM add-in object for that add-in (null for an unknown ProgID).
    win::ComPtr<IDispatch> ComAddIn(const std::string& progId);
    // The add-in object itself, as created (null unless it is held).
    win::ComPtr<IUnknown> Instance(const std::string& progId) const;

    // Every call made to an add-in, as "<ProgID> <method>[ <mode>] -> <hr>".
    const std::vector<std::string>& Calls() const { return calls_; }

    struct Entry;

  private:
    Entry* Find(const std::string& progId) const;
    bool Connect(Entry& entry, win::ext_ConnectMode mode);
    void Disconnect(Entry& entry, win::ext_DisconnectMode mode);
    void Update(const Entry* except);
    void Record(const Entry& entry, const std::string& what, HRESULT hr);

    FakeExcel& excel_;
    std::vector<Entry*> entries_;
    std::vector<std::string> calls_;
    bool shutDown_ = false;
};

// The LoadBehavior the registry holds for an add-in (per user first); -1 when none.
int LoadBehavior(const std::string& progId);
// Sets it per user, as the host does when the user ticks or unticks the add-in.
void SetLoadBehavior(const std::string& progId, int value);

}  // namespace tessaly::fake
