#include "core/agents/LineDiff.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include <fmt/format.h>

namespace corvane::LineDiff {

namespace {

struct Line {
    std::string_view text;
    bool newline = true;  // false only for a last line without a line feed
    bool operator==(const Line&) const = default;
};

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    while (!text.empty()) {
        auto end = text.find('\n');
        if (end == std::string_view::npos) {
            lines.push_back({text, false});
            break;
        }
        lines.push_back({text.substr(0, end), true});
        text.remove_prefix(end + 1);
    }
    return lines;
}

enum class Op { keep, remove, add };

using Lines = std::vector<Line>;

// Myers' greedy shortest edit script of a[aBegin, aEnd) into b[bBegin, bEnd);
// nothing when it needs more than maxEdits edits.
std::optional<std::vector<Op>> shortestScript(const Lines& a, std::size_t aBegin, std::size_t aEnd, const Lines& b,
                                              std::size_t bBegin, std::size_t bEnd)
{
    const long n = static_cast<long>(aEnd - aBegin);
    const long m = static_cast<long>(bEnd - bBegin);
    const long limit = std::min<long>(n + m, static_cast<long>(maxEdits));
    const long offset = n + m + 1;
    std::vector<long> v(static_cast<std::size_t>(2 * offset + 1), 0);
    auto at = [&](long k) -> long& { return v[static_cast<std::size_t>(k + offset)]; };
    // trace[d] holds v[-d..d] after round d, for walking back.
    std::vector<std::vector<long>> trace;
    auto same = [&](long x, long y) {
        return a[aBegin + static_cast<std::size_t>(x)] == b[bBegin + static_cast<std::size_t>(y)];
    };
    for (long d = 0; d <= limit; ++d) {
        for (long k = -d; k <= d; k += 2) {
            long x = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
            long y = x - k;
            while (x < n && y < m && same(x, y))
                ++x, ++y;
            at(k) = x;
        }
        trace.emplace_back(v.begin() + (offset - d), v.begin() + (offset + d + 1));
        if (at(n - m) < n || std::abs(n - m) > d || (d - (n - m)) % 2 != 0)
            continue;
        // Reached the end: walk back through the rounds.
        std::vector<Op> ops;
        long x = n;
        long y = m;
        for (long round = d; round > 0; --round) {
            const auto& previous = trace[static_cast<std::size_t>(round - 1)];
            auto prev = [&](long k) { return previous[static_cast<std::size_t>(k + round - 1)]; };
            long k = x - y;
            bool down = k == -round || (k != round && prev(k - 1) < prev(k + 1));
            long previousK = down ? k + 1 : k - 1;
            long previousX = prev(previousK);
            long previousY = previousX - previousK;
            long startX = down ? previousX : previousX + 1;
            while (x > startX) {
                ops.push_back(Op::keep);
                --x, --y;
            }
            ops.push_back(down ? Op::add : Op::remove);
            x = previousX;
            y = previousY;
        }
        while (x > 0) {
            ops.push_back(Op::keep);
            --x;
        }
        std::reverse(ops.begin(), ops.end());
        return ops;
    }
    return std::nullopt;
}

std::string range(std::size_t start, std::size_t count)
{
    // An empty range names the line before it.
    std::size_t first = count == 0 ? start : start + 1;
    return count == 1 ? fmt::format("{}", first) : fmt::format("{},{}", first, count);
}

}  // namespace

std::vector<std::string> unified(std::string_view old, std::string_view updated, std::string_view path,
                                 std::size_t context)
{
    if (old == updated)
        return {};
    Lines a = splitLines(old);
    Lines b = splitLines(updated);
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;

    std::vector<Op> ops(head, Op::keep);
    std::optional<std::vector<Op>> middle;
    if (a.size() <= maxLines && b.size() <= maxLines)
        middle = shortestScript(a, head, a.size() - tail, b, head, b.size() - tail);
    if (!middle) {
        middle.emplace(a.size() - tail - head, Op::remove);
        middle->insert(middle->end(), b.size() - tail - head, Op::add);
    }
    ops.insert(ops.end(), middle->begin(), middle->end());
    ops.insert(ops.end(), tail, Op::keep);

    // Where each op stands in the old and the new text.
    struct Step {
        Op op;
        std::size_t oldIndex;
        std::size_t newIndex;
    };
    std::vector<Step> steps;
    steps.reserve(ops.size());
    std::size_t i = 0, j = 0;
    for (Op op : ops) {
        steps.push_back({op, i, j});
        i += op == Op::add ? 0 : 1;
        j += op == Op::remove ? 0 : 1;
    }

    std::vector<std::string> out{"--- " + std::string(path), "+++ " + std::string(path)};
    auto emit = [&](char sign, const Line& line) {
        out.push_back(sign + std::string(line.text));
        if (!line.newline)
            out.emplace_back("\\ No newline at end of file");
    };
    std::size_t s = 0;
    while (s < steps.size()) {
        if (steps[s].op == Op::keep) {
            ++s;
            continue;
        }
        std::size_t begin = s >= context ? s - context : 0;
        // Extend while the next change is close enough to share the hunk.
        std::size_t lastChange = s;
        for (std::size_t t = s; t < steps.size(); ++t) {
            if (steps[t].op != Op::keep)
                lastChange = t;
            else if (t - lastChange > 2 * context)
                break;
        }
        std::size_t end = std::min(steps.size(), lastChange + context + 1);
        std::size_t oldCount = 0, newCount = 0;
        for (std::size_t t = begin; t < end; ++t) {
            oldCount += steps[t].op == Op::add ? 0 : 1;
            newCount += steps[t].op == Op::remove ? 0 : 1;
        }
        out.push_back("@@ -" + range(steps[begin].oldIndex, oldCount) + " +" + range(steps[begin].newIndex, newCount)
                      + " @@");
        for (std::size_t t = begin; t < end; ++t) {
            switch (steps[t].op) {
            case Op::keep: emit(' ', a[steps[t].oldIndex]); break;
            case Op::remove: emit('-', a[steps[t].oldIndex]); break;
            case Op::add: emit('+', b[steps[t].newIndex]); break;
            }
        }
        s = end;
    }
    return out;
}

}  // namespace corvane::LineDiff
