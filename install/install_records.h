#pragma once
// Where the product is installed and what the installer writes for it: the per-user registry
// record, the default and custom install folders, the override rule of an existing installation,
// the ini files in the installed folder, and the product's start after installing.
//
// InstallRecords holds the values the main window keeps for these (the window owns one and
// forwards to it; the silent installation uses one of its own). Main thread only.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The registry key of the record, under the current user.
inline constexpr wchar_t kInstallRecordKey[] = L"Software\\Plenwick\\Quorvane";
inline constexpr wchar_t kProductExeName[] = L"Quorvane.exe";

// Registry helpers on the record's key: 1 when stored, else 0; the read leaves `value` unchanged
// on any failure.
int WriteInstallRecordString(std::wstring_view name, std::wstring_view value);
void ReadInstallRecordString(std::wstring_view name, std::wstring& value);

// The two administrator questions the default folder and the child command lines depend on.
struct AccountFacts {
  std::function<bool()> consoleUserIsAdmin;  // the active console session's user is an administrator
  std::function<bool()> processIsElevated;   // this process runs with administrator rights
  // The answers of the running system.
  static AccountFacts OfThisSystem();
};

class InstallRecords {
 public:
  InstallRecords() : InstallRecords(AccountFacts::OfThisSystem()) {}
  explicit InstallRecords(AccountFacts facts) : facts_(std::move(facts)) {}

  // Fills installedPath and prevUninstaller from the registry.
  void ReadInstallRecord();
  // Stores installPath, and uninstEp when that file exists (uninstEp defaults to the folder's
  // "uninst.ep").
  void WriteInstallRecord();
  // The recorded folder while its uninstaller exists; otherwise a fresh default. Refreshes
  // consoleUserIsAdmin and processIsElevated.
  std::wstring GetDefaultInstallDir();
  // True when `folder` names the default folder itself.
  bool IsDefaultDirChoice(std::wstring_view folder);
  // The folder for a folder text the user chose: its own "Quorvane" under the chosen parent,
  // unless the text still names the default folder.
  std::wstring GetCustomInstallDir(std::wstring_view folderText);
  // True when `folder` is the recorded folder and its set.ini forbids overriding it
  // ([Uninstall] IsOverride=false): the previous version is then not uninstalled.
  bool IsOverrideDisabled(std::wstring_view folder) const;
  // Writes set.ini and config.ini in installPath and the time stamp of the analytics ini.
  void WriteInstallInfo();
  // Opens the start address (longer than 5 characters) and starts exePath when it exists;
  // `beforeProgramStart` runs just before the program is started (the window lets its queue run).
  void LaunchProduct(const std::function<void()>& beforeProgramStart = {});
  // Takes a fact the package reported (3000-3008); false for any other code.
  bool TakeInstallerFact(int32_t code, double value, const std::wstring& text);

  std::wstring exePath;          // program to start after installing (3001)
  std::wstring uninstEp;         // the package's uninstaller record (3003)
  std::wstring installPath;      // target folder of this attempt, replaced by the package's (3000)
  std::wstring prevUninstaller;  // the installed version's uninstaller, from the registry
  std::wstring installedPath;    // the installed version's folder, from the registry
  std::wstring startUrl;         // address to open after installing (3004)
  int startupStyle = 0;          // 0 no start, 1 start automatically, 2 when the user asks (3005)
  int topShowDelay = 3000;       // ms (3007)
  int finishCloseDelay = -1;     // ms (3008); -1 is the largest period as an unsigned number
  bool consoleUserIsAdmin = false;
  bool processIsElevated = false;

 private:
  AccountFacts facts_;
};

// True when `a` and `b` name the same folder (separators, repeated and trailing ones, and "."
// levels aside). An empty text names no folder.
bool IsSameFolder(std::wstring_view a, std::wstring_view b);
// The folder of the analytics ini ("PlenwickData/Quorvane" under the roaming application data).
std::wstring AnalyticsFolder();
