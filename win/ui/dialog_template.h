#pragma once

// An extended dialog template in memory, as a resource script would have compiled it:
// the window's styles, title and font, then one item per control in tab order. Sizes
// come in pixels and are written in the dialog units of the template's font.

#include <cstdint>
#include <string>
#include <vector>

#include "win/common/win32.h"
#include "win/ui/dialog_font.h"

namespace tessaly::win::ui {

struct TemplateItem {
    std::wstring className;  // "Button", "Static", "ComboBox", "SysTreeView32"
    std::wstring text;
    DWORD style = 0;
    DWORD exStyle = 0;
    WORD id = 0;
    int left = 0;  // pixels, in the dialog's client area
    int top = 0;
    int width = 0;
    int height = 0;
};

struct TemplateWindow {
    std::wstring title;
    DWORD style = 0;  // DS_SETFONT is added
    DWORD exStyle = 0;
    int clientWidth = 0;  // pixels
    int clientHeight = 0;
    DialogFont font;
};

// DLGTEMPLATEEX with its DLGITEMTEMPLATEEX items, each on a four-byte boundary; the
// buffer's start is suitably aligned for CreateDialogIndirectParam.
std::vector<DWORD> BuildDialogTemplate(const TemplateWindow& window,
                                       const std::vector<TemplateItem>& items,
                                       const DialogUnits& units);

}  // namespace tessaly::win::ui
