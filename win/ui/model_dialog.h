#pragma once

// One of the add-in's windows on the Windows desktop, drawn from its window model. The
// dialog is made from a template built from the model's controls (captions, styles,
// tab order, geometry in twips), shown modally over its owner, and kept in step with
// the model after every message: what the user does goes to the model as its User*
// calls, what the model changes comes back to the screen. The model holds all logic.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "forms/window_model.h"
#include "win/common/win32.h"
#include "win/ui/gdi.h"

namespace tessaly::win::ui {

class ModelDialog {
  public:
    ModelDialog(WindowModel& model, HMODULE module, double twipsPerPixelX, double twipsPerPixelY);
    ~ModelDialog();
    ModelDialog(const ModelDialog&) = delete;
    ModelDialog& operator=(const ModelDialog&) = delete;

    // Shows the window over `owner` (disabled meanwhile) and returns when the model is
    // no longer shown, or the window is gone. False when the window could not be made.
    bool RunModal(HWND owner);

  private:
    // A control on the screen and what was last put there from the model.
    struct Slot {
        Control* control = nullptr;
        HWND hwnd = nullptr;
        WORD id = 0;
        std::string caption;
        bool enabled = true;
        bool visible = true;
        RECT bounds{};
        int32_t value = -1;
        int32_t listIndex = -2;
        std::vector<std::string> list;
        int32_t foreColor = 0;
        int32_t backColor = 0;
        std::optional<platform::Bitmap> picture;
        std::optional<PixelRect> dropDown;
    };

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);

    bool Create(HWND owner);
    bool OnScreen(const Control& control) const;
    std::vector<Control*> ScreenControls() const;
    const Control* ContainerOf(const Control& control) const;
    bool EffectivelyEnabled(const Control& control) const;
    bool EffectivelyVisible(const Control& control) const;
    RECT PixelBounds(const Control& control) const;
    int ToPixelsX(float twips) const;
    int ToPixelsY(float twips) const;
    float ToTwipsX(int pixels) const;
    float ToTwipsY(int pixels) const;

    void BuildTree(Slot& slot);
    void FillList(Slot& slot);
    void PlaceWindow();
    void Sync();
    void SyncControl(Slot& slot);
    void SyncPlacement();
    void ReportPlacement();
    void FocusModelControl();
    void SyncFocusToModel();
    // Enter and Esc go to the model; true when the message was taken.
    bool PreTranslate(MSG& message);

    Slot* SlotById(WORD id);
    Slot* SlotByWindow(HWND hwnd);
    void OnCommand(WORD id, WORD code);
    LRESULT OnNotify(const NMHDR& header);
    void DrawItem(const DRAWITEMSTRUCT& item);
    HBRUSH Brush(int32_t modelColor);

    WindowModel& model_;
    HMODULE module_;
    double twipsX_;
    double twipsY_;
    HWND hwnd_ = nullptr;
    std::vector<Slot> slots_;
    std::map<std::string, const Control*> byName_;
    std::map<COLORREF, UniqueBrush> brushes_;
    UniqueImageList treeImages_;
    bool ready_ = false;
    bool applying_ = false;
    bool syncing_ = false;
    // The placement last put on the screen or reported to the model, in twips.
    float left_ = -1;
    float top_ = -1;
    float width_ = -1;
    float height_ = -1;
    std::string caption_;
};

}  // namespace tessaly::win::ui
