/* Preloaded into a program under test (LD_PRELOAD), never built into the product: slows or fails
 * the file calls made on the score file and its temporary, to reach the narrow moments of a
 * rewrite and to play a full disk or a refused folder.
 *
 *   KLB_SHIM_SLOW_MS=n          sleep n ms before each lock, write, fsync and rename of those files
 *   KLB_SHIM_FAIL=call:errno    fail every such call ("open", "lock", "write", "fsync", "rename")
 *   KLB_SHIM_TRACE=file         append "created" to the file when a temporary table is created,
 *                               "renamed" when it has replaced the table: how far a rewrite got;
 *                               "looked" at each look (stat) at the table: how many reads began */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#define TRACKED 64
static int tracked[TRACKED];
static int tracked_count;

static int is_score_path(const char* path) {
  return path && strstr(path, "scores klimbor");
}

/* The table itself, not its temporary or its lock file. */
static int is_the_table(const char* path) {
  const char* name = path ? strrchr(path, '/') : NULL;
  return name && strcmp(name + 1, "scores klimbor") == 0;
}

static void trace(const char* step) {
  const char* file = getenv("KLB_SHIM_TRACE");
  if (!file) return;
  FILE* out = fopen(file, "a");
  if (!out) return;
  fprintf(out, "%s\n", step);
  fclose(out); /* reaches the file before the program goes on: a kill cannot lose it */
}

static int is_tracked(int fd) {
  for (int i = 0; i < tracked_count; ++i)
    if (tracked[i] == fd) return 1;
  return 0;
}

static void track(int fd) {
  if (fd >= 0 && !is_tracked(fd) && tracked_count < TRACKED) tracked[tracked_count++] = fd;
}

static void untrack(int fd) {
  for (int i = 0; i < tracked_count; ++i)
    if (tracked[i] == fd) tracked[i] = tracked[--tracked_count];
}

static void slow_down(void) {
  const char* ms = getenv("KLB_SHIM_SLOW_MS");
  if (!ms) return;
  struct timespec t = {0, 0};
  long n = atol(ms);
  t.tv_sec = n / 1000;
  t.tv_nsec = (n % 1000) * 1000000L;
  nanosleep(&t, NULL);
}

/* The errno to fail this call with, or 0. */
static int failure(const char* call) {
  const char* spec = getenv("KLB_SHIM_FAIL");
  size_t n = strlen(call);
  if (!spec || strncmp(spec, call, n) != 0 || spec[n] != ':') return 0;
  return atoi(spec + n + 1);
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

static int open_common(const char* path, int flags, mode_t mode,
                       int (*next)(const char*, int, ...)) {
  int err = is_score_path(path) && (flags & O_CREAT) ? failure("open") : 0;
  if (err) {
    errno = err;
    return -1;
  }
  int fd = next(path, flags, mode);
  if (is_score_path(path) && (flags & (O_WRONLY | O_RDWR))) track(fd);
  if (fd >= 0 && is_score_path(path) && (flags & O_EXCL)) trace("created");
  return fd;
}

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = (flags & O_CREAT) ? va_arg(args, mode_t) : 0;
  va_end(args);
  return open_common(path, flags, mode, NEXT(open));
}

int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = (flags & O_CREAT) ? va_arg(args, mode_t) : 0;
  va_end(args);
  return open_common(path, flags, mode, NEXT(open64));
}

ssize_t write(int fd, const void* buffer, size_t count) {
  if (is_tracked(fd)) {
    slow_down();
    int err = failure("write");
    if (err) {
      errno = err;
      return -1;
    }
  }
  return NEXT(write)(fd, buffer, count);
}

int fsync(int fd) {
  if (is_tracked(fd)) {
    slow_down();
    int err = failure("fsync");
    if (err) {
      errno = err;
      return -1;
    }
  }
  return NEXT(fsync)(fd);
}

int close(int fd) {
  untrack(fd);
  return NEXT(close)(fd);
}

int rename(const char* from, const char* to) {
  if (!is_score_path(to)) return NEXT(rename)(from, to);
  slow_down();
  int err = failure("rename");
  if (err) {
    errno = err;
    return -1;
  }
  int result = NEXT(rename)(from, to);
  if (result == 0) trace("renamed");
  return result;
}

int stat(const char* path, struct stat* info) {
  if (is_the_table(path)) trace("looked");
  return NEXT(stat)(path, info);
}

int stat64(const char* path, struct stat64* info) {
  if (is_the_table(path)) trace("looked");
  return NEXT(stat64)(path, info);
}

static int is_lock_request(int fd, int command) {
  return is_tracked(fd) && (command == F_OFD_SETLKW || command == F_SETLKW ||
                            command == F_OFD_SETLK || command == F_SETLK);
}

static int fcntl_common(int fd, int command, void* argument, int (*next)(int, int, ...)) {
  if (is_lock_request(fd, command)) {
    slow_down();
    int err = failure("lock");
    if (err) {
      errno = err;
      return -1;
    }
  }
  return next(fd, command, argument);
}

/* The argument is an int or a pointer; passed on as it came. */
int fcntl(int fd, int command, ...) {
  va_list args;
  va_start(args, command);
  void* argument = va_arg(args, void*);
  va_end(args);
  return fcntl_common(fd, command, argument, NEXT(fcntl));
}

int fcntl64(int fd, int command, ...) {
  va_list args;
  va_start(args, command);
  void* argument = va_arg(args, void*);
  va_end(args);
  return fcntl_common(fd, command, argument, NEXT(fcntl64));
}
