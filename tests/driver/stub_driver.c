/* A kernel driver that loads, does nothing and can be unloaded: enough for
   the Service Control Manager to install, start, stop and remove it. */
#include <ddk/wdm.h>

static void NTAPI StubUnload(PDRIVER_OBJECT driver)
{
    (void)driver;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    (void)registryPath;
    driver->DriverUnload = StubUnload;
    return STATUS_SUCCESS;
}
