// Tasks as threads with a signal word each; DeleteTask ends a task at its next Wait.
#include "platform/tasks.h"

#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

struct Task {
    std::string name;
    void (*entry)() = nullptr;
    std::mutex lock;
    std::condition_variable wake;
    uint32_t signals = 0;
    uint32_t reserved = 0xFFFFu;  // bits 0 … 15 belong to the system, never handed out
    bool deleted = false;
    bool finished = false;
    std::thread thread;
};

namespace {
thread_local Task *currentTask = nullptr;

std::recursive_mutex &schedulingLock() {
    static std::recursive_mutex m;
    return m;
}

// Marks the task finished however its thread ends (return or forced unwind).
struct FinishGuard {
    Task *task;
    ~FinishGuard() {
        std::lock_guard<std::mutex> hold(task->lock);
        task->finished = true;
        task->wake.notify_all();
    }
};

void runTask(Task *task) {
    currentTask = task;
    FinishGuard guard{task};
    task->entry();
}
}  // namespace

Task *CreateTask(const char *name, int, void (*entry)(), int, unsigned) {
    if (!entry) return nullptr;
    Task *task = new Task;
    task->name = name ? name : "";
    task->entry = entry;
    // Threads are started through pthread so that a failure returns nullptr rather than
    // throwing out of std::thread.
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_t id;
    auto start = [](void *arg) -> void * {
        runTask(static_cast<Task *>(arg));
        return nullptr;
    };
    int rc = pthread_create(&id, &attr, start, task);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete task;
        return nullptr;
    }
    pthread_detach(id);
    return task;
}

void DeleteTask(Task *task) {
    if (!task) return;
    std::unique_lock<std::mutex> hold(task->lock);
    task->deleted = true;
    task->wake.notify_all();
    bool done = task->wake.wait_for(hold, std::chrono::seconds(1), [task] { return task->finished; });
    hold.unlock();
    if (done) delete task;  // otherwise the thread may still touch its record: leave it
}

Task *FindTask(const char *) {
    if (!currentTask) {
        static thread_local Task own;
        if (own.name.empty()) own.name = "main";
        currentTask = &own;
    }
    return currentTask;
}

const char *taskName(const Task *task) { return task ? task->name.c_str() : ""; }

void Forbid() { schedulingLock().lock(); }

void Permit() { schedulingLock().unlock(); }

int AllocSignal() {
    Task *self = FindTask(nullptr);
    std::lock_guard<std::mutex> hold(self->lock);
    for (int bit = 16; bit < 32; ++bit) {
        uint32_t m = 1u << bit;
        if (!(self->reserved & m)) {
            self->reserved |= m;
            self->signals &= ~m;
            return bit;
        }
    }
    return -1;
}

void FreeSignal(int bit) {
    if (bit < 16 || bit > 31) return;
    Task *self = FindTask(nullptr);
    std::lock_guard<std::mutex> hold(self->lock);
    self->reserved &= ~(1u << bit);
    self->signals &= ~(1u << bit);
}

void Signal(Task *task, uint32_t mask) {
    if (!task) return;
    std::lock_guard<std::mutex> hold(task->lock);
    task->signals |= mask;
    task->wake.notify_all();
}

uint32_t Wait(uint32_t mask) {
    Task *self = FindTask(nullptr);
    std::unique_lock<std::mutex> hold(self->lock);
    self->wake.wait(hold, [self, mask] { return self->deleted || (self->signals & mask) != 0; });
    if (self->deleted) {
        hold.unlock();
        pthread_exit(nullptr);  // unwinds the task's stack; FinishGuard reports the end
    }
    uint32_t got = self->signals & mask;
    self->signals &= ~got;
    return got;
}

uint32_t WaitTimeout(uint32_t mask, long milliseconds) {
    Task *self = FindTask(nullptr);
    std::unique_lock<std::mutex> hold(self->lock);
    self->wake.wait_for(hold, std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds),
                        [self, mask] { return self->deleted || (self->signals & mask) != 0; });
    if (self->deleted) {
        hold.unlock();
        pthread_exit(nullptr);
    }
    uint32_t got = self->signals & mask;
    self->signals &= ~got;
    return got;
}

uint32_t pendingSignals() {
    Task *self = FindTask(nullptr);
    std::lock_guard<std::mutex> hold(self->lock);
    return self->signals;
}
