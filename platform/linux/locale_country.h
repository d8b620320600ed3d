#pragma once

// The country of the user's locale, in English, as the language decision asks for it.

#include <string>
#include <string_view>

namespace linuxplatform {

// The territory of a POSIX locale name in upper case: "ja_JP.UTF-8" gives "JP",
// "sr_RS@latin" gives "RS"; empty for "C", "POSIX" or a name without one.
std::string TerritoryOfLocaleName(std::string_view localeName);

// English name of an ISO 3166 two-letter country code ("JP" gives "Japan", any case);
// empty when the code is not in the table.
std::string CountryNameOfTerritory(std::string_view territory);

// TESSALY_COUNTRY (an English country name) when it is set and not empty; otherwise
// the country of the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty
// (the order in which the C library picks the locale of messages). Empty when that
// locale names no country or one the table does not know.
std::string LocaleCountryFromEnvironment();

}  // namespace linuxplatform
