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

struct JpegDecoder {
  jpeg_decompress_struct cinfo;
  JpegFailure failure;
  jpeg_source_mgr source;
  jpeg_progress_mgr progress;
};

// First half: header, options and the start of decompression (which reads every scan of a
// progressive file). Fills width, height and whether the output is one grey component.
bool runJpegStart(JpegDecoder& d, std::span<const std::uint8_t> file) {
  if (setjmp(d.failure.jump)) return false;
  jpeg_create_decompress(&d.cinfo);  // clears everything but the error manager
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
    d.failure.why->assign(sizeTooLarge(d.cinfo.image_width, d.cinfo.image_height) ? kPictureTooLarge
                                                                                  : "picture size not allowed");
    return false;
  }
  d.cinfo.dct_method = JDCT_FLOAT;
  d.cinfo.out_color_space = d.cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGRA;
  jpeg_start_decompress(&d.cinfo);
  return true;
}

// Second half: every scanline into the picture (grey through `greyRow`), then the end marker.
bool runJpegRows(JpegDecoder& d, PixelImage& img, std::uint8_t* greyRow) {
  if (setjmp(d.failure.jump)) return false;
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    const int y = static_cast<int>(d.cinfo.output_scanline);
    if (greyRow) {
      JSAMPROW row = greyRow;
      jpeg_read_scanlines(&d.cinfo, &row, 1);
      std::uint8_t* dst = img.row(y);
      for (int x = 0; x < img.width; ++x, dst += 4) dst[0] = dst[1] = dst[2] = greyRow[x], dst[3] = 255;
    } else {
      JSAMPROW row = img.row(y);
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

std::optional<PixelImage> decodeJpeg(std::span<const std::uint8_t> file, std::string& why) {
  if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8) return why = "no JPEG signature", std::nullopt;
  JpegDecoder d{};
  installFailure(d.failure, why);
  d.cinfo.err = &d.failure.pub;

  std::optional<PixelImage> img;
  std::vector<std::uint8_t> greyRow;
  bool ok = runJpegStart(d, file);
  if (ok) {
    img = createImage(static_cast<int>(d.cinfo.output_width), static_cast<int>(d.cinfo.output_height), 24);
    try {
      if (img && d.cinfo.output_components == 1) greyRow.resize(d.cinfo.output_width);
    } catch (const std::bad_alloc&) {
      img.reset();
    }
    if (!img) ok = false, why = kOutOfMemory;
  }
  if (ok) ok = runJpegRows(d, *img, greyRow.empty() ? nullptr : greyRow.data());
  jpeg_destroy_decompress(&d.cinfo);
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
