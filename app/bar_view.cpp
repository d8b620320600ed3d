#include "app/bar_view.h"

#include "app/text.h"
#include "locale/const.h"

namespace app {

namespace {

void PrintControl(const sim::ControlInfo& c, int depth, std::ostream& out) {
    out << std::string(static_cast<size_t>(depth) * 2, ' ');
    if (c.beginGroup) out << "- ";
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

bool PrintAddinBars(const sim::Excel& excel, std::ostream& out, int indent) {
    const std::string pad(static_cast<size_t>(indent), ' ');
    bool any = false;
    const auto bars = excel.CommandBarList();
    if (!bars.empty()) {
        for (const auto& c : bars.front().controls) {
            if (c.tag != "QEL") continue;
            out << pad << "menu bar \"" << bars.front().name << "\":\n";
            PrintControl(c, indent / 2 + 1, out);
            any = true;
        }
    }
    if (auto toolbar = excel.CommandBar(tessaly::strBarName)) {
        out << pad << "toolbar \"" << toolbar->name << "\"" << (toolbar->visible ? "" : " (hidden)")
            << ":\n";
        for (const auto& c : toolbar->controls) PrintControl(c, indent / 2 + 1, out);
        any = true;
    }
    return any;
}

std::string ToolbarStrip(const sim::Excel& excel, ColorMode colors) {
    const auto toolbar = excel.CommandBar(tessaly::strBarName);
    if (!toolbar) return {};
    std::string strip = toolbar->name + ":";
    for (const auto& c : toolbar->controls) {
        const std::string caption = WithoutAccessKey(c.caption);
        strip += ' ';
        if (colors != ColorMode::None) {
            if (!c.enabled) {
                strip += "\x1b[2m[" + caption + "]\x1b[0m";
            } else if (c.state == -1) {
                strip += "\x1b[7m[" + caption + "]\x1b[0m";
            } else {
                strip += "[" + caption + "]";
            }
        } else if (!c.enabled) {
            strip += "(" + caption + ")";
        } else if (c.state == -1) {
            strip += "{" + caption + "}";
        } else {
            strip += "[" + caption + "]";
        }
    }
    if (!toolbar->visible) strip += "  (hidden)";
    return strip;
}

}  // namespace app
