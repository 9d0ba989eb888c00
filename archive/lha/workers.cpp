#include "archive/lha/workers.h"

#include <algorithm>
#include <system_error>

namespace lha {

Workers::Workers(unsigned threads) {
    for (unsigned i = 0; i < std::max(threads, 1u); ++i) coders_.push_back(std::make_unique<PieceCoder>());
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
        try {
            threads_.emplace_back([this, &coder = *coders_[i]] { serve(coder); });
        } catch (const std::system_error&) {
            break;  // fewer threads, or none: jobs then run in place
        }
    }
}

Workers::~Workers() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    posted_.notify_all();
    for (auto& t : threads_) t.join();
}

std::uint64_t Workers::post(Job job) {
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = nextTicket_++;
    if (threads_.empty()) {
        lock.unlock();
        std::exception_ptr error;
        try {
            job(*coders_.front());
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        finished_.emplace(ticket, error);
        return ticket;
    }
    queue_.emplace_back(ticket, std::move(job));
    lock.unlock();
    posted_.notify_one();
    return ticket;
}

void Workers::wait(std::uint64_t ticket) {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return finished_.count(ticket) != 0; });
    const auto it = finished_.find(ticket);
    const std::exception_ptr error = it->second;
    finished_.erase(it);
    lock.unlock();
    if (error) std::rethrow_exception(error);
}

bool Workers::finished(std::uint64_t ticket) {
    std::lock_guard lock(mutex_);
    return finished_.count(ticket) != 0;
}

void Workers::serve(PieceCoder& coder) {
    std::unique_lock lock(mutex_);
    for (;;) {
        posted_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        auto [ticket, job] = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        std::exception_ptr error;
        try {
            job(coder);
        } catch (...) {
            error = std::current_exception();
        }
        job = nullptr;  // what it holds goes before the job counts as done
        lock.lock();
        finished_.emplace(ticket, error);
        done_.notify_all();
    }
}

}  // namespace lha
