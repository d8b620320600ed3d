#pragma once

// A workbook described as plain data: what the simulated host builds a workbook from
// when it is opened, and what it records when one is saved. A file reader produces
// one of these and a file writer consumes one, so the model never touches files.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sim/cell_table.h"

namespace sim {

enum class SheetKind { Worksheet, Chart };

// The label control inside an OLE object of class "Forms.Label.1". The defaults are
// those of a label freshly created by the host.
struct LabelSpec {
    bool autoSize = false;
    std::string fontName = "Tahoma";
    double fontSize = 8.0;
    int32_t foreColor = -2147483630;  // &H80000012, the system's button text colour
    std::string caption = "Label1";
    int32_t backStyle = 1;  // 1 opaque, 0 transparent
};

// An embedded OLE object on a worksheet. The defaults are those of a new object.
struct OleObjectSpec {
    std::string classType = "Forms.Label.1";
    double left = 0.0;  // points
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
    int32_t placement = 2;  // 1 move and size with cells, 2 move only, 3 free floating
    bool printObject = true;
    bool locked = true;
    bool fillVisible = true;  // ShapeRange.Fill.Visible
    LabelSpec label;
};

// A defined name referring to one cell (or rectangle) of the sheet it is listed on.
struct DefinedNameSpec {
    DefinedNameSpec() = default;
    DefinedNameSpec(std::string name_, std::string address_, std::string scope_ = {})
        : name(std::move(name_)), address(std::move(address_)), scope(std::move(scope_)) {}

    std::string name;
    std::string address;  // A1 form, "B3" or "$B$2:$D$4"
    // The sheet whose own (local) name this is, or empty for a name of the workbook. One
    // spelling may be a name of the workbook and of any number of sheets at once.
    std::string scope;
};

struct SheetSpec {
    std::string name;
    SheetKind kind = SheetKind::Worksheet;
    int32_t visible = -1;  // -1 visible, 0 hidden, 2 very hidden
    bool isProtected = false;
    std::vector<int32_t> hiddenRows;        // 1-based
    std::vector<int32_t> hiddenColumns;     // 1-based
    std::vector<int32_t> filterHiddenRows;  // rows hidden by a filter (they count as hidden)
    std::vector<std::pair<int32_t, double>> rowHeights;    // row, points (default 15)
    std::vector<std::pair<int32_t, double>> columnWidths;  // column, points (default 48)
    CellTable cells;
    std::vector<DefinedNameSpec> names;
    std::vector<OleObjectSpec> oleObjects;  // in creation order
    std::string activeCell = "A1";          // worksheets only
    // What the file reader saw of the sheet's part, handed back at a save so that a part
    // whose cells are as read is copied without being read again.
    struct SourceMark {
        bool known = false;
        uint32_t partCrc = 0;
        // What the cells show hangs on the shared strings too: a file replaced since by one
        // of the same sheet part but other strings must not keep the part as it is.
        uint32_t sharedStringsCrc = 0;
        uint64_t cellsVersion = 0;  // of the cells as read
    } source;
};

// A custom document property of type text.
struct PropertySpec {
    std::string name;
    std::string value;
};

struct WorkbookSpec {
    std::string name;               // unique among open workbooks, e.g. "Data.xlsx"
    std::vector<SheetSpec> sheets;  // in tab order; at least one visible sheet
    std::vector<PropertySpec> customProperties;
    bool windowVisible = true;  // Windows(1).Visible
    bool isAddin = false;
    int32_t activeSheet = 1;  // 1-based position in sheets
};

// A workbook of the given name with one empty worksheet per name.
WorkbookSpec SimpleWorkbook(std::string name, std::vector<std::string> worksheetNames = {"Sheet1"});

}  // namespace sim
