#pragma once
namespace mendora {
// True when the user interface should speak Japanese: the thread's UI
// language on Windows, LC_ALL / LC_MESSAGES / LANG starting with "ja" on POSIX.
bool UiLanguageIsJapanese();
}  // namespace mendora
