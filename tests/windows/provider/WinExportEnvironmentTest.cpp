// The export file on a real file system: complete under its name or absent, never a stray temporary file.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "provider/win32/WinExportEnvironment.h"
#include "support/TestEnvironment.h"

namespace {

using Names = std::set<std::string>;

class WinExportFile : public testing::Test {
protected:
    std::string Target(const char* name) const { return scratch.Path() + "\\" + name; }

    testenv::ScratchDirectory scratch;
    provider::WinExportEnvironment environment;
};

TEST_F(WinExportFile, OnlyAnExistingDirectoryIsWritableAndTheProbeLeavesNothing) {
    EXPECT_TRUE(environment.IsWritableDirectory(scratch.Path()));
    EXPECT_TRUE(environment.IsWritableDirectory(scratch.Path() + "\\"));
    EXPECT_FALSE(environment.IsWritableDirectory(Target("missing")));
    const std::string file = Target("a-file");
    ::CloseHandle(::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_FALSE(environment.IsWritableDirectory(file));
    EXPECT_EQ(scratch.Files(), Names{"a-file"});
}

TEST_F(WinExportFile, CommittedFileHoldsEveryByteUnderItsName) {
    const std::string bytes("<?xml?>\0\377\r\n", 11);
    {
        auto file = environment.CreateExportFile(Target("export.xml"));
        ASSERT_TRUE(file);
        EXPECT_TRUE(file->Write(bytes.data(), 5));
        EXPECT_TRUE(file->Write(bytes.data() + 5, bytes.size() - 5));
        EXPECT_EQ(scratch.Files().count("export.xml"), 0u) << "nothing under the name before it is complete";
        EXPECT_TRUE(file->Commit());
    }
    EXPECT_EQ(scratch.Files(), Names{"export.xml"});
    EXPECT_EQ(testenv::ReadFileBytes(Target("export.xml")), bytes);
}

TEST_F(WinExportFile, CommitReplacesAFileOfTheSameName) {
    for (const std::string content : {"first, and longer", "second"}) {
        auto file = environment.CreateExportFile(Target("export.xml"));
        ASSERT_TRUE(file);
        EXPECT_TRUE(file->Write(content.data(), content.size()));
        EXPECT_TRUE(file->Commit());
    }
    EXPECT_EQ(scratch.Files(), Names{"export.xml"});
    EXPECT_EQ(testenv::ReadFileBytes(Target("export.xml")), "second");
}

TEST_F(WinExportFile, UncommittedFileLeavesNothing) {
    {
        auto file = environment.CreateExportFile(Target("export.xml"));
        ASSERT_TRUE(file);
        EXPECT_TRUE(file->Write("partial", 7));
    }
    EXPECT_TRUE(scratch.Files().empty());
}

TEST_F(WinExportFile, FailedCommitLeavesNothingAndKeepsWhatStoodThere) {
    ASSERT_TRUE(::CreateDirectoryA(Target("export.xml").c_str(), nullptr));
    {
        auto file = environment.CreateExportFile(Target("export.xml"));
        ASSERT_TRUE(file);
        EXPECT_TRUE(file->Write("body", 4));
        EXPECT_FALSE(file->Commit()) << "a directory stands under the name";
    }
    EXPECT_TRUE(scratch.Files().empty());
    EXPECT_FALSE(environment.CreateExportFile(Target("missing\\export.xml")))
        << "no directory to create it in";
}

TEST_F(WinExportFile, NowIsTheLocalTime) {
    const auto seconds = [](const SYSTEMTIME& time) {
        FILETIME file;
        ::SystemTimeToFileTime(&time, &file);
        return ((static_cast<long long>(file.dwHighDateTime) << 32) | file.dwLowDateTime) / 10000000;
    };
    SYSTEMTIME local;
    ::GetLocalTime(&local);
    const provider::LocalTime now = environment.Now();
    SYSTEMTIME reported{};
    reported.wYear = static_cast<WORD>(now.Year);
    reported.wMonth = static_cast<WORD>(now.Month);
    reported.wDay = static_cast<WORD>(now.Day);
    reported.wHour = static_cast<WORD>(now.Hour);
    reported.wMinute = static_cast<WORD>(now.Minute);
    reported.wSecond = static_cast<WORD>(now.Second);
    EXPECT_LE(seconds(reported) - seconds(local), 1);
    EXPECT_GE(seconds(reported) - seconds(local), 0);
}

}  // namespace
