// The clock of the marker animation and the random numbers of the piece picker.
#include "app/mapview/clock.h"

#include <sys/time.h>

#include <random>

int64_t (*ElapsedMsSource)() = nullptr;

int64_t elapsed_ms() {
  if (ElapsedMsSource) return ElapsedMsSource();
  static int64_t first_second = -1;
  timeval now;
  gettimeofday(&now, nullptr);
  if (first_second < 0) first_second = now.tv_sec;
  return (static_cast<int64_t>(now.tv_sec) - first_second) * 1000 + now.tv_usec / 1000;
}

int64_t random_number(int64_t max) {
  static std::mt19937_64* generator = nullptr;
  if (!generator) {
    timeval now;
    gettimeofday(&now, nullptr);
    generator = new std::mt19937_64(static_cast<uint64_t>(now.tv_sec) * 1000003u + now.tv_usec);
  }
  if (max <= 0) return 0;
  std::uniform_int_distribution<int64_t> uniform(0, max);
  return uniform(*generator);
}
