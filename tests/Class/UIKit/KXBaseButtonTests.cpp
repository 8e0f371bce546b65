#include "Class/UIKit/KXBaseButton.h"

#include "Support/ShownToolTip.h"

#include <QApplication>
#include <QEnterEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

void hoverIn(QWidget& widget)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&widget, &enter);
}

void hoverOut(QWidget& widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, &leave);
}

std::unique_ptr<KXBaseButton> titled(const QString& title)
{
    return std::unique_ptr<KXBaseButton>(KXBaseButton::buttonWithTitle(title, {}));
}

TEST(KXBaseButtonFactories, SetTitleImageAndActionAndCentreTheTitle)
{
    int clicks = 0;
    KXBaseButton* seen = nullptr;
    std::unique_ptr<KXBaseButton> button(KXBaseButton::buttonWithTitle("示例", [&](KXBaseButton* b) {
        ++clicks;
        seen = b;
    }));
    EXPECT_EQ(button->title(), "示例");
    EXPECT_EQ(button->titleAlignment(), Qt::AlignCenter);
    button->resize(80, 24);
    QTest::mouseClick(button.get(), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(seen, button.get());

    QImage pixels(8, 8, QImage::Format_ARGB32);
    pixels.fill(Qt::red);
    KXImage image(pixels);
    std::unique_ptr<KXBaseButton> imageOnly(KXBaseButton::buttonWithImage(image, {}));
    EXPECT_TRUE(imageOnly->image().isSameImage(image));
    EXPECT_TRUE(imageOnly->title().isEmpty());
    std::unique_ptr<KXBaseButton> both(KXBaseButton::buttonWithTitle("A", image, {}));
    EXPECT_EQ(both->title(), "A");
    EXPECT_TRUE(both->image().isSameImage(image));
}

TEST(KXBaseButtonTitle, NormalColourRebuildsTitleWithFontAndTailTruncation)
{
    auto button = titled("Title");
    button->setNormalColor(QColor(1, 2, 3));
    const auto& title = button->attributedTitle();
    EXPECT_EQ(title.text, "Title");
    EXPECT_EQ(title.color, QColor(1, 2, 3));
    ASSERT_TRUE(title.font.has_value());
    EXPECT_DOUBLE_EQ(title.font->pointSizeF(), 12);
    ASSERT_TRUE(title.paragraph.has_value());
    EXPECT_TRUE(title.paragraph->truncatesTail);
    EXPECT_FALSE(title.paragraph->centred);
    EXPECT_EQ(button->titleAlignment(), Qt::AlignLeft | Qt::AlignVCenter);

    button->setNormalColor(std::nullopt);
    EXPECT_FALSE(button->attributedTitle().color.has_value());
    EXPECT_TRUE(button->attributedTitle().font.has_value());
}

TEST(KXBaseButtonTitle, AlignmentAfterColourCentresAndColourAfterAlignmentLosesIt)
{
    auto button = titled("Title");
    button->setNormalColor(QColor(Qt::red));
    button->setKXBaseButtonAlignment(1);
    EXPECT_EQ(button->titleAlignment(), Qt::AlignCenter);
    EXPECT_EQ(button->attributedTitle().color, QColor(Qt::red));

    button->setNormalColor(QColor(Qt::blue));
    EXPECT_EQ(button->titleAlignment(), Qt::AlignLeft | Qt::AlignVCenter);
}

TEST(KXBaseButtonTitle, FontAndSelectedColourShowOnlyAtTheNextRebuild)
{
    auto button = titled("Title");
    button->setNormalColor(QColor(Qt::red));
    QFont big = button->normalFont();
    big.setPointSizeF(20);
    button->setNormalFont(big);
    button->setSelectedColor(QColor(Qt::green));
    EXPECT_DOUBLE_EQ(button->attributedTitle().font->pointSizeF(), 12);
    EXPECT_EQ(button->attributedTitle().color, QColor(Qt::red));
    button->setNormalColor(QColor(Qt::red));
    EXPECT_DOUBLE_EQ(button->attributedTitle().font->pointSizeF(), 20);
}

TEST(KXBaseButtonSelection, SelectedWithoutColourKeepsTheLookThenNormalColourReturns)
{
    auto button = titled("Title");
    button->setNormalColor(QColor(Qt::red));
    button->setSelected(true);
    EXPECT_TRUE(button->isSelected());
    EXPECT_EQ(button->attributedTitle().color, QColor(Qt::red));
    EXPECT_TRUE(button->attributedTitle().paragraph.has_value());

    button->setSelected(false);
    EXPECT_FALSE(button->isSelected());
    EXPECT_EQ(button->attributedTitle().color, QColor(Qt::red));
    EXPECT_FALSE(button->attributedTitle().paragraph.has_value());
}

TEST(KXBaseButtonSelection, SelectedColourAppliesAndUnselectingWithoutNormalColourLeavesFontAlone)
{
    auto button = titled("Title");
    button->setSelectedColor(QColor(Qt::green));
    button->setSelected(true);
    EXPECT_EQ(button->attributedTitle().color, QColor(Qt::green));
    button->setSelected(false);
    EXPECT_FALSE(button->attributedTitle().color.has_value());
    EXPECT_TRUE(button->attributedTitle().font.has_value());
}

TEST(KXBaseButtonFont, DefaultIsTwelvePointSystemFontKeptAcrossReads)
{
    auto button = titled("x");
    const QFont* first = &button->normalFont();
    EXPECT_DOUBLE_EQ(first->pointSizeF(), 12);
    EXPECT_EQ(first->family(), QApplication::font().family());
    EXPECT_EQ(&button->normalFont(), first);
}

TEST(KXBaseButtonHover, OrdinaryTitleBecomesTheTooltip)
{
    auto button = titled("思源黑体");
    EXPECT_TRUE(button->toolTip().isEmpty());
    hoverIn(*button);
    EXPECT_EQ(shownToolTipText(button->toolTip()), "思源黑体");
}

TEST(KXBaseButtonHover, MarkupInTheTitleShowsAsWrittenInTheTooltip)
{
    const QString markup = R"(<b>粗</b> & <img src="file:///usr/share/pixmaps/x.png">)";
    auto marked = titled(markup);
    hoverIn(*marked);
    EXPECT_EQ(shownToolTipText(marked->toolTip()).toStdString(), markup.toStdString());
}

TEST(KXBaseButtonHover, PlaceholderTitlesAndToolTipTitleLeaveTheTooltip)
{
    for (const QString& title : {QString("button"), QString("Button"), QString("按钮")}) {
        auto button = titled(title);
        hoverIn(*button);
        EXPECT_TRUE(button->toolTip().isEmpty()) << title.toStdString();
    }
    auto withTitle = titled("Brand");
    withTitle->setToolTip("set directly");
    withTitle->setToolTipTitle("按钮");
    hoverIn(*withTitle);
    EXPECT_EQ(withTitle->toolTip(), "set directly");

    std::unique_ptr<KXBaseButton> imageOnly(KXBaseButton::buttonWithImage(KXImage(), {}));
    imageOnly->setToolTip("kept");
    hoverIn(*imageOnly);
    EXPECT_EQ(imageOnly->toolTip(), "kept");
}

TEST(KXBaseButtonHover, PointingHandWhileOverArrowAfter)
{
    auto button = titled("x");
    hoverIn(*button);
    EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
    hoverOut(*button);
    EXPECT_EQ(button->cursor().shape(), Qt::ArrowCursor);
}

TEST(KXBaseButtonDelegateCalls, EnterAndExitReachTheDelegateWithTheButton)
{
    auto button = titled("x");
    std::vector<std::pair<std::string, KXBaseButton*>> calls;
    auto delegate = std::make_shared<KXBaseButtonDelegate>();
    delegate->kxbasebuttonMouseEntered = [&](KXBaseButton* b) { calls.emplace_back("enter", b); };
    delegate->kxbasebuttonMouseExited = [&](KXBaseButton* b) { calls.emplace_back("exit", b); };
    button->setDelegate(delegate);
    hoverIn(*button);
    hoverOut(*button);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair(std::string("enter"), button.get()));
    EXPECT_EQ(calls[1], std::make_pair(std::string("exit"), button.get()));
}

TEST(KXBaseButtonDelegateCalls, DelegateWithOneMethodOnlyGetsThatOne)
{
    auto button = titled("x");
    int exits = 0;
    auto delegate = std::make_shared<KXBaseButtonDelegate>();
    delegate->kxbasebuttonMouseExited = [&](KXBaseButton*) { ++exits; };
    button->setDelegate(delegate);
    hoverIn(*button);
    hoverOut(*button);
    EXPECT_EQ(exits, 1);
}

TEST(KXBaseButtonDelegateCalls, ButtonDoesNotKeepItsDelegateAlive)
{
    auto button = titled("x");
    int enters = 0;
    std::weak_ptr<KXBaseButtonDelegate> watch;
    {
        auto delegate = std::make_shared<KXBaseButtonDelegate>();
        delegate->kxbasebuttonMouseEntered = [&](KXBaseButton*) { ++enters; };
        // A delegate that captures the button it serves must not form a cycle.
        delegate->kxbasebuttonMouseExited = [keep = button.get()](KXBaseButton*) { (void)keep; };
        button->setDelegate(delegate);
        watch = delegate;
    }
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(button->delegate(), nullptr);
    hoverIn(*button);
    EXPECT_EQ(enters, 0);
}

TEST(KXBaseButtonPainting, LongTitleIsCutAtTheTailInItsColour)
{
    QWidget window;
    window.resize(60, 24);
    auto* button = KXBaseButton::buttonWithTitle("WWWWWWWWWWWWWWWWWWWWWWWW", {}, &window);
    button->setGeometry(0, 0, 60, 24);
    button->setNormalColor(QColor(255, 0, 0));
    const QImage shot = button->grab().toImage();
    // The last columns stay empty: the title was cut, not drawn past the edge.
    int redColumns = 0;
    int lastRed = -1;
    for (int x = 0; x < shot.width(); ++x) {
        for (int y = 0; y < shot.height(); ++y) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80) {
                ++redColumns;
                lastRed = x;
                break;
            }
        }
    }
    EXPECT_GT(redColumns, 10);
    EXPECT_LT(lastRed, shot.width() - 1);
}

QImage solid(int width, int height, QColor colour)
{
    QImage pixels(width, height, QImage::Format_ARGB32);
    pixels.fill(colour);
    return pixels;
}

TEST(KXBaseButtonCheckBox, ClickFlipsTheStateBeforeTheActionAndCodeRunsNoAction)
{
    std::vector<int> statesSeen;
    std::unique_ptr<KXBaseButton> box(KXBaseButton::buttonWithTitle("示例字体", [&](KXBaseButton* b) { statesSeen.push_back(b->state()); }));
    box->setButtonType(KXBaseButton::ButtonType::CheckBox);
    box->setIdentifier("21");
    box->resize(92, 28);
    EXPECT_EQ(box->state(), 0);
    QTest::mouseClick(box.get(), Qt::LeftButton);
    QTest::mouseClick(box.get(), Qt::LeftButton);
    EXPECT_EQ(statesSeen, (std::vector<int>{1, 0}));
    box->setState(1);
    EXPECT_EQ(box->state(), 1);
    EXPECT_EQ(statesSeen.size(), 2u);
    EXPECT_EQ(box->identifier(), "21");

    // Back to momentary: clicks no longer keep a state.
    box->setButtonType(KXBaseButton::ButtonType::MomentaryChange);
    QTest::mouseClick(box.get(), Qt::LeftButton);
    EXPECT_EQ(box->state(), 0);
}

TEST(KXBaseButtonCheckBox, AlternateImageShowsWhileOnUnderTheTitle)
{
    QWidget window;
    auto* box = KXBaseButton::buttonWithTitle("x", {}, &window);
    box->setButtonType(KXBaseButton::ButtonType::CheckBox);
    box->setImagePosition(KXBaseButton::ImagePosition::Overlaps);
    box->setImageScaling(KXBaseButton::ImageScaling::AxesIndependently);
    box->setImage(KXImage(solid(4, 4, QColor(0, 0, 255))));
    box->setAlternateImage(KXImage(solid(4, 4, QColor(255, 0, 0))));
    box->setGeometry(0, 0, 92, 28);
    // The stretched image reaches every corner; the title is drawn over it in the middle.
    const QImage off = box->grab().toImage();
    EXPECT_EQ(off.pixelColor(1, 1), QColor(0, 0, 255));
    EXPECT_EQ(off.pixelColor(off.width() - 2, off.height() - 2), QColor(0, 0, 255));
    box->setState(1);
    const QImage on = box->grab().toImage();
    EXPECT_EQ(on.pixelColor(1, 1), QColor(255, 0, 0));
    EXPECT_EQ(on.pixelColor(on.width() - 2, on.height() - 2), QColor(255, 0, 0));
}

TEST(KXBaseButtonCheckBox, ScalingsPlaceTheImage)
{
    std::unique_ptr<KXBaseButton> button(KXBaseButton::buttonWithTitle("+", {}));
    QImage pixels = solid(20, 10, Qt::black);
    pixels.setDevicePixelRatio(2); // 10 x 5 points
    button->setImage(KXImage(pixels));
    const QRectF bounds(0, 0, 29, 20);
    button->setImagePosition(KXBaseButton::ImagePosition::ImageOnly);
    EXPECT_EQ(button->imageRect(bounds), QRectF(9.5, 7.5, 10, 5));
    button->setImageScaling(KXBaseButton::ImageScaling::ProportionallyUpOrDown);
    EXPECT_EQ(button->imageRect(bounds), QRectF(0, 2.75, 29, 14.5));
    button->setImageScaling(KXBaseButton::ImageScaling::AxesIndependently);
    EXPECT_EQ(button->imageRect(bounds), bounds);
}

TEST(KXBaseButtonCheckBox, TrailingImageSitsAtTheRightEdge)
{
    QWidget window;
    auto* button = KXBaseButton::buttonWithTitle("x", {}, &window);
    button->setImagePosition(KXBaseButton::ImagePosition::Trailing);
    QImage pixels = solid(24, 24, QColor(0, 0, 255));
    pixels.setDevicePixelRatio(2);
    button->setImage(KXImage(pixels));
    button->setGeometry(0, 0, 80, 20);
    const QImage shot = button->grab().toImage();
    EXPECT_EQ(shot.pixelColor(shot.width() - 3, shot.height() / 2), QColor(0, 0, 255));
    EXPECT_NE(shot.pixelColor(3, shot.height() / 2), QColor(0, 0, 255));
}

TEST(KXBaseButtonCheckBox, TitleInsetsKeepTheTitleOffTheEdge)
{
    QWidget window;
    auto* button = KXBaseButton::buttonWithTitle("WWWWWWWWWWWWWWWWWWWWWWWW", {}, &window);
    button->setNormalColor(QColor(255, 0, 0));
    button->setTitleInsets(0, 30);
    button->setGeometry(0, 0, 80, 20);
    const QImage shot = button->grab().toImage();
    for (int x = 50; x < shot.width(); ++x) {
        for (int y = 0; y < shot.height(); ++y) {
            const QColor c = shot.pixelColor(x, y);
            ASSERT_FALSE(c.red() > 200 && c.green() < 80) << x << "," << y;
        }
    }
}

TEST(KXBaseButtonCheckBox, ImageOnlyDrawsNoTitle)
{
    QWidget window;
    auto* button = KXBaseButton::buttonWithTitle("WWWW", {}, &window);
    button->setNormalColor(QColor(255, 0, 0));
    button->setImagePosition(KXBaseButton::ImagePosition::ImageOnly);
    button->setGeometry(0, 0, 60, 24);
    const QImage shot = button->grab().toImage();
    for (int x = 0; x < shot.width(); ++x) {
        for (int y = 0; y < shot.height(); ++y) {
            const QColor c = shot.pixelColor(x, y);
            ASSERT_FALSE(c.red() > 200 && c.green() < 80) << x << "," << y;
        }
    }
}

} // namespace
