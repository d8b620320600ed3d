#include "calc/dialog_layout.h"

#include <cmath>

namespace tessaly::calc {

namespace {

const Control* ContainerOf(const WindowModel& window, const Control& control) {
    if (control.Container.empty()) return nullptr;
    for (const auto& c : window.Controls())
        if (c->DisplayName() == control.Container) return c.get();
    return nullptr;
}

}  // namespace

std::optional<DialogKind> DialogKindOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::CommandButton:
            return DialogKind::Button;
        case ControlKind::Label:
            return DialogKind::Label;
        case ControlKind::Frame:
            return DialogKind::GroupBox;
        case ControlKind::OptionButton:
            return DialogKind::RadioButton;
        case ControlKind::CheckBox:
            return DialogKind::CheckBox;
        case ControlKind::ComboBox:
            return DialogKind::ListBox;
        case ControlKind::TreeView:
            return DialogKind::Tree;
        case ControlKind::Image:
            return DialogKind::Image;
        case ControlKind::PictureBox:
        case ControlKind::ImageList:
        case ControlKind::CommonDialog:
            return std::nullopt;
    }
    return std::nullopt;
}

const char* ControlModelService(DialogKind kind) {
    switch (kind) {
        case DialogKind::Button:
            return "com.sun.star.awt.UnoControlButtonModel";
        case DialogKind::Label:
            return "com.sun.star.awt.UnoControlFixedTextModel";
        case DialogKind::GroupBox:
            return "com.sun.star.awt.UnoControlGroupBoxModel";
        case DialogKind::RadioButton:
            return "com.sun.star.awt.UnoControlRadioButtonModel";
        case DialogKind::CheckBox:
            return "com.sun.star.awt.UnoControlCheckBoxModel";
        case DialogKind::ListBox:
            return "com.sun.star.awt.UnoControlListBoxModel";
        case DialogKind::Tree:
            return "com.sun.star.awt.tree.TreeControlModel";
        case DialogKind::Image:
            return "com.sun.star.awt.UnoControlImageControlModel";
    }
    return "";
}

int32_t ToDialogUnits(float twips, double twipsPerUnit) {
    if (twipsPerUnit <= 0) return 0;
    return static_cast<int32_t>(std::lround(static_cast<double>(twips) / twipsPerUnit));
}

float ToTwips(int32_t units, double twipsPerUnit) {
    return static_cast<float>(units * twipsPerUnit);
}

std::vector<DialogItem> DialogLayout(const WindowModel& window, const DialogScale& scale) {
    std::vector<DialogItem> items;
    for (const auto& owned : window.Controls()) {
        Control& control = *owned;
        const std::optional<DialogKind> kind = DialogKindOf(control.Kind());
        if (!kind) continue;
        DialogItem item;
        item.control = &control;
        item.kind = *kind;
        item.name = control.DisplayName();
        float left = control.Rect.Left;
        float top = control.Rect.Top;
        item.enabled = control.Enabled;
        item.visible = control.Visible;
        // A container that names itself or a cycle ends the walk.
        const Control* container = ContainerOf(window, control);
        for (int depth = 0; container != nullptr && depth < 16; ++depth) {
            left += container->Rect.Left;
            top += container->Rect.Top;
            item.enabled = item.enabled && container->Enabled;
            item.visible = item.visible && container->Visible;
            container = ContainerOf(window, *container);
        }
        item.rect = {ToDialogUnits(left, scale.twipsPerUnitX),
                     ToDialogUnits(top, scale.twipsPerUnitY),
                     ToDialogUnits(control.Rect.Width, scale.twipsPerUnitX),
                     ToDialogUnits(control.Rect.Height, scale.twipsPerUnitY)};
        items.push_back(std::move(item));
    }
    return items;
}

DialogRect DialogClientSize(const WindowModel& window, const DialogScale& scale) {
    return {0, 0, ToDialogUnits(window.ScaleWidth(), scale.twipsPerUnitX),
            ToDialogUnits(window.ScaleHeight(), scale.twipsPerUnitY)};
}

const Control* TreeImageList(const WindowModel& window) {
    for (const auto& control : window.Controls()) {
        if (control->Kind() == ControlKind::ImageList && !control->ListImages.empty() &&
            control->ListImages.front().width <= 32)
            return control.get();
    }
    return nullptr;
}

std::string ImageListFile(const WindowModel& window, const Control& imageList, int32_t image) {
    return "icons/" + window.Name() + "-" + imageList.DisplayName() + "-" + std::to_string(image) +
           ".bmp";
}

std::string TreeNodeGraphicURL(const std::string& root, const WindowModel& window,
                               const TreeNode& node) {
    const Control* images = TreeImageList(window);
    if (images == nullptr || node.Image < 1 ||
        static_cast<size_t>(node.Image) > images->ListImages.size())
        return "";
    return root + ImageListFile(window, *images, node.Image);
}

std::string DialogLabel(const std::string& caption) {
    std::string label;
    label.reserve(caption.size());
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            label += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
            label += '&';
            ++i;
        } else if (i + 1 < caption.size()) {
            label += '~';
        }
    }
    return label;
}

std::optional<int32_t> OfficeColor(int32_t modelColor) {
    const auto bits = static_cast<uint32_t>(modelColor);
    if (bits & 0x80000000u) return std::nullopt;
    const uint32_t red = bits & 0xFF;
    const uint32_t green = (bits >> 8) & 0xFF;
    const uint32_t blue = (bits >> 16) & 0xFF;
    return static_cast<int32_t>((red << 16) | (green << 8) | blue);
}

int32_t ModelColor(int32_t officeColor) {
    const auto bits = static_cast<uint32_t>(officeColor);
    return static_cast<int32_t>(((bits & 0xFF) << 16) | (bits & 0xFF00) | ((bits >> 16) & 0xFF));
}

int32_t ModelKeyCode(int32_t officeKey) {
    if (officeKey == kOfficeReturn) return keys::kReturn;
    if (officeKey == kOfficeEscape) return keys::kEscape;
    if (officeKey >= kOfficeA && officeKey < kOfficeA + 26) return 'A' + (officeKey - kOfficeA);
    if (officeKey >= kOfficeNum0 && officeKey < kOfficeNum0 + 10)
        return '0' + (officeKey - kOfficeNum0);
    return 0;
}

}  // namespace tessaly::calc
