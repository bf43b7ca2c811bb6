// What the launcher's executable does when an exception escapes everything (std::terminate).
//
// libstdc++'s default handler writes the exception's type and text to standard error, which this
// windowed program does not have, and brings in the library's general name demangler (about
// 76 KB) to do so. Defining the handler here keeps both out; the end is the same: the process
// aborts. The support log names the classes of the exceptions it records itself
// (Infrastructure/Logging/TypeName).
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  std::abort();
}

}  // namespace __gnu_cxx
