#include "d/d.h"

#include "a/a.h"
