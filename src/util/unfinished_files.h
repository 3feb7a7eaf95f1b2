// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <string>

// The files this process has made that must not outlive it when a stop signal ends it: the
// temporary files of AtomicFile until they are renamed or removed, and the lock files FileLock
// removes when it lets go. Writers on any thread register them here; the thread that ends the
// process (stop_signals.h) first stops every other thread from making or renaming files, then
// removes what is registered, so an interrupted run leaves no temporary or lock file and every
// earlier file whole.
//
// The registry is the one piece of state the whole process shares on purpose: a signal ends
// every thread at once. It is guarded by its own mutex; nothing here may be called from a signal
// handler. A file is removed only while it is still the one registered (same device and inode),
// never one that replaced it meanwhile.
namespace velmor::util {

// Creates `path` with open(2) (`flags` hold O_CREAT | O_EXCL) and registers it, in one step.
// Returns the descriptor, or -1 with errno set; ECANCELED once another thread stopped the
// outputs.
int create_unfinished_file(const std::string& path, int flags, mode_t mode);

// Registers a file this process holds open as `fd` and will remove (a stale lock file it took).
void add_unfinished_file(const std::string& path, int fd);

// Forgets the file without removing it (it is someone else's now).
void forget_unfinished_file(const std::string& path);

// Removes the registered file, if it is still the one registered, and forgets it.
void remove_unfinished_file(const std::string& path);

// Renames the registered file `from` over `to` and forgets it. Returns 0, or the errno of the
// failure; ECANCELED (nothing renamed) once another thread stopped the outputs.
int publish_unfinished_file(const std::string& from, const std::string& to);

// From now on only the calling thread creates or publishes files here; the others' attempts
// fail with ECANCELED. A later call from another thread takes over.
void stop_outputs();

// Removes every registered file (the calling thread's too) and forgets them.
void remove_unfinished_files();

}  // namespace velmor::util
