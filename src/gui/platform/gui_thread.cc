// SPDX-License-Identifier: MIT

#include "gui/platform/gui_thread.h"

#include <QApplication>
#include <QMetaObject>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <thread>

#include "gui/platform/callback_threads.h"
#include "gui/platform/happens_before.h"
#include "gui/platform/program_end.h"
#include "gui/platform/window_registry.h"
#include "gui/platform/window_widget.h"
#include "util/unfinished_files.h"

namespace wintk::platform {
namespace {

struct GuiThreadState {
  std::atomic<bool> running{false};
  std::atomic<std::thread::id> gui_thread{};
};

GuiThreadState& gui_state() {
  static GuiThreadState instance;
  return instance;
}

// Callback threads get this long to finish after the main routine has ended.
constexpr std::chrono::milliseconds kCallbackGrace{2000};

// Work for the GUI thread as Qt's event queue carries it. Qt keeps a copy in an object of its
// own, made on the posting thread, run on the GUI thread and freed on either. Each copy is its
// own key (happens_before.h): it is handed over once made, the run takes it over before reading
// it and hands back what it did, and the end of the copy takes that over before Qt frees it.

// The work of call_on_gui_thread: the caller's function, run as the caller (its current window)
// while the caller waits. The run also hands what it did to the caller, keyed by the caller's
// function object.
class BlockingWork {
 public:
  BlockingWork(const std::function<void()>& fn, int caller) : fn_(&fn), caller_(caller) {}
  BlockingWork(const BlockingWork& other) : fn_(other.fn_), caller_(other.caller_) {
    hand_over(this);
  }
  BlockingWork& operator=(const BlockingWork&) = delete;
  ~BlockingWork() { take_over(this); }

  void operator()() const {
    take_over(this);
    {
      const ScopedCurrentWindow as_the_caller(caller_);
      (*fn_)();
    }
    hand_over(fn_);
    hand_over(this);
  }

 private:
  const std::function<void()>* fn_;
  int caller_;
};

// The work of post_to_gui_thread, run when the GUI thread comes to it.
class QueuedWork {
 public:
  explicit QueuedWork(std::function<void()> fn)
      : fn_(std::make_shared<const std::function<void()>>(std::move(fn))) {}
  QueuedWork(const QueuedWork& other) : fn_(other.fn_) { hand_over(this); }
  QueuedWork& operator=(const QueuedWork&) = delete;
  ~QueuedWork() { take_over(this); }

  void operator()() const {
    take_over(this);
    (*fn_)();
    hand_over(this);
  }

 private:
  std::shared_ptr<const std::function<void()>> fn_;
};

}  // namespace

bool is_gui_thread() {
  return gui_state().gui_thread.load() == std::this_thread::get_id();
}

bool gui_running() {
  return gui_state().running;
}

bool call_on_gui_thread(const std::function<void()>& fn) {
  if (is_gui_thread()) {
    fn();
    return true;
  }
  if (!gui_running()) {
    std::fprintf(stderr, "wintk: the toolkit was used outside run_application\n");
    return false;
  }
  end_if_program_ending();
  // The work is the caller's: it sees the caller's current window, and all the caller did
  // before the call; the caller sees all the work did once the call returns.
  const bool ran = QMetaObject::invokeMethod(qApp, BlockingWork(fn, current_window_id()),
                                             Qt::BlockingQueuedConnection);
  take_over(&fn);
  end_if_program_ending();  // the call itself may have closed the program's last window
  return ran;
}

void post_to_gui_thread(std::function<void()> fn) {
  if (!gui_running()) return;
  // The work sees all the poster did before posting it.
  QMetaObject::invokeMethod(qApp, QueuedWork(std::move(fn)), Qt::QueuedConnection);
}

void end_process(int code) {
  // A run still writing its report leaves neither its lock nor a temporary file behind.
  velmor::util::stop_outputs();
  velmor::util::remove_unfinished_files();
  std::fflush(nullptr);
  std::_Exit(code);
}

}  // namespace wintk::platform

namespace wintk {

int run_application(int& argc, char** argv, const std::function<int()>& app_main) {
  using namespace platform;
  auto& state = gui_state();
  // Created here and destroyed before returning: a QApplication left to the static destructors
  // at exit crashes on some platforms.
  std::unique_ptr<QApplication> application;
  if (!QApplication::instance()) application = std::make_unique<QApplication>(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  state.gui_thread = std::this_thread::get_id();
  state.running = true;

  int result = 0;
  std::thread main_routine([&] {
    set_main_routine_thread();
    try {
      result = app_main();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "wintk: the main routine failed: %s\n", error.what());
      result = 1;
    } catch (...) {
      std::fprintf(stderr, "wintk: the main routine failed\n");
      result = 1;
    }
    // Ended while the program was being ended: the main routine has closed what it owned.
    if (program_ending()) end_process(0);
    // A callback still running (a dialog it opened is still up, say) would outlive the windows
    // and registries it uses: the process ends here, with the main routine's result.
    if (!finish_callback_threads(kCallbackGrace)) {
      std::fprintf(stderr, "wintk: a callback was still running at the end of the program\n");
      end_process(result);
    }
    post_to_gui_thread([] { QCoreApplication::exit(0); });
  });
  QApplication::exec();
  state.running = false;
  main_routine.join();

  // Windows the main routine left open are destroyed while no other thread can reach them.
  for (const auto& record : all_windows()) {
    take_window(record->id);
    destroy_window_now(*record);
  }
  set_current_window_id(kNoWindow);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return result;
}

}  // namespace wintk
