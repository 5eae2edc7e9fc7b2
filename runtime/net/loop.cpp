// The network services' use of GLib's main loop.
#include "runtime/net/loop.h"

#include <glib-unix.h>
#include <glib.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <memory>
#include <thread>

namespace {

struct Callback {
  std::function<bool()> fn;
};

gboolean call(gpointer data) { return static_cast<Callback*>(data)->fn() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE; }
void drop(gpointer data) { delete static_cast<Callback*>(data); }

struct Job {
  std::function<void()> fn, done;
};

GThreadPool* pool = nullptr;
int running = 0;

gboolean finish(gpointer data) {
  std::unique_ptr<Job> job(static_cast<Job*>(data));
  running--;
  if (job->done) job->done();
  return G_SOURCE_REMOVE;
}

void work(gpointer data, gpointer) {
  // The pool's threads yield to the event loop: pages loading tiles must
  // never make the leader's window wait.
  thread_local bool lowered = (setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10), true);
  (void)lowered;
  Job* job = static_cast<Job*>(data);
  job->fn();
  g_main_context_invoke(nullptr, finish, job);
}

GMainLoop* main_loop = nullptr;
int caught = 0;

gboolean on_signal(gpointer data) {
  caught = GPOINTER_TO_INT(data);
  if (main_loop) g_main_loop_quit(main_loop);
  return G_SOURCE_CONTINUE;
}

}  // namespace

unsigned timer_start(int ms, std::function<bool()> fn) {
  return g_timeout_add_full(G_PRIORITY_DEFAULT, ms, call, new Callback{std::move(fn)}, drop);
}

void timer_stop(unsigned id) {
  if (id) g_source_remove(id);
}

unsigned idle_start(std::function<bool()> fn) {
  return g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, call, new Callback{std::move(fn)}, drop);
}

void background_run(std::function<void()> fn, std::function<void()> done) {
  if (!pool) {
    int threads = std::max(2u, std::thread::hardware_concurrency());
    pool = g_thread_pool_new(work, nullptr, threads, FALSE, nullptr);
  }
  running++;
  g_thread_pool_push(pool, new Job{std::move(fn), std::move(done)}, nullptr);
}

void background_wait() {
  while (running > 0) g_main_context_iteration(nullptr, TRUE);
}

int run_until_signal() {
  caught = 0;
  main_loop = g_main_loop_new(nullptr, FALSE);
  guint term = g_unix_signal_add(SIGTERM, on_signal, GINT_TO_POINTER(SIGTERM));
  guint interrupt = g_unix_signal_add(SIGINT, on_signal, GINT_TO_POINTER(SIGINT));
  g_main_loop_run(main_loop);
  g_source_remove(term);
  g_source_remove(interrupt);
  g_main_loop_unref(main_loop);
  main_loop = nullptr;
  return caught;
}

void loop_quit() {
  if (main_loop) g_main_loop_quit(main_loop);
}
