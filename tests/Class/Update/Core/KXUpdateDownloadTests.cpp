#include "Class/Update/Core/KXUpdateDownload.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Platform/Crypto/Digest.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using Verdict = KXUpdateDownload::Verdict;

namespace {

fs::path writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

} // namespace

TEST(KXUpdateDownload, PercentAndBarWidth)
{
    EXPECT_EQ(KXUpdateDownload::percentText(0.374f), "37%");
    EXPECT_NEAR(KXUpdateDownload::progressWidth(0.374f), 314.16, 1e-4);
    EXPECT_EQ(KXUpdateDownload::percentText(1.0f), "100%");
    EXPECT_DOUBLE_EQ(KXUpdateDownload::progressWidth(1.0f), 840);
    EXPECT_EQ(KXUpdateDownload::percentText(0.0f), "0%");
    EXPECT_EQ(KXUpdateDownload::percentText(0.996f), "100%") << "rounded, as the format rounds";
}

TEST(KXUpdateDownload, EveryVerdictOfTheCheck)
{
    const fs::path dir = testsupport::makeScratchDir("verify");
    const std::string bytes = "!<arch>\ndebian-binary   package bytes";
    const fs::path package = writeFile(dir / "corvane-fonts_9.9.0_amd64.deb", bytes);
    const std::string sha = crypto::sha256Hex(bytes);
    const auto size = static_cast<long long>(bytes.size());

    EXPECT_EQ(KXUpdateDownload::verify(package, size, sha), Verdict::Verified);
    std::string upper = sha;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(KXUpdateDownload::verify(package, size, upper), Verdict::Verified) << "hex digits in either case";
    EXPECT_EQ(KXUpdateDownload::verify(package, size - 1, sha), Verdict::SizeMismatch);
    EXPECT_EQ(KXUpdateDownload::verify(package, size, crypto::sha256Hex("other")), Verdict::HashMismatch);
    EXPECT_EQ(KXUpdateDownload::verify(dir / "missing.deb", size, sha), Verdict::Unreadable);
    // A truncated file of the announced name fails on its size before its hash is read.
    const fs::path truncated = writeFile(dir / "short.deb", bytes.substr(0, 10));
    EXPECT_EQ(KXUpdateDownload::verify(truncated, size, sha), Verdict::SizeMismatch);
}

TEST(KXUpdateDownload, OnlyDebAndAppImagePackages)
{
    EXPECT_TRUE(KXUpdateDownload::isSupportedPackage("/x/corvane-fonts_9.9.0_amd64.deb"));
    EXPECT_TRUE(KXUpdateDownload::isSupportedPackage("/x/Corvane-9.9.0-x86_64.AppImage"));
    EXPECT_TRUE(KXUpdateDownload::isSupportedPackage("/x/CORVANE.DEB"));
    EXPECT_FALSE(KXUpdateDownload::isSupportedPackage("/x/CorvaneFonts-9.9.0.dmg"));
    EXPECT_FALSE(KXUpdateDownload::isSupportedPackage("/x/setup.sh"));
    EXPECT_FALSE(KXUpdateDownload::isSupportedPackage("/x/deb"));
}

TEST(KXUpdateDownload, AnAddressThatIsNotHttpIsNeverFetched)
{
    for (const char* address : {"", "file:///etc/passwd", "ftp://s.example/c.deb", "javascript:alert(1)", "https://"}) {
        KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(foundation::String::create(address));
        auto download = KXUpdateDownload::create();
        download->start();
        EXPECT_EQ(download->state(), KXUpdateDownload::State::Failed) << address;
        EXPECT_EQ(download->failure(), KXUpdateDownload::Failure::RefusedAddress) << address;
        std::optional<std::optional<std::string>> answer;
        download->open([&](const std::optional<std::string>& refused) { answer = refused; });
        dispatch::RunLoop::drain();
        ASSERT_TRUE(answer.has_value());
        EXPECT_TRUE(answer->has_value()) << "nothing to open";
    }
    KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(nullptr);
    auto download = KXUpdateDownload::create();
    download->start();
    EXPECT_EQ(download->failure(), KXUpdateDownload::Failure::RefusedAddress);
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()->utf8(), "更新错误");
}
