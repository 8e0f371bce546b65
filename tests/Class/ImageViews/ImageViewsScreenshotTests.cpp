// Pictures of the image views for review, day and night, into <build>/screenshots/: preview rows
// loaded from the local service, the loading indicators, a frame of an animated image and a
// half-way cross-fade. Each picture is also checked for what it must show.
#include "Class/ImageViews/ILWebActivityIndicator.h"
#include "Class/ImageViews/ILWebProgressIndicator.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXQtColor.h"
#include "ImageViewsTestSupport.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Foundation/URL.h"
#include "Support/ImageServiceTest.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

QColor background(bool day)
{
    KXThemeManager::themeManager().setIsNight(day);
    return kx_qcolor(KXThemeManager::themeManager().RightBGC());
}

void fill(QWidget& widget, const QColor& colour)
{
    widget.setAutoFillBackground(true);
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
}

class ImageViewsScreenshots : public imagetest::ImageServiceTest { };

} // namespace

TEST_F(ImageViewsScreenshots, PreviewRowsDayAndNight)
{
    for (const bool day : { true, false }) {
        QWidget panel;
        panel.resize(520, 4 * 64);
        fill(panel, background(day));
        std::vector<ImageView*> rows;
        int loaded = 0;
        for (int i = 0; i < 4; ++i) {
            auto* row = new ImageView(&panel);
            row->setGeometry(8, 2 + i * 64, 504, 60);
            row->setImageScaling(ImageScaling::ProportionallyDown);
            row->setImageAlignment(ImageAlignment::Left);
            const std::string name
                = "previews/100" + std::to_string(i + 1) + (day ? "_day.png" : "_night.png");
            il_setImageWithURL(row, fileURL(name), nullptr, ILLoadProgressiveLoad,
                [&loaded](const ILImageRef& image, const auto&, ILCacheType, const auto&) {
                    loaded += image ? 1 : 0;
                });
            rows.push_back(row);
        }
        panel.show();
        ASSERT_TRUE(waitFor([&] { return loaded == 4; }));
        for (auto* row : rows)
            EXPECT_FALSE(row->imageRect().isEmpty());
        imageviewtest::saveScreenshot(
            panel, day ? "imageviews_preview_rows_day" : "imageviews_preview_rows_night");
    }
}

TEST_F(ImageViewsScreenshots, IndicatorsAnimatedFrameAndHalfWayFade)
{
    for (const bool day : { true, false }) {
        dispatch::VirtualClock::Scope clock;
        QWidget panel;
        panel.resize(480, 150);
        fill(panel, background(day));

        auto* spinnerHost = new ImageView(&panel);
        spinnerHost->setGeometry(10, 10, 100, 100);
        spinnerHost->setBorderWidth(1);
        spinnerHost->setBorderColor(Qt::gray);
        auto spinner = day ? ILWebActivityIndicator::grayLargeIndicator()
                           : ILWebActivityIndicator::whiteLargeIndicator();
        il_setImageIndicator(spinnerHost, spinner);
        spinner->startAnimatingIndicator();

        auto* barHost = new ImageView(&panel);
        barHost->setGeometry(120, 10, 180, 100);
        barHost->setBorderWidth(1);
        barHost->setBorderColor(Qt::gray);
        auto bar = ILWebProgressIndicator::defaultIndicator();
        il_setImageIndicator(barHost, bar);
        bar->startAnimatingIndicator();
        bar->updateIndicatorProgress(0.6);

        auto* animated = new ImageView(&panel);
        animated->setGeometry(310, 10, 70, 70);
        animated->setImageScaling(ImageScaling::AxesIndependently);
        animated->setCornerRadius(10);

        auto* fade = new ImageView(&panel);
        fade->setGeometry(390, 10, 80, 80);
        fade->setImageScaling(ImageScaling::AxesIndependently);
        fade->setBorderWidth(2);
        fade->setBorderColor(QColor(215, 178, 127));
        fade->setCornerRadius(40);

        panel.show();
        animated->setImage(imageviewtest::animatedImage(
            { Qt::red, QColor(255, 160, 0), Qt::darkGreen }, { 0.2, 0.2, 0.2 }, 0));
        clock.advance(0.25);
        ImageView::waitForFrameDecodes();
        EXPECT_EQ(animated->currentFrameIndex(), 1u);
        fade->setImage(imageviewtest::solidImage(QColor(220, 40, 40), 40, 40));
        fade->setImage(imageviewtest::solidImage(QColor(40, 80, 220), 40, 40));
        fade->startTransition(ImageView::TransitionKind::Fade, ImageView::TransitionEdge::None, 1.0,
            QEasingCurve(QEasingCurve::Linear));
        fade->setTransitionProgress(0.5);
        clock.advance(0.1);

        auto* caption = new QLabel(&panel);
        caption->setTextFormat(Qt::PlainText);
        caption->setText("spinner · bar 60% · frame 2 of 3 · fade half-way");
        caption->setGeometry(10, 120, 460, 20);
        QPalette palette = caption->palette();
        palette.setColor(QPalette::WindowText, day ? Qt::black : Qt::white);
        caption->setPalette(palette);
        caption->show();

        EXPECT_EQ(imageviewtest::centreColour(animated), QColor(255, 160, 0));
        const QColor mixed = imageviewtest::centreColour(fade);
        EXPECT_NEAR(mixed.red(), 130, 12);
        EXPECT_NEAR(mixed.blue(), 130, 12);
        imageviewtest::saveScreenshot(panel,
            day ? "imageviews_indicators_animation_fade_day" : "imageviews_indicators_animation_fade_night");
    }
}
