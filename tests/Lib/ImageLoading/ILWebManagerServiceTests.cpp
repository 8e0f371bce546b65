#include "Lib/ImageLoading/ILImageCache.h"
#include "Lib/ImageLoading/ILWebDownloader.h"
#include "Lib/ImageLoading/ILWebManager.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/Image.h"
#include "Support/ImageServiceTest.h"
#include "Support/TempHome.h"

#include <QBuffer>
#include <QImage>

#include <random>

using foundation::Ref;
using imagetest::Outcome;
using localservice::Fault;

namespace {

// A picture of noise: its PNG is many times longer than the 600 bytes a cut body keeps.
QByteArray noisyPng(int side)
{
    QImage pixels(side, side, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            pixels.setPixel(x, y, 0xff000000u | (random() & 0xffffffu));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pixels.save(&buffer, "PNG");
    return bytes;
}

// The manager with the real downloader and a cache of its own, against the local service.
class ManagerOverTheService : public imagetest::ImageServiceTest {
protected:
    void SetUp() override
    {
        ImageServiceTest::SetUp();
        cache_ = ILImageCache::create("cut-images", testsupport::makeScratchDir("cut-images").string());
        manager_ = ILWebManager::create(cache_, ILWebDownloader::create());
        png_ = noisyPng(48);
        whole_ = QImage::fromData(png_, "PNG").convertToFormat(QImage::Format_RGB32);
        upload("noise.png", png_.toStdString());
    }

    std::shared_ptr<Outcome> load(const Ref<foundation::URL>& url)
    {
        auto outcome = std::make_shared<Outcome>();
        manager_->loadImageWithURL(url, 0, nullptr, nullptr,
            [outcome](const ILImageRef& image, const Ref<foundation::Data>& data,
                const Ref<foundation::Error>& error, ILCacheType, bool finished,
                const Ref<foundation::URL>&) {
                outcome->calls.push_back({ image, data, error, finished, true });
            });
        EXPECT_TRUE(waitFor([&] { return outcome->done(); }));
        return outcome;
    }

    bool showsTheWholePicture(const Outcome& outcome) const
    {
        return outcome.done() && outcome.last().image
            && outcome.last().image->image().convertToFormat(QImage::Format_RGB32) == whole_;
    }

    std::shared_ptr<ILImageCache> cache_;
    std::shared_ptr<ILWebManager> manager_;
    QByteArray png_;
    QImage whole_;
};

TEST_F(ManagerOverTheService, AnImageCutShortIsShownButKeptInNoCacheSoTheNextViewFetchesItWhole)
{
    ASSERT_GT(png_.size(), 6000);
    Fault cut = fault(Fault::Kind::AnnouncedLength);
    cut.announcedLength = 600;
    cut.remaining = 1;
    service().faults().set("uploads/", cut);
    const auto url = fileURL("uploads/noise.png");
    const ILCacheKey key = manager_->cacheKeyForURL(url);

    const auto first = load(url);
    ASSERT_NE(first->last().image, nullptr) << "the rows the data holds are shown";
    EXPECT_EQ(first->last().image->image().size(), whole_.size());
    EXPECT_FALSE(showsTheWholePicture(*first));
    // The memory store comes before the completion; the disk check waits behind any disk store.
    EXPECT_EQ(cache_->imageFromMemoryCacheForKey(key), nullptr);
    EXPECT_FALSE(cache_->diskImageDataExistsWithKey(key));

    const auto second = load(url);
    EXPECT_TRUE(showsTheWholePicture(*second));
    EXPECT_EQ(fileRequests("uploads/noise.png").size(), 2u);
    // The whole image is kept: a third view needs no request.
    EXPECT_TRUE(waitFor([&] { return cache_->diskImageDataExistsWithKey(key); }));
    EXPECT_TRUE(showsTheWholePicture(*load(url)));
    EXPECT_EQ(fileRequests("uploads/noise.png").size(), 2u);
}

TEST_F(ManagerOverTheService, ACutFileAlreadyInTheDiskCacheCountsAsAMissAndIsReplaced)
{
    const auto url = fileURL("uploads/noise.png");
    const ILCacheKey key = manager_->cacheKeyForURL(url);
    cache_->storeImageDataToDisk(foundation::Data::create(std::string_view(png_.constData(), 600)), key);
    ASSERT_TRUE(cache_->diskImageDataExistsWithKey(key));

    EXPECT_TRUE(showsTheWholePicture(*load(url)));
    EXPECT_EQ(fileRequests("uploads/noise.png").size(), 1u);
    EXPECT_TRUE(waitFor([&] {
        const auto data = cache_->diskImageDataForKey(key);
        return data && data->length() == static_cast<std::size_t>(png_.size());
    }));
}

TEST_F(ManagerOverTheService, AGifWithoutAFrameIsTheNoImageErrorAndIsNotKept)
{
    upload("frameless.gif", std::string("GIF89a\x10\x00\x10\x00", 10));
    const auto url = fileURL("uploads/frameless.gif");
    const auto outcome = load(url);
    EXPECT_EQ(outcome->last().image, nullptr);
    EXPECT_EQ(outcome->errorCode(), ILWebErrorBadImageData);
    EXPECT_FALSE(cache_->diskImageDataExistsWithKey(manager_->cacheKeyForURL(url)));
}

} // namespace
