#include "driver_table.h"

#include "resource_ids.h"

DriverEntry g_driver_table[driver_table_size] = {
    {IDS_DRIVER_RAMP, IDS_HELP_RAMP, "RAMP", "korv.exe -arr", 0, DRIVER_ABSENT, 0},
    {IDS_DRIVER_MMX, IDS_HELP_MMX, "MMX", "korv.exe -arm", 5, DRIVER_ABSENT, 0},
    {IDS_DRIVER_PRIMARY_HAL, IDS_HELP_PRIMARY_HAL, "PRIMARY_HAL", "korv.exe -ar1", 10, DRIVER_ABSENT, 0},
    {IDS_DRIVER_SECONDARY_HAL, IDS_HELP_SECONDARY_HAL, "SECONDARY_HAL", "korv.exe -ar2", 20, DRIVER_ABSENT,
     0},
    {IDS_DRIVER_GLIDE, IDS_HELP_GLIDE, "GLIDE", "korv3dfx.exe -ar3", 25, DRIVER_ABSENT, 0},
    {IDS_DRIVER_PENTIUM, IDS_HELP_PENTIUM, "PENTIUM_RENDERER", "korvsw.exe -arp", 7, DRIVER_ABSENT, 0},
    {IDS_DRIVER_K6, IDS_HELP_K6, "K6_RENDERER", "korvk6.exe -ark", 8, DRIVER_ABSENT, 0},
};

int compare_driver_priority(const void* first, const void* second) {
  const DriverEntry* a = *static_cast<DriverEntry* const*>(first);
  const DriverEntry* b = *static_cast<DriverEntry* const*>(second);
  return b->priority - a->priority;
}
