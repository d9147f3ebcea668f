#include "ui/main_wnd.h"

#include <algorithm>
#include <climits>

#include "analytics/install_funnel.h"
#include "analytics/installer_analytics.h"
#include "app/installer_settings.h"
#include "app/log.h"
#include "install/download_installer.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/file.h"
#include "platform/ini.h"
#include "platform/path.h"
#include "platform/shell.h"
#include "ui/framework/attribute_values.h"
#include "ui/framework/button.h"
#include "ui/framework/combo.h"
#include "ui/framework/edit.h"
#include "ui/framework/host.h"
#include "ui/framework/label.h"
#include "ui/framework/layouts.h"
#include "ui/framework/option.h"
#include "ui/framework/progress.h"
#include "ui/framework/tab_layout.h"
#include "ui/framework/window_registry.h"
#include "ui/language.h"
#include "ui/message_box_wnd.h"
#include "ui/sequence_button.h"
#include "ui/sequence_label.h"
#include "utils/directory_tree.h"
#include "utils/find_process.h"
#include "utils/hard_disk_manager.h"
#include "utils/network.h"
#include "utils/thread.h"

namespace SkinUI {
namespace {

constexpr uint32_t kFrameStyleMask = 0xFF3EFFFF;
constexpr uint32_t kFrameStyleAdd = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr UINT kIconResource = 145;
constexpr UINT kSequenceTimer = 2100;
constexpr uint32_t kBannerPeriodMs = 10000;
constexpr double kBytesPerGigabyte = 1024.0 * 1024.0 * 1024.0;
constexpr double kMinFreeGigabytes = 1.0;
constexpr uint64_t kPumpMs = 100;
constexpr uintptr_t kPumpTimerId = 0xFFFF0100;
// The system's largest timer period; longer ones (the -1 of "never") are clamped to it.
constexpr uint32_t kMaxTimerPeriodMs = 0x7FFFFFFF;

constexpr wchar_t kUninstallerCopyName[] = L"Quorvane_un_asa.exe";
constexpr wchar_t kCheckNet[] = L"checknet";
constexpr wchar_t kInstall[] = L"install";
constexpr wchar_t kFinishedBarImage[] = L"res\\mainWnd\\installPrg3.png";
constexpr wchar_t kFolderPickerTitle[] = L"选择一个文件夹";

const wchar_t* const kPageBackgrounds[] = {L"res\\mainWnd\\bg1.png", L"res\\mainWnd\\bg2.png",
                                           L"res\\mainWnd\\bg3.png", L"res\\mainWnd\\bg4.png"};

bool IsSequenceLabel(CControlUI* control) {
  return control && control->GetInterface(L"SequenceLabel") != nullptr;
}

bool IsChecked(CCheckBoxUI* box) { return box && box->IsSelected(); }

bool IsProcessRunning(const wchar_t* name) { return Utils::FindProcess(name) != 0; }

// The UI thread's clock: the host's (a test may move it), else the system's.
uint64_t UiNowMs() {
  Host* host = CurrentHost();
  return host ? host->GetClock().NowMs() : Platform::MonotonicMilliseconds();
}

ReportExtras AbExtras(const std::wstring& ab) { return {{kAbKey, ab}}; }

// Free space usable by this user on the volume that will hold `folder`, in GiB (0 when the
// system cannot tell). On this system the nearest existing level of the folder stands for the
// drive part of a Windows path.
double FreeGigabytes(const std::wstring& folder) {
  Utils::HardDiskManager disk;
  disk.CheckFreeSpace(folder);
  return static_cast<double>(disk.freeBytesAvailable) / kBytesPerGigabyte;
}

// The licence agreement's address: "TreatyUrl" in the settings file beside the executable;
// empty (nothing opened) when the file gives none.
std::wstring LicenceAgreementUrl() {
  const std::wstring file = Platform::JoinPath(Platform::DirectoryOf(Platform::ModuleFileName()), kSettingsFileName);
  return Platform::GetPrivateProfileString(L"Install", L"TreatyUrl", L"", 1024, file);
}

int TruncateToInt(double value) {
  if (!(value == value)) return 0;
  return static_cast<int>(std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

}  // namespace

CMainWnd::CMainWnd() : CMainWnd(AccountFacts::OfThisSystem()) {}

CMainWnd::CMainWnd(AccountFacts facts) : CSkinFrame(MakeFrameDescriptor(L"MainWnd.xml")), records_(std::move(facts)) {}

CMainWnd::~CMainWnd() {
  coordinator_.reset();
  netCheckThread_.reset();
}

CControlUI* CMainWnd::CreateControl(const std::wstring& className) {
  if (EqualsIgnoreCase(className, L"SequenceButton")) return new CSequenceButtonUI;
  if (EqualsIgnoreCase(className, L"SequenceLabel")) return new CSequenceLabelUI;
  return nullptr;
}

// --- start ---------------------------------------------------------------------------------

void CMainWnd::InitWindow() {
  CSkinFrame::InitWindow();
  SetWindowLong(GWL_STYLE, (GetWindowLong(GWL_STYLE) & kFrameStyleMask) | kFrameStyleAdd);
  SetWindowLong(GWL_EXSTYLE, GetWindowLong(GWL_EXSTYLE) & ~WS_EX_TOPMOST);
  SetIcon(kIconResource);
  BindControls();
  ApplyStartLanguage();
  if (m_pSoftNameLbl) {
    m_pSoftNameLbl->SetFixedWidth(m_pm.MeasureText(kProductDisplayName, m_pSoftNameLbl->GetFont(),
                                                   m_pSoftNameLbl->GetTextStyle()).cx);
    m_pSoftNameLbl->SetText(kProductDisplayName);
  }
  for (const wchar_t* name : {L"bTitleLbl1", L"bTitleLbl2", L"bTitleLbl3"}) {
    if (CLabelUI* label = m_pm.FindControl<CLabelUI>(name)) {
      label->SetFixedWidth(m_pm.MeasureText(kProductDisplayName, label->GetFont(), label->GetTextStyle()).cx);
      label->SetText(kProductDisplayName);
    }
  }
  CreateCoordinator();
  records_.ReadInstallRecord();
  isInstalled_ = !records_.installedPath.empty();
  if (m_pInstallDirEdit) m_pInstallDirEdit->SetText(records_.GetDefaultInstallDir());
  CenterWindow();
  if (isInstalled_) CheckInstalledVersion();
}

void CMainWnd::BindControls() {
  m_pWinCtn = m_pm.FindControl<CVerticalLayoutUI>(L"winCtn");
  m_pTitleTabLt = m_pm.FindControl<CTabLayoutUI>(L"titleTabLt");
  m_pMainTabLt = m_pm.FindControl<CTabLayoutUI>(L"mainTabLt");
  m_pDefaultInstallBtn = m_pm.FindControl<CButtonUI>(L"defaultInstallBtn");
  m_pCustomeInstallBtn = m_pm.FindControl<CButtonUI>(L"customeInstallBtn");
  m_pCustomeBtn = m_pm.FindControl<CButtonUI>(L"customeBtn");
  m_pTreatyBtn = m_pm.FindControl<CCheckBoxUI>(L"treatyBtn");
  m_pBackBtn = m_pm.FindControl<CButtonUI>(L"backBtn");
  m_pTreatyCb = m_pm.FindControl<CCheckBoxUI>(L"treatyCb");
  m_pServiceCb = m_pm.FindControl<CCheckBoxUI>(L"serviceCb");
  m_pChDirBtn = m_pm.FindControl<CButtonUI>(L"chDirBtn");
  m_pInstallDirEdit = m_pm.FindControl<CEditUI>(L"installDirEdit");
  m_pOpenProduceBtn = m_pm.FindControl<CButtonUI>(L"openProduceBtn");
  m_pAbleftBtn = m_pm.FindControl<CButtonUI>(L"ableftBtn");
  m_pAbrightBtn = m_pm.FindControl<CButtonUI>(L"abrightBtn");
  m_pTitleGrpCtn = m_pm.FindControl<CHorizontalLayoutUI>(L"titleGrpCtn");
  m_pProgressLb = m_pm.FindControl<CLabelUI>(L"progressLb");
  m_pCreateDSCb = m_pm.FindControl<CCheckBoxUI>(L"createDSCb");
  m_pCreateQSCb = m_pm.FindControl<CCheckBoxUI>(L"createQSCb");
  m_pProgressAnLb = m_pm.FindControl(L"progressAnLb");
  m_pFinishedLbl = m_pm.FindControl(L"finishedLbl");
  m_pInstallPrg = m_pm.FindControl<CProgressUI>(L"installPrg");
  m_pTipLbl = m_pm.FindControl<CLabelUI>(L"tipLbl");
  m_pSoftNameLbl = m_pm.FindControl<CLabelUI>(L"softNameLbl");
  m_pInstallLogo = m_pm.FindControl(L"installLogo");
  m_pLanguageCombo = m_pm.FindControl<CComboUI>(L"languageCombo");
}

void CMainWnd::ApplyStartLanguage() {
  if (m_pLanguageCombo) {
    m_pLanguageCombo->SelectItem(Settings().Language, false, true);
    OnLanguageChanged(Settings().Language);
  } else {
    // Without a language choice the texts of the command line's language are still loaded, so
    // the numbered texts the window shows (the low-disk-space message) are never blank.
    LoadLanguageTexts(Settings().Language, L"");
  }
}

void CMainWnd::CreateCoordinator() {
  // Workers post to the window's handle, a plain number: once the window is gone the post
  // simply fails and the record is dropped with it.
  const HWND self = GetHWND();
  DownloadCallback callback = [self](int32_t code, double value, const wchar_t* text) {
    auto event = std::make_shared<InstallerEvent>(InstallerEvent{code, value, text ? text : L""});
    InstallerEvent* raw = event.get();
    PostMessageOwned(self, WM_INSTALLER_EVENT, 0, std::move(event), reinterpret_cast<LPARAM>(raw));
  };
  coordinator_ = std::make_unique<CDownloadInstaller>(std::move(callback), L"", L"", L"", true, true, true);
}

void CMainWnd::CheckInstalledVersion() {
  const int index = ReadInstalledLanguage(records_.installedPath);
  if (m_pLanguageCombo) m_pLanguageCombo->SelectItem(index, false, true);
  if (IsProcessRunning(kProductExeName) && !Settings().InsNew) {
    Box(L"MessageBox1Wnd.xml", kRunningText, kTipCaption);
    CloseRequest();
  }
  if (!Settings().InsNew) {
    const int answer = Box(L"InstalledPathTipWnd.xml");
    if (answer == kBoxOk) {
      StartInstall(records_.installedPath, true, true);
    } else if (answer == kBoxCancel) {
      records_.exePath = Platform::JoinPath(records_.installedPath, kProductExeName);
      Platform::ShellOpen(records_.exePath, L"", records_.installedPath, Platform::ShowCommand::Normal);
      CloseRequest();
    } else {
      CloseRequest();
    }
    return;
  }
  StartInstall(records_.installedPath, true, true);
}

// --- messages -------------------------------------------------------------------------------

LRESULT CMainWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_CLOSE && CurrentPage() == kPageProgress) return 0;
  if (uMsg == WM_LAUNCH_REPORT) {
    if (!startReported_) {
      startReported_ = true;
      InstallFunnel::ReportDownloaderStarted(abGroup_);
    }
    return 0;
  }
  return CSkinFrame::HandleMessage(uMsg, wParam, lParam);
}

LRESULT CMainWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  if (uMsg == WM_TIMER) {
    OnTimerMessage(uMsg, wParam, lParam, bHandled);
  } else if (uMsg == WM_INSTALLER_EVENT) {
    OnInstallerEvent(uMsg, wParam, lParam, bHandled);
  }
  return CSkinFrame::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

void CMainWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == kNotifySelectChanged) {
    OnSelectChanged(msg);
  } else if (msg.sType == kNotifyTabSelect) {
    OnTabSelect();
  } else if (msg.sType == kCheckNet) {
    OnCheckNet(msg.wParam);
  } else if (msg.sType == kInstall) {
    OnInstallRequest(msg.wParam != 0);
  } else if (msg.sType == kNotifyTimer) {
    OnTimer(msg);
  } else if (msg.sType == kNotifyItemSelect && msg.pSender && msg.pSender == m_pLanguageCombo) {
    OnLanguageChanged(m_pLanguageCombo->GetCurSel());
  }
  CSkinFrame::Notify(msg);
}

void CMainWnd::OnTabSelect() {
  const int page = CurrentPage();
  const bool known = page >= kPageQuick && page <= kPageFinished;
  if ((page == kPageQuick || page == kPageCustom) && m_pWinCtn) {
    m_pm.KillTimer(m_pWinCtn, TIMER_BANNER);
    m_pm.KillTimer(m_pWinCtn, TIMER_BANNER_FAST);
  }
  if (m_pWinCtn) {
    m_pWinCtn->SetBkImage(known ? kPageBackgrounds[page] : kPageBackgrounds[0]);
    m_pWinCtn->Invalidate();
  }
  if (m_pTitleTabLt) {
    if (page == kPageQuick || page == kPageCustom) m_pTitleTabLt->SelectItem(1);
    else if (page == kPageFinished) m_pTitleTabLt->SelectItem(2);
    else if (!known) m_pTitleTabLt->SelectItem(0);
  }
  if (page == kPageProgress && IsSequenceLabel(m_pProgressAnLb)) static_cast<CSequenceLabelUI*>(m_pProgressAnLb)->Start();
  if (page == kPageFinished) {
    if (m_pProgressAnLb) m_pm.KillTimer(m_pProgressAnLb, kSequenceTimer);
    if (IsSequenceLabel(m_pFinishedLbl)) static_cast<CSequenceLabelUI*>(m_pFinishedLbl)->Start();
  }
  if (m_pTitleGrpCtn) m_pTitleGrpCtn->SetVisible(page != kPageProgress);
  if (m_pInstallLogo) m_pInstallLogo->SetVisible(page == kPageProgress);
  if (m_pBackBtn) m_pBackBtn->SetVisible(page == kPageCustom);
}

void CMainWnd::OnSelectChanged(TNotifyUI& msg) {
  if (!msg.pSender) return;
  if (msg.pSender == m_pTreatyCb) {
    if (m_pTreatyBtn) m_pTreatyBtn->Selected(m_pTreatyCb->IsSelected(), true);
    if (m_pTreatyCb->IsSelected() && (!m_pServiceCb || m_pServiceCb->IsSelected())) {
      if (m_pCustomeBtn) m_pCustomeBtn->SetEnabled(true);
      if (m_pTipLbl) m_pTipLbl->SetVisible(false);
    } else if (m_pCustomeBtn) {
      m_pCustomeBtn->SetEnabled(false);
    }
  } else if (msg.pSender == m_pServiceCb) {
    const bool on = m_pServiceCb->IsSelected();
    if (m_pCustomeBtn && (!on || IsChecked(m_pTreatyCb))) m_pCustomeBtn->SetEnabled(on);
    if (m_pDefaultInstallBtn) m_pDefaultInstallBtn->SetEnabled(on);
  } else if (msg.pSender == m_pTreatyBtn && m_pTreatyCb) {
    m_pTreatyBtn->Selected(m_pTreatyCb->IsSelected(), true);
  }
}

void CMainWnd::OnTimer(TNotifyUI& msg) {
  if (!msg.pSender || msg.pSender != m_pm.GetRoot()) return;
  if (msg.wParam == TIMER_TOP_SHOW) {
    BringToFront();
    m_pm.KillTimer(msg.pSender, TIMER_TOP_SHOW);
  } else if (msg.wParam == TIMER_FINISH_CLOSE) {
    CloseRequest();
    m_pm.KillTimer(msg.pSender, TIMER_FINISH_CLOSE);
  }
  // TIMER_BANNER and TIMER_BANNER_FAST step a banner this skin does not have.
}

// --- clicks ---------------------------------------------------------------------------------

void CMainWnd::OnClick(TNotifyUI& msg) {
  CControlUI* sender = msg.pSender;
  const std::wstring name = sender ? sender->GetName() : L"";
  if (sender && sender == m_pDefaultInstallBtn) {
    ReportClick(L"立即安装", AbExtras(abGroup_));
    if (IsChecked(m_pTreatyCb)) StartInstall(records_.GetDefaultInstallDir(), true, true);
    else if (m_pTipLbl) m_pTipLbl->SetVisible(true);
  } else if (sender && sender == m_pCustomeBtn) {
    ReportClick(L"自定义安装", AbExtras(abGroup_));
    SelectPage(kPageCustom);
    if (m_pCustomeInstallBtn) m_pCustomeInstallBtn->SetFocus();
  } else if (sender && sender == m_pTreatyBtn) {
    const std::wstring url = LicenceAgreementUrl();
    if (!url.empty()) Platform::ShellOpen(url, L"", L"", Platform::ShowCommand::Maximized);
  } else if (sender && sender == m_pBackBtn) {
    SelectPage(kPageQuick);
  } else if (sender && sender == m_pChDirBtn) {
    ChooseFolder();
  } else if (sender && sender == m_pCustomeInstallBtn) {
    ReportClick(L"自定义安装_立即安装", AbExtras(abGroup_));
    StartInstall(records_.GetCustomInstallDir(m_pInstallDirEdit ? m_pInstallDirEdit->GetText() : L""),
                 IsChecked(m_pCreateDSCb), IsChecked(m_pCreateQSCb));
  } else if (sender && sender == m_pOpenProduceBtn) {
    ReportClick(L"立即体验", AbExtras(abGroup_));
    if (records_.startupStyle == 2) LaunchProduct();
    CloseRequest();
  } else if (sender && (sender == m_pAbleftBtn || sender == m_pAbrightBtn)) {
    if (m_pWinCtn) m_pm.SetTimer(m_pWinCtn, TIMER_BANNER, kBannerPeriodMs);
  } else if (name == L"closebtn") {
    if (CurrentPage() == kPageFinished) CloseRequest();
    else if (Box(L"ExitTipWnd.xml") == kBoxOk) CloseRequest();
  } else {
    CSkinFrame::OnClick(msg);
  }
}

void CMainWnd::ChooseFolder() {
  Host* host = CurrentHost();
  if (!host) return;
  const std::optional<std::wstring> folder = host->BrowseForFolder(GetHWND(), kFolderPickerTitle);
  if (folder && !folder->empty() && m_pInstallDirEdit) m_pInstallDirEdit->SetText(*folder);
}

// --- starting an installation ----------------------------------------------------------------

bool CMainWnd::StartInstall(const std::wstring& folder, bool createDesktopShortcut, bool createQuickLaunch) {
  // A window already gone (closed from inside a dialog) starts nothing more.
  if (!GetHWND()) return false;
  const bool insNew = Settings().InsNew;
  if (IsProcessRunning(kUninstallerCopyName) && !insNew) {
    Box(L"MessageBox1Wnd.xml", kRunningText, kTipCaption);
    if (isInstalled_) CloseRequest();
    return false;
  }
  if (IsProcessRunning(kProductExeName) && !insNew) {
    Box(L"MessageBox1Wnd.xml", kRunningText, kTipCaption);
    CloseRequest();
    return false;
  }
  if (m_pCustomeInstallBtn) m_pCustomeInstallBtn->SetEnabled(false);
  if (!Utils::CreateDirectoryTree(folder)) {
    Box(L"MessageBox2Wnd.xml", kInvalidPathText, kTipCaption);
    m_pm.SendNotify(m_pm.GetRoot(), kInstall, 0);
    return false;
  }
  if (FreeGigabytes(folder) < kMinFreeGigabytes) {
    const std::wstring* text = PaintManager::GetMultiLanguageString(kTextLowDiskSpace);
    Box(L"MessageBox2Wnd.xml", text && !text->empty() ? text->c_str() : kLowDiskSpaceText, kTipCaption);
    m_pm.SendNotify(m_pm.GetRoot(), kInstall, 0);
    return false;
  }
  records_.installPath = folder;
  std::wstring uninstaller = records_.prevUninstaller;
  if (records_.IsOverrideDisabled(folder)) uninstaller.clear();
  coordinator_->SetParameters(Settings().DownloadUrl, records_.installedPath, uninstaller, folder,
                              createDesktopShortcut, createQuickLaunch, records_.consoleUserIsAdmin,
                              records_.processIsElevated, GetLanguageCode());
  if (Settings().IsCheckNet) StartConnectivityCheck();
  else m_pm.SendNotify(m_pm.GetRoot(), kInstall, 1, 0, true);
  return true;
}

void CMainWnd::StartConnectivityCheck() {
  if (netCheckThread_) netCheckThread_->Join();
  netCheckThread_.reset();
  // The worker only posts its verdict; the paint manager's asynchronous notify is safe from any
  // thread and is dropped once the window is gone.
  PaintManager* pm = &m_pm;
  CControlUI* root = m_pm.GetRoot();
  netCheckThread_ = std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [pm, root](void*) -> uint32_t {
    const int result = Utils::CheckNetwork();
    pm->SendNotify(root, kCheckNet, static_cast<WPARAM>(result), 0, true);
    return 0;
  });
  if (netCheckThread_->IsValid()) netCheckThread_->Resume();
}

void CMainWnd::OnCheckNet(WPARAM result) {
  const int verdict = HIWORD(result);
  if (verdict != 0) Box(L"MessageBox2Wnd.xml", kNoNetworkText, kTipCaption);
  m_pm.SendNotify(m_pm.GetRoot(), kInstall, verdict == 0 ? 1 : 0);
}

void CMainWnd::OnInstallRequest(bool accepted) {
  if (accepted && GetHWND()) {
    if (m_pAbleftBtn && m_pWinCtn) m_pm.SetTimer(m_pWinCtn, TIMER_BANNER, kBannerPeriodMs);
    savedPage_ = CurrentPage();
    SelectPage(kPageProgress);
    ReportView(AbExtras(abGroup_));
    coordinator_->Start();
  }
  if (m_pCustomeInstallBtn) m_pCustomeInstallBtn->SetEnabled(true);
}

// --- progress and outcome ----------------------------------------------------------------------

LRESULT CMainWnd::OnInstallerEvent(UINT, WPARAM, LPARAM lParam, bool&) {
  // The record belongs to the message; the queue releases it once the message is handled.
  if (lParam == 0) return 0;
  const InstallerEvent event = *reinterpret_cast<const InstallerEvent*>(lParam);
  const double scale = Settings().DownloadScale;
  switch (event.code) {
    case 1001: OnDownloadStarted(); break;
    case 1002: ShowProgress(DownloadPercent(event.value, scale)); break;
    case 1003: InstallFunnel::ReportDownloadFinished(abGroup_); break;
    case 1004: OnDownloadFailed(event); break;
    case 1006:
      InstallFunnel::ReportDownloadAborted(TruncateToInt(event.value), event.text, abGroup_);
      break;
    case 2001: records_.WriteInstallInfo(); break;
    case 2002: ShowProgress(InstallPercent(installProgress_.Add(event.value), scale)); break;
    case 2003: OnInstallSucceeded(); break;
    case 2004: OnInstallFailed(event); break;
    case 3009: Box(L"MessageBox1Wnd.xml", event.text.c_str(), kMessageCaption); break;
    case 5004:
    case 5005: OnUninstallFailed(); break;
    default: records_.TakeInstallerFact(event.code, event.value, event.text); break;
  }
  return 0;
}

void CMainWnd::OnDownloadStarted() {
  if (!startReported_) {
    startReported_ = true;
    abGroup_ = Settings().AbGroup;
    InstallFunnel::ReportDownloaderStarted(abGroup_);
  }
  downloadStopwatch_ = {UiNowMs(), true};
  InstallFunnel::ReportDownloadStarted(abGroup_);
}

double CMainWnd::SecondsSinceDownloadStart() const {
  if (!downloadStopwatch_.running) return 0;
  // The tick count is 32 bits wide and wraps, as the system's does.
  return static_cast<double>(static_cast<uint32_t>(UiNowMs() - downloadStopwatch_.startMs)) / 1000.0;
}

void CMainWnd::ShowProgress(int percent) {
  if (m_pProgressLb)
    m_pProgressLb->SetText(ProgressText(percent, m_pProgressLb->GetUserData(), SecondsSinceDownloadStart()));
  if (m_pInstallPrg) m_pInstallPrg->SetValue(percent);
}

void CMainWnd::OnDownloadFailed(const InstallerEvent& event) {
  InstallFunnel::ReportDownloadFailedAt(TruncateToInt(event.value), event.text, PackagePath(), abGroup_);
  const int answer = Box(L"NetworkTipWnd.xml");
  if (answer == kBoxOk) {
    RetryFromSavedPage();
  } else if (answer == kBoxCancel && isInstalled_) {
    CloseRequest();
  }
  SelectPage(savedPage_);
}

bool CMainWnd::RetryFromSavedPage() {
  if (savedPage_ == kPageQuick) return StartInstall(records_.GetDefaultInstallDir(), true, true);
  if (savedPage_ == kPageCustom)
    return StartInstall(records_.GetCustomInstallDir(m_pInstallDirEdit ? m_pInstallDirEdit->GetText() : L""),
                        IsChecked(m_pCreateDSCb), IsChecked(m_pCreateQSCb));
  return false;
}

void CMainWnd::OnInstallSucceeded() {
  InstallFunnel::ReportInstallSucceeded(abGroup_);
  if (m_pInstallPrg) {
    m_pInstallPrg->SetValue(100);
    const std::wstring finished = Platform::JoinPath(Resources::GetResourcePath(), Platform::NativePath(kFinishedBarImage));
    if (Platform::PathExists(finished)) {
      m_pInstallPrg->SetForeImage(finished);
      m_pInstallPrg->Invalidate();
    }
  }
  if (m_pWinCtn) {
    m_pm.KillTimer(m_pWinCtn, TIMER_BANNER_FAST);
    m_pm.KillTimer(m_pWinCtn, TIMER_BANNER);
  }
  if (m_pSoftNameLbl) {
    m_pSoftNameLbl->SetText(kProductDisplayName);
    m_pSoftNameLbl->SetVisible(true);
  }
  SelectPage(kPageFinished);
  OnInstallFinished();
}

void CMainWnd::OnInstallFailed(const InstallerEvent& event) {
  InstallFunnel::ReportInstallFailed(TruncateToInt(event.value), event.text, abGroup_);
  Box(L"MessageBox2Wnd.xml", event.text.empty() ? kInstallFailedText : event.text.c_str(), kTipCaption);
  // Past the download's share the bar starts again for the next attempt; a failure in the
  // download's share keeps what it shows.
  if (m_pInstallPrg && m_pInstallPrg->GetValue() >= 70) {
    if (m_pProgressLb) m_pProgressLb->SetText(L"正在安装中:0%，请稍候...");
    m_pInstallPrg->SetValue(0);
  }
  SelectPage(kPageQuick);
}

void CMainWnd::OnUninstallFailed() {
  Box(L"MessageBox1Wnd.xml", kRunningText, kTipCaption);
  SelectPage(savedPage_);
  if (isInstalled_) CloseRequest();
}

void CMainWnd::OnInstallFinished() {
  records_.WriteInstallRecord();
  records_.WriteInstallInfo();
  if (records_.startupStyle == 1) LaunchProduct();
  if (records_.topShowDelay != 0) SetTimerOnRoot(TIMER_TOP_SHOW, records_.topShowDelay);
  if (records_.finishCloseDelay != 0) SetTimerOnRoot(TIMER_FINISH_CLOSE, records_.finishCloseDelay);
}

void CMainWnd::SetTimerOnRoot(UINT id, int periodMs) {
  if (!m_pm.GetRoot()) return;
  // A negative period is a huge unsigned one, which the system clamps to its largest.
  const uint32_t period = std::min(static_cast<uint32_t>(periodMs), kMaxTimerPeriodMs);
  m_pm.SetTimer(m_pm.GetRoot(), id, period);
}

void CMainWnd::LaunchProduct() {
  const HWND self = GetHWND();
  records_.LaunchProduct([self] { PumpMessages(self); });
}

// --- language ---------------------------------------------------------------------------------

void CMainWnd::OnLanguageChanged(int index) {
  const int effective = LoadLanguageTexts(index, L"");
  if (CControlUI* root = m_pm.GetRoot()) root->NeedUpdate();
  FitLabelWidth(L"lbLanguage");
  FitLabelWidth(L"lbInstallPath");
  FitLabelWidth(L"backBtn");
  Settings().Language = effective;
}

void CMainWnd::FitLabelWidth(std::wstring_view name) {
  CLabelUI* label = m_pm.FindControl<CLabelUI>(name);
  if (!label) return;
  label->SetFixedWidth(label->MeasureDisplayText().cx + label->GetTextPadding().left);
}

std::wstring CMainWnd::GetLanguageCode() const {
  return m_pLanguageCombo ? LocaleCodeOf(m_pLanguageCombo->GetCurSel()) : L"";
}

int CMainWnd::ReadInstalledLanguage(const std::wstring& folder) {
  const int index = LoadLanguageTexts(0, InstalledLanguageCode(folder));
  if (CControlUI* root = m_pm.GetRoot()) root->NeedUpdate();
  return index;
}

// --- helpers ------------------------------------------------------------------------------------

int CMainWnd::CurrentPage() const { return m_pMainTabLt ? m_pMainTabLt->GetCurSel() : -1; }

std::wstring CMainWnd::PackagePath() const { return coordinator_ ? coordinator_->PackagePath() : L""; }

void CMainWnd::SelectPage(int page) {
  if (m_pMainTabLt) m_pMainTabLt->SelectItem(page, true);
}

void CMainWnd::CloseRequest() { Close(1); }

int CMainWnd::Box(const wchar_t* layout, const wchar_t* text, const wchar_t* caption) {
  return ShowMessageBox(GetHWND(), MakeFrameDescriptor(layout), text, caption);
}

// --- the message pump and the window's run ------------------------------------------------------

bool PumpMessages(HWND hwnd) {
  const uint64_t start = UiNowMs();
  MessageQueue& queue = MessageQueue::ForCurrentThread();
  // A timer of the pump's own makes sure a message comes once the time is up, so the pump ends
  // even when nothing else happens on the thread.
  queue.SetTimer(hwnd, kPumpTimerId, static_cast<uint32_t>(kPumpMs) + 1);
  bool timeUp = false;
  MSG msg;
  for (;;) {
    if (hwnd && !IsWindow(hwnd)) break;
    if (!queue.GetMessage(msg)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    const bool own = msg.message == WM_TIMER && msg.wParam == kPumpTimerId;
    if (!own && !TranslateMessage(msg)) DispatchMessage(msg);
    if (UiNowMs() - start > kPumpMs) {
      timeUp = true;
      break;
    }
  }
  queue.KillTimer(hwnd, kPumpTimerId);
  return timeUp;
}

void RunMainWindow() {
  CMainWnd window;
  if (!window.Create(nullptr, kProductDisplayName, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0)) return;
  window.ShowModal();
}

}  // namespace SkinUI
