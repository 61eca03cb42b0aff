#pragma once

#include "core/action.h"
#include "core/error.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace clickwisp {

// The files that keep an unsaved list for the next start, in the folder of
// config.xml (wherever TConfig::DefaultConfigPath puts it): the list as it
// is now, and the unsaved list that a load, a clear or a recording replaced
// (one step back). Both are list files, as a save writes them.
struct RecoveryFiles {
    std::filesystem::path current; // recovery.xml
    std::filesystem::path previous; // recovery.1.xml
};
RecoveryFiles RecoveryFilesBeside(const std::filesystem::path& configPath);

// What a start found in the recovery file.
struct RecoveredList {
    ActionList actions; // empty: nothing to recover
    // For the status bar: when the list was kept, or why it could not be
    // recovered; empty when there was no file.
    std::string notice;
};
// Reads the recovery file a run left behind. A file that does not load (or
// stops at an item) is moved aside to "recovery.xml.bad" and nothing is
// recovered; the notice says so. A file without actions is removed.
RecoveredList RecoverList(const RecoveryFiles& files);

// "Recovered the unsaved list from 14:32 — Save to keep it, Clear to drop
// it", with the date before the time when written is not on today's date.
// Both are local times.
std::string RecoveredNotice(const std::tm& written, const std::tm& today);

// Keeps the unsaved list in the recovery file while the user works. The
// user-interface thread only says that the list changed; a thread of the
// keeper's own asks it for a copy at most once per interval (through post)
// and writes it atomically, with the list-file writer, so the file holds
// what a save would write. Everything but the worker's own body is called
// on the user-interface thread.
class RecoveryKeeper {
public:
    // Queues a call for the user-interface thread; any thread may call it.
    using Post = std::function<void(std::function<void()>)>;
    // A copy of the list to keep, or none when there is nothing to keep
    // (saved or empty): the file is then removed.
    using Snapshot = std::function<std::optional<ActionList>()>;
    // Writing the recovery files has started to fail: told once, until a
    // write works again.
    using Report = std::function<void(const Error& error)>;

    RecoveryKeeper(RecoveryFiles files, Post post, Snapshot snapshot, Report report,
        std::chrono::milliseconds interval = std::chrono::milliseconds(250));
    // Finishes the writes already handed over; a change not yet asked for
    // is not written (keepNow first).
    ~RecoveryKeeper();
    RecoveryKeeper(const RecoveryKeeper&) = delete;
    RecoveryKeeper& operator=(const RecoveryKeeper&) = delete;

    const RecoveryFiles& Files() const { return m_files; }
    // The list changed (or was saved): its copy is written, or the file
    // removed, within the interval.
    void changed();
    // An unsaved list that is being replaced goes to the previous slot.
    void keepPrevious(ActionList replaced);
    // Writes the list (or removes the file) before returning, after the
    // writes already handed over: for closing and the end of the session.
    Result<void> keepNow();

private:
    struct Shared;
    void answer();

    RecoveryFiles m_files;
    Snapshot m_snapshot;
    std::shared_ptr<Shared> m_shared;
};

} // namespace clickwisp
