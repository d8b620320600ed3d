// The simulated host's command bars: the built-in bars, their search and the handles.

#include <algorithm>

#include "sim/model.h"
#include "sim/sim_platform.h"

namespace sim::detail {

// ---------------------------------------------------------------- model

BarData* Model::NewBar(const std::string& name) {
    allBars.push_back(std::make_unique<BarData>());
    BarData* b = allBars.back().get();
    b->name = name;
    return b;
}

CtrlData* Model::NewControl(BarData* bar, int32_t type, bool temporary) {
    allCtrls.push_back(std::make_unique<CtrlData>());
    CtrlData* c = allCtrls.back().get();
    c->type = type;
    c->temporary = temporary;
    c->parent = bar;
    if (type == host::mso::kControlPopup) {
        c->popupBar = NewBar("");
        c->popupBar->owner = c;
        c->popupBar->position = 5;  // a popup's own bar
    }
    bar->controls.push_back(c);
    return c;
}

CtrlData* Model::CopyControl(const CtrlData* from, BarData* to) {
    CtrlData* c = NewControl(to, from->type, false);
    c->id = from->id;
    c->caption = from->caption;
    c->tag = from->tag;
    c->onAction = from->onAction;
    c->beginGroup = from->beginGroup;
    c->enabled = from->enabled;
    c->style = from->style;
    c->faceId = from->faceId;
    c->face = from->face;
    c->state = from->state;
    c->builtIn = from->builtIn;
    if (from->popupBar)
        for (const CtrlData* child : from->popupBar->controls) CopyControl(child, c->popupBar);
    return c;
}

void Model::KillControl(CtrlData* c) {
    c->alive = false;
    c->handlers.clear();
    if (c->popupBar) KillBar(c->popupBar);
}

void Model::KillBar(BarData* b) {
    b->alive = false;
    for (CtrlData* c : b->controls) KillControl(c);
}

void Model::RemoveControl(CtrlData* c) {
    auto& v = c->parent->controls;
    v.erase(std::remove(v.begin(), v.end(), c), v.end());
    KillControl(c);
}

BarData* Model::FindBar(const std::string& name) const {
    for (BarData* b : bars)
        if (SameText(b->name, name)) return b;
    return nullptr;
}

std::vector<CtrlData*> Model::AllControls() const {
    std::vector<CtrlData*> out;
    FindInAllBars([&](CtrlData* c) {
        out.push_back(c);
        return false;
    });
    return out;
}

void Model::SetDesignMode(bool on) {
    designMode = on;
    for (CtrlData* c : AllControls())
        if (c->id == host::mso::kIdDesignMode && c->type == host::mso::kControlButton)
            c->state = on ? host::mso::kButtonDown : host::mso::kButtonUp;
}

namespace {

struct BuiltIn {
    int32_t id;
    const char* caption;
};

}  // namespace

void Model::BuildBuiltInBars() {
    auto bar = [&](const char* name, bool visible, int32_t position, int32_t row) {
        BarData* b = NewBar(name);
        b->builtIn = true;
        b->visible = visible;
        b->position = position;
        b->rowIndex = row;
        bars.push_back(b);
        return b;
    };
    auto buttons = [&](BarData* b, std::initializer_list<BuiltIn> items) {
        for (const BuiltIn& item : items) {
            CtrlData* c = NewControl(b, host::mso::kControlButton, false);
            c->id = item.id;
            c->caption = item.caption;
            c->builtIn = true;
        }
    };
    auto popup = [&](BarData* b, int32_t id, const char* caption,
                     std::initializer_list<BuiltIn> items) {
        CtrlData* p = NewControl(b, host::mso::kControlPopup, false);
        p->id = id;
        p->caption = caption;
        p->builtIn = true;
        p->popupBar->name = caption;
        buttons(p->popupBar, items);
    };

    BarData* menu = bar("Worksheet Menu Bar", true, host::mso::kBarTop, 1);
    menu->menuBar = true;
    popup(menu, 30002, "&File",
          {{18, "&New..."},
           {23, "&Open..."},
           {106, "&Close"},
           {3, "&Save"},
           {748, "Save &As..."},
           {4, "&Print..."},
           {752, "E&xit"}});
    popup(menu, 30003, "&Edit",
          {{128, "&Undo"}, {21, "Cu&t"}, {19, "&Copy"}, {22, "&Paste"}, {478, "&Delete..."}});
    popup(menu, 30004, "&View", {{723, "&Normal"}, {30045, "&Toolbars"}});
    popup(menu, 30005, "&Insert", {{296, "&Rows"}, {297, "&Columns"}, {852, "&Worksheet"}});
    popup(menu, 30006, "F&ormat", {{855, "C&ells..."}});
    popup(menu, 30007, "&Tools", {{522, "&Options..."}});
    popup(menu, 30011, "&Data", {{928, "&Sort..."}, {899, "&Filter"}});
    popup(menu, 30009, "&Window", {{303, "&New Window"}, {865, "&Hide"}});
    popup(menu, 30010, "&Help", {{927, "&About"}});

    BarData* standard = bar("Standard", true, host::mso::kBarTop, 2);
    buttons(standard, {{2520, "&New"},
                       {23, "&Open"},
                       {3, "&Save"},
                       {2521, "&Print"},
                       {21, "Cu&t"},
                       {19, "&Copy"},
                       {22, "&Paste"}});
    BarData* formatting = bar("Formatting", true, host::mso::kBarTop, 3);
    buttons(formatting, {{113, "&Bold"}, {114, "&Italic"}, {115, "&Underline"}});
    BarData* vb = bar("Visual Basic", false, host::mso::kBarTop, 4);
    buttons(vb, {{186, "&Macros..."},
                 {184, "&Record New Macro..."},
                 {1695, "Control Toolbox"},
                 {host::mso::kIdDesignMode, "&Design Mode"}});
    BarData* toolbox = bar("Control Toolbox", false, host::mso::kBarFloating, 0);
    buttons(
        toolbox,
        {{host::mso::kIdDesignMode, "&Design Mode"}, {1604, "&Properties"}, {1561, "&View Code"}});
}

ControlInfo Model::Inspect(const CtrlData* c) {
    ControlInfo info;
    info.id = c->id;
    info.type = c->type;
    info.caption = c->caption;
    info.tag = c->tag;
    info.beginGroup = c->beginGroup;
    info.enabled = c->enabled;
    info.onAction = c->onAction;
    info.style = c->style;
    info.faceId = c->faceId;
    info.hasPastedFace = c->face.has_value();
    if (c->face) info.pastedFace = *c->face;
    info.state = c->state;
    info.temporary = c->temporary;
    info.builtIn = c->builtIn;
    info.clickHandlers = static_cast<int32_t>(c->handlers.size());
    if (c->popupBar)
        for (const CtrlData* child : c->popupBar->controls) info.controls.push_back(Inspect(child));
    return info;
}

CommandBarInfo Model::Inspect(const BarData* b) {
    CommandBarInfo info;
    info.name = b->name;
    info.position = b->position;
    info.rowIndex = b->rowIndex;
    info.left = b->left;
    info.top = b->top;
    info.visible = b->visible;
    info.protection = b->protection;
    info.temporary = b->temporary;
    info.menuBar = b->menuBar;
    info.builtIn = b->builtIn;
    for (const CtrlData* c : b->controls) info.controls.push_back(Inspect(c));
    return info;
}

// ---------------------------------------------------------------- handles

namespace {

using host::Ref;
using M = Member;

class BarImpl;

class CommandBarsImpl : public host::CommandBars {
  public:
    explicit CommandBarsImpl(std::shared_ptr<Model> m) : m_(std::move(m)) {}
    const void* Identity() const override { return &m_->commandBarsTag; }
    Ref<host::CommandBar> Item(int32_t index) override {
        m_->Enter(M::CommandBars_Item);
        if (index < 1 || index > static_cast<int32_t>(m_->bars.size()))
            InvalidCall("Invalid procedure call or argument");
        return m_->MakeBar(m_->bars[index - 1]);
    }
    Ref<host::CommandBar> Item(const std::string& name) override {
        m_->Enter(M::CommandBars_Item);
        BarData* b = m_->FindBar(name);
        if (!b) InvalidCall("Invalid procedure call or argument");
        return m_->MakeBar(b);
    }
    Ref<host::CommandBar> Add(const std::string& name, int32_t position, bool menuBar,
                              bool temporary) override {
        m_->Enter(M::CommandBars_Add);
        if (m_->FindBar(name)) InvalidCall("Invalid procedure call or argument");
        // Left, top, right, bottom, floating or popup.
        if (position < 0 || position > 5) InvalidCall("Invalid procedure call or argument");
        std::string barName = name;
        for (int n = 1; barName.empty(); ++n)
            if (!m_->FindBar("Custom " + std::to_string(n)))
                barName = "Custom " + std::to_string(n);
        BarData* b = m_->NewBar(barName);
        b->position = position;
        b->menuBar = menuBar;
        b->temporary = temporary;
        m_->bars.push_back(b);
        return m_->MakeBar(b);
    }
    Ref<host::CommandBarControl> FindControl(int32_t id) override {
        m_->Enter(M::CommandBars_FindControl);
        CtrlData* c = m_->FindInAllBars([id](CtrlData* c) { return c->id == id; });
        return c ? m_->MakeControl(c) : nullptr;
    }
    Ref<host::CommandBarControl> FindControlByTag(const std::string& tag) override {
        m_->Enter(M::CommandBars_FindControlByTag);
        CtrlData* c = m_->FindInAllBars([&](CtrlData* c) { return c->tag == tag; });
        return c ? m_->MakeControl(c) : nullptr;
    }
    std::optional<std::vector<Ref<host::CommandBarControl>>> FindControls(int32_t id) override {
        m_->Enter(M::CommandBars_FindControls);
        std::vector<Ref<host::CommandBarControl>> found;
        for (CtrlData* c : m_->AllControls())
            if (c->id == id) found.push_back(m_->MakeControl(c));
        if (found.empty()) return std::nullopt;
        return found;
    }

  private:
    std::shared_ptr<Model> m_;
};

class ControlsImpl : public host::CommandBarControls {
  public:
    ControlsImpl(std::shared_ptr<Model> m, BarData* b) : m_(std::move(m)), b_(b) {}
    const void* Identity() const override { return &b_->controlsTag; }
    Ref<host::CommandBarControl> Add(int32_t type, bool temporary) override {
        m_->Enter(M::CommandBarControls_Add);
        Check();
        if (type != host::mso::kControlButton && type != host::mso::kControlPopup)
            InvalidCall("Invalid procedure call or argument");
        return m_->MakeControl(m_->NewControl(b_, type, temporary));
    }
    int32_t Count() override {
        m_->Enter(M::CommandBarControls_Count);
        Check();
        return static_cast<int32_t>(b_->controls.size());
    }
    Ref<host::CommandBarControl> Item(int32_t index) override {
        m_->Enter(M::CommandBarControls_Item);
        Check();
        if (index < 1 || index > static_cast<int32_t>(b_->controls.size()))
            InvalidCall("Invalid procedure call or argument");
        return m_->MakeControl(b_->controls[index - 1]);
    }

  private:
    void Check() const {
        if (!b_->alive) Disconnected();
    }
    std::shared_ptr<Model> m_;
    BarData* b_;
};

class BarImpl : public host::CommandBar {
  public:
    BarImpl(std::shared_ptr<Model> m, BarData* b) : m_(std::move(m)), b_(b) {}
    const void* Identity() const override { return b_; }
    std::string Name() override {
        m_->Enter(M::CommandBar_Name);
        Check();
        return b_->owner ? b_->owner->caption : b_->name;
    }
    Ref<host::CommandBarControls> Controls() override {
        m_->Enter(M::CommandBar_Controls);
        Check();
        return std::make_shared<ControlsImpl>(m_, b_);
    }
    Ref<host::CommandBarControl> FindControlByTag(const std::string& tag) override {
        m_->Enter(M::CommandBar_FindControlByTag);
        Check();
        CtrlData* c = m_->FindInBar(b_, [&](CtrlData* c) { return c->tag == tag; });
        return c ? m_->MakeControl(c) : nullptr;
    }
    void Delete() override {
        m_->Enter(M::CommandBar_Delete);
        Check();
        if (b_->builtIn || b_->owner) InvalidCall("Invalid procedure call or argument");
        auto& v = m_->bars;
        v.erase(std::remove(v.begin(), v.end(), b_), v.end());
        m_->KillBar(b_);
    }
    int32_t Position() override {
        m_->Enter(M::CommandBar_Position);
        Check();
        return b_->position;
    }
    void SetPosition(int32_t v) override {
        m_->Enter(M::CommandBar_SetPosition);
        Check();
        // A bar can be docked or floated, not turned into a popup.
        if (v < 0 || v > 4 || b_->owner) InvalidCall("Invalid procedure call or argument");
        b_->position = v;
    }
    int32_t RowIndex() override {
        m_->Enter(M::CommandBar_RowIndex);
        Check();
        return b_->rowIndex;
    }
    void SetRowIndex(int32_t v) override {
        m_->Enter(M::CommandBar_SetRowIndex);
        Check();
        b_->rowIndex = v;
    }
    int32_t Left() override {
        m_->Enter(M::CommandBar_Left);
        Check();
        return b_->left;
    }
    void SetLeft(int32_t v) override {
        m_->Enter(M::CommandBar_SetLeft);
        Check();
        b_->left = v;
    }
    int32_t Top() override {
        m_->Enter(M::CommandBar_Top);
        Check();
        return b_->top;
    }
    void SetTop(int32_t v) override {
        m_->Enter(M::CommandBar_SetTop);
        Check();
        b_->top = v;
    }
    bool Visible() override {
        m_->Enter(M::CommandBar_Visible);
        Check();
        return b_->visible;
    }
    void SetVisible(bool v) override {
        m_->Enter(M::CommandBar_SetVisible);
        Check();
        b_->visible = v;
    }
    void SetProtection(int32_t v) override {
        m_->Enter(M::CommandBar_SetProtection);
        Check();
        b_->protection = v;
    }

    BarData* Data() const { return b_; }

  private:
    void Check() const {
        if (!b_->alive) Disconnected();
    }
    std::shared_ptr<Model> m_;
    BarData* b_;
};

class ControlImpl : public host::CommandBarControl {
  public:
    ControlImpl(std::shared_ptr<Model> m, CtrlData* c) : m_(std::move(m)), c_(c) {}
    const void* Identity() const override { return c_; }

    int32_t Id() override {
        m_->Enter(M::CommandBarControl_Id);
        Check();
        return c_->id;
    }
    int32_t Type() override {
        m_->Enter(M::CommandBarControl_Type);
        Check();
        return c_->type;
    }
    std::string Caption() override {
        m_->Enter(M::CommandBarControl_Caption);
        Check();
        return c_->caption;
    }
    void SetCaption(const std::string& v) override {
        m_->Enter(M::CommandBarControl_SetCaption);
        Check();
        c_->caption = v;
    }
    std::string Tag() override {
        m_->Enter(M::CommandBarControl_Tag);
        Check();
        return c_->tag;
    }
    void SetTag(const std::string& v) override {
        m_->Enter(M::CommandBarControl_SetTag);
        Check();
        c_->tag = v;
    }
    bool BeginGroup() override {
        m_->Enter(M::CommandBarControl_BeginGroup);
        Check();
        return c_->beginGroup;
    }
    void SetBeginGroup(bool v) override {
        m_->Enter(M::CommandBarControl_SetBeginGroup);
        Check();
        c_->beginGroup = v;
    }
    bool Enabled() override {
        m_->Enter(M::CommandBarControl_Enabled);
        Check();
        return c_->enabled;
    }
    void SetEnabled(bool v) override {
        m_->Enter(M::CommandBarControl_SetEnabled);
        Check();
        c_->enabled = v;
    }
    std::string OnAction() override {
        m_->Enter(M::CommandBarControl_OnAction);
        Check();
        return c_->onAction;
    }
    void SetOnAction(const std::string& v) override {
        m_->Enter(M::CommandBarControl_SetOnAction);
        Check();
        c_->onAction = v;
    }
    void Delete() override {
        m_->Enter(M::CommandBarControl_Delete);
        Check();
        m_->RemoveControl(c_);
    }
    Ref<host::CommandBarControl> Copy(const Ref<host::CommandBar>& bar) override {
        m_->Enter(M::CommandBarControl_Copy);
        Check();
        BarData* to = c_->parent;
        if (bar) {
            auto* target = dynamic_cast<BarImpl*>(bar.get());
            if (!target) host::Raise(host::err::kTypeMismatch, "Type mismatch");
            to = target->Data();
        }
        if (!to->alive) Disconnected();
        return m_->MakeControl(m_->CopyControl(c_, to));
    }
    Ref<host::CommandBar> CommandBar() override {
        m_->Enter(M::CommandBarControl_CommandBar);
        CheckPopup();
        return m_->MakeBar(c_->popupBar);
    }
    Ref<host::CommandBarControls> Controls() override {
        m_->Enter(M::CommandBarControl_Controls);
        CheckPopup();
        return std::make_shared<ControlsImpl>(m_, c_->popupBar);
    }
    int32_t Style() override {
        m_->Enter(M::CommandBarControl_Style);
        CheckButton();
        return c_->style;
    }
    void SetStyle(int32_t v) override {
        m_->Enter(M::CommandBarControl_SetStyle);
        CheckButton();
        if (v < 0 || v > 19) InvalidCall("Invalid procedure call or argument");
        c_->style = v;
    }
    int32_t FaceId() override {
        m_->Enter(M::CommandBarControl_FaceId);
        CheckButton();
        return c_->faceId;
    }
    void SetFaceId(int32_t v) override {
        m_->Enter(M::CommandBarControl_SetFaceId);
        CheckButton();
        if (v < 0) InvalidCall("Invalid procedure call or argument");
        c_->faceId = v;
        c_->face.reset();
    }
    void PasteFace() override {
        m_->Enter(M::CommandBarControl_PasteFace);
        CheckButton();
        const std::string failed = "Method 'PasteFace' of object '_CommandBarButton' failed";
        if (!m_->clipboard) host::Raise(host::err::kUnspecified, failed);
        if (auto* sim = dynamic_cast<SimClipboard*>(m_->clipboard)) {
            auto bitmap = sim->GetBitmap();
            if (!bitmap) host::Raise(host::err::kUnspecified, failed);
            c_->face = *bitmap;
        } else {
            // A clipboard that cannot be read back: the face is there, its pixels unknown.
            c_->face = platform::Bitmap{};
        }
        c_->faceId = 0;
    }
    int32_t State() override {
        m_->Enter(M::CommandBarControl_State);
        CheckButton();
        return c_->state;
    }
    void SetState(int32_t v) override {
        m_->Enter(M::CommandBarControl_SetState);
        CheckButton();
        if (v != host::mso::kButtonUp && v != host::mso::kButtonDown && v != 2)
            InvalidCall("Invalid procedure call or argument");
        c_->state = v;
    }
    host::EventConnection AdviseClick(ClickHandler handler) override {
        m_->Enter(M::CommandBarControl_AdviseClick);
        CheckButton();
        int id = m_->nextSinkId++;
        c_->handlers.emplace_back(id, std::move(handler));
        std::weak_ptr<Model> weak = m_;
        CtrlData* c = c_;
        return host::EventConnection([weak, c, id] {
            if (auto m = weak.lock()) {
                auto& h = c->handlers;
                h.erase(std::remove_if(h.begin(), h.end(), [id](auto& p) { return p.first == id; }),
                        h.end());
            }
        });
    }

  private:
    void Check() const {
        if (!c_->alive) Disconnected();
    }
    void CheckButton() const {
        Check();
        if (c_->type != host::mso::kControlButton) NotSupported();
    }
    void CheckPopup() const {
        Check();
        if (c_->type != host::mso::kControlPopup) NotSupported();
    }
    std::shared_ptr<Model> m_;
    CtrlData* c_;
};

}  // namespace

Ref<host::CommandBars> Model::MakeCommandBars() {
    return std::make_shared<CommandBarsImpl>(Self());
}
Ref<host::CommandBar> Model::MakeBar(BarData* b) {
    return std::make_shared<BarImpl>(Self(), b);
}
Ref<host::CommandBarControl> Model::MakeControl(CtrlData* c) {
    return std::make_shared<ControlImpl>(Self(), c);
}

}  // namespace sim::detail
