#pragma once

#include <QObject>

#include <coroutine>
#include <exception>
#include <optional>
#include <utility>

// A step of a job written as a coroutine. It starts when awaited (or when a Job starts it), owns
// its frame, and destroying it ends it where it waits: it resumes nowhere, and every awaiter and
// local in it is destroyed, which withdraws whatever wake-up it had asked for.
template <typename T = void> class [[nodiscard]] Task
{
    struct PromiseBase {
        std::coroutine_handle<> continuation;
        std::suspend_always initial_suspend() noexcept { return {}; }
        auto final_suspend() noexcept
        {
            struct Resumer {
                bool await_ready() noexcept { return false; }
                std::coroutine_handle<> await_suspend(std::coroutine_handle<> self) noexcept
                {
                    const auto c =
                        std::coroutine_handle<PromiseBase>::from_address(self.address()).promise().continuation;
                    return c ? c : std::noop_coroutine();
                }
                void await_resume() noexcept {}
            };
            return Resumer{};
        }
        void unhandled_exception() noexcept { std::terminate(); }
    };
    struct ValuePromise : PromiseBase {
        std::optional<T> value;
        void return_value(T v) { value = std::move(v); }
    };
    struct VoidPromise : PromiseBase {
        void return_void() {}
    };

public:
    struct promise_type : std::conditional_t<std::is_void_v<T>, VoidPromise, ValuePromise> {
        Task get_return_object() { return Task(std::coroutine_handle<promise_type>::from_promise(*this)); }
    };

    Task() = default;
    Task(Task&& other) noexcept : m_frame(std::exchange(other.m_frame, {})) {}
    Task& operator=(Task&& other) noexcept
    {
        Task gone(std::move(*this));
        m_frame = std::exchange(other.m_frame, {});
        return *this;
    }
    ~Task()
    {
        if (m_frame)
            m_frame.destroy();
    }

    explicit operator bool() const { return bool(m_frame); }
    bool done() const { return m_frame && m_frame.done(); }
    std::coroutine_handle<> handle() const { return m_frame; }

    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept
    {
        m_frame.promise().continuation = awaiting;
        return m_frame;
    }
    T await_resume()
    {
        if constexpr (!std::is_void_v<T>)
            return std::move(*m_frame.promise().value);
    }

private:
    explicit Task(std::coroutine_handle<promise_type> frame) : m_frame(frame) {}
    std::coroutine_handle<promise_type> m_frame;
};

// Runs one task at a time from the application's event loop: every wait of the task is a
// suspension, and a wake-up resumes it through its job. Several jobs run side by side, each
// with its own waits.
class Job : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Job() override;

    // Runs the task up to its first wait. A running task is cancelled first; asked from inside
    // the running task, nothing happens.
    void start(Task<> task);
    // The task resumes nowhere. Asked from inside it (a handler it called), it stops at its next
    // wait and sends nothing meanwhile: see stopping().
    void cancel();
    bool running() const { return bool(m_task); }
    // Cancelled from inside, not yet stopped: nothing more may leave the program.
    bool stopping() const { return m_cancelled; }
    // Its task is running now, further up the stack (a handler it called asks).
    bool onStack() const { return m_depth > 0; }

    // The job whose task is running at this moment, if any.
    static Job* current();
    // Resumes a suspended step of this job's task.
    void resume(std::coroutine_handle<> step);

signals:
    // The task returned (a cancelled task does not).
    void finished();

private:
    void settle();

    Task<> m_task;
    int m_depth = 0; // resumptions of the task under way on the stack
    bool m_cancelled = false;
};

// What a task waits for until someone fires it: co_await wakeup; then wakeup.fire().
class Wakeup
{
public:
    class Awaiter
    {
    public:
        explicit Awaiter(Wakeup& wakeup) : m_wakeup(wakeup) {}
        Awaiter(const Awaiter&) = delete;
        ~Awaiter();
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> step);
        void await_resume() const noexcept {}

    private:
        friend class Wakeup;
        Wakeup& m_wakeup;
        Job* m_job = nullptr;
        std::coroutine_handle<> m_step;
    };
    Awaiter operator co_await() { return Awaiter(*this); }
    // Resumes the task waiting, if one is.
    void fire();
    bool awaited() const { return m_waiter != nullptr; }

private:
    Awaiter* m_waiter = nullptr;
};
