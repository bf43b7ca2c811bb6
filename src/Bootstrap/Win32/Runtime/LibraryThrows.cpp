// How the standard library reports its own failures in the launcher's executable.
//
// libstdc++ builds the exceptions it throws (length_error, out_of_range, system_error...) around a
// reference-counted string of its old ABI, and its archive is not split per function: the first of
// those throws pulls in that whole second string implementation and its helpers, about 60 KB of an
// executable that never uses them otherwise. Defining the throw helpers here keeps those archive
// members out. What a caller sees stays the same where it matters: an exception derived from
// std::exception whose what() names the failure; the launcher catches std::exception, never a
// library type. Exceptions that carry no text are still the standard types.
#include <cstddef>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class TLibraryError : public std::exception {
 public:
  explicit TLibraryError(const char* AMessage) noexcept : FMessage(AMessage != nullptr ? AMessage : "") {}
  const char* what() const noexcept override { return FMessage; }

 private:
  const char* FMessage;  // the library passes string literals
};

[[noreturn]] void Fail(const char* AMessage) {
  throw TLibraryError(AMessage);
}

}  // namespace

namespace std {

void __throw_bad_alloc() {
  throw bad_alloc();
}
void __throw_bad_array_new_length() {
  throw bad_array_new_length();
}
void __throw_bad_cast() {
  throw bad_cast();
}
void __throw_bad_typeid() {
  throw bad_typeid();
}
void __throw_bad_exception() {
  throw bad_exception();
}
void __throw_logic_error(const char* AMessage) {
  Fail(AMessage);
}
void __throw_domain_error(const char* AMessage) {
  Fail(AMessage);
}
void __throw_invalid_argument(const char* AMessage) {
  Fail(AMessage);
}
void __throw_length_error(const char* AMessage) {
  Fail(AMessage);
}
void __throw_out_of_range(const char* AMessage) {
  Fail(AMessage);
}
// The format's arguments are left out: the text names the failing function, which is what a
// support log needs.
void __throw_out_of_range_fmt(const char* AFormat, ...) {
  Fail(AFormat);
}
void __throw_runtime_error(const char* AMessage) {
  Fail(AMessage);
}
void __throw_range_error(const char* AMessage) {
  Fail(AMessage);
}
void __throw_overflow_error(const char* AMessage) {
  Fail(AMessage);
}
void __throw_underflow_error(const char* AMessage) {
  Fail(AMessage);
}
// A mutex or thread the system refused; its error code is not kept.
void __throw_system_error(int) {
  Fail("o sistema recusou uma operação de sincronização ou de thread");
}

}  // namespace std
