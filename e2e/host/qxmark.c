/* qxmark.exe WORD: what QXLaunchApp starts. It writes its own command line to
 * C:\qxsettings\launched-WORD.txt, so the runner sees that it ran and how it was called. */
#include <windows.h>
#include <stdio.h>

int main(int argc, char **argv)
{
    char path[MAX_PATH];
    FILE *f;
    snprintf(path, sizeof path, "C:\\qxsettings\\launched-%s.txt", argc > 1 ? argv[1] : "none");
    f = fopen(path, "w");
    if (!f)
        return 1;
    fprintf(f, "%s\n", GetCommandLineA());
    fclose(f);
    return 0;
}
