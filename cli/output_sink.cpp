#include "cli/output_sink.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>
#endif

namespace output_sink {
namespace {

struct Item {
    Stream stream;
    QByteArray bytes;
    bool redrawn;
};

std::atomic<bool> g_finishing{false};

class Writer
{
public:
    ~Writer() { stop(); }

    void put(Stream stream, const QByteArray& bytes, bool redrawn)
    {
        std::lock_guard lock(m_mutex);
        if (m_gone[int(stream)])
            return;
        if (redrawn && !m_queue.empty() && m_queue.back().redrawn && m_queue.back().stream == stream)
            m_queue.back().bytes = bytes; // the older redraw never showed: the newer says more
        else
            m_queue.push_back(Item{stream, bytes, redrawn});
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
        m_wake.notify_all();
    }

    bool finish(double seconds)
    {
        std::unique_lock lock(m_mutex);
        const auto drained = [this] { return m_queue.empty() && !m_writing; };
        if (seconds < 0)
            m_idle.wait(lock, drained);
        else if (!m_idle.wait_for(lock, std::chrono::duration<double>(seconds), drained))
            return false; // the writer still waits on its reader: it is left to the end of the process
        lock.unlock();
        stop();
        return true;
    }

private:
    void stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
            m_wake.notify_all();
        }
        if (m_thread.joinable())
            m_thread.join();
        m_stop = false;
    }

    void run()
    {
#ifdef Q_OS_UNIX
        // A reader that went away is told by a failed write (EPIPE), not by SIGPIPE: held back for
        // this thread alone, the only one that writes to the terminal or the pipe while a job runs.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
#endif
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_queue.empty())
                return; // stopped with nothing left
            Item item = std::move(m_queue.front());
            m_queue.pop_front();
            m_writing = true;
            lock.unlock();
            const bool written = writeAll(item.stream, item.bytes);
            lock.lock();
            m_writing = false;
            if (!written) { // the reader went away: nothing more reaches it
                m_gone[int(item.stream)] = true;
                std::erase_if(m_queue, [&](const Item& i) { return i.stream == item.stream; });
            }
            if (m_queue.empty())
                m_idle.notify_all();
        }
    }

    static bool writeAll(Stream stream, const QByteArray& bytes)
    {
#ifdef Q_OS_UNIX
        const int fd = stream == Stream::Out ? 1 : 2;
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN) { // a descriptor someone else made non-blocking
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, -1);
                continue;
            }
            return false;
        }
        return true;
#else
        FILE* to = stream == Stream::Out ? stdout : stderr;
        const bool ok = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to) == size_t(bytes.size());
        std::fflush(to);
        return ok;
#endif
    }

    std::mutex m_mutex;
    std::condition_variable m_wake, m_idle;
    std::deque<Item> m_queue;
    std::thread m_thread;
    bool m_writing = false;
    bool m_stop = false;
    bool m_gone[2] = {false, false};
};

Writer& writer()
{
    static Writer w;
    return w;
}

} // namespace

void put(Stream stream, const QByteArray& bytes, bool redrawn)
{
    writer().put(stream, bytes, redrawn);
}

bool finish(double seconds)
{
    g_finishing = true;
    return writer().finish(seconds);
}

bool finishing()
{
    return g_finishing;
}

} // namespace output_sink
