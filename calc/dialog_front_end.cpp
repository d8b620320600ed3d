#include "calc/dialog_front_end.h"

#include <com/sun/star/awt/KeyEvent.hpp>
#include <com/sun/star/awt/MouseButton.hpp>
#include <com/sun/star/awt/MouseEvent.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/XActionListener.hpp>
#include <com/sun/star/awt/XButton.hpp>
#include <com/sun/star/awt/XCheckBox.hpp>
#include <com/sun/star/awt/XControl.hpp>
#include <com/sun/star/awt/XControlContainer.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/awt/XItemListener.hpp>
#include <com/sun/star/awt/XKeyListener.hpp>
#include <com/sun/star/awt/XListBox.hpp>
#include <com/sun/star/awt/XMouseListener.hpp>
#include <com/sun/star/awt/XRadioButton.hpp>
#include <com/sun/star/awt/XToolkitExperimental.hpp>
#include <com/sun/star/awt/XUnitConversion.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/awt/XWindowListener.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/awt/tree/XMutableTreeDataModel.hpp>
#include <com/sun/star/awt/tree/XMutableTreeNode.hpp>
#include <com/sun/star/awt/tree/XTreeControl.hpp>
#include <com/sun/star/awt/tree/XTreeDataModel.hpp>
#include <com/sun/star/awt/tree/XTreeNode.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertyAccess.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/cui/ColorPicker.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/io/SequenceInputStream.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/ui/dialogs/XExecutableDialog.hpp>
#include <com/sun/star/util/MeasureUnit.hpp>
#include <com/sun/star/view/SelectionType.hpp>
#include <com/sun/star/view/XSelectionChangeListener.hpp>
#include <cppuhelper/implbase6.hxx>
#include <rtl/ref.hxx>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "calc/calc_host.h"
#include "calc/dialog_layout.h"
#include "calc/uno_calls.h"
#include "platform/bitmap_file.h"

namespace tessaly::calc {

namespace {

namespace uno = css::uno;
namespace awt = css::awt;
namespace beans = css::beans;
using uno::Any;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

// Whether a headless office keeps the windows up for a client that drives them. An
// office with a window system runs its dialogs itself, whatever the environment says.
bool KeepWindowsWhenHeadless() {
    const char* value = std::getenv("TESSALY_CALC_KEEP_WINDOWS");
    return value != nullptr && std::string(value) == "1" && OfficeIsHeadless();
}

// Counts the office's requests to end: a kept window closes at each. A remote client's
// request arrives on the office's connection thread, not the one the window runs on.
std::atomic<unsigned> g_endRequests{0};

class ModelDialog;

// Every listener a control needs, in one object per control; it forwards to the dialog
// while the dialog runs and is cut off when it ends.
class Listener final
    : public cppu::WeakImplHelper6<awt::XActionListener, awt::XItemListener, awt::XMouseListener,
                                   awt::XKeyListener, css::view::XSelectionChangeListener,
                                   awt::XWindowListener> {
  public:
    Listener(ModelDialog* owner, Control* control) : owner_(owner), control_(control) {}
    void Detach() { owner_ = nullptr; }

    void SAL_CALL actionPerformed(const awt::ActionEvent&) override;
    void SAL_CALL itemStateChanged(const awt::ItemEvent&) override;
    void SAL_CALL mousePressed(const awt::MouseEvent& e) override;
    void SAL_CALL mouseReleased(const awt::MouseEvent&) override {}
    void SAL_CALL mouseEntered(const awt::MouseEvent&) override {}
    void SAL_CALL mouseExited(const awt::MouseEvent&) override {}
    void SAL_CALL keyPressed(const awt::KeyEvent&) override {}
    void SAL_CALL keyReleased(const awt::KeyEvent& e) override;
    void SAL_CALL selectionChanged(const css::lang::EventObject&) override;
    void SAL_CALL windowResized(const awt::WindowEvent& e) override;
    void SAL_CALL windowMoved(const awt::WindowEvent&) override {}
    void SAL_CALL windowShown(const css::lang::EventObject&) override {}
    void SAL_CALL windowHidden(const css::lang::EventObject&) override {}
    void SAL_CALL disposing(const css::lang::EventObject&) override {}

  private:
    ModelDialog* owner_;
    Control* control_;  // nullptr: the dialog itself
};

template <class Interface>
Reference<Interface> As(const rtl::Reference<Listener>& listener) {
    return Reference<Interface>(static_cast<Interface*>(listener.get()));
}

class ModelDialog {
  public:
    ModelDialog(Reference<uno::XComponentContext> context, WindowModel& model)
        : context_(std::move(context)), model_(model) {}
    ~ModelDialog() { Close(); }
    ModelDialog(const ModelDialog&) = delete;
    ModelDialog& operator=(const ModelDialog&) = delete;

    void Run();

    // Events, from the listeners.
    void Clicked(Control& control);
    void ItemChanged(Control& control);
    void Pressed(Control& control, int32_t clicks);
    void KeyReleased(int32_t officeKey, int32_t modifiers);
    void TreeSelectionChanged(Control& tree);
    void Resized(int32_t width, int32_t height);

  private:
    struct Slot {
        DialogItem item;
        Reference<beans::XPropertySet> props;
        Reference<awt::XControl> control;
        rtl::Reference<Listener> listener;
        // What was last put on the dialog; nothing before the first refresh.
        bool drawn = false;
        std::string caption;
        bool enabled = true;
        bool visible = true;
        DialogRect rect;
        int32_t value = -1;
        std::vector<std::string> list;
        int32_t listIndex = -2;
        int32_t foreColor = 0;
        int32_t backColor = 0;
        // The picture last drawn (an image control), empty for none.
        std::optional<platform::Bitmap> picture;
        // The tree's nodes, in the model's order of adding, and the node selected.
        std::vector<TreeNode*> nodes;
        std::vector<std::string> texts;
        std::vector<int32_t> images;
        std::vector<Reference<awt::tree::XMutableTreeNode>> officeNodes;
        TreeNode* selected = nullptr;
    };

    void Build();
    void Sync();
    void SyncSlot(Slot& slot, const DialogItem& now);
    void SyncTree(Slot& slot);
    void SyncTreeSelection(Slot& slot);
    void SyncPicture(Slot& slot, const std::optional<platform::Bitmap>& picture);
    void Measure();
    void Act(const std::function<void()>& action);
    void Close();
    Slot* SlotOf(const Control& control);
    void Set(Slot& slot, const char* name, const Any& value);

    Reference<uno::XComponentContext> context_;
    WindowModel& model_;
    Reference<css::lang::XMultiServiceFactory> factory_;
    Reference<css::container::XNameContainer> controls_;
    Reference<beans::XPropertySet> dialogProps_;
    Reference<awt::XControl> dialog_;
    rtl::Reference<Listener> dialogListener_;
    std::vector<Slot> slots_;
    DialogScale scale_ = kFallbackScale;
    std::string caption_;
    DialogRect client_{-1, -1, -1, -1};
    bool syncing_ = false;
    bool executing_ = false;
};

void ModelDialog::Set(Slot& slot, const char* name, const Any& value) {
    try {
        slot.props->setPropertyValue(OUString::createFromAscii(name), value);
    } catch (const uno::Exception&) {
        // A property a control model lacks in this office leaves that detail undrawn.
    }
}

// Dialog units are the dialog font's: measured on the live dialog, twips to pixels at
// the screen's resolution and pixels to APPFONT units, both by XUnitConversion
// (css.util.MeasureUnit TWIP and APPFONT; offapi com/sun/star/awt/XUnitConversion.idl).
// Positions are relative to the dialog's inner edge
// (https://wiki.openoffice.org/wiki/Documentation/BASIC_Guide/Properties).
void ModelDialog::Measure() {
    Reference<awt::XUnitConversion> conversion(dialog_, UNO_QUERY);
    if (!conversion.is()) return;
    try {
        const awt::Size inch =
            conversion->convertSizeToPixel(awt::Size(14400, 14400), css::util::MeasureUnit::TWIP);
        const awt::Size units =
            conversion->convertSizeToPixel(awt::Size(4000, 8000), css::util::MeasureUnit::APPFONT);
        if (inch.Width <= 0 || inch.Height <= 0 || units.Width <= 0 || units.Height <= 0) return;
        const double twipsPerPixelX = 14400.0 / inch.Width;
        const double twipsPerPixelY = 14400.0 / inch.Height;
        scale_.twipsPerUnitX = units.Width / 4000.0 * twipsPerPixelX;
        scale_.twipsPerUnitY = units.Height / 8000.0 * twipsPerPixelY;
    } catch (const uno::Exception&) {
    }
}

void ModelDialog::Build() {
    auto smgr = context_->getServiceManager();
    Reference<awt::XControlModel> dialogModel(
        smgr->createInstanceWithContext("com.sun.star.awt.UnoControlDialogModel", context_),
        UNO_QUERY_THROW);
    factory_.set(dialogModel, UNO_QUERY_THROW);
    controls_.set(dialogModel, UNO_QUERY_THROW);
    dialogProps_.set(dialogModel, UNO_QUERY_THROW);
    dialogProps_->setPropertyValue("Title", Any(Uno(model_.Caption)));
    dialogProps_->setPropertyValue("Closeable", Any(true));
    dialogProps_->setPropertyValue("Moveable", Any(true));
    dialogProps_->setPropertyValue("Sizeable",
                                   Any(model_.Border() == tessaly::BorderStyle::SizableToolWindow));
    caption_ = model_.Caption;

    dialog_.set(smgr->createInstanceWithContext("com.sun.star.awt.UnoControlDialog", context_),
                UNO_QUERY_THROW);
    dialog_->setModel(dialogModel);
    Reference<awt::XWindowPeer> parent;
    try {
        auto frame = css::frame::Desktop::create(context_)->getCurrentFrame();
        if (frame.is()) parent.set(frame->getContainerWindow(), UNO_QUERY);
    } catch (const uno::Exception&) {
    }
    dialog_->createPeer(Reference<awt::XToolkit>(awt::Toolkit::create(context_), UNO_QUERY_THROW),
                        parent);
    Measure();

    Reference<awt::XControlContainer> container(dialog_, UNO_QUERY_THROW);
    int16_t tab = 0;
    for (const DialogItem& item : DialogLayout(model_, scale_)) {
        Slot slot;
        slot.item = item;
        Reference<awt::XControlModel> model(
            factory_->createInstance(OUString::createFromAscii(ControlModelService(item.kind))),
            UNO_QUERY_THROW);
        slot.props.set(model, UNO_QUERY_THROW);
        const OUString name = Uno(item.name);
        Set(slot, "Name", Any(name));
        // The model's tab order; controls without one follow in creation order.
        Set(slot, "TabIndex",
            Any(static_cast<int16_t>(item.control->TabIndex >= 0 ? item.control->TabIndex
                                                                 : 1000 + tab)));
        ++tab;
        switch (item.kind) {
            case DialogKind::ListBox:
                Set(slot, "Dropdown", Any(true));
                Set(slot, "LineCount", Any(int16_t{16}));
                break;
            case DialogKind::Tree: {
                Set(slot, "RootDisplayed", Any(false));
                Set(slot, "ShowsHandles", Any(true));
                Set(slot, "ShowsRootHandles", Any(true));
                Set(slot, "SelectionType", Any(css::view::SelectionType_SINGLE));
                break;
            }
            case DialogKind::Button:
                Set(slot, "DefaultButton", Any(item.control->Default));
                break;
            default:
                break;
        }
        controls_->insertByName(name, Any(model));
        slot.control = container->getControl(name);
        slot.listener = new Listener(this, item.control);
        Reference<awt::XWindow> window(slot.control, UNO_QUERY);
        switch (item.kind) {
            case DialogKind::Button:
                Reference<awt::XButton>(slot.control, UNO_QUERY_THROW)
                    ->addActionListener(As<awt::XActionListener>(slot.listener));
                break;
            case DialogKind::CheckBox:
                Reference<awt::XCheckBox>(slot.control, UNO_QUERY_THROW)
                    ->addItemListener(As<awt::XItemListener>(slot.listener));
                break;
            case DialogKind::RadioButton:
                Reference<awt::XRadioButton>(slot.control, UNO_QUERY_THROW)
                    ->addItemListener(As<awt::XItemListener>(slot.listener));
                break;
            case DialogKind::ListBox:
                Reference<awt::XListBox>(slot.control, UNO_QUERY_THROW)
                    ->addItemListener(As<awt::XItemListener>(slot.listener));
                break;
            case DialogKind::Tree:
                Reference<awt::tree::XTreeControl>(slot.control, UNO_QUERY_THROW)
                    ->addSelectionChangeListener(
                        As<css::view::XSelectionChangeListener>(slot.listener));
                if (window.is()) {
                    window->addMouseListener(As<awt::XMouseListener>(slot.listener));
                    window->addKeyListener(As<awt::XKeyListener>(slot.listener));
                }
                break;
            case DialogKind::Label:
            case DialogKind::Image:
            case DialogKind::GroupBox:
                if (window.is()) window->addMouseListener(As<awt::XMouseListener>(slot.listener));
                break;
        }
        slots_.push_back(std::move(slot));
    }
    dialogListener_ = new Listener(this, nullptr);
    if (Reference<awt::XWindow> window(dialog_, UNO_QUERY); window.is())
        window->addWindowListener(As<awt::XWindowListener>(dialogListener_));
}

ModelDialog::Slot* ModelDialog::SlotOf(const Control& control) {
    for (Slot& slot : slots_)
        if (slot.item.control == &control) return &slot;
    return nullptr;
}

void ModelDialog::Sync() {
    if (dialog_ == nullptr || !model_.Loaded()) return;
    syncing_ = true;
    try {
        if (model_.Caption != caption_) {
            caption_ = model_.Caption;
            dialogProps_->setPropertyValue("Title", Any(Uno(caption_)));
        }
        const DialogRect client = DialogClientSize(model_, scale_);
        if (client != client_) {
            client_ = client;
            dialogProps_->setPropertyValue("Width", Any(client.width));
            dialogProps_->setPropertyValue("Height", Any(client.height));
        }
        const std::vector<DialogItem> layout = DialogLayout(model_, scale_);
        for (size_t i = 0; i < slots_.size() && i < layout.size(); ++i) {
            try {
                SyncSlot(slots_[i], layout[i]);
            } catch (const uno::Exception&) {
                // One control the office refuses leaves the others in step.
            }
        }
    } catch (const uno::Exception&) {
    }
    syncing_ = false;
}

void ModelDialog::SyncSlot(Slot& slot, const DialogItem& now) {
    const Control& c = *now.control;
    if (now.rect != slot.rect) {
        slot.rect = now.rect;
        Set(slot, "PositionX", Any(now.rect.x));
        Set(slot, "PositionY", Any(now.rect.y));
        Set(slot, "Width", Any(now.rect.width));
        Set(slot, "Height", Any(now.rect.height));
    }
    if (now.enabled != slot.enabled || !slot.drawn) {
        slot.enabled = now.enabled;
        Set(slot, "Enabled", Any(now.enabled));
    }
    if (now.visible != slot.visible || !slot.drawn) {
        slot.visible = now.visible;
        if (Reference<awt::XWindow> window(slot.control, UNO_QUERY); window.is())
            window->setVisible(now.visible);
    }
    const bool captioned = now.kind == DialogKind::Button || now.kind == DialogKind::Label ||
                           now.kind == DialogKind::GroupBox ||
                           now.kind == DialogKind::RadioButton || now.kind == DialogKind::CheckBox;
    if (c.Caption != slot.caption || !slot.drawn) {
        slot.caption = c.Caption;
        if (captioned) Set(slot, "Label", Any(Uno(DialogLabel(c.Caption))));
    }
    if ((now.kind == DialogKind::CheckBox || now.kind == DialogKind::RadioButton) &&
        c.Value != slot.value) {
        slot.value = c.Value;
        Set(slot, "State", Any(static_cast<int16_t>(c.Value != 0 ? 1 : 0)));
    }
    if (now.kind == DialogKind::Label && c.ForeColor != slot.foreColor) {
        slot.foreColor = c.ForeColor;
        const std::optional<int32_t> color = OfficeColor(c.ForeColor);
        Set(slot, "TextColor", color ? Any(*color) : Any());
    }
    if (now.kind == DialogKind::Button && c.Graphical && c.BackColor != slot.backColor) {
        slot.backColor = c.BackColor;
        const std::optional<int32_t> color = OfficeColor(c.BackColor);
        Set(slot, "BackgroundColor", color ? Any(*color) : Any());
    }
    if (now.kind == DialogKind::ListBox) {
        if (c.List != slot.list) {
            slot.list = c.List;
            slot.listIndex = -2;
            uno::Sequence<OUString> items(static_cast<sal_Int32>(c.List.size()));
            for (size_t i = 0; i < c.List.size(); ++i) items.getArray()[i] = Uno(c.List[i]);
            Set(slot, "StringItemList", Any(items));
        }
        if (c.ListIndex != slot.listIndex) {
            slot.listIndex = c.ListIndex;
            uno::Sequence<int16_t> selected;
            if (c.ListIndex >= 0) {
                selected.realloc(1);
                selected.getArray()[0] = static_cast<int16_t>(c.ListIndex);
            }
            Set(slot, "SelectedItems", Any(selected));
        }
    }
    if (now.kind == DialogKind::Tree) {
        SyncTree(slot);
        SyncTreeSelection(slot);
    }
    if (now.kind == DialogKind::Image) SyncPicture(slot, c.Picture);
    slot.drawn = true;
}

// The model's picture reaches the image control as a graphic the office reads from the
// picture's bitmap file in memory (css.graphic.GraphicProvider, queryGraphic with an
// "InputStream": offapi com/sun/star/graphic/MediaProperties.idl), drawn at its own
// size, as the model's image control shows it.
void ModelDialog::SyncPicture(Slot& slot, const std::optional<platform::Bitmap>& picture) {
    if (slot.drawn && picture == slot.picture) return;
    Set(slot, "ScaleImage", Any(false));
    const std::vector<uint8_t> file =
        picture ? platform::BitmapFileBytes(*picture) : std::vector<uint8_t>();
    if (file.empty()) {
        Set(slot, "Graphic", Any(Reference<css::graphic::XGraphic>()));
        slot.picture = picture;
        return;
    }
    const uno::Sequence<sal_Int8> bytes(reinterpret_cast<const sal_Int8*>(file.data()),
                                        static_cast<sal_Int32>(file.size()));
    uno::Sequence<beans::PropertyValue> source(1);
    source.getArray()[0].Name = "InputStream";
    source.getArray()[0].Value <<=
        css::io::SequenceInputStream::createStreamFromSequence(context_, bytes);
    Reference<css::graphic::XGraphic> graphic =
        css::graphic::GraphicProvider::create(context_)->queryGraphic(source);
    if (!graphic.is()) return;  // tried again at the next refresh
    Set(slot, "Graphic", Any(graphic));
    // Only once drawn: a picture the office refused is tried again at the next refresh.
    slot.picture = picture;
}

// The tree is rebuilt whenever its nodes, their texts or their pictures differ from the
// model's; the list window fills it once before it is shown.
//
// A node's picture is the one its image key names in the window's image list, which the
// build put into the extension (TreeNodeGraphicURL); the tree draws it before the text
// (XMutableTreeNode::setNodeGraphicURL, offapi com/sun/star/awt/tree/XMutableTreeNode.idl).
// The expanded and collapsed graphics stay empty: they are a second picture the tree
// draws before that one, and the model's pictures do not change as a node opens. Nor has
// the tree a selected picture for the model's SelectedImage.
//
// The model's grey for entries of hidden windows (TreeNode::ForeColor) is not drawn: the
// office's tree draws every node's text in the one colour of the whole control. Neither
// XTreeNode nor XMutableTreeNode has a colour (XTreeNode.idl, XMutableTreeNode.idl), nor
// does TreeControlModel name one per node (TreeControlModel.idl). Goto still refuses such
// entries, as the model decides.
void ModelDialog::SyncTree(Slot& slot) {
    const TreeNodes& nodes = slot.item.control->Nodes;
    std::vector<TreeNode*> order;
    std::vector<std::string> texts;
    std::vector<int32_t> images;
    for (int32_t i = 1; i <= nodes.Count(); ++i) {
        order.push_back(&nodes.Item(i));
        texts.push_back(order.back()->Text);
        images.push_back(order.back()->Image);
    }
    if (order == slot.nodes && texts == slot.texts && images == slot.images &&
        !slot.officeNodes.empty())
        return;
    slot.nodes = order;
    slot.texts = texts;
    slot.images = images;
    slot.selected = nullptr;

    Reference<awt::tree::XMutableTreeDataModel> data(
        context_->getServiceManager()->createInstanceWithContext(
            "com.sun.star.awt.tree.MutableTreeDataModel", context_),
        UNO_QUERY_THROW);
    auto root = data->createNode(Any(OUString()), false);
    data->setRoot(root);
    slot.officeNodes.assign(order.size(), nullptr);
    // Parents are added before their children, so one pass in the order of adding finds
    // each parent made.
    for (size_t i = 0; i < order.size(); ++i) {
        auto node = data->createNode(Any(Uno(order[i]->Text)), false);
        node->setDataValue(Any(static_cast<sal_Int32>(i)));
        if (const std::string url = TreeNodeGraphicURL(kExtensionRoot, model_, *order[i]);
            !url.empty())
            node->setNodeGraphicURL(Uno(url));
        Reference<awt::tree::XMutableTreeNode> parent = root;
        if (TreeNode* p = order[i]->Parent(); p != nullptr) {
            for (size_t j = 0; j < i; ++j)
                if (order[j] == p) parent = slot.officeNodes[j];
        }
        parent->appendChild(node);
        slot.officeNodes[i] = node;
    }
    Set(slot, "DataModel", Any(Reference<awt::tree::XTreeDataModel>(data, UNO_QUERY)));
    Reference<awt::tree::XTreeControl> tree(slot.control, UNO_QUERY);
    if (!tree.is()) return;
    for (size_t i = 0; i < order.size(); ++i) {
        if (!order[i]->Expanded || order[i]->Children() == 0) continue;
        try {
            tree->expandNode(Reference<awt::tree::XTreeNode>(slot.officeNodes[i].get()));
        } catch (const uno::Exception&) {
        }
    }
}

void ModelDialog::SyncTreeSelection(Slot& slot) {
    TreeNode* wanted = slot.item.control->SelectedItem;
    if (wanted == slot.selected) return;
    Reference<awt::tree::XTreeControl> tree(slot.control, UNO_QUERY);
    if (!tree.is()) return;
    slot.selected = wanted;
    for (size_t i = 0; i < slot.nodes.size(); ++i) {
        if (slot.nodes[i] == wanted) {
            tree->select(Any(slot.officeNodes[i]));
            return;
        }
    }
    tree->clearSelection();
}

// Every event: the model acts, the dialog follows it, and the dialog ends once the model
// no longer shows. Nothing the core throws may unwind into the office.
void ModelDialog::Act(const std::function<void()>& action) {
    if (syncing_ || dialog_ == nullptr || !model_.Shown()) return;
    Shielded(model_.Name().c_str(), action);
    Sync();
    if (!model_.Shown() && executing_) {
        if (Reference<awt::XDialog> dialog(dialog_, UNO_QUERY); dialog.is()) dialog->endExecute();
    }
}

void ModelDialog::Clicked(Control& control) {
    Act([&] { model_.UserClick(control); });
}

void ModelDialog::ItemChanged(Control& control) {
    Slot* slot = SlotOf(control);
    if (slot == nullptr) return;
    if (control.Kind() == ControlKind::ComboBox) {
        Reference<awt::XListBox> list(slot->control, UNO_QUERY);
        const int32_t index = list.is() ? list->getSelectedItemPos() : -1;
        if (index < 0 || index == control.ListIndex) return;
        Act([&] { model_.UserSelectListItem(control, index); });
        return;
    }
    if (control.Kind() == ControlKind::CheckBox) {
        Reference<awt::XCheckBox> box(slot->control, UNO_QUERY);
        const int32_t state = box.is() ? box->getState() : control.Value;
        // The model toggles the box itself: only a state it does not have yet is a click.
        if (state == control.Value) return;
        Act([&] { model_.UserClick(control); });
        return;
    }
    if (control.Kind() == ControlKind::OptionButton) {
        Reference<awt::XRadioButton> option(slot->control, UNO_QUERY);
        // Only the button that became selected is clicked; the office's group may span
        // other buttons than the model's container, which the next refresh puts right.
        if (option.is() && option->getState() && control.Value == 0)
            Act([&] { model_.UserClick(control); });
        else
            Sync();
    }
}

void ModelDialog::Pressed(Control& control, int32_t clicks) {
    if (control.Kind() == ControlKind::TreeView) {
        if (clicks == 2) Act([&] { model_.UserDblClick(control); });
        return;
    }
    if (clicks == 1) Act([&] { model_.UserClick(control); });
}

void ModelDialog::KeyReleased(int32_t officeKey, int32_t modifiers) {
    const int32_t code = ModelKeyCode(officeKey);
    if (code == 0) return;
    Act([&] {
        model_.UserKey(code, modifiers & (keys::kShiftMask | keys::kCtrlMask | keys::kAltMask));
    });
}

void ModelDialog::TreeSelectionChanged(Control& tree) {
    Slot* slot = SlotOf(tree);
    if (slot == nullptr || syncing_) return;
    Reference<awt::tree::XTreeControl> control(slot->control, UNO_QUERY);
    if (!control.is()) return;
    Reference<awt::tree::XMutableTreeNode> node(control->getSelection(), UNO_QUERY);
    if (!node.is()) return;
    sal_Int32 index = -1;
    if (!(node->getDataValue() >>= index) || index < 0 ||
        index >= static_cast<sal_Int32>(slot->nodes.size()))
        return;
    TreeNode* picked = slot->nodes[static_cast<size_t>(index)];
    slot->selected = picked;
    if (picked == tree.SelectedItem) return;
    Act([&] { model_.UserNodeClick(tree, *picked); });
}

// The dialog's size in pixels is its client area; the model's outer size adds the
// frame it keeps for the window.
void ModelDialog::Resized(int32_t width, int32_t height) {
    if (syncing_ || model_.Border() != tessaly::BorderStyle::SizableToolWindow) return;
    Reference<awt::XUnitConversion> conversion(dialog_, UNO_QUERY);
    if (!conversion.is()) return;
    const awt::Size units =
        conversion->convertSizeToLogic(awt::Size(width, height), css::util::MeasureUnit::APPFONT);
    if (units.Width == client_.width && units.Height == client_.height) return;
    const float outerWidth = ToTwips(units.Width, scale_.twipsPerUnitX) + model_.NonClientWidth();
    const float outerHeight =
        ToTwips(units.Height, scale_.twipsPerUnitY) + model_.NonClientHeight();
    Act([&] { model_.UserResize(outerWidth, outerHeight); });
}

void ModelDialog::Run() {
    Build();
    Sync();
    // The control the model gave the focus as the window appeared.
    if (Control* focus = model_.ActiveControl(); focus != nullptr) {
        if (Slot* slot = SlotOf(*focus); slot != nullptr) {
            if (Reference<awt::XWindow> window(slot->control, UNO_QUERY); window.is())
                window->setFocus();
        }
    }
    Reference<awt::XDialog> dialog(dialog_, UNO_QUERY_THROW);
    Reference<awt::XWindow2> window(dialog_, UNO_QUERY);
    while (model_.Shown()) {
        executing_ = true;
        dialog->execute();
        executing_ = false;
        if (!model_.Shown()) break;
        // Still on the screen: the office did not run the dialog (a headless office
        // cancels every modal run at once).
        if (window.is() && window->isVisible()) {
            if (!KeepWindowsWhenHeadless()) break;  // closed as by its close box
            // The office's events are processed (XToolkitExperimental::processEventsToIdle,
            // offapi com/sun/star/awt/XToolkitExperimental.idl) until the model closes; a driving
            // client posts its actions as main-thread callbacks (css.awt.AsyncCallback), which run
            // here.
            // A request to end the office closes the window as by its close box: nobody is
            // there to close it otherwise.
            Reference<awt::XToolkitExperimental> toolkit(awt::Toolkit::create(context_), UNO_QUERY);
            const unsigned asked = g_endRequests;
            while (model_.Shown() && toolkit.is() && g_endRequests == asked) {
                toolkit->processEventsToIdle();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (!toolkit.is()) break;
            if (model_.Shown()) Act([&] { model_.UserCloseBox(); });
            continue;
        }
        // Closed by its close box or Esc: the model decides (QueryUnload may keep it).
        Act([&] { model_.UserCloseBox(); });
    }
}

void ModelDialog::Close() {
    for (Slot& slot : slots_)
        if (slot.listener.is()) slot.listener->Detach();
    if (dialogListener_.is()) dialogListener_->Detach();
    if (Reference<css::lang::XComponent> component(dialog_, UNO_QUERY); component.is()) {
        try {
            component->dispose();
        } catch (const uno::Exception&) {
        }
    }
    dialog_.clear();
}

void SAL_CALL Listener::actionPerformed(const awt::ActionEvent&) {
    if (owner_ != nullptr && control_ != nullptr) owner_->Clicked(*control_);
}
void SAL_CALL Listener::itemStateChanged(const awt::ItemEvent&) {
    if (owner_ != nullptr && control_ != nullptr) owner_->ItemChanged(*control_);
}
void SAL_CALL Listener::mousePressed(const awt::MouseEvent& e) {
    if (owner_ != nullptr && control_ != nullptr && e.Buttons == awt::MouseButton::LEFT)
        owner_->Pressed(*control_, e.ClickCount);
}
void SAL_CALL Listener::keyReleased(const awt::KeyEvent& e) {
    if (owner_ != nullptr) owner_->KeyReleased(e.KeyCode, e.Modifiers);
}
void SAL_CALL Listener::selectionChanged(const css::lang::EventObject&) {
    if (owner_ != nullptr && control_ != nullptr) owner_->TreeSelectionChanged(*control_);
}
void SAL_CALL Listener::windowResized(const awt::WindowEvent& e) {
    if (owner_ != nullptr && control_ == nullptr) owner_->Resized(e.Width, e.Height);
}

}  // namespace

void CloseKeptWindows() {
    ++g_endRequests;
}

CalcWindows::CalcWindows(Reference<uno::XComponentContext> context)
    : context_(std::move(context)) {}

std::optional<int32_t> CalcWindows::ChooseColor(int32_t initial) {
    // The dialog's one property "Color" (0x00RRGGBB) goes in and comes back; execute
    // answers 0 for Cancel, as the office's own callers of it read it.
    try {
        Reference<awt::XWindow> parent;
        if (auto frame = css::frame::Desktop::create(context_)->getCurrentFrame(); frame.is())
            parent = frame->getContainerWindow();
        Reference<css::ui::dialogs::XExecutableDialog> picker =
            css::cui::ColorPicker::createWithParent(context_, parent);
        Reference<beans::XPropertyAccess> access(picker, UNO_QUERY_THROW);
        uno::Sequence<beans::PropertyValue> in(1);
        in.getArray()[0].Name = "Color";
        in.getArray()[0].Value <<= static_cast<sal_Int32>(OfficeColor(initial).value_or(0));
        access->setPropertyValues(in);
        if (picker->execute() == 0) return std::nullopt;
        for (const beans::PropertyValue& value : access->getPropertyValues()) {
            sal_Int32 color = 0;
            if (value.Name == "Color" && (value.Value >>= color)) return ModelColor(color);
        }
    } catch (const uno::Exception& e) {
        std::fprintf(stderr, "colour dialog: %s\n", Utf8(e.Message).c_str());
    }
    return std::nullopt;
}

void CalcWindows::ShowModal(WindowModel& window) {
    try {
        ModelDialog dialog(context_, window);
        dialog.Run();
    } catch (const uno::Exception& e) {
        // No dialog could be made: the window closes as by its close box.
        std::fprintf(stderr, "%s: %s\n", window.Name().c_str(), Utf8(e.Message).c_str());
    }
}

}  // namespace tessaly::calc
