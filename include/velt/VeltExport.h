// Symbol export for the engine library, and the few compiler-specific forms
// the public headers need, each with a GCC/Clang, a MinGW and an MSVC
// spelling. Everything is hidden by default; the classes front ends use are
// marked VELT_API.
#pragma once

#if defined(_WIN32)
#if defined(VELT_BUILDING_ENGINE)
#define VELT_API __declspec(dllexport)
#else
#define VELT_API __declspec(dllimport)
#endif
#else
#define VELT_API __attribute__((visibility("default")))
#endif

// VELT_PRINTF_FORMAT(formatAt, valuesAt): the function takes a printf format
// as its parameter number `formatAt` and the values from `valuesAt` on,
// so that the compiler checks them. MinGW's C++ runtime formats like the C
// standard (its ANSI stdio), not like the Microsoft runtime; MSVC checks
// nothing here.
#if defined(__MINGW32__) && !defined(__clang__)
#define VELT_PRINTF_FORMAT(formatAt, valuesAt) \
  __attribute__((format(gnu_printf, formatAt, valuesAt)))
#elif defined(__GNUC__) || defined(__clang__)
#define VELT_PRINTF_FORMAT(formatAt, valuesAt) __attribute__((format(printf, formatAt, valuesAt)))
#else
#define VELT_PRINTF_FORMAT(formatAt, valuesAt)
#endif

// VELT_FUNCTION_SIGNATURE: the enclosing function's full signature, with its
// class and namespaces ("long ns::Class::member(int)").
#if defined(_MSC_VER) && !defined(__clang__)
#define VELT_FUNCTION_SIGNATURE __FUNCSIG__
#else
#define VELT_FUNCTION_SIGNATURE __PRETTY_FUNCTION__
#endif

// VELT_COMMA_ARGS(...): a comma and the arguments, or nothing at all when
// there are none, for a macro that passes its optional arguments on. The
// traditional MSVC preprocessor drops a comma before empty arguments by
// itself; every other one knows __VA_OPT__.
#if defined(_MSC_VER) && !defined(__clang__) && (!defined(_MSVC_TRADITIONAL) || _MSVC_TRADITIONAL)
#define VELT_COMMA_ARGS(...) , __VA_ARGS__
#else
#define VELT_COMMA_ARGS(...) __VA_OPT__(, ) __VA_ARGS__
#endif
