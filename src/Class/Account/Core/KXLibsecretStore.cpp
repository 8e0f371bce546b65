#include "Class/Account/Core/KXLibsecretStore.h"

#include <libsecret/secret.h>

namespace {

const SecretSchema* accountSchema()
{
    static const SecretSchema schema = [] {
        SecretSchema s {};
        s.name = KXSecretStore::kSchemaName;
        s.flags = SECRET_SCHEMA_NONE;
        s.attributes[0] = { KXSecretStore::kAccountAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING };
        s.attributes[1] = { nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING };
        return s;
    }();
    return &schema;
}

// Takes the error's message and frees it; "" without an error.
std::string consume(GError* error)
{
    if (!error)
        return {};
    std::string message = error->message ? error->message : "unknown keyring error";
    g_error_free(error);
    return message;
}

} // namespace

KXLibsecretStore::KXLibsecretStore()
    : queue_(dispatch::makeSerialQueue("com.corvane.KXSecretStore"))
    , state_(std::make_shared<State>())
{
}

void KXLibsecretStore::State::setLastError(std::string reason)
{
    std::lock_guard lock(mutex);
    lastError = std::move(reason);
}

std::string KXLibsecretStore::lastError() const
{
    std::lock_guard lock(state_->mutex);
    return state_->lastError;
}

void KXLibsecretStore::storePassword(const std::string& account, const std::string& password, Done done)
{
    queue_->async([state = state_, account, password, done = std::move(done)] {
        GError* error = nullptr;
        const std::string label = "Corvane Fonts (" + account + ")";
        const gboolean stored = secret_password_store_sync(accountSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                                                           password.c_str(), nullptr, &error, kAccountAttribute,
                                                           account.c_str(), nullptr);
        const std::string reason = consume(error);
        state->setLastError(stored ? std::string() : (reason.empty() ? "the keyring kept nothing" : reason));
        if (done)
            dispatch::mainQueue().async([done, ok = stored != FALSE] { done(ok); });
    });
}

void KXLibsecretStore::lookupPassword(const std::string& account, Found done)
{
    queue_->async([state = state_, account, done = std::move(done)] {
        GError* error = nullptr;
        gchar* found = secret_password_lookup_sync(accountSchema(), nullptr, &error, kAccountAttribute, account.c_str(), nullptr);
        std::optional<std::string> password;
        if (found) {
            password = std::string(found);
            secret_password_free(found);
        }
        const std::string reason = consume(error);
        state->setLastError(reason);
        if (done)
            dispatch::mainQueue().async([done, password = std::move(password)] { done(password); });
    });
}

void KXLibsecretStore::clearPassword(const std::string& account, Done done)
{
    queue_->async([state = state_, account, done = std::move(done)] {
        GError* error = nullptr;
        // False also when there was nothing to clear; only an error leaves a password behind.
        secret_password_clear_sync(accountSchema(), nullptr, &error, kAccountAttribute, account.c_str(), nullptr);
        const std::string reason = consume(error);
        state->setLastError(reason);
        if (done)
            dispatch::mainQueue().async([done, ok = reason.empty()] { done(ok); });
    });
}
