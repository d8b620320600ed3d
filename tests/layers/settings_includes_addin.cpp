// Compiled with the include access of settings/ by the test layers.wrong_way_include,
// which passes only when the include of addin/ is refused: a layer cannot reach up.
// The include of its own folder comes first, so that a broken include root fails there.
#include "settings/settings_store.h"

#include "addin/Connect.h"
