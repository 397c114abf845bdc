// The remote tool's suites still name the temporary folder here.
#pragma once
#include "host/temp_dir.h"

using host::TempDir;
