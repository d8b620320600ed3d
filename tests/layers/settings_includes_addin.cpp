// Compiled with the include access of settings/ by the test layers.wrong_way_include,
// which passes only when the second include is refused: a layer cannot reach up.
#include "settings/settings_store.h"
#include "addin/Connect.h"
