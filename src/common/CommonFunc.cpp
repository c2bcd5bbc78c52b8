#include "common/CommonFunc.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "common/Types.h"
#include "platform/fs.h"
#include "platform/last_error.h"
#include "platform/settings_store.h"

namespace mendora {
namespace {

// A value that cannot be read (missing, too large, not a string) counts as
// missing. A value stored with its terminator ends at the first NUL.
bool ReadValue(SettingsStore& store, const char* name, size_t capacity, std::string* text) {
  std::string data;
  if (store.Query(name, capacity, &data) != ValueRead::kOk) return false;
  const size_t nul = data.find('\0');
  *text = nul == std::string::npos ? data : data.substr(0, nul);
  return true;
}

// "%d": optional blanks, an optional sign and at least one digit; what
// follows the digits is ignored. Values beyond int are clamped.
bool ParseDecimal(const std::string& text, int* value) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  long long number = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
    number = std::min<long long>(number * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
  if (negative) number = -number;
  *value = static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, number)));
  return true;
}

int ParseOrOne(const std::string& text) {
  int value = 1;
  return ParseDecimal(text, &value) ? value : 1;
}

}  // namespace

std::string EncodeDriveMask(uint32_t mask) {
  std::string text(26, '0');
  for (int i = 0; i < 26; ++i) {
    const int bit = 25 - i;
    if (mask & (1u << bit)) text[i] = static_cast<char>('A' + bit);
  }
  return text;
}

uint32_t DecodeDriveString(const std::string& text) {
  uint32_t mask = 0;
  for (size_t i = 0; i < 26 && i < text.size() && text[i] != '\0'; ++i)
    if (text[i] != '0') mask |= 1u << (25 - i);
  return mask;
}

CommonFunc::CommonFunc(SettingsStore& store, FileSystem& fs, MessageSink* messages)
    : store_(store), fs_(fs), messages_(messages) {}

void CommonFunc::LoadSettings(int mask, std::string* folder, int* filter, uint32_t* drives, int* backup) {
  store_.OpenKey();

  std::string directory;
  if (mask & (SETTING_DIRECTORY | SETTING_SEARCH_DRIVES)) {
    if (!ReadValue(store_, kValueDirectory, kDirectoryBufferSize, &directory)) {
      directory = kDefaultDirectory;
      store_.Set(kValueDirectory, directory);
    }
    if (!fs_.SetCurrentDir(directory)) {
      directory = kDefaultDirectory;
      store_.Set(kValueDirectory, directory);
    }
    if ((mask & SETTING_DIRECTORY) && folder != nullptr) *folder = directory;
  }

  if (mask & SETTING_FILTER) {
    std::string text;
    if (!ReadValue(store_, kValueFilter, kFilterBufferSize, &text)) {
      text = "1";
      store_.Set(kValueFilter, text);
    }
    if (filter != nullptr) *filter = ParseOrOne(text);
  }

  if (mask & SETTING_SEARCH_DRIVES) {
    std::string text;
    if (!ReadValue(store_, kValueSearchDrives, kDrivesBufferSize, &text)) {
      text = kDefaultDriveString;
      // The default drive string is the one value written with its terminator.
      store_.Set(kValueSearchDrives, std::string(kDefaultDriveString, sizeof kDefaultDriveString));
    }
    if (drives != nullptr) {
      uint32_t decoded = DecodeDriveString(text);
      // No drive chosen: the drive of the folder; the shift is taken modulo
      // 32, so a lower-case letter selects the same drive.
      if (decoded == 0) decoded = 1u << ((static_cast<unsigned char>(directory[0]) - 'A') & 31);
      *drives = decoded;
    }
  }

  if (mask & SETTING_BACKUP) {
    std::string text;
    if (!ReadValue(store_, kValueBackup, kBackupBufferSize, &text)) {
      text = "1";
      store_.Set(kValueBackup, text);
    }
    if (backup != nullptr) *backup = ParseOrOne(text);
  }
}

void CommonFunc::SaveSettings(int mask, const std::string& folder, int filter, uint32_t drives, int backup) {
  store_.OpenKey();
  if (mask & SETTING_DIRECTORY) {
    // An unusable folder is corrected by the next LoadSettings, not here.
    fs_.SetCurrentDir(folder);
    store_.Set(kValueDirectory, folder);
  }
  if (mask & SETTING_FILTER) store_.Set(kValueFilter, std::to_string(filter < 1 ? 1 : filter));
  if (mask & SETTING_SEARCH_DRIVES) store_.Set(kValueSearchDrives, EncodeDriveMask(drives));
  if (mask & SETTING_BACKUP) store_.Set(kValueBackup, std::to_string(backup < 0 ? 0 : backup));
}

int CommonFunc::ReportLastError(int show) {
  last_error_text_ = SystemErrorText(GetLastSystemError());
  if (show != 0 && messages_ != nullptr) messages_->ShowMessage(last_error_text_);
  return RC_CANCELLED;
}

}  // namespace mendora
