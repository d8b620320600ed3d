#include "sim/workbook_spec.h"

namespace sim {

WorkbookSpec SimpleWorkbook(std::string name, std::vector<std::string> worksheetNames) {
    WorkbookSpec spec;
    spec.name = std::move(name);
    for (std::string& sheet : worksheetNames) {
        SheetSpec s;
        s.name = std::move(sheet);
        spec.sheets.push_back(std::move(s));
    }
    return spec;
}

}  // namespace sim
