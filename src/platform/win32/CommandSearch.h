// Where configured commands are found on Windows: the folders of
// kCommandSearchPath with %SystemRoot% made this system's Windows folder,
// and the command interpreter among them. Taken from the system, never
// from the engine's environment. For the win32 implementation only.
#pragma once

#include <string>

namespace velt {
namespace platform {

// The Windows folder (GetSystemWindowsDirectoryW) without a trailing
// backslash.
std::wstring WindowsFolder();

// kCommandSearchPath expanded: "C:\Windows\system32;C:\Windows;...".
std::wstring CommandSearchPath();

// cmd.exe of the system folder.
std::wstring CommandInterpreter();

}  // namespace platform
}  // namespace velt
