// The plug-in's generic and provider exports as a host calls them, including bad input.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>

#include "support/PluginHost.h"

namespace {

using testenv::PluginHost;

TEST(PluginBoundary, VersionInfoIsTheInterfaceVersion) {
    const PluginHost plugin;
    EXPECT_EQ(plugin.VersionInfo(), 40300);
    plugin.RegProgrCallback(testenv::RecordingCallback);
    EXPECT_EQ(plugin.VersionInfo(), 40300);
}

TEST(PluginBoundary, ImportVersionInfoWritesTheProviderVersionAsShortStringOnly) {
    const PluginHost plugin;
    std::array<unsigned char, 256> buffer;
    buffer.fill(0xAA);
    plugin.ImportVersionInfo(buffer.data());
    EXPECT_EQ(buffer[0], 5);
    EXPECT_EQ(std::memcmp(buffer.data() + 1, "2.0.1", 5), 0);
    EXPECT_EQ(buffer[6], 0xAA) << "nothing is written after the characters";
    plugin.ImportVersionInfo(nullptr);
}

TEST(PluginBoundary, AppVersionCheckAcceptsFrom40333) {
    const PluginHost plugin;
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {40332, -1}, {40333, 0}, {40334, 0}, {INT_MAX, 0}, {0, -1}, {-40333, -1}, {INT_MIN, -1}};
    for (const auto& [version, expected] : cases) {
        EXPECT_EQ(plugin.AppVersionCheck(version), expected) << version;
    }
}

TEST(PluginBoundary, GetExportErrorMsgWritesKnownTextsAndLeavesTheBufferOtherwise) {
    const PluginHost plugin;
    std::array<char, 200> buffer;
    for (const std::int32_t code : {0, -10, -13, -20, -24, -27, -30, -33, 1, INT_MIN}) {
        buffer.fill('#');
        EXPECT_EQ(plugin.GetExportErrorMsg(code, buffer.data()), -1) << code;
        EXPECT_EQ(buffer[0], '#') << code;
    }
    EXPECT_EQ(plugin.GetExportErrorMsg(-23, nullptr), -1) << "a missing buffer receives nothing";

    buffer.fill('#');
    ASSERT_EQ(plugin.GetExportErrorMsg(-1015, buffer.data()), 0);
    EXPECT_STREQ(buffer.data(), "Download durch Benutzer abgebrochen");
    ASSERT_EQ(plugin.GetExportErrorMsg(-9, buffer.data()), 0);
    EXPECT_STREQ(buffer.data(), "Proxy-Fehler: Authentifizierung erforderlich");

    // The longest text fills the host's 144 bytes exactly, terminator included.
    buffer.fill('#');
    ASSERT_EQ(plugin.GetExportErrorMsg(-23, buffer.data()), 0);
    EXPECT_EQ(buffer[142], '.');
    EXPECT_EQ(buffer[143], '\0');
    EXPECT_EQ(buffer[144], '#');
}

TEST(PluginBoundary, RegProgrCallbackReturnsZeroAndNullSwitchesReportingOff) {
    const PluginHost plugin;
    EXPECT_EQ(plugin.RegProgrCallback(testenv::RecordingCallback), 0);
    EXPECT_EQ(plugin.RegProgrCallback(nullptr), 0);
    const testenv::ScratchDirectory target;
    const double lastImport = 46022.0;
    EXPECT_EQ(plugin.ExportXML(target.Path().c_str(), 0, 0, &lastImport, "UserLogin=bytes\r\nPassword=x"), 0);
    EXPECT_TRUE(testenv::RecordedCalls().empty()) << "the registered callback was replaced by none";
    EXPECT_EQ(target.Files().size(), 1u);
}

TEST(PluginBoundary, ExportWithoutCredentialsOrDateIsRefusedWithoutRequest) {
    const PluginHost plugin;
    plugin.RegProgrCallback(testenv::RecordingCallback);
    const testenv::ScratchDirectory target;
    const testenv::RequestLog log;
    const double initial = 0.0;
    EXPECT_EQ(plugin.ExportXML(target.Path().c_str(), 1, 2, &initial, nullptr), -11);
    EXPECT_EQ(plugin.ExportXML(target.Path().c_str(), 0, 0, nullptr, "UserLogin=4711\r\nPassword=geheim"),
              -32);
    EXPECT_EQ(plugin.ExportXML(nullptr, 0, 0, &initial, "UserLogin=4711\r\nPassword=geheim"), -31);
    EXPECT_TRUE(log.NewLines().empty());
    EXPECT_TRUE(testenv::RecordedCalls().empty());
    EXPECT_TRUE(target.Files().empty());
}

TEST(PluginBoundary, ReloadedLibraryWorksLikeTheFirstLoad) {
    // Window classes registered by the first load must not point into the unloaded library.
    for (int load = 0; load < 2; ++load) {
        const PluginHost plugin;
        plugin.RegProgrCallback(testenv::RecordingCallback);
        const testenv::ScratchDirectory target;
        const double lastImport = 46022.0;
        EXPECT_EQ(plugin.ExportXML(target.Path().c_str(), 0, 0, &lastImport, "UserLogin=bytes\r\nPassword=x"),
                  0);
        EXPECT_EQ(target.Files().size(), 1u);
        EXPECT_GE(testenv::RecordedCalls().size(), 4u) << "a status line, and pulses around the shown window";
    }
}

}  // namespace
