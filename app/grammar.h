#pragma once

// The reader of the program's two grammars: the commands (command_table.cpp) and the
// window actions (window_actions.cpp). Each is a table whose entries carry a name of one
// or two words (and perhaps another word for it), the usage, an example and a one-line
// summary; the same table is both what a line is read by and what help prints.

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "app/text.h"

namespace app {

// The entry whose name the words start with, in any case: two-word names first, then a
// one-word name or its other word. Nothing when no entry has it; `used` tells how many
// words the name took.
template <typename Entry>
const Entry* FindEntry(const std::vector<Entry>& table, const std::vector<std::string>& words,
                       size_t* used) {
    if (words.empty()) return nullptr;
    const std::string first = Lower(words[0]);
    if (words.size() >= 2) {
        const std::string two = first + " " + Lower(words[1]);
        for (const Entry& entry : table) {
            if (two == entry.name) {
                *used = 2;
                return &entry;
            }
        }
    }
    for (const Entry& entry : table) {
        if (first == entry.name || (entry.alias != nullptr && first == entry.alias)) {
            *used = 1;
            return &entry;
        }
    }
    return nullptr;
}

// An entry's help: its usage, its summary, and its example written after `lead`
// ("window " for a window action, which a script queues with that command).
template <typename Entry>
void PrintEntryHelp(std::ostream& out, const Entry& entry, const char* lead = "") {
    out << "  " << entry.usage << '\n'
        << "      " << entry.summary << '\n'
        << "      e.g. " << lead << entry.example << '\n';
}

}  // namespace app
