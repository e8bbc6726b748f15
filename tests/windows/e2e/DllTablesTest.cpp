// The shipped DLL's headers, export, import and version tables, read from the file as a loader reads them.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "support/PluginHost.h"
#include "support/TestEnvironment.h"
#include "version/KalventoVersion.h"

namespace {

class PeImage {
public:
    explicit PeImage(const std::string& path) : bytes_(testenv::ReadFileBytes(path)) {
        const auto* dos = At<IMAGE_DOS_HEADER>(0);
        headers_ = At<IMAGE_NT_HEADERS32>(static_cast<std::size_t>(dos->e_lfanew));
        sections_ = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
            reinterpret_cast<const char*>(&headers_->OptionalHeader) +
            headers_->FileHeader.SizeOfOptionalHeader);
    }

    const IMAGE_NT_HEADERS32& Headers() const { return *headers_; }

    // Ordinal and name of every export, in ordinal order.
    std::vector<std::pair<DWORD, std::string>> Exports() const {
        const auto& directory = headers_->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        const auto* exports = AtRva<IMAGE_EXPORT_DIRECTORY>(directory.VirtualAddress);
        const auto* names = AtRva<DWORD>(exports->AddressOfNames);
        const auto* ordinals = AtRva<WORD>(exports->AddressOfNameOrdinals);
        std::vector<std::pair<DWORD, std::string>> result;
        for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
            result.emplace_back(exports->Base + ordinals[i], AtRva<char>(names[i]));
        }
        std::sort(result.begin(), result.end());
        return result;
    }

    std::string ModuleName() const {
        const auto& directory = headers_->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        return AtRva<char>(AtRva<IMAGE_EXPORT_DIRECTORY>(directory.VirtualAddress)->Name);
    }

    DWORD ExportCount() const {
        const auto& directory = headers_->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        return AtRva<IMAGE_EXPORT_DIRECTORY>(directory.VirtualAddress)->NumberOfFunctions;
    }

    std::set<std::string> ImportedModules() const {
        const auto& directory = headers_->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        std::set<std::string> modules;
        for (const auto* entry = AtRva<IMAGE_IMPORT_DESCRIPTOR>(directory.VirtualAddress); entry->Name != 0;
             ++entry) {
            std::string name = AtRva<char>(entry->Name);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return std::tolower(c); });
            modules.insert(name);
        }
        return modules;
    }

private:
    template <typename T>
    const T* At(std::size_t offset) const {
        if (offset + sizeof(T) > bytes_.size()) {
            throw std::out_of_range("offset outside the file");
        }
        return reinterpret_cast<const T*>(bytes_.data() + offset);
    }

    template <typename T>
    const T* AtRva(DWORD rva) const {
        for (WORD i = 0; i < headers_->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& section = sections_[i];
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.Misc.VirtualSize) {
                return At<T>(rva - section.VirtualAddress + section.PointerToRawData);
            }
        }
        throw std::out_of_range("address outside every section");
    }

    std::string bytes_;
    const IMAGE_NT_HEADERS32* headers_ = nullptr;
    const IMAGE_SECTION_HEADER* sections_ = nullptr;
};

class VersionResource {
public:
    explicit VersionResource(const std::string& path) {
        DWORD ignored = 0;
        data_.resize(::GetFileVersionInfoSizeA(path.c_str(), &ignored));
        loaded_ = !data_.empty() &&
                  ::GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(data_.size()), data_.data());
    }
    bool Loaded() const { return loaded_; }

    template <typename T>
    const T* Value(const std::string& path, UINT& length) {
        void* value = nullptr;
        length = 0;
        if (!::VerQueryValueA(data_.data(), path.c_str(), &value, &length)) {
            return nullptr;
        }
        return static_cast<const T*>(value);
    }

private:
    std::vector<char> data_;
    bool loaded_ = false;
};

class DllTables : public testing::TestWithParam<std::string> {};

TEST_P(DllTables, HeadersSayPe32DllForI386) {
    const PeImage image(GetParam());
    EXPECT_EQ(image.Headers().Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(image.Headers().FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(image.Headers().OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_TRUE(image.Headers().FileHeader.Characteristics & IMAGE_FILE_DLL);
}

TEST_P(DllTables, ExportsTheSevenFunctionsByUndecoratedNameAtOrdinals1To7) {
    const PeImage image(GetParam());
    EXPECT_EQ(image.ModuleName(), "ImpApiKalvento.dll");
    EXPECT_EQ(image.ExportCount(), 7u);
    const std::vector<std::pair<DWORD, std::string>> expected = {
        {1, "RegProgrCallback"}, {2, "GetExportErrorMsg"}, {3, "ExportXML"},       {4, "ImportVersionInfo"},
        {5, "VersionInfo"},      {6, "ApiDataDialog"},     {7, "AppVersionCheck"},
    };
    EXPECT_EQ(image.Exports(), expected);
}

TEST_P(DllTables, ImportsOnlyWindowsSystemLibraries) {
    const PeImage image(GetParam());
    const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                          "wininet.dll",  "msvcrt.dll", "advapi32.dll"};
    for (const std::string& module : image.ImportedModules()) {
        EXPECT_TRUE(system.count(module)) << module << " is not a Windows system library";
    }
    EXPECT_TRUE(image.ImportedModules().count("wininet.dll"));
}

TEST_P(DllTables, VersionResourceIsGerman1252WithTheFixedValues) {
    VersionResource version(GetParam());
    ASSERT_TRUE(version.Loaded());
    UINT length = 0;
    const auto* fixed = version.Value<VS_FIXEDFILEINFO>("\\", length);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00010002u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00010002u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));

    const auto* translation = version.Value<WORD>("\\VarFileInfo\\Translation", length);
    ASSERT_NE(translation, nullptr);
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0407);
    EXPECT_EQ(translation[1], 1252);

    const auto text = [&](const char* name) -> std::string {
        const auto* value = version.Value<char>(std::string("\\StringFileInfo\\040704E4\\") + name, length);
        return value != nullptr ? std::string(value, strnlen(value, length)) : "<missing>";
    };
    EXPECT_EQ(text("FileVersion"), "2.0.1.2");
    EXPECT_EQ(text("ProductVersion"), "1.0.0.0");
    for (const char* name : {"CompanyName", "FileDescription", "InternalName", "LegalCopyright",
                             "LegalTrademarks", "OriginalFilename", "ProductName", "Comments"}) {
        EXPECT_EQ(text(name), "") << name;
    }
}

// This tree's DLL: its version resource, what its exports answer and the generated values say the same.
TEST(DllVersion, ResourceAgreesWithWhatTheExportsAnswer) {
    const std::string path = testenv::LocalDll();
    VersionResource resource(path);
    ASSERT_TRUE(resource.Loaded());
    UINT length = 0;
    const auto* fixed = resource.Value<VS_FIXEDFILEINFO>("\\", length);
    const auto* fileVersion = resource.Value<char>("\\StringFileInfo\\040704E4\\FileVersion", length);
    ASSERT_NE(fixed, nullptr);
    ASSERT_NE(fileVersion, nullptr);

    const testenv::PluginHost plugin(path);
    unsigned char text[IMPAPI_VERSION_BUFFER_SIZE] = {};
    plugin.ImportVersionInfo(text);
    const std::string answered(reinterpret_cast<const char*>(text + 1), text[0]);
    EXPECT_EQ(answered, std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                            std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                            std::to_string(HIWORD(fixed->dwFileVersionLS)));
    EXPECT_EQ(answered, version::kPluginVersion);
    EXPECT_EQ(std::string(fileVersion), KALVENTO_FILE_VERSION_TEXT);
    EXPECT_EQ(std::string(fileVersion).rfind(answered + ".", 0), 0u) << fileVersion;
    EXPECT_EQ(plugin.VersionInfo(), version::kInterfaceVersion);
    EXPECT_EQ(plugin.AppVersionCheck(version::kLowestHostVersion), 0);
    EXPECT_EQ(plugin.AppVersionCheck(version::kLowestHostVersion - 1), -1);
}

// The production DLL ships; the local one is the same sources built for the local export server.
INSTANTIATE_TEST_SUITE_P(BothBuilds, DllTables,
                         testing::Values(testenv::ShippedProductionDll(), testenv::ShippedLocalDll()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.index == 0 ? "Production" : "Local";
                         });

}  // namespace
