// The generic module on its own: start-up defaults, the provider's installation, the reporting helper.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "plugin/win32/ImpApiMain.h"
#include "provider/win32/ImpApi_kalvento.h"

namespace {

struct Call {
    std::int32_t code;
    std::int32_t subCode;
    std::string text;
    bool operator==(const Call&) const = default;
};

std::vector<Call> calls;

void __stdcall Record(std::int32_t code, std::int32_t subCode, const char* text) {
    calls.push_back({code, subCode, text});
}

std::string VersionText() {
    std::array<unsigned char, 256> buffer{};
    ImportVersionInfo(buffer.data());
    return std::string(reinterpret_cast<const char*>(buffer.data()) + 1, buffer[0]);
}

class ImpApiMainModule : public testing::Test {
protected:
    void SetUp() override {
        plugin::InitializeImpApiMain();
        calls.clear();
    }
    void TearDown() override { plugin::FinalizeImpApiMain(); }
};

TEST_F(ImpApiMainModule, StartsWithTheGenericDefaultsAndEmptySlots) {
    EXPECT_EQ(VersionText(), "1.0");
    EXPECT_EQ(plugin::PluginDescriptor.ExportRoutine, nullptr);
    EXPECT_EQ(plugin::PluginDescriptor.HostStatusCallback, nullptr);
    const double initial = 0.0;
    EXPECT_LT(ExportXML("C:\\", 0, 0, &initial, "UserLogin=a\r\nPassword=b"), 0)
        << "no routine: a negative code";
}

TEST_F(ImpApiMainModule, ProviderInstallsItsVersionAndRoutine) {
    provider::InitializeImpApiKalvento();
    EXPECT_EQ(VersionText(), "2.0.1");
    EXPECT_EQ(plugin::PluginDescriptor.ExportRoutine, &provider::KalventoExportRoutine);
    const double initial = 0.0;
    EXPECT_EQ(ExportXML("C:\\", 0, 0, &initial, nullptr), -11) << "forwarded to the provider's routine";
}

TEST_F(ImpApiMainModule, UnloadReleasesTheVersionButKeepsTheCallback) {
    RegProgrCallback(Record);
    plugin::FinalizeImpApiMain();
    EXPECT_EQ(VersionText(), "");
    EXPECT_EQ(plugin::PluginDescriptor.HostStatusCallback, &Record);
}

TEST_F(ImpApiMainModule, ReportingGoesToTheRegisteredCallbackOnly) {
    plugin::DescriptorReporting host;
    host.StatusLine("ohne Empf\344nger");
    host.ProgressPulse();
    EXPECT_FALSE(host.CallbackRegistered());
    EXPECT_TRUE(calls.empty());

    EXPECT_EQ(RegProgrCallback(Record), 0);
    EXPECT_TRUE(host.CallbackRegistered());
    host.StatusLine("Zeile \374");
    host.ProgressPulse();
    EXPECT_EQ(calls, (std::vector<Call>{{3, 0, "Zeile \374"}, {9, 5, ""}}));

    EXPECT_EQ(RegProgrCallback(nullptr), 0);
    host.StatusLine("danach");
    EXPECT_EQ(calls.size(), 2u);
}

}  // namespace
