// Renders each widget of the kit in the dark and the light palette and saves the pictures to
// <build>/screenshots/ for review. Each picture is also checked for the palette's background.
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXBaseTextField.h"
#include "Class/UIKit/KXBaseView.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXQtColor.h"
#include "Class/UIKit/LADSlider.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Class/UIKit/MLHudAlertWindow.h"
#include "Class/UIKit/THSearchField.h"
#include "Platform/Dispatch/Clock.h"

#include <QDir>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

QColor qcolor(const KXThemeManager::Color& color)
{
    return kx_qcolor(color);
}

QString screenshotDir()
{
    const QByteArray binary = qgetenv("CORVANE_BINARY_DIR");
    const QString dir = (binary.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(binary)) + "/screenshots";
    QDir().mkpath(dir);
    return dir;
}

void fill(QWidget& widget, const QColor& color)
{
    widget.setAutoFillBackground(true);
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, color);
    widget.setPalette(palette);
}

// A panel such as the font list's toolbar and rows, coloured from the palette.
class KitSample {
public:
    explicit KitSample(const KXThemeManager& theme)
    {
        window.resize(520, 360);
        fill(window, qcolor(theme.RightBGC()));
        panel = new KXBaseView(&window);
        panel->setGeometry(0, 0, 520, 360);

        int x = 12;
        for (const auto& name : {theme.editImgStr(), theme.searchImgStr(), theme.fontStyleBtnImgStr(),
                                 theme.fontTypeBtnImgStr(), theme.fontWeightBtnImgStr(), theme.fontAdvanceBtnImgStr()}) {
            auto* button = KXBaseButton::buttonWithImage(KXImage::imageNamed(*name), {}, panel);
            button->setGeometry(x, 12, 28, 28);
            x += 36;
        }
        cn = KXBaseButton::buttonWithTitle("中文", {}, panel);
        cn->setNormalColor(qcolor(theme.cnBtnNomal()));
        cn->setSelectedColor(qcolor(theme.cnBtnSelect()));
        cn->setSelected(true);
        cn->setKXBaseButtonAlignment(2);
        cn->setGeometry(x + 10, 12, 48, 28);
        auto* en = KXBaseButton::buttonWithTitle("外文", {}, panel);
        en->setNormalColor(qcolor(theme.enBtnNomal()));
        en->setKXBaseButtonAlignment(2);
        en->setGeometry(x + 62, 12, 48, 28);

        auto* line = new QWidget(panel);
        fill(*line, qcolor(theme.filterViewTopline()));
        line->setGeometry(0, 50, 520, 1);

        search = new THSearchField(panel);
        search->setGeometry(12, 62, 240, 28);
        QPalette palette = search->palette();
        palette.setColor(QPalette::Base, qcolor(theme.CustomTFBGC()));
        palette.setColor(QPalette::Text, qcolor(theme.CustomTFText()));
        palette.setColor(QPalette::PlaceholderText, qcolor(theme.CustomTFPlace()));
        search->setPalette(palette);
        search->setFrame(false);
        search->setPlaceholderText("搜索字体");

        auto* small = new QLabel(panel);
        small->setPixmap(QPixmap::fromImage(KXImage::imageNamed(*theme.leftSliderImgStr()).image()));
        small->setGeometry(270, 66, 20, 20);
        slider = LADSlider::initWithKnobImage(KXImage::imageNamed("LADSliderKnob"), KXImage::imageNamed("LADSliderTrackMin"),
                                              KXImage::imageNamed("LADSliderTrackMax"), Qt::Horizontal, panel);
        slider->setGeometry(294, 64, 150, 24);
        slider->setRange(0, 100);
        slider->setValue(40);
        auto* big = new QLabel(panel);
        big->setPixmap(QPixmap::fromImage(KXImage::imageNamed(*theme.rightSliderImgStr()).image()));
        big->setGeometry(448, 66, 20, 20);

        addRow(theme, 100, "思源宋体 Source Han Serif", false, theme.listcellLabel());
        addRow(theme, 150, "站酷快乐体 ZCOOL KuaiLe", true, theme.listcellTitleLabel());
        addRow(theme, 200, "本地字体 Local font", false, theme.locallistcellLabel());
    }

    void addRow(const KXThemeManager& theme, int y, const QString& title, bool selected, const KXThemeManager::Color& text)
    {
        auto* row = new QWidget(panel);
        fill(*row, qcolor(selected ? theme.listcellSeleBGC() : theme.listcellBGC()));
        row->setGeometry(0, y, 520, 48);
        auto* label = new KXBaseTextField(title, row);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, qcolor(text));
        label->setPalette(palette);
        label->setGeometry(12, 14, 240, 20);
        int x = 270;
        for (const auto& badge : {theme.freeTopicImgStr(), theme.heartTopicImgStr(), theme.rNewTopicImgStr(),
                                  theme.gbkTopicImgStr(), theme.threeDTopicImgStr()}) {
            auto* image = new QLabel(row);
            image->setPixmap(QPixmap::fromImage(KXImage::imageNamed(*badge).image()));
            image->setGeometry(x, 17, 28, 14);
            x += 32;
        }
        auto* cart = KXBaseButton::buttonWithImage(KXImage::imageNamed(*theme.buyCartsImgstr()), {}, row);
        cart->setGeometry(480, 12, 24, 24);
        auto* separator = new QWidget(row);
        fill(*separator, qcolor(theme.filterViewTopline()));
        separator->setGeometry(0, 47, 520, 1);
    }

    QWidget window;
    KXBaseView* panel = nullptr;
    KXBaseButton* cn = nullptr;
    THSearchField* search = nullptr;
    LADSlider* slider = nullptr;
};

class ScreenshotTest : public testing::TestWithParam<bool> {};

TEST_P(ScreenshotTest, KitInPalette)
{
    dispatch::VirtualClock::Scope time;
    const bool light = GetParam();
    const QString suffix = light ? "day" : "night";
    KXThemeManager theme;
    theme.setIsNight(light);
    KitSample sample(theme);
    sample.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sample.window));
    const QString dir = screenshotDir();

    const QImage whole = sample.window.grab().toImage();
    EXPECT_EQ(whole.pixelColor(510, 350), qcolor(theme.RightBGC()));
    EXPECT_TRUE(whole.save(dir + "/kit-" + suffix + ".png"));
    EXPECT_TRUE(sample.cn->grab().save(dir + "/button-" + suffix + ".png"));
    EXPECT_TRUE(sample.search->grab().save(dir + "/searchfield-" + suffix + ".png"));
    EXPECT_TRUE(sample.slider->grab().save(dir + "/slider-" + suffix + ".png"));

    const std::vector<std::pair<int, QString>> toasts = {
        {0, "已是最新版本"}, {1, "默认分组不支持修改"}, {2, "网络失败！"}, {3, "删除成功"}, {4, "正在加载"}};
    for (const auto& [type, message] : toasts) {
        MLHudAlert::alertWithWindow(&sample.window, type, message);
        time.advance(MLHudAlertWindow::kFadeSeconds);
        const QImage shot = sample.window.grab().toImage();
        // The toast's corner area is black at alpha 0.86 over the background.
        const QPoint inside = MLHudAlert::sharedAlert()->window()->geometry().topLeft() + QPoint(20, 4);
        EXPECT_LT(shot.pixelColor(inside).lightness(), 60) << type;
        EXPECT_TRUE(shot.save(dir + QString("/toast-%1-%2.png").arg(type).arg(suffix)));
    }
    // A run with no break point wraps inside the toast and its cut ends with "…".
    MLHudAlert::alertWithWindow(&sample.window, 2, "下载失败：" + QString("Unbroken").repeated(250));
    time.advance(MLHudAlertWindow::kFadeSeconds);
    EXPECT_TRUE(sample.window.grab().save(dir + "/toast-long-run-" + suffix + ".png"));
    MLHudAlert::dismisWindow();
    time.advance(MLHudAlertWindow::kFadeSeconds);
}

INSTANTIATE_TEST_SUITE_P(Palettes, ScreenshotTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& param) { return param.param ? "Day" : "Night"; });

} // namespace
