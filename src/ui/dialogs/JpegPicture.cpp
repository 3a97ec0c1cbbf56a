#include "JpegPicture.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

// A progressive file may hold any number of scans, each a pass over the
// whole picture; sound encoders write a dozen at most.
constexpr int kMaxScans = 500;

// libjpeg reports an error by calling error_exit, which must not return.
// Ours jumps back into the decode that is running.
struct TErrorManager {
  jpeg_error_mgr Public;  // first: libjpeg hands back a pointer to it
  std::jmp_buf Jump;
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
  auto* errors = reinterpret_cast<TErrorManager*>(info->err);
  std::longjmp(errors->Jump, 1);
}

// Warnings (level -1) mean damaged data, which libjpeg would paint grey; a
// damaged picture is not shown at all. Trace messages are ignored.
void EmitMessage(j_common_ptr info, int level) {
  if (level < 0) ErrorExit(info);
}

void OutputMessage(j_common_ptr) {}

void ProgressMonitor(j_common_ptr info) {
  if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) ErrorExit(info);
}

// Owns one libjpeg decompressor for the time of one decode. Everything the
// decode changes lives here rather than on the stack, so nothing is left
// in doubt when an error jumps out of libjpeg.
class TJpegDecompressor {
 public:
  TJpegDecompressor() {
    FInfo.err = jpeg_std_error(&FErrors.Public);
    FErrors.Public.error_exit = ErrorExit;
    FErrors.Public.emit_message = EmitMessage;
    FErrors.Public.output_message = OutputMessage;
    FProgress.progress_monitor = ProgressMonitor;
  }
  ~TJpegDecompressor() {
    if (FCreated) jpeg_destroy_decompress(&FInfo);
  }
  TJpegDecompressor(const TJpegDecompressor&) = delete;
  TJpegDecompressor& operator=(const TJpegDecompressor&) = delete;

  std::optional<TRgbPicture> Decode(const uint8_t* data, size_t size) {
    if (setjmp(FErrors.Jump)) return std::nullopt;
    jpeg_create_decompress(&FInfo);
    FCreated = true;
    FInfo.progress = &FProgress;
    jpeg_mem_src(&FInfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&FInfo, TRUE);
    if (static_cast<uint64_t>(FInfo.image_width) * FInfo.image_height > kMaxJpegPixels) return std::nullopt;
    FInfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&FInfo);
    if (FInfo.output_components != 3) return std::nullopt;
    FPicture.Width = static_cast<int>(FInfo.output_width);
    FPicture.Height = static_cast<int>(FInfo.output_height);
    const size_t rowSize = static_cast<size_t>(FInfo.output_width) * 3;
    FPicture.Pixels.resize(rowSize * FInfo.output_height);
    while (FInfo.output_scanline < FInfo.output_height) {
      JSAMPROW row = FPicture.Pixels.data() + rowSize * FInfo.output_scanline;
      jpeg_read_scanlines(&FInfo, &row, 1);
    }
    jpeg_finish_decompress(&FInfo);
    return std::move(FPicture);
  }

 private:
  jpeg_decompress_struct FInfo{};
  TErrorManager FErrors{};
  jpeg_progress_mgr FProgress{};
  bool FCreated = false;
  TRgbPicture FPicture;
};

}  // namespace

std::optional<TRgbPicture> DecodeJpeg(const uint8_t* data, size_t size) {
  if (size == 0) return std::nullopt;
  return TJpegDecompressor().Decode(data, size);
}
