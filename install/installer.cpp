#include "install/installer.h"

#include "app/installer_settings.h"
#include "app/log.h"
#include "install/install_codes.h"
#include "install/protocol_child.h"
#include "install/protocol_values.h"
#include "platform/codepage.h"
#include "platform/file.h"

namespace {

constexpr wchar_t kWorkerName[] = L"ABDEF";

const wchar_t* TrueFalse(bool b) { return b ? L"true" : L"false"; }

// "StartupStyle=" names: how the product is started once installed.
int StartupStyleNumber(std::wstring_view name) {
  if (name == L"AutoStartup") return 1;
  if (name == L"UserStartup") return 2;
  return 0;  // "NonStartup" and anything unknown
}

uint32_t EncodeCodePage(std::wstring_view name) {
  if (name == L"UTF8") return Platform::kCodePageUtf8;
  if (name == L"ACP") return Platform::kCodePageAnsi;
  return Protocol::CodePageNumber(name);
}

// A delay in milliseconds, taken as an unsigned 32-bit number: -1 arrives as 4294967295.
double DelayValue(std::wstring_view text) {
  return static_cast<double>(static_cast<uint32_t>(Protocol::ReadInteger(text).value_or(0)));
}

// The package path without the double quotes of its command-line token.
std::wstring Unquoted(const std::wstring& token) {
  if (token.size() >= 2 && token.front() == L'"' && token.back() == L'"') return token.substr(1, token.size() - 2);
  return token;
}

}  // namespace

CInstaller::CInstaller(DownloadCallback callback, std::wstring packageToken, std::wstring installDir, bool dsc,
                       bool ssc, bool adminact)
    : callback_(std::move(callback)),
      packageToken_(std::move(packageToken)),
      installDir_(std::move(installDir)),
      ssc_(ssc),
      dsc_(dsc),
      adminact_(adminact) {}

CInstaller::~CInstaller() { worker_.reset(); }

std::wstring CInstaller::BuildCommandLine() const {
  std::wstring line = packageToken_;
  line += L" /S -console=show -version=1.0.0";
  line += L" -adminact=";
  line += TrueFalse(adminact_);
  line += L" -authorizationact=";
  line += TrueFalse(authorizationact_);
  line += L" -dsc=";
  line += TrueFalse(dsc_);
  line += L" -ssc=";
  line += TrueFalse(ssc_);
  if (!inslang_.empty()) line += L" -inslang=\"" + inslang_ + L"\"";
  if (const std::wstring& extra = Settings().InstCmd; !extra.empty()) line += L" " + extra;
  if (!installDir_.empty()) {
    line += L" -instdir=\"" + installDir_ + L"\"";
    // Unquoted and last: the package takes everything after "/D=" as the folder.
    line += L" /D=" + installDir_;
  }
  return line;
}

void CInstaller::Start() {
  worker_.reset();
  commandLine_ = BuildCommandLine();
  worker_ = std::make_unique<Utils::Thread>(this, kWorkerName, &CInstaller::Run);
  if (worker_->IsValid()) worker_->Resume();
}

uint32_t CInstaller::Run(void* self) {
  static_cast<CInstaller*>(self)->RunOnce();
  return 0;
}

void CInstaller::RunOnce() {
  Notify(InstallCode::kStarted, 0, L"");
  Notify(InstallCode::kProgress, 0, L"");
  // Every run starts in the ANSI page: an "Encode=" of an earlier package says nothing about this one.
  codePage_ = Platform::kCodePageAnsi;
  // The downloaded file is about to run as a program.
  Platform::MakeExecutable(Unquoted(packageToken_));

  bool verdictSeen = false;
  const ProtocolChildOutcome outcome = RunProtocolChild(commandLine_, [&](std::string_view line) {
    if (ParseLineBytes(line) != kNoVerdict) verdictSeen = true;
  });
  if (!outcome.started) {
    Notify(InstallCode::kFailed, RunEndValue::kStartFailed, L"");
    return;
  }
  if (verdictSeen) return;
  // No verdict line: the exit code decides.
  if (outcome.exitCode == 0)
    Notify(InstallCode::kSucceeded, RunEndValue::kNoVerdict, L"");
  else
    Notify(InstallCode::kFailed, static_cast<double>(outcome.exitCode), kPackageFailedText);
}

CInstaller::Verdict CInstaller::ParseLineBytes(std::string_view bytes) {
  const std::wstring line = Protocol::DecodeLine(bytes, codePage_);
  return Parse(line);
}

CInstaller::Verdict CInstaller::Parse(std::wstring_view line) {
  using namespace InstallCode;
  using Protocol::TakeKey;
  using Protocol::TextValue;
  using Protocol::Trimmed;
  std::wstring_view rest;
  if (TakeKey(line, L"Progress=", rest)) {
    Notify(kProgress, Protocol::ReadDecimal(rest).value_or(0.0), L"");
  } else if (TakeKey(line, L"InstPath=", rest)) {
    Notify(kInstallPath, 0, TextValue(rest));
  } else if (TakeKey(line, L"State=", rest)) {
    const std::wstring_view state = Trimmed(rest);
    if (state == L"Success") {
      Notify(kSucceeded, 0, L"");
      return kVerdictSuccess;
    }
    if (state == L"Fail") {
      Notify(kFailed, 0, kPackageFailedText);
      return kVerdictFailure;
    }
  } else if (TakeKey(line, L"InstallVersion=", rest)) {
    // Parts that cannot be read keep their old values; reading stops at the first of them.
    for (int i = 0; i < 3; ++i) {
      if (i > 0) {
        if (rest.empty() || rest.front() != L'.') break;
        rest.remove_prefix(1);
      }
      const std::optional<int32_t> part = Protocol::ReadInteger(rest);
      if (!part) break;
      installedVersion_[i] = *part;
    }
  } else if (TakeKey(line, L"ExePath=", rest)) {
    const std::wstring path = TextValue(rest);
    WRITE_LOG(L"ExePath: %s", path.c_str());
    Notify(kExePath, 0, path);
  } else if (TakeKey(line, L"StartExe=", rest)) {
    Notify(kExePath, 0, TextValue(rest));
  } else if (TakeKey(line, L"UninstExePath=", rest) || TakeKey(line, L"UninstExe=", rest)) {
    Notify(kUninstallerExe, 0, TextValue(rest));
  } else if (TakeKey(line, L"UninstEp=", rest)) {
    Notify(kUninstallerRecord, 0, TextValue(rest));
  } else if (TakeKey(line, L"Error=", rest)) {
    Notify(kFailed, 0, TextValue(rest));
    return kVerdictFailure;
  } else if (TakeKey(line, L"TopShowDetention=", rest)) {
    Notify(kTopShowDelay, DelayValue(rest), L"");
  } else if (TakeKey(line, L"FinsihCloseDetention=", rest)) {  // spelled so on both sides
    Notify(kFinishCloseDelay, DelayValue(rest), L"");
  } else if (TakeKey(line, L"StartUrl=", rest)) {
    Notify(kStartUrl, 0, TextValue(rest));
  } else if (TakeKey(line, L"StartupStyle=", rest)) {
    Notify(kStartupStyle, StartupStyleNumber(Trimmed(rest)), L"");
  } else if (TakeKey(line, L"Encode=", rest)) {
    // Applies from the next line on; this one was decoded already.
    codePage_ = EncodeCodePage(Trimmed(rest));
  } else if (TakeKey(line, L"Message=", rest)) {
    Notify(kMessage, 0, TextValue(rest));
  }
  return kNoVerdict;
}

void CInstaller::Notify(int32_t code, double value, std::wstring_view text) {
  if (!callback_) return;
  const std::wstring copy(text);
  callback_(code, value, copy.c_str());
}
