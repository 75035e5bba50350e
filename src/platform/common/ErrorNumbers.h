// The errno values that make up the layer's error currency
// (velt/platform/SystemError.h), for the layer's own sources. The Windows C
// runtime lacks a few the layer reports; they are numbered past the
// runtime's own (which end at 140). The C library of POSIX systems has them
// all.
#pragma once

#include <cerrno>

#ifndef ESTALE
#define ESTALE 150
#endif
#ifndef EDQUOT
#define EDQUOT 151
#endif
