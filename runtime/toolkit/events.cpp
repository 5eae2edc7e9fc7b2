// The application event queue: a FIFO of pooled records, the current event, and
// the waiting operations that run the toolkit's main loop.
#include "runtime/toolkit/events.h"

#include <gtk/gtk.h>

#include <memory>
#include <vector>

#include "runtime/toolkit/runtime.h"

namespace {

struct EventRecord {
  EventRecord* next;
  int kind;
  int flags;
  int64_t object;
  int64_t window;
  int64_t type;
  void* data;
  void (*release)(void*);
};

constexpr int PoolBlockSize = 256;

// Records come from blocks that are never given back; free records are chained.
std::vector<std::unique_ptr<EventRecord[]>> PoolBlocks;
EventRecord* PoolFree = nullptr;

EventRecord* QueueHead = nullptr;
EventRecord* QueueTail = nullptr;
int64_t QueueCount = 0;
int SuspendCount = 0;

struct CurrentEventValues {
  int kind = 0;
  int64_t object = 0;
  int64_t window = 0;
  int64_t type = -1;
  void* data = nullptr;
  void (*release)(void*) = nullptr;
};
CurrentEventValues Current;

EventRecord* record_take() {
  if (!PoolFree) {
    PoolBlocks.push_back(std::make_unique<EventRecord[]>(PoolBlockSize));
    EventRecord* block = PoolBlocks.back().get();
    for (int i = 0; i < PoolBlockSize; ++i) {
      block[i].next = PoolFree;
      PoolFree = &block[i];
    }
  }
  EventRecord* record = PoolFree;
  PoolFree = record->next;
  return record;
}

void record_give_back(EventRecord* record) {
  record->data = nullptr;
  record->release = nullptr;
  record->next = PoolFree;
  PoolFree = record;
}

void release_data(void* data, void (*release)(void*)) {
  if (data && release) release(data);
}

// Fetches the next event: releases the previous event's data (it lives until
// the next fetch) and makes the head of the queue the current event.
int64_t fetch() {
  Current.kind = 0;
  if (Current.data && Current.release) {
    void* data = Current.data;
    void (*release)(void*) = Current.release;
    Current.data = nullptr;
    Current.release = nullptr;
    release(data);
  }
  Current.data = nullptr;
  Current.release = nullptr;
  Current.type = -1;
  EventRecord* record = QueueHead;
  if (record) {
    Current.kind = record->kind;
    Current.object = record->object;
    Current.window = record->window;
    Current.type = record->type;
    Current.data = record->data;
    Current.release = record->release;
    QueueHead = record->next;
    if (!QueueHead) QueueTail = nullptr;
    --QueueCount;
    record_give_back(record);
  }
  return Current.kind;
}

gboolean wake_on_timeout(gpointer flag) {
  *static_cast<bool*>(flag) = true;
  return G_SOURCE_REMOVE;
}

}  // namespace

void events_init() {
  // Only the first call prepares the pool; the queue keeps what it holds.
  if (PoolBlocks.empty()) {
    PoolBlocks.push_back(std::make_unique<EventRecord[]>(PoolBlockSize));
    EventRecord* block = PoolBlocks.back().get();
    for (int i = 0; i < PoolBlockSize; ++i) {
      block[i].next = PoolFree;
      PoolFree = &block[i];
    }
  }
}

void event_post(int kind, int64_t object, int64_t window, int64_t type, void* data, void (*release)(void*),
                int flags) {
  if (SuspendCount > 0 && !(flags & PostWhileSuspended)) {
    release_data(data, release);
    return;
  }
  if (QueueTail && kind <= 65535 && !(flags & PostNoCollapse) && QueueTail->kind == kind &&
      QueueTail->object == object && QueueTail->window == window && QueueTail->type == type) {
    // Identical consecutive events collapse into the first one.
    release_data(data, release);
    return;
  }
  EventRecord* record = record_take();
  record->next = nullptr;
  record->kind = kind;
  record->flags = flags;
  record->object = object;
  record->window = window;
  record->type = type;
  record->data = data;
  record->release = release;
  if (QueueTail)
    QueueTail->next = record;
  else
    QueueHead = record;
  QueueTail = record;
  ++QueueCount;
}

void events_suspend() { ++SuspendCount; }

void events_resume() {
  if (SuspendCount > 0) --SuspendCount;
}

namespace {

template <class Match>
void remove_matching(Match match) {
  EventRecord* previous = nullptr;
  EventRecord* record = QueueHead;
  while (record) {
    EventRecord* next = record->next;
    if (match(*record)) {
      if (previous)
        previous->next = next;
      else
        QueueHead = next;
      if (QueueTail == record) QueueTail = previous;
      --QueueCount;
      void* data = record->data;
      void (*release)(void*) = record->release;
      record_give_back(record);
      release_data(data, release);
    } else {
      previous = record;
    }
    record = next;
  }
}

}  // namespace

void events_remove_window(int64_t window) {
  remove_matching([window](const EventRecord& r) { return r.window == window; });
}

void events_remove_gadget(int64_t gadget, int64_t window) {
  remove_matching([=](const EventRecord& r) { return r.kind == Gadget && r.object == gadget && r.window == window; });
}

int64_t event_first_kind() { return QueueHead ? QueueHead->kind : 0; }

int64_t events_queued() { return QueueCount; }

int64_t event_wait() {
  int64_t kind = fetch();
  if (kind) return kind;
  if (!runtime_has_display()) return -1;
  gtk_main_iteration_do(TRUE);
  kind = fetch();
  return kind ? kind : -1;
}

int64_t event_poll() {
  int64_t kind = fetch();
  if (kind) return kind;
  if (!runtime_has_display() || !gtk_events_pending()) return fetch();
  gtk_main_iteration_do(FALSE);
  kind = fetch();
  return kind ? kind : -1;
}

int64_t event_wait_timeout(int64_t timeout_ms) {
  if (timeout_ms <= 0) return event_wait();
  int64_t kind = fetch();
  if (kind) return kind;
  if (!runtime_has_display()) return 0;
  // A timer source wakes the blocking iteration when the time has run out.
  bool timed_out = false;
  guint interval = timeout_ms > G_MAXINT ? G_MAXINT : static_cast<guint>(timeout_ms);
  guint source = g_timeout_add(interval, wake_on_timeout, &timed_out);
  gtk_main_iteration_do(TRUE);
  if (!timed_out) g_source_remove(source);
  kind = fetch();
  if (kind) return kind;
  return timed_out ? 0 : -1;
}

int64_t event_window() { return Current.window; }
int64_t event_gadget() { return Current.object; }
int64_t event_menu() { return Current.object; }
int64_t event_type() { return Current.type; }
void* event_data() { return Current.data; }
