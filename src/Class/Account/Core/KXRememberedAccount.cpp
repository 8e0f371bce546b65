#include "Class/Account/Core/KXRememberedAccount.h"

#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

using foundation::Id;

namespace {

KXFileManager& files()
{
    return KXFileManager::sharedKXFileManager();
}

foundation::Ref<foundation::String> archiveKey()
{
    return foundation::String::create(KXRememberedAccount::kArchiveKey);
}

} // namespace

KXRememberedAccount::KXRememberedAccount(std::shared_ptr<KXSecretStore> store)
    : store_(store ? std::move(store) : KXSecretStore::shared())
{
}

std::optional<std::string> KXRememberedAccount::storedAccount()
{
    const Id archive = files().returnDecryptDataByPathKey(archiveKey());
    if (!archive.dictionary())
        return std::nullopt;
    return archive["account"].stringValue();
}

void KXRememberedAccount::writeAccount(const std::string& account)
{
    files().writeEncryptDataWithDictionary(Id(foundation::Dictionary::create({{Id("account"), Id(account)}})), archiveKey());
}

void KXRememberedAccount::load(Loaded done)
{
    const Id archive = files().returnDecryptDataByPathKey(archiveKey());
    if (!archive.dictionary())
        return;
    const std::string account = archive["account"].stringValue();
    const Id clearPassword = archive["pwd"];
    if (!clearPassword.isNil()) {
        // A former version's file: the password leaves the file at once, whatever the keyring says.
        writeAccount(account);
        const std::string password = clearPassword.stringValue();
        if (password.empty() || account.empty()) {
            dispatch::mainQueue().async([done, account] { done(account, std::nullopt); });
            return;
        }
        store_->storePassword(account, password, [done, account, password](bool kept) {
            done(account, kept ? std::optional<std::string>(password) : std::nullopt);
        });
        return;
    }
    if (account.empty()) {
        dispatch::mainQueue().async([done, account] { done(account, std::nullopt); });
        return;
    }
    store_->lookupPassword(account, [done, account](std::optional<std::string> password) { done(account, password); });
}

void KXRememberedAccount::remember(const std::string& account, const std::string& password, Stored done)
{
    const std::optional<std::string> previous = storedAccount();
    writeAccount(account);
    if (previous && !previous->empty() && *previous != account)
        store_->clearPassword(*previous, {});
    store_->storePassword(account, password, [done](bool kept) {
        if (done)
            done(kept);
    });
}

void KXRememberedAccount::forget()
{
    const std::optional<std::string> previous = storedAccount();
    files().removeFileByPathkey(archiveKey());
    if (previous && !previous->empty())
        store_->clearPassword(*previous, {});
}
