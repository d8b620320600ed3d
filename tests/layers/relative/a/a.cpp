// Climbs out of its folder: the layers cannot see where it goes.
#include "../b/b.h"
