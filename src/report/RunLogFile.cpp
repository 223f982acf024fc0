// The log's backlog and the head-and-tail text of a long log.
#include "report/RunLogFile.h"

void QueueLogLine(LogBacklog& backlog, std::string_view line) {
    if (backlog.pending.size() + line.size() > backlog.capacity) {
        ++backlog.droppedLines;
        return;
    }
    backlog.pending.append(line);
}

bool FlushLogBacklog(LogBacklog& backlog, const std::function<size_t(std::string_view)>& write) {
    size_t done = 0;
    while (done < backlog.pending.size()) {
        const size_t taken = write(std::string_view(backlog.pending).substr(done));
        if (taken == 0)
            break;
        // A writer that claims more than it was offered took all of it.
        done += taken < backlog.pending.size() - done ? taken : backlog.pending.size() - done;
    }
    backlog.pending.erase(0, done);
    return backlog.pending.empty();
}

std::string JoinLogHeadAndTail(std::string_view head, std::string_view tail) {
    const size_t firstEnd = head.find('\n');
    const size_t secondEnd = firstEnd == std::string_view::npos ? firstEnd : head.find('\n', firstEnd + 1);
    if (secondEnd == std::string_view::npos)
        return {};
    std::string text(head.substr(0, secondEnd + 1));
    const size_t cut = tail.find('\n');
    if (cut != std::string_view::npos)
        text.append(tail.substr(cut + 1));
    return text;
}
