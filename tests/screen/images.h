#pragma once

// The image helpers moved to tests/support/images.h; include that.
#include "tests/support/images.h"
