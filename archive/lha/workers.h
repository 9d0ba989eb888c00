#pragma once
// The encoder's worker threads, kept for a whole archive. Each has a
// PieceCoder of its own, so a job handed to it pays for no setup. Jobs may
// finish in any order: whoever posts one waits for it by its ticket, and what
// a job computes never depends on the thread that ran it.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/lha/piece_coder.h"

namespace lha {

class Workers {
public:
    using Job = std::function<void(PieceCoder&)>;

    // With no thread to be had (or `threads` 0), each job runs at once on the
    // thread that posts it.
    explicit Workers(unsigned threads = 2);
    ~Workers();  // drops the jobs not started and waits for the running ones
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    std::uint64_t post(Job job);
    // Waits for a job posted earlier and rethrows what it threw.
    void wait(std::uint64_t ticket);
    // Whether a job posted earlier has finished (it is still to be waited for).
    bool finished(std::uint64_t ticket);

private:
    void serve(PieceCoder& coder);

    std::mutex mutex_;
    std::condition_variable posted_;
    std::condition_variable done_;
    std::deque<std::pair<std::uint64_t, Job>> queue_;
    std::map<std::uint64_t, std::exception_ptr> finished_;
    std::uint64_t nextTicket_ = 0;
    bool stopping_ = false;
    std::vector<std::unique_ptr<PieceCoder>> coders_;  // one per thread, or one for running jobs in place
    std::vector<std::thread> threads_;
};

}  // namespace lha
