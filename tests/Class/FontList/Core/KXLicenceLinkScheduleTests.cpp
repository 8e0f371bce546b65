#include "Class/FontList/Core/KXLicenceLinkSchedule.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/String.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

foundation::Ref<KXFontBaseModel> downloaded(const char* marketing)
{
    auto font = std::make_shared<KXFontBaseModel>();
    font->marketing = foundation::String::create(marketing);
    font->progress = static_cast<double>(0.85f);
    return font;
}

struct Recorder {
    std::vector<std::pair<const KXFontBaseModel*, bool>> changes;
    std::shared_ptr<KXLicenceLinkSchedule> schedule = KXLicenceLinkSchedule::create([this](const foundation::Ref<KXFontBaseModel>& font) {
        changes.emplace_back(font.get(), schedule->isShowing(*font));
    });
};

} // namespace

TEST(KXLicenceLinkSchedule, ShowsFromOneToFiveSecondsAfterTheArrival)
{
    dispatch::VirtualClock::Scope time;
    Recorder recorder;
    const auto font = downloaded(",m5,");
    recorder.schedule->recordShown(font);
    time.advance(0.999);
    EXPECT_FALSE(recorder.schedule->isShowing(*font));
    time.advance(0.002);
    EXPECT_TRUE(recorder.schedule->isShowing(*font));
    time.advance(3.99);
    EXPECT_TRUE(recorder.schedule->isShowing(*font));
    time.advance(0.02);
    EXPECT_FALSE(recorder.schedule->isShowing(*font));
    EXPECT_EQ(recorder.changes.size(), 2u);
}

TEST(KXLicenceLinkSchedule, RepaintsScheduleNothingMoreAndANewArrivalStartsAgain)
{
    dispatch::VirtualClock::Scope time;
    Recorder recorder;
    const auto font = downloaded(",m11,");
    for (int paint = 0; paint < 5; ++paint) {
        recorder.schedule->recordShown(font);
        time.advance(0.5);
    }
    time.advance(10);
    EXPECT_EQ(recorder.changes.size(), 2u) << "one show and one hide per arrival";

    font->progress = 0.9;
    recorder.schedule->recordShown(font);
    font->progress = static_cast<double>(0.85f);
    recorder.schedule->recordShown(font);
    time.advance(1.01);
    EXPECT_TRUE(recorder.schedule->isShowing(*font)) << "the record reached the value again";
}

TEST(KXLicenceLinkSchedule, FreeFontsDoublesAndOtherRecordsShowNothing)
{
    dispatch::VirtualClock::Scope time;
    Recorder recorder;
    const auto free = downloaded(",m3,");
    auto exact = downloaded(",m5,");
    exact->progress = 0.85;
    recorder.schedule->recordShown(free);
    recorder.schedule->recordShown(exact);
    time.advance(2);
    EXPECT_TRUE(recorder.changes.empty());

    // The link belongs to the record: a second record drawn by the same row meanwhile does not
    // show it, and a record that is gone is simply dropped.
    auto paid = downloaded(",m5,");
    recorder.schedule->recordShown(paid);
    const auto other = downloaded(",m5,");
    other->progress = 0.5;
    time.advance(1.5);
    EXPECT_TRUE(recorder.schedule->isShowing(*paid));
    EXPECT_FALSE(recorder.schedule->isShowing(*other));
    paid.reset();
    time.advance(5);
    EXPECT_EQ(recorder.changes.size(), 1u);
}
