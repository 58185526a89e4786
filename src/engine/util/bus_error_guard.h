#pragma once
// A guard for reading memory that can vanish under the reader: a mapped file
// that shrinks makes a read past its new end raise SIGBUS. CatchBusErrors turns
// that signal, on the thread that reads, into a plain false; a bus error
// anywhere else goes on to whatever handled it before.

namespace tallix {

// Runs body(context) and returns true, unless a bus error (SIGBUS) on this
// thread stops it: then it returns false at once and `body` is left midway.
// So `body` must not hold objects with destructors, locks or allocations
// while it reads memory that can fault; it may call functions that return
// before such a read. Safe to use from several threads at once.
bool CatchBusErrors(void (*body)(void*), void* context);

}  // namespace tallix
