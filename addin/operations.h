#pragma once

// Running the operations of host/operations.h on a Connect.

#include <cstddef>
#include <string>

#include "host/operations.h"

namespace tessaly {

class Connect;

// The argument and the result of one call of an operation, as far as it has them.
struct OperationValues {
    bool boolean = false;
    std::string text;
};

// Runs the operation in `slot` (an index of kOperations) on `connect`; `values` carries
// its argument in and its argument and result out.
void CallOperation(Connect& connect, size_t slot, OperationValues& values);

}  // namespace tessaly
