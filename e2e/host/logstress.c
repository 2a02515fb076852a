/* logstress.exe N [PARTIES]: loads qxeca.dll from this program's own folder and calls its
 * QXLogConfig export N times with installer handle 0. Every installer call inside then fails,
 * but each call still writes its fixed set of lines to the DLL's log, which is what the
 * runner examines for torn or lost lines.
 *
 * With PARTIES > 1, that many processes meet at a barrier before the first call, so their
 * call loops really overlap however long Wine takes to start each one. The program prints
 * the calls it made and the wall-clock interval (FILETIME, 100 ns units) of its loop, so the
 * runner can prove the overlap instead of assuming it. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef UINT(__stdcall *action_fn)(ULONG);

static ULONGLONG now(void)
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return ((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
}

/* A named shared counter: each party adds one and spins until all have arrived. */
static int barrier(long parties)
{
    HANDLE map;
    volatile LONG *count;
    DWORD waited = 0;

    map = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(LONG),
                             "Local\\qx_logstress_barrier");
    if (!map)
        return 0;
    count = (volatile LONG *)MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LONG));
    if (!count)
        return 0;
    InterlockedIncrement((LONG *)count);
    while (*count < parties) {
        if (waited > 60000)
            return 0;
        Sleep(1);
        waited++;
    }
    /* The mapping stays open until exit so a late party still finds the count. */
    return 1;
}

int main(int argc, char **argv)
{
    char path[MAX_PATH];
    char *slash;
    HMODULE dll;
    action_fn action;
    long n, parties, i, failed = 0;
    ULONGLONG start, end;

    if (argc < 2 || (n = strtol(argv[1], NULL, 10)) < 0) {
        fprintf(stderr, "usage: logstress N [PARTIES]\n");
        return 2;
    }
    parties = argc > 2 ? strtol(argv[2], NULL, 10) : 1;

    if (!GetModuleFileNameA(NULL, path, sizeof path))
        return 3;
    slash = strrchr(path, '\\');
    if (!slash || (size_t)(slash + 1 - path) + sizeof "qxeca.dll" > sizeof path)
        return 3;
    strcpy(slash + 1, "qxeca.dll");

    dll = LoadLibraryA(path);
    if (!dll) {
        printf("logstress: LoadLibrary(%s) failed: %lu\n", path, GetLastError());
        return 4;
    }
    action = (action_fn)GetProcAddress(dll, "QXLogConfig");
    if (!action) {
        printf("logstress: GetProcAddress(QXLogConfig) failed: %lu\n", GetLastError());
        return 5;
    }
    if (parties > 1 && !barrier(parties)) {
        printf("logstress: barrier of %ld parties failed\n", parties);
        return 6;
    }

    start = now();
    for (i = 0; i < n; i++)
        if (action(0) != 0)
            failed++;
    end = now();

    printf("logstress: pid=%lu calls=%ld nonzero=%ld start=%llu end=%llu\n",
           GetCurrentProcessId(), i, failed, start, end);
    fflush(stdout);
    FreeLibrary(dll);
    return 0;
}
