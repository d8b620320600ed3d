#pragma once

// The add-in's windows under Wine on a real (virtual) display: the list and settings
// windows opened through the real library in the fake Excel, worked with the mouse and
// the keyboard, and photographed.

#include <string>

namespace tessaly::fake::ui {

// Runs the named scenario, saving its screenshots in `shots` (a Windows folder); false
// for an unknown name.
bool RunUiScenario(const std::string& name, const std::wstring& shots);
std::string UiScenarioNames();

}  // namespace tessaly::fake::ui
