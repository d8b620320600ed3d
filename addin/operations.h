#pragma once

// The public operations of Connect, the one place they are declared: their automation
// names, slot order, arguments and results. The calls by name, the COM object's
// IDispatch and vtable, and the type library's _Connect (written from this table at
// build time) all come from it.
//
// Standard C++ alone and no Connect: the build machine's resource generator reads it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

class Connect;

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

// The argument and the result of one call of an operation, as far as it has them.
struct OperationValues {
    bool boolean = false;
    std::string text;
};

// Runs the operation in `slot` (an index of kOperations) on `connect`; `values` carries
// its argument in and its argument and result out.
void CallOperation(Connect& connect, size_t slot, OperationValues& values);

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

}  // namespace tessaly
