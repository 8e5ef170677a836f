// libogg rebuilds packets across pages on the assumption that a stream's pages arrive in
// order; when a damaged file repeats pages or interleaves two streams, a seek can make it
// unroll a packet it never held and move memory with a negative length (a crash in the
// library, not a decoding error). Real files never do either, so such a file is refused
// whole, before decoding, instead of being trusted to the library's recovery.
#include "sound/ogg_pages.h"

#include <ogg/ogg.h>

#include <algorithm>
#include <cstring>

namespace sound {

namespace {

struct PageOrder {
  bool inStream = false;
  long serial = 0;
  long nextPage = 0;
  int streams = 0;
};

// One intact page against the order so far; null when it fits.
const char* placePage(PageOrder& o, ogg_page& page) {
  const long serial = ogg_page_serialno(&page);
  const long number = ogg_page_pageno(&page);
  if (!o.inStream) {
    if (!ogg_page_bos(&page)) return o.streams == 0 ? "data before the first stream" : "pages after the end of the stream";
    o.inStream = true;
    o.serial = serial;
    ++o.streams;
  } else {
    if (serial != o.serial) return "pages of two streams interleaved";
    if (ogg_page_bos(&page)) return "a stream begins twice";
    // A page lost to damage leaves a gap the decoder resynchronises over (and a damaged
    // page in the middle of a song should not silence it); going back never happens.
    if (number < o.nextPage) return "pages repeated";
  }
  o.nextPage = number + 1;
  if (ogg_page_eos(&page)) o.inStream = false;
  return nullptr;
}

}  // namespace

bool pagesInOrder(std::span<const std::uint8_t> bytes, std::string& why) {
  ogg_sync_state sync;
  ogg_sync_init(&sync);
  PageOrder order;
  const char* fault = nullptr;
  std::size_t fed = 0;
  constexpr std::size_t kChunk = 64 * 1024;
  ogg_page page;
  while (!fault) {
    const long r = ogg_sync_pageseek(&sync, &page);
    if (r > 0) {
      fault = placePage(order, page);
    } else if (r == 0) {
      if (fed == bytes.size()) break;
      const std::size_t n = std::min(kChunk, bytes.size() - fed);
      char* into = ogg_sync_buffer(&sync, static_cast<long>(n));
      if (!into) {
        fault = "out of memory";
        break;
      }
      std::memcpy(into, bytes.data() + fed, n);
      ogg_sync_wrote(&sync, static_cast<long>(n));
      fed += n;
    }
    // r < 0: bytes that form no intact page were skipped.
  }
  ogg_sync_clear(&sync);
  if (fault) why = std::string("damaged Ogg pages (") + fault + ")";
  return fault == nullptr;
}

}  // namespace sound
