/* A minimal host of ImpApiKalvento.dll: one import into a directory, as a host application runs it.
 *
 *     minimal_host DLL TARGET_DIRECTORY USER_NUMBER PASSWORD [LAST_IMPORT]
 *
 * LAST_IMPORT is the date of the last import, DD.MM.YYYY: a delta import, for which the plug-in sends that
 * day to the server as dateto=DD.MM.YYYY. Without it, an initial import: the complete history.
 * Build it with MinGW-w64 (no import library is needed; the DLL is loaded by path), for the x86 DLL:
 *     i686-w64-mingw32-gcc -std=c99 -O2 -Iinclude -o minimal_host.exe examples/minimal_host.c
 * and for the x64 DLL the same with x86_64-w64-mingw32-gcc.
 * Exit codes: 0 the export succeeded, 1 it failed (its text is printed), 2 usage, 3 the DLL cannot be used.
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "../include/ImpApiKalvento.h"

/* The host's own version, which the plug-in must accept. */
#define HOST_VERSION 40333

/* Writes Windows-1252 text: to a console as UTF-16, so that any console shows the umlauts; to a file or a
 * pipe as UTF-8. Windows-1252 has one UTF-16 unit per byte, so the text converts in pieces of any length. */
static void Print(const char* text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode, written;
    const BOOL console = GetConsoleMode(out, &mode);
    size_t left = strlen(text);
    while (left > 0) {
        wchar_t wide[256];
        char utf8[3 * 256];
        const int count = left < 256 ? (int)left : 256;
        const int units = MultiByteToWideChar(1252, 0, text, count, wide, 256);
        if (console) {
            WriteConsoleW(out, wide, (DWORD)units, &written, NULL);
        } else {
            const int bytes =
                WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8, (int)sizeof utf8, NULL, NULL);
            WriteFile(out, utf8, (DWORD)bytes, &written, NULL);
        }
        text += count;
        left -= (size_t)count;
    }
}

static void PrintLine(const char* label, const char* text) {
    Print(label);
    Print(text);
    Print("\r\n");
}

/* DD.MM.YYYY (exactly) as a date value, days since 30 December 1899; 0 when it names no day. */
static int ParseDate(const char* text, double* value) {
    static const int daysBefore[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
    static const char form[] = "00.00.0000";
    for (int i = 0; i < 11; ++i) { /* a shorter text fails at its terminator */
        if (form[i] == '0' ? text[i] < '0' || text[i] > '9' : text[i] != form[i]) {
            return 0;
        }
    }
    const int day = (text[0] - '0') * 10 + text[1] - '0';
    const int month = (text[3] - '0') * 10 + text[4] - '0';
    const long year = (text[6] - '0') * 1000 + (text[7] - '0') * 100 + (text[8] - '0') * 10 + text[9] - '0';
    const int leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    if (year < 1 || month < 1 || month > 12 || day < 1 ||
        day > daysBefore[month] - daysBefore[month - 1] + (month == 2 && leap)) {
        return 0;
    }
    /* Days since 1 January of the year 1, of which 30 December 1899 is day 693593. */
    const long days = 365 * (year - 1) + (year - 1) / 4 - (year - 1) / 100 + (year - 1) / 400 +
                      daysBefore[month - 1] + (month > 2 && leap) + day - 1;
    *value = (double)(days - 693593);
    return *value != 0.0; /* 0.0 names no day: it asks for an initial import */
}

/* The file of this run: the greatest kalvento_export_yymmdd_hhnnss.xml name in `directory` not smaller than
 * the name the plug-in would have given a file at `stamp`, the local time taken just before ExportXML. This
 * holds while nobody else writes into the directory; an empty directory for each run makes it certain. */
static int FindFileOfRun(const char* directory, const SYSTEMTIME* stamp, char found[MAX_PATH]) {
    char stampName[64], pattern[MAX_PATH + 32];
    WIN32_FIND_DATAA entry;
    HANDLE search;
    snprintf(stampName, sizeof stampName, "kalvento_export_%02d%02d%02d_%02d%02d%02d.xml", stamp->wYear % 100,
             stamp->wMonth, stamp->wDay, stamp->wHour, stamp->wMinute, stamp->wSecond);
    snprintf(pattern, sizeof pattern, "%s\\kalvento_export_*.xml", directory);
    found[0] = '\0';
    search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    do { /* all such names have the same length, so they compare as the times they hold */
        if (strlen(entry.cFileName) == strlen(stampName) && strcmp(entry.cFileName, stampName) >= 0 &&
            strcmp(entry.cFileName, found) > 0) {
            strcpy(found, entry.cFileName);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return found[0] != '\0';
}

/* Status lines arrive here while ExportXML runs, on the caller's thread. The plug-in's progress window lives
 * on this thread as well: dispatching the queued messages keeps it painted and its cancel button alive. */
static void IMPAPI_CALL OnStatus(int32_t code, int32_t subCode, const char* text) {
    MSG message;
    (void)subCode;
    if (code == IMPAPI_STATUS_LINE && text != NULL) {
        PrintLine("status: ", text);
    }
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            /* The host is closing: its own loop must see this once ExportXML has returned. Posted again, the
             * quit would be the next message here too, so the loop ends. */
            PostQuitMessage((int)message.wParam);
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

/* An export by name, as the generic function type that any function pointer type may be cast from. */
typedef void (*AnyFunction)(void);
static AnyFunction Resolve(HMODULE dll, const char* name) {
    return (AnyFunction)GetProcAddress(dll, name);
}

int main(int argc, char** argv) {
    HMODULE dll;
    AppVersionCheckFn appVersionCheck;
    RegProgrCallbackFn regProgrCallback;
    ExportXMLFn exportXml;
    GetExportErrorMsgFn getExportErrorMsg;
    char credentials[512], fileName[MAX_PATH];
    double lastImportDate = 0.0; /* 0.0: an initial import */
    SYSTEMTIME stamp;
    int32_t result;

    if ((argc != 5 && argc != 6) || (argc == 6 && !ParseDate(argv[5], &lastImportDate))) {
        fprintf(stderr,
                "usage: minimal_host DLL TARGET_DIRECTORY USER_NUMBER PASSWORD [LAST_IMPORT]\n"
                "  LAST_IMPORT: the date of the last import, DD.MM.YYYY, sent as dateto=DD.MM.YYYY;\n"
                "  without it, an initial import (the complete history)\n");
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
    GetLocalTime(&stamp);
    result = exportXml(argv[2], 0, 0, &lastImportDate, credentials);
    regProgrCallback(NULL);

    /* After 0 the file is the export; after -21 to -29 it is the server's error answer: never import that. */
    PrintLine("file: ", FindFileOfRun(argv[2], &stamp, fileName) ? fileName : "none");
    if (result == IMPAPI_OK) {
        PrintLine("ExportXML: 0", "");
    } else {
        char label[32], text[IMPAPI_MESSAGE_BUFFER_SIZE];
        if (getExportErrorMsg(result, text) == -1) {
            strcpy(text, "(no text for this code)");
        }
        snprintf(label, sizeof label, "ExportXML: %ld, ", (long)result);
        PrintLine(label, text); /* the export job's texts hold CR LF between their two sentences */
    }
    /* Only now, with no call of the DLL running, may it be unloaded. */
    FreeLibrary(dll);
    return result == IMPAPI_OK ? 0 : 1;
}
