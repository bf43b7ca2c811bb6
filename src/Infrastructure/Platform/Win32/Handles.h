#pragma once
// One RAII owner per Win32 handle kind.
#include <windows.h>

#include <utility>

namespace Infrastructure::Platform::Win32 {

template <typename THandle, auto AInvalid, auto AClose>
class TOwnedHandle {
public:
  TOwnedHandle() = default;
  explicit TOwnedHandle(THandle AHandle) : FHandle(AHandle) {}
  ~TOwnedHandle() { Reset(); }
  TOwnedHandle(TOwnedHandle&& AOther) noexcept : FHandle(std::exchange(AOther.FHandle, Invalid())) {}
  TOwnedHandle& operator=(TOwnedHandle&& AOther) noexcept {
    if (this != &AOther) {
      Reset();
      FHandle = std::exchange(AOther.FHandle, Invalid());
    }
    return *this;
  }
  TOwnedHandle(const TOwnedHandle&) = delete;
  TOwnedHandle& operator=(const TOwnedHandle&) = delete;

  THandle Get() const { return FHandle; }
  bool Valid() const { return FHandle != Invalid(); }
  explicit operator bool() const { return Valid(); }
  void Reset(THandle AHandle = Invalid()) {
    if (Valid()) AClose(FHandle);
    FHandle = AHandle;
  }

private:
  static THandle Invalid() { return reinterpret_cast<THandle>(AInvalid); }
  THandle FHandle = Invalid();
};

inline void CloseFileHandle(HANDLE AHandle) { CloseHandle(AHandle); }
inline void CloseFind(HANDLE AHandle) { FindClose(AHandle); }
inline void CloseKernelObject(HANDLE AHandle) { CloseHandle(AHandle); }

// CreateFileW answers INVALID_HANDLE_VALUE on failure; processes, threads and
// events answer NULL: two kinds, so the two sentinels cannot be confused.
using TFileHandle = TOwnedHandle<HANDLE, static_cast<intptr_t>(-1), CloseFileHandle>;
using TFindHandle = TOwnedHandle<HANDLE, static_cast<intptr_t>(-1), CloseFind>;
using TKernelHandle = TOwnedHandle<HANDLE, static_cast<intptr_t>(0), CloseKernelObject>;

}  // namespace Infrastructure::Platform::Win32
