#include "Class/Favourites/Core/KXFolderWriteOutcome.h"

#include "Class/Favourites/Core/KXFolderRecords.h"
#include "Class/Favourites/Core/KXFolderSession.h"

using foundation::Id;

namespace {

bool holdsFolderNamed(const foundation::Array* folders, const std::string& name)
{
    if (folders) {
        for (const Id& folder : *folders) {
            if (folder["collect_name"].stringValue() == name)
                return true;
        }
    }
    return false;
}

} // namespace

KXFolderWriteOutcome::Verdict KXFolderWriteOutcome::judge(const Change& change, const KXAccountWrites::Result& read)
{
    const auto folders = read.reply.array();
    if (!read.ok || !folders)
        return Verdict::Unread;
    bool made = false;
    if (change.folderId.isNil()) {
        made = holdsFolderNamed(folders.get(), change.name);
    } else {
        const long index = KXFolderRecords::indexOf(folders.get(), change.folderId);
        if (change.name.empty())
            made = index < 0;
        else
            made = index >= 0 && Id(folders->objectAtIndex(static_cast<std::size_t>(index)))["collect_name"].stringValue() == change.name;
    }
    return made ? Verdict::Made : Verdict::NotMade;
}

bool KXFolderWriteOutcome::refusalSaysMade(const Change& change, const std::string& message, bool sameNameWasLost)
{
    if (change.name.empty())
        return message == "收藏夹不存在";
    return sameNameWasLost && message == "收藏夹名称已存在";
}

void KXFolderWriteOutcome::readBack(std::string_view tag, Change change, Shown shown, std::function<void(Verdict)> ended)
{
    KXAccountWrites::readBack(tag, [change = std::move(change), shown = std::move(shown), ended = std::move(ended)](const KXAccountWrites::Result& read) {
        const Verdict verdict = judge(change, read);
        if (verdict != Verdict::Unread && shown)
            shown(KXFolderSession::folders());
        if (ended)
            ended(verdict);
    });
}

bool KXFolderWriteOutcome::readFirst(
    std::string_view tag, const std::string& subject, Judge judged, std::function<void(Verdict)> decided)
{
    if (!KXAccountWrites::keptUnknown(tag, subject))
        return false;
    KXAccountWrites::read(KXAccountWrites::Read::Folders,
        [tag = std::string(tag), subject, judged = std::move(judged), decided = std::move(decided)](
            const KXAccountWrites::Result& read) {
            const Verdict verdict = judged(read);
            if (verdict != Verdict::Unread)
                KXAccountWrites::forgetKept(tag, subject);
            if (decided)
                decided(verdict);
        });
    return true;
}
