#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace foundation {

class Array;
class Data;
class Dictionary;
class Error;
class String;

// The user's settings: a property list of keys to values kept in one file, by default
// $XDG_CONFIG_HOME/corvane-fonts/defaults.plist. Values are strings, numbers, data, dates, arrays
// and dictionaries of them; they are stored as immutable copies, so a caller that changes its
// mutable container afterwards does not change the store. A key that is absent answers nil; a key
// holding "" answers "" — the two stay distinct.
//
// Every change is written to the file at once (a temporary file renamed into place, so a failed
// write leaves the old file); synchronize() writes again when an earlier write failed and reports
// whether the store is on disk. The file is read on first use. A file that exists but cannot be
// read is never written over (changes then stay in memory and synchronize() answers false); one
// that reads but is no property list, or that holds more than kMaxFileBytes (it is not read then),
// is moved aside to "<name>.damaged". All members are safe to call from
// any thread; change observers and the write-failure and refused-change handlers run on the
// thread that made the change, after the store's lock is released.
class UserDefaults {
public:
    // Far above what settings hold (a few kilobytes).
    static constexpr std::uintmax_t kMaxFileBytes = 8 * 1024 * 1024;

    static UserDefaults& standardUserDefaults();
    // A store over another file (tests, tools). The file need not exist.
    explicit UserDefaults(std::filesystem::path file);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    Id objectForKey(std::string_view key) const;
    // nil removes the key. A value that is not a property list is a misuse
    // (NSInvalidArgumentException, "Attempt to insert non-property list object ... for key ...").
    void setObject(const Id& value, std::string_view key);
    void removeObjectForKey(std::string_view key);

    // A string, or a number's text; nil for anything else.
    Ref<String> stringForKey(std::string_view key) const;
    Ref<Array> arrayForKey(std::string_view key) const;
    Ref<Dictionary> dictionaryForKey(std::string_view key) const;
    Ref<Data> dataForKey(std::string_view key) const;
    // Numbers, and strings read with the string's rules; 0 / NO otherwise.
    long long integerForKey(std::string_view key) const;
    double doubleForKey(std::string_view key) const;
    bool boolForKey(std::string_view key) const;
    void setInteger(long long value, std::string_view key);
    void setDouble(double value, std::string_view key);
    void setBool(bool value, std::string_view key);

    Ref<Dictionary> dictionaryRepresentation() const;
    bool synchronize();
    const std::filesystem::path& file() const { return file_; }

    // Whether the file exists but could not be read: its values are unknown rather than absent,
    // so a key missing from the store says nothing about what the user had stored.
    bool isUnreadable() const;

    // Where the store's values stand after saveOrRemoveFile().
    enum class DiskOutcome {
        Saved,       // the file holds the values in memory
        FileRemoved, // no file: the values live in memory only, until a save succeeds
        NotRemoved,  // the file could neither be rewritten nor removed, or could not be read
    };
    // For a removal that must not stay on disk (the sign-in token): saves the store and, where the
    // file cannot be rewritten, removes it instead, which needs no space. The values stay in
    // memory and the store dirty: they are written again at once if that fits now (the removal
    // freed the old file's space), else by the next save that succeeds or synchronize(). A file
    // that could not be read is left alone with whatever it holds.
    DiskOutcome saveOrRemoveFile();

    // Called with the file's path at the first failed write since the store was last on disk,
    // not at each change that fails again after it, so the user hears of it once per failure.
    // A file that could not be read is never written, which is no failed write.
    using WriteFailureHandler = std::function<void(const std::filesystem::path& file)>;
    void setWriteFailureHandler(WriteFailureHandler handler);

    // Called with the file's path and the key at each change kept in memory only because the file
    // could not be read (and so is never written over): what the change stored is gone at the
    // next start.
    using RefusedChangeHandler = std::function<void(const std::filesystem::path& file, const std::string& key)>;
    void setRefusedChangeHandler(RefusedChangeHandler handler);

    // Called with the key after each change (set, replace or removal of a present key).
    using ChangeObserver = std::function<void(const std::string& key)>;
    class Observation {
    public:
        Observation() = default;
        ~Observation();
        Observation(Observation&& other) noexcept;
        Observation& operator=(Observation&& other) noexcept;
        Observation(const Observation&) = delete;
        Observation& operator=(const Observation&) = delete;

    private:
        friend class UserDefaults;
        Observation(UserDefaults* defaults, unsigned long long token)
            : defaults_(defaults)
            , token_(token)
        {
        }
        UserDefaults* defaults_ = nullptr;
        unsigned long long token_ = 0;
    };
    // The observer stays registered while the returned token lives; the token must not outlive
    // the store (the standard store lives as long as the process).
    [[nodiscard]] Observation addChangeObserver(ChangeObserver observer);

private:
    struct State;
    void loadLocked() const;
    bool saveLocked();
    void reportWriteFailure();
    void reportRefusedChange(const std::string& key);
    void notify(const std::string& key);
    void removeObserver(unsigned long long token);

    std::filesystem::path file_;
    mutable std::mutex mutex_;
    std::unique_ptr<State> state_;
};

} // namespace foundation
