#include "addin/Connect.h"

namespace tessaly {

void Connect::subCall_Next() {}

void Connect::subCall_Befor() {}

void Connect::subBeforOrNext(bool&) {}

int32_t Connect::fncBookNo(const host::Ref<host::Workbook>&) { return 0; }

}  // namespace tessaly
