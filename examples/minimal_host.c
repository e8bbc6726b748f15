/* A minimal host of ImpApiKalvento.dll: one initial import into a directory, as a host application runs it.
 *
 *     minimal_host DLL TARGET_DIRECTORY USER_NUMBER PASSWORD
 *
 * Build it with MinGW-w64 (no import library is needed; the DLL is loaded by path):
 *     i686-w64-mingw32-gcc -O2 -Iinclude -o minimal_host.exe examples/minimal_host.c
 * Exit codes: 0 the export succeeded, 1 it failed (its text is printed), 2 usage, 3 the DLL cannot be used.
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "../include/ImpApiKalvento.h"

/* The host's own version, which the plug-in must accept. */
#define HOST_VERSION 40333

/* An export by name, as the generic function type that any function pointer type may be cast from. */
typedef void (*AnyFunction)(void);
static AnyFunction Resolve(HMODULE dll, const char* name) {
    return (AnyFunction)GetProcAddress(dll, name);
}

/* Status lines arrive here while ExportXML runs, on the caller's thread. The plug-in's progress window lives
 * on this thread as well: dispatching the queued messages keeps it painted and its cancel button alive. */
static void IMPAPI_CALL OnStatus(int32_t code, int32_t subCode, const char* text) {
    MSG message;
    (void)subCode;
    if (code == IMPAPI_STATUS_LINE && text != NULL) {
        printf("status: %s\n", text);
    }
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int main(int argc, char** argv) {
    HMODULE dll;
    AppVersionCheckFn appVersionCheck;
    RegProgrCallbackFn regProgrCallback;
    ExportXMLFn exportXml;
    GetExportErrorMsgFn getExportErrorMsg;
    char credentials[512];
    const double lastImportDate = 0.0; /* 0.0: the complete history; else the day of the last import */
    int32_t result;

    if (argc != 5) {
        fprintf(stderr, "usage: minimal_host DLL TARGET_DIRECTORY USER_NUMBER PASSWORD\n");
        return 2;
    }
    dll = LoadLibraryA(argv[1]);
    if (dll == NULL) {
        fprintf(stderr, "cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 3;
    }
    appVersionCheck = (AppVersionCheckFn)Resolve(dll, "AppVersionCheck");
    regProgrCallback = (RegProgrCallbackFn)Resolve(dll, "RegProgrCallback");
    exportXml = (ExportXMLFn)Resolve(dll, "ExportXML");
    getExportErrorMsg = (GetExportErrorMsgFn)Resolve(dll, "GetExportErrorMsg");
    if (!appVersionCheck || !regProgrCallback || !exportXml || !getExportErrorMsg ||
        appVersionCheck(HOST_VERSION) != 0) {
        fprintf(stderr, "%s is not a plug-in for this host\n", argv[1]);
        FreeLibrary(dll);
        return 3;
    }

    snprintf(credentials, sizeof credentials, "UserLogin=%s\r\nPassword=%s\r\n", argv[3], argv[4]);
    regProgrCallback(OnStatus);
    result = exportXml(argv[2], 0, 0, &lastImportDate, credentials);
    regProgrCallback(NULL);

    if (result == IMPAPI_OK) {
        printf("ExportXML: 0, the file kalvento_export_yymmdd_hhnnss.xml is in %s\n", argv[2]);
    } else {
        char text[IMPAPI_MESSAGE_BUFFER_SIZE];
        if (getExportErrorMsg(result, text) == -1) {
            strcpy(text, "(no text for this code)");
        }
        printf("ExportXML: %ld, %s\n", (long)result, text);
    }
    /* Only now, with no call of the DLL running, may it be unloaded. */
    FreeLibrary(dll);
    return result == IMPAPI_OK ? 0 : 1;
}
