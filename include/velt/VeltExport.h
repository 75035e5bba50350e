// Symbol export for the engine library. Everything is hidden by default;
// the classes front ends use are marked VELT_API.
#pragma once

#if defined(_WIN32)
#  if defined(VELT_BUILDING_ENGINE)
#    define VELT_API __declspec(dllexport)
#  else
#    define VELT_API __declspec(dllimport)
#  endif
#else
#  define VELT_API __attribute__((visibility("default")))
#endif
