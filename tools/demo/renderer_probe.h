// Looks at this machine for the detection program: the processor through CPUID, the
// display devices through DirectDraw, and the Glide library. Windows only.
#pragma once

#include "renderer_profile.h"

machine_probe probe_machine();
