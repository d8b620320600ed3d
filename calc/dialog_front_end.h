#pragma once

// The add-in's windows in LibreOffice: each window model is drawn as a dialog that is
// built at run time from the model's controls (css.awt.UnoControlDialogModel and its
// control models, placed by calc/dialog_layout.h), shown modally with XDialog::execute,
// and kept in step with the model after every event: what the user does goes to the
// model as its User* calls, and the model's captions, values, states, lists and tree
// come back to the dialog. The dialog closes when the model is no longer shown.
//
// A headless office does not run dialogs modally (execute returns at once). There the
// window is closed as by its close box, as message boxes are answered at once, unless
// TESSALY_CALC_KEEP_WINDOWS=1 asks to keep it up for a client that drives it (the
// tests): the window then stays until the model closes, the office's events flowing, or
// until the office is asked to end. An office with a window system ignores the switch.

#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "forms/window_model.h"
#include "platform/platform.h"

namespace tessaly::calc {

// The office is asked to end: each window kept up in a headless office closes as by its
// close box (the command that showed it can then end; the office itself is kept from
// ending while it runs).
void CloseKeptWindows();

class CalcWindows final : public platform::Windows {
  public:
    explicit CalcWindows(
        com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context);

    void ShowModal(WindowModel& window) override;
    // The office's own colour dialog (css.cui.ColorPicker); nothing when cancelled or
    // when no dialog runs (a headless office), so the colour stays.
    std::optional<int32_t> ChooseColor(int32_t initial) override;
    // The office's frames have no titles to find by: false.
    bool ActivateWindow(const std::string&) override { return false; }
    // The model's pixel sizes (the key lists' drop-down height) at 96 dots an inch; the
    // dialog itself is placed in its own units, measured on the live dialog.
    double TwipsPerPixelX() override { return 15.0; }
    double TwipsPerPixelY() override { return 15.0; }

  private:
    com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context_;
};

}  // namespace tessaly::calc
