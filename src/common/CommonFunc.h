#pragma once
// The settings of the program (four string values under the user's settings
// key) and the system's text for the last error.
#include <cstdint>
#include <string>

namespace mendora {

class FileSystem;
class SettingsStore;

constexpr int SETTING_DIRECTORY = 1;
constexpr int SETTING_FILTER = 2;
constexpr int SETTING_SEARCH_DRIVES = 4;
constexpr int SETTING_BACKUP = 8;

// Value names and read-buffer sizes (bytes, terminating NUL included).
inline constexpr const char kValueDirectory[] = "Directory";
inline constexpr const char kValueFilter[] = "Filter";
inline constexpr const char kValueSearchDrives[] = "PrefSearchDir";
inline constexpr const char kValueBackup[] = "PrefBackupFlag";
constexpr size_t kDirectoryBufferSize = 260;
constexpr size_t kFilterBufferSize = 10;
constexpr size_t kDrivesBufferSize = 27;
constexpr size_t kBackupBufferSize = 2;
inline constexpr const char kDefaultDirectory[] = "C:\\";
inline constexpr const char kDefaultDriveString[] = "00000000000000000000000C00";

// The 26-character drive string, drive A at the right end: a selected drive
// shows its letter, every other position '0'.
std::string EncodeDriveMask(uint32_t mask);
// Any character other than '0' in the first 26 selects its drive.
uint32_t DecodeDriveString(const std::string& text);

// Where ReportLastError shows its text: a plain message box with an OK button.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

class CommonFunc {
 public:
  CommonFunc(SettingsStore& store, FileSystem& fs, MessageSink* messages = nullptr);
  virtual ~CommonFunc() = default;

  // Fills each requested output that is given. Missing or unreadable values
  // are replaced by their defaults, in the store too. Loading the folder
  // makes it the current folder.
  void LoadSettings(int mask, std::string* folder, int* filter, uint32_t* drives, int* backup);
  void SaveSettings(int mask, const std::string& folder, int filter, uint32_t drives, int backup);

  // Shows the system's text for the last error (when `show` is non-zero) and
  // returns RC_CANCELLED.
  int ReportLastError(int show);
  const std::string& last_error_text() const { return last_error_text_; }

 private:
  SettingsStore& store_;
  FileSystem& fs_;
  MessageSink* messages_;
  std::string last_error_text_;
};

}  // namespace mendora
