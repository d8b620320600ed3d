#pragma once

// A host with nothing but the extension's command bars and no documents, and a settings
// store that holds nothing: what the add-in is connected to when the extension's menu
// and toolbar are read off it at build time, and in the tests of those bars.

#include <optional>
#include <string>

#include "calc/command_bars.h"
#include "calc/host_version.h"
#include "host/host.h"
#include "platform/platform.h"

namespace tessaly::calc {

class BarsOnlyHost final : public host::Application {
  public:
    explicit BarsOnlyHost(CommandBarsModel& bars) : bars_(bars) {}
    const void* Identity() const override { return this; }
    host::EventConnection Advise(host::AppEvents&) override { return {}; }
    host::Ref<host::Workbook> ActiveWorkbook() override { return nullptr; }
    host::Ref<host::Sheet> ActiveSheet() override { return nullptr; }
    host::Ref<host::Range> ActiveCell() override { return nullptr; }
    host::Ref<host::Workbooks> Workbooks() override { NotHere(); }
    host::Ref<host::Worksheet> Worksheets(const std::string&) override { NotHere(); }
    host::Ref<host::Range> Range(const std::string&) override { NotHere(); }
    void Goto(const host::Ref<host::Range>&) override { NotHere(); }
    std::string Version() override { return kCalcHostVersion; }
    std::string Caption() override { return "LibreOffice"; }
    void SetScreenUpdating(bool) override {}
    void OnKey(const std::string&, const std::optional<std::string>&) override {}
    host::Ref<host::CommandBars> CommandBars() override { return bars_.Bars(); }

  private:
    [[noreturn]] static void NotHere() {
        host::Raise(host::err::kNotSupported, "This host has no documents");
    }
    CommandBarsModel& bars_;
};

class NoSettings final : public platform::SettingsStore {
  public:
    std::optional<std::string> Read(const std::string&, const std::string&,
                                    const std::string&) override {
        return std::nullopt;
    }
    void Write(const std::string&, const std::string&, const std::string&,
               const std::string&) override {}
};

}  // namespace tessaly::calc
