/* ImpApiKalvento.dll for host programs: the seven exports, the status callback, and the codes they pass.
 *
 * The exports are exported by undecorated name at ordinals 1 to 7; the callback is called the same way.
 * x86 DLL: __stdcall (the callee removes its arguments), every argument and result 32 bits wide, pointers
 * included. x64 DLL: the one x64 calling convention (IMPAPI_CALL changes nothing there); pointers are 64
 * bits wide, int32_t stays 32 bits, and the date is passed by pointer on both. Texts are zero-terminated
 * Windows-1252; the export job's message texts hold CR LF between their two sentences. A host loads the DLL,
 * checks AppVersionCheck, registers its callback and calls ExportXML with a target directory, the date of
 * the last import (0.0 for none) and a credentials text of "name=value" lines (UserLogin, Password).
 * HOST-INTEGRATION.md is the contract: sizes and buffers per processor, the date, the export file, and what
 * a host does with each result code. */
#ifndef IMPAPIKALVENTO_H
#define IMPAPIKALVENTO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef _WIN32
#define IMPAPI_CALL __stdcall /* a 64-bit build has one convention and ignores it */
#else
#define IMPAPI_CALL
#endif

/* Versions and buffer sizes. */
enum {
    IMPAPI_INTERFACE_VERSION = 40300,   /* VersionInfo */
    IMPAPI_LOWEST_HOST_VERSION = 40333, /* AppVersionCheck accepts this and later host versions */
    IMPAPI_VERSION_BUFFER_SIZE = 256,   /* ImportVersionInfo writes a length byte and up to 255 characters */
    IMPAPI_MESSAGE_BUFFER_SIZE = 144,   /* GetExportErrorMsg's longest text with its terminator */
    IMPAPI_DIALOG_BUFFER_SIZE = 128     /* ApiDataDialog's buffers: 127 characters and the terminator */
};

/* The status callback: code IMPAPI_STATUS_LINE (sub-code 0) with a status line, or code IMPAPI_PROGRESS with
 * sub-code IMPAPI_PROGRESS_PULSE and an empty text while data arrives. A host may pump its messages in it. */
enum { IMPAPI_STATUS_LINE = 3, IMPAPI_PROGRESS = 9, IMPAPI_PROGRESS_PULSE = 5 };
typedef void(IMPAPI_CALL* ImpApiStatusCallback)(int32_t code, int32_t subCode, const char* text);

/* Result codes of ExportXML; GetExportErrorMsg gives the German text of each one except 0. */
enum {
    IMPAPI_OK = 0,
    IMPAPI_UNDETERMINED = -1,         /* unclassified download failure; another thread's export running */
    IMPAPI_NO_SESSION = -2,           /* the internet session could not be opened */
    IMPAPI_URL_FAILED = -3,           /* no connection (refused, certificate, time-out) */
    IMPAPI_ACCESS_DENIED = -4,        /* HTTP 401 or 403 */
    IMPAPI_NOT_FOUND = -5,            /* HTTP 404 */
    IMPAPI_HTTP_FAILED = -6,          /* any other HTTP status */
    IMPAPI_INCOMPLETE = -7,           /* the answer broke off or did not fit into memory */
    IMPAPI_SERVER_BUSY = -8,          /* HTTP 503 */
    IMPAPI_PROXY_AUTHENTICATION = -9, /* the proxy asked for credentials that were not given */
    IMPAPI_CREDENTIALS_MISSING = -11,
    /* An initial import's reset answer without 007 that is XML or holds no error number. */
    IMPAPI_RESET_NOT_ACKNOWLEDGED = -12,
    IMPAPI_SERVER_LOGIN_FAILED = -21,
    IMPAPI_SERVER_USER_UNKNOWN = -22,
    IMPAPI_SERVER_PASSWORD_WRONG = -23,
    IMPAPI_SERVER_NO_CURRENT_DATA = -25,
    IMPAPI_SERVER_XML_INCOMPLETE = -26,
    IMPAPI_SERVER_DATABASE_ERROR = -28,
    IMPAPI_SERVER_UNKNOWN_ANSWER = -29,
    IMPAPI_EXPORT_FILE_NOT_WRITTEN = -31, /* the target directory cannot take the export file */
    IMPAPI_INVALID_CALL = -32,            /* ExportXML without a date, or one that names no day */
    IMPAPI_CANCELLED = -1015              /* the user cancelled the download */
};

/* ApiDataDialog's results. */
enum { IMPAPI_DIALOG_OK = 1, IMPAPI_DIALOG_CANCELLED = 2 };

/* The exports, at their ordinals, as declarations and as pointer types for GetProcAddress. */
int32_t IMPAPI_CALL RegProgrCallback(ImpApiStatusCallback callback); /* 1 */
int32_t IMPAPI_CALL GetExportErrorMsg(int32_t code, char* buffer);   /* 2 */
int32_t IMPAPI_CALL ExportXML(const char* targetDir, int32_t providerParam1, int32_t providerParam2,
                              const double* lastImportDate, const char* credentials);         /* 3 */
void IMPAPI_CALL ImportVersionInfo(unsigned char* versionText);                               /* 4 */
int32_t IMPAPI_CALL VersionInfo(void);                                                        /* 5 */
int32_t IMPAPI_CALL ApiDataDialog(char* userNumber, char* userPassword, int32_t dialogParam); /* 6 */
int32_t IMPAPI_CALL AppVersionCheck(int32_t hostVersion);                                     /* 7 */

typedef int32_t(IMPAPI_CALL* RegProgrCallbackFn)(ImpApiStatusCallback callback);
typedef int32_t(IMPAPI_CALL* GetExportErrorMsgFn)(int32_t code, char* buffer);
typedef int32_t(IMPAPI_CALL* ExportXMLFn)(const char* targetDir, int32_t providerParam1,
                                          int32_t providerParam2, const double* lastImportDate,
                                          const char* credentials);
typedef void(IMPAPI_CALL* ImportVersionInfoFn)(unsigned char* versionText);
typedef int32_t(IMPAPI_CALL* VersionInfoFn)(void);
typedef int32_t(IMPAPI_CALL* ApiDataDialogFn)(char* userNumber, char* userPassword, int32_t dialogParam);
typedef int32_t(IMPAPI_CALL* AppVersionCheckFn)(int32_t hostVersion);

#ifdef __cplusplus
}
#endif

#endif /* IMPAPIKALVENTO_H */
