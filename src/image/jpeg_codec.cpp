// JPEG through libjpeg-turbo, from and into memory. libjpeg's fatal errors jump back through
// our error manager; each jump target sits in a function whose locals are trivially
// destructible, and everything with a destructor belongs to the caller.
//
// Unlike the library's defaults, damage is an error here: a file that ends early, or
// entropy data the library reports as corrupt, fails the decode instead of coming out with
// grey or smeared blocks.
#include <cstdio>  // before jpeglib.h, which uses FILE and size_t without including them
#include <jpeglib.h>
#include <jerror.h>  // after jpeglib.h: its message list depends on the library's configuration

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "image/codecs.h"
#include "image/gray_tables.h"

namespace image {
namespace {

// A progressive file may repeat scans without limit, each pass over every coefficient; no
// real encoder writes more than a few dozen.
constexpr int kMaxScans = 500;

struct JpegFailure {
  jpeg_error_mgr pub;  // first: libjpeg hands us this pointer
  std::jmp_buf jump;
  std::string* why;
};

[[noreturn]] void failWithMessage(j_common_ptr cinfo) {
  auto* failure = reinterpret_cast<JpegFailure*>(cinfo->err);
  char text[JMSG_LENGTH_MAX] = {};
  (*cinfo->err->format_message)(cinfo, text);
  failure->why->assign(cinfo->err->msg_code == JERR_OUT_OF_MEMORY ? kOutOfMemory : text);
  std::longjmp(failure->jump, 1);
}

bool isCorruption(int code) {
  switch (code) {
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
      return true;
    default:
      return false;
  }
}

void onJpegMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && isCorruption(cinfo->err->msg_code)) failWithMessage(cinfo);
}

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

// The whole file is in the buffer from the start: asking for more means it ended early.
boolean fillInputBuffer(j_decompress_ptr cinfo) {
  ERREXIT(cinfo, JERR_INPUT_EOF);
  return FALSE;  // not reached: the error manager jumps
}

void skipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  if (static_cast<unsigned long>(count) > src->bytes_in_buffer) ERREXIT(cinfo, JERR_INPUT_EOF);
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void limitScans(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    reinterpret_cast<JpegFailure*>(cinfo->err)->why->assign("too many scans");
    std::longjmp(reinterpret_cast<JpegFailure*>(cinfo->err)->jump, 1);
  }
}

}  // namespace

// One decompressor with its error manager, source and progress monitor. Made once per
// picture by decodeJpeg, once per movie by createJpegStream.
struct JpegStream {
  jpeg_decompress_struct cinfo;
  JpegFailure failure;
  jpeg_source_mgr source;
  jpeg_progress_mgr progress;
  bool created = false;
  std::vector<std::uint8_t> greyRow;  // one output row of a greyscale picture
};

namespace {

bool runJpegCreate(JpegStream& d) {
  if (setjmp(d.failure.jump)) return false;
  jpeg_create_decompress(&d.cinfo);  // clears everything but the error manager
  d.created = true;
  return true;
}

// First half: header, options and the start of decompression (which reads every scan of a
// progressive file). A picture wider or taller than maxWidth x maxHeight is refused before
// a row is written.
bool runJpegStart(JpegStream& d, std::span<const std::uint8_t> file, int maxWidth, int maxHeight) {
  if (setjmp(d.failure.jump)) return false;
  d.source.next_input_byte = file.data();
  d.source.bytes_in_buffer = file.size();
  d.source.init_source = initSource;
  d.source.fill_input_buffer = fillInputBuffer;
  d.source.skip_input_data = skipInputData;
  d.source.resync_to_restart = jpeg_resync_to_restart;
  d.source.term_source = termSource;
  d.cinfo.src = &d.source;
  d.progress.progress_monitor = limitScans;
  d.cinfo.progress = &d.progress;
  jpeg_read_header(&d.cinfo, TRUE);
  if (!sizeAllowed(d.cinfo.image_width, d.cinfo.image_height)) {
    d.failure.why->assign("picture size not allowed");
    return false;
  }
  if (d.cinfo.image_width > static_cast<unsigned>(maxWidth) || d.cinfo.image_height > static_cast<unsigned>(maxHeight)) {
    d.failure.why->assign(kPictureTooLarge);
    return false;
  }
  d.cinfo.dct_method = JDCT_FLOAT;
  d.cinfo.out_color_space = d.cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGRA;
  jpeg_start_decompress(&d.cinfo);
  return true;
}

// Second half: every scanline into rows `pitch` bytes apart from `pixels` (grey through
// `greyRow`, expanded to B = G = R, A = 255), then the end marker.
bool runJpegRows(JpegStream& d, std::uint8_t* pixels, std::size_t pitch, std::uint8_t* greyRow) {
  if (setjmp(d.failure.jump)) return false;
  const JDIMENSION width = d.cinfo.output_width;
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    std::uint8_t* dst = pixels + static_cast<std::size_t>(d.cinfo.output_scanline) * pitch;
    if (greyRow) {
      JSAMPROW row = greyRow;
      jpeg_read_scanlines(&d.cinfo, &row, 1);
      for (JDIMENSION x = 0; x < width; ++x, dst += 4) dst[0] = dst[1] = dst[2] = greyRow[x], dst[3] = 255;
    } else {
      JSAMPROW row = dst;
      jpeg_read_scanlines(&d.cinfo, &row, 1);
    }
  }
  jpeg_finish_decompress(&d.cinfo);
  return true;
}

struct JpegEncoder {
  jpeg_compress_struct cinfo;
  JpegFailure failure;
  unsigned char* buffer = nullptr;  // grown by the library's memory destination; ours to free
  unsigned long size = 0;
};

bool runJpegEncode(JpegEncoder& e, const PixelImage& img, int depth, int quality, int coding, std::uint8_t* greyRow) {
  if (setjmp(e.failure.jump)) return false;
  jpeg_create_compress(&e.cinfo);
  jpeg_mem_dest(&e.cinfo, &e.buffer, &e.size);
  e.cinfo.image_width = static_cast<JDIMENSION>(img.width);
  e.cinfo.image_height = static_cast<JDIMENSION>(img.height);
  e.cinfo.input_components = depth == 8 ? 1 : 4;
  e.cinfo.in_color_space = depth == 8 ? JCS_GRAYSCALE : JCS_EXT_BGRX;
  jpeg_set_defaults(&e.cinfo);
  jpeg_set_quality(&e.cinfo, quality, TRUE);
  e.cinfo.dct_method = JDCT_FLOAT;
  if (coding == 1) e.cinfo.optimize_coding = TRUE;
  if (coding == 2) jpeg_simple_progression(&e.cinfo);
  jpeg_start_compress(&e.cinfo, TRUE);
  const GrayTables& gray = grayTables();
  while (e.cinfo.next_scanline < e.cinfo.image_height) {
    const std::uint8_t* src = img.row(static_cast<int>(e.cinfo.next_scanline));
    JSAMPROW row;
    if (greyRow) {
      for (int x = 0; x < img.width; ++x) greyRow[x] = grayOf(gray, src + x * 4);
      row = greyRow;
    } else {
      row = const_cast<JSAMPROW>(src);  // libjpeg only reads input rows
    }
    jpeg_write_scanlines(&e.cinfo, &row, 1);
  }
  jpeg_finish_compress(&e.cinfo);
  return true;
}

void installFailure(JpegFailure& failure, std::string& why) {
  jpeg_std_error(&failure.pub);
  failure.pub.error_exit = failWithMessage;
  failure.pub.emit_message = onJpegMessage;
  failure.pub.output_message = [](j_common_ptr) {};
  failure.why = &why;
}

}  // namespace

namespace {

// Runs one picture through a created stream: the output size is known after the start, so
// `target` chooses where the rows go (null: the picture is refused with `why` set).
template <class Target>
bool decodeWith(JpegStream& d, std::span<const std::uint8_t> file, int maxWidth, int maxHeight, std::string& why,
                Target target) {
  if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8) return why = "no JPEG signature", false;
  d.failure.why = &why;
  bool ok = runJpegStart(d, file, maxWidth, maxHeight);
  std::uint8_t* pixels = nullptr;
  std::size_t pitch = 0;
  if (ok) {
    try {
      if (d.cinfo.output_components == 1) d.greyRow.resize(d.cinfo.output_width);
    } catch (const std::bad_alloc&) {
      ok = false, why = kOutOfMemory;
    }
  }
  if (ok) ok = target(static_cast<int>(d.cinfo.output_width), static_cast<int>(d.cinfo.output_height), pixels, pitch);
  if (ok) ok = runJpegRows(d, pixels, pitch, d.cinfo.output_components == 1 ? d.greyRow.data() : nullptr);
  // Back to the state after creation, ready for the next picture; a no-op when nothing started.
  jpeg_abort_decompress(&d.cinfo);
  return ok;
}

}  // namespace

void JpegStreamDeleter::operator()(JpegStream* s) const {
  if (!s) return;
  if (s->created) jpeg_destroy_decompress(&s->cinfo);
  delete s;
}

JpegStreamPtr createJpegStream(std::string& why) {
  JpegStreamPtr s(new (std::nothrow) JpegStream{});
  if (!s) return why = kOutOfMemory, nullptr;
  installFailure(s->failure, why);
  s->cinfo.err = &s->failure.pub;
  if (!runJpegCreate(*s)) return nullptr;
  return s;
}

bool decodeJpegInto(JpegStream& stream, std::span<const std::uint8_t> file, const JpegTarget& target, int& width,
                    int& height, std::string& why) {
  if (!target.pixels || target.width <= 0 || target.height <= 0 ||
      target.pitchBytes < static_cast<std::size_t>(target.width) * 4)
    return why = "no target surface", false;
  return decodeWith(stream, file, target.width, target.height, why,
                    [&](int w, int h, std::uint8_t*& pixels, std::size_t& pitch) {
                      width = w, height = h;
                      pixels = target.pixels, pitch = target.pitchBytes;
                      return true;
                    });
}

std::optional<PixelImage> decodeJpeg(std::span<const std::uint8_t> file, std::string& why) {
  JpegStreamPtr d = createJpegStream(why);
  if (!d) return std::nullopt;
  std::optional<PixelImage> img;
  bool ok = decodeWith(*d, file, static_cast<int>(kMaxPixels), static_cast<int>(kMaxPixels), why, [&](int w, int h, std::uint8_t*& pixels, std::size_t& pitch) {
    img = createImage(w, h, 24);
    if (!img) return why = kOutOfMemory, false;
    pixels = img->pixels.data(), pitch = static_cast<std::size_t>(w) * 4;
    return true;
  });
  if (!ok) return std::nullopt;
  return img;
}

bool encodeJpeg(const PixelImage& img, int depth, int quality, int coding, std::string& out, std::string& why) {
  if (!holdsPixels(img)) return why = "no picture", false;
  if (depth != 8 && depth != 24 && depth != 32) return why = "unsupported depth", false;
  if (img.width > JPEG_MAX_DIMENSION || img.height > JPEG_MAX_DIMENSION) return why = "picture too large for JPEG", false;
  std::vector<std::uint8_t> greyRow;
  try {
    if (depth == 8) greyRow.resize(static_cast<std::size_t>(img.width));
  } catch (const std::bad_alloc&) {
    return why = kOutOfMemory, false;
  }
  JpegEncoder e{};
  installFailure(e.failure, why);
  e.cinfo.err = &e.failure.pub;
  bool ok = runJpegEncode(e, img, depth, quality, coding, greyRow.empty() ? nullptr : greyRow.data());
  jpeg_destroy_compress(&e.cinfo);
  if (ok) {
    try {
      out.assign(reinterpret_cast<const char*>(e.buffer), e.size);
    } catch (const std::bad_alloc&) {
      ok = false, why = kOutOfMemory;
    }
  }
  std::free(e.buffer);
  return ok;
}

}  // namespace image
