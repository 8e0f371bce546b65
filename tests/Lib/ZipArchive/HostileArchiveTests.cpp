// Archives that try to write outside the destination. Every one of them fails the run with
// ZipArchiveErrorCodeUnsafeEntry and leaves nothing outside.
#include "Lib/ZipArchive/ZipArchive.h"

#include "Support/TempHome.h"
#include "TestArchives.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using foundation::Error;
using foundation::Ref;
using namespace ziptest;

namespace {

class HostileArchiveTest : public testing::Test {
protected:
    void SetUp() override
    {
        scratch = testsupport::makeScratchDir("hostile");
        archive = scratch / "evil.zip";
        destination = scratch / "box" / "out";
        fs::create_directories(destination);
    }

    // Unpacks, expects the refusal, and checks that nothing appeared beside the destination.
    void expectRefused(const std::vector<RawEntry>& entries)
    {
        writeBytes(archive, rawArchive(entries));
        Ref<Error> error;
        EXPECT_FALSE(ZipArchive::unzipFileAtPath(archive, destination, true, "", &error));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain(), "ZipArchiveErrorDomain");
        EXPECT_EQ(error->code(), ZipArchiveErrorCodeUnsafeEntry);
        EXPECT_EQ(listTree(scratch / "box"), std::vector<std::string>(expectedInBox.begin(), expectedInBox.end()));
        EXPECT_EQ(listTree(scratch), expectedScratch());
    }

    std::vector<std::string> expectedScratch() const
    {
        std::vector<std::string> names{"box/", "evil.zip"};
        for (const std::string& name : expectedInBox)
            names.push_back("box/" + name);
        std::sort(names.begin(), names.end());
        return names;
    }

    RawEntry file(const std::string& name) const { return fileEntry(name, "pwned"); }

    fs::path scratch;
    fs::path archive;
    fs::path destination;
    std::vector<std::string> expectedInBox{"out/"};
};

} // namespace

TEST_F(HostileArchiveTest, ParentSegmentsThatClimbOutAreRefused)
{
    expectRefused({file("../escaped.txt")});
}

TEST_F(HostileArchiveTest, ParentSegmentsAfterAFolderThatStillClimbOutAreRefused)
{
    expectRefused({file("a/../../escaped.txt")});
}

TEST_F(HostileArchiveTest, BackslashParentSegmentsAreRefused)
{
    expectRefused({file("..\\escaped.txt")});
}

TEST_F(HostileArchiveTest, AbsoluteNamesAreRefused)
{
    expectRefused({file((scratch / "box" / "abs.txt").string())});
}

TEST_F(HostileArchiveTest, DriveLettersAreRefused)
{
    expectRefused({file("C:\\escaped.txt")});
    expectRefused({file("c:escaped.txt")});
}

TEST_F(HostileArchiveTest, LinkToAnAbsolutePathIsRefused)
{
    expectRefused({symlinkEntry("etc", "/etc")});
}

TEST_F(HostileArchiveTest, LinkClimbingOutIsRefused)
{
    expectedInBox = {"out/", "out/sub/"};
    expectRefused({symlinkEntry("sub/up", "../../..")});
}

TEST_F(HostileArchiveTest, LinkWithParentSegmentAfterADescentIsRefused)
{
    // "l" -> "." is harmless alone, but "l/.." would climb from wherever "l" points.
    expectedInBox = {"out/", "out/l"};
    expectRefused({symlinkEntry("l", "."), symlinkEntry("m", "l/../../x")});
}

TEST_F(HostileArchiveTest, FileWrittenThroughAnEarlierLinkIsRefused)
{
    expectedInBox = {"out/", "out/inner"};
    expectRefused({symlinkEntry("inner", "."), file("inner/escaped.txt")});
}

TEST_F(HostileArchiveTest, FolderMadeThroughAnEarlierLinkIsRefused)
{
    expectedInBox = {"out/", "out/inner"};
    expectRefused({symlinkEntry("inner", "."), folderEntry("inner/sub/")});
}

TEST_F(HostileArchiveTest, NameWithNulByteIsRefused)
{
    expectRefused({file(std::string("ok.txt\0/../../x", 15))});
}

TEST_F(HostileArchiveTest, NamesWithControlCharactersAreRefused)
{
    for (std::string name : {"new\nline.txt", "carriage\r.txt", "\x1b[2Jclear.txt", "tab\there.txt", "del\x7f.txt",
                             "folder\n/inside.txt"}) {
        SCOPED_TRACE(name);
        expectRefused({file(name)});
    }
    // U+009B, a C1 control that some terminals take as the start of an escape sequence.
    RawEntry c1 = file("csi\xC2\x9B" "2J.txt");
    c1.flag = 0x800;
    expectRefused({c1});
}

TEST_F(HostileArchiveTest, RefusedNamesAreReportedWithTheirControlCharactersEscaped)
{
    writeBytes(archive, rawArchive({file("fake\n[ZipArchive] all fine\x1b[0m")}));
    Ref<Error> error;
    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archive, destination, true, "", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(),
              "refused to unpack \"fake\\x0A[ZipArchive] all fine\\x1B[0m\" with a control character in its name");
}

TEST_F(HostileArchiveTest, SegmentsThatStayInsideAreResolved)
{
    writeBytes(archive, rawArchive({file("a/./b/../c.txt")}));
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, destination));
    EXPECT_EQ(listTree(destination), (std::vector<std::string>{"a/", "a/c.txt"}));
}

TEST_F(HostileArchiveTest, RefusalStopsTheRunBeforeLaterEntries)
{
    writeBytes(archive, rawArchive({file("first.txt"), file("../x"), file("last.txt")}));
    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archive, destination));
    EXPECT_EQ(listTree(destination), (std::vector<std::string>{"first.txt"}));
}
