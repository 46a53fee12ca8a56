/* The bus's address limits, for every layer that names a device: primary
   and secondary addresses are 0 to GPIB_MAX_ADDRESS, and GPIB_NO_SECONDARY
   stands for a device without a secondary address. Plain C: the bus driver
   library's header gives them to its callers. */
#pragma once

enum { GPIB_MAX_ADDRESS = 30, GPIB_NO_SECONDARY = 255 };
