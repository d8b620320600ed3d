#include "win/fake_excel/harness.h"

namespace tessaly::fake {

bool RunScenario(const std::string&) {
    return false;
}

std::string ScenarioNames() {
    return "";
}

}  // namespace tessaly::fake
