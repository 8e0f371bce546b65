#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace localservice {

// One scripted misbehaviour. An operation fault applies to API requests whose path or tag equals
// the key ("login", "114"); a download fault to files whose path below /files/ starts with the
// key ("fonts/", "packages/partial.zip"), or to every file with the key "files".
struct Fault {
    enum class Kind {
        None,             // only the delay
        ErrorCode,        // envelope with errcode and message
        TokenExpired,     // envelope with errcode 122
        Http500,          // status 500, plain text
        NotJson,          // status 200, an HTML body
        NoReply,          // the request hangs until the fault is cleared or the service stops
        TruncatedDownload,// the full length is announced, only truncateAfter bytes are sent
        SlowDownload,     // bytesPerSecond throttles the body
        ZipSlipPackage,   // a data package with an entry "../" outside its folder
        NoFontsTxtPackage,// a data package without fonts.txt
        Status,           // a file answered with `status` and a short text body (304: no body, no validators)
        Chunked,          // a file sent in chunks, without Content-Length (bytesPerSecond throttles them)
        Endless,          // a file sent in chunks that never end: its bytes over and over until the
                          // client hangs up or the service stops (bytesPerSecond throttles them)
        AnnouncedLength,  // a file whose Content-Length says `announcedLength`; the bytes sent stop at
                          // the file's end or at that length, whichever comes first
        LateReply,        // an operation answered at once and its reply held back for the delay (or
                          // until releaseHeld()), so it reports the state of the moment it was asked
                          // (a reply slow in transit); a file sends its first half at once and
                          // holds the rest back likewise (a download under way)
        LostReply         // an operation done, then answered with status 502 instead of its reply
                          // (a gateway that lost the reply): the client cannot tell it was done
    };
    Kind kind = Kind::None;
    std::chrono::milliseconds delay{0};
    int errcode = 0;
    std::string message;
    size_t truncateAfter = 0;
    size_t bytesPerSecond = 0;
    int status = 0;
    size_t announcedLength = 0;
    int remaining = -1; // how many more requests it applies to; -1 for all
    std::string key;    // filled in by FaultScript with the key that matched

    static std::optional<Kind> kindFromName(const std::string& name);
};

// The faults in force. Thread-safe; a hanging request waits on this object.
class FaultScript {
public:
    void set(const std::string& key, Fault fault);
    void clear(const std::string& key);
    void clearAll();

    // Takes one use of the fault for an API request (path or tag match).
    std::optional<Fault> takeForOperation(const std::string& path, const std::string& tag);
    // Takes one use of the longest matching download fault for a file path below /files/.
    std::optional<Fault> takeForFile(const std::string& filePath);

    // Blocks while a NoReply fault for the key is set, the service runs and the limit has not
    // passed. Returns when any of them ends.
    void waitWhileHanging(const std::string& key, std::chrono::seconds limit);
    // How many requests wait in waitWhileHanging right now (tests wait for a request to be held).
    int hangingCount();
    // Whether the service is stopping (a body without end stops being sent).
    bool stopping();
    // Sleeps for the delay, returning early when the service stops.
    void pause(std::chrono::milliseconds delay);
    // Holds a late reply back for the delay, returning early when releaseHeld() is called or the
    // service stops.
    void holdReply(std::chrono::milliseconds delay);
    // Lets every reply held back now go (tests choose the moment a late reply lands).
    void releaseHeld();
    // How many late replies are held back right now.
    int heldCount();
    void shutdown();
    // Makes hanging requests wait again after a restart.
    void reopen();

private:
    std::optional<Fault> take(const std::string& key);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, Fault> faults_;
    bool shutdown_ = false;
    int hanging_ = 0;
    int held_ = 0;
    unsigned long releases_ = 0;
};

} // namespace localservice
