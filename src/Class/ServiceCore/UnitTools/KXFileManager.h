#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/String.h"

#include <memory>

namespace dispatch {
class Queue;
}

// Small state files: one keyed archive of a dictionary per key, at <cache>/kxData/<key>/<key>
// (root key "listData"), plus thin file utilities. One shared instance; files are read and written
// on the calling thread, each write replacing the whole file atomically with mode 0600. Reads are
// bounded (KXStateFile): a file too large, or one that is no archive, is set aside and reads as nil.
//
// Archives kept from replies are written in the background instead (writeEncryptDataInBackground),
// on a serial queue of their file, in the order they were asked for. Every other write, read or
// removal of that file first waits for the background writes of it asked for before, so that an
// earlier write never lands over a later one and a read sees what was last written; other files
// do not wait for them.
class KXFileManager {
public:
    static KXFileManager& sharedKXFileManager();

    // The archive file of the key, its folder made first; nil for an empty key.
    foundation::Ref<foundation::String> pathForDocumentWithComponent(const foundation::Ref<foundation::String>& key) const;
    void writeEncryptDataWithDictionary(const foundation::Id& dictionary, const foundation::Ref<foundation::String>& key) const;
    // The same write, archived and written on the background queue; returns at once. The
    // dictionary is read there: hand over one that nobody changes afterwards.
    void writeEncryptDataInBackground(const foundation::Id& dictionary, const foundation::Ref<foundation::String>& key) const;
    // Returns once every background write asked for so far, of every file, has landed.
    void waitForBackgroundWrites() const;
    // The serial queue of the key's background writes; nil for an empty key.
    std::shared_ptr<dispatch::Queue> backgroundWriteQueue(const foundation::Ref<foundation::String>& key) const;
    // The archived dictionary, or nil when there is no readable archive.
    foundation::Id returnDecryptDataByPathKey(const foundation::Ref<foundation::String>& key) const;
    void removeFileByPathkey(const foundation::Ref<foundation::String>& key) const;

    // Property-list files at <cache>/kxData/<key>.plsit.
    void writeToPlistWithDictionary(const foundation::Ref<foundation::Dictionary>& dictionary,
                                    const foundation::Ref<foundation::String>& key) const;
    void writeToPlistWithArray(const foundation::Ref<foundation::Array>& array, const foundation::Ref<foundation::String>& key) const;
    foundation::Ref<foundation::Dictionary> getDicByPlist(const foundation::Ref<foundation::String>& key) const;
    foundation::Ref<foundation::Array> getArrayByPlist(const foundation::Ref<foundation::String>& key) const;
    void removeAllFiles() const;

    // Fails with the error "非法的源文件路径" when nothing is at the source.
    bool copyItemAtPath(const foundation::Ref<foundation::String>& source, const foundation::Ref<foundation::String>& target,
                        bool overwrite, foundation::Ref<foundation::Error>* error = nullptr) const;
    bool removeItemAtPath(const foundation::Ref<foundation::String>& path, foundation::Ref<foundation::Error>* error = nullptr) const;
    bool createDirectoryAtPath(const foundation::Ref<foundation::String>& path, foundation::Ref<foundation::Error>* error = nullptr) const;
    bool isExistsAtPath(const foundation::Ref<foundation::String>& path) const;
    foundation::Ref<foundation::String> directoryAtPath(const foundation::Ref<foundation::String>& path) const;
    // Whether a font file (by extension) is at the path.
    bool isExistFontsAtPath(const foundation::Ref<foundation::String>& path) const;

    KXFileManager(const KXFileManager&) = delete;
    KXFileManager& operator=(const KXFileManager&) = delete;

private:
    KXFileManager() = default;
};
