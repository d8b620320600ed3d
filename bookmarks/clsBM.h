#pragma once

#include <string>

#include "bookmarks/address_survey.h"
#include "host/host.h"

namespace tessaly {

// One bookmark: live references to the host's objects, never names or addresses.
class clsBM {
  public:
    host::Ref<host::Range> BMCell;
    host::Ref<host::Worksheet> BMSheet;
    host::Ref<host::Workbook> BMBook;
    host::Ref<host::OLEObject> BMLabel;  // the visual mark; nothing until one is made
};

// The bookmark key: workbook name & "!" & sheet name & "!" & absolute address, read
// from the host now. Raises the host's error when a part cannot be read.
std::string BookmarkKey(clsBM& bm);
// A cell's workbook name, sheet name and address, read from the host now (raises).
CellSpot CellSpotOf(const host::Ref<host::Range>& cell);

}  // namespace tessaly
