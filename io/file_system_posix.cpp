#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "io/file_system.h"

namespace filesys {
namespace {

// An exclusive flock on fd, waiting out a cleaner that holds it for a moment.
bool LockExclusive(int fd) {
  while (flock(fd, LOCK_EX) != 0)
    if (errno != EINTR) return false;
  return true;
}

}  // namespace

std::FILE* CreateNew(const std::string& path, std::string* reason) {
  // Between the creation and the lock another run's RemoveUnownedFiles may
  // take the new file for a leftover and remove it: the link count then
  // says so once the lock is ours, and the name is made again.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      *reason = std::strerror(errno);
      return nullptr;
    }
    struct stat info;
    if (!LockExclusive(fd) || fstat(fd, &info) != 0) {
      *reason = std::strerror(errno);
      close(fd);
      unlink(path.c_str());
      return nullptr;
    }
    if (info.st_nlink == 0) {
      close(fd);
      continue;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
      *reason = std::strerror(errno);
      unlink(path.c_str());
      close(fd);
    }
    return file;
  }
  *reason = std::strerror(EBUSY);
  return nullptr;
}

bool SyncFile(std::FILE* file, std::string* reason) {
  if (std::fflush(file) == 0 && fsync(fileno(file)) == 0) return true;
  *reason = std::strerror(errno);
  return false;
}

#ifdef __linux__
namespace {

// sync_file_range waits while the device's queue is full, for as long as
// the device takes to write what it was given: called by the writer, it
// held every writer to the disk's speed, and the last call (for a whole
// file) held the work after it too. So one thread of the process asks for
// write-back, on a descriptor of its own (a copy of the file's), while the
// writer goes on; the flush at the end waits for whatever is left. One
// request per file waits at a time: a later one for a file already waiting
// only moves its start back.
class WriteBackStarter {
 public:
  // Never destroyed: its thread may still be asking when the program ends.
  static WriteBackStarter& Get() {
    static WriteBackStarter* starter = new WriteBackStarter;
    return *starter;
  }

  void Ask(int fd, uint64_t from) {
    const int own = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    struct stat info;
    if (own < 0 || fstat(own, &info) != 0 || !Running()) {
      if (own >= 0) close(own);
      sync_file_range(fd, off_t(from), 0, SYNC_FILE_RANGE_WRITE);  // here, then
      return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (Request& r : waiting_)
      if (r.device == info.st_dev && r.inode == info.st_ino) {
        r.from = std::min(r.from, from);
        close(own);
        return;
      }
    waiting_.push_back(Request{own, from, info.st_dev, info.st_ino});
    asked_.notify_one();
  }

 private:
  struct Request {
    int fd;
    uint64_t from;
    dev_t device;
    ino_t inode;
  };

  bool Running() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_) {
      started_ = true;
      try {
        std::thread([this] { Serve(); }).detach();
        running_ = true;
      } catch (const std::system_error&) {
      }
    }
    return running_;
  }

  void Serve() {
    // Run at a real-time priority (as the benchmarks run the program), the
    // busy threads of the same priority would keep this one waiting until
    // they are done: it goes one above them, and sleeps nearly always.
    int policy = 0;
    sched_param param{};
    if (pthread_getschedparam(pthread_self(), &policy, &param) == 0 && (policy == SCHED_FIFO || policy == SCHED_RR)) {
      param.sched_priority = std::min(param.sched_priority + 1, sched_get_priority_max(policy));
      pthread_setschedparam(pthread_self(), policy, &param);
    }
    for (;;) {
      Request r;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        asked_.wait(lock, [this] { return !waiting_.empty(); });
        r = waiting_.front();
        waiting_.pop_front();
      }
      sync_file_range(r.fd, off_t(r.from), 0, SYNC_FILE_RANGE_WRITE);
      close(r.fd);
    }
  }

  std::mutex mutex_;
  std::condition_variable asked_;
  std::deque<Request> waiting_;
  bool started_ = false, running_ = false;
};

}  // namespace
#endif

void StartWriteBack(std::FILE* file, uint64_t from) {
#ifdef __linux__
  WriteBackStarter::Get().Ask(fileno(file), from);
#else
  (void)file, (void)from;
#endif
}

intptr_t KeepOwnership(std::FILE* file) {
  // The copy shares the open file and so its lock. A split into thousands
  // of pieces keeps one per piece until all are moved: the soft limit on
  // descriptors is raised to the hard one for them, and half of it is left
  // for everything else.
  const int fd = fcntl(fileno(file), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return kNoOwnership;
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && rlim_t(fd) >= limit.rlim_cur / 2 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && rlim_t(fd) >= limit.rlim_cur / 2) {
    close(fd);
    return kNoOwnership;
  }
  return fd;
}

bool SyncOwned(intptr_t token, std::string* reason) {
  if (token != kNoOwnership && fsync(int(token)) == 0) return true;
  *reason = std::strerror(token == kNoOwnership ? EBADF : errno);
  return false;
}

void DropOwnership(intptr_t token) {
  if (token != kNoOwnership) close(int(token));
}

bool NamesOpenFile(const std::string& path, int fd) {
  struct stat named, open;
  return stat(path.c_str(), &named) == 0 && fstat(fd, &open) == 0 && named.st_dev == open.st_dev &&
         named.st_ino == open.st_ino;
}

bool CanReplace(const std::string& path, std::string* reason) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return true;  // nothing there (or unreachable: creation will say)
  if (S_ISLNK(info.st_mode)) return true;
  if (S_ISDIR(info.st_mode)) {
    *reason = std::strerror(EISDIR);
    return false;
  }
  if (access(path.c_str(), W_OK) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  return true;
}

bool Exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

bool MoveOwned(intptr_t, const std::string& from, const std::string& to, std::string* reason) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  *reason = std::strerror(errno);
  return false;
}

bool SyncFolder(const std::string& folder, std::string* reason) {
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    *reason = std::strerror(errno);
    return false;
  }
  int error = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  // Some file systems (a few network and FUSE ones) cannot flush a folder.
  if (error == EINVAL || error == ENOTSUP || error == EROFS) error = 0;
  if (error != 0) *reason = std::strerror(error);
  return error == 0;
}

size_t RemoveUnownedFiles(const std::string& folder, const std::function<bool(const std::string& name)>& candidate) {
  const int dirFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return 0;
  DIR* dir = fdopendir(dirFd);
  if (!dir) {
    close(dirFd);
    return 0;
  }
  size_t removed = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (!candidate(name)) continue;
    // O_NOFOLLOW: a link is never opened through; O_NONBLOCK: a FIFO never waits.
    const int fd = openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened, named;
    // The lock taken proves no process owns the file; the name must still
    // be that file when it goes.
    if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
        named.st_ino == opened.st_ino && unlinkat(dirFd, name.c_str(), 0) == 0)
      ++removed;
    close(fd);
  }
  closedir(dir);
  return removed;
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

std::FILE* OpenStdio(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

size_t LongestPathBytes() { return 259; }

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

uint32_t ProcessId() { return uint32_t(getpid()); }

std::string PathInFolder(const std::string& folder, const std::string& path) {
  const std::string name = path.substr(FolderOf(path).size());
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool WritableFolder(const std::string& folder, std::string* reason) {
  struct stat info;
  if (stat(folder.c_str(), &info) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    *reason = std::strerror(ENOTDIR);
    return false;
  }
  if (access(folder.c_str(), W_OK | X_OK) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace filesys

