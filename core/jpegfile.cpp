#include "jpegfile.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "filehandle.h"

// Fatal codec errors come back through longjmp. Every function that calls setjmp below keeps only
// trivially destructible locals, and everything that needs releasing lives in the caller's frame,
// so no destructor is ever skipped.

namespace tavo {
namespace {

constexpr char kFatalTitle[] = "JPEG Fatal Error";
constexpr char kLibraryTitle[] = "JPEG Library Error";
constexpr char kOutOfMemory[] = "JpegFile :\nOut of memory";

// The decoder gets the loaded file in pieces of this size. Measured against handing it the whole
// block at once: the same instruction count within 0.1 %, so the smaller pieces stay.
constexpr std::size_t kSourcePiece = 4096;

// The first read of a file: a whole recorded picture (about 10 KB), or enough of a large file for
// its header.
constexpr std::size_t kFirstRead = 64 * 1024;

// A progressive file can carry thousands of tiny scans, each costing a full pass over the
// coefficients; real encoders write about ten.
constexpr int kMaxScans = 500;

// Caps libjpeg's whole-image coefficient buffers (progressive and multi-scan files).
constexpr long kMaxCodecMemory = 512L << 20;

void ShowSafely(MessageBoxes& boxes, const char* text, MessageIcon icon, const char* title) {
  // An exception must not unwind through libjpeg's C frames.
  try {
    boxes.Show(text, icon, title);
  } catch (...) {
  }
}

struct ErrorManager {
  jpeg_error_mgr pub;  // first, so libjpeg's pointer converts back
  std::jmp_buf jump;
  MessageBoxes* boxes;
  const char* fatalTitle;
};

ErrorManager& ErrorsOf(j_common_ptr cinfo) { return *reinterpret_cast<ErrorManager*>(cinfo->err); }

void ShowCodecMessage(j_common_ptr cinfo, const char* title) {
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  ShowSafely(*ErrorsOf(cinfo).boxes, text, MessageIcon::Error, title);
}

[[noreturn]] void ExitOnFatal(j_common_ptr cinfo) {
  ShowCodecMessage(cinfo, ErrorsOf(cinfo).fatalTitle);
  std::longjmp(ErrorsOf(cinfo).jump, 1);
}

// Warnings only (level -1): the first of a run gets a box, later ones are just counted. Trace
// messages are dropped.
void EmitMessage(j_common_ptr cinfo, int msgLevel) {
  if (msgLevel >= 0) return;
  if (cinfo->err->num_warnings++ == 0) ShowCodecMessage(cinfo, kLibraryTitle);
}

void InstallErrorManager(ErrorManager& err, MessageBoxes& boxes, const char* fatalTitle) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = ExitOnFatal;
  err.pub.emit_message = EmitMessage;
  err.boxes = &boxes;
  err.fatalTitle = fatalTitle;
}

// One image file, read into a block of its size only as far as the decoder asks: a picture
// refused by its header costs the bytes up to the header, however large the file. Everything read
// stays where it was put, so the decoder's pointers into the block never move.
struct FileReader {
  UniqueFd fd;
  std::unique_ptr<std::uint8_t[]> data;
  std::size_t total = 0;   // the size at opening; lowered when the file turns out shorter
  std::size_t loaded = 0;  // bytes of the block read so far
  bool readFailed = false;
};

enum class Load { Ok, CantOpen, TooLarge, OutOfMemory };

Load OpenImageFile(const std::string& path, FileReader& file) {
  // O_NONBLOCK: opening a FIFO must not hang; it is refused below as no regular file.
  file.fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (!file.fd.valid() || ::fstat(file.fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return Load::CantOpen;
  }
  if (static_cast<std::uint64_t>(info.st_size) > JpegFile::kMaxFileBytes) return Load::TooLarge;
  file.total = static_cast<std::size_t>(info.st_size);
  // Not touched until read, so a block for a large file costs little when most is never read.
  file.data.reset(new (std::nothrow) std::uint8_t[std::max<std::size_t>(file.total, 1)]);
  return file.data ? Load::Ok : Load::OutOfMemory;
}

// Reads on until `want` bytes (or the whole file) are in the block. False on a read error.
bool ReadMore(FileReader& file, std::size_t want) {
  want = std::min(want, file.total);
  while (file.loaded < want) {
    const ssize_t got = ::read(file.fd.get(), file.data.get() + file.loaded, want - file.loaded);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      file.readFailed = true;
      return false;
    }
    if (got == 0) {  // the file shrank meanwhile: decode what is there
      file.total = file.loaded;
      break;
    }
    file.loaded += static_cast<std::size_t>(got);
  }
  return true;
}

// Hands the decoder the file and never lets it read past the end: like libjpeg's own file
// source, a stream that stops early gets a warning and a fake end-of-image marker.
struct MemorySource {
  jpeg_source_mgr pub;  // first, so libjpeg's pointer converts back
  FileReader* file;
  std::size_t offset;  // of the next piece to hand out
};

MemorySource& SourceOf(j_decompress_ptr cinfo) {
  return *reinterpret_cast<MemorySource*>(cinfo->src);
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  static constexpr JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};
  MemorySource& src = SourceOf(cinfo);
  FileReader& file = *src.file;
  if (src.offset >= file.loaded && file.loaded < file.total) {
    // Doubling keeps a large file to a few reads; a recorded picture fits the first.
    const std::size_t want = std::max({src.offset + kSourcePiece, file.loaded * 2, kFirstRead});
    // A read error ends the decode without a box: the file could not be read, it is no codec
    // failure.
    if (!ReadMore(file, want))
      std::longjmp(ErrorsOf(reinterpret_cast<j_common_ptr>(cinfo)).jump, 1);
  }
  if (src.offset < file.loaded) {
    const std::size_t piece = std::min(kSourcePiece, file.loaded - src.offset);
    src.pub.next_input_byte = file.data.get() + src.offset;
    src.pub.bytes_in_buffer = piece;
    src.offset += piece;
    return TRUE;
  }
  if (file.total == 0) ERREXIT(cinfo, JERR_INPUT_EMPTY);
  WARNMS(cinfo, JWRN_JPEG_EOF);
  src.pub.next_input_byte = kFakeEoi;
  src.pub.bytes_in_buffer = sizeof kFakeEoi;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long numBytes) {
  if (numBytes <= 0) return;
  MemorySource& src = SourceOf(cinfo);
  auto skip = static_cast<std::size_t>(numBytes);
  if (skip <= src.pub.bytes_in_buffer) {
    src.pub.next_input_byte += skip;
    src.pub.bytes_in_buffer -= skip;
    return;
  }
  // Past the current piece: move the read position; the next fill reads and hands out what
  // follows, or gives the end-of-file warning.
  skip -= src.pub.bytes_in_buffer;
  src.pub.bytes_in_buffer = 0;
  const std::size_t left = src.file->total > src.offset ? src.file->total - src.offset : 0;
  src.offset += std::min(skip, left);
}

void InstallSource(MemorySource& src, FileReader& file) {
  src.pub.init_source = InitSource;
  src.pub.fill_input_buffer = FillInputBuffer;
  src.pub.skip_input_data = SkipInputData;
  src.pub.resync_to_restart = jpeg_resync_to_restart;
  src.pub.term_source = TermSource;
  src.pub.next_input_byte = nullptr;
  src.pub.bytes_in_buffer = 0;
  src.file = &file;
  src.offset = 0;
}

void LimitScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxScans) return;
  ShowSafely(*ErrorsOf(cinfo).boxes, "JPEG image has more than 500 scans", MessageIcon::Error,
             kFatalTitle);
  std::longjmp(ErrorsOf(cinfo).jump, 1);
}

struct Decoder {
  explicit Decoder(MessageBoxes& boxes) {
    InstallErrorManager(err, boxes, kFatalTitle);
    cinfo.err = &err.pub;
  }
  ~Decoder() { jpeg_destroy_decompress(&cinfo); }  // also fine when never created
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  MemorySource src{};
  jpeg_progress_mgr progress{};
};

std::atomic<JpegFile::GrowthHook> growthHook{nullptr};

// The encoder's output: one block we own that doubles as the stream needs, up to
// kMaxBufferBytes. libjpeg's own memory destination keeps a second pointer to its block and frees
// it behind our back after a fatal error; this one leaves the block to the Encoder alone.
struct GrowingDestination {
  jpeg_destination_mgr pub;  // first, so libjpeg's pointer converts back
  std::unique_ptr<JOCTET, decltype(&std::free)> block{nullptr, &std::free};
  std::size_t capacity = 0;
  std::size_t used = 0;  // set when the stream is finished
};

GrowingDestination& DestinationOf(j_compress_ptr cinfo) {
  return *reinterpret_cast<GrowingDestination*>(cinfo->dest);
}

// Grows the block to `wanted` bytes, or raises the codec's out-of-memory error (never an
// exception through libjpeg's frames).
void Grow(j_compress_ptr cinfo, std::size_t wanted) {
  GrowingDestination& dest = DestinationOf(cinfo);
  const JpegFile::GrowthHook hook = growthHook.load();
  void* grown = nullptr;
  if (wanted <= JpegFile::kMaxBufferBytes && (hook == nullptr || hook(wanted)))
    grown = std::realloc(dest.block.get(), wanted);
  if (grown == nullptr) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
  (void)dest.block.release();  // realloc has taken it over
  dest.block.reset(static_cast<JOCTET*>(grown));
  dest.capacity = wanted;
}

void InitDestination(j_compress_ptr cinfo) {
  GrowingDestination& dest = DestinationOf(cinfo);
  dest.pub.next_output_byte = dest.block.get();
  dest.pub.free_in_buffer = dest.capacity;
}

// Called with the block full: doubles it and hands libjpeg the new half.
boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  GrowingDestination& dest = DestinationOf(cinfo);
  const std::size_t full = dest.capacity;
  // At the cap, Grow refuses; below it, the last step stops at the cap.
  Grow(cinfo, full >= JpegFile::kMaxBufferBytes
                  ? full + 1
                  : std::min<std::size_t>(std::max<std::size_t>(full * 2, 4096),
                                          JpegFile::kMaxBufferBytes));
  dest.pub.next_output_byte = dest.block.get() + full;
  dest.pub.free_in_buffer = dest.capacity - full;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  GrowingDestination& dest = DestinationOf(cinfo);
  dest.used = dest.capacity - dest.pub.free_in_buffer;
}

struct Encoder {
  explicit Encoder(MessageBoxes& boxes) {
    InstallErrorManager(err, boxes, kLibraryTitle);
    cinfo.err = &err.pub;
    dest.pub.init_destination = InitDestination;
    dest.pub.empty_output_buffer = EmptyOutputBuffer;
    dest.pub.term_destination = TermDestination;
  }
  ~Encoder() { jpeg_destroy_compress(&cinfo); }  // the block goes with `dest`
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  GrowingDestination dest;
};

// Picks the codec's smallest output scale (in eighths) that still covers `want`; the scaled
// size is the codec's own rounding, so it is asked rather than computed here.
void ChooseScale(jpeg_decompress_struct& cinfo, const JpegFile::PictureSize& want) {
  for (unsigned eighths = 1; eighths <= 8; ++eighths) {
    cinfo.scale_num = eighths;
    cinfo.scale_denom = 8;
    jpeg_calc_output_dimensions(&cinfo);
    if (cinfo.output_width >= want.width && cinfo.output_height >= want.height) return;
  }
}

// Reads the header and, when `pixels` is given, the picture (reduced to cover `scaledTo` when
// given). False after a fatal error (box shown), a read error (file.readFailed, nothing shown) or
// a refusal (nothing shown), among them a picture of another size than `expected`, refused before
// anything past its header is read. `width` and `height` are the size decoded to.
bool Decode(Decoder& d, FileReader& file, const JpegFile::PictureSize* expected,
            std::uint32_t& width, std::uint32_t& height, std::unique_ptr<std::uint8_t[]>* pixels,
            const JpegFile::PictureSize* scaledTo = nullptr) {
  if (setjmp(d.err.jump) != 0) return false;
  jpeg_create_decompress(&d.cinfo);
  d.cinfo.mem->max_memory_to_use = kMaxCodecMemory;
  InstallSource(d.src, file);
  d.cinfo.src = &d.src.pub;
  d.progress.progress_monitor = LimitScans;
  d.cinfo.progress = &d.progress;

  jpeg_read_header(&d.cinfo, TRUE);
  width = d.cinfo.image_width;
  height = d.cinfo.image_height;
  if (expected != nullptr && (width != expected->width || height != expected->height)) {
    return false;
  }
  if (pixels == nullptr) return true;

  // A reduced decode still walks the whole picture: the same limit as a full one.
  if (width > JpegFile::kMaxSide || height > JpegFile::kMaxSide) return false;
  // libjpeg-turbo expands grey to RGB itself.
  if (d.cinfo.out_color_space == JCS_GRAYSCALE) d.cinfo.out_color_space = JCS_RGB;
  if (scaledTo != nullptr) {
    ChooseScale(d.cinfo, *scaledTo);
  } else {
    jpeg_calc_output_dimensions(&d.cinfo);
  }
  width = d.cinfo.output_width;
  height = d.cinfo.output_height;
  if (d.cinfo.out_color_space != JCS_RGB || d.cinfo.output_components != 3) return false;
  const std::uint64_t rowBytes = std::uint64_t{d.cinfo.output_width} * 3;
  const std::uint64_t bytes = rowBytes * d.cinfo.output_height;
  if (d.cinfo.output_width > JpegFile::kMaxSide || d.cinfo.output_height > JpegFile::kMaxSide ||
      bytes > JpegFile::kMaxBufferBytes) {
    return false;
  }
  pixels->reset(new (std::nothrow) std::uint8_t[bytes]);
  if (!*pixels) {
    ShowSafely(*d.err.boxes, kOutOfMemory, MessageIcon::Error, "");
    return false;
  }

  jpeg_start_decompress(&d.cinfo);
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    JSAMPROW row = pixels->get() + rowBytes * d.cinfo.output_scanline;
    // Our source never suspends, so no progress means a broken stream.
    if (jpeg_read_scanlines(&d.cinfo, &row, 1) != 1) return false;
  }
  jpeg_finish_decompress(&d.cinfo);
  return true;
}

// Builds the whole compressed stream in e.out / e.outSize. False after a fatal error (box shown).
bool Encode(Encoder& e, int quality, const std::uint8_t* rgb, std::uint32_t width,
            std::uint32_t height) {
  if (setjmp(e.err.jump) != 0) return false;
  jpeg_create_compress(&e.cinfo);
  e.cinfo.dest = &e.dest.pub;
  // One byte per pixel holds a camera picture at quality 75 several times over; busier pictures
  // grow the block.
  Grow(&e.cinfo,
       std::clamp<std::uint64_t>(std::uint64_t{width} * height, 4096, JpegFile::kMaxBufferBytes));

  jpeg_compress_struct& c = e.cinfo;
  c.image_width = width;
  c.image_height = height;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  // The defaults already give most of this; it is spelled out because it is the file format.
  jpeg_set_colorspace(&c, JCS_YCbCr);
  constexpr int kIds[3] = {1, 2, 3};
  for (int i = 0; i < 3; ++i) {
    jpeg_component_info& comp = c.comp_info[i];
    comp.component_id = kIds[i];
    comp.h_samp_factor = i == 0 ? 2 : 1;
    comp.v_samp_factor = 1;
    comp.quant_tbl_no = i == 0 ? 0 : 1;
    comp.dc_tbl_no = i == 0 ? 0 : 1;
    comp.ac_tbl_no = i == 0 ? 0 : 1;
  }
  c.write_JFIF_header = TRUE;
  c.JFIF_major_version = 1;
  c.JFIF_minor_version = 1;
  c.density_unit = 0;
  c.X_density = 1;
  c.Y_density = 1;
  c.write_Adobe_marker = FALSE;
  jpeg_set_quality(&c, quality, TRUE);
  c.restart_interval = width / 16;
  c.restart_in_rows = 0;
  c.dct_method = JDCT_ISLOW;
  c.optimize_coding = FALSE;
  c.smoothing_factor = 0;

  jpeg_start_compress(&c, TRUE);
  const std::size_t rowBytes = std::size_t{width} * 3;
  while (c.next_scanline < c.image_height) {
    // libjpeg only reads the row; its interface just lacks the const.
    JSAMPROW row = const_cast<JSAMPLE*>(rgb + rowBytes * c.next_scanline);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  return true;
}

// Byte count of a packed picture, or false when it could not exist in memory.
bool PackedBytes(std::uint64_t rowBytes, std::uint32_t height, std::size_t& bytes) {
  const unsigned __int128 total = static_cast<unsigned __int128>(rowBytes) * height;
  if (total > PTRDIFF_MAX) return false;
  bytes = static_cast<std::size_t>(total);
  return true;
}

}  // namespace

std::unique_ptr<std::uint8_t[]> JpegFile::JpegToRgb(const std::string& path, std::uint32_t& width,
                                                    std::uint32_t& height,
                                                    std::optional<PictureSize> expected) {
  return DecodeFile(path, expected ? &*expected : nullptr, nullptr, width, height);
}

std::unique_ptr<std::uint8_t[]> JpegFile::JpegToRgbScaled(const std::string& path,
                                                          std::uint32_t wantWidth,
                                                          std::uint32_t wantHeight,
                                                          std::uint32_t& width,
                                                          std::uint32_t& height) {
  const PictureSize want{wantWidth, wantHeight};
  return DecodeFile(path, nullptr, &want, width, height);
}

std::unique_ptr<std::uint8_t[]> JpegFile::DecodeFile(const std::string& path,
                                                     const PictureSize* expected,
                                                     const PictureSize* scaledTo,
                                                     std::uint32_t& width, std::uint32_t& height) {
  width = 0;
  height = 0;
  if (path.empty()) return nullptr;
  FileReader file;
  switch (OpenImageFile(path, file)) {
    case Load::Ok:
      break;
    case Load::OutOfMemory:
      ShowSafely(boxes_, kOutOfMemory, MessageIcon::Error, "");
      return nullptr;
    case Load::CantOpen:
    case Load::TooLarge:
      return nullptr;
  }
  std::unique_ptr<std::uint8_t[]> pixels;
  Decoder decoder(boxes_);
  if (!Decode(decoder, file, expected, width, height, &pixels, scaledTo)) return nullptr;
  return pixels;
}

bool JpegFile::ReadJpegSize(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
  const auto cantOpen = [&] {
    const std::string text = "JPEG :\nCan't open " + path + "\n";
    ShowSafely(boxes_, text.c_str(), MessageIcon::None, "");
    return false;
  };
  FileReader file;
  switch (OpenImageFile(path, file)) {
    case Load::Ok:
      break;
    case Load::CantOpen:
      return cantOpen();
    case Load::OutOfMemory:
      ShowSafely(boxes_, kOutOfMemory, MessageIcon::Error, "");
      return false;
    case Load::TooLarge:
      return false;
  }
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  Decoder decoder(boxes_);
  if (!Decode(decoder, file, nullptr, w, h, nullptr)) return file.readFailed ? cantOpen() : false;
  width = w;
  height = h;
  return true;
}

WriteResult JpegFile::WriteJpeg(const std::string& path, int quality, const std::uint8_t* rgb,
                                std::uint32_t width, std::uint32_t height,
                                const WriteOptions& options) {
  if (rgb == nullptr || width == 0 || height == 0) return WriteResult::kFailed;
  if (path.empty()) {
    std::fprintf(stderr, "can't open %s\n", path.c_str());
    return WriteResult::kFailed;
  }
  // Encode first: a codec failure then never touches the file system.
  Encoder encoder(boxes_);
  if (!Encode(encoder, std::clamp(quality, 1, 100), rgb, width, height))
    return WriteResult::kFailed;
  return WriteFileDurably(files_, path, encoder.dest.block.get(), encoder.dest.used, options);
}

void JpegFile::SetOutputGrowthHook(GrowthHook hook) { growthHook.store(hook); }

bool JpegFile::SwapRedBlue(std::uint8_t* buffer, std::uint32_t width, std::uint32_t height) {
  std::size_t bytes = 0;
  if (buffer == nullptr || !PackedBytes(std::uint64_t{width} * 3, height, bytes)) return false;
  for (std::uint8_t* p = buffer; p != buffer + bytes; p += 3) std::swap(p[0], p[2]);
  return true;
}

bool JpegFile::MakeGray(std::uint8_t* buffer, std::uint32_t width, std::uint32_t height) {
  std::size_t bytes = 0;
  if (buffer == nullptr || !PackedBytes(std::uint64_t{width} * 3, height, bytes)) return false;
  for (std::uint8_t* p = buffer; p != buffer + bytes; p += 3) {
    // Double precision and truncation are part of the result: (1, 1, 1) gives 0.
    const double g = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
    p[0] = p[1] = p[2] = static_cast<std::uint8_t>(g);
  }
  return true;
}

std::unique_ptr<std::uint8_t[]> JpegFile::PadRows(const std::uint8_t* buffer, std::uint32_t width,
                                                  std::uint32_t height, std::uint32_t& stride) {
  if (buffer == nullptr) return nullptr;
  const std::uint64_t rowBytes = std::uint64_t{width} * 3;
  const std::uint64_t padded = ((std::uint64_t{width} * 24 + 31) / 32) * 4;
  std::size_t bytes = 0;
  if (!PackedBytes(padded, height, bytes) || bytes > kMaxBufferBytes) return nullptr;
  // Zeroed, so no stale heap bytes travel on in the padding.
  std::unique_ptr<std::uint8_t[]> out(new (std::nothrow) std::uint8_t[bytes]());
  if (!out) return nullptr;
  for (std::uint64_t r = 0; r < height; ++r) {
    std::memcpy(out.get() + r * padded, buffer + r * rowBytes, rowBytes);
  }
  stride = static_cast<std::uint32_t>(padded);
  return out;
}

std::unique_ptr<std::uint8_t[]> JpegFile::UnpadRows(const std::uint8_t* buffer, std::uint32_t width,
                                                    std::uint32_t stride, std::uint32_t height) {
  const std::uint64_t rowBytes = std::uint64_t{width} * 3;
  // A shorter stride would read past the last source row.
  if (buffer == nullptr || stride < rowBytes) return nullptr;
  std::size_t bytes = 0;
  if (!PackedBytes(rowBytes, height, bytes) || bytes > kMaxBufferBytes) return nullptr;
  std::unique_ptr<std::uint8_t[]> out(new (std::nothrow) std::uint8_t[bytes]);
  if (!out) return nullptr;
  for (std::uint64_t r = 0; r < height; ++r) {
    std::memcpy(out.get() + r * rowBytes, buffer + r * stride, rowBytes);
  }
  return out;
}

bool JpegFile::FlipRows(std::uint8_t* buffer, std::uint32_t rowBytes, std::uint32_t height) {
  if (buffer == nullptr) return false;
  // Swapping in place needs no scratch rows, so this cannot run short of memory.
  for (std::uint64_t top = 0, bottom = height; top + 1 < bottom; ++top, --bottom) {
    std::uint8_t* a = buffer + top * rowBytes;
    std::swap_ranges(a, a + rowBytes, buffer + (bottom - 1) * rowBytes);
  }
  return true;
}

}  // namespace tavo
