#pragma once

#include "Class/FontList/KXHomeListTableCellView.h"
#include "Class/FontList/KXPreviewImageSource.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Foundation/Array.h"

#include <QImage>
#include <QString>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class KXFontTableView;
class KXHomeListView;
class QWidget;

// Helpers of the font list's widget tests.
namespace fontlisttest {

// Preview images from the files the catalogue generator wrote (build/resources/service-files),
// found by the path of the URL after its host: "https://host/files/previews/1001_day.png". Loads
// answer on the main queue at the next drain, one decode each; the source counts what it was asked.
class FilePreviewSource final : public KXPreviewImageSource {
public:
    FilePreviewSource();
    ~FilePreviewSource() override;
    foundation::Ref<graphics::Image> cachedImage(const std::string& url, const KXPreviewBox& box) override;
    std::shared_ptr<Load> load(const std::string& url, const KXPreviewBox& box, Done done) override;

    std::vector<std::string> requested;
    std::vector<KXPreviewBox> boxes; // of each request
    std::size_t cancelled = 0;
    std::size_t inFlight() const;
    bool holdLoads = false; // loads wait until release()
    bool failLoads = false; // loads answer no image, as when the service is away
    void release();

private:
    struct Pending;
    std::filesystem::path folder_;
    std::map<std::string, foundation::Ref<graphics::Image>> memory_;
    std::vector<std::shared_ptr<Pending>> pending_;
    void finish(const std::shared_ptr<Pending>& pending);
    static void finishIfOwned(const std::shared_ptr<Pending>& pending);
};

// Installs a FilePreviewSource for its lifetime.
class ScopedPreviewSource {
public:
    ScopedPreviewSource();
    ~ScopedPreviewSource();
    FilePreviewSource& source() { return *source_; }

private:
    std::shared_ptr<FilePreviewSource> source_;
    std::shared_ptr<KXPreviewImageSource> previous_;
};

// A catalogue-like record whose previews are the generator's files for `previewId` (1001 to 1051).
foundation::Ref<KXFontBaseModel> record(int fontid, const std::string& name, const char* marketing = nullptr, int previewId = 1001);
// `count` records named "Font <n>", previews cycling through the sample ones.
foundation::Ref<foundation::MutableArray> records(int count);

// Remembers what the rows reported.
class RecordingRowOwner final : public KXHomeListTableCellViewDeleagte {
public:
    void cellMouseDown(const foundation::Ref<KXFontBaseModel>& record) override { rowClicks.push_back(record); }
    void collectionBtnClick(const foundation::Ref<KXFontBaseModel>& record) override { favouriteClicks.push_back(record); }
    void fontTitleClick(long long fontid) override { titleClicks.push_back(fontid); }

    std::vector<foundation::Ref<KXFontBaseModel>> rowClicks;
    std::vector<foundation::Ref<KXFontBaseModel>> favouriteClicks;
    std::vector<long long> titleClicks;
};

// <build>/screenshots/<name>.png
bool saveScreenshot(QWidget& widget, const QString& name);
// Lays out and paints the window now (no event loop turn needed).
void settle(QWidget& window);
// Waits until the table's local names drawn on the pool have come in, then repaints the window.
testing::AssertionResult waitForLocalNames(KXFontTableView& table);
// Whether the list's rows have the keys: PageDown, sent where the keys are as a person's key press
// is, scrolls them a page from the top. The rows must be more than two pages long.
testing::AssertionResult keysScrollTheList(KXHomeListView& list);

} // namespace fontlisttest
