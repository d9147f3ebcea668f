#pragma once
// The installer's own link to usage analytics: one process-wide tracker created at start-up and
// released at exit (the final flush), and the report calls the start-up code, the crash filter,
// the HTTP client and the main window make at fixed moments of the installation funnel.
//
// Every report reads IsEnableAppMetrics at the moment of the call and does nothing when it is off
// or when no tracker exists. Reports may come from any thread; they hold no lock of their own.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analytics/tracker/metrics_tracker.h"

struct InstallerSettings;

// Extra report properties; the installer uses only "AB", its A/B group code.
using ReportExtras = std::map<std::wstring, std::wstring>;

inline constexpr wchar_t kAbKey[] = L"AB";
inline constexpr wchar_t kDefaultAbGroup[] = L"IN";

// The process-wide tracker (empty before InitAnalytics and after ShutdownAnalytics).
std::shared_ptr<plenwick::metrics::MetricsTracker> globalTracker();

// The tracker configuration the installer derives from its settings.
plenwick::metrics::TrackerConfig MakeTrackerConfig(const InstallerSettings& settings);

// Creates the tracker (when analytics is enabled) from the process-wide settings.
void InitAnalytics();
// Releases the tracker and waits until it is destroyed, so its final flush is over when this
// returns. The entry point calls it while analytics is enabled, before the HTTP library is
// cleaned up; a tracker never released is simply left alone at exit (no flush, nothing staged).
void ShutdownAnalytics();

// One Task event. An "AB" extra that breaks the A/B code rule raises PwException.
void ReportTask(const std::wstring& name, const std::wstring& reason, float elapsed, ReportExtras extras);
void ReportClick(const std::wstring& label, ReportExtras extras);
// The progress page's view, "安装中".
void ReportView(ReportExtras extras);
// The crash event (reason "崩溃"); it asks for an immediate send.
void ReportCrash();

// Attaches the "AB" extra, when present and not empty, as "pwc_ab" to the listed event types.
void ApplyAbGroup(const ReportExtras& extras, const std::vector<int>& eventTypes,
                  plenwick::metrics::PwContextProperties& context);
