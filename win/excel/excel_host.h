#pragma once

// The host seam over Excel's object model, reached late through IDispatch. Every
// member of host/host.h maps to the member of the same name in Excel (or Office, for
// command bars); events arrive through connection points.

#include "host/host.h"
#include "win/common/owners.h"

namespace tessaly::win {

host::Ref<host::Application> ExcelApplication(const ComPtr<IDispatch>& application);
host::Ref<host::AddIn> ExcelAddIn(const ComPtr<IDispatch>& addIn);

// Wrappers for objects that arrive with events (null for Nothing).
host::Ref<host::Workbook> ExcelWorkbook(const ComPtr<IDispatch>& workbook);
// A worksheet or a chart sheet, told apart by the worksheet's interface.
host::Ref<host::Sheet> ExcelSheet(const ComPtr<IDispatch>& sheet);
host::Ref<host::Range> ExcelRange(const ComPtr<IDispatch>& range);
host::Ref<host::CommandBarControl> ExcelControl(const ComPtr<IDispatch>& control);

// Connects a sink to the application's events (AppEvents).
host::EventConnection AdviseAppEvents(IDispatch* application, host::AppEvents& sink);
// Connects a handler to a button's Click (_CommandBarButtonEvents).
host::EventConnection AdviseButtonClick(IDispatch* button,
                                        host::CommandBarControl::ClickHandler handler);

}  // namespace tessaly::win
