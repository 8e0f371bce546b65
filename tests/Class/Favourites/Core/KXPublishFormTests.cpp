#include "Class/Favourites/Core/KXPublishForm.h"

#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include <QBuffer>
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

TEST(KXPublishForm, OnlyFoldersNeitherPublishedNorUnderReviewAreOffered)
{
    const auto folder = [](const Id& state) {
        return Id(foundation::Dictionary::create({{Id("id"), Id(1)}, {Id("is_publish"), state}}));
    };
    EXPECT_TRUE(KXPublishForm::offers(folder(Id(0))));
    EXPECT_TRUE(KXPublishForm::offers(folder(Id("3")))) << "a refused folder may be submitted again";
    EXPECT_FALSE(KXPublishForm::offers(folder(Id(1))));
    EXPECT_FALSE(KXPublishForm::offers(folder(Id(2))));
    EXPECT_FALSE(KXPublishForm::offers(folder(Id(5))));
    EXPECT_FALSE(KXPublishForm::offers(Id()));
}

TEST(KXPublishForm, TheRequestCarriesTheCheckedCoverAndThePasswordOnlyWhenProtected)
{
    const auto dir = testsupport::makeScratchDir("request");
    const QString jpeg = writeImage(dir, "cover.jpeg", "JPEG");
    KXPublishCover cover;
    ASSERT_EQ(KXPublishForm::readCover(jpeg, cover), QString());
    QFile file(jpeg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(cover.data, bytes);
    EXPECT_EQ(cover.suffix, QStringLiteral("jpg"));

    auto input = complete(jpeg);
    input.name = QStringLiteral(" 正文精选 ");
    input.summary = QStringLiteral("简介");
    input.password = QStringLiteral("left over");
    const auto open = KXPublishForm::request(input, cover);
    EXPECT_EQ(open.folderID.integerValue(), 3);
    EXPECT_EQ(open.isEncrypt.stringValue(), "0");
    EXPECT_EQ(open.encryptStr.stringValue(), "") << "a public collection sends no password";
    EXPECT_EQ(QByteArray::fromBase64(QByteArray::fromStdString(open.base64Image.stringValue())), bytes);
    EXPECT_EQ(open.imageSuffix.stringValue(), "jpg");
    EXPECT_EQ(open.tagID.stringValue(), "2");
    EXPECT_EQ(open.tagName.stringValue(), "正文阅读");
    EXPECT_EQ(open.collectionName.stringValue(), "正文精选");
    EXPECT_EQ(open.description.stringValue(), "简介");

    input.isProtected = true;
    input.password = QStringLiteral("s3cret");
    const auto locked = KXPublishForm::request(input, cover);
    EXPECT_EQ(locked.isEncrypt.stringValue(), "1");
    EXPECT_EQ(locked.encryptStr.stringValue(), "s3cret");

    KXPublishCover png;
    ASSERT_EQ(KXPublishForm::readCover(writeImage(dir, "named.jpg", "PNG"), png), QString());
    EXPECT_EQ(png.suffix, QStringLiteral("png")) << "the suffix of what the bytes are";
}

TEST(KXPublishForm, ACoverIsReadNoFurtherThanItsLimit)
{
    const auto dir = testsupport::makeScratchDir("limit");
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, "PNG"));
    }
    // A valid image padded to exactly the limit passes; one byte more does not.
    QByteArray atLimit = png + QByteArray(KXPublishForm::kCoverLimit - png.size(), '\0');
    KXPublishCover cover;
    EXPECT_EQ(KXPublishForm::readCover(writeBytes(dir, "at.png", atLimit), cover), QString());
    EXPECT_EQ(cover.data.size(), KXPublishForm::kCoverLimit);
    KXPublishCover over;
    EXPECT_EQ(KXPublishForm::readCover(writeBytes(dir, "over.png", atLimit + "x"), over), QStringLiteral("封面图片不能超过2M"));
    EXPECT_TRUE(over.data.isEmpty());
}
