// Opening C library streams is public (front ends use it too): see
// velt/platform/Stream.h.
#pragma once

#include "velt/platform/Stream.h"
