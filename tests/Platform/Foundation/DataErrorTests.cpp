#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

using namespace foundation;

TEST(Data, Base64RoundTripsAndRejectsGarbage)
{
    EXPECT_EQ(Data::create(std::string_view("foobar"))->base64EncodedString(), "Zm9vYmFy");
    EXPECT_EQ(Data::create(std::string_view("fooba"))->base64EncodedString(), "Zm9vYmE=");
    EXPECT_EQ(Data::create(std::string_view("f"))->base64EncodedString(), "Zg==");
    EXPECT_EQ(Data::fromBase64("Zm9v\nYmE=")->view(), "fooba");
    EXPECT_EQ(Data::fromBase64("Zm9v!"), nullptr);
    EXPECT_EQ(Data::fromBase64("Zm9vY"), nullptr);
    EXPECT_EQ(Data::fromBase64("Zg==Zg=="), nullptr);
}

TEST(Data, DescriptionHasThePlatformsModernForm)
{
    EXPECT_EQ(Data::create(std::string_view("abc"))->description(), "{length = 3, bytes = 0x616263}");
    std::string longer(40, 'a');
    EXPECT_EQ(Data::create(std::string_view(longer))->description(),
              "{length = 40, bytes = 0x61616161616161616161616161616161 ... 6161616161616161}");
}

TEST(Data, AtomicWritesReplaceWholeFilesOrLeaveTheOldOne)
{
    auto dir = testsupport::makeScratchDir("data");
    auto path = dir / "state.bin";
    ASSERT_TRUE(Data::create(std::string_view("old"))->writeToFile(path, true));
    ASSERT_TRUE(Data::create(std::string_view("new contents"))->writeToFile(path, true));
    EXPECT_EQ(Data::dataWithContentsOfFile(path)->view(), "new contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "no temporary file is left";

    // A rename that cannot happen (a folder stands at the path): the write fails, nothing is lost.
    auto blocked = dir / "blocked";
    std::filesystem::create_directories(blocked / "child");
    Ref<Error> error;
    EXPECT_FALSE(Data::create(std::string_view("lost"))->writeToFile(blocked, true, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->domain(), "NSCocoaErrorDomain");
    EXPECT_TRUE(std::filesystem::is_directory(blocked / "child"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2) << "the temporary file was removed";

    // A folder that does not exist.
    error = nullptr;
    EXPECT_FALSE(Data::create(std::string_view("x"))->writeToFile(dir / "no" / "such" / "file", true, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), NSFileNoSuchFileError);
}

TEST(Data, ReadingAMissingFileReportsThePlatformsError)
{
    Ref<Error> error;
    auto path = testsupport::makeScratchDir("missing") / "nothing.plist";
    EXPECT_EQ(Data::dataWithContentsOfFile(path, &error), nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), NSFileReadNoSuchFileError);
    EXPECT_EQ(error->localizedDescription(), "The file “nothing.plist” couldn’t be opened because there is no such file.");
    EXPECT_EQ(error->objectForUserInfoKey(NSFilePathErrorKey).stringValue(), path.string());
    EXPECT_EQ(error->underlyingError()->domain(), "NSPOSIXErrorDomain");
    EXPECT_EQ(error->underlyingError()->code(), 2);
}

TEST(Data, BoundedReadsTakeRegularFilesUpToTheLimitOnly)
{
    const auto dir = testsupport::makeScratchDir("bounded");
    const auto path = dir / "state";
    std::ofstream(path, std::ios::binary) << "0123456789";
    ASSERT_NE(Data::dataWithContentsOfRegularFile(path, 10), nullptr);
    EXPECT_EQ(Data::dataWithContentsOfRegularFile(path, 10)->view(), "0123456789");

    Ref<Error> error;
    EXPECT_EQ(Data::dataWithContentsOfRegularFile(path, 9, &error), nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), NSFileReadTooLargeError);
    EXPECT_EQ(error->localizedDescription(), "The file “state” couldn’t be opened because it is too large.");
    EXPECT_EQ(error->underlyingError()->code(), EFBIG);

    // No regular file: a folder, and a pipe nobody writes to, which must not hang the read.
    std::filesystem::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    for (const char* name : {"folder", "pipe"}) {
        SCOPED_TRACE(name);
        error = nullptr;
        EXPECT_EQ(Data::dataWithContentsOfRegularFile(dir / name, 1024, &error), nullptr);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->code(), NSFileReadUnknownError);
    }

    error = nullptr;
    EXPECT_EQ(Data::dataWithContentsOfRegularFile(dir / "missing", 1024, &error), nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), NSFileReadNoSuchFileError);
}

TEST(Error, DescriptionsAndDefaults)
{
    auto plain = Error::errorWithDomain("com.example", 7);
    EXPECT_EQ(plain->localizedDescription(), "The operation couldn’t be completed. (com.example error 7.)");
    EXPECT_EQ(plain->description(), "Error Domain=com.example Code=7 \"(null)\"");
    auto info = MutableDictionary::create({{Id(NSLocalizedDescriptionKey), Id("Request failed")}});
    auto error = Error::errorWithDomain("com.ostrelle.error.serialization.response", -1011, info);
    info->setObject(Id("changed"), Id(NSLocalizedDescriptionKey));
    EXPECT_EQ(error->localizedDescription(), "Request failed") << "the error keeps its own copy of the user info";
    EXPECT_EQ(error->description(),
              "Error Domain=com.ostrelle.error.serialization.response Code=-1011 \"Request failed\" "
              "UserInfo={NSLocalizedDescription=Request failed}");
}

TEST(Date, DescriptionAndReferenceDate)
{
    auto date = Date::dateWithTimeIntervalSince1970(1796590858.75);
    EXPECT_EQ(date->description(), "2026-12-06 21:00:58 +0000");
    EXPECT_DOUBLE_EQ(Date::dateWithTimeIntervalSinceReferenceDate(0)->timeIntervalSince1970(), 978307200.0);
}
