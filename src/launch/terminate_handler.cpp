// Replaces the C++ runtime's verbose terminate handler, which names the uncaught exception's type
// through the runtime's demangler: about 45 KB of the exe for a message on a path that ends in abort()
// either way. Linked into the executable as an object of its own (not through the launch library), so
// the linker takes this definition before it searches the runtime's archive.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
