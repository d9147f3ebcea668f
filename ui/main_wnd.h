#pragma once
// The installer's main window: four pages in mainTabLt (0 quick install, 1 custom install,
// 2 progress, 3 finished), the checks made before an installation starts, the coordinator that
// runs it, the progress and outcome display, the records written afterwards and the product's
// start.
//
// Threads: everything here runs on the UI thread except the stage callback (the coordinator's
// workers) and the connectivity check (its own worker); both only post to this window: the
// stage callback an InstallerEvent as WM_INSTALLER_EVENT, the check the "checknet" notification.
// No state of the window is shared with them, so there is no lock.
//
//   CMainWnd window;
//   window.Create(nullptr, L"Quorvane", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0);
//   window.ShowModal();

#include <cstdint>
#include <memory>
#include <string>

#include "install/install_records.h"
#include "ui/framework/messages.h"
#include "ui/installer_progress.h"
#include "ui/skin_frame.h"

class CDownloadInstaller;
namespace Utils {
class Thread;
}

namespace SkinUI {

class CButtonUI;
class CCheckBoxUI;
class CComboUI;
class CControlUI;
class CEditUI;
class CHorizontalLayoutUI;
class CLabelUI;
class CProgressUI;
class CTabLayoutUI;
class CVerticalLayoutUI;

// Posted by the stage callback; lParam points to an InstallerEvent the message owns.
inline constexpr UINT WM_INSTALLER_EVENT = 2024;
// Sent by other processes when the downloader was launched (reported once).
inline constexpr UINT WM_LAUNCH_REPORT = WM_USER + 200;

struct InstallerEvent {
  int32_t code = 0;
  double value = 0;
  std::wstring text;
};

// Timers of the window (root control winCtn).
inline constexpr UINT TIMER_TOP_SHOW = 10;
inline constexpr UINT TIMER_FINISH_CLOSE = 11;
inline constexpr UINT TIMER_BANNER = 4396;
inline constexpr UINT TIMER_BANNER_FAST = 5669;

inline constexpr wchar_t kProductDisplayName[] = L"Quorvane";
inline constexpr wchar_t kRunningText[] = L"安装程序检测到Quorvane\r\n正在运行，请退出程序后再安装";
inline constexpr wchar_t kTipCaption[] = L"温馨提示";
inline constexpr wchar_t kMessageCaption[] = L"消息";
inline constexpr wchar_t kInvalidPathText[] = L"无效路径";
inline constexpr wchar_t kNoNetworkText[] = L"当前网络环境较差，请在网络通畅时进行安装";
inline constexpr wchar_t kInstallFailedText[] = L"安装失败";
// Shown for too little free space when the language file gives no text 104.
inline constexpr wchar_t kLowDiskSpaceText[] = L"磁盘空间不足，请选择其他安装位置";

enum Page { kPageQuick = 0, kPageCustom = 1, kPageProgress = 2, kPageFinished = 3 };

class CMainWnd : public CSkinFrame {
 public:
  CMainWnd();
  // The administrator questions answered by `facts` instead of the system.
  explicit CMainWnd(AccountFacts facts);
  // Waits for the running stage (the coordinator joins its workers), then the connectivity check.
  ~CMainWnd() override;

  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  void InitWindow() override;
  void OnClick(TNotifyUI& msg) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  void Notify(TNotifyUI& msg) override;
  CControlUI* CreateControl(const std::wstring& className) override;

  virtual LRESULT OnTimerMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) { return 0; }
  virtual LRESULT OnInstallerEvent(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);

  // Checks and requests an installation into `folder`; true when the request was made.
  bool StartInstall(const std::wstring& folder, bool createDesktopShortcut, bool createQuickLaunch);
  void OnInstallRequest(bool accepted);

  // Records, ini files, the product's start and the finishing timers after a success.
  void OnInstallFinished();
  void LaunchProduct();

  void OnLanguageChanged(int index);
  std::wstring GetLanguageCode() const;
  int ReadInstalledLanguage(const std::wstring& folder);
  void FitLabelWidth(std::wstring_view name);

  int CurrentPage() const;
  const InstallRecords& Records() const { return records_; }
  const std::wstring& AbGroup() const { return abGroup_; }
  // The package file of the current run (the coordinator's).
  std::wstring PackagePath() const;

 private:
  void BindControls();
  void CreateCoordinator();
  void ApplyStartLanguage();
  void CheckInstalledVersion();
  void OnTabSelect();
  void OnSelectChanged(TNotifyUI& msg);
  void OnTimer(TNotifyUI& msg);
  void OnCheckNet(WPARAM result);
  void StartConnectivityCheck();
  void ChooseFolder();
  void CloseRequest();
  int Box(const wchar_t* layout, const wchar_t* text = nullptr, const wchar_t* caption = nullptr);
  void SelectPage(int page);
  void ShowProgress(int percent);
  double SecondsSinceDownloadStart() const;
  bool RetryFromSavedPage();
  void OnDownloadStarted();
  void OnDownloadFailed(const InstallerEvent& event);
  void OnInstallSucceeded();
  void OnInstallFailed(const InstallerEvent& event);
  void OnUninstallFailed();
  void SetTimerOnRoot(UINT id, int periodMs);

  CVerticalLayoutUI* m_pWinCtn = nullptr;
  CTabLayoutUI* m_pTitleTabLt = nullptr;
  CTabLayoutUI* m_pMainTabLt = nullptr;
  CButtonUI* m_pDefaultInstallBtn = nullptr;
  CButtonUI* m_pCustomeInstallBtn = nullptr;
  CButtonUI* m_pCustomeBtn = nullptr;
  CCheckBoxUI* m_pTreatyBtn = nullptr;
  CButtonUI* m_pBackBtn = nullptr;
  CCheckBoxUI* m_pTreatyCb = nullptr;
  CCheckBoxUI* m_pServiceCb = nullptr;
  CButtonUI* m_pChDirBtn = nullptr;
  CEditUI* m_pInstallDirEdit = nullptr;
  CButtonUI* m_pOpenProduceBtn = nullptr;
  CButtonUI* m_pAbleftBtn = nullptr;
  CButtonUI* m_pAbrightBtn = nullptr;
  CHorizontalLayoutUI* m_pTitleGrpCtn = nullptr;
  CLabelUI* m_pProgressLb = nullptr;
  CCheckBoxUI* m_pCreateDSCb = nullptr;
  CCheckBoxUI* m_pCreateQSCb = nullptr;
  CControlUI* m_pProgressAnLb = nullptr;
  CControlUI* m_pFinishedLbl = nullptr;
  CProgressUI* m_pInstallPrg = nullptr;
  CLabelUI* m_pTipLbl = nullptr;
  CLabelUI* m_pSoftNameLbl = nullptr;
  CControlUI* m_pInstallLogo = nullptr;
  CComboUI* m_pLanguageCombo = nullptr;

  // exePath, uninstEp, installPath, prevUninstaller, installedPath, startUrl, startupStyle,
  // topShowDelay, finishCloseDelay, consoleUserIsAdmin and processIsElevated.
  InstallRecords records_;
  std::unique_ptr<CDownloadInstaller> coordinator_;
  struct Stopwatch {
    uint64_t startMs = 0;
    bool running = false;
  } downloadStopwatch_;
  std::unique_ptr<Utils::Thread> netCheckThread_;
  int savedPage_ = kPageQuick;
  InstallProgressAccumulator installProgress_;
  bool isInstalled_ = false;
  std::wstring abGroup_ = L"IN";
  bool startReported_ = false;
};

// Lets the UI thread handle its messages for about 100 ms. True when the time ran out, false when
// `hwnd` (if not null) is gone or the quit message arrived (it is posted again for the loops
// outside). Like the system's, it waits for a message, so it returns only once one arrives after
// the 100 ms.
bool PumpMessages(HWND hwnd);

// The entry point's window path: creates the main window and runs it modally on this thread; the
// window is gone when it returns.
void RunMainWindow();

}  // namespace SkinUI
