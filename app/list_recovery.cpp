#include "app/list_recovery.h"

#include "core/atomic_file.h"
#include "core/list_file.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <future>
#include <mutex>
#include <system_error>
#include <thread>

namespace clickwisp {

RecoveryFiles RecoveryFilesBeside(const std::filesystem::path& configPath)
{
    const std::filesystem::path folder = configPath.parent_path();
    return { folder / "recovery.xml", folder / "recovery.1.xml" };
}

namespace {

std::tm localTime(std::time_t time)
{
    std::tm local {};
#ifdef _WIN32
    localtime_s(&local, &time);
#else
    localtime_r(&time, &local);
#endif
    return local;
}

std::time_t modificationTime(const std::filesystem::path& file)
{
    std::error_code error;
    const auto written = std::filesystem::last_write_time(file, error);
    if (error)
        return std::time(nullptr);
    return std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(written)));
}

// The damaged file goes where it neither loads again nor is overwritten.
std::string keepAside(const std::filesystem::path& file)
{
    std::filesystem::path aside = file;
    aside += ".bad";
    std::error_code error;
    std::filesystem::remove(aside, error);
    std::filesystem::rename(file, aside, error);
    if (error)
        return "; it could not be kept aside as " + aside.string() + ": " + error.message();
    return "; the file was kept as " + aside.string();
}

} // namespace

std::string RecoveredNotice(const std::tm& written, const std::tm& today)
{
    char when[64];
    if (written.tm_year == today.tm_year && written.tm_yday == today.tm_yday)
        std::snprintf(when, sizeof(when), "%02d:%02d", written.tm_hour, written.tm_min);
    else
        std::snprintf(when, sizeof(when), "%04d-%02d-%02d %02d:%02d", written.tm_year + 1900, written.tm_mon + 1,
            written.tm_mday, written.tm_hour, written.tm_min);
    return std::string("Recovered the unsaved list from ") + when + " \u2014 Save to keep it, Clear to drop it";
}

RecoveredList RecoverList(const RecoveryFiles& files)
{
    RecoveredList found;
    std::error_code error;
    if (!std::filesystem::exists(files.current, error))
        return found;
    auto loaded = LoadListFile(files.current);
    if (!loaded || loaded->itemError) {
        const Error& why = loaded ? *loaded->itemError : loaded.error();
        found.notice
            = "The unsaved list of the last run could not be recovered: " + why.message + keepAside(files.current);
        return found;
    }
    if (loaded->actions.empty()) {
        std::filesystem::remove(files.current, error);
        return found;
    }
    found.actions = std::move(loaded->actions);
    found.notice = RecoveredNotice(localTime(modificationTime(files.current)), localTime(std::time(nullptr)));
    return found;
}

// ---- the keeper's thread ----------------------------------------------------

namespace {

struct Job {
    enum class Kind { Keep, Remove, KeepPrevious };
    Kind kind;
    ActionList actions;
    std::promise<Result<void>>* done = nullptr; // keepNow waits for it
};

Result<void> writeList(const std::filesystem::path& file, const ActionList& actions)
{
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    return WriteFileAtomically(file, ListToText(actions));
}

Result<void> perform(const RecoveryFiles& files, const Job& job)
{
    switch (job.kind) {
    case Job::Kind::Keep: return writeList(files.current, job.actions);
    case Job::Kind::KeepPrevious: return writeList(files.previous, job.actions);
    case Job::Kind::Remove: break;
    }
    std::error_code error;
    std::filesystem::remove(files.current, error);
    if (error)
        return fail("cannot remove " + files.current.string() + ": " + error.message());
    return {};
}

} // namespace

struct RecoveryKeeper::Shared : std::enable_shared_from_this<Shared> {
    RecoveryFiles files;
    Post post;
    Report report;
    std::chrono::milliseconds interval;

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> jobs;
    bool changed = false; // a change not yet asked for
    bool asked = false; // a request for a copy is on its way to the UI thread
    bool stopping = false;
    std::chrono::steady_clock::time_point lastAsk;
    bool failing = false; // the last write failed and was told
    // A write that failed is tried again from retryAt on, later after each
    // failure in a row (a virus scanner or an editor may hold the file on
    // Windows for a moment; a full disk may get space).
    int failures = 0;
    std::chrono::steady_clock::time_point retryAt;
    std::optional<Job> retryPrevious;
    std::thread worker;

    // The user-interface thread's side; null once the keeper is gone. Read
    // and written on that thread only.
    RecoveryKeeper* keeper = nullptr;

    void run();
    void askForCopy(std::unique_lock<std::mutex>& lock);
    void noteResult(const Result<void>& result, bool tell);
    void retryLater(Job job);
};

void RecoveryKeeper::Shared::run()
{
    std::unique_lock lock(mutex);
    for (;;) {
        if (!jobs.empty()) {
            Job job = std::move(jobs.front());
            jobs.pop_front();
            lock.unlock();
            const Result<void> result = perform(files, job);
            if (result || job.kind != Job::Kind::KeepPrevious)
                job.actions.clear(); // freed outside the lock
            lock.lock();
            noteResult(result, job.done == nullptr);
            if (job.done)
                job.done->set_value(result);
            else if (!result)
                retryLater(std::move(job));
            continue;
        }
        if (stopping)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (retryPrevious && now >= retryAt) {
            jobs.push_back(std::move(*retryPrevious));
            retryPrevious.reset();
            continue;
        }
        if (changed && !asked) {
            const auto due = std::max(lastAsk + interval, retryAt);
            if (now < due) {
                wake.wait_until(lock, due);
                continue;
            }
            askForCopy(lock);
            continue;
        }
        if (retryPrevious)
            wake.wait_until(lock, retryAt);
        else
            wake.wait(lock);
    }
}

void RecoveryKeeper::Shared::retryLater(Job job)
{
    using namespace std::chrono;
    const milliseconds step = std::max(interval, milliseconds(100));
    retryAt = steady_clock::now() + std::min<milliseconds>(seconds(30), step * (1 << std::min(failures, 8)));
    ++failures;
    // The list as it is by then (or the file removed) rather than an old copy.
    if (job.kind == Job::Kind::KeepPrevious)
        retryPrevious = std::move(job);
    else
        changed = true;
}

void RecoveryKeeper::Shared::askForCopy(std::unique_lock<std::mutex>& lock)
{
    changed = false;
    asked = true;
    lastAsk = std::chrono::steady_clock::now();
    std::weak_ptr<Shared> self = weak_from_this();
    lock.unlock();
    post([self] {
        if (auto shared = self.lock(); shared && shared->keeper)
            shared->keeper->answer();
    });
    lock.lock();
}

void RecoveryKeeper::Shared::noteResult(const Result<void>& result, bool tell)
{
    if (result) {
        failing = false;
        failures = 0;
        retryAt = {};
        return;
    }
    if (failing)
        return;
    failing = true;
    if (!tell)
        return; // the caller of keepNow tells it
    std::weak_ptr<Shared> self = weak_from_this();
    post([self, error = result.error()] {
        if (auto shared = self.lock(); shared && shared->keeper)
            shared->report(error);
    });
}

RecoveryKeeper::RecoveryKeeper(
    RecoveryFiles files, Post post, Snapshot snapshot, Report report, std::chrono::milliseconds interval)
    : m_files(files)
    , m_snapshot(std::move(snapshot))
    , m_shared(std::make_shared<Shared>())
{
    m_shared->files = std::move(files);
    m_shared->post = std::move(post);
    m_shared->report = std::move(report);
    m_shared->interval = interval;
    m_shared->lastAsk = std::chrono::steady_clock::now() - interval;
    m_shared->keeper = this;
    m_shared->worker = std::thread([shared = m_shared] { shared->run(); });
}

RecoveryKeeper::~RecoveryKeeper()
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
        m_shared->keeper = nullptr;
    }
    m_shared->wake.notify_all();
    m_shared->worker.join();
}

void RecoveryKeeper::changed()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->changed = true;
    m_shared->wake.notify_all();
}

void RecoveryKeeper::keepPrevious(ActionList replaced)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->jobs.push_back(Job { Job::Kind::KeepPrevious, std::move(replaced) });
    m_shared->wake.notify_all();
}

void RecoveryKeeper::answer()
{
    // The copy is made here, on the user-interface thread, which alone
    // touches the list; the worker turns it into text and writes it.
    std::optional<ActionList> copy = m_snapshot();
    std::lock_guard lock(m_shared->mutex);
    m_shared->asked = false;
    m_shared->jobs.push_back(copy ? Job { Job::Kind::Keep, std::move(*copy) } : Job { Job::Kind::Remove, {} });
    m_shared->wake.notify_all();
}

Result<void> RecoveryKeeper::keepNow()
{
    std::optional<ActionList> copy = m_snapshot();
    std::promise<Result<void>> done;
    auto result = done.get_future();
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->changed = false;
        if (m_shared->retryPrevious) {
            m_shared->jobs.push_back(std::move(*m_shared->retryPrevious));
            m_shared->retryPrevious.reset();
        }
        m_shared->jobs.push_back(
            copy ? Job { Job::Kind::Keep, std::move(*copy), &done } : Job { Job::Kind::Remove, {}, &done });
        m_shared->wake.notify_all();
    }
    return result.get();
}

} // namespace clickwisp
