#pragma once

// The test window moved to tests/support/x_test_window.h; include that.
#include "tests/support/x_test_window.h"
