#include "platform/linux/locale_country.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace linuxplatform {

namespace {

struct CountryRow {
    const char* code;
    const char* name;
};

// Sorted by code.
constexpr CountryRow kCountries[] = {
    {"AE", "United Arab Emirates"},
    {"AR", "Argentina"},
    {"AT", "Austria"},
    {"AU", "Australia"},
    {"BD", "Bangladesh"},
    {"BE", "Belgium"},
    {"BG", "Bulgaria"},
    {"BR", "Brazil"},
    {"BY", "Belarus"},
    {"CA", "Canada"},
    {"CH", "Switzerland"},
    {"CL", "Chile"},
    {"CN", "China"},
    {"CO", "Colombia"},
    {"CY", "Cyprus"},
    {"CZ", "Czech Republic"},
    {"DE", "Germany"},
    {"DK", "Denmark"},
    {"EE", "Estonia"},
    {"EG", "Egypt"},
    {"ES", "Spain"},
    {"FI", "Finland"},
    {"FR", "France"},
    {"GB", "United Kingdom"},
    {"GR", "Greece"},
    {"HK", "Hong Kong"},
    {"HR", "Croatia"},
    {"HU", "Hungary"},
    {"ID", "Indonesia"},
    {"IE", "Ireland"},
    {"IL", "Israel"},
    {"IN", "India"},
    {"IR", "Iran"},
    {"IS", "Iceland"},
    {"IT", "Italy"},
    {"JP", "Japan"},
    {"KE", "Kenya"},
    {"KR", "Korea"},
    {"KZ", "Kazakhstan"},
    {"LT", "Lithuania"},
    {"LU", "Luxembourg"},
    {"LV", "Latvia"},
    {"MA", "Morocco"},
    {"MX", "Mexico"},
    {"MY", "Malaysia"},
    {"NG", "Nigeria"},
    {"NL", "Netherlands"},
    {"NO", "Norway"},
    {"NZ", "New Zealand"},
    {"PE", "Peru"},
    {"PH", "Philippines"},
    {"PK", "Pakistan"},
    {"PL", "Poland"},
    {"PT", "Portugal"},
    {"RO", "Romania"},
    {"RS", "Serbia"},
    {"RU", "Russia"},
    {"SA", "Saudi Arabia"},
    {"SE", "Sweden"},
    {"SG", "Singapore"},
    {"SI", "Slovenia"},
    {"SK", "Slovakia"},
    {"TH", "Thailand"},
    {"TR", "Turkey"},
    {"TW", "Taiwan"},
    {"UA", "Ukraine"},
    {"US", "United States"},
    {"UY", "Uruguay"},
    {"VE", "Venezuela"},
    {"VN", "Vietnam"},
    {"ZA", "South Africa"},
};

constexpr bool CodesAscending() {
    for (size_t i = 1; i < std::size(kCountries); ++i)
        if (std::string_view(kCountries[i - 1].code) >= std::string_view(kCountries[i].code))
            return false;
    return true;
}
static_assert(CodesAscending(), "the country table is searched by code and must stay sorted");

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string_view Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string_view(value) : std::string_view();
}

}  // namespace

std::string TerritoryOfLocaleName(std::string_view localeName) {
    // language[_territory][.codeset][@modifier]
    localeName = localeName.substr(0, localeName.find_first_of(".@"));
    const size_t underscore = localeName.find('_');
    if (underscore == std::string_view::npos) return {};
    return Upper(localeName.substr(underscore + 1));
}

std::string CountryNameOfTerritory(std::string_view territory) {
    const std::string code = Upper(territory);
    const auto* end = std::end(kCountries);
    const auto* row =
        std::lower_bound(std::begin(kCountries), end, code,
                         [](const CountryRow& r, const std::string& c) { return r.code < c; });
    if (row == end || row->code != code) return {};
    return row->name;
}

std::string LocaleCountryFromEnvironment() {
    const std::string_view override = Env("TESSALY_COUNTRY");
    if (!override.empty()) return std::string(override);
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::string_view locale = Env(variable);
        if (!locale.empty()) return CountryNameOfTerritory(TerritoryOfLocaleName(locale));
    }
    return {};
}

}  // namespace linuxplatform
