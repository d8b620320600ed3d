#include "locale/os_language.h"

#include "locale/const.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "platform/platform.h"
#include "text/vb_conversions.h"

namespace tessaly {

std::string Function_OSLanguage(platform::Platform& platform) {
    return UCase(platform.LocaleCountryName());
}

void ChooseStringBlock(platform::Platform& platform) {
    // Decided at every connection, so that a later connection under another locale
    // switches the block too.
    lngResBase = (Function_OSLanguage(platform) == "JAPAN") ? kJapaneseBase : kEnglishBase;
    strBarName = ResText(str::kBarName);
}

}  // namespace tessaly
