// The separator of path elements on this platform. Code that splits or joins
// file-system paths uses these, never a literal.
#pragma once

namespace velt {

#if defined(_WIN32)
constexpr wchar_t kPathSeparator = L'\\';
constexpr const wchar_t* kPathSeparatorString = L"\\";
#else
constexpr wchar_t kPathSeparator = L'/';
constexpr const wchar_t* kPathSeparatorString = L"/";
#endif

// The same in narrow (UTF-8) paths.
constexpr char kNarrowPathSeparator = static_cast<char>(kPathSeparator);

}  // namespace velt
