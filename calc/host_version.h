#pragma once

namespace tessaly::calc {

// What Application.Version answers in Calc. The add-in reads the version only to choose
// between the menu and toolbar of the other host's versions before 12 and the toolbar
// alone of later ones. Calc has menus, so it answers as a host with menus;
// LibreOffice's own numbers (7.4, 24.2) say nothing about that.
inline constexpr const char* kCalcHostVersion = "11.0";

}  // namespace tessaly::calc
