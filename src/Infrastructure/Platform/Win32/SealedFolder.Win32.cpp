#include "Infrastructure/Platform/SealedFolder.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/Handles.h"
#include "Infrastructure/Platform/Win32/WinText.h"

namespace Infrastructure::Platform {

namespace {

// OW, OWNER RIGHTS (S-1-3-4), stands for whoever owns the folder (the user
// who made it) and replaces the rights an owner has without asking, to read
// and change the security: so the user cannot hand back to themselves what the
// seal takes away. SYSTEM and the Administrators (the elevated installer) keep
// full control; in the user's own token, Administrators only ever denies.
//
// Open, while the launcher fills it: the owner may do everything in the folder
// but change its security or owner, and everything with what is put in it.
constexpr char kOpenSecurity[] = "D:P(A;;0x1301ff;;;OW)(A;OICIIO;FA;;;OW)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
// Sealed: the owner reads and runs, here and (passed down) in what is inside.
constexpr char kSealedSecurity[] = "D:P(A;OICI;FRFX;;;OW)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

HANDLE Handle(std::intptr_t AHandle) {
  return reinterpret_cast<HANDLE>(AHandle);
}

// The descriptor of ASddl, freed with LocalFree; nullptr when it is refused.
PSECURITY_DESCRIPTOR Descriptor(const char* ASddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ConvertStringSecurityDescriptorToSecurityDescriptorA(ASddl, SDDL_REVISION_1, &descriptor, nullptr);
  return descriptor;
}

bool SetSecurity(HANDLE AFolder, const char* ASddl) {
  const PSECURITY_DESCRIPTOR descriptor = Descriptor(ASddl);
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  // Through the handle held since creation: the rights it was granted then
  // are still its own. Inherited entries are passed down to what is inside.
  const bool done =
      descriptor && GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) &&
      SetSecurityInfo(AFolder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                      nullptr, dacl, nullptr) == ERROR_SUCCESS;
  LocalFree(descriptor);
  return done;
}

}  // namespace

void TSealedFolder::Create(const std::string& APath) {
  Remove();
  const Win32::TFileHandle parent(CreateFileW(Win32::ToWide(ParentPath(APath)).c_str(), FILE_TRAVERSE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  std::wstring name = Win32::ToWide(FileNameOf(APath));
  UNICODE_STRING objectName;
  objectName.Buffer = name.data();
  objectName.Length = objectName.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  const PSECURITY_DESCRIPTOR descriptor = Descriptor(kOpenSecurity);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, parent.Get(), descriptor);
  IO_STATUS_BLOCK io;
  HANDLE folder = nullptr;
  // Created with its security in one step, and the creator is granted what it
  // asks for: no other process ever had a moment to open the folder with the
  // right to change its security. Without delete sharing, nobody renames it.
  NTSTATUS status = STATUS_INVALID_PARAMETER;
  if (parent && descriptor)
    status = NtCreateFile(&folder, READ_CONTROL | WRITE_DAC | FILE_LIST_DIRECTORY | SYNCHRONIZE, &attributes, &io,
                          nullptr, FILE_ATTRIBUTE_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE,
                          FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  LocalFree(descriptor);
  if (status < 0) Win32::ThrowFileError("Não foi possível criar a pasta", APath, RtlNtStatusToDosError(status));
  FPath = APath;
  FHandle = reinterpret_cast<std::intptr_t>(folder);
}

bool TSealedFolder::Seal() {
  return FHandle != -1 && SetSecurity(Handle(FHandle), kSealedSecurity);
}

bool TSealedFolder::Remove() {
  if (FPath.empty()) return true;
  if (FHandle != -1) {
    SetSecurity(Handle(FHandle), kOpenSecurity);
    CloseHandle(Handle(FHandle));
    FHandle = -1;
  }
  // A program that has just ended may hold its file for a moment longer.
  bool removed = RemoveDirectoryTree(FPath);
  for (int attempt = 0; !removed && attempt < 20; ++attempt) {
    Sleep(100);
    removed = RemoveDirectoryTree(FPath);
  }
  FPath.clear();
  return removed;
}

}  // namespace Infrastructure::Platform
