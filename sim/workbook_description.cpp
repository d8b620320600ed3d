#include "sim/workbook_description.h"

namespace sim {

WorkbookSpec SimpleWorkbook(std::string name, std::vector<std::string> worksheetNames) {
    WorkbookSpec desc;
    desc.name = std::move(name);
    for (std::string& sheet : worksheetNames) {
        SheetSpec s;
        s.name = std::move(sheet);
        desc.sheets.push_back(std::move(s));
    }
    return desc;
}

}  // namespace sim
