#pragma once

// The public operations of the add-in's connection object, the one place they are
// declared: their automation names, slot order, arguments and results. They are what a
// host (and the keyboard hook, and the shortcut keys' definitions) call by name: the
// calls by name, the COM object's IDispatch and vtable, and the type library's _Connect
// (written from this table at build time) all come from it.
//
// Standard C++ alone: the build machine's resource generator reads it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tessaly {

enum class OperationArgument {
    kNone,
    // A Boolean passed by reference ([in, out] VARIANT_BOOL*): the operation may change it.
    kBooleanByRef,
};

enum class OperationResult {
    kNone,
    // Text ([out, retval] BSTR*).
    kText,
};

struct Operation {
    const char* name;
    OperationArgument argument = OperationArgument::kNone;
    // The argument's name, for callers that pass it by name.
    const char* argumentName = nullptr;
    OperationResult result = OperationResult::kNone;

    constexpr size_t ArgumentCount() const { return argument == OperationArgument::kNone ? 0 : 1; }
};

// In slot order: an operation's slot is its index, and callers by number rely on it.
inline constexpr std::array<Operation, 11> kOperations = {{
    {"subCall_List"},
    {"subCall_AddOrDelete"},
    {"subCall_Next"},
    {"subCall_Befor"},
    {"subBeforOrNext", OperationArgument::kBooleanByRef, "BeforTrueNextFalse"},
    {"subCall_Clear"},
    {"subCall_Setting"},
    {"subCall_Help"},
    {"DesignButtonClick"},
    {"fncAppCaption", OperationArgument::kNone, nullptr, OperationResult::kText},
    {"subCall_DeveloperSite"},
}};

// The automation identifier of slot 0; the others follow in slot order. The value an
// automation server's first method of its first interface gets.
inline constexpr int32_t kFirstOperationDispId = 0x60030000;

// The slot of an operation, names compared without regard to case (ASCII letters, as
// every operation's name is) as an automation caller's are; kOperations.size() when
// there is none.
constexpr size_t OperationSlot(std::string_view name) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (size_t slot = 0; slot < kOperations.size(); ++slot) {
        const std::string_view known = kOperations[slot].name;
        if (known.size() != name.size()) continue;
        size_t i = 0;
        while (i < known.size() && lower(known[i]) == lower(name[i])) ++i;
        if (i == known.size()) return slot;
    }
    return kOperations.size();
}

// Slots of the operations other code refers to (the shortcut keys' rows).
inline constexpr size_t kSlotList = OperationSlot("subCall_List");
inline constexpr size_t kSlotAddOrDelete = OperationSlot("subCall_AddOrDelete");
inline constexpr size_t kSlotNext = OperationSlot("subCall_Next");
inline constexpr size_t kSlotBefor = OperationSlot("subCall_Befor");
inline constexpr size_t kSlotClear = OperationSlot("subCall_Clear");
static_assert(kSlotList < kOperations.size() && kSlotAddOrDelete < kOperations.size() &&
                  kSlotNext < kOperations.size() && kSlotBefor < kOperations.size() &&
                  kSlotClear < kOperations.size(),
              "every named slot is an operation");

}  // namespace tessaly
