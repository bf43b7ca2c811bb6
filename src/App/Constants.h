#pragma once
// Application-wide constants. Windows paths: the services receive them through
// their constructors, so tests can point them at a temporary folder.
#include <array>
#include <cstdint>
#include <string_view>

namespace App::Constants {

inline constexpr std::array<std::string_view, 3> ApplicationFolders = {
    "C:\\QuorvaneSoft\\Execs", "C:\\QuorvaneSoft\\Exec", "C:\\QuorvaneSoft"};

inline constexpr std::array<std::string_view, 7> ApplicationExecutableNames = {
    "QuorvaneSoftZentaro.exe",        "QuorvaneSoftAdministrator.exe", "QuorvaneSoftAdministrador.exe",
    "QuorvaneSoft Zentaro.exe",       "QuorvaneSoft Administrator.exe", "QuorvaneSoft Administrador.exe",
    "QuorvaneSoft.exe"};

// Last resort: any *.exe whose name contains this word.
inline constexpr std::string_view ApplicationFilterWord = "Quorvane";

inline constexpr std::array<std::string_view, 2> ConfigFileNames = {"Config.ini", "DuzOzadAzez.xml"};

inline constexpr std::array<std::string_view, 4> ConfigFolders = {
    "C:\\QuorvaneSoft\\Arquivos", "C:\\QuorvaneSoft\\Execs", "C:\\QuorvaneSoft\\Exec", "C:\\QuorvaneSoft"};

inline constexpr bool CloseAfterLaunch = true;

// Alpha-red-green-blue.
inline constexpr uint32_t ColorWarning = 0xFFF9A825;
inline constexpr uint32_t ColorSuccess = 0xFF43A047;
inline constexpr uint32_t ColorError = 0xFFC62828;

}  // namespace App::Constants
