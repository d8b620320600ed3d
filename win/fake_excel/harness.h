#pragma once

// The fake Excel's test runs, one per command of the harness.

#include <string>

#include "win/fake_excel/opened_urls.h"

namespace tessaly::fake {

// Registration and the library itself.
void CheckRegistered(const std::wstring& dllPath);
void CheckUnregistered();
void CheckUserRegistered(const std::wstring& dllPath);
void CheckUserUnregistered();
void CheckLibrary(const std::wstring& dllPath);
// The library built for the other bitness, read as data: resources equal to this
// bitness's library (the type library aside) and a type library of its own bitness.
void CheckOtherBitnessLibrary(const std::wstring& otherPath, const std::wstring& ownPath);

// The Windows adapters on their own: error numbers, the Excel adapter against the
// fake, the registry store, the clipboard and the keyboard.
void AdapterScenario();
void PlatformScenario();

// Office's edit mode and host faults at every entry of the library.
void RuleEditModeScenario();
void RuleBarrierScenario();
void RuleHookTimeoutScenario();

// Scenarios that connect the add-in to a fake Excel; false for an unknown name.
bool RunScenario(const std::string& name);

// Office's rules: how COM add-ins are loaded, how events reach their sinks, and whom a
// command-bar click reaches.
void RuleLoading();
void RuleEvents();
void RuleTag();

// Connects the add-in to a fake Excel of that version and prints every control of every
// command bar, one line each.
void DumpBars(const std::string& version);

// The COM benchmark: one scene ("commands", "workbook_marks_on", "workbook_marks_off")
// with that many bookmarks, each case timed so many times; one JSON line per case.
// The number of cases that did not go as meant; -1 for an unknown scene.
int RunBench(const std::string& scene, int bookmarks, int repetitions);

// The scenario names, for the usage text.
std::string ScenarioNames();

}  // namespace tessaly::fake
