// A failure that C++ itself cannot carry on (thrown through a frame that may not pass it)
// ends the process at once. The library's own handler would report it in English and pull
// its demangler and a whole printf into the program.
#include <stdlib.h>

namespace __gnu_cxx {

void __verbose_terminate_handler() { abort(); }

}  // namespace __gnu_cxx
