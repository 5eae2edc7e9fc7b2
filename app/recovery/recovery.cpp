// The recovery file of this process, its writing thread, and the offer of
// the files of processes that did not end properly.
#include "app/recovery/recovery.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/formation/formation.h"
#include "app/history/snapshot.h"
#include "app/history/undo.h"
#include "app/mapview/model.h"
#include "app/mapview/mouse.h"
#include "app/recovery/recovery_file.h"
#include "app/state/program.h"
#include "runtime/core/objects.h"
#include "runtime/data/directory.h"
#include "runtime/data/files.h"
#include "runtime/data/user_files.h"
#include "runtime/toolkit/requesters.h"

namespace {

// A write waits for the changes to pause this long, but never longer than
// the second figure after the first change it holds.
constexpr int64_t QuietMs = 500;
constexpr int64_t LatestMs = 2000;

int64_t now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// What the writing thread needs, prepared on the toolkit's thread: the
// snapshot's parts are never changed, so the thread may read them.
struct Job {
  std::string path;
  LayoutSnapshot layout;
  String level_reference;
  int32_t zoom = 100;
  RecoveryInfo info;
};

FormationRecord record_of(const Job& job) {
  FormationRecord r;
  r.level_reference = job.level_reference;
  r.zoom = static_cast<int8_t>(job.zoom);
  if (job.layout.heroes) r.heroes = *job.layout.heroes;
  if (job.layout.trails) r.trails = *job.layout.trails;
  if (job.layout.graves) r.graves = *job.layout.graves;
  if (job.layout.transports) r.transports = *job.layout.transports;
  for (int i = 0; i < InscriptionCount; i++)
    if (job.layout.texts[i]) r.inscriptions[i] = *job.layout.texts[i];
  return r;
}

bool write_job(const Job& job) { return file_replace_contents(job.path, recovery_bytes(record_of(job), job.info), 0600); }

// The writing thread: takes the newest job; a job waiting when a newer one
// comes is dropped.
struct Writer {
  std::mutex mutex;
  std::condition_variable wake, idle;
  std::optional<Job> job;
  bool busy = false, stopping = false, failed = false;
  int64_t writes = 0;
  std::thread thread;

  void run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      wake.wait(lock, [&] { return job || stopping; });
      if (!job) return;
      Job next = std::move(*job);
      job.reset();
      busy = true;
      lock.unlock();
      bool ok = write_job(next);
      lock.lock();
      busy = false;
      failed = !ok;
      if (ok) writes++;
      idle.notify_all();
    }
  }
  void post(Job next) {
    std::lock_guard<std::mutex> lock(mutex);
    job = std::move(next);
    wake.notify_one();
  }
  // Drops a job not yet begun and waits for the one being written.
  void settle() {
    std::unique_lock<std::mutex> lock(mutex);
    job.reset();
    idle.wait(lock, [&] { return !busy; });
  }
  void stop() {
    if (!thread.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex);
      stopping = true;
      wake.notify_one();
    }
    thread.join();
  }
};

struct Recovery {
  bool started = false;
  String folder, path, lock_path;
  int lock = -1;
  Writer writer;
  uint64_t seen_changes = 0;
  bool pending = false, written = false;
  int64_t first_change = 0, last_change = 0;
  int64_t changed = 0;  // date value of the last change
};
Recovery& self() {
  static Recovery r;
  return r;
}

Job job_now(const LayoutSnapshot& layout) {
  Recovery& r = self();
  Job job;
  job.path = string_to_utf8(r.path);
  job.layout = layout;
  job.level_reference = stored_level_reference(layout.level_path);
  job.zoom = MapView.zoom;
  job.info = RecoveryInfo{r.changed, MapView.origin_x, MapView.origin_y, LayoutFile};
  return job;
}

void remove_own_file() {
  Recovery& r = self();
  r.writer.settle();
  r.pending = false;
  if (r.written || file_size(r.path) >= 0) unlink(string_to_utf8(r.path).c_str());
  r.written = false;
}

String lock_of(const String& recovery_path) { return recovery_path.substr(0, recovery_path.size() - 4) + u".lock"; }

// True when the lock file is held by a running process.
bool held(const String& lock) {
  if (file_size(lock) < 0) return false;
  int taken = lock_try(lock);
  lock_release(taken);
  return taken < 0;
}

// Removes what ended processes left besides their recovery files: locks of
// processes that left no file, and half-written files of writes cut short
// (".recovery-<id>.tvf.XXXXXX").
void clear_ended_leftovers() {
  Recovery& r = self();
  int listing = dir_examine(AnyNumber, r.folder, u"*recovery-*");
  if (!listing) return;
  std::vector<String> gone;
  while (dir_next_entry(listing)) {
    String name = dir_entry_name(listing);
    if (name[0] == u'.') {
      size_t end = name.find(u".tvf.");
      if (end != String::npos && !held(r.folder + name.substr(1, end - 1) + u".lock")) gone.push_back(r.folder + name);
    } else if (name.size() > 5 && name.substr(name.size() - 5) == u".lock") {
      String lock = r.folder + name;
      if (lock != r.lock_path && file_size(lock.substr(0, lock.size() - 5) + u".tvf") < 0 && !held(lock))
        gone.push_back(lock);
    }
  }
  dir_finish(listing);
  for (const String& path : gone) unlink(string_to_utf8(path).c_str());
}

// A recovery file whose process has ended, with the lock it left (held by
// us now), if it left one.
struct Orphan {
  String path;
  int lock = -1;
  int64_t modified = 0;
};

void let_go(Orphan& orphan, bool remove_lock) {
  if (remove_lock) unlink(string_to_utf8(lock_of(orphan.path)).c_str());
  lock_release(orphan.lock);
  orphan.lock = -1;
}

std::vector<Orphan> find_orphans() {
  Recovery& r = self();
  std::vector<Orphan> orphans;
  int listing = dir_examine(AnyNumber, r.folder, u"recovery-*.tvf");
  if (!listing) return orphans;
  while (dir_next_entry(listing)) {
    Orphan o{r.folder + dir_entry_name(listing)};
    if (o.path == r.path || file_size(o.path) < 0) continue;
    // A file whose lock is held belongs to a Tavrel that still runs.
    String lock = lock_of(o.path);
    if (file_size(lock) >= 0 && (o.lock = lock_try(lock)) < 0) continue;
    o.modified = file_modified(o.path);
    orphans.push_back(o);
  }
  dir_finish(listing);
  return orphans;
}

// Keeps a declined or unusable recovery file where the README says, in
// place of the one kept before.
void set_aside(Orphan& orphan) {
  rename(string_to_utf8(orphan.path).c_str(), string_to_utf8(recovery_set_aside_path()).c_str());
  let_go(orphan, true);
}

String question(const RecoveryInfo& info) {
  String when = info.changed > 0
                    ? u"Zuletzt geändert am " + date_format(u"%dd.%mm.%yyyy", info.changed) + u" um " +
                          date_format(u"%hh:%ii", info.changed) + u" Uhr"
                    : String(u"Zeitpunkt der letzten Änderung unbekannt");
  String file = info.layout_file.empty() ? String(u", zu keiner Datei gehörend.")
                                         : u", gehört zur Datei „" + info.layout_file + u"“.";
  return u"Tavrel wurde zuletzt nicht ordnungsgemäß beendet. Soll die nicht gespeicherte Aufstellung "
         u"wiederhergestellt werden?\n" +
         when + file;
}

void report(const String& text) { message_requester(u"Tavrel", text, IconError); }

}  // namespace

int64_t recovery_writes() {
  Recovery& r = self();
  std::lock_guard<std::mutex> lock(r.writer.mutex);
  return r.writer.writes;
}

String recovery_path() { return self().path; }

String recovery_set_aside_path() { return self().folder + u"beiseitegelegt.tvf"; }

void recovery_start() {
  Recovery& r = self();
  if (r.started) return;
  String state = user_state_folder();
  if (state.empty()) return;
  r.folder = state + u"tavrel/";
  if (!folder_create(r.folder)) return;
  String id = string_from_number(getpid()) + u"-" + string_from_number(now_ms());
  r.path = r.folder + u"recovery-" + id + u".tvf";
  r.lock_path = lock_of(r.path);
  r.lock = lock_hold(r.lock_path);
  if (r.lock < 0) return;
  clear_ended_leftovers();
  r.seen_changes = LayoutChanges;
  r.pending = r.written = false;
  r.writer.stopping = false;
  r.writer.thread = std::thread([] { self().writer.run(); });
  r.started = true;
}

void recovery_tick() {
  Recovery& r = self();
  if (!r.started) return;
  if (LayoutChanges != r.seen_changes) {
    r.seen_changes = LayoutChanges;
    if (UnsavedChanges) {
      r.last_change = now_ms();
      if (!r.pending) r.first_change = r.last_change;
      r.pending = true;
      r.changed = date_now();
    }
  }
  if (!UnsavedChanges) {
    if (r.pending || r.written) remove_own_file();
    return;
  }
  // A drag in progress is written when it ends; a write that failed is tried
  // again with the next change.
  if (!r.pending || InteractionMode != Interaction::None || recovery_wait_ms() > 0) return;
  r.writer.post(job_now(history_current()));
  r.pending = false;
  r.written = true;
}

int64_t recovery_wait_ms() {
  Recovery& r = self();
  if (!r.started || !r.pending) return -1;
  int64_t due = std::min(r.last_change + QuietMs, r.first_change + LatestMs);
  return std::max<int64_t>(0, due - now_ms());
}

void recovery_write_now() {
  Recovery& r = self();
  if (!r.started || !UnsavedChanges) return;
  r.writer.settle();
  if (r.pending) r.changed = date_now();
  LayoutSnapshot now = take_snapshot(nullptr);
  if (write_job(job_now(now))) {
    r.written = true;
    std::lock_guard<std::mutex> lock(r.writer.mutex);
    r.writer.writes++;
  }
  r.pending = false;
}

void recovery_session_end() {
  if (UnsavedChanges)
    recovery_write_now();
  else
    recovery_discard();
}

void recovery_discard() {
  Recovery& r = self();
  if (!r.started) return;
  remove_own_file();
  r.writer.stop();
  unlink(string_to_utf8(r.lock_path).c_str());
  lock_release(r.lock);
  r.lock = -1;
  r.started = false;
}

void recovery_stop() { self().writer.stop(); }

bool recovery_offer() {
  Recovery& r = self();
  if (!r.started) return false;
  std::vector<Orphan> orphans = find_orphans();
  if (orphans.empty()) return false;
  // The newest is offered now, the others at later starts.
  auto newest = std::max_element(orphans.begin(), orphans.end(),
                                 [](const Orphan& a, const Orphan& b) { return a.modified < b.modified; });
  Orphan chosen = *newest;
  for (Orphan& o : orphans)
    if (&o != &*newest) let_go(o, false);

  FormationRecord record;
  RecoveryInfo info;
  FormationRead read = read_recovery_file(chosen.path, &record, &info);
  String kept = u" Sie wurde als „" + recovery_set_aside_path() + u"“ aufbewahrt.";
  if (read == FormationRead::WrongVersion || read == FormationRead::HeaderIncomplete) {
    set_aside(chosen);
    report(u"Die nicht gespeicherte Aufstellung aus der letzten Sitzung ist beschädigt und kann nicht geladen werden." +
           kept);
    return false;
  }
  String level_path = level_path_from_reference(record.level_reference);
  if (file_size(level_path) < 0) {
    set_aside(chosen);
    report(u"Die nicht gespeicherte Aufstellung aus der letzten Sitzung gehört zur Leveldatei '" + level_path +
           u"', die nicht gefunden werden kann." + kept);
    return false;
  }
  if (message_requester(u"Tavrel", question(info), ButtonsYesNo) != ResultYes) {
    set_aside(chosen);
    return false;
  }
  name_step(u"Aufstellung wiederherstellen");
  put_formation(record, level_path);
  MapView.origin_x = info.origin_x;
  MapView.origin_y = info.origin_y;
  LayoutFile = info.layout_file;
  if (!info.layout_file.empty()) FormationFolder = path_part(info.layout_file);
  note_change();
  history_record();
  // The file becomes this process's own, so that the layout is never
  // without one.
  if (rename(string_to_utf8(chosen.path).c_str(), string_to_utf8(r.path).c_str()) == 0) r.written = true;
  let_go(chosen, true);
  r.seen_changes = LayoutChanges;
  if (read == FormationRead::Incomplete)
    report(u"Die Datei ist unvollständig. Es wurde nur der vorhandene Teil der Aufstellung geladen.");
  return true;
}
