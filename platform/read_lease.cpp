#include "platform/read_lease.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <thread>

namespace platform {
namespace {

// The write end of the report pipe, read by the signal handler.
std::atomic<int> reportPipe{-1};

// Passes the descriptor whose lease is breaking to the lease thread; a write
// is all a signal handler may safely do.
void OnLeaseSignal(int, siginfo_t* info, void*) {
  const int saved = errno;
  const int fd = info->si_fd;
  const int pipe = reportPipe.load(std::memory_order_relaxed);
  if (pipe >= 0) (void)!::write(pipe, &fd, sizeof fd);
  errno = saved;
}

// The thread that runs the callbacks, started with the first lease and
// stopped when the program ends.
class LeaseService {
 public:
  static LeaseService& Get() {
    static LeaseService service;
    return service;
  }

  ~LeaseService() {
    if (!worker_.joinable()) return;
    const int stop = -1;
    (void)!::write(writeEnd_, &stop, sizeof stop);
    worker_.join();
    reportPipe.store(-1);
    ::close(readEnd_);
    ::close(writeEnd_);
  }

  int Signal() const { return signal_; }
  bool Ready() {
    std::call_once(started_, [this] { Start(); });
    return worker_.joinable();
  }
  // The lease thread, to which reports can be sent; 0 when they cannot.
  pid_t Thread() const { return threadId_; }

  void Register(int fd, std::function<void()> onBreak) {
    std::lock_guard lock(mutex_);
    entries_[fd] = Entry{std::move(onBreak), false};
  }

  // Returns once no callback of `fd` runs, and forgets it.
  void Unregister(int fd) {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] {
      const auto it = entries_.find(fd);
      return it == entries_.end() || !it->second.running;
    });
    entries_.erase(fd);
  }

 private:
  struct Entry {
    std::function<void()> onBreak;
    bool running = false;
  };

  void Start() {
    // A real-time signal that nothing else in the program handles; when
    // something does, leases are not used at all.
    signal_ = SIGRTMIN + 6;
    struct sigaction old {};
    if (::sigaction(signal_, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) return;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
    // A full pipe drops a report rather than block a thread in its handler.
    (void)::fcntl(writeEnd_, F_SETFL, O_NONBLOCK);
    reportPipe.store(writeEnd_);
    struct sigaction action {};
    action.sa_sigaction = OnLeaseSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    if (::sigaction(signal_, &action, nullptr) != 0) return;
    std::promise<pid_t> started;
    std::future<pid_t> thread = started.get_future();
    worker_ = std::thread([this, &started] { Run(&started); });
    threadId_ = thread.get();
  }

  // The lease thread takes the reports meant for it from a signal
  // descriptor, the signal being blocked there, so they never wait for a
  // handler; reports that reach another thread come through the pipe.
  void Run(std::promise<pid_t>* started) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal_);
    const int signals =
        ::pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0 ? ::signalfd(-1, &set, SFD_CLOEXEC) : -1;
    started->set_value(signals >= 0 ? static_cast<pid_t>(::syscall(SYS_gettid)) : 0);
    pollfd watched[2] = {{readEnd_, POLLIN, 0}, {signals, POLLIN, 0}};
    for (;;) {
      if (::poll(watched, signals >= 0 ? 2 : 1, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if ((watched[1].revents & POLLIN) != 0) {
        signalfd_siginfo info{};
        if (::read(signals, &info, sizeof info) == sizeof info) {
          RunCallback(static_cast<int>(info.ssi_fd));
        }
      }
      if ((watched[0].revents & (POLLIN | POLLHUP)) != 0) {
        int fd = 0;
        if (::read(readEnd_, &fd, sizeof fd) != sizeof fd || fd < 0) break;
        RunCallback(fd);
      }
    }
    if (signals >= 0) ::close(signals);
  }

  void RunCallback(int fd) {
    std::function<void()> onBreak;
    {
      std::lock_guard lock(mutex_);
      const auto it = entries_.find(fd);
      if (it == entries_.end()) return;
      // A report for a descriptor whose lease is not breaking is stale: it
      // was meant for an earlier lease of a descriptor with that number.
      if (::fcntl(fd, F_GETLEASE) != F_UNLCK) return;
      it->second.running = true;
      onBreak = it->second.onBreak;
    }
    onBreak();
    (void)::fcntl(fd, F_SETLEASE, F_UNLCK);
    {
      std::lock_guard lock(mutex_);
      entries_[fd].running = false;
    }
    finished_.notify_all();
  }

  std::once_flag started_;
  int signal_ = 0;
  int readEnd_ = -1;
  int writeEnd_ = -1;
  pid_t threadId_ = 0;
  std::mutex mutex_;
  std::condition_variable finished_;
  std::map<int, Entry> entries_;
  std::thread worker_;
};

}  // namespace

std::unique_ptr<ReadLease> ReadLease::Take(int fd, std::function<void()> onBreak) {
  LeaseService& service = LeaseService::Get();
  if (fd < 0 || !service.Ready()) return nullptr;
  // Registered first: the break may come the moment the lease is granted.
  service.Register(fd, std::move(onBreak));
  if (::fcntl(fd, F_SETSIG, service.Signal()) != 0 || ::fcntl(fd, F_SETLEASE, F_RDLCK) != 0) {
    service.Unregister(fd);
    return nullptr;
  }
  // The report goes to the lease thread itself rather than interrupt
  // whichever thread happens to run; until then the handler takes it in
  // any thread.
  if (const pid_t thread = service.Thread(); thread != 0) {
    const f_owner_ex owner{F_OWNER_TID, thread};
    (void)::fcntl(fd, F_SETOWN_EX, &owner);
  }
  return std::unique_ptr<ReadLease>(new ReadLease(fd));
}

ReadLease::~ReadLease() {
  LeaseService::Get().Unregister(fd_);
  LetGo();
}

void ReadLease::LetGo() {
  (void)::fcntl(fd_, F_SETLEASE, F_UNLCK);
}

}  // namespace platform
