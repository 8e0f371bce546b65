#include "Class/ServiceCore/UnitTools/KXDataCoding.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/ServiceCore/UnitTools/KXMD5.h"
#include "Class/ServiceCore/UnitTools/KXStateFile.h"
#include "Class/ServiceCore/UnitTools/KXTransformer.h"
#include "Lib/ImageLoading/ILMemoryPolicy.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/Semaphore.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Foundation/Sanitizers.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Platform/Storage/Paths.h"
#include "Support/LimitedChild.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>

using foundation::Dictionary;
using foundation::Id;
using foundation::String;

namespace {
foundation::Ref<String> text(const char* s)
{
    return String::create(s);
}

// A keyed archive written by hand whose "$objects" hold an array of `outer` references to one
// array of `inner` references to one text. A reader that builds a tree, copying a shared object
// for every reference to it, would make outer x inner nodes of it.
std::string fanningArchive(std::size_t outer, std::size_t inner)
{
    auto bigEndian = [](std::uint64_t value, std::size_t size) {
        std::string out(size, '\0');
        for (std::size_t i = size; i-- > 0; value >>= 8)
            out[i] = static_cast<char>(value & 0xFF);
        return out;
    };
    auto header = [&](unsigned marker, std::size_t count) {
        if (count < 15)
            return std::string(1, static_cast<char>(marker | count));
        return std::string{static_cast<char>(marker | 0x0F), '\x12'} + bigEndian(count, 4);
    };
    auto refs = [&](std::initializer_list<std::size_t> targets) {
        std::string out;
        for (auto target : targets)
            out += bigEndian(target, 2);
        return out;
    };
    auto repeated = [&](std::size_t target, std::size_t times) {
        std::string out;
        for (std::size_t i = 0; i < times; ++i)
            out += refs({target});
        return out;
    };
    auto ascii = [&](const std::string& value) { return header(0x50, value.size()) + value; };
    const std::vector<std::string> objects = {
        header(0xD0, 3) + refs({1, 2, 3}) + refs({4, 5, 6}), // the root
        ascii("$archiver"),
        ascii("$top"),
        ascii("$objects"),
        ascii("NSKeyedArchiver"),
        header(0xD0, 1) + refs({7}) + refs({8}), // $top: {listData: UID 1}
        header(0xA0, 2) + refs({9, 10}),         // $objects: [$null, the fan]
        ascii("listData"),
        std::string("\x80\x01"),
        ascii("$null"),
        header(0xA0, outer) + repeated(11, outer),
        header(0xA0, inner) + repeated(12, inner),
        ascii("x"),
    };
    std::string bytes = "bplist00";
    std::string table;
    for (const auto& object : objects) {
        table += bigEndian(bytes.size(), 4);
        bytes += object;
    }
    const std::size_t tableOffset = bytes.size();
    bytes += table + std::string(6, '\0') + "\x04\x02" + bigEndian(objects.size(), 8) + bigEndian(0, 8)
        + bigEndian(tableOffset, 8);
    return bytes;
}
} // namespace

TEST(KXFileManager, ArchivesLiveInAFolderNamedAfterTheKey)
{
    auto& files = KXFileManager::sharedKXFileManager();
    auto info = Dictionary::create({{Id("token"), Id("abc")},
                                    {Id("vip"), Id(2)},
                                    {Id("groups"), Id(foundation::Array::create({Id("a"), Id(Dictionary::create({{Id("id"), Id(7)}}))}))}});
    files.writeEncryptDataWithDictionary(info, text("userInfo"));
    auto expected = foundation::Paths::cacheDirectory() / "kxData" / "userInfo" / "userInfo";
    EXPECT_TRUE(std::filesystem::is_regular_file(expected));
    EXPECT_EQ(files.pathForDocumentWithComponent(text("userInfo"))->utf8(), expected.string());

    Id back = files.returnDecryptDataByPathKey(text("userInfo"));
    EXPECT_TRUE(back.isEqual(Id(info)));
    EXPECT_EQ(back["groups"][1]["id"].integerValue(), 7);

    // The archive keeps its root object under "listData".
    auto data = foundation::Data::dataWithContentsOfFile(expected);
    EXPECT_TRUE(KXTransformer::sharedKXTransformer().returnDictionaryWithData(data).isEqual(Id(info)));

    files.removeFileByPathkey(text("userInfo"));
    EXPECT_FALSE(std::filesystem::exists(expected));
    EXPECT_TRUE(std::filesystem::is_directory(expected.parent_path())) << "the key's folder stays";
    EXPECT_TRUE(files.returnDecryptDataByPathKey(text("userInfo")).isNil());
}

TEST(KXFileManager, BackgroundWritesReturnAtOnceAndLandInOrderBeforeLaterReadsAndWrites)
{
    auto& files = KXFileManager::sharedKXFileManager();
    const auto key = text("fromReply");
    const auto path = files.pathForDocumentWithComponent(key);
    const auto numbered = [](int n, std::size_t size = 1) {
        auto dictionary = foundation::MutableDictionary::create();
        dictionary->setObject(Id(n), Id("n"));
        for (std::size_t i = 1; i < size; ++i)
            dictionary->setObject(Id(static_cast<long long>(i)), Id("k" + std::to_string(i)));
        return Id(dictionary);
    };
    const auto landed = [&] { return KXTransformer::sharedKXTransformer().returnDictionaryWithDataPath(path)["n"].integerValue(); };
    files.writeEncryptDataWithDictionary(numbered(0), key);

    // While the file's queue is held, the writes are asked for and the caller goes on; other files
    // are read and written meanwhile (the hold gives up after 20 s, so that a wait fails the test
    // instead of hanging it).
    dispatch::Semaphore hold;
    files.backgroundWriteQueue(key)->async([hold]() mutable { hold.wait(20); });
    for (int n = 1; n <= 3; ++n)
        files.writeEncryptDataInBackground(numbered(n), key);
    files.writeEncryptDataWithDictionary(numbered(8), text("otherFile"));
    EXPECT_EQ(files.returnDecryptDataByPathKey(text("otherFile"))["n"].integerValue(), 8);
    EXPECT_EQ(landed(), 0);
    hold.signal();
    files.waitForBackgroundWrites();
    EXPECT_EQ(landed(), 3);

    // A read or a write right after a background write waits for it.
    files.writeEncryptDataInBackground(numbered(4, 5000), key);
    EXPECT_EQ(files.returnDecryptDataByPathKey(key)["n"].integerValue(), 4);
    files.writeEncryptDataInBackground(numbered(5, 5000), key);
    files.writeEncryptDataWithDictionary(numbered(6), key);
    files.waitForBackgroundWrites();
    EXPECT_EQ(landed(), 6);
    files.writeEncryptDataInBackground(numbered(7, 5000), key);
    files.removeFileByPathkey(key);
    files.waitForBackgroundWrites();
    EXPECT_FALSE(std::filesystem::exists(path->utf8()));
}

namespace {
// The process's resident size, in bytes.
std::uint64_t residentBytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:"))
            return std::stoull(line.substr(6)) * 1024;
    }
    return 0;
}

// A reply of tags as the service sends it: per language, one class of `count` tags.
Id tagsReply(std::size_t count)
{
    auto reply = foundation::MutableDictionary::create();
    for (const char* language : { "ENG", "ZH" }) {
        auto tags = foundation::MutableArray::create();
        for (std::size_t i = 0; i < count; ++i) {
            auto tag = foundation::MutableDictionary::create();
            tag->setObject(Id("tag " + std::to_string(i) + " of " + language), Id("tagname"));
            tag->setObject(Id(static_cast<long long>(i)), Id("tagid"));
            tags->addObject(Id(tag));
        }
        auto group = foundation::MutableDictionary::create();
        group->setObject(Id("class"), Id("classname"));
        group->setObject(Id(tags), Id("data"));
        reply->setObject(Id(foundation::MutableArray::create({ Id(group) })), Id(language));
    }
    return Id(reply);
}
} // namespace

TEST(KXFileManager, ALargeValueWrittenInBackgroundLeavesNothingResidentOnceLetGo)
{
    if (foundation::kSanitizerAllocator)
        GTEST_SKIP() << "the sanitizer's own allocator serves malloc here, and keeps what is freed";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // In a child of its own, with the client's allocator policy, so that what the other tests
    // left in the heap does not count. Its exit status: what stayed resident, in eighths of what
    // the value took.
    EXPECT_EXIT(
        {
            ILApplyProcessMemoryPolicy();
            auto& files = KXFileManager::sharedKXFileManager();
            const std::uint64_t before = residentBytes();
            Id reply = tagsReply(8000);
            // What the caller keeps of the reply is made after it, above it in the heap, as the
            // home page's tag lists are.
            const auto kept = String::create(std::string(64, 'k'));
            const std::uint64_t taken = residentBytes() - before;
            files.writeEncryptDataInBackground(reply, text("manyTags"));
            reply = Id();
            files.waitForBackgroundWrites();
            const std::uint64_t stayed = residentBytes() - before;
            std::_Exit(static_cast<int>(std::min<std::uint64_t>(stayed * 8 / std::max<std::uint64_t>(taken, 1), 100)));
        },
        [](int status) {
            // Half of it at most: the archive's file and the allocator's own pages stay.
            return WIFEXITED(status) && WEXITSTATUS(status) <= 4;
        },
        "");
}

TEST(KXFileManager, MissingOrDamagedArchivesReadAsNil)
{
    auto& files = KXFileManager::sharedKXFileManager();
    EXPECT_TRUE(files.returnDecryptDataByPathKey(text("neverWritten")).isNil());
    EXPECT_TRUE(std::filesystem::is_directory(foundation::Paths::cacheDirectory() / "kxData" / "neverWritten"))
        << "reading makes the key's empty folder";
    auto path = files.pathForDocumentWithComponent(text("damaged"));
    ASSERT_TRUE(foundation::Data::create(std::string_view("not an archive"))->writeToFile(path->utf8(), true));
    EXPECT_TRUE(files.returnDecryptDataByPathKey(text("damaged")).isNil());
    // Set aside for a look; the key starts afresh.
    EXPECT_FALSE(std::filesystem::exists(path->utf8()));
    EXPECT_EQ(foundation::Data::dataWithContentsOfFile(path->utf8() + ".damaged")->view(), "not an archive");
    files.writeEncryptDataWithDictionary(Id(Dictionary::create({{Id("k"), Id("v")}})), text("damaged"));
    EXPECT_EQ(files.returnDecryptDataByPathKey(text("damaged"))["k"].stringValue(), "v");
    EXPECT_EQ(files.pathForDocumentWithComponent(text("")), nullptr);
}

TEST(KXFileManager, StateFilesArePrivateAndReadWithABound)
{
    namespace fs = std::filesystem;
    auto& files = KXFileManager::sharedKXFileManager();
    files.writeEncryptDataWithDictionary(Id(Dictionary::create({{Id("token"), Id("abc")}})), text("accountInfo"));
    const fs::path path = files.pathForDocumentWithComponent(text("accountInfo"))->utf8();
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    // Larger than any state file the client writes: not read, set aside.
    fs::resize_file(path, KXStateFile::kMaxBytes + 1);
    EXPECT_TRUE(files.returnDecryptDataByPathKey(text("accountInfo")).isNil());
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(fs::file_size(KXStateFile::setAsidePath(path)), KXStateFile::kMaxBytes + 1);

    // Something that is no file in its place (a pipe nobody writes to) does not hang the reader.
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_TRUE(files.returnDecryptDataByPathKey(text("accountInfo")).isNil());
    EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
}

TEST(KXFileManager, PropertyListFilesShareRepeatedReferences)
{
    // A binary list of 2,000 references to one array of 2,000 references to one text: read with
    // copies for references it would hold four million elements.
    std::string bytes = "bplist00";
    const auto offsetOf = [&] { return static_cast<std::uint16_t>(bytes.size()); };
    auto bigEndian16 = [](std::size_t value) { return std::string{static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)}; };
    const auto textAt = offsetOf();
    bytes += "\x51x";
    const auto innerAt = offsetOf();
    bytes += std::string("\xAF\x11") + bigEndian16(2000);
    for (int i = 0; i < 2000; ++i)
        bytes += bigEndian16(0);
    const auto outerAt = offsetOf();
    bytes += std::string("\xAF\x11") + bigEndian16(2000);
    for (int i = 0; i < 2000; ++i)
        bytes += bigEndian16(1);
    const auto tableAt = bytes.size();
    bytes += bigEndian16(textAt) + bigEndian16(innerAt) + bigEndian16(outerAt);
    bytes += std::string(6, '\0') + "\x02\x02" + std::string(7, '\0') + "\x03" + std::string(7, '\0') + "\x02" + std::string(6, '\0')
        + bigEndian16(tableAt);
    const auto path = foundation::Paths::cacheDirectory() / "kxData" / "shared.plsit";
    std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(foundation::Data::create(std::string_view(bytes))->writeToFile(path, true));

    auto array = KXFileManager::sharedKXFileManager().getArrayByPlist(text("shared"));
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(array->count(), 2000u);
    EXPECT_EQ(array->objectAtIndex(0).ptr<foundation::Array>(), array->objectAtIndex(1999).ptr<foundation::Array>())
        << "one shared inner array, not 2,000 copies";
    EXPECT_EQ(array->objectAtIndex(7).ptr<foundation::Array>()->objectAtIndex(1999).stringValue(), "x");
}

TEST(KXFileManager, ArchivesThatWouldUnfoldAreSetAsideInBoundedMemory)
{
    // 8 KB naming four million nodes (about half a gigabyte as a tree): refused before the
    // archive's property list is parsed, in a child with 256 MiB more room than it starts with.
    const std::string bytes = fanningArchive(2000, 2000);
    ASSERT_LT(bytes.size(), 9000u);
    const auto data = foundation::Data::create(std::string_view(bytes));
    auto& files = KXFileManager::sharedKXFileManager();
    const std::filesystem::path path = files.pathForDocumentWithComponent(text("fanOut"))->utf8();
    ASSERT_TRUE(data->writeToFile(path, true));

    const testsupport::ChildOutcome outcome = testsupport::runLimited({0, 256ull << 20}, [&] {
        foundation::Ref<foundation::Error> error;
        if (foundation::KeyedUnarchiver::create(*data, &error) || !error
            || error->code() != foundation::NSCoderReadCorruptError
            || error->objectForUserInfoKey(foundation::NSDebugDescriptionErrorKey).stringValue()
                != "Property list has more elements than the read allows")
            return 1;
        return files.returnDecryptDataByPathKey(text("fanOut")).isNil() ? 0 : 2;
    });
    EXPECT_TRUE(outcome.exited && outcome.exitCode == 0) << outcome.describe();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(KXStateFile::setAsidePath(path)), bytes.size());
}

TEST(KXFileManager, CopyRefusesAMissingSourceWithItsNamedError)
{
    auto& files = KXFileManager::sharedKXFileManager();
    auto dir = testsupport::makeScratchDir("copy");
    foundation::Ref<foundation::Error> error;
    EXPECT_FALSE(files.copyItemAtPath(String::create((dir / "nothing").string()), String::create((dir / "x").string()),
                                      true, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->domain(), "非法的源文件路径");
    EXPECT_EQ(error->localizedFailureReason(), "源文件路径" + (dir / "nothing").string() + "不存在，请检查源文件路径");

    ASSERT_TRUE(foundation::Data::create(std::string_view("new"))->writeToFile(dir / "a.ttf", true));
    ASSERT_TRUE(foundation::Data::create(std::string_view("old"))->writeToFile(dir / "b.ttf", true));
    EXPECT_TRUE(files.copyItemAtPath(String::create((dir / "a.ttf").string()),
                                     String::create((dir / "deeper" / "c.ttf").string()), false));
    EXPECT_TRUE(files.copyItemAtPath(String::create((dir / "a.ttf").string()), String::create((dir / "b.ttf").string()),
                                     true));
    EXPECT_EQ(foundation::Data::dataWithContentsOfFile(dir / "b.ttf")->view(), "new");
    EXPECT_FALSE(files.copyItemAtPath(String::create((dir / "a.ttf").string()), String::create((dir / "b.ttf").string()),
                                      false))
        << "without overwrite an existing target is a failure";
    EXPECT_EQ(files.directoryAtPath(text("/a/b/c.ttf"))->utf8(), "/a/b");
}

TEST(KXFileManager, PropertyListFiles)
{
    auto& files = KXFileManager::sharedKXFileManager();
    files.writeToPlistWithArray(foundation::Array::create({Id(1), Id("two")}), text("history"));
    EXPECT_TRUE(std::filesystem::exists(foundation::Paths::cacheDirectory() / "kxData" / "history.plsit"));
    auto array = files.getArrayByPlist(text("history"));
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->objectAtIndex(1).stringValue(), "two");
    EXPECT_EQ(files.getDicByPlist(text("history")), nullptr) << "an array is not a dictionary";
}

TEST(KXMD5, DigestsAsLowerCaseHex)
{
    EXPECT_EQ(KXMD5::md5String(nullptr)->utf8(), "");
    EXPECT_EQ(KXMD5::md5String(text(""))->utf8(), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(KXMD5::md5String(text("abc"))->utf8(), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(KXMD5::getShaString(text("abc"))->utf8(), "a9993e364706816aba3e25717850c26c9cd0d89d");
    auto dir = testsupport::makeScratchDir("md5");
    std::string big(20000, 'x');
    ASSERT_TRUE(foundation::Data::create(std::string_view(big))->writeToFile(dir / "f", true));
    EXPECT_EQ(KXMD5::getFileMD5WithPath(String::create((dir / "f").string()))->utf8(),
              KXMD5::md5String(String::create(big))->utf8());
    EXPECT_EQ(KXMD5::getFileMD5WithPath(String::create((dir / "missing").string())), nullptr);
}

TEST(KXDataCoding, Base64AndTheAesTextHelpers)
{
    EXPECT_EQ(base64Encodings(*foundation::Data::create(std::string_view("a")))->utf8(), "YQ==");
    EXPECT_EQ(dataWithBase64EncodedString(text("YW\nJj=="))->view(), "abc");
    EXPECT_EQ(dataWithBase64EncodedString(text("YW*J")), nullptr);
    EXPECT_EQ(dataWithBase64EncodedString(text("YWJjZ")), nullptr) << "a last group of one character";
    EXPECT_EQ(dataWithBase64EncodedString(text(""))->length(), 0u);

    auto cipher = AES128EncryptWithPlainText(text("字体 fonts"));
    ASSERT_NE(cipher, nullptr);
    EXPECT_EQ(cipher->utf8().size() % 4, 0u);
    EXPECT_EQ(AES128DecryptWithCiphertext(cipher)->utf8(), "字体 fonts");
    EXPECT_EQ(AES128DecryptWithCiphertext(text("AAAA")), nullptr) << "not a whole block";
}
