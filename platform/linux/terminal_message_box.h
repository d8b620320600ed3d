#pragma once

// A message box on the terminal: the caption and text on the error stream, and the
// answer read from the input when it is a terminal. Without a terminal every box is
// answered OK.

#include <iosfwd>
#include <string>

#include "platform/platform.h"

namespace linuxplatform {

class TerminalMessageBox {
  public:
    // Standard input and standard error; interactive when standard input is a terminal.
    TerminalMessageBox();
    TerminalMessageBox(std::istream& in, std::ostream& out, bool interactive);

    platform::MsgAnswer Show(const std::string& text, const std::string& caption,
                             platform::MsgIcon icon, platform::MsgButtons buttons);

  private:
    std::istream& in_;
    std::ostream& out_;
    bool interactive_;
};

}  // namespace linuxplatform
