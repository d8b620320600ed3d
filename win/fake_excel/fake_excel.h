#pragma once

// A fake Excel: the simulated host (sim::Excel) behind Excel's object model over
// IDispatch, with the application's events and the buttons' clicks raised through
// connection points. PasteFace takes the bitmap from the real clipboard.

#include <memory>
#include <string>

#include "sim/excel.h"
#include "sim/sim_platform.h"
#include "win/common/owners.h"

namespace tessaly::fake {

class FakeExcel {
  public:
    explicit FakeExcel(const std::string& version);
    ~FakeExcel();
    FakeExcel(const FakeExcel&) = delete;
    FakeExcel& operator=(const FakeExcel&) = delete;

    sim::Excel& Sim() { return excel_; }
    // The application object handed to the add-ins' OnConnection.
    win::ComPtr<IDispatch> Application();
    // The automation object of a command-bar control, as the add-in sees it.
    win::ComPtr<IDispatch> ControlObject(const host::Ref<host::CommandBarControl>& control);

    // The one fake Excel of the process.
    static FakeExcel& Current();

    // The clipboard the simulated PasteFace reads, refilled from Windows' clipboard.
    sim::SimClipboard& Clipboard() { return clipboard_; }

  private:
    sim::Excel excel_;
    sim::SimClipboard clipboard_;
};

}  // namespace tessaly::fake
