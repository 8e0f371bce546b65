#pragma once

#include <string>
#include <unordered_set>

// The folder an archive is unpacked into. It makes the folders that entries need and refuses to
// go through a symbolic link at the root or below it, so an entry can never be written through a
// link that an earlier entry, or anyone else, put there. Folders once checked are remembered until forget() (after a link was
// made or something was removed). One run, one thread.
class DestinationFolder {
public:
    enum class Result { Ok, Unsafe, Failed };

    explicit DestinationFolder(std::string root);

    const std::string& root() const { return root_; }
    std::string fullPath(const std::string& relative) const;

    // Makes the folder `relative` (empty: the root) and its missing parents. On Failed,
    // `posixError` holds the system error and `failedPath` the folder that could not be made.
    Result makeFolder(const std::string& relative, int& posixError, std::string& failedPath);
    void forget() { checked_.clear(); }

private:
    Result makeRoot(int& posixError, std::string& failedPath);

    std::string root_;
    bool rootMade_ = false;
    std::unordered_set<std::string> checked_;
};
