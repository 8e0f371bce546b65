#include "Class/AppShell/KXAnimatedImage.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/Image.h"

#include <QFile>
#include <QString>

static void initAnimationResources()
{
    Q_INIT_RESOURCE(appshell_animations_qrc);
}

ILImageRef kx_animatedImageNamed(std::string_view name)
{
    static const bool initialised = [] {
        initAnimationResources();
        return true;
    }();
    (void)initialised;
    QFile file(QStringLiteral(":/images/") + QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
               + QStringLiteral(".gif"));
    if (name.empty() || !file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray bytes = file.readAll();
    return graphics::Image::createWithData(
        foundation::Data::create(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))), 2.0);
}
