// Decoding an 800 x 600 picture through the engine's loaders against calling libpng and
// libjpeg directly with the same settings. The goal: the engine within 10% of the library.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <string>
#include <vector>

#include "image/codecs.h"

namespace {

constexpr int kWidth = 800, kHeight = 600;

// A stage-like picture: smooth gradients, hard-edged shapes and a little grain, so that
// neither format meets only its best or worst case.
image::PixelImage makePicture(bool alpha) {
  image::PixelImage img;
  img.width = kWidth, img.height = kHeight, img.bits = alpha ? 32 : 24;
  img.pixels.resize(std::size_t{kWidth} * kHeight * 4);
  std::uint32_t seed = 1;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = img.row(y) + x * 4;
      seed = seed * 1664525u + 1013904223u;
      const int grain = static_cast<int>(seed >> 29);
      const bool disc = (x - 400) * (x - 400) + (y - 300) * (y - 300) < 150 * 150;
      p[0] = static_cast<std::uint8_t>(disc ? 230 : (x * 255 / kWidth + grain) & 0xFF);
      p[1] = static_cast<std::uint8_t>(disc ? 120 + grain : y * 255 / kHeight);
      p[2] = static_cast<std::uint8_t>(128 + 100 * std::sin(x * 0.02) * std::cos(y * 0.03));
      p[3] = alpha ? static_cast<std::uint8_t>(disc ? 255 : (x / 4) & 0xFF) : 255;
    }
  return img;
}

std::string encodedPng(bool alpha) {
  std::string out, why;
  if (!image::encodePng(makePicture(alpha), alpha ? 32 : 24, 6, false, out, why)) std::abort();
  return out;
}

std::string encodedJpeg() {
  std::string out, why;
  if (!image::encodeJpeg(makePicture(false), 32, 90, 0, out, why)) std::abort();
  return out;
}

std::span<const std::uint8_t> bytesOf(const std::string& s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

void engineDecode(benchmark::State& state, const std::string& file, bool png) {
  std::string why;
  for (auto _ : state) {
    auto img = png ? image::decodePng(bytesOf(file), why) : image::decodeJpeg(bytesOf(file), why);
    if (!img) state.SkipWithError(why.c_str());
    benchmark::DoNotOptimize(img->pixels.data());
  }
}

// libpng alone: the same transformations into a buffer of the same size.
struct Reader {
  const std::string* file;
  std::size_t pos;
};

void libpngDecode(benchmark::State& state, const std::string& file) {
  for (auto _ : state) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Reader reader{&file, 0};
    png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, std::size_t n) {
      auto* r = static_cast<Reader*>(png_get_io_ptr(p));
      std::memcpy(out, r->file->data() + r->pos, n);
      r->pos += n;
    });
    png_read_info(png, info);
    const int colourType = png_get_color_type(png, info);
    png_set_bgr(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA)) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    std::vector<std::uint8_t> pixels(std::size_t{kWidth} * kHeight * 4);
    std::vector<png_bytep> rows(kHeight);
    for (int y = 0; y < kHeight; ++y) rows[y] = pixels.data() + static_cast<std::size_t>(y) * kWidth * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void libjpegDecode(benchmark::State& state, const std::string& file, J_DCT_METHOD method) {
  for (auto _ : state) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.dct_method = method;
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    std::vector<std::uint8_t> pixels(std::size_t{kWidth} * kHeight * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = pixels.data() + std::size_t{cinfo.output_scanline} * kWidth * 4;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
  }
}

const std::string& pngRgba() { static const std::string f = encodedPng(true); return f; }
const std::string& pngRgb() { static const std::string f = encodedPng(false); return f; }
const std::string& jpeg() { static const std::string f = encodedJpeg(); return f; }

void BM_EnginePngRgba(benchmark::State& s) { engineDecode(s, pngRgba(), true); }
void BM_LibpngPngRgba(benchmark::State& s) { libpngDecode(s, pngRgba()); }
void BM_EnginePngRgb(benchmark::State& s) { engineDecode(s, pngRgb(), true); }
void BM_LibpngPngRgb(benchmark::State& s) { libpngDecode(s, pngRgb()); }
void BM_EngineJpeg(benchmark::State& s) { engineDecode(s, jpeg(), false); }
void BM_LibjpegJpegFloatDct(benchmark::State& s) { libjpegDecode(s, jpeg(), JDCT_FLOAT); }
void BM_LibjpegJpegDefaultDct(benchmark::State& s) { libjpegDecode(s, jpeg(), JDCT_ISLOW); }

}  // namespace

BENCHMARK(BM_EnginePngRgba)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibpngPngRgba)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnginePngRgb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibpngPngRgb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegJpegFloatDct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegJpegDefaultDct)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
