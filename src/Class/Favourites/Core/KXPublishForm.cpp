#include "Class/Favourites/Core/KXPublishForm.h"

#include "Class/Favourites/Core/KXFolderNameRule.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>

QStringList KXPublishForm::topics()
{
    return {QStringLiteral("请选择话题"), QStringLiteral("标题字体"), QStringLiteral("正文阅读"),
            QStringLiteral("海报设计"), QStringLiteral("界面设计"), QStringLiteral("手写书法")};
}

QString KXPublishForm::coverProblem(const QString& path)
{
    if (path.isEmpty())
        return QStringLiteral("请选择封面图片");
    const QFileInfo file(path);
    if (!file.isFile())
        return QStringLiteral("封面图片不存在");
    if (file.size() > kCoverLimit)
        return QStringLiteral("封面图片不能超过2M");
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (format != "png" && format != "jpeg")
        return QStringLiteral("封面图片只能是PNG或JPG格式");
    if (reader.read().isNull())
        return QStringLiteral("封面图片无法读取");
    return {};
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
