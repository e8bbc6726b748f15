// Bookkeeping of connection threads: finished ones are joined lazily, all of them on shutdown.
#include "ConnectionThreads.h"

#include <algorithm>
#include <system_error>

namespace exportserver {

bool ConnectionThreads::Start(std::function<void()> body) {
    const std::lock_guard lock(mutex_);
    Entry& entry = entries_.emplace_back();
    try {
        // The entry is only touched under the mutex, and list nodes never move.
        entry.thread = std::thread([this, &entry, body = std::move(body)] {
            body();
            const std::lock_guard done(mutex_);
            entry.finished = true;
            finished_.notify_all();
        });
    } catch (const std::system_error&) {
        entries_.pop_back();
        return false;
    }
    return true;
}

void ConnectionThreads::JoinFinished() {
    std::list<Entry> done;
    {
        const std::lock_guard lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end();) {
            const auto next = std::next(it);
            if (it->finished) {
                done.splice(done.end(), entries_, it);
            }
            it = next;
        }
    }
    for (Entry& entry : done) {
        entry.thread.join();
    }
}

bool ConnectionThreads::JoinAll(std::chrono::milliseconds grace) {
    {
        std::unique_lock lock(mutex_);
        const bool allFinished = finished_.wait_for(lock, grace, [this] {
            return std::all_of(entries_.begin(), entries_.end(),
                               [](const Entry& entry) { return entry.finished; });
        });
        if (!allFinished) {
            return false;
        }
    }
    JoinFinished();
    return true;
}

}  // namespace exportserver
