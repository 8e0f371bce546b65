#include "Class/Favourites/Core/KXPublishForm.h"

#include "Class/Favourites/Core/KXFolderNameRule.h"
#include "Platform/Graphics/FullDecodeGate.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

using foundation::Id;

QStringList KXPublishForm::topics()
{
    return {QStringLiteral("请选择话题"), QStringLiteral("标题字体"), QStringLiteral("正文阅读"),
            QStringLiteral("海报设计"), QStringLiteral("界面设计"), QStringLiteral("手写书法")};
}

bool KXPublishForm::offers(const Id& folder)
{
    const long long state = folder["is_publish"].integerValue();
    return folder.dictionary() != nullptr && (state == 0 || state == 3);
}

QString KXPublishForm::readCover(const QString& path, KXPublishCover& cover)
{
    if (path.isEmpty())
        return QStringLiteral("请选择封面图片");
    if (!QFileInfo(path).isFile())
        return QStringLiteral("封面图片不存在");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("封面图片无法读取");
    // One byte past the limit tells an oversized file without reading all of it.
    QByteArray data = file.read(kCoverLimit + 1);
    if (data.size() > kCoverLimit)
        return QStringLiteral("封面图片不能超过2M");
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format != "png" && format != "jpeg")
        return QStringLiteral("封面图片只能是PNG或JPG格式");
    const QSize size = reader.size();
    const graphics::FullDecodeGate::Hold place = graphics::holdFullDecode(size.width(), size.height());
    if (reader.read().isNull())
        return QStringLiteral("封面图片无法读取");
    buffer.close();
    cover.data = std::move(data);
    cover.suffix = format == "png" ? QStringLiteral("png") : QStringLiteral("jpg");
    return {};
}

QString KXPublishForm::coverProblem(const QString& path)
{
    KXPublishCover cover;
    return readCover(path, cover);
}

KXPublishCheck KXPublishForm::check(const KXPublishInput& input)
{
    KXPublishCheck check;
    check.folderChosen = input.folder.dictionary() != nullptr;
    const auto verdict = KXFolderNameRule::check(input.name);
    check.nameAccepted = verdict == KXFolderNameRule::Verdict::Accepted;
    check.nameMessage = KXFolderNameRule::message(verdict);
    check.passwordAccepted = !input.isProtected || !input.password.trimmed().isEmpty();
    check.topicChosen = input.topicIndex > 0 && input.topicIndex < topics().size();
    check.summaryAccepted = input.summary.size() <= kSummaryLimit;
    check.coverMessage = coverProblem(input.coverPath);
    check.coverAccepted = check.coverMessage.isEmpty();
    return check;
}

KXPublishRequest KXPublishForm::request(const KXPublishInput& input, const KXPublishCover& cover)
{
    const auto text = [](const QString& value) { return Id(value.toStdString()); };
    const QStringList names = topics();
    const bool topic = input.topicIndex > 0 && input.topicIndex < names.size();
    KXPublishRequest request;
    request.folderID = input.folder["id"];
    request.isEncrypt = Id(input.isProtected ? "1" : "0");
    request.encryptStr = text(input.isProtected ? input.password : QString());
    request.description = text(input.summary);
    request.base64Image = Id(cover.data.toBase64().toStdString());
    request.tagID = topic ? Id(std::to_string(input.topicIndex)) : Id("");
    request.tagName = topic ? text(names.at(input.topicIndex)) : Id("");
    request.imageSuffix = text(cover.suffix);
    request.collectionName = text(input.name.trimmed());
    return request;
}
