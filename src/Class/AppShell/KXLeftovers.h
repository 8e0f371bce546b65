#pragma once

#include <filesystem>
#include <functional>
#include <string>

// What interrupted work of earlier runs left behind (a kill, a logout, a quit with a catalogue
// update pending): download bodies, half-written downloads, installs and unpacked packages, the
// copies of the catalogue and of atomic writes, which may still hold a sign-in token that
// sign-out removed. Only names the client itself makes are removed, never what they lead to by a
// link: not the user's own fonts, not the image cache's files, not the settings file itself.
class KXLeftovers {
public:
    // The start-up step before anything reads or writes the client's folders: folders earlier
    // versions left open are closed, and from here to its end the process holds a shared lock on
    // lockPath(), the sign that it works in these folders. The leftovers are removed only when
    // that lock can be had alone, that is when no other process uses the folders, whichever
    // runtime folder, machine or account scope it was started with: the single-instance claim is
    // no evidence, as its lock lives elsewhere. True when they were removed. Main thread, once.
    static bool tidyAtStartup();

    // <cache>/instances.lock.
    static std::filesystem::path lockPath();

    // Below the cache folder: the temporary folder's contents, and in KXFonts the ".<name>.<hex>.part"
    // files of downloads and the ".unpack-<pid>-<n>" folders of installs, in kxData/updataData the
    // "full-<n>" and "<n>" folders of catalogue updates; the ".<file>.XXXXXX" files of interrupted
    // atomic writes in KXFonts, kxData and its key folders, the data folder and the configuration
    // folder; the "fonts.sqlite.tmp-<pid>-<n>" catalogue copies in the data folder; the
    // ".<font file>.<pid>.<n>.part" install copies in the user's font folder; in the shared
    // temporary folder the "corvane-download-XXXXXX.tmp" files of this user that earlier versions
    // wrote there. Only under the lock that tidyAtStartup holds alone.
    static void removeAll();

    // What a name found by the sweep may be: anything (a work folder goes with all inside), or
    // only a plain file.
    enum class Kinds { Any, PlainFiles };
    // Removes one leftover the sweep found. A name of a plain-file kind goes by itself: whatever
    // took its place since it was found, a folder with the user's files inside, stays.
    static void removeEntry(const std::filesystem::path& entry, Kinds kinds);

    // Where the sweep's log lines go (why no sweep ran: a lock it cannot use); stderr by default.
    using LogSink = std::function<void(const std::string& line)>;
    static LogSink setLogSink(LogSink sink);
};
