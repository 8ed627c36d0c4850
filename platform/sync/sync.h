// Synchronisation objects: mutexes and events behind handles, with the names
// and results of the desktop platform the libraries were written against.
//
// What a caller may rely on:
// - Objects are process-wide. A named object is looked up by its name (case
//   matters; a null or empty name makes an unnamed object). Creating a name
//   that exists returns a new handle to the same object, ignores the other
//   arguments and leaves ERROR_ALREADY_EXISTS (183) for GetLastError; a new
//   object leaves 0. Mutexes and events share one name space: creating a
//   mutex under an event's name (or the reverse) fails with a null handle and
//   ERROR_INVALID_HANDLE (6).
// - An object lives while any handle to it is open, and while a wait on it is
//   in progress: closing one holder's handle never ends the object under
//   another. When the last handle is closed the name is free again.
// - A mutex is recursive for the thread that owns it: each successful wait
//   must be matched by a ReleaseMutex. ReleaseMutex by a thread that does not
//   own it fails with ERROR_NOT_OWNER (288). When the owning thread ends
//   without releasing it, the next wait obtains it and returns WAIT_ABANDONED.
// - An auto-reset event releases exactly one waiter per SetEvent (each waiter
//   waiting at that moment counts once) and is non-signalled again after it;
//   when no one waits it stays signalled until one wait passes. A manual-reset
//   event releases every waiter and stays signalled until ResetEvent.
// - WaitForSingleObject waits at most the given milliseconds (INFINITE: with
//   no limit; 0: tests and returns) and returns WAIT_OBJECT_0, WAIT_ABANDONED,
//   WAIT_TIMEOUT, or WAIT_FAILED for a null, closed or unknown handle (6).
// - Functions that return BOOL give FALSE on failure and leave the reason for
//   GetLastError (6 for a bad handle or a handle of the wrong kind); the last
//   error is per thread. Handles are small opaque values, never reused. All
//   functions are thread-safe and throw no exception.
// - Not offered here, because the standard library does it: threads
//   (std::thread), critical sections (std::recursive_mutex, which is re-entrant
//   as a critical section is), interlocked counters (std::atomic<std::int32_t>).
#pragma once

#include "platform/errors.h"
#include "platform/types.h"

namespace vlm {

struct SyncHandle;
using HANDLE = SyncHandle*;

inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_ABANDONED = 0x80;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// initialOwner: the calling thread owns the new mutex once.
HANDLE CreateMutexA(const SECURITY_ATTRIBUTES* security, BOOL initialOwner, const char* name);
BOOL ReleaseMutex(HANDLE mutex);

HANDLE CreateEventA(const SECURITY_ATTRIBUTES* security, BOOL manualReset, BOOL initialState,
                    const char* name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL CloseHandle(HANDLE object);

DWORD GetLastError();
void SetLastError(DWORD error);

}  // namespace vlm
