#include "FontListTestSupport.h"

#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/FontList/KXLocalNameImages.h"
#include "Class/LayoutWidgets/WindowLayout.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/Image.h"

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

#include <cstdlib>

namespace fontlisttest {

struct FilePreviewSource::Pending final : KXPreviewImageSource::Load {
    std::string url;
    Done done;
    bool cancelledFlag = false;
    FilePreviewSource* owner = nullptr;
    void cancel() override
    {
        if (!cancelledFlag && done) {
            cancelledFlag = true;
            if (owner)
                owner->cancelled += 1;
        }
    }
};

FilePreviewSource::FilePreviewSource()
{
    const char* binary = std::getenv("CORVANE_BINARY_DIR");
    folder_ = std::filesystem::path(binary ? binary : ".") / "resources" / "service-files";
}

foundation::Ref<graphics::Image> FilePreviewSource::cachedImage(const std::string& url, const KXPreviewBox&)
{
    const auto found = memory_.find(url);
    return found == memory_.end() ? nullptr : found->second;
}

std::size_t FilePreviewSource::inFlight() const
{
    std::size_t count = 0;
    for (const auto& pending : pending_)
        count += pending->cancelledFlag || !pending->done ? 0 : 1;
    return count;
}

std::shared_ptr<KXPreviewImageSource::Load> FilePreviewSource::load(
    const std::string& url, const KXPreviewBox& box, Done done)
{
    requested.push_back(url);
    boxes.push_back(box);
    auto pending = std::make_shared<Pending>();
    pending->url = url;
    pending->done = std::move(done);
    pending->owner = this;
    pending_.push_back(pending);
    if (!holdLoads)
        dispatch::mainQueue().async([pending] { finishIfOwned(pending); });
    return pending;
}

void FilePreviewSource::release()
{
    holdLoads = false;
    for (const auto& pending : pending_)
        dispatch::mainQueue().async([pending] { finishIfOwned(pending); });
}

FilePreviewSource::~FilePreviewSource()
{
    // A load still queued when the source goes (a test ended before the queue drained) answers
    // nothing.
    for (const auto& pending : pending_)
        pending->owner = nullptr;
}

void FilePreviewSource::finishIfOwned(const std::shared_ptr<Pending>& pending)
{
    if (pending->owner)
        pending->owner->finish(pending);
}

void FilePreviewSource::finish(const std::shared_ptr<Pending>& pending)
{
    std::erase(pending_, pending);
    if (pending->cancelledFlag || !pending->done)
        return;
    const auto done = std::exchange(pending->done, {});
    const std::size_t files = pending->url.find("/files/");
    foundation::Ref<graphics::Image> image;
    if (files != std::string::npos && !failLoads) {
        std::string path = pending->url.substr(files + 7);
        path = path.substr(0, path.find('?'));
        const auto data = foundation::Data::dataWithContentsOfFile(folder_ / path);
        if (data)
            image = graphics::Image::createWithData(data, 2.0);
    }
    if (image)
        memory_[pending->url] = image;
    done(image, true);
}

ScopedPreviewSource::ScopedPreviewSource()
    : source_(std::make_shared<FilePreviewSource>())
    , previous_(KXPreviewImageSource::install(source_))
{
}

ScopedPreviewSource::~ScopedPreviewSource()
{
    KXPreviewImageSource::install(previous_);
}

foundation::Ref<KXFontBaseModel> record(int fontid, const std::string& name, const char* marketing, int previewId)
{
    auto font = std::make_shared<KXFontBaseModel>();
    font->fontid = fontid;
    font->fontname = foundation::String::create(name);
    font->cellHeight = 30;
    const std::string base = "https://svc.test/files/previews/" + std::to_string(previewId);
    font->image = foundation::String::create(base + "_day.png");
    font->night_image = foundation::String::create(base + "_night.png");
    font->download_url = foundation::String::create("https://svc.test/files/fonts/none.zip");
    if (marketing)
        font->marketing = foundation::String::create(marketing);
    return font;
}

foundation::Ref<foundation::MutableArray> records(int count)
{
    auto rows = foundation::MutableArray::arrayWithCapacity(static_cast<std::size_t>(count));
    for (int n = 0; n < count; ++n)
        rows->addObject(foundation::Id(record(200000 + n, "Font " + std::to_string(n), nullptr, 1001 + n % 51)));
    return rows;
}

bool saveScreenshot(QWidget& widget, const QString& name)
{
    const char* binary = std::getenv("CORVANE_BINARY_DIR");
    const QString dir = QString::fromLocal8Bit(binary ? binary : ".") + "/screenshots";
    QDir().mkpath(dir);
    return widget.grab().save(dir + "/" + name + ".png");
}

void settle(QWidget& window)
{
    for (int i = 0; i < 3; ++i) {
        dispatch::RunLoop::drain();
        QApplication::processEvents();
        layoutwidgets::WindowLayout::of(window.window()).layoutIfNeeded();
    }
}

testing::AssertionResult waitForLocalNames(KXFontTableView& table)
{
    settle(*table.window()); // the rows ask for their names as they paint
    const bool done = dispatch::RunLoop::runUntil([&] { return table.localNames().pending() == 0; }, 20);
    settle(*table.window());
    if (!done)
        return testing::AssertionFailure() << table.localNames().pending() << " local names still being drawn";
    return testing::AssertionSuccess();
}

testing::AssertionResult keysScrollTheList(KXHomeListView& list)
{
    QWidget* keys = QApplication::focusWidget();
    if (keys != list.listTableView())
        return testing::AssertionFailure() << "the keys are on " << (keys ? keys->metaObject()->className() : "nothing");
    QScrollBar* bar = list.listTableView()->verticalScrollBar();
    if (bar->maximum() <= 2 * bar->pageStep())
        return testing::AssertionFailure() << "the rows are too short to scroll: " << bar->maximum();
    bar->setValue(0);
    QTest::keyClick(keys, Qt::Key_PageDown);
    if (bar->value() != bar->pageStep())
        return testing::AssertionFailure() << "PageDown left the rows at " << bar->value() << ", a page is " << bar->pageStep();
    bar->setValue(0);
    return testing::AssertionSuccess();
}

} // namespace fontlisttest
