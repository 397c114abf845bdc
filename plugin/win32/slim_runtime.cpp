// The DLL only: replacements for the C++ library's error reporting helpers.
//
// The library's own versions build each exception from a message text, which
// links its copy-on-write string and the whole logic_error/runtime_error
// family; the default terminate handler links a symbol demangler to print the
// exception's type on a console the host does not have. Together that is
// about 100 KB of the stripped DLL for texts nobody reads. Here every such error is raised as
// std::bad_alloc, the one exception operator new already links: the plug-in
// catches only with catch (...), so whoever caught the error still does, and
// an uncaught one still terminates.
//
// The linker takes a symbol from the library archive only when no object of
// the DLL defines it, so these must define every helper of the archive member
// they replace; a missing one shows as a duplicate symbol at link time.
#include <cstdlib>
#include <new>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_cast() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_typeid() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_exception() { throw bad_alloc(); }
[[noreturn]] void __throw_logic_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_domain_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_invalid_argument(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_length_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_out_of_range(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { throw bad_alloc(); }
[[noreturn]] void __throw_runtime_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_range_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_overflow_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_underflow_error(const char*) { throw bad_alloc(); }
}  // namespace std
