#include "engine/util/bus_error_guard.h"

#include <csetjmp>
#include <csignal>
#include <mutex>

namespace tallix {
namespace {

// Where a bus error on this thread jumps to, while CatchBusErrors runs.
thread_local sigjmp_buf* t_bus_error_exit = nullptr;

// The handler is installed while any thread is inside CatchBusErrors.
std::mutex g_bus_error_mutex;
int g_bus_error_users = 0;
struct sigaction g_previous_bus_action {};

void OnBusError(int signal_number, siginfo_t* info, void* context) {
  if (t_bus_error_exit != nullptr) siglongjmp(*t_bus_error_exit, 1);
  // Not a read of a mapping: what would have happened without us.
  const struct sigaction& previous = g_previous_bus_action;
  if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
    previous.sa_sigaction(signal_number, info, context);
    return;
  }
  void (*const handler)(int) = previous.sa_handler;
  if (handler == SIG_DFL || handler == SIG_IGN) {
    // The fault repeats on return and now ends the program.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(SIGBUS, &fallback, nullptr);
    return;
  }
  handler(signal_number);
}

void EnterBusErrorCatching() {
  const std::lock_guard<std::mutex> lock(g_bus_error_mutex);
  if (g_bus_error_users++ > 0) return;
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, &g_previous_bus_action);
}

void LeaveBusErrorCatching() {
  const std::lock_guard<std::mutex> lock(g_bus_error_mutex);
  if (--g_bus_error_users > 0) return;
  ::sigaction(SIGBUS, &g_previous_bus_action, nullptr);
}

}  // namespace

bool CatchBusErrors(void (*body)(void*), void* context) {
  EnterBusErrorCatching();
  sigjmp_buf exit_point;
  if (sigsetjmp(exit_point, 1) != 0) {
    t_bus_error_exit = nullptr;
    LeaveBusErrorCatching();
    return false;
  }
  t_bus_error_exit = &exit_point;
  body(context);
  t_bus_error_exit = nullptr;
  LeaveBusErrorCatching();
  return true;
}

}  // namespace tallix
