#include "Platform/Storage/UserDefaults.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Foundation/String.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/Paths.h"

#include <map>
#include <system_error>

namespace foundation {

struct UserDefaults::State {
    Ref<MutableDictionary> values = MutableDictionary::create();
    bool loaded = false;
    bool dirty = false;
    bool unreadable = false; // the file is there but could not be read: never write over it
    bool writeFailureReported = false; // since the last write that succeeded
    bool writeFailureToReport = false;
    std::shared_ptr<const WriteFailureHandler> writeFailureHandler;
    std::shared_ptr<const RefusedChangeHandler> refusedChangeHandler;
    unsigned long long nextToken = 1;
    std::map<unsigned long long, std::shared_ptr<const ChangeObserver>> observers;
};

UserDefaults& UserDefaults::standardUserDefaults()
{
    static UserDefaults defaults(Paths::configDirectory() / "defaults.plist");
    return defaults;
}

UserDefaults::UserDefaults(std::filesystem::path file)
    : file_(std::move(file))
    , state_(std::make_unique<State>())
{
}

UserDefaults::~UserDefaults() = default;

void UserDefaults::loadLocked() const
{
    if (state_->loaded)
        return;
    state_->loaded = true;
    std::error_code error;
    if (!std::filesystem::exists(file_, error))
        return;
    Ref<Error> readError;
    Ref<Data> data = Data::dataWithContentsOfRegularFile(file_, kMaxFileBytes, &readError);
    const bool tooLarge = !data && readError && readError->code() == NSFileReadTooLargeError;
    if (!data && !tooLarge) {
        // Settings that cannot be read now (permissions, I/O, no file in its place) may be
        // readable later: writing the few values of this session over them would lose the rest.
        state_->unreadable = true;
        return;
    }
    Id root = data ? PropertyListSerialization::propertyListWithData(data, PropertyListImmutable) : Id();
    if (auto dictionary = root.dictionary()) {
        state_->values = MutableDictionary::dictionaryWithDictionary(*dictionary);
        return;
    }
    // Damaged beyond reading, or larger than settings ever grow (and left unread): kept beside
    // the new file for whoever wants to look at it.
    std::filesystem::path aside = file_;
    aside += ".damaged";
    std::filesystem::rename(file_, aside, error);
}

bool UserDefaults::saveLocked()
{
    if (state_->unreadable) {
        state_->dirty = true;
        return false;
    }
    Ref<Data> data
        = PropertyListSerialization::dataWithPropertyList(state_->values, PropertyListBinaryFormat_v1_0);
    // The settings hold the sign-in token.
    const bool written = data && PrivateFiles::writeFile(file_, data->span());
    state_->dirty = !written;
    if (written) {
        state_->writeFailureReported = false;
    } else if (!state_->writeFailureReported) {
        state_->writeFailureReported = true;
        state_->writeFailureToReport = true;
    }
    return written;
}

void UserDefaults::reportWriteFailure()
{
    std::shared_ptr<const WriteFailureHandler> handler;
    {
        std::lock_guard lock(mutex_);
        if (!state_->writeFailureToReport)
            return;
        state_->writeFailureToReport = false;
        handler = state_->writeFailureHandler;
    }
    if (handler && *handler)
        (*handler)(file_);
}

void UserDefaults::setWriteFailureHandler(WriteFailureHandler handler)
{
    std::lock_guard lock(mutex_);
    state_->writeFailureHandler = std::make_shared<const WriteFailureHandler>(std::move(handler));
}

void UserDefaults::setRefusedChangeHandler(RefusedChangeHandler handler)
{
    std::lock_guard lock(mutex_);
    state_->refusedChangeHandler = std::make_shared<const RefusedChangeHandler>(std::move(handler));
}

void UserDefaults::reportRefusedChange(const std::string& key)
{
    std::shared_ptr<const RefusedChangeHandler> handler;
    {
        std::lock_guard lock(mutex_);
        handler = state_->refusedChangeHandler;
    }
    if (handler && *handler)
        (*handler)(file_, key);
}

bool UserDefaults::isUnreadable() const
{
    std::lock_guard lock(mutex_);
    loadLocked();
    return state_->unreadable;
}

UserDefaults::DiskOutcome UserDefaults::saveOrRemoveFile()
{
    DiskOutcome outcome = DiskOutcome::Saved;
    {
        std::lock_guard lock(mutex_);
        loadLocked();
        if (state_->dirty && !saveLocked()) {
            std::error_code error;
            if (!state_->unreadable)
                std::filesystem::remove(file_, error); // a missing file is no error
            if (state_->unreadable || error)
                outcome = DiskOutcome::NotRemoved;
            else
                outcome = saveLocked() ? DiskOutcome::Saved : DiskOutcome::FileRemoved;
        }
    }
    reportWriteFailure();
    return outcome;
}

Id UserDefaults::objectForKey(std::string_view key) const
{
    std::lock_guard lock(mutex_);
    loadLocked();
    return state_->values->objectForKey(key);
}

void UserDefaults::setObject(const Id& value, std::string_view key)
{
    if (!value) {
        removeObjectForKey(key);
        return;
    }
    // Checked and frozen outside the lock: a deep immutable copy through the stored form.
    Ref<Data> encoded = PropertyListSerialization::dataWithPropertyList(value, PropertyListBinaryFormat_v1_0);
    Id frozen
        = encoded ? PropertyListSerialization::propertyListWithData(encoded, PropertyListImmutable) : Id();
    if (!frozen) {
        misuse(NSInvalidArgumentException,
            "Attempt to insert non-property list object " + value.description() + " for key "
                + std::string(key),
            MisuseDefault::Ignore);
        return;
    }
    bool refused = false;
    {
        std::lock_guard lock(mutex_);
        loadLocked();
        state_->values->setObject(frozen, Id(key));
        refused = !saveLocked() && state_->unreadable;
    }
    reportWriteFailure();
    if (refused)
        reportRefusedChange(std::string(key));
    notify(std::string(key));
}

void UserDefaults::removeObjectForKey(std::string_view key)
{
    bool refused = false;
    {
        std::lock_guard lock(mutex_);
        loadLocked();
        if (!state_->values->containsKey(key))
            return;
        state_->values->removeObjectForKey(Id(key));
        refused = !saveLocked() && state_->unreadable;
    }
    reportWriteFailure();
    if (refused)
        reportRefusedChange(std::string(key));
    notify(std::string(key));
}

Ref<String> UserDefaults::stringForKey(std::string_view key) const
{
    Id value = objectForKey(key);
    if (auto string = value.string())
        return string;
    if (auto number = value.number())
        return String::create(number->description());
    return nullptr;
}

Ref<Array> UserDefaults::arrayForKey(std::string_view key) const
{
    return objectForKey(key).array();
}

Ref<Dictionary> UserDefaults::dictionaryForKey(std::string_view key) const
{
    return objectForKey(key).dictionary();
}

Ref<Data> UserDefaults::dataForKey(std::string_view key) const
{
    return objectForKey(key).as<Data>();
}

long long UserDefaults::integerForKey(std::string_view key) const
{
    return objectForKey(key).integerValue();
}

double UserDefaults::doubleForKey(std::string_view key) const
{
    return objectForKey(key).doubleValue();
}

bool UserDefaults::boolForKey(std::string_view key) const
{
    return objectForKey(key).boolValue();
}

void UserDefaults::setInteger(long long value, std::string_view key)
{
    setObject(Id(value), key);
}

void UserDefaults::setDouble(double value, std::string_view key)
{
    setObject(Id(value), key);
}

void UserDefaults::setBool(bool value, std::string_view key)
{
    setObject(Id(value), key);
}

Ref<Dictionary> UserDefaults::dictionaryRepresentation() const
{
    std::lock_guard lock(mutex_);
    loadLocked();
    return std::static_pointer_cast<Dictionary>(state_->values->copy());
}

bool UserDefaults::synchronize()
{
    bool saved = true;
    {
        std::lock_guard lock(mutex_);
        loadLocked();
        if (state_->dirty)
            saved = saveLocked();
    }
    reportWriteFailure();
    return saved;
}

UserDefaults::Observation UserDefaults::addChangeObserver(ChangeObserver observer)
{
    std::lock_guard lock(mutex_);
    unsigned long long token = state_->nextToken++;
    state_->observers.emplace(token, std::make_shared<const ChangeObserver>(std::move(observer)));
    return Observation(this, token);
}

void UserDefaults::removeObserver(unsigned long long token)
{
    std::lock_guard lock(mutex_);
    state_->observers.erase(token);
}

void UserDefaults::notify(const std::string& key)
{
    std::vector<std::shared_ptr<const ChangeObserver>> observers;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : state_->observers)
            observers.push_back(entry.second);
    }
    for (const auto& observer : observers)
        (*observer)(key);
}

UserDefaults::Observation::~Observation()
{
    if (defaults_)
        defaults_->removeObserver(token_);
}

UserDefaults::Observation::Observation(Observation&& other) noexcept
    : defaults_(std::exchange(other.defaults_, nullptr))
    , token_(other.token_)
{
}

UserDefaults::Observation& UserDefaults::Observation::operator=(Observation&& other) noexcept
{
    if (this != &other) {
        if (defaults_)
            defaults_->removeObserver(token_);
        defaults_ = std::exchange(other.defaults_, nullptr);
        token_ = other.token_;
    }
    return *this;
}

} // namespace foundation
