/* arch.exe: prints the processor architecture a 32-bit process sees as native
 * (GetNativeSystemInfo), so the runner knows a prefix really is what its case claims:
 * 9 (AMD64) in a win64 prefix, 0 (x86) in a win32 one. */
#include <windows.h>
#include <stdio.h>

int main(void)
{
    SYSTEM_INFO si;
    GetNativeSystemInfo(&si);
    printf("arch: native=%u\n", (unsigned)si.wProcessorArchitecture);
    return 0;
}
