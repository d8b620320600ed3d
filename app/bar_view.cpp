#include "app/bar_view.h"

#include <string>

#include "locale/const.h"

namespace app {

namespace {

void PrintControl(const sim::ControlInfo& c, int depth, std::ostream& out) {
    out << std::string(static_cast<size_t>(depth) * 2, ' ');
    if (c.beginGroup && depth > 0) out << "- ";
    out << (c.caption.empty() ? "(no caption)" : c.caption);
    if (c.type == 10) {
        out << " >";
    } else {
        if (!c.enabled) out << "  [disabled]";
        if (c.state == -1) out << "  [pressed]";
        if (c.hasPastedFace) {
            out << "  (picture)";
        } else if (c.faceId != 0) {
            out << "  (face " << c.faceId << ")";
        }
    }
    out << '\n';
    for (const auto& child : c.controls) PrintControl(child, depth + 1, out);
}

}  // namespace

void PrintAddinBars(const sim::Excel& excel, std::ostream& out) {
    const auto bars = excel.CommandBarList();
    if (!bars.empty()) {
        for (const auto& c : bars.front().controls) {
            if (c.tag == "QEL") {
                out << "Menu on \"" << bars.front().name << "\":\n";
                PrintControl(c, 1, out);
            }
        }
    }
    if (auto toolbar = excel.CommandBar(tessaly::strBarName)) {
        out << "Toolbar \"" << toolbar->name << "\"" << (toolbar->visible ? "" : " (hidden)")
            << ":\n";
        for (const auto& c : toolbar->controls) PrintControl(c, 1, out);
    }
}

}  // namespace app
