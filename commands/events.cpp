#include "addin/Connect.h"

namespace tessaly {

void Connect::objApp_NewWorkbook(const host::Ref<host::Workbook>&) {}

void Connect::objApp_SheetChange(const host::Ref<host::Sheet>&, const host::Ref<host::Range>&) {}

void Connect::objApp_WorkbookNewSheet(const host::Ref<host::Workbook>&, const host::Ref<host::Sheet>&) {}

void Connect::objApp_SheetSelectionChange(const host::Ref<host::Sheet>&, const host::Ref<host::Range>&) {}

void Connect::subRefreshOnEvent() {}

bool Connect::fncIsActiveCellBM() { return false; }

void Connect::subRefreshAddOrDelState() {}

void Connect::subRefreshButtons() {}

bool Connect::HostIsReady() { return true; }

bool Connect::HasActiveCell() { return false; }

}  // namespace tessaly
