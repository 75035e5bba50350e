// Local time is public (front ends use it too): see velt/platform/LocalTime.h.
#pragma once

#include "velt/platform/LocalTime.h"
