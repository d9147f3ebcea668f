#include "install/uninstaller.h"

#include "install/install_codes.h"
#include "install/protocol_child.h"
#include "install/protocol_values.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "utils/accounts.h"

namespace {

constexpr wchar_t kWorkerName[] = L"UnInstaller";

const wchar_t* TrueFalse(bool b) { return b ? L"true" : L"false"; }

// The user logged on at the console has the administrator privilege level (false when the name
// cannot be read).
bool ConsoleUserIsAdmin() {
  std::wstring user;
  return Utils::GetConsoleUserName(user) && Utils::IsAdminAccount(user);
}

}  // namespace

CUnInstaller::CUnInstaller(DownloadCallback callback, std::wstring uninstallerPath, std::wstring uninstallDir)
    : callback_(std::move(callback)),
      uninstallerPath_(std::move(uninstallerPath)),
      uninstallDir_(std::move(uninstallDir)) {}

CUnInstaller::~CUnInstaller() { worker_.reset(); }

std::wstring CUnInstaller::BuildCommandLine(bool consoleUserIsAdmin, bool processIsElevated) const {
  // The program path is quoted, so a temporary folder with a space still names the copy; the
  // installed folder stays unquoted and last, where the uninstaller takes the rest of the line.
  return L"\"" + uninstallerPath_ + L"\" /S -adminact=" + TrueFalse(consoleUserIsAdmin) +
         L" -authorizationact=" + TrueFalse(processIsElevated) + L" -console=show _?=" + uninstallDir_;
}

void CUnInstaller::Start() {
  worker_.reset();
  commandLine_ = BuildCommandLine(ConsoleUserIsAdmin(), Utils::IsRunAsAdmin());
  worker_ = std::make_unique<Utils::Thread>(this, kWorkerName, &CUnInstaller::Run);
  if (worker_->IsValid()) worker_->Resume();
}

void CUnInstaller::Join() {
  if (worker_) worker_->Join();
}

uint32_t CUnInstaller::Run(void* self) {
  static_cast<CUnInstaller*>(self)->RunOnce();
  return 0;
}

void CUnInstaller::RunOnce() {
  if (!Platform::IsRegularFile(uninstallerPath_)) {
    Notify(UninstallCode::kNotStarted, RunEndValue::kMissing, kUninstallerMissingText);
    return;
  }
  Notify(UninstallCode::kProgress, 0, L"");
  Platform::MakeExecutable(uninstallerPath_);

  bool verdictSeen = false;
  const ProtocolChildOutcome outcome = RunProtocolChild(commandLine_, [&](std::string_view line) {
    if (ParseLineBytes(line) != kNoVerdict) verdictSeen = true;
  });
  if (!outcome.started) {
    Notify(UninstallCode::kNotStarted, RunEndValue::kStartFailed, L"");
    return;
  }
  if (verdictSeen) return;
  // No verdict line: the exit code decides.
  if (outcome.exitCode == 0)
    Notify(UninstallCode::kSucceeded, RunEndValue::kNoVerdict, L"");
  else
    Notify(UninstallCode::kFailed, static_cast<double>(outcome.exitCode), kUninstallFailedText);
}

CUnInstaller::Verdict CUnInstaller::ParseLineBytes(std::string_view bytes) {
  const std::wstring line = Protocol::DecodeLine(bytes, codePage_);
  return Parse(line);
}

CUnInstaller::Verdict CUnInstaller::Parse(std::wstring_view line) {
  using Protocol::TakeKey;
  std::wstring_view rest;
  if (TakeKey(line, L"Progress=", rest)) {
    Notify(UninstallCode::kProgress, Protocol::ReadDecimal(rest).value_or(0.0), L"");
  } else if (TakeKey(line, L"Error=", rest)) {
    Notify(UninstallCode::kFailed, 0, Protocol::TextValue(rest));
    return kVerdictFailure;
  } else if (TakeKey(line, L"State=", rest)) {
    const std::wstring_view state = Protocol::Trimmed(rest);
    if (state == L"Success") {
      Notify(UninstallCode::kSucceeded, 0, L"");
      return kVerdictSuccess;
    }
    if (state == L"Fail") {
      Notify(UninstallCode::kFailed, 0, kUninstallFailedText);
      return kVerdictFailure;
    }
  } else if (TakeKey(line, L"Encode=", rest)) {
    // The uninstaller knows no numbered pages: anything but UTF8 is the ANSI page.
    codePage_ = Protocol::Trimmed(rest) == L"UTF8" ? Platform::kCodePageUtf8 : Platform::kCodePageAnsi;
  }
  return kNoVerdict;
}

void CUnInstaller::Notify(int32_t code, double value, std::wstring_view text) {
  if (!callback_) return;
  const std::wstring copy(text);
  callback_(code, value, copy.c_str());
}
