// The local time of day.
#pragma once

namespace kestram {

struct TimeOfDay {
  int hour = 0;    // 0 to 23
  int minute = 0;  // 0 to 59
  int second = 0;  // 0 to 60
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual TimeOfDay now() const = 0;
};

// The system's local clock.
class SystemClock : public Clock {
 public:
  TimeOfDay now() const override;
};

}  // namespace kestram
