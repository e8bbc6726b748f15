// download-bench: one measurement of a large answer from the local export server, in one of these ways.
//   bare URL: a bare WinINet loop, 4095-byte reads into a buffer allocated once for the whole body.
//   quiet URL: DownloadToStream into a memory stream, reporting on, no progress window.
//   download URL: the same with the progress window, as the job does.
//   write URL DIR: download, then the stream written to a file in DIR, as the job writes it but unflushed.
//   flush URL DIR: the same, flushed to the disk before the file is closed.
//   export DLL DIR USER: ExportXML through the plug-in DLL, no callback (download, file, classification).
// The steps from download to export show where ExportXML's time over the download goes.
// Prints "seconds=<s> peak_mib=<MiB> bytes=<n> result=<code>". Each mode runs in a process of its own so that
// the peak working set belongs to it alone. Every mode first shows and destroys a window, as a host
// application has its windowing up long before it imports: the first window of a process pays for fonts.
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "inet/win32/WinDownload.h"

namespace {

constexpr DWORD kChunk = 4095;

class NoHost final : public host::HostReporting {
public:
    bool CallbackRegistered() const override { return false; }
    void StatusLine(const std::string&) override {}
    void ProgressPulse() override {}
};

double PeakMebibytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

struct Measure {
    std::uint64_t bytes = 0;
    std::int32_t result = 0;
};

void WarmUpWindowing() {
    HWND window = ::CreateWindowExA(0, "STATIC", "warm-up", WS_OVERLAPPED | WS_CAPTION, 0, 0, 100, 50,
                                    nullptr, nullptr, nullptr, nullptr);
    HFONT font =
        ::CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    ::ShowWindow(window, SW_SHOW);
    ::UpdateWindow(window);
    ::DestroyWindow(window);
    ::DeleteObject(font);
}

Measure BareLoop(const char* url) {
    Measure measure;
    HINTERNET session = ::InternetOpenA("bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET request =
        ::InternetOpenUrlA(session, url, nullptr, 0, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (request == nullptr) {
        measure.result = -3;
        ::InternetCloseHandle(session);
        return measure;
    }
    char lengthText[32] = {};
    DWORD lengthSize = sizeof lengthText;
    DWORD index = 0;
    ::HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthSize, &index);
    const std::uint64_t length = std::strtoull(lengthText, nullptr, 10);
    const std::size_t capacity =
        static_cast<std::size_t>(std::min<std::uint64_t>(length, SIZE_MAX / 2)) + kChunk;
    auto body = std::make_unique<char[]>(capacity);
    std::memset(body.get(), 0, capacity);  // touch it: the body is held once, in full
    DWORD read = 0;
    // The buffer holds the announced length; an answer without one, or longer than announced, fails the mode.
    measure.result = length > 0 ? 0 : -7;
    while (measure.result == 0 && ::InternetReadFile(request, body.get() + measure.bytes, kChunk, &read) &&
           read > 0) {
        measure.bytes += read;
        if (measure.bytes > length) {
            measure.result = -7;
        }
    }
    ::InternetCloseHandle(request);
    ::InternetCloseHandle(session);
    return measure;
}

Measure Download(const char* url, bool progress, const char* directory = nullptr, bool flush = false) {
    NoHost host;
    inet::MemoryStream stream;
    std::string status;
    Measure measure;
    measure.result =
        inet::DownloadToStream(url, 300, stream, status, {.Report = true, .ShowProgress = progress}, host);
    measure.bytes = stream.Size();
    if (directory != nullptr && measure.result == 0) {
        const std::string path = std::string(directory) + "\\bench-write.xml";
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        stream.ForEachSegment([&](const char* data, std::size_t count) {
            DWORD written = 0;
            if (!::WriteFile(file, data, static_cast<DWORD>(count), &written, nullptr) || written != count) {
                measure.result = -31;
            }
        });
        if (flush && !::FlushFileBuffers(file)) {
            measure.result = -31;
        }
        ::CloseHandle(file);
        ::DeleteFileA(path.c_str());
    }
    return measure;
}

using ExportXmlFn = std::int32_t(__stdcall*)(const char*, std::int32_t, std::int32_t, const double*,
                                             const char*);

// A host loads the plug-in once, long before an import: loading is not part of the export's time.
ExportXmlFn LoadExportXml(const char* dll) {
    HMODULE plugin = ::LoadLibraryA(dll);
    return plugin != nullptr
               ? reinterpret_cast<ExportXmlFn>(reinterpret_cast<void*>(::GetProcAddress(plugin, "ExportXML")))
               : nullptr;
}

Measure Export(ExportXmlFn exportXml, const char* directory, const char* user) {
    Measure measure;
    if (exportXml == nullptr) {
        measure.result = -100;
        return measure;
    }
    const std::string credentials = std::string("UserLogin=") + user + "\r\nPassword=x";
    const double lastImport = 46022.0;
    measure.result = exportXml(directory, 0, 0, &lastImport, credentials.c_str());
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((std::string(directory) + "\\kalvento_export_*.xml").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        measure.bytes = (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
        ::FindClose(search);
    }
    return measure;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool urlOnly = mode == "bare" || mode == "quiet" || mode == "download";
    const bool withDirectory = mode == "write" || mode == "flush";
    if (!(urlOnly && argc == 3) && !(withDirectory && argc == 4) && !(mode == "export" && argc == 5)) {
        std::fputs(
            "usage: download-bench bare|quiet|download URL | write|flush URL DIR | export DLL DIR USER\n",
            stderr);
        return 2;
    }
    WarmUpWindowing();
    const ExportXmlFn exportXml = mode == "export" ? LoadExportXml(argv[2]) : nullptr;
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const Measure measure = mode == "bare"       ? BareLoop(argv[2])
                            : mode == "quiet"    ? Download(argv[2], false)
                            : mode == "download" ? Download(argv[2], true)
                            : withDirectory      ? Download(argv[2], true, argv[3], mode == "flush")
                                                 : Export(exportXml, argv[3], argv[4]);
    ::QueryPerformanceCounter(&end);
    const double seconds =
        static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("seconds=%.4f peak_mib=%.1f bytes=%llu result=%d\n", seconds, PeakMebibytes(),
                static_cast<unsigned long long>(measure.bytes), measure.result);
    return measure.result == 0 ? 0 : 1;
}
