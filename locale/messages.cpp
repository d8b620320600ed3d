#include "locale/messages.h"

#include "locale/const.h"
#include "locale/resource_strings.h"

namespace tessaly {

platform::MsgAnswer ShowMessage(platform::Platform& platform, const std::string& text,
                                platform::MsgIcon icon, platform::MsgButtons buttons) {
    return platform.MessageBox(text, kAppTitle, icon, buttons);
}

platform::MsgAnswer ShowResMessage(platform::Platform& platform, int32_t offset,
                                   platform::MsgIcon icon, platform::MsgButtons buttons) {
    return ShowMessage(platform, ResText(offset), icon, buttons);
}

void ShowHostError(platform::Platform& platform, int32_t number, const std::string& description) {
    ShowMessage(platform, "(" + std::to_string(number) + ") " + description,
                platform::MsgIcon::Critical);
}

}  // namespace tessaly
