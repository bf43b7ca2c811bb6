#pragma once
// A link to a folder, made the way each system lets a test make one: a
// symbolic link natively; under Wine, which cannot make links itself, a Unix
// symbolic link made by ln (Wine reports it as a reparse point); on Windows a
// junction, which needs no privilege.
#include <string>

namespace TestSupport {

class TFolderLink {
 public:
  TFolderLink(const std::string& ALink, const std::string& ATarget);
  // Removes the link, never what it points at.
  ~TFolderLink();
  TFolderLink(const TFolderLink&) = delete;
  TFolderLink& operator=(const TFolderLink&) = delete;

  // The link is there and the system reports it as one.
  bool Made() const { return FMade; }

 private:
  std::string FLink;
  bool FMade = false;
};

}  // namespace TestSupport
