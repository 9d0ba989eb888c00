#include "archive/lha/lazy_parse.h"

#include <algorithm>

namespace lha {

void LazyParser::parse(const std::uint8_t* data, std::size_t history, std::size_t length, const Prices&,
                       StepSink& sink) {
    const std::size_t end = history + length;
    const unsigned hashBytes = finder_.hashBytes();
    finder_.start(data, end);
    const std::size_t hashable = end >= hashBytes ? end - hashBytes + 1 : 0;  // positions that can be recorded
    finder_.insert(0, std::min(history, hashable));
    std::size_t held = 0;
    auto out = [&](std::uint32_t s) {
        steps_[held++] = s;
        if (held == steps_.size()) {
            sink.take(steps_.data(), held);
            held = 0;
        }
    };
    Match pending;  // the deferred match, which began at pos - 1
    bool hasPending = false;
    std::size_t pos = history;
    while (pos < end) {
        Match cur;
        if (end - pos >= hashBytes) {
            if (!hasPending || pending.length < method_.lazyLength)
                cur = finder_.findAndInsert(pos, hasPending ? pending.length : 0);
            else
                finder_.insert(pos);
        }
        if (hasPending) {
            if (cur.length > pending.length) {
                out(step::literal(data[pos - 1]));
                pending = cur;
                ++pos;
                continue;
            }
            out(step::match(pending.length, pending.distance));
            // pos is recorded already; record the rest of the match.
            const std::size_t matchEnd = pos - 1 + pending.length;
            if (pos + 1 < matchEnd) finder_.insert(pos + 1, std::min(matchEnd, std::max(hashable, pos + 1)));
            pos = matchEnd;
            hasPending = false;
            continue;
        }
        if (cur.length >= kMinMatch) {
            pending = cur;
            hasPending = true;
        } else {
            out(step::literal(data[pos]));
        }
        ++pos;
    }
    if (hasPending) out(step::match(pending.length, pending.distance));
    if (held > 0) sink.take(steps_.data(), held);
}

}  // namespace lha
