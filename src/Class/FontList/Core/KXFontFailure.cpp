#include "Class/FontList/Core/KXFontFailure.h"

#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/LogChannel.h"
#include "Platform/Storage/Paths.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

using foundation::Id;
using foundation::Ref;

namespace kxfontfailure {
namespace {

foundation::LogChannel& channel()
{
    static foundation::LogChannel channel;
    return channel;
}

struct Cause {
    std::filesystem::path folder;
    int posixError = 0;
    std::string description; // the outermost error's own words, where it has any
};

Cause causeOf(const Ref<foundation::Dictionary>& userInfo)
{
    Cause cause;
    Ref<foundation::Dictionary> info = userInfo;
    // Errors nest a few levels at most (a URL error over a file error over a POSIX error).
    for (int depth = 0; info && depth < 8; ++depth) {
        if (cause.description.empty())
            cause.description = Id(info)[foundation::NSLocalizedDescriptionKey].stringValue();
        const std::string path = Id(info)[foundation::NSFilePathErrorKey].stringValue();
        if (cause.folder.empty() && !path.empty())
            cause.folder = std::filesystem::path(path).parent_path();
        const auto underlying = Id(info)[foundation::NSUnderlyingErrorKey].as<foundation::Error>();
        if (!underlying)
            break;
        if (underlying->domain() == foundation::NSPOSIXErrorDomain && cause.posixError == 0)
            cause.posixError = static_cast<int>(underlying->code());
        info = underlying->userInfo();
    }
    return cause;
}

bool cannotWrite(int posixError)
{
    // A file where the folder should be cannot be written into either.
    return posixError == EACCES || posixError == EPERM || posixError == EROFS || posixError == ENOTDIR;
}

bool noRoom(int posixError)
{
    // EFBIG: the system allows no larger file, which leaves the font as unstored as a full disk.
    return posixError == ENOSPC || posixError == EDQUOT || posixError == EFBIG;
}

} // namespace

LogSink setLogSink(LogSink sink)
{
    return channel().setSink(std::move(sink));
}

std::string report(Step step, const Ref<foundation::Dictionary>& userInfo)
{
    const bool install = step == Step::Install;
    const Cause cause = causeOf(userInfo);
    std::string line = install ? "font installation failed" : "font download failed";
    if (!cause.folder.empty())
        line += " in " + cause.folder.string();
    if (cause.posixError != 0)
        line += ": " + std::generic_category().message(cause.posixError);
    if (!cause.description.empty())
        line += " (" + cause.description + ")";
    channel().line(line);

    if (!install && KXHTTPREQUEST::isInsecureAddressRefusal(userInfo))
        return "下载地址不安全，字体未能下载";
    if (cannotWrite(cause.posixError) && !cause.folder.empty())
        return std::string(install ? "文件夹无法写入，字体未能安装：" : "文件夹无法写入，字体未能下载：")
            + foundation::Paths::displayPath(cause.folder);
    if (noRoom(cause.posixError))
        return install ? "磁盘空间不足，字体未能安装" : "磁盘空间不足，字体未能下载";
    return install ? "字体安装失败，请稍后重试" : "字体下载失败，请稍后重试";
}

std::string report(Step step, const Ref<foundation::Error>& error)
{
    if (!error)
        return report(step, Ref<foundation::Dictionary>());
    return report(step, foundation::Dictionary::create({{Id(foundation::NSUnderlyingErrorKey), Id(error)}}));
}

} // namespace kxfontfailure
