#pragma once
#include "Core/Interfaces/IVersionResourceReader.h"

namespace Infrastructure::Platform::Win32 {

// GetFileVersionInfoSizeW / GetFileVersionInfoW / VerQueryValueW.
class TVersionResourceReader : public Core::Interfaces::IVersionResourceReader {
public:
  Core::Interfaces::TVersionResource Read(const std::string& AFilePath) override;
};

}  // namespace Infrastructure::Platform::Win32
