#pragma once

#include "Lib/ZipArchive/ZipTypes.h"

#include <functional>
#include <string>

// Optional observer of an unpacking run. An empty member means the delegate does not respond to
// that call. The archive layer holds the delegate weakly and checks it before every call.
struct ZipArchiveDelegate {
    std::function<void(const std::string& path, const ZipGlobalInfo& zipInfo)> zipArchiveWillUnzipArchiveAtPath;
    // Bytes of compressed data passed so far and the archive file's size.
    std::function<void(unsigned long long loaded, unsigned long long total)> zipArchiveProgressEvent;
    // Answering false cancels the run.
    std::function<bool(long fileIndex, long totalFiles, const std::string& archivePath, const ZipEntryInfo& fileInfo)>
        zipArchiveShouldUnzipFileAtIndex;
    std::function<void(long fileIndex, long totalFiles, const std::string& archivePath, const ZipEntryInfo& fileInfo)>
        zipArchiveWillUnzipFileAtIndex;
    std::function<void(long fileIndex, long totalFiles, const std::string& archivePath, const ZipEntryInfo& fileInfo)>
        zipArchiveDidUnzipFileAtIndex;
    // Used only when zipArchiveDidUnzipFileAtIndex is empty.
    std::function<void(long fileIndex, long totalFiles, const std::string& archivePath,
                       const std::string& unzippedFilePath)>
        zipArchiveDidUnzipFileAtIndexUnzippedFilePath;
    std::function<void(const std::string& path, const ZipGlobalInfo& zipInfo, const std::string& unzippedPath)>
        zipArchiveDidUnzipArchiveAtPath;
};
