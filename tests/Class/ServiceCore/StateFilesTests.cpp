#include "Class/ServiceCore/KXGlobalDataBase.h"
#include "Class/ServiceCore/UnitTools/KXDataCoding.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/ServiceCore/UnitTools/KXMD5.h"
#include "Class/ServiceCore/UnitTools/KXTransformer.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/Paths.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <filesystem>

using foundation::Dictionary;
using foundation::Id;
using foundation::String;

namespace {
foundation::Ref<String> text(const char* s)
{
    return String::create(s);
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

TEST(KXFileManager, MissingOrDamagedArchivesReadAsNil)
{
    auto& files = KXFileManager::sharedKXFileManager();
    EXPECT_TRUE(files.returnDecryptDataByPathKey(text("neverWritten")).isNil());
    EXPECT_TRUE(std::filesystem::is_directory(foundation::Paths::cacheDirectory() / "kxData" / "neverWritten"))
        << "reading makes the key's empty folder";
    auto path = files.pathForDocumentWithComponent(text("damaged"));
    ASSERT_TRUE(foundation::Data::create(std::string_view("not an archive"))->writeToFile(path->utf8(), true));
    EXPECT_TRUE(files.returnDecryptDataByPathKey(text("damaged")).isNil());
    EXPECT_EQ(files.pathForDocumentWithComponent(text("")), nullptr);
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

TEST(KXGlobalDataBase, DefaultsAndLazyCollections)
{
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    EXPECT_EQ(state.currentModule()->utf8(), "主程序");
    state.setCurrentModule(text("用户登录错误"));
    EXPECT_EQ(state.currentModule()->utf8(), "用户登录错误");
    state.setCurrentModule(nullptr);
    EXPECT_EQ(state.currentModule()->utf8(), "主程序");

    auto filters = state.filterD();
    filters->setObject(Id("1"), Id("k"));
    EXPECT_EQ(state.filterD()->count(), 1u) << "the same shared dictionary";
    state.setFilterD(nullptr);
    EXPECT_EQ(state.filterD()->count(), 0u);
    EXPECT_EQ(state.updateDataDic(), nullptr);
    EXPECT_FALSE(state.isEnLanguage());
}
