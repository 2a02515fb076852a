/* qxsvc.exe: the smallest Win32 service, for QXStartService and QXStopService. It appends
 * "started" and "stopped" to C:\qxsettings\qxsvc.txt, so the runner sees what the service
 * control manager really did, and runs until it is told to stop. */
#include <windows.h>
#include <stdio.h>

static SERVICE_STATUS_HANDLE status_handle;
static SERVICE_STATUS status;
static HANDLE stop_event;

static void note(const char *what)
{
    FILE *f = fopen("C:\\qxsettings\\qxsvc.txt", "a");
    if (f) {
        fprintf(f, "%s\n", what);
        fclose(f);
    }
}

static void report(DWORD state)
{
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(status_handle, &status);
}

static DWORD WINAPI control(DWORD code, DWORD type, void *data, void *context)
{
    (void)type;
    (void)data;
    (void)context;
    if (code == SERVICE_CONTROL_STOP) {
        report(SERVICE_STOP_PENDING);
        SetEvent(stop_event);
    }
    return NO_ERROR;
}

static void WINAPI service_main(DWORD argc, char **argv)
{
    (void)argc;
    (void)argv;
    status_handle = RegisterServiceCtrlHandlerExA("QxE2ESvc", control, NULL);
    if (!status_handle)
        return;
    stop_event = CreateEventA(NULL, TRUE, FALSE, NULL);
    report(SERVICE_RUNNING);
    note("started");
    WaitForSingleObject(stop_event, INFINITE);
    note("stopped");
    report(SERVICE_STOPPED);
}

int main(void)
{
    SERVICE_TABLE_ENTRYA table[] = {{(char *)"QxE2ESvc", service_main}, {NULL, NULL}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
