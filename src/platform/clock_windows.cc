#include <ctime>

#include "platform/clock.h"

namespace kestram {

TimeOfDay SystemClock::now() const {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_s(&local, &t);
  return TimeOfDay{local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace kestram
