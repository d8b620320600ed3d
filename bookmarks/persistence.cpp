#include "addin/Connect.h"

namespace tessaly {

void Connect::objApp_WorkbookBeforeSave(const host::Ref<host::Workbook>&, bool, bool&) {}

void Connect::objApp_WorkbookOpen(const host::Ref<host::Workbook>&) {}

}  // namespace tessaly
