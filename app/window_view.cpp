#include "app/window_view.h"

#include <algorithm>
#include <cmath>

#include "app/text.h"

namespace app {

using tessaly::Control;
using tessaly::ControlKind;
using tessaly::TreeNode;
using tessaly::WindowModel;

namespace {

// Controls whose tops lie closer than this (twips) stand on one row.
constexpr float kRowTolerance = 120;

bool Drawn(const Control& c) {
    if (!c.Visible) return false;
    switch (c.Kind()) {
        case ControlKind::ImageList:
        case ControlKind::CommonDialog:
        case ControlKind::Image:
            return false;
        default:
            return true;
    }
}

bool IsBlock(const Control& c) {
    return c.Kind() == ControlKind::Frame || c.Kind() == ControlKind::PictureBox ||
           c.Kind() == ControlKind::TreeView;
}

bool IsSystemColor(int32_t color) {
    return (static_cast<uint32_t>(color) & 0x80000000u) != 0;
}

std::string Indent(int indent) {
    return std::string(static_cast<size_t>(indent), ' ');
}

void RenderNodes(const std::vector<TreeNode*>& level, const TreeNode* selected, int indent,
                 std::vector<std::string>& lines) {
    for (const TreeNode* node : level) {
        std::string line = Indent(indent);
        if (!node->Expanded && node->Children() > 0) line += "+ ";
        line += node->Text;
        if (node->ForeColor == tessaly::syscolor::kButtonShadow) line += " [grey]";
        if (node == selected) line += "  <- selected";
        lines.push_back(line);
        if (node->Expanded) RenderNodes(node->ChildNodes(), selected, indent + 2, lines);
    }
}

void RenderContainer(const WindowModel& window, const std::string& container, int indent,
                     std::vector<std::string>& lines);

void RenderBlock(const WindowModel& window, const Control& c, int indent,
                 std::vector<std::string>& lines) {
    switch (c.Kind()) {
        case ControlKind::Frame: {
            std::string head = Indent(indent) + WithoutAccessKey(c.Caption) + ":";
            if (!c.Enabled) head += " (disabled)";
            lines.push_back(head);
            RenderContainer(window, c.DisplayName(), indent + 2, lines);
            break;
        }
        case ControlKind::PictureBox:
            RenderContainer(window, c.DisplayName(), indent, lines);
            break;
        case ControlKind::TreeView:
            if (c.Nodes.Count() == 0) {
                lines.push_back(Indent(indent) + "(empty list)");
            } else {
                RenderNodes(c.Nodes.Roots(), c.SelectedItem, indent, lines);
            }
            break;
        default:
            break;
    }
}

void RenderContainer(const WindowModel& window, const std::string& container, int indent,
                     std::vector<std::string>& lines) {
    std::vector<const Control*> children;
    for (const auto& c : window.Controls())
        if (c->Container == container && Drawn(*c)) children.push_back(c.get());
    std::stable_sort(children.begin(), children.end(), [](const Control* a, const Control* b) {
        if (a->Rect.Top != b->Rect.Top) return a->Rect.Top < b->Rect.Top;
        return a->Rect.Left < b->Rect.Left;
    });

    std::vector<const Control*> row;
    const auto flush = [&] {
        std::stable_sort(row.begin(), row.end(), [](const Control* a, const Control* b) {
            return a->Rect.Left < b->Rect.Left;
        });
        std::string line;
        for (const Control* c : row) {
            const std::string text = RenderControl(window, *c);
            if (text.empty()) continue;
            line += (line.empty() ? "" : "  ") + text;
        }
        if (!line.empty()) lines.push_back(Indent(indent) + line);
        row.clear();
    };
    for (const Control* c : children) {
        if (IsBlock(*c)) {
            flush();
            RenderBlock(window, *c, indent, lines);
            continue;
        }
        if (!row.empty() && std::fabs(c->Rect.Top - row.front()->Rect.Top) > kRowTolerance) flush();
        row.push_back(c);
    }
    flush();
}

}  // namespace

std::string RenderControl(const WindowModel&, const Control& c) {
    std::string text;
    const std::string caption = WithoutAccessKey(c.Caption);
    switch (c.Kind()) {
        case ControlKind::Label:
            text = caption;
            break;
        case ControlKind::CommandButton:
            if (c.Graphical && caption.empty()) {
                // A colour button shows its colour, or nothing when it shows the window's.
                text =
                    "<" +
                    (IsSystemColor(c.BackColor) ? std::string("       ") : RgbText(c.BackColor)) +
                    ">";
            } else {
                text = "<" + caption + ">";
            }
            break;
        case ControlKind::OptionButton:
            text = (c.Value != 0 ? "(*) " : "( ) ") + caption;
            break;
        case ControlKind::CheckBox:
            text = (c.Value == 1 ? "[x] " : "[ ] ") + caption;
            break;
        case ControlKind::ComboBox: {
            const std::string selected = c.Text();
            text = "[" + (selected.empty() ? std::string(" ") : selected) + "]";
            break;
        }
        case ControlKind::Frame:
            text = caption;
            break;
        default:
            break;
    }
    if (!text.empty() && !c.Enabled) text += " (disabled)";
    return text;
}

std::vector<std::string> RenderWindow(const WindowModel& window) {
    std::vector<std::string> lines;
    lines.push_back("[" + window.Caption + "]");
    RenderContainer(window, "", 0, lines);
    return lines;
}

}  // namespace app
