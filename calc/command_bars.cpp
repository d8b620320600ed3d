#include "calc/command_bars.h"

#include <algorithm>

namespace tessaly::calc {

namespace {

using host::Ref;

[[noreturn]] void InvalidCall() {
    host::Raise(5, "Invalid procedure call or argument");
}
[[noreturn]] void NotSupported() {
    host::Raise(host::err::kNotSupported, "Object doesn't support this property or method");
}
[[noreturn]] void Gone() {
    host::Raise(host::err::kDisconnected,
                "Automation error: the object invoked has disconnected from its clients");
}

bool SameTag(const std::string& a, const std::string& b) {
    return a == b;
}

// Bars are found by name without regard to ASCII case, as the other host finds them.
bool SameBarName(const std::string& a, const std::string& b) {
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return up(x) == up(y); });
}

void Kill(BarData& bar);
void Kill(ControlData& control) {
    control.alive = false;
    control.handlers.clear();
    if (control.popup) Kill(*control.popup);
}
void Kill(BarData& bar) {
    bar.alive = false;
    for (auto& c : bar.controls) Kill(*c);
}

template <class Visit>
void ForEachControl(const BarData& bar, Visit&& visit) {
    for (const auto& c : bar.controls) {
        if (!c->alive) continue;
        visit(c);
        if (c->popup) ForEachControl(*c->popup, visit);
    }
}

class Control;
class Controls;

class Bar final : public host::CommandBar {
  public:
    Bar(CommandBarsModel* m, std::shared_ptr<BarData> b) : m_(m), b_(std::move(b)) {}
    const void* Identity() const override { return b_.get(); }
    std::string Name() override { return Live().name; }
    Ref<host::CommandBarControls> Controls() override;
    Ref<host::CommandBarControl> FindControlByTag(const std::string& tag) override;
    void Delete() override {
        Live();
        Kill(*b_);
        auto& all = m_->bars;
        all.erase(std::remove(all.begin(), all.end(), b_), all.end());
    }
    int32_t Position() override { return Live().position; }
    void SetPosition(int32_t v) override { Live().position = v; }
    int32_t RowIndex() override { return Live().rowIndex; }
    void SetRowIndex(int32_t v) override { Live().rowIndex = v; }
    int32_t Left() override { return Live().left; }
    void SetLeft(int32_t v) override { Live().left = v; }
    int32_t Top() override { return Live().top; }
    void SetTop(int32_t v) override { Live().top = v; }
    bool Visible() override { return Live().visible; }
    void SetVisible(bool v) override { Live().visible = v; }
    void SetProtection(int32_t v) override { Live().protection = v; }

    BarData& LiveData() { return Live(); }

  private:
    BarData& Live() {
        if (!b_->alive) Gone();
        return *b_;
    }
    CommandBarsModel* m_;
    std::shared_ptr<BarData> b_;
};

class Control final : public host::CommandBarControl {
  public:
    Control(CommandBarsModel* m, std::shared_ptr<ControlData> c) : m_(m), c_(std::move(c)) {}
    const void* Identity() const override { return c_.get(); }
    int32_t Id() override { return Live().id; }
    int32_t Type() override { return Live().type; }
    std::string Caption() override { return Live().caption; }
    void SetCaption(const std::string& v) override { Live().caption = v; }
    std::string Tag() override { return Live().tag; }
    void SetTag(const std::string& v) override { Live().tag = v; }
    bool BeginGroup() override { return Live().beginGroup; }
    void SetBeginGroup(bool v) override { Live().beginGroup = v; }
    bool Enabled() override { return Live().enabled; }
    void SetEnabled(bool v) override { Live().enabled = v; }
    std::string OnAction() override { return Live().onAction; }
    void SetOnAction(const std::string& v) override { Live().onAction = v; }
    void Delete() override {
        ControlData& c = Live();
        Kill(c);
        auto& list = c.parent->controls;
        list.erase(std::remove(list.begin(), list.end(), c_), list.end());
    }
    Ref<host::CommandBarControl> Copy(const Ref<host::CommandBar>& bar) override;
    Ref<host::CommandBar> CommandBar() override {
        if (!Live().popup) NotSupported();
        return std::make_shared<Bar>(m_, c_->popup);
    }
    Ref<host::CommandBarControls> Controls() override;
    int32_t Style() override { return Button().style; }
    void SetStyle(int32_t v) override { Button().style = v; }
    int32_t FaceId() override { return Button().faceId; }
    void SetFaceId(int32_t v) override { Button().faceId = v; }
    // The list picture ships with the extension; the face pasted here is not drawn.
    void PasteFace() override { Button(); }
    int32_t State() override { return Button().state; }
    void SetState(int32_t v) override { Button().state = v; }
    host::EventConnection AdviseClick(ClickHandler handler) override {
        ControlData& c = Button();
        const int key = c.nextHandler++;
        c.handlers.emplace(key, std::move(handler));
        std::weak_ptr<ControlData> weak = c_;
        return host::EventConnection([weak, key] {
            if (auto c = weak.lock()) c->handlers.erase(key);
        });
    }

  private:
    ControlData& Live() {
        if (!c_->alive) Gone();
        return *c_;
    }
    ControlData& Button() {
        if (Live().popup) NotSupported();
        return *c_;
    }
    CommandBarsModel* m_;
    std::shared_ptr<ControlData> c_;
};

std::shared_ptr<ControlData> NewControl(BarData& bar, int32_t type) {
    auto c = std::make_shared<ControlData>();
    c->type = type;
    c->parent = &bar;
    if (type == host::mso::kControlPopup) {
        c->popup = std::make_shared<BarData>();
        c->popup->owner = c.get();
    }
    bar.controls.push_back(c);
    return c;
}

void CopyInto(const ControlData& from, BarData& to) {
    auto c = NewControl(to, from.type);
    c->id = from.id;
    c->caption = from.caption;
    c->tag = from.tag;
    c->onAction = from.onAction;
    c->beginGroup = from.beginGroup;
    c->enabled = from.enabled;
    c->style = from.style;
    c->faceId = from.faceId;
    c->state = from.state;
    if (from.popup)
        for (const auto& child : from.popup->controls) CopyInto(*child, *c->popup);
}

class Controls final : public host::CommandBarControls {
  public:
    Controls(CommandBarsModel* m, std::shared_ptr<BarData> b) : m_(m), b_(std::move(b)) {}
    const void* Identity() const override { return &b_->controls; }
    Ref<host::CommandBarControl> Add(int32_t type, bool) override {
        if (type != host::mso::kControlButton && type != host::mso::kControlPopup) InvalidCall();
        return std::make_shared<Control>(m_, NewControl(Live(), type));
    }
    int32_t Count() override { return static_cast<int32_t>(Live().controls.size()); }
    Ref<host::CommandBarControl> Item(int32_t index) override {
        auto& list = Live().controls;
        if (index < 1 || index > static_cast<int32_t>(list.size())) InvalidCall();
        return std::make_shared<Control>(m_, list[index - 1]);
    }

  private:
    BarData& Live() {
        if (!b_->alive) Gone();
        return *b_;
    }
    CommandBarsModel* m_;
    std::shared_ptr<BarData> b_;
};

Ref<host::CommandBarControls> Bar::Controls() {
    Live();
    return std::make_shared<calc::Controls>(m_, b_);
}

Ref<host::CommandBarControl> Bar::FindControlByTag(const std::string& tag) {
    std::shared_ptr<ControlData> found;
    ForEachControl(Live(), [&](const std::shared_ptr<ControlData>& c) {
        if (!found && SameTag(c->tag, tag)) found = c;
    });
    return found ? std::make_shared<Control>(m_, found) : nullptr;
}

Ref<host::CommandBarControls> Control::Controls() {
    if (!Live().popup) NotSupported();
    return std::make_shared<calc::Controls>(m_, c_->popup);
}

Ref<host::CommandBarControl> Control::Copy(const Ref<host::CommandBar>& bar) {
    ControlData& from = Live();
    auto* target = dynamic_cast<Bar*>(bar.get());
    if (target == nullptr) InvalidCall();
    BarData& to = target->LiveData();
    CopyInto(from, to);  // appended at the end of the bar
    return std::make_shared<Control>(m_, to.controls.back());
}

class Bars final : public host::CommandBars {
  public:
    explicit Bars(CommandBarsModel* m) : m_(m) {}
    const void* Identity() const override { return m_; }
    Ref<host::CommandBar> Item(int32_t index) override {
        if (index < 1 || index > static_cast<int32_t>(m_->bars.size())) InvalidCall();
        return std::make_shared<Bar>(m_, m_->bars[index - 1]);
    }
    Ref<host::CommandBar> Item(const std::string& name) override {
        for (const auto& b : m_->bars)
            if (SameBarName(b->name, name)) return std::make_shared<Bar>(m_, b);
        InvalidCall();
    }
    Ref<host::CommandBar> Add(const std::string& name, int32_t position, bool, bool) override {
        for (const auto& b : m_->bars)
            if (SameBarName(b->name, name)) InvalidCall();
        auto b = std::make_shared<BarData>();
        b->name = name;
        b->position = position;
        m_->bars.push_back(b);
        return std::make_shared<Bar>(m_, b);
    }
    // Calc has none of the other host's built-in controls (the readiness and design-mode
    // buttons among them), so every search by id finds nothing.
    Ref<host::CommandBarControl> FindControl(int32_t id) override {
        std::shared_ptr<ControlData> found;
        for (const auto& b : m_->bars)
            ForEachControl(*b, [&](const std::shared_ptr<ControlData>& c) {
                if (!found && c->id == id && c->id != 1) found = c;
            });
        return found ? std::make_shared<Control>(m_, found) : nullptr;
    }
    Ref<host::CommandBarControl> FindControlByTag(const std::string& tag) override {
        auto found = m_->FindByTag(tag);
        return found ? std::make_shared<Control>(m_, found) : nullptr;
    }
    std::optional<std::vector<Ref<host::CommandBarControl>>> FindControls(int32_t id) override {
        std::vector<Ref<host::CommandBarControl>> all;
        for (const auto& b : m_->bars)
            ForEachControl(*b, [&](const std::shared_ptr<ControlData>& c) {
                if (c->id == id) all.push_back(std::make_shared<Control>(m_, c));
            });
        if (all.empty()) return std::nullopt;
        return all;
    }

  private:
    CommandBarsModel* m_;
};

}  // namespace

CommandBarsModel::CommandBarsModel() {
    auto menuBar = std::make_shared<BarData>();
    menuBar->name = "Worksheet Menu Bar";
    bars.push_back(menuBar);
}

host::Ref<host::CommandBars> CommandBarsModel::Bars() {
    return std::make_shared<calc::Bars>(this);
}

std::shared_ptr<ControlData> CommandBarsModel::FindByTag(const std::string& tag) const {
    std::shared_ptr<ControlData> found;
    for (const auto& b : bars)
        ForEachControl(*b, [&](const std::shared_ptr<ControlData>& c) {
            if (!found && SameTag(c->tag, tag)) found = c;
        });
    return found;
}

bool CommandBarsModel::Click(const std::string& tag) {
    std::vector<std::shared_ptr<ControlData>> targets;
    for (const auto& b : bars)
        ForEachControl(*b, [&](const std::shared_ptr<ControlData>& c) {
            if (SameTag(c->tag, tag) && c->type == host::mso::kControlButton) targets.push_back(c);
        });
    if (targets.empty()) return false;
    for (const auto& c : targets) {
        if (!c->alive || !c->enabled) continue;
        // A handler may disconnect others; run over a copy.
        auto handlers = c->handlers;
        bool cancel = false;
        Ref<host::CommandBarControl> handle = std::make_shared<Control>(this, c);
        for (auto& [key, handler] : handlers) handler(handle, cancel);
    }
    return true;
}

EntryState CommandBarsModel::State(const std::string& tag) const {
    auto c = FindByTag(tag);
    if (!c) return {};
    return {true, c->enabled, c->state == host::mso::kButtonDown};
}

}  // namespace tessaly::calc
