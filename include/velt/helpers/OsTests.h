// Tests of the running operating system, as configuration files name them
// in their "opsys" attributes. On Linux IsOs_LINUX holds and every Windows
// test is false; tests replace the system's facts with fakes
// (platform/OsFacts.h) to exercise the Windows answers.
#pragma once

#include "velt/VeltExport.h"

VELT_API bool IsOs_LINUX();
VELT_API bool IsOs_MAC();
VELT_API bool IsOs_WINNT_2000_Only();   // NT 5.0
VELT_API bool IsOs_WINNT_XP_Only();     // NT 5.1, or 5.2 on a workstation
VELT_API bool IsOs_WINNT_2K3_Only();    // NT 5.2 on a server
VELT_API bool IsOs_WIN_VISTA_Only();    // NT 6.0 workstation
VELT_API bool IsOs_WIN_7_Only();        // NT 6.1 workstation
VELT_API bool IsOs_WIN_8();             // NT 6.2 or later, any product type
