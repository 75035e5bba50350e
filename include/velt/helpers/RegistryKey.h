// Root keys of the (read-only) registry. A root key is an opaque handle; the
// null handle names no hive and every open under it fails. On Windows they
// are the system's own, from <windows.h>.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdint>

struct VeltRegistryRoot;
typedef VeltRegistryRoot* HKEY;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t{0x80000000u});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t{0x80000001u});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t{0x80000002u});
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(uintptr_t{0x80000003u});
inline HKEY const HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(uintptr_t{0x80000005u});
#endif
