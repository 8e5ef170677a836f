// The sound streams of a snapshot: each stream that is not stopped, as the record a save game
// keeps (Sound<n>), with its field table. Main thread.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/saved_fields.h"

namespace sound {

struct StreamRecord {
  int stream = 0;
  std::string file;
  std::int32_t loops = 1;  // passes left + 1 as written; 0 without end
  std::int32_t volume = 100, pan = 0;
  std::int64_t sample = 0;  // the sample being heard
  bool operator==(const StreamRecord&) const = default;
};

std::span<const core::SavedField<StreamRecord>> streamFields();

// Every stream that plays or is paused, in ascending order.
std::vector<StreamRecord> captureStreams();
// Loads and plays each stream again with a fade-in of 1000 ms (from the saved sample when
// `fromSample`, else from its restart position), and sets bgmcross to the BGM stream that
// plays. A stream that does not load is reported.
void restoreStreams(std::span<const StreamRecord> records, bool fromSample);

}  // namespace sound
