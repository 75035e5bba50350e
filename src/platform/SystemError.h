// The error currency of the layer is public (front ends use it too): see
// velt/platform/SystemError.h.
#pragma once

#include "velt/platform/SystemError.h"
