// The run log on its way to the disk: lines wait in a backlog while the file cannot take them (a full disk, a folder
// that cannot be made) and go out whole and in order when it can again; and the text a report is made from when
// the log is too long to read back whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// About two days of lines: beyond it new lines are dropped (and counted) until the file takes the backlog again.
constexpr size_t kLogBacklogCapacity = size_t(16) << 20;

struct LogBacklog {
    // Bytes not yet written, always ending at a line end.
    std::string pending;
    size_t capacity = kLogBacklogCapacity;
    uint64_t droppedLines = 0;
};

// Queues one whole line unless that would take the backlog beyond its capacity; then the line is dropped.
void QueueLogLine(LogBacklog& backlog, std::string_view line);

// Offers the pending bytes to `write`, which returns how many of them it took (0 when the file took none); what it
// did not take stays pending, to go first next time. True when nothing is left pending.
bool FlushLogBacklog(LogBacklog& backlog, const std::function<size_t(std::string_view)>& write);

// The text to read a long log from: the first two lines of `head` (the run's description and the column names)
// followed by the whole lines of `tail`, a piece from further on whose first, probably cut, line is left out. A
// head without two line ends gives an empty text.
std::string JoinLogHeadAndTail(std::string_view head, std::string_view tail);
