#include "Class/Favourites/Core/KXPublishForm.h"

#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

using foundation::Id;

namespace {

QString writeImage(const std::filesystem::path& dir, const char* name, const char* format)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 40));
    const QString path = QString::fromStdString((dir / name).string());
    EXPECT_TRUE(image.save(path, format));
    return path;
}

QString writeBytes(const std::filesystem::path& dir, const char* name, const QByteArray& bytes)
{
    const QString path = QString::fromStdString((dir / name).string());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

KXPublishInput complete(const QString& cover)
{
    KXPublishInput input;
    input.folder = Id(foundation::Dictionary::create({{Id("id"), Id(3)}, {Id("collect_name"), Id("正文精选")}}));
    input.name = QStringLiteral("正文精选");
    input.topicIndex = 2;
    input.coverPath = cover;
    return input;
}

} // namespace

TEST(KXPublishForm, PngAndJpegCoversUpTo2MiBPass)
{
    const auto dir = testsupport::makeScratchDir("covers");
    EXPECT_EQ(KXPublishForm::coverProblem(writeImage(dir, "a.png", "PNG")), QString());
    EXPECT_EQ(KXPublishForm::coverProblem(writeImage(dir, "b.jpg", "JPEG")), QString());
    EXPECT_EQ(KXPublishForm::coverProblem(writeImage(dir, "png-named.jpg", "PNG")), QString()) << "the content decides";
    EXPECT_EQ(KXPublishForm::coverProblem(writeImage(dir, "c.bmp", "BMP")), QStringLiteral("封面图片只能是PNG或JPG格式"));
    EXPECT_EQ(KXPublishForm::coverProblem(QString()), QStringLiteral("请选择封面图片"));
    EXPECT_EQ(KXPublishForm::coverProblem(QString::fromStdString((dir / "none.png").string())), QStringLiteral("封面图片不存在"));

    QByteArray big("\x89PNG\r\n\x1a\n", 8);
    big.append(QByteArray(2 * 1024 * 1024, 'x'));
    EXPECT_EQ(KXPublishForm::coverProblem(writeBytes(dir, "big.png", big)), QStringLiteral("封面图片不能超过2M"));
    QByteArray broken("\x89PNG\r\n\x1a\n", 8);
    broken.append(QByteArray(64, '\0'));
    EXPECT_EQ(KXPublishForm::coverProblem(writeBytes(dir, "broken.png", broken)), QStringLiteral("封面图片无法读取"));
}

TEST(KXPublishForm, EveryFieldHasItsCheck)
{
    const auto dir = testsupport::makeScratchDir("form");
    const QString cover = writeImage(dir, "cover.png", "PNG");
    EXPECT_TRUE(KXPublishForm::check(complete(cover)).ready());

    auto noFolder = complete(cover);
    noFolder.folder = Id();
    EXPECT_FALSE(KXPublishForm::check(noFolder).folderChosen);

    auto blank = complete(cover);
    blank.name = QStringLiteral("  ");
    const auto refused = KXPublishForm::check(blank);
    EXPECT_FALSE(refused.nameAccepted);
    EXPECT_EQ(refused.nameMessage, QStringLiteral("请输入分组名称"));

    auto protectedNoPassword = complete(cover);
    protectedNoPassword.isProtected = true;
    EXPECT_FALSE(KXPublishForm::check(protectedNoPassword).passwordAccepted);
    protectedNoPassword.password = QStringLiteral("s3cret");
    EXPECT_TRUE(KXPublishForm::check(protectedNoPassword).ready());

    auto noTopic = complete(cover);
    noTopic.topicIndex = 0;
    EXPECT_FALSE(KXPublishForm::check(noTopic).topicChosen);

    auto longSummary = complete(cover);
    longSummary.summary = QString(201, QChar(u'字'));
    EXPECT_FALSE(KXPublishForm::check(longSummary).summaryAccepted);
    longSummary.summary.chop(1);
    EXPECT_TRUE(KXPublishForm::check(longSummary).summaryAccepted);
}
