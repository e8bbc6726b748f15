// One thread per connection, joined again so the process never exits under a running connection.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace exportserver {

class ConnectionThreads {
public:
    ConnectionThreads() = default;
    ConnectionThreads(const ConnectionThreads&) = delete;
    ConnectionThreads& operator=(const ConnectionThreads&) = delete;

    // Runs body on a new thread; false when no thread could be created (the caller cleans up).
    bool Start(std::function<void()> body);

    // Joins the threads whose body has returned; called from the accept loop to keep the list short.
    void JoinFinished();

    // Waits up to grace for every body to return and joins them all; false if some are still running.
    bool JoinAll(std::chrono::milliseconds grace);

private:
    struct Entry {
        std::thread thread;
        bool finished = false;
    };

    std::mutex mutex_;
    std::condition_variable finished_;
    std::list<Entry> entries_;
};

}  // namespace exportserver
