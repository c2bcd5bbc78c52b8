#include "refavi/Layout.h"

#include <cstring>

namespace mendora {

std::string FourccText(uint32_t fourcc) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; ++i) {
    const char c = FourccChar(fourcc, i);
    if (c >= 0x20 && c <= 0x7E) text[static_cast<size_t>(i)] = c;
  }
  return text;
}

bool IsDvHandlerText(uint32_t handler) {
  std::string text = FourccText(handler);
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text == "kzvq" || text == "dvsd";
}

bool IsWholeFilePath(const std::string& path) {
  const size_t length = std::strlen(path.c_str());  // the path ends at its NUL
  if (length <= 4) return false;
  const char c = path[length - 3];
  return c != 'a' && c != 'A';
}

bool AviMainHeader::Decode(const uint8_t* d, size_t size, AviMainHeader* out) {
  if (size < kSize) return false;
  uint32_t* fields[] = {&out->dwMicroSecPerFrame, &out->dwMaxBytesPerSec, &out->dwPaddingGranularity,
                        &out->dwFlags, &out->dwTotalFrames, &out->dwInitialFrames, &out->dwStreams,
                        &out->dwSuggestedBufferSize, &out->dwWidth, &out->dwHeight,
                        &out->dwReserved[0], &out->dwReserved[1], &out->dwReserved[2], &out->dwReserved[3]};
  for (size_t i = 0; i < 14; ++i) *fields[i] = LoadU32(d + 4 * i);
  return true;
}

void AviMainHeader::Encode(uint8_t* d) const {
  const uint32_t fields[] = {dwMicroSecPerFrame, dwMaxBytesPerSec, dwPaddingGranularity, dwFlags,
                             dwTotalFrames, dwInitialFrames, dwStreams, dwSuggestedBufferSize,
                             dwWidth, dwHeight, dwReserved[0], dwReserved[1], dwReserved[2], dwReserved[3]};
  for (size_t i = 0; i < 14; ++i) StoreU32(d + 4 * i, fields[i]);
}

bool AviStreamHeader::Decode(const uint8_t* d, size_t size, AviStreamHeader* out) {
  if (size < kSize) return false;
  out->fccType = LoadU32(d + 0);
  out->fccHandler = LoadU32(d + 4);
  out->dwFlags = LoadU32(d + 8);
  out->wPriority = LoadU16(d + 12);
  out->wLanguage = LoadU16(d + 14);
  out->dwInitialFrames = LoadU32(d + 16);
  out->dwScale = LoadU32(d + 20);
  out->dwRate = LoadU32(d + 24);
  out->dwStart = LoadU32(d + 28);
  out->dwLength = LoadU32(d + 32);
  out->dwSuggestedBufferSize = LoadU32(d + 36);
  out->dwQuality = LoadU32(d + 40);
  out->dwSampleSize = LoadU32(d + 44);
  for (int i = 0; i < 4; ++i) out->rcFrame[i] = static_cast<int16_t>(LoadU16(d + 48 + 2 * i));
  return true;
}

void AviStreamHeader::Encode(uint8_t* d) const {
  StoreU32(d + 0, fccType);
  StoreU32(d + 4, fccHandler);
  StoreU32(d + 8, dwFlags);
  StoreU16(d + 12, wPriority);
  StoreU16(d + 14, wLanguage);
  StoreU32(d + 16, dwInitialFrames);
  StoreU32(d + 20, dwScale);
  StoreU32(d + 24, dwRate);
  StoreU32(d + 28, dwStart);
  StoreU32(d + 32, dwLength);
  StoreU32(d + 36, dwSuggestedBufferSize);
  StoreU32(d + 40, dwQuality);
  StoreU32(d + 44, dwSampleSize);
  for (int i = 0; i < 4; ++i) StoreU16(d + 48 + 2 * i, static_cast<uint16_t>(rcFrame[i]));
}

bool BitmapInfoHeader::Decode(const uint8_t* d, size_t size, BitmapInfoHeader* out) {
  if (size < kSize) return false;
  out->biSize = LoadU32(d + 0);
  out->biWidth = static_cast<int32_t>(LoadU32(d + 4));
  out->biHeight = static_cast<int32_t>(LoadU32(d + 8));
  out->biPlanes = LoadU16(d + 12);
  out->biBitCount = LoadU16(d + 14);
  out->biCompression = LoadU32(d + 16);
  out->biSizeImage = LoadU32(d + 20);
  out->biXPelsPerMeter = static_cast<int32_t>(LoadU32(d + 24));
  out->biYPelsPerMeter = static_cast<int32_t>(LoadU32(d + 28));
  out->biClrUsed = LoadU32(d + 32);
  out->biClrImportant = LoadU32(d + 36);
  return true;
}

void BitmapInfoHeader::Encode(uint8_t* d) const {
  StoreU32(d + 0, biSize);
  StoreU32(d + 4, static_cast<uint32_t>(biWidth));
  StoreU32(d + 8, static_cast<uint32_t>(biHeight));
  StoreU16(d + 12, biPlanes);
  StoreU16(d + 14, biBitCount);
  StoreU32(d + 16, biCompression);
  StoreU32(d + 20, biSizeImage);
  StoreU32(d + 24, static_cast<uint32_t>(biXPelsPerMeter));
  StoreU32(d + 28, static_cast<uint32_t>(biYPelsPerMeter));
  StoreU32(d + 32, biClrUsed);
  StoreU32(d + 36, biClrImportant);
}

bool WaveFormatEx::Decode(const uint8_t* d, size_t size, WaveFormatEx* out) {
  if (size < kMinSize) return false;
  out->wFormatTag = LoadU16(d + 0);
  out->nChannels = LoadU16(d + 2);
  out->nSamplesPerSec = LoadU32(d + 4);
  out->nAvgBytesPerSec = LoadU32(d + 8);
  out->nBlockAlign = LoadU16(d + 12);
  out->wBitsPerSample = size >= 16 ? LoadU16(d + 14) : 0;
  out->cbSize = size >= 18 ? LoadU16(d + 16) : 0;
  return true;
}

void WaveFormatEx::Encode(uint8_t* d) const {
  StoreU16(d + 0, wFormatTag);
  StoreU16(d + 2, nChannels);
  StoreU32(d + 4, nSamplesPerSec);
  StoreU32(d + 8, nAvgBytesPerSec);
  StoreU16(d + 12, nBlockAlign);
  StoreU16(d + 14, wBitsPerSample);
  StoreU16(d + 16, cbSize);
}

void AviOldIndexEntry::Encode(uint8_t* d) const {
  StoreU32(d + 0, ckid);
  StoreU32(d + 4, dwFlags);
  StoreU32(d + 8, dwChunkOffset);
  StoreU32(d + 12, dwChunkLength);
}

bool AviSuperIndexHeader::Decode(const uint8_t* d, size_t size, AviSuperIndexHeader* out) {
  if (size < kSize) return false;
  out->wLongsPerEntry = LoadU16(d + 0);
  out->bIndexSubType = d[2];
  out->bIndexType = d[3];
  out->nEntriesInUse = LoadU32(d + 4);
  out->dwChunkId = LoadU32(d + 8);
  for (int i = 0; i < 3; ++i) out->dwReserved[i] = LoadU32(d + 12 + 4 * i);
  return true;
}

void AviSuperIndexHeader::Encode(uint8_t* d) const {
  StoreU16(d + 0, wLongsPerEntry);
  d[2] = bIndexSubType;
  d[3] = bIndexType;
  StoreU32(d + 4, nEntriesInUse);
  StoreU32(d + 8, dwChunkId);
  for (int i = 0; i < 3; ++i) StoreU32(d + 12 + 4 * i, dwReserved[i]);
}

AviSuperIndexEntry AviSuperIndexEntry::Decode(const uint8_t* d) {
  AviSuperIndexEntry e;
  e.qwOffset = LoadU64(d + 0);
  e.dwSize = LoadU32(d + 8);
  e.dwDuration = LoadU32(d + 12);
  return e;
}

void AviSuperIndexEntry::Encode(uint8_t* d) const {
  StoreU64(d + 0, qwOffset);
  StoreU32(d + 8, dwSize);
  StoreU32(d + 12, dwDuration);
}

bool AviStdIndexHeader::Decode(const uint8_t* d, size_t size, AviStdIndexHeader* out) {
  if (size < kSize) return false;
  out->fcc = LoadU32(d + 0);
  out->cb = LoadU32(d + 4);
  out->wLongsPerEntry = LoadU16(d + 8);
  out->bIndexSubType = d[10];
  out->bIndexType = d[11];
  out->nEntriesInUse = LoadU32(d + 12);
  out->dwChunkId = LoadU32(d + 16);
  out->qwBaseOffset = LoadU64(d + 20);
  out->dwReserved3 = LoadU32(d + 28);
  return true;
}

void AviStdIndexHeader::Encode(uint8_t* d) const {
  StoreU32(d + 0, fcc);
  StoreU32(d + 4, cb);
  StoreU16(d + 8, wLongsPerEntry);
  d[10] = bIndexSubType;
  d[11] = bIndexType;
  StoreU32(d + 12, nEntriesInUse);
  StoreU32(d + 16, dwChunkId);
  StoreU64(d + 20, qwBaseOffset);
  StoreU32(d + 28, dwReserved3);
}

void AviStdIndexEntry::Encode(uint8_t* d) const {
  StoreU32(d + 0, dwOffset);
  StoreU32(d + 4, dwSize);
}

}  // namespace mendora
