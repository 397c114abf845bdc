// Test hook: behave as on Windows XP, where the newer functions are missing.
#pragma once

namespace plat::win32 {

void hide_newer_functions(bool hide);

}  // namespace plat::win32
