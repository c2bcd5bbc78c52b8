#pragma once
// The reference AVI file and its data files: RIFF with the OpenDML
// extensions, DV video, REF records and REFI blocks naming data files.
// Readers and writers share these constants and records.
//
// All integers in the file are little-endian. A FOURCC is four bytes in file
// order, handled as one 32-bit value read little-endian ("RIFF" is
// 0x46464952). Every file position is 64-bit.
#include <cstddef>
#include <cstdint>
#include <string>

namespace mendora {

// ---------------------------------------------------------------------------
// FOURCCs

constexpr uint32_t MakeFourcc(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
         static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}
constexpr uint32_t MakeFourcc(const char (&text)[5]) {
  return MakeFourcc(text[0], text[1], text[2], text[3]);
}

// Named after their text; a trailing blank is written '_'.
namespace fcc {
// Top level and lists.
constexpr uint32_t RIFF = MakeFourcc("RIFF");
constexpr uint32_t LIST = MakeFourcc("LIST");
constexpr uint32_t AVI_ = MakeFourcc("AVI ");  // form type of the first RIFF
constexpr uint32_t AVIX = MakeFourcc("AVIX");  // OpenDML continuation RIFF
constexpr uint32_t WAVE = MakeFourcc("WAVE");  // accepted and walked like AVI
constexpr uint32_t hdrl = MakeFourcc("hdrl");
constexpr uint32_t strl = MakeFourcc("strl");
constexpr uint32_t odml = MakeFourcc("odml");
constexpr uint32_t movi = MakeFourcc("movi");
constexpr uint32_t INFO = MakeFourcc("INFO");
constexpr uint32_t Cdat = MakeFourcc("Cdat");
constexpr uint32_t Tdat = MakeFourcc("Tdat");
constexpr uint32_t rec_ = MakeFourcc("rec ");
// Chunks.
constexpr uint32_t avih = MakeFourcc("avih");
constexpr uint32_t strh = MakeFourcc("strh");
constexpr uint32_t strf = MakeFourcc("strf");
constexpr uint32_t indx = MakeFourcc("indx");
constexpr uint32_t dmlh = MakeFourcc("dmlh");
constexpr uint32_t JUNK = MakeFourcc("JUNK");
constexpr uint32_t idx1 = MakeFourcc("idx1");
// Stream types and handlers.
constexpr uint32_t vids = MakeFourcc("vids");
constexpr uint32_t auds = MakeFourcc("auds");
constexpr uint32_t dvsd = MakeFourcc("dvsd");
constexpr uint32_t DVSD = MakeFourcc("DVSD");
constexpr uint32_t dsvd = MakeFourcc("dsvd");
constexpr uint32_t kzvq = MakeFourcc("kzvq");  // reference AVI video handler
constexpr uint32_t KZVQ = MakeFourcc("KZVQ");
// Frame chunks and index chunks.
constexpr uint32_t id00db = MakeFourcc("00db");
constexpr uint32_t id00dc = MakeFourcc("00dc");
constexpr uint32_t id01wb = MakeFourcc("01wb");
constexpr uint32_t id00wb = MakeFourcc("00wb");
constexpr uint32_t ix00 = MakeFourcc("ix00");
constexpr uint32_t ix01 = MakeFourcc("ix01");
constexpr uint32_t id7Fxx = MakeFourcc("7Fxx");  // idx1 entry of a group of index blocks
// Records inside chunks.
constexpr uint32_t REF_ = MakeFourcc("REF ");  // 0x20464552
constexpr uint32_t REFI = MakeFourcc("REFI");  // 0x49464552
}  // namespace fcc

// The FOURCC as four characters; a byte that is not printable (outside
// 0x20..0x7E) becomes a blank.
std::string FourccText(uint32_t fourcc);

// The n-th character (0..3) of a FOURCC in file order.
constexpr char FourccChar(uint32_t fourcc, int n) {
  return static_cast<char>((fourcc >> (8 * n)) & 0xFF);
}

// ---------------------------------------------------------------------------
// Little-endian access to record bytes. Callers check the length first.

inline uint16_t LoadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t LoadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t LoadU64(const uint8_t* p) {
  return static_cast<uint64_t>(LoadU32(p)) | static_cast<uint64_t>(LoadU32(p + 4)) << 32;
}
inline void StoreU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void StoreU64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// ---------------------------------------------------------------------------
// Chunks

// 8-byte chunk header: id, then the data size (not counting the header).
struct ChunkHeader {
  static constexpr size_t kSize = 8;
  uint32_t id = 0;
  uint32_t size = 0;
};

// Size of a LIST or RIFF list type (form type), the first 4 data bytes.
constexpr size_t kListTypeSize = 4;

// The lists the readers descend into: RIFF "AVI ", "AVIX" and "WAVE", and
// LIST "hdrl", "strl", "odml", "INFO", "Cdat" and "Tdat". Every other list
// is skipped whole (LIST "movi" has a walk of its own); a RIFF of another
// form is no AVI.
constexpr bool IsWalkedList(uint32_t id, uint32_t type) {
  if (id == fcc::RIFF) return type == fcc::AVI_ || type == fcc::AVIX || type == fcc::WAVE;
  return id == fcc::LIST && (type == fcc::hdrl || type == fcc::strl || type == fcc::odml || type == fcc::INFO ||
                             type == fcc::Cdat || type == fcc::Tdat);
}
// Lists nested deeper than this below a RIFF are refused: a crafted file
// could otherwise nest them until the stack runs out.
constexpr int kMaxListDepth = 16;

// The chunk's data size rounded up to even: the next chunk starts at the data
// start plus this. Kept in 64 bits so that a size of 0xFFFFFFFF rounds up to
// 2^32 instead of wrapping to 0 (which would re-read the data as chunks).
constexpr uint64_t RoundedSize(uint32_t size) {
  return (static_cast<uint64_t>(size) + 1) & ~static_cast<uint64_t>(1);
}

// ---------------------------------------------------------------------------
// Main header "avih" (AVIMAINHEADER), 56 data bytes.

constexpr uint32_t AVIF_HASINDEX = 0x00000010;
constexpr uint32_t AVIF_WASCAPTUREFILE = 0x00010000;  // enables whole-file mode

struct AviMainHeader {
  static constexpr size_t kSize = 56;
  static constexpr size_t kOffMicroSecPerFrame = 0;
  static constexpr size_t kOffFlags = 12;
  static constexpr size_t kOffTotalFrames = 16;
  static constexpr size_t kOffStreams = 24;
  static constexpr size_t kOffSuggestedBufferSize = 28;
  static constexpr size_t kOffWidth = 32;
  static constexpr size_t kOffHeight = 36;

  uint32_t dwMicroSecPerFrame = 0;
  uint32_t dwMaxBytesPerSec = 0;
  uint32_t dwPaddingGranularity = 0;
  uint32_t dwFlags = 0;
  uint32_t dwTotalFrames = 0;
  uint32_t dwInitialFrames = 0;
  uint32_t dwStreams = 0;
  uint32_t dwSuggestedBufferSize = 0;
  uint32_t dwWidth = 0;
  uint32_t dwHeight = 0;
  uint32_t dwReserved[4] = {0, 0, 0, 0};

  // False when fewer than kSize bytes are given.
  static bool Decode(const uint8_t* data, size_t size, AviMainHeader* out);
  void Encode(uint8_t* out) const;  // kSize bytes
};

// At most a video and an audio stream.
constexpr uint32_t kMaxStreams = 2;

// ---------------------------------------------------------------------------
// Stream header "strh" (AVISTREAMHEADER), 56 data bytes.

struct AviStreamHeader {
  static constexpr size_t kSize = 56;
  static constexpr size_t kOffType = 0;
  static constexpr size_t kOffHandler = 4;
  static constexpr size_t kOffScale = 20;
  static constexpr size_t kOffRate = 24;
  static constexpr size_t kOffLength = 32;
  static constexpr size_t kOffSuggestedBufferSize = 36;
  static constexpr size_t kOffSampleSize = 44;

  uint32_t fccType = 0;
  uint32_t fccHandler = 0;
  uint32_t dwFlags = 0;
  uint16_t wPriority = 0;
  uint16_t wLanguage = 0;
  uint32_t dwInitialFrames = 0;
  uint32_t dwScale = 0;
  uint32_t dwRate = 0;
  uint32_t dwStart = 0;
  uint32_t dwLength = 0;
  uint32_t dwSuggestedBufferSize = 0;
  uint32_t dwQuality = 0;
  uint32_t dwSampleSize = 0;
  int16_t rcFrame[4] = {0, 0, 0, 0};  // left, top, right, bottom

  static bool Decode(const uint8_t* data, size_t size, AviStreamHeader* out);
  void Encode(uint8_t* out) const;
};

// ---------------------------------------------------------------------------
// Video format ("strf" after "vids"; BITMAPINFOHEADER), at least 40 bytes.

struct BitmapInfoHeader {
  static constexpr size_t kSize = 40;
  static constexpr size_t kOffWidth = 4;
  static constexpr size_t kOffHeight = 8;
  static constexpr size_t kOffPlanes = 12;
  static constexpr size_t kOffBitCount = 14;
  static constexpr size_t kOffCompression = 16;

  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;

  static bool Decode(const uint8_t* data, size_t size, BitmapInfoHeader* out);
  void Encode(uint8_t* out) const;
};

constexpr uint16_t kDvPlanes = 1;
constexpr uint16_t kDvBitCount = 24;

// ---------------------------------------------------------------------------
// Audio format ("strf" after "auds"; WAVEFORMATEX). At least 14 bytes are
// required; the rest is kept as it stands.

struct WaveFormatEx {
  static constexpr size_t kMinSize = 14;
  static constexpr size_t kSize = 18;  // with cbSize
  static constexpr size_t kOffChannels = 2;
  static constexpr size_t kOffSamplesPerSec = 4;
  static constexpr size_t kOffBitsPerSample = 14;

  uint16_t wFormatTag = 0;
  uint16_t nChannels = 0;
  uint32_t nSamplesPerSec = 0;
  uint32_t nAvgBytesPerSec = 0;
  uint16_t nBlockAlign = 0;
  uint16_t wBitsPerSample = 0;  // 0 when only 14 bytes were given
  uint16_t cbSize = 0;          // 0 when fewer than 18 bytes were given

  static bool Decode(const uint8_t* data, size_t size, WaveFormatEx* out);
  void Encode(uint8_t* out) const;  // kSize bytes
};

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// Bytes per block of PCM audio (one sample of every channel).
constexpr uint32_t AudioBlockSize(uint16_t channels, uint16_t bits_per_sample) {
  return static_cast<uint32_t>(channels) * bits_per_sample / 8;
}

// ---------------------------------------------------------------------------
// OpenDML header "dmlh": 248 data bytes, dwTotalFrames then zeros.

constexpr size_t kDmlhDataSize = 248;
constexpr size_t kDmlhOffTotalFrames = 0;

// ---------------------------------------------------------------------------
// Views over header data kept in memory: the fields by name, read and
// written in place. A field the bytes do not hold reads 0 and is not
// written, so a short header never leads to an access past its buffer.

class HeaderBytes {
 public:
  HeaderBytes() = default;
  HeaderBytes(uint8_t* data, size_t size) : data_(data), size_(size) {}

 protected:
  uint32_t U32(size_t at) const { return Holds(at, 4) ? LoadU32(data_ + at) : 0; }
  uint16_t U16(size_t at) const { return Holds(at, 2) ? LoadU16(data_ + at) : 0; }
  void SetU32(size_t at, uint32_t value) {
    if (Holds(at, 4)) StoreU32(data_ + at, value);
  }

 private:
  bool Holds(size_t at, size_t n) const { return data_ != nullptr && size_ >= at + n; }
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// "avih" data.
class MainHeaderView : public HeaderBytes {
 public:
  using HeaderBytes::HeaderBytes;
  uint32_t MicroSecPerFrame() const { return U32(AviMainHeader::kOffMicroSecPerFrame); }
  uint32_t Flags() const { return U32(AviMainHeader::kOffFlags); }
  void SetFlags(uint32_t value) { SetU32(AviMainHeader::kOffFlags, value); }
  uint32_t TotalFrames() const { return U32(AviMainHeader::kOffTotalFrames); }
  void SetTotalFrames(uint32_t value) { SetU32(AviMainHeader::kOffTotalFrames, value); }
  void SetSuggestedBufferSize(uint32_t value) { SetU32(AviMainHeader::kOffSuggestedBufferSize, value); }
  uint32_t Height() const { return U32(AviMainHeader::kOffHeight); }
};

// "strh" data.
class StreamHeaderView : public HeaderBytes {
 public:
  using HeaderBytes::HeaderBytes;
  uint32_t Type() const { return U32(AviStreamHeader::kOffType); }
  uint32_t Scale() const { return U32(AviStreamHeader::kOffScale); }
  uint32_t Rate() const { return U32(AviStreamHeader::kOffRate); }
  void SetSuggestedBufferSize(uint32_t value) { SetU32(AviStreamHeader::kOffSuggestedBufferSize, value); }
  uint32_t SampleSize() const { return U32(AviStreamHeader::kOffSampleSize); }
  void SetSampleSize(uint32_t value) { SetU32(AviStreamHeader::kOffSampleSize, value); }
};

// Video "strf" data.
class BitmapInfoView : public HeaderBytes {
 public:
  using HeaderBytes::HeaderBytes;
  uint32_t Compression() const { return U32(BitmapInfoHeader::kOffCompression); }
};

// Audio "strf" data.
class WaveFormatView : public HeaderBytes {
 public:
  using HeaderBytes::HeaderBytes;
  uint16_t Channels() const { return U16(WaveFormatEx::kOffChannels); }
  uint32_t SamplesPerSec() const { return U32(WaveFormatEx::kOffSamplesPerSec); }
  uint16_t BitsPerSample() const { return U16(WaveFormatEx::kOffBitsPerSample); }
  uint32_t BlockSize() const { return AudioBlockSize(Channels(), BitsPerSample()); }
};

// ---------------------------------------------------------------------------
// Legacy index "idx1" (AVIOLDINDEX): 16-byte entries, count = size div 16.

constexpr uint32_t AVIIF_KEYFRAME = 0x00000010;

struct AviOldIndexEntry {
  static constexpr size_t kSize = 16;
  static constexpr size_t kOffChunkLength = 12;
  uint32_t ckid = 0;
  uint32_t dwFlags = 0;
  uint32_t dwChunkOffset = 0;  // relative to the "movi" list type, or absolute
  uint32_t dwChunkLength = 0;  // bit 31 is not part of the length

  // kSize bytes. Inline: the walk decodes one for every frame.
  static AviOldIndexEntry Decode(const uint8_t* data) {
    return {LoadU32(data), LoadU32(data + 4), LoadU32(data + 8), LoadU32(data + 12)};
  }
  void Encode(uint8_t* out) const;
};

// Above 4 GiB idx1 offsets cannot be absolute.
constexpr uint64_t kIdx1AbsoluteLimit = 0x100000000ull;

// ---------------------------------------------------------------------------
// OpenDML indexes.

constexpr uint8_t AVI_INDEX_OF_INDEXES = 0x00;
constexpr uint8_t AVI_INDEX_OF_CHUNKS = 0x01;
// In a standard index entry's dwSize: the frame is not a key frame.
constexpr uint32_t AVISTDINDEX_DELTAFRAME = 0x80000000u;
constexpr uint32_t kSizeMask = 0x7FFFFFFFu;  // size without bit 31

// Super index "indx" (AVISUPERINDEX). Offsets from the start of the data.
struct AviSuperIndexHeader {
  static constexpr size_t kSize = 24;  // entries follow
  static constexpr size_t kOffEntriesInUse = 4;
  static constexpr size_t kOffChunkId = 8;
  // The same places counted from the chunk header, for an "indx" kept whole.
  static constexpr size_t kChunkOffEntriesInUse = ChunkHeader::kSize + kOffEntriesInUse;
  static constexpr size_t kChunkOffChunkId = ChunkHeader::kSize + kOffChunkId;
  static constexpr size_t kChunkOffEntries = ChunkHeader::kSize + kSize;

  uint16_t wLongsPerEntry = 4;
  uint8_t bIndexSubType = 0;
  uint8_t bIndexType = AVI_INDEX_OF_INDEXES;
  uint32_t nEntriesInUse = 0;
  uint32_t dwChunkId = 0;
  uint32_t dwReserved[3] = {0, 0, 0};

  static bool Decode(const uint8_t* data, size_t size, AviSuperIndexHeader* out);
  void Encode(uint8_t* out) const;
};

struct AviSuperIndexEntry {
  static constexpr size_t kSize = 16;
  static constexpr size_t kOffSize = 8;
  static constexpr size_t kOffDuration = 12;
  uint64_t qwOffset = 0;    // position of a standard index chunk (its header)
  uint32_t dwSize = 0;      // size of that chunk including its 8-byte header
  uint32_t dwDuration = 0;  // not used by readers

  static AviSuperIndexEntry Decode(const uint8_t* data);
  void Encode(uint8_t* out) const;
};

// Standard index chunk "ix##" (AVISTDINDEX). The offsets count from the
// chunk header (fcc and cb included), as the chunk is read whole.
struct AviStdIndexHeader {
  static constexpr size_t kSize = 32;  // header of the chunk included; entries follow
  static constexpr size_t kOffEntriesInUse = 12;
  static constexpr size_t kOffChunkId = 16;
  static constexpr size_t kOffBaseOffset = 20;

  uint32_t fcc = 0;
  uint32_t cb = 0;
  uint16_t wLongsPerEntry = 2;
  uint8_t bIndexSubType = 0;
  uint8_t bIndexType = AVI_INDEX_OF_CHUNKS;
  uint32_t nEntriesInUse = 0;
  uint32_t dwChunkId = 0;
  uint64_t qwBaseOffset = 0;
  uint32_t dwReserved3 = 0;

  static bool Decode(const uint8_t* chunk, size_t size, AviStdIndexHeader* out);
  void Encode(uint8_t* out) const;
};

struct AviStdIndexEntry {
  static constexpr size_t kSize = 8;
  uint32_t dwOffset = 0;  // frame data relative to qwBaseOffset
  uint32_t dwSize = 0;    // bit 31: not a key frame

  static AviStdIndexEntry Decode(const uint8_t* data) { return {LoadU32(data), LoadU32(data + 4)}; }
  void Encode(uint8_t* out) const;
};

// The "ix##" id of stream `n` (0..99).
constexpr uint32_t StdIndexChunkId(int n) {
  return MakeFourcc('i', 'x', static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10));
}

// ---------------------------------------------------------------------------
// Frame chunk ids: two decimal digits (the stream number), then the kind.

constexpr char kKindVideo = 'd';
constexpr char kKindAudio = 'w';

// The third character decides the kind of a frame chunk.
constexpr char ChunkKind(uint32_t id) { return FourccChar(id, 2); }
// The stream number as the readers compute it; not a stream when the first
// two characters are not digits (the result then names no stream).
constexpr int ChunkStreamNumber(uint32_t id) {
  return (FourccChar(id, 0) - '0') * 10 + (FourccChar(id, 1) - '0');
}
// Two decimal digits first: a chunk of a stream (frame, sound or other).
constexpr bool IsStreamChunkId(uint32_t id) {
  return FourccChar(id, 0) >= '0' && FourccChar(id, 0) <= '9' && FourccChar(id, 1) >= '0' &&
         FourccChar(id, 1) <= '9';
}
// Two decimal digits followed by "db": the first chunk of a plain data file.
constexpr bool IsDataFrameChunkId(uint32_t id) {
  return IsStreamChunkId(id) && FourccChar(id, 2) == 'd' && FourccChar(id, 3) == 'b';
}
// "##db" or "##dc": a video frame, uncompressed or compressed.
constexpr bool IsVideoFrameChunkId(uint32_t id) {
  return IsStreamChunkId(id) && FourccChar(id, 2) == 'd' && (FourccChar(id, 3) == 'b' || FourccChar(id, 3) == 'c');
}
// "ix##": a standard index chunk of the OpenDML extensions.
constexpr bool IsStdIndexChunkId(uint32_t id) { return FourccChar(id, 0) == 'i' && FourccChar(id, 1) == 'x'; }
// The id of a frame chunk of stream n: "##db" (video) or "##wb" (audio).
constexpr uint32_t FrameChunkId(int n, char kind) {
  return MakeFourcc(static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10), kind, 'b');
}

// ---------------------------------------------------------------------------
// REF record: the data of a reference chunk.
//   0 "REF ", 4 offset of the frame's chunk header in the data file,
//   8 kept word (carried over unchanged), 12 path length L,
//   16 path, NUL-terminated, zero-padded to RefPathFieldSize(L) bytes.

struct RefRecordLayout {
  static constexpr size_t kOffId = 0;
  static constexpr size_t kOffOffset = 4;
  static constexpr size_t kOffKept = 8;
  static constexpr size_t kOffPathLength = 12;
  static constexpr size_t kOffPath = 16;
  static constexpr size_t kHeaderSize = 16;
};

// A path buffer of the program holds 259 characters and the NUL.
constexpr size_t kMaxRefPath = 260;
// The largest REF record: 16 bytes of header and 260 of path.
constexpr uint32_t kMaxRefRecordSize = 276;

// The path field of a REF record with path length L: 4 × (L div 4 + 1) bytes.
// 64-bit, since L is read from the file.
constexpr uint64_t RefPathFieldSize(uint32_t path_length) {
  return 4 * (static_cast<uint64_t>(path_length) / 4 + 1);
}

// A video index entry whose size is in 1..276 names a reference chunk when
// the file's video handler is "kzvq" or "KZVQ".
constexpr bool IsReferenceHandler(uint32_t handler) {
  return handler == fcc::kzvq || handler == fcc::KZVQ;
}
constexpr bool IsReferenceChunkSize(uint32_t size) {
  return size >= 1 && size <= kMaxRefRecordSize;
}

// ---------------------------------------------------------------------------
// REFI block: the data of a "JUNK" chunk beginning with "REFI".
//   0 "REFI", 4 path length L (at most 260), 8 path (L bytes, NUL within),
//   8+L count N, 12+L N 32-bit frame positions in the data file.

struct RefiBlockLayout {
  static constexpr size_t kOffId = 0;
  static constexpr size_t kOffPathLength = 4;
  static constexpr size_t kOffPath = 8;
};
constexpr uint32_t kMaxRefiPath = 260;

// ---------------------------------------------------------------------------
// Whole-file mode (avih dwFlags has AVIF_WASCAPTUREFILE): a REF record at
// offset 0 whose path is longer than 4 characters and whose extension does
// not begin with 'a' or 'A' names a plain sequence of equal frame chunks.

constexpr uint32_t kDvFrameSize525 = 120000;  // 525-line (480-line) DV frame
constexpr uint32_t kDvFrameSize625 = 144000;  // 625-line (576-line) DV frame
constexpr uint64_t kWholeFileStep525 = kDvFrameSize525 + ChunkHeader::kSize;  // 120008
constexpr uint64_t kWholeFileStep625 = kDvFrameSize625 + ChunkHeader::kSize;  // 144008

// The DV frame size for avih dwHeight: 480 lines are the 525-line system,
// anything else is taken for the 625-line one.
constexpr uint32_t DvFrameSize(uint32_t height) { return height == 480 ? kDvFrameSize525 : kDvFrameSize625; }
// The frame step of a whole data file for avih dwHeight.
constexpr uint64_t WholeFileStep(uint32_t height) { return DvFrameSize(height) + ChunkHeader::kSize; }
// True when the path may name a whole data file (the character three places
// before the end, the first letter of a three-letter extension, is not 'a').
bool IsWholeFilePath(const std::string& path);

// ---------------------------------------------------------------------------
// DV acceptance.

// 720 x 480, 720 x 576, 856 x 480 or 1024 x 576.
constexpr bool IsDvGeometry(int64_t width, int64_t height) {
  return (width == 720 && height == 480) || (width == 720 && height == 576) ||
         (width == 856 && height == 480) || (width == 1024 && height == 576);
}
// fccHandler of a "vids" stream header: a DV handler or zero.
constexpr bool IsDvStreamHandler(uint32_t handler) {
  return handler == fcc::dvsd || handler == fcc::DVSD || handler == fcc::dsvd ||
         handler == fcc::kzvq || handler == fcc::KZVQ || handler == 0;
}
// biCompression of the video format.
constexpr bool IsDvCompression(uint32_t compression) {
  return compression == fcc::dvsd || compression == fcc::DVSD || compression == fcc::kzvq ||
         compression == fcc::KZVQ;
}
// The quick DV check: the first stream header's fccHandler as text equals
// "kzvq" or "dvsd", letter case ignored.
bool IsDvHandlerText(uint32_t handler);

// ---------------------------------------------------------------------------
// The layout as written by the rewriting step.

// LIST "movi" headers start 12 bytes past a multiple of 512.
constexpr uint32_t kMoviAlignment = 512;
constexpr uint32_t kMoviAlignmentOffset = 12;
// Pad before a LIST "movi" when the file is `end` bytes long up to there,
// in 32-bit arithmetic. A pad above 8 becomes a "JUNK" chunk of data size
// pad - 8; a pad of 1 to 8 is not written.
constexpr uint32_t MoviPadSize(uint64_t end) {
  return kMoviAlignment - ((static_cast<uint32_t>(end) - kMoviAlignmentOffset) % kMoviAlignment);
}

// OpenDML index blocks: one standard index chunk per 16384-byte block.
constexpr uint32_t kIndexBlockSize = 16384;
constexpr uint32_t kIndexChunkDataSize = kIndexBlockSize - ChunkHeader::kSize;  // 16376
constexpr uint32_t kStdIndexMaxEntries = 2044;
constexpr uint32_t kSuperIndexMaxEntries = 1022;

// A RIFF may not pass this size; above it a continuation RIFF "AVIX" starts.
constexpr uint64_t kRiffSizeLimit = 0x7FFFFFFF;

}  // namespace mendora
