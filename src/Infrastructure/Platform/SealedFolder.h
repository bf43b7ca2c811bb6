#pragma once
// A folder for a program the launcher runs with administrator rights. It is
// always a new folder (one that already exists may have been prepared by
// someone else), and once the program is in it, it is sealed: the user's own
// processes may then only read and run what is inside, add nothing to it and,
// while this object holds it, neither rename nor remove it. The folder goes
// with its content when the object goes.
#include <cstdint>
#include <string>

namespace Infrastructure::Platform {

class TSealedFolder {
 public:
  TSealedFolder() = default;
  ~TSealedFolder() { Remove(); }
  TSealedFolder(const TSealedFolder&) = delete;
  TSealedFolder& operator=(const TSealedFolder&) = delete;

  // Creates the folder APath, whose parent must exist. Throws
  // Core::EFileSystemError when it cannot, also when the name is taken.
  void Create(const std::string& APath);
  const std::string& Path() const { return FPath; }
  // False when the system refuses: the folder is not to be trusted then.
  bool Seal();
  // Gives the user back the right to delete and removes the folder with
  // everything in it; true when it is gone. Nothing to do before Create.
  bool Remove();

 private:
  std::string FPath;
  // Held from creation on: it keeps the right to change the folder's security,
  // which the user loses, and keeps others from renaming or removing it.
  std::intptr_t FHandle = -1;
};

}  // namespace Infrastructure::Platform
