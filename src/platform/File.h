// The layer's file class and file details are public (front ends use them
// too): see velt/platform/File.h.
#pragma once

#include "velt/platform/File.h"
