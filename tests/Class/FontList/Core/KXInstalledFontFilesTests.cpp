#include "Class/FontList/Core/KXInstalledFontFiles.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

void write(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

using Files = std::set<fs::path>;

} // namespace

TEST(KXInstalledFontFiles, OnlyFilesStillAsWrittenForTheSameFontAreKnown)
{
    const fs::path folder = testsupport::makeScratchDir("installedfiles");
    KXInstalledFontFiles record(folder / KXInstalledFontFiles::kFileName);
    const KXInstalledFontFiles::Font font{7, "Corvane Seven"};
    for (const char* name : {"a.ttf", "b.ttf", "c.ttf"})
        write(folder / name, "font bytes");
    ASSERT_TRUE(record.recordWritten(font, {folder / "a.ttf", folder / "b.ttf", folder / "c.ttf"}));
    EXPECT_EQ(record.filesOf(font), (Files{folder / "a.ttf", folder / "b.ttf", folder / "c.ttf"}));
    EXPECT_EQ(record.filesOf({7, "Corvane Other"}), Files{}) << "another font of the same id";
    EXPECT_EQ(record.filesOf({8, "Corvane Seven"}), Files{}) << "another id of the same name";

    // Written over in place with the same bytes, renamed away and back, removed: none is the file
    // the client wrote any more.
    write(folder / "a.ttf", "font bytes");
    fs::rename(folder / "b.ttf", folder / "b.moved");
    fs::rename(folder / "b.moved", folder / "b.ttf");
    fs::remove(folder / "c.ttf");
    EXPECT_EQ(record.filesOf(font), Files{});

    // The next record drops what no longer holds and keeps the rest.
    write(folder / "d.ttf", "other bytes");
    ASSERT_TRUE(record.recordWritten({9, "Corvane Nine"}, {folder / "d.ttf"}));
    ASSERT_TRUE(record.recordWritten(font, {folder / "a.ttf"}));
    EXPECT_EQ(record.filesOf(font), Files{folder / "a.ttf"});
    EXPECT_EQ(record.filesOf({9, "Corvane Nine"}), Files{folder / "d.ttf"});
}

TEST(KXInstalledFontFiles, ARecordThatCannotBeReadKnowsNoFile)
{
    const fs::path folder = testsupport::makeScratchDir("installedfiles");
    KXInstalledFontFiles record(folder / KXInstalledFontFiles::kFileName);
    const KXInstalledFontFiles::Font font{7, "Corvane Seven"};
    write(folder / "a.ttf", "font bytes");
    ASSERT_TRUE(record.recordWritten(font, {folder / "a.ttf"}));

    write(record.file(), "<?xml version=\"1.0\"?><plist><dict><key>cut");
    EXPECT_EQ(record.filesOf(font), Files{});
    fs::remove(record.file());
    fs::create_directory(record.file());
    EXPECT_EQ(record.filesOf(font), Files{});
}
