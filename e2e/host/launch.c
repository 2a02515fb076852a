/* launch.exe PROGRAM [ARGS...]: runs PROGRAM with the rest of our own command line, waits for
 * it, and prints its full exit code. The shell that started Wine keeps only 8 bits of it
 * (1603 would read as 67), so the runner takes the code from this line instead. */
#include <windows.h>
#include <stdio.h>

/* Skip argv[0] in the raw command line so the arguments reach the child exactly as given. */
static char *after_first_argument(char *cmd)
{
    int quoted = 0;
    while (*cmd == ' ' || *cmd == '\t')
        cmd++;
    for (; *cmd; cmd++) {
        if (*cmd == '"')
            quoted = !quoted;
        else if (!quoted && (*cmd == ' ' || *cmd == '\t'))
            break;
    }
    while (*cmd == ' ' || *cmd == '\t')
        cmd++;
    return cmd;
}

int main(void)
{
    char *child = after_first_argument(GetCommandLineA());
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    DWORD code = 0;

    if (!*child) {
        fprintf(stderr, "usage: launch PROGRAM [ARGS...]\n");
        return 2;
    }
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    if (!CreateProcessA(NULL, child, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        printf("launch: CreateProcess failed: %lu\n", GetLastError());
        return 3;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    if (!GetExitCodeProcess(pi.hProcess, &code)) {
        printf("launch: GetExitCodeProcess failed: %lu\n", GetLastError());
        return 4;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    printf("launch: exit code %lu (0x%08lX)\n", code, code);
    fflush(stdout);
    return code == 0 ? 0 : 1;
}
