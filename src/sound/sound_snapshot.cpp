#include "sound/sound_snapshot.h"

#include <algorithm>

#include "core/error_report.h"
#include "core/expression.h"
#include "platform/cp932.h"
#include "sound/sound_stream.h"

namespace sound {

namespace {

using core::FieldKind;

constexpr core::SavedField<StreamRecord> kStreamFields[] = {
    {"file", &StreamRecord::file, FieldKind::Text, ""},
    {"loops", &StreamRecord::loops, FieldKind::Decimal},
    {"volume", &StreamRecord::volume, FieldKind::Decimal},
    {"pan", &StreamRecord::pan, FieldKind::Decimal},
    {"sample", &StreamRecord::sample, FieldKind::Sample},
};

}  // namespace

std::span<const core::SavedField<StreamRecord>> streamFields() { return kStreamFields; }

std::vector<StreamRecord> captureStreams() {
  std::vector<StreamRecord> records;
  for (int i = 0; i < kStreamCount; ++i) {
    const StreamSnapshot snap = streamSnapshot(i);
    if (snap.status == kStopped || snap.fileName.empty()) continue;
    records.push_back({i, snap.fileName, snap.loops, snap.volume, snap.pan, snap.sample});
  }
  return records;
}

void restoreStreams(std::span<const StreamRecord> records, bool fromSample) {
  for (const StreamRecord& s : records) {
    if (!loadStream(s.stream, s.file)) {
      core::showErrorBox(s.file + platform::jp("が開けませんでした"));
      continue;
    }
    setStreamVolume(s.stream, std::clamp(s.volume, 0, 100), 0);
    setStreamPan(s.stream, std::clamp(static_cast<int>(static_cast<std::int8_t>(s.pan)), -100, 100), 0);
    playStream(s.stream, static_cast<std::int8_t>(s.loops), 1000, fromSample ? s.sample : 0);
  }
  // Which BGM stream carries the music; 1 wins when both play.
  if (streamStatus(0) == kPlaying) core::declareNumber("bgmcross") = 0;
  if (streamStatus(1) == kPlaying) core::declareNumber("bgmcross") = 1;
}

}  // namespace sound
