// The launcher's executable links libstdc++'s name demangler out (about
// 76 KB): its only remaining caller is the default terminate handler, which
// would write the type of an uncaught exception to a standard error this
// windowed program does not have. The logger reads class names itself
// (Infrastructure/Logging/TypeName). Linked with --wrap=__cxa_demangle; the
// handler then prints the name as compiled, the answer for a name it cannot read.
#include <cstddef>

extern "C" char* __wrap___cxa_demangle(const char* /*AMangled*/, char* /*ABuffer*/, std::size_t* /*ALength*/,
                                       int* AStatus) {
  if (AStatus != nullptr) *AStatus = -2;  // "not a valid name under the C++ ABI"
  return nullptr;
}
