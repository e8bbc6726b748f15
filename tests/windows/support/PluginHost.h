// A test host: loads the plug-in DLL by path, resolves its seven exports and records its status callback.
#pragma once

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "include/ImpApiKalvento.h"
#include "support/TestEnvironment.h"

namespace testenv {

struct HostCall {
    std::int32_t code;
    std::int32_t subCode;
    std::string text;

    bool operator==(const HostCall&) const = default;
};

inline HostCall Line(const std::string& text) {
    return {3, 0, text};
}
inline HostCall Pulse() {
    return {9, 5, ""};
}

// What the plug-in reported through the callback; a host keeps one such list.
inline std::vector<HostCall>& RecordedCalls() {
    static std::vector<HostCall> calls;
    return calls;
}

inline void __stdcall RecordingCallback(std::int32_t code, std::int32_t subCode, const char* text) {
    RecordedCalls().push_back({code, subCode, text != nullptr ? text : "<null>"});
    PumpMessages();
}

class PluginHost {
public:
    using Callback = ImpApiStatusCallback;

    explicit PluginHost(const std::string& path = LocalDll()) : module_(::LoadLibraryA(path.c_str())) {
        if (module_ == nullptr) {
            throw std::runtime_error("cannot load " + path);
        }
        try {
            RegProgrCallback = Resolve<decltype(RegProgrCallback)>("RegProgrCallback");
            GetExportErrorMsg = Resolve<decltype(GetExportErrorMsg)>("GetExportErrorMsg");
            ExportXML = Resolve<decltype(ExportXML)>("ExportXML");
            ImportVersionInfo = Resolve<decltype(ImportVersionInfo)>("ImportVersionInfo");
            VersionInfo = Resolve<decltype(VersionInfo)>("VersionInfo");
            ApiDataDialog = Resolve<decltype(ApiDataDialog)>("ApiDataDialog");
            AppVersionCheck = Resolve<decltype(AppVersionCheck)>("AppVersionCheck");
        } catch (...) {
            ::FreeLibrary(module_);
            throw;
        }
        RecordedCalls().clear();
    }
    ~PluginHost() { ::FreeLibrary(module_); }
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    HMODULE Module() const { return module_; }

    // The types come from the public header, so the tests call the exports as every host declares them.
    RegProgrCallbackFn RegProgrCallback = nullptr;
    GetExportErrorMsgFn GetExportErrorMsg = nullptr;
    ExportXMLFn ExportXML = nullptr;
    ImportVersionInfoFn ImportVersionInfo = nullptr;
    VersionInfoFn VersionInfo = nullptr;
    ApiDataDialogFn ApiDataDialog = nullptr;
    AppVersionCheckFn AppVersionCheck = nullptr;

private:
    template <typename Fn>
    Fn Resolve(const char* name) {
        FARPROC address = ::GetProcAddress(module_, name);
        if (address == nullptr) {
            throw std::runtime_error(std::string("missing export ") + name);
        }
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
    }

    HMODULE module_;
};

}  // namespace testenv
