#pragma once

// A workbook's bookmarks kept in the workbook itself: written before each save, read
// back when the workbook is opened.

#include "host/host.h"

namespace platform {
class Platform;
}

namespace tessaly {

class clsBMs;

// Before the host saves Wb: takes every mark off (unless design mode has them off or
// they are off for a save already), then rewrites the workbook's bookmark properties,
// when the settings keep bookmarks in the workbook. Sets Cancel when the marks could not
// all come off and the user cancels the save.
void KeepBookmarksForSave(platform::Platform& platform, clsBMs& bms,
                          const host::Ref<host::Workbook>& Wb, bool blnDesignMode,
                          bool& blnMarksOffForSave, bool& Cancel);

// Adds the bookmarks kept in Wb to the collection. True when the workbook held some and
// they were read to the end; the command state then needs a refresh.
bool ReadBookmarksOfWorkbook(platform::Platform& platform, clsBMs& bms,
                             const host::Ref<host::Workbook>& Wb);

}  // namespace tessaly
